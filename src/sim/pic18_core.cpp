#include "sim/pic18_core.h"

namespace korvane::sim {

namespace {
constexpr std::uint8_t kAllFlags = flag::C | flag::DC | flag::Z | flag::OV | flag::N;
constexpr std::uint8_t STKFUL = 0x80, STKUNF = 0x40;

std::int32_t sign_extend(std::uint32_t v, int bits) {
    const std::uint32_t m = 1u << (bits - 1);
    return std::int32_t((v ^ m) - m);
}
} // namespace

Pic18Core::Pic18Core(const Pic18Model& model, Pic18Memory& memory)
    : model_(model), mem_(memory), flash_(memory), ram_(model.ram_bytes, 0) {
    eeprom_write_us_ = model.eeprom_write_us;
    self_write_us_ = model.self_write_us;
    reset(Pic18Reset::PowerOn);
}

void Pic18Core::set_oscillator_hz(std::uint32_t hz) {
    if (hz) cycle_ps_ = 4'000'000'000'000ull / hz;
}

// ---- running -----------------------------------------------------------------------------

unsigned Pic18Core::step() {
    unsigned used;
    if (sleeping_) {
        if (pending_vector() != 0) {
            sleeping_ = false;
            used = pending_vector() > 0 ? take_interrupt() : 1;
        } else {
            used = 1;
        }
    } else if (interrupt_pending()) {
        used = take_interrupt();
    } else {
        const std::uint32_t at = pc_;
        const std::uint16_t op = fetch(at);
        pc_ = (pc_ + 2) & 0x1FFFFE;
        std::uint16_t second = 0xF000;
        if (two_word(op)) {
            second = fetch(pc_);
            pc_ = (pc_ + 2) & 0x1FFFFE;
        }
        executing_at_ = at;
        used = run(op, second, true);
    }
    used += stall_cycles_;
    stall_cycles_ = 0;
    if (stack_reset_) {
        stack_reset_ = false;
        reset(Pic18Reset::Stack);
    }
    advance(used);
    return used;
}

void Pic18Core::execute(std::uint16_t word) {
    if (pending_first_) {
        const std::uint16_t first = *pending_first_;
        pending_first_.reset();
        if (skip_next_) {
            skip_next_ = false;
            return;
        }
        executing_at_ = pc_;
        run(first, word, false);
    } else if (two_word(word)) {
        pending_first_ = word;
        return;
    } else if (skip_next_) {
        skip_next_ = false;
        return;
    } else {
        executing_at_ = pc_;
        run(word, 0xF000, false);
    }
    stall_cycles_ = 0;
    if (stack_reset_) {
        stack_reset_ = false;
        reset(Pic18Reset::Stack);
    }
}

std::uint16_t Pic18Core::fetch(std::uint32_t address) const {
    if (address + 1 >= mem_.program.size()) return 0x0000;   // unimplemented memory reads as NOPs
    return std::uint16_t(mem_.fetch_byte(address) | (mem_.fetch_byte(address + 1) << 8));
}

bool Pic18Core::two_word(std::uint16_t op) const {
    return (op & 0xF000) == 0xC000 || (op & 0xFE00) == 0xEC00 || (op & 0xFF00) == 0xEE00 || (op & 0xFF00) == 0xEF00;
}

// ---- flags -------------------------------------------------------------------------------

void Pic18Core::set_flags(std::uint8_t mask, std::uint8_t value) {
    std::uint8_t& s = reg(sfr::STATUS);
    s = std::uint8_t((s & ~mask) | (value & mask));
}

void Pic18Core::set_zn(std::uint8_t r) {
    set_flags(flag::Z | flag::N, std::uint8_t((r == 0 ? flag::Z : 0) | (r & 0x80 ? flag::N : 0)));
}

std::uint8_t Pic18Core::add(std::uint8_t a, std::uint8_t b, bool carry_in) {
    const unsigned sum = unsigned(a) + b + (carry_in ? 1 : 0);
    const std::uint8_t r = std::uint8_t(sum);
    std::uint8_t f = 0;
    if (sum > 0xFF) f |= flag::C;
    if ((a & 0x0F) + (b & 0x0F) + (carry_in ? 1 : 0) > 0x0F) f |= flag::DC;
    if (r == 0) f |= flag::Z;
    if ((a ^ r) & (b ^ r) & 0x80) f |= flag::OV;
    if (r & 0x80) f |= flag::N;
    set_flags(kAllFlags, f);
    return r;
}

// ---- operands ----------------------------------------------------------------------------

std::uint16_t Pic18Core::file_address(std::uint16_t op) const {
    const std::uint8_t f = std::uint8_t(op);
    if (op & 0x0100) return std::uint16_t((bsr_ << 8) | f);   // a = 1: banked
    return f < 0x80 ? f : std::uint16_t(0xF00 | f);          // access bank
}

void Pic18Core::store(std::uint16_t op, std::uint16_t ea, std::uint8_t value, bool sets_flags) {
    if (!(op & 0x0200)) {
        w_ = value;
        return;
    }
    // Flags from the device logic win over a result written into STATUS itself.
    if (sets_flags && ea == sfr::STATUS) return;
    put(ea, value);
}

unsigned Pic18Core::skip_if(bool condition, bool fetched) {
    if (!condition) return 1;
    if (!fetched) {
        skip_next_ = true;
        return 2;
    }
    const std::uint16_t next = fetch(pc_);
    const bool two = two_word(next);
    pc_ = (pc_ + (two ? 4 : 2)) & 0x1FFFFE;
    return two ? 3 : 2;
}

// ---- execution ---------------------------------------------------------------------------

unsigned Pic18Core::run(std::uint16_t op, std::uint16_t second, bool fetched) {
    unsigned used;
    switch (op >> 12) {
    case 0x0:
        used = (op & 0xFF00) == 0x0000 || op >= 0x0800 || (op & 0xFF00) == 0x0100 ? literal_or_control(op, fetched)
                                                                                  : byte_op(op, fetched);
        break;
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
    case 0x6: used = byte_op(op, fetched); break;
    case 0x7:
    case 0x8:
    case 0x9:
    case 0xA:
    case 0xB: used = bit_op(op, fetched); break;
    case 0xC: {   // MOVFF
        const std::uint8_t v = load(resolve(op & 0x0FFF));
        put(resolve(second & 0x0FFF), v);
        used = 2;
        break;
    }
    case 0xD:
    case 0xE: used = branch_or_long(op, second); break;
    default: used = 1; break;   // 1111 xxxx: NOP (the second word of a two-word instruction)
    }
    // A write to PCL is a jump: the pipeline refills.
    if (pcl_written_) {
        pcl_written_ = false;
        if (used == 1) used = 2;
    }
    return used;
}

unsigned Pic18Core::byte_op(std::uint16_t op, bool fetched) {
    const std::uint16_t ea = resolve(file_address(op));
    const unsigned kind = op >> 10;   // 6-bit opcode for d,a forms
    const bool c = status() & flag::C;
    auto f = [&]() { return load(ea); };
    switch (kind) {
    case 0x00: set_prod(unsigned(w_) * f()); return 1;   // MULWF (0000 001a)
    case 0x01: {   // DECF
        const std::uint8_t r = add(f(), 0xFF, false);
        store(op, ea, r, true);
        return 1;
    }
    case 0x04: { const std::uint8_t r = std::uint8_t(w_ | f()); set_zn(r); store(op, ea, r, true); return 1; }   // IORWF
    case 0x05: { const std::uint8_t r = std::uint8_t(w_ & f()); set_zn(r); store(op, ea, r, true); return 1; }   // ANDWF
    case 0x06: { const std::uint8_t r = std::uint8_t(w_ ^ f()); set_zn(r); store(op, ea, r, true); return 1; }   // XORWF
    case 0x07: { const std::uint8_t r = std::uint8_t(~f()); set_zn(r); store(op, ea, r, true); return 1; }       // COMF
    case 0x08: { const std::uint8_t r = add(w_, f(), c); store(op, ea, r, true); return 1; }                     // ADDWFC
    case 0x09: { const std::uint8_t r = add(w_, f(), false); store(op, ea, r, true); return 1; }                 // ADDWF
    case 0x0A: { const std::uint8_t r = add(f(), 1, false); store(op, ea, r, true); return 1; }                  // INCF
    case 0x0B: { const std::uint8_t r = std::uint8_t(f() - 1); store(op, ea, r, false); return skip_if(r == 0, fetched); }   // DECFSZ
    case 0x0C: {   // RRCF
        const std::uint8_t v = f();
        const std::uint8_t r = std::uint8_t((v >> 1) | (c ? 0x80 : 0));
        set_flags(flag::C, v & 1 ? flag::C : 0);
        set_zn(r);
        store(op, ea, r, true);
        return 1;
    }
    case 0x0D: {   // RLCF
        const std::uint8_t v = f();
        const std::uint8_t r = std::uint8_t((v << 1) | (c ? 1 : 0));
        set_flags(flag::C, v & 0x80 ? flag::C : 0);
        set_zn(r);
        store(op, ea, r, true);
        return 1;
    }
    case 0x0E: { const std::uint8_t v = f(); store(op, ea, std::uint8_t((v << 4) | (v >> 4)), false); return 1; }   // SWAPF
    case 0x0F: { const std::uint8_t r = std::uint8_t(f() + 1); store(op, ea, r, false); return skip_if(r == 0, fetched); }   // INCFSZ
    case 0x10: { const std::uint8_t v = f(); const std::uint8_t r = std::uint8_t((v >> 1) | (v << 7)); set_zn(r); store(op, ea, r, true); return 1; }   // RRNCF
    case 0x11: { const std::uint8_t v = f(); const std::uint8_t r = std::uint8_t((v << 1) | (v >> 7)); set_zn(r); store(op, ea, r, true); return 1; }   // RLNCF
    case 0x12: { const std::uint8_t r = std::uint8_t(f() + 1); store(op, ea, r, false); return skip_if(r != 0, fetched); }   // INFSNZ
    case 0x13: { const std::uint8_t r = std::uint8_t(f() - 1); store(op, ea, r, false); return skip_if(r != 0, fetched); }   // DCFSNZ
    case 0x14: { const std::uint8_t r = f(); set_zn(r); store(op, ea, r, true); return 1; }                                 // MOVF
    case 0x15: { const std::uint8_t r = add(w_, std::uint8_t(~f()), c); store(op, ea, r, true); return 1; }                 // SUBFWB
    case 0x16: { const std::uint8_t r = add(f(), std::uint8_t(~w_), c); store(op, ea, r, true); return 1; }                 // SUBWFB
    case 0x17: { const std::uint8_t r = add(f(), std::uint8_t(~w_), true); store(op, ea, r, true); return 1; }              // SUBWF
    case 0x18:
    case 0x19:
    case 0x1A:
    case 0x1B: {
        switch ((op >> 9) & 7) {
        case 0: return skip_if(f() < w_, fetched);    // CPFSLT
        case 1: return skip_if(f() == w_, fetched);   // CPFSEQ
        case 2: return skip_if(f() > w_, fetched);    // CPFSGT
        case 3: return skip_if(f() == 0, fetched);    // TSTFSZ
        case 4: put(ea, 0xFF); return 1;              // SETF
        case 5: put(ea, 0x00); set_flags(flag::Z, flag::Z); return 1;   // CLRF
        case 6: {                                                       // NEGF
            const std::uint8_t r = add(0, std::uint8_t(~f()), true);
            if (ea != sfr::STATUS) put(ea, r);
            return 1;
        }
        default: put(ea, w_); return 1;   // MOVWF
        }
    }
    default: return 1;
    }
}

unsigned Pic18Core::bit_op(std::uint16_t op, bool fetched) {
    const std::uint16_t ea = resolve(file_address(op));
    const std::uint8_t bit = std::uint8_t(1u << ((op >> 9) & 7));
    switch (op >> 12) {
    case 0x7: put(ea, std::uint8_t(load(ea) ^ bit)); return 1;    // BTG
    case 0x8: put(ea, std::uint8_t(load(ea) | bit)); return 1;    // BSF
    case 0x9: put(ea, std::uint8_t(load(ea) & ~bit)); return 1;   // BCF
    case 0xA: return skip_if((load(ea) & bit) != 0, fetched);     // BTFSS
    default: return skip_if((load(ea) & bit) == 0, fetched);      // BTFSC
    }
}

unsigned Pic18Core::literal_or_control(std::uint16_t op, bool fetched) {
    const std::uint8_t k = std::uint8_t(op);
    switch (op >> 8) {
    case 0x00: (void)fetched; return control(op);
    case 0x01:
        if ((op & 0xF0) == 0) bsr_ = k & 0x0F;   // MOVLB
        return 1;
    case 0x08: w_ = add(k, std::uint8_t(~w_), true); return 1;   // SUBLW
    case 0x09: w_ |= k; set_zn(w_); return 1;                      // IORLW
    case 0x0A: w_ ^= k; set_zn(w_); return 1;                      // XORLW
    case 0x0B: w_ &= k; set_zn(w_); return 1;                      // ANDLW
    case 0x0C: w_ = k; pc_ = pop(); return 2;                      // RETLW
    case 0x0D: set_prod(unsigned(w_) * k); return 1;           // MULLW
    case 0x0E: w_ = k; return 1;                                   // MOVLW
    default: w_ = add(w_, k, false); return 1;                     // ADDLW (0x0F)
    }
}

unsigned Pic18Core::control(std::uint16_t op) {
    switch (op) {
    case 0x0003:   // SLEEP
        clear_watchdog();
        set_rcon(0x0C, 0x08);   // TO = 1, PD = 0
        sleeping_ = !external_;
        return 1;
    case 0x0004:   // CLRWDT
        clear_watchdog();
        set_rcon(0x0C, 0x0C);   // TO = 1, PD = 1
        return 1;
    case 0x0005: push(pc_); return 1;   // PUSH
    case 0x0006: pop(); return 1;       // POP
    case 0x0007: daw(); return 1;
    case 0x0008:
    case 0x0009:
    case 0x000A:
    case 0x000B: table_read(TableMode(op & 3)); return 2;
    case 0x000C:
    case 0x000D:
    case 0x000E:
    case 0x000F: table_write_byte(TableMode(op & 3)); return 2;
    case 0x0010:
    case 0x0011: {   // RETFIE
        pc_ = pop();
        std::uint8_t& intcon = reg(sfr::INTCON);
        const bool ipen = reg(sfr::RCON) & 0x80;
        if (ipen && (intcon & 0x80)) intcon |= 0x40;   // back from a low-priority interrupt
        else intcon |= 0x80;
        if (op & 1) restore_shadow();
        return 2;
    }
    case 0x0012:
    case 0x0013:   // RETURN
        pc_ = pop();
        if (op & 1) restore_shadow();
        return 2;
    case 0x00FF: reset(Pic18Reset::Instruction); return 1;   // RESET
    default: return 1;   // NOP and the unused codes of this page
    }
}

void Pic18Core::daw() {
    unsigned r = w_;
    const std::uint8_t s = status();
    if ((r & 0x0F) > 9 || (s & flag::DC)) r += 0x06;
    bool carry = s & flag::C;
    if (((r >> 4) & 0x0F) > 9 || carry || r > 0xFF) {
        r += 0x60;
        carry = true;
    }
    w_ = std::uint8_t(r);
    set_flags(flag::C, carry ? flag::C : 0);
}

unsigned Pic18Core::branch_or_long(std::uint16_t op, std::uint16_t second) {
    if ((op & 0xF000) == 0xD000) {   // BRA / RCALL
        const std::int32_t n = sign_extend(op & 0x7FF, 11);
        if (op & 0x0800) push(pc_);
        jump(std::uint32_t(std::int32_t(pc_) + 2 * n));
        return 2;
    }
    const unsigned sub = (op >> 8) & 0x0F;
    if (sub < 8) {   // BZ BNZ BC BNC BOV BNOV BN BNN
        static constexpr std::uint8_t kFlag[4] = {flag::Z, flag::C, flag::OV, flag::N};
        const bool set = status() & kFlag[sub >> 1];
        const bool taken = (sub & 1) ? !set : set;
        if (!taken) return 1;
        jump(std::uint32_t(std::int32_t(pc_) + 2 * sign_extend(op & 0xFF, 8)));
        return 2;
    }
    const std::uint32_t target = (std::uint32_t(op & 0xFF) | (std::uint32_t(second & 0x0FFF) << 8)) << 1;
    switch (sub) {
    case 0xC:
    case 0xD:   // CALL
        if (op & 0x0100) save_shadow();
        push(pc_);
        jump(target);
        return 2;
    case 0xE: {   // LFSR
        const unsigned n = (op >> 4) & 3;
        if (n < 3) fsr(int(n)) = std::uint16_t(((op & 0x0F) << 8) | (second & 0xFF));
        return 2;
    }
    case 0xF: jump(target); return 2;   // GOTO
    default: return 1;                  // the extended set is not implemented: NOP
    }
}

// ---- stack -------------------------------------------------------------------------------

void Pic18Core::push(std::uint32_t address) {
    const int sp = stkptr_ & 0x1F;
    if (sp >= kStackDepth) {
        stkptr_ |= STKFUL;
        if (mem_.config[6] & 0x01) stack_reset_ = true;   // STVREN
        return;
    }
    stack_[std::size_t(sp + 1)] = address & 0x1FFFFF;
    stkptr_ = std::uint8_t((stkptr_ & 0xC0) | (sp + 1));
}

std::uint32_t Pic18Core::pop() {
    const int sp = stkptr_ & 0x1F;
    if (sp == 0) {
        stkptr_ |= STKUNF;
        if (mem_.config[6] & 0x01) stack_reset_ = true;
        return 0;
    }
    stkptr_ = std::uint8_t((stkptr_ & 0xC0) | (sp - 1));
    return stack_[std::size_t(sp)];
}

std::uint32_t Pic18Core::top_of_stack() const { return stack_[std::size_t(stkptr_ & 0x1F)]; }

void Pic18Core::save_shadow() { shadow_ = {w_, status(), bsr_}; }

void Pic18Core::restore_shadow() {
    w_ = shadow_.w;
    reg(sfr::STATUS) = shadow_.status & kAllFlags;
    bsr_ = shadow_.bsr;
}

// ---- table reads and writes --------------------------------------------------------------

std::uint8_t Pic18Core::table_read(TableMode mode) {
    if (mode == TableMode::PreIncrement) tblptr_ = (tblptr_ + 1) & 0x3FFFFF;
    std::optional<int> from;
    if (!external_) from = protection_block(executing_at_);
    tablat_ = mem_.read(tblptr_, from);
    if (mode == TableMode::PostIncrement) tblptr_ = (tblptr_ + 1) & 0x3FFFFF;
    if (mode == TableMode::PostDecrement) tblptr_ = (tblptr_ - 1) & 0x3FFFFF;
    return tablat_;
}

void Pic18Core::table_write_byte(TableMode mode) {
    if (mode == TableMode::PreIncrement) tblptr_ = (tblptr_ + 1) & 0x3FFFFF;
    flash_.table_write(tblptr_, tablat_, cfgs());
    if (mode == TableMode::PostIncrement) tblptr_ = (tblptr_ + 1) & 0x3FFFFF;
    if (mode == TableMode::PostDecrement) tblptr_ = (tblptr_ - 1) & 0x3FFFFF;
}

void Pic18Core::table_write_word(std::uint16_t payload, TableMode mode) {
    const std::uint32_t even = tblptr_ & 0x3FFFFE;
    flash_.table_write(even, std::uint8_t(payload), cfgs());
    flash_.table_write(even + 1, std::uint8_t(payload >> 8), cfgs());
    if (mode == TableMode::PostIncrement) tblptr_ = (tblptr_ + 2) & 0x3FFFFF;
    if (mode == TableMode::PostDecrement) tblptr_ = (tblptr_ - 2) & 0x3FFFFF;
}

} // namespace korvane::sim
