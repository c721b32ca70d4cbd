// The PIC18 data memory seen by instructions: general-purpose RAM, the special function
// registers with their side effects (indirect access, PCL, stack, table pointer, ports, EEPROM
// control), reset values, the watchdog and interrupt dispatch.
#include "sim/pic18_core.h"

namespace korvane::sim {

namespace {
constexpr std::uint16_t kNowhere = 0x1000;   // indirect access to an indirect register
constexpr std::uint8_t EEPGD = 0x80, CFGS = 0x40, FREE = 0x10, WRERR = 0x08, WREN = 0x04, WR = 0x02, RD = 0x01;
constexpr std::uint8_t EEIF = 0x10;
constexpr std::uint16_t PIE1 = 0xF9D, PIR1 = 0xF9E, IPR1 = 0xF9F, PIE2 = 0xFA0, IPR2 = 0xFA2;
constexpr std::uint16_t INTCON2 = 0xFF1, INTCON3 = 0xFF0;
constexpr std::uint16_t kPR2 = 0xFCB, kTXSTA = 0xFAC;
constexpr std::uint64_t kWatchdogBasePs = 18'000'000'000ull;   // 18 ms nominal, before the postscaler

bool indirect(std::uint16_t a) {
    return (a >= sfr::PLUSW2 && a <= sfr::INDF2) || (a >= sfr::PLUSW1 && a <= sfr::INDF1) ||
           (a >= sfr::PLUSW0 && a <= sfr::INDF0);
}
} // namespace

std::uint8_t& Pic18Core::reg(std::uint16_t address) { return sfr_[address - 0xF80]; }
std::uint8_t Pic18Core::reg(std::uint16_t address) const { return sfr_[address - 0xF80]; }

bool Pic18Core::cfgs() const { return reg(sfr::EECON1) & CFGS; }

void Pic18Core::set_rcon(std::uint8_t mask, std::uint8_t value) {
    reg(sfr::RCON) = std::uint8_t((reg(sfr::RCON) & ~mask) | (value & mask));
}

void Pic18Core::set_prod(unsigned product) {
    reg(sfr::PRODL) = std::uint8_t(product);
    reg(sfr::PRODH) = std::uint8_t(product >> 8);
}

// ---- reset ---------------------------------------------------------------------------------

void Pic18Core::reset(Pic18Reset kind) {
    const bool por = kind == Pic18Reset::PowerOn;
    const std::uint8_t eecon1 = reg(sfr::EECON1);
    const std::uint8_t rcon = reg(sfr::RCON);
    const std::uint8_t status = reg(sfr::STATUS);
    sfr_.fill(0);
    if (por) {
        std::fill(ram_.begin(), ram_.end(), 0);
        lat_.fill(0);
        w_ = 0;
        fsr_.fill(0);
        stkptr_ = 0;
        stack_.fill(0);
        tmr0_ = 0;
        tmr0h_buffer_ = 0;
        reg(sfr::RCON) = 0x1C;   // RI, TO, PD set; POR and BOR read 0 until software sets them
    } else {
        reg(sfr::STATUS) = status;
        stkptr_ &= 0xC0;   // the overflow and underflow flags tell why
        std::uint8_t r = rcon;
        if (kind == Pic18Reset::Watchdog) r &= std::uint8_t(~0x08);
        if (kind == Pic18Reset::Instruction) r &= std::uint8_t(~0x10);
        reg(sfr::RCON) = r;
        reg(sfr::EECON1) = std::uint8_t(eecon1 & (EEPGD | CFGS | WRERR));
    }
    if (eeprom_write_) {
        // A reset cuts the write short.
        eeprom_write_.reset();
        reg(sfr::EECON1) |= WRERR;
    }
    pc_ = 0;
    bsr_ = 0;
    tblptr_ = 0;
    tablat_ = 0;
    pclath_ = pclatu_ = 0;
    reg(INTCON2) = 0xF5;
    reg(INTCON3) = 0xC0;
    reg(sfr::T0CON) = 0xFF;
    reg(kPR2) = 0xFF;
    reg(kTXSTA) = 0x02;   // TRMT: the transmit shift register is empty
    tmr0_prescale_ = 0;
    tmr0_written_ = false;
    tmr0_hold_ = 0;
    for (int p = 0; p < kPorts; ++p) tris_[std::size_t(p)] = port_mask(p);
    shadow_ = {};
    unlock_ = 0;
    pending_first_.reset();
    skip_next_ = false;
    sleeping_ = false;
    pcl_written_ = false;
    stack_reset_ = false;
    stall_cycles_ = 0;
    flash_.reset();
    watchdog_start_ps_ = now_ps_;
    if (on_port_change)
        for (int p = 0; p < kPorts; ++p) on_port_change(p);
}

// ---- access --------------------------------------------------------------------------------

std::uint16_t Pic18Core::resolve(std::uint16_t a) {
    a &= 0x0FFF;
    if (!indirect(a)) return a;
    const int n = a >= sfr::PLUSW0 ? 0 : a >= sfr::PLUSW1 ? 1 : 2;
    const unsigned base = n == 0 ? sfr::PLUSW0 : n == 1 ? sfr::PLUSW1 : sfr::PLUSW2;
    std::uint16_t& f = fsr(n);
    std::uint16_t target = f;
    switch (a - base) {
    case 0: target = std::uint16_t((f + std::int8_t(w_)) & 0x0FFF); break;   // PLUSW: W is signed
    case 1: f = std::uint16_t((f + 1) & 0x0FFF); target = f; break;          // PREINC
    case 2: f = std::uint16_t((f - 1) & 0x0FFF); break;                      // POSTDEC
    case 3: f = std::uint16_t((f + 1) & 0x0FFF); break;                      // POSTINC
    default: break;                                                          // INDF
    }
    return indirect(target) ? kNowhere : target;
}

bool Pic18Core::implemented(std::uint16_t a) const {
    if (a < 0xF80) return a < ram_.size();
    if (a > 0xFFF) return false;
    static constexpr std::uint16_t kMissing[][2] = {{0xF85, 0xF88}, {0xF8E, 0xF91}, {0xF97, 0xF9C}, {0xFA3, 0xFA5},
                                                    {0xFAA, 0xFAA}, {0xFB0, 0xFB0}, {0xFB4, 0xFB9}, {0xFC0, 0xFC0},
                                                    {0xFD4, 0xFD4}};
    for (const auto& r : kMissing)
        if (a >= r[0] && a <= r[1]) return false;
    if (!model_.forty_pins && (a == sfr::PORTD || a == sfr::PORTE || a == sfr::LATA + 3 || a == sfr::LATA + 4 ||
                               a == sfr::TRISA + 3 || a == sfr::TRISA + 4))
        return false;
    return true;
}

std::uint8_t Pic18Core::read_file(std::uint16_t address) { return load(resolve(address)); }
void Pic18Core::write_file(std::uint16_t address, std::uint8_t value) { put(resolve(address), value); }

std::uint8_t Pic18Core::load(std::uint16_t ea) {
    if (ea >= 0x1000) return 0;
    if (ea < 0xF80) return ea < ram_.size() ? ram_[ea] : 0;
    // In 16-bit mode a TMR0L read latches the high byte, so the two halves match.
    if (ea == sfr::TMR0L && !(reg(sfr::T0CON) & 0x40)) tmr0h_buffer_ = std::uint8_t(tmr0_ >> 8);
    if (ea == sfr::PCL) {
        // Reading PCL latches the upper bytes of the PC.
        pclath_ = std::uint8_t(pc_ >> 8);
        pclatu_ = std::uint8_t((pc_ >> 16) & 0x1F);
    }
    return read_raw(ea);
}

std::uint8_t Pic18Core::read_raw(std::uint16_t a) const {
    a &= 0x0FFF;
    if (a < 0xF80) return a < ram_.size() ? ram_[a] : 0;
    if (a >= sfr::PORTA && a <= sfr::PORTE) return read_port(a - sfr::PORTA);
    if (a >= sfr::LATA && a <= sfr::LATA + 4) return lat_[std::size_t(a - sfr::LATA)];
    if (a >= sfr::TRISA && a <= sfr::TRISA + 4) return tris_[std::size_t(a - sfr::TRISA)];
    const std::uint32_t tos = top_of_stack();
    switch (a) {
    case sfr::TOSU: return std::uint8_t((tos >> 16) & 0x1F);
    case sfr::TOSH: return std::uint8_t(tos >> 8);
    case sfr::TOSL: return std::uint8_t(tos);
    case sfr::STKPTR: return stkptr_;
    case sfr::PCLATU: return pclatu_;
    case sfr::PCLATH: return pclath_;
    case sfr::PCL: return std::uint8_t(pc_);
    case sfr::TBLPTRU: return std::uint8_t((tblptr_ >> 16) & 0x3F);
    case sfr::TBLPTRH: return std::uint8_t(tblptr_ >> 8);
    case sfr::TBLPTRL: return std::uint8_t(tblptr_);
    case sfr::TABLAT: return tablat_;
    case sfr::WREG: return w_;
    case sfr::BSR: return bsr_;
    case sfr::FSR0L: return std::uint8_t(fsr_[0]);
    case sfr::FSR0L + 1: return std::uint8_t(fsr_[0] >> 8);
    case sfr::FSR1L: return std::uint8_t(fsr_[1]);
    case sfr::FSR1L + 1: return std::uint8_t(fsr_[1] >> 8);
    case sfr::FSR2L: return std::uint8_t(fsr_[2]);
    case sfr::FSR2L + 1: return std::uint8_t(fsr_[2] >> 8);
    case sfr::STATUS: return reg(a) & 0x1F;
    case sfr::TMR0L: return std::uint8_t(tmr0_);
    case sfr::TMR0H: return tmr0h_buffer_;
    case sfr::EECON2:
    case sfr::EEADRH: return 0;
    default: return indirect(a) ? 0 : reg(a);
    }
}

void Pic18Core::put(std::uint16_t ea, std::uint8_t v) {
    if (ea >= 0x1000) return;
    if (ea < 0xF80) {
        if (ea < ram_.size()) ram_[ea] = v;
        return;
    }
    if (ea >= sfr::PORTA && ea <= sfr::PORTE) return set_latch(ea - sfr::PORTA, v);   // writes go to the latch
    if (ea >= sfr::LATA && ea <= sfr::LATA + 4) return set_latch(ea - sfr::LATA, v);
    if (ea >= sfr::TRISA && ea <= sfr::TRISA + 4) {
        const int p = ea - sfr::TRISA;
        const std::uint8_t old = tris_[std::size_t(p)];
        tris_[std::size_t(p)] = std::uint8_t(v & (p == 4 && model_.forty_pins ? 0x17 : port_mask(p)));
        if (old != tris_[std::size_t(p)] && on_port_change) on_port_change(p);
        return;
    }
    std::uint32_t& tos = stack_[std::size_t(stkptr_ & 0x1F)];
    switch (ea) {
    case sfr::TOSU: tos = (tos & 0x00FFFF) | (std::uint32_t(v & 0x1F) << 16); return;
    case sfr::TOSH: tos = (tos & 0x1F00FF) | (std::uint32_t(v) << 8); return;
    case sfr::TOSL: tos = (tos & 0x1FFF00) | v; return;
    // Software may clear the overflow flags, never set them.
    case sfr::STKPTR: stkptr_ = std::uint8_t((stkptr_ & v & 0xC0) | (v & 0x1F)); return;
    case sfr::PCLATU: pclatu_ = v & 0x1F; return;
    case sfr::PCLATH: pclath_ = v; return;
    case sfr::PCL:
        jump((std::uint32_t(pclatu_) << 16) | (std::uint32_t(pclath_) << 8) | v);
        pcl_written_ = true;
        return;
    case sfr::TBLPTRU: tblptr_ = (tblptr_ & 0x00FFFF) | (std::uint32_t(v & 0x3F) << 16); return;
    case sfr::TBLPTRH: tblptr_ = (tblptr_ & 0x3F00FF) | (std::uint32_t(v) << 8); return;
    case sfr::TBLPTRL: tblptr_ = (tblptr_ & 0x3FFF00) | v; return;
    case sfr::TABLAT: tablat_ = v; return;
    case sfr::WREG: w_ = v; return;
    case sfr::BSR: bsr_ = v & 0x0F; return;
    case sfr::FSR0L: fsr_[0] = std::uint16_t((fsr_[0] & 0xF00) | v); return;
    case sfr::FSR0L + 1: fsr_[0] = std::uint16_t((fsr_[0] & 0xFF) | ((v & 0x0F) << 8)); return;
    case sfr::FSR1L: fsr_[1] = std::uint16_t((fsr_[1] & 0xF00) | v); return;
    case sfr::FSR1L + 1: fsr_[1] = std::uint16_t((fsr_[1] & 0xFF) | ((v & 0x0F) << 8)); return;
    case sfr::FSR2L: fsr_[2] = std::uint16_t((fsr_[2] & 0xF00) | v); return;
    case sfr::FSR2L + 1: fsr_[2] = std::uint16_t((fsr_[2] & 0xFF) | ((v & 0x0F) << 8)); return;
    case sfr::STATUS: reg(ea) = v & 0x1F; return;
    case sfr::TMR0L:
    case sfr::TMR0H:
    case sfr::T0CON: write_timer0(ea, v); return;
    case sfr::EECON1: write_eecon1(v); return;
    case sfr::EECON2:
        // The unlock: 0x55 then 0xAA; anything else written here starts it over.
        unlock_ = v == 0x55 ? 1 : (v == 0xAA && unlock_ == 1) ? 2 : 0;
        return;
    case sfr::EEADRH: return;   // 256-byte parts: accepted and ignored
    case sfr::RCON: reg(ea) = std::uint8_t((reg(ea) & 0x0C) | (v & 0x93)); return;   // TO and PD are read-only
    default: reg(ea) = v; return;
    }
}

// ---- ports ---------------------------------------------------------------------------------

std::uint8_t Pic18Core::port_mask(int port) const {
    switch (port) {
    case 0: return 0x7F;
    case 1:
    case 2: return 0xFF;
    case 3: return model_.forty_pins ? 0xFF : 0x00;
    case 4: return model_.forty_pins ? 0x07 : 0x00;
    default: return 0x00;
    }
}

void Pic18Core::set_latch(int port, std::uint8_t v) {
    std::uint8_t& l = lat_[std::size_t(port)];
    const std::uint8_t old = l;
    l = std::uint8_t(v & port_mask(port));
    if (old != l && on_port_change) on_port_change(port);
}

std::uint8_t Pic18Core::read_port(int port) const {
    const std::uint8_t mask = port_mask(port);
    const std::uint8_t in_dir = std::uint8_t(tris_[std::size_t(port)] & mask);
    const std::uint8_t levels = pin_reader ? pin_reader(port) : inputs_[std::size_t(port)];
    return std::uint8_t(((levels & in_dir) | (lat_[std::size_t(port)] & ~in_dir)) & mask);
}

std::optional<bool> Pic18Core::pin_output(int port, int bit) const {
    if (port < 0 || port >= kPorts || bit < 0 || bit > 7) return std::nullopt;
    const std::uint8_t m = std::uint8_t(1u << bit);
    if (!(port_mask(port) & m) || (tris_[std::size_t(port)] & m)) return std::nullopt;
    return (lat_[std::size_t(port)] & m) != 0;
}

std::uint8_t Pic18Core::latch(int port) const { return lat_[std::size_t(port)]; }
std::uint8_t Pic18Core::tris(int port) const { return std::uint8_t(tris_[std::size_t(port)] & port_mask(port)); }

// ---- EEPROM and flash writes -----------------------------------------------------------------

void Pic18Core::write_eecon1(std::uint8_t v) {
    std::uint8_t& r = reg(sfr::EECON1);
    const bool start = (v & WR) && !(r & WR);
    // WR and RD can only be set by software; RD clears itself once the byte is in EEDATA.
    r = std::uint8_t((v & (EEPGD | CFGS | FREE | WRERR | WREN)) | (r & WR));
    if ((v & RD) && !(r & (EEPGD | CFGS))) reg(sfr::EEDATA) = mem_.read_eeprom(reg(sfr::EEADR), external_);
    if (start) start_write();
}

void Pic18Core::start_write() {
    std::uint8_t& r = reg(sfr::EECON1);
    const bool unlocked = unlock_ == 2;
    unlock_ = 0;
    if (!(r & WREN) || !unlocked) return;
    if (!(r & (EEPGD | CFGS))) {
        r |= WR;
        eeprom_write_ = EepromWrite{reg(sfr::EEADR), reg(sfr::EEDATA), now_ps_ + std::uint64_t(eeprom_write_us_) * 1'000'000};
        return;
    }
    // Flash and configuration writes stall the processor until they are done.
    if (r & CFGS) {
        if (auto latch = flash_.config_latch()) flash_.write_config(latch->first, latch->second);
    } else if (r & FREE) {
        flash_.erase_row(tblptr_);
    } else {
        flash_.program(tblptr_, external_);
    }
    stall_cycles_ += unsigned(std::uint64_t(self_write_us_) * 1'000'000 / cycle_ps_);
    reg(sfr::PIR2) |= EEIF;
}

void Pic18Core::finish_eeprom_write() {
    const EepromWrite w = *eeprom_write_;
    eeprom_write_.reset();
    const Pic18Protection p = mem_.protection();
    if (!p.data_write && !(external_ && p.data)) mem_.eeprom[w.address % mem_.eeprom.size()] = w.value;
    reg(sfr::EECON1) &= std::uint8_t(~WR);
    reg(sfr::PIR2) |= EEIF;
}

void Pic18Core::set_now_ns(std::uint64_t ns) {
    now_ps_ = ns * 1000;
    if (eeprom_write_ && now_ps_ >= eeprom_write_->done_ps) finish_eeprom_write();
}

void Pic18Core::advance(unsigned used) {
    if (!sleeping_) run_timer0(used);
    cycles_ += used;
    now_ps_ += std::uint64_t(used) * cycle_ps_;
    if (eeprom_write_ && now_ps_ >= eeprom_write_->done_ps) finish_eeprom_write();
    if (!external_ && watchdog_enabled() && now_ps_ - watchdog_start_ps_ >= watchdog_period_ps()) {
        if (sleeping_) {
            // The watchdog wakes a sleeping part instead of resetting it.
            sleeping_ = false;
            clear_watchdog();
            set_rcon(0x0C, 0x00);
        } else {
            reset(Pic18Reset::Watchdog);
        }
    }
}

// ---- Timer0 --------------------------------------------------------------------------------

void Pic18Core::write_timer0(std::uint16_t address, std::uint8_t v) {
    if (address == sfr::TMR0H) {
        tmr0h_buffer_ = v;   // reaches the timer with the next TMR0L write
        return;
    }
    if (address == sfr::T0CON) {
        reg(sfr::T0CON) = v;
        tmr0_prescale_ = 0;
        return;
    }
    tmr0_ = reg(sfr::T0CON) & 0x40 ? v : std::uint16_t((tmr0h_buffer_ << 8) | v);
    tmr0_prescale_ = 0;
    tmr0_written_ = true;
}

void Pic18Core::run_timer0(unsigned cycles) {
    const std::uint8_t t0con = reg(sfr::T0CON);
    if (tmr0_written_) {
        // The writing instruction's own cycles and the next two do not count.
        tmr0_written_ = false;
        tmr0_hold_ = 2;
        return;
    }
    if (tmr0_hold_) {
        const unsigned held = cycles < tmr0_hold_ ? cycles : tmr0_hold_;
        tmr0_hold_ -= held;
        cycles -= held;
    }
    // Counting instruction cycles only (T0CS = 0): T0CKI is not wired in this model.
    if (!cycles || !(t0con & 0x80) || (t0con & 0x20)) return;
    const std::uint32_t rate = t0con & 0x08 ? 1u : 2u << (t0con & 0x07);
    tmr0_prescale_ += cycles;
    const std::uint32_t ticks = tmr0_prescale_ / rate;
    tmr0_prescale_ %= rate;
    const std::uint32_t width = t0con & 0x40 ? 0x100 : 0x10000;
    const std::uint32_t count = (t0con & 0x40 ? (tmr0_ & 0xFF) : tmr0_) + ticks;
    if (count >= width) reg(sfr::INTCON) |= 0x04;   // TMR0IF
    tmr0_ = t0con & 0x40 ? std::uint16_t((tmr0_ & 0xFF00) | (count & 0xFF)) : std::uint16_t(count);
}

// ---- watchdog ------------------------------------------------------------------------------

bool Pic18Core::watchdog_enabled() const { return (mem_.config[3] & 0x01) || (reg(sfr::WDTCON) & 0x01); }

std::uint64_t Pic18Core::watchdog_period_ps() const {
    return kWatchdogBasePs << ((mem_.config[3] >> 1) & 0x07);
}

void Pic18Core::clear_watchdog() { watchdog_start_ps_ = now_ps_; }

// ---- interrupts ----------------------------------------------------------------------------

// Each source: flag, enable and priority bit; INT0 has no priority bit (always high).
struct Pic18Core::Source {
    std::uint16_t flag_reg, enable_reg, priority_reg;
    std::uint8_t flag_bit, enable_bit, priority_bit;
    bool peripheral;
};

int Pic18Core::pending_vector() const {
    static constexpr Source kCore[] = {
        {sfr::INTCON, sfr::INTCON, INTCON2, 2, 5, 2, false},   // TMR0
        {sfr::INTCON, sfr::INTCON, 0, 1, 4, 0, false},         // INT0
        {sfr::INTCON, sfr::INTCON, INTCON2, 0, 3, 0, false},   // RB change
        {INTCON3, INTCON3, INTCON3, 0, 3, 6, false},           // INT1
        {INTCON3, INTCON3, INTCON3, 1, 4, 7, false},           // INT2
    };
    const std::uint8_t intcon = reg(sfr::INTCON);
    const bool ipen = reg(sfr::RCON) & 0x80;
    bool high = false, low = false;
    auto consider = [&](const Source& s) {
        if (!((reg(s.flag_reg) >> s.flag_bit) & 1) || !((reg(s.enable_reg) >> s.enable_bit) & 1)) return;
        const bool is_high = !ipen || s.priority_reg == 0 || ((reg(s.priority_reg) >> s.priority_bit) & 1);
        if (!ipen && s.peripheral && !(intcon & 0x40)) return;   // PEIE
        (is_high ? high : low) = true;
    };
    for (const auto& s : kCore) consider(s);
    for (std::uint8_t b = 0; b < 8; ++b) {
        consider({PIR1, PIE1, IPR1, b, b, b, true});
        consider({sfr::PIR2, PIE2, IPR2, b, b, b, true});
    }
    if (!(intcon & 0x80)) return -1 * int(high || low);   // GIE / GIEH clear: only a wake-up
    if (high) return 0x08;
    if (low && ipen && (intcon & 0x40)) return 0x18;
    return (high || low) ? -1 : 0;
}

bool Pic18Core::interrupt_pending() const {
    // GIE (GIEH) clear is the common case: nothing to look at.
    return !external_ && (reg(sfr::INTCON) & 0x80) && pending_vector() > 0;
}

unsigned Pic18Core::take_interrupt() {
    const int vector = pending_vector();
    if (vector <= 0) return 1;
    save_shadow();
    push(pc_);
    reg(sfr::INTCON) &= std::uint8_t(vector == 0x08 ? ~0x80 : ~0x40);
    jump(std::uint32_t(vector));
    return 2;
}

} // namespace korvane::sim
