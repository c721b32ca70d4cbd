#include "gpsim/lib/pic14_programs.h"

#include <cstdio>
#include <map>
#include <random>

#include "gpsim/lib/program_rng.h"

namespace korvane::gpsim {

using sim::Pic14Part;

namespace {

constexpr std::uint8_t kINDF = 0x00, kPCL = 0x02, kSTATUS = 0x03, kFSR = 0x04, kPCLATH = 0x0A, kINTCON = 0x0B;

// The INTCON bits the programs may set: no GIE, since gpsim enters the interrupt routine a cycle
// early and leaves GIE set there (docs/gpsim.md), and no INTE or RBIE, whose flags follow the pins.
constexpr std::uint8_t kIntconMask = 0x64;
constexpr std::uint8_t kTMR0 = 0x01;

// Registers the programs only read, whatever the bank: FSR, PCLATH and PCL would let the program
// leave its page, INTCON could enable what kIntconMask keeps off, and a write to TMR0 (OPTION in
// banks 1 and 3) starts gpsim's count a cycle before the part's.
bool guarded(std::uint8_t f) { return f == kFSR || f == kPCLATH || f == kPCL || f == kINTCON || f == kTMR0; }

// ---- encodings ----
std::uint16_t byte_op(unsigned op, bool to_f, std::uint8_t f) { return std::uint16_t((op << 8) | (to_f ? 0x80 : 0) | (f & 0x7F)); }
std::uint16_t bit_op(unsigned op, unsigned bit, std::uint8_t f) {
    return std::uint16_t(0x1000 | (op << 10) | ((bit & 7) << 7) | (f & 0x7F));
}
std::uint16_t movlw(std::uint8_t k) { return std::uint16_t(0x3000 | k); }
std::uint16_t movwf(std::uint8_t f) { return byte_op(0x0, true, f); }
std::uint16_t goto_(std::uint16_t a) { return std::uint16_t(0x2800 | (a & 0x7FF)); }
std::uint16_t call(std::uint16_t a) { return std::uint16_t(0x2000 | (a & 0x7FF)); }
std::uint16_t bsf(unsigned bit, std::uint8_t f) { return bit_op(1, bit, f); }
std::uint16_t bcf(unsigned bit, std::uint8_t f) { return bit_op(0, bit, f); }
constexpr std::uint16_t kNop = 0x0000, kReturn = 0x0008, kRetfie = 0x0009, kOption = 0x0062, kSleep = 0x0063,
                        kClrwdt = 0x0064;

std::vector<std::uint8_t> range(unsigned from, unsigned to) {
    std::vector<std::uint8_t> v;
    for (unsigned a = from; a <= to; ++a) v.push_back(std::uint8_t(a));
    return v;
}
std::vector<std::uint16_t> range16(unsigned from, unsigned to) {
    std::vector<std::uint16_t> v;
    for (unsigned a = from; a <= to; ++a) v.push_back(std::uint16_t(a));
    return v;
}
template <class T> void append(std::vector<T>& to, const std::vector<T>& from) { to.insert(to.end(), from.begin(), from.end()); }

Pic14Target make_target(Pic14Part part) {
    Pic14Target t;
    t.part = part;
    switch (part) {
    case Pic14Part::F84A:
        t.name = "16F84A";
        t.gpsim_processor = "p16f84";
        t.code_words = 1024;
        t.banks = 2;
        t.eeprom_bytes = 64;
        t.gprs = range16(0x0C, 0x4F);
        // 0x07 and 0x50.. are unimplemented; 0x08/0x09 are EEDATA/EEADR, EECON1/EECON2 in bank 1.
        // INTCON is written by the INTCON idiom only: gpsim 0.31 aborts (an assertion in
        // INTCON_14_PIR) when EEIE is set on this part.
        // Offset 8 (EEDATA, EECON1 in bank 1) only in eeprom_read(): gpsim starts a write when
        // a plain write to EECON1 sets WR, without the 55h/AAh sequence the part needs.
        t.direct_offsets = {0, 1, 2, 3, 4, 7, 9, 0x0A, 0x50, 0x6A, 0x7F};
        t.intcon_mask = kIntconMask & ~0x40;
        t.gpr_offsets = range(0x0C, 0x4F);
        append(t.direct_offsets, t.gpr_offsets);
        // No port or TRIS register; FSR and PCLATH would let the program leave its page.
        for (unsigned v = 0; v < 0x100; ++v)
            if ((v & 0x7F) != 5 && (v & 0x7F) != 6 && (v & 0x7F) != 8 && !guarded(std::uint8_t(v & 0x7F)))
                t.fsr_values.push_back(std::uint8_t(v));
        break;
    case Pic14Part::F628:
    case Pic14Part::F876:
    case Pic14Part::F877:
        t.name = part == Pic14Part::F628 ? "16F628" : part == Pic14Part::F876 ? "16F876" : "16F877";
        t.gpsim_processor = part == Pic14Part::F628 ? "p16f628" : part == Pic14Part::F876 ? "p16f876" : "p16f877";
        t.code_words = part == Pic14Part::F628 ? 2048 : 8192;
        t.banks = 4;
        t.eeprom_bytes = part == Pic14Part::F628 ? 128 : 256;
        t.gprs = range16(0x20, 0x7F);
        append(t.gprs, range16(0xA0, 0xEF));
        if (part == Pic14Part::F628) {
            append(t.gprs, range16(0x120, 0x14F));
        } else {
            append(t.gprs, range16(0x110, 0x16F));
            append(t.gprs, range16(0x190, 0x1EF));
        }
        // Offsets 0x05..0x09 and 0x0C..0x1F hold ports and peripherals in bank 0.
        t.direct_offsets = {0, 1, 2, 3, 4, 0x0A, 0x0B};
        t.gpr_offsets = range(0x20, 0x7F);
        t.intcon_mask = kIntconMask;
        append(t.direct_offsets, t.gpr_offsets);
        for (unsigned v = 0; v < 0x100; ++v) {
            const unsigned o = v & 0x7F;
            if (o == 0 || o == kSTATUS || o >= 0x20) t.fsr_values.push_back(std::uint8_t(v));
        }
        break;
    }
    return t;
}

// Registers the preamble sets besides the GPRs: their power-on value is unknown.
std::vector<std::uint16_t> init_sfrs(Pic14Part part) {
    switch (part) {
    case Pic14Part::F84A: return {0x08, 0x09};                 // EEDATA, EEADR
    case Pic14Part::F628: return {0x9A, 0x9B};                 // EEDATA, EEADR
    default: return {0x10C, 0x10D, 0x10E, 0x10F};              // EEDATA, EEADR, EEDATH, EEADRH
    }
}

std::uint8_t preset_value(std::uint16_t address) { return std::uint8_t(address * 37 + 0x5A); }

using Rng = ProgramRng;

// The random page: the main loop, subroutines in two levels (the first may call the second),
// the interrupt routine. gpsim stops on a ninth push and pops 0 from an empty stack (the part's
// stack is circular), so the structure keeps the depth within 0..4: RETURN and RETLW end
// subroutines only, RETFIE the interrupt routine, no instruction writes PCL but the table jump,
// and no skip sits before a region's last word or before a sequence of several words.
class BodyWriter {
public:
    BodyWriter(const Pic14Target& t, std::uint16_t body, std::uint32_t seed) : t_(t), body_(body), rng_(seed) {}

    static constexpr std::size_t kMainEnd = 0xA0, kSubs = 0xA0, kSubWords = 0x10, kCallers = 2, kIsr = 0xF0;

    std::vector<std::uint16_t> write() {
        words_.clear();
        // The starting state: FSR, OPTION, a few registers, INTCON, STATUS (banks, IRP, flags), W.
        emit(movlw(rng_.pick(t_.fsr_values)));
        emit(movwf(kFSR));
        set_option();
        for (int i = 0; i < 3; ++i) {
            emit(movlw(rng_.byte()));
            emit(movwf(rng_.pick(t_.gpr_offsets)));
        }
        set_intcon();
        emit(movlw(rng_.byte()));
        emit(movwf(kSTATUS));
        emit(movlw(rng_.byte()));
        region_start_ = std::uint16_t(words_.size());
        region_end_ = kMainEnd - 1;
        const std::uint16_t loop = region_start_;
        while (words_.size() < kMainEnd - 1 - kLongestIdiom) main_item();
        while (words_.size() < kMainEnd - 2) one(simple(), true);
        emit(literal());   // no skip before the loop's GOTO
        emit(goto_(std::uint16_t(body_ + loop)));
        for (std::size_t sub = 0; sub < (kIsr - kSubs) / kSubWords; ++sub) subroutine(sub < kCallers);
        while (words_.size() < 0xFE) emit(isr_op());
        emit(bcf(2, kINTCON));   // T0IF: otherwise the interrupt comes straight back
        emit(kRetfie);
        enter_sequences_at_their_start();
        return words_;
    }

private:
    static constexpr std::size_t kLongestIdiom = 16;

    void emit(std::uint16_t w) { words_.push_back(w); }
    static bool is_skip(std::uint16_t w) {
        const unsigned hi = w >> 8;
        return (w & 0x3000) == 0x1000 ? ((w >> 10) & 3) >= 2 : hi == 0x0B || hi == 0x0F;
    }
    // One word; after a skip only single words may follow.
    void one(std::uint16_t w, bool) {
        emit(w);
        after_skip_ = is_skip(w);
    }

    std::uint16_t target() {
        return std::uint16_t(body_ + region_start_ + rng_.below(unsigned(region_end_ - region_start_)));
    }

    // An instruction that does not transfer control by itself (a skip may).
    std::uint16_t simple() {
        switch (rng_.below(10)) {
        case 0: case 1: case 2: case 3: case 4: return file_op();
        case 5: case 6: return bit_instruction();
        default: return literal();
        }
    }

    std::uint16_t file_op() {
        static constexpr unsigned ops[] = {0x7, 0x5, 0x1, 0x9, 0x3, 0xB, 0xA, 0xF, 0x4, 0x8, 0x0, 0xD, 0xC, 0x2, 0xE, 0x6};
        const unsigned op = ops[rng_.below(16)];
        std::uint8_t f = rng_.pick(t_.direct_offsets);
        bool to_f = rng_.chance(50);
        if (op == 0x0) {   // MOVWF, or the NOP encodings of the 0x00 group
            if (rng_.chance(10)) return std::uint16_t(rng_.below(3) * 0x20);
            to_f = true;
        }
        // CLRW: the part ignores the low seven bits, gpsim takes only 0x0103 (what assemblers
        // write) for CLRW and the rest for invalid instructions.
        if (op == 0x1 && !to_f) return 0x0103;
        // INTF and RBIF follow the pins, which differ in the two, and gpsim's T0IF is late at
        // times (docs/gpsim.md): no byte of INTCON goes into W or a register, only its
        // other bits are tested.
        if (f == kINTCON) f = rng_.pick(t_.gpr_offsets);
        if (to_f && guarded(f)) {
            if (op == 0x0 || op == 0x1) f = rng_.pick(t_.gpr_offsets);
            else to_f = false;
        }
        return byte_op(op, to_f, f);
    }

    std::uint16_t bit_instruction() {
        unsigned op = rng_.below(4);
        unsigned bit = rng_.below(8);
        const std::uint8_t f = rng_.pick(t_.direct_offsets);
        if (op < 2 && (f == kFSR || f == kPCL || f == kTMR0)) op += 2;
        if (op == 1 && f == kINTCON && !(t_.intcon_mask >> bit & 1)) op = 3;
        if (op < 2 && f == kPCLATH) bit = 5 + rng_.below(3);   // the unimplemented bits only
        // Not INTF, RBIF (they follow the pins) nor T0IF (gpsim's is late at times).
        if (op >= 2 && f == kINTCON && bit < 3) bit += 3 + rng_.below(5);
        return bit_op(op, bit, f);
    }

    std::uint16_t literal() {
        const std::uint8_t k = rng_.byte();
        switch (rng_.below(6)) {
        case 0: return std::uint16_t(0x3000 | (rng_.below(4) << 8) | k);   // MOVLW, all four encodings
        case 1: return std::uint16_t(0x3800 | k);                          // IORLW
        case 2: return std::uint16_t(0x3900 | k);                          // ANDLW
        case 3: return std::uint16_t(0x3A00 | k);                          // XORLW
        case 4: return std::uint16_t(0x3C00 | (rng_.below(2) << 8) | k);   // SUBLW
        default: return std::uint16_t(0x3E00 | (rng_.below(2) << 8) | k);  // ADDLW
        }
    }

    // The interrupt routine keeps W, the banks and IRP: it may come in the middle of a sequence.
    std::uint16_t isr_op() {
        const std::uint8_t f = rng_.pick(t_.gpr_offsets);
        if (rng_.chance(30)) return bit_op(rng_.below(2), rng_.below(8), f);
        static constexpr unsigned ops[] = {0x7, 0x5, 0x1, 0x9, 0x3, 0xA, 0x4, 0x8, 0x0, 0xD, 0xC, 0x2, 0xE, 0x6};
        return byte_op(ops[rng_.below(14)], true, f);
    }

    std::uint16_t call_target(bool deeper_only) {
        const std::size_t subs = (kIsr - kSubs) / kSubWords;
        const std::size_t first = deeper_only ? kCallers : 0;
        return std::uint16_t(body_ + kSubs + kSubWords * (first + rng_.below(unsigned(subs - first))));
    }

    void subroutine(bool may_call) {
        const std::uint16_t start = std::uint16_t(words_.size());
        region_start_ = start;
        region_end_ = std::uint16_t(start + kSubWords - 1);
        while (words_.size() < start + kSubWords - 2) {
            const unsigned r = rng_.below(100);
            if (r < 8) one(goto_(target()), false);
            else if (r < 14 && may_call) one(call(call_target(true)), false);
            else if (r < 18) one(r & 1 ? kReturn : std::uint16_t(0x3400 | (rng_.below(4) << 8) | rng_.byte()), false);
            else one(simple(), true);
        }
        emit(literal());
        emit(rng_.chance(50) ? kReturn : std::uint16_t(0x3400 | rng_.byte()));
    }

    void main_item() {
        const unsigned r = rng_.below(1000);
        if (r < 720) return one(simple(), true);
        if (r < 790) return one(goto_(target()), false);
        if (r < 850) return one(call(call_target(false)), false);
        if (r < 860) return one(kClrwdt, false);
        if (r < 870) return one(tris(), false);
        if (after_skip_) return one(simple(), true);
        after_skip_ = false;
        const std::size_t start = words_.size();
        if (r < 872) sleep();
        else if (r < 885) set_option();
        else if (r < 905) set_intcon();
        else if (r < 930) set_fsr();
        else if (r < 960) computed_goto();
        else if (r < 980) eeprom_read();
        else program_read();
        // The words after the first only run after it: they take W, PCLATH or the bank from it.
        // (The table's GOTOs after ADDWF PCL may be entered, they are GOTOs like any.)
        const std::size_t end = r >= 930 && r < 960 ? start + 5 : words_.size();
        no_entry_.resize(words_.size());
        for (std::size_t i = start + 1; i < end; ++i) no_entry_[i] = true;
    }

    // A GOTO generated before the sequence it lands in: moved to the sequence's first word.
    void enter_sequences_at_their_start() {
        no_entry_.resize(words_.size());
        for (auto& w : words_) {
            if ((w & 0x3000) != 0x2000) continue;   // GOTO and CALL
            const unsigned at = (w & 0x7FFu) - (body_ & 0x7FFu);
            if (at >= words_.size() || !no_entry_[at]) continue;
            unsigned first = at;
            while (no_entry_[first]) --first;
            w = std::uint16_t((w & 0x3800) | ((body_ + first) & 0x7FF));
        }
    }

    // TRIS of a port without interrupt-on-change or external interrupt pins: A, and C on the 87x.
    std::uint16_t tris() {
        const bool c = t_.part == Pic14Part::F876 || t_.part == Pic14Part::F877;
        return std::uint16_t(0x0060 | (c && rng_.chance(50) ? 7 : 5));
    }

    // TMR0 counts instruction cycles 1:1, the prescaler stays with the watchdog: what the
    // prescaler holds when it comes to TMR0, and whether the OPTION's own cycle counts, the data
    // sheet leaves open (gpsim starts a cycle later); and once T0CS has stopped the timer within
    // a longer step, gpsim's TMR0 shows an older count.
    void set_option() {
        emit(movlw(std::uint8_t((rng_.byte() | 0x08) & ~0x20)));
        emit(kOption);
    }

    // With T0IE and T0IF set, the part completes the SLEEP as a NOP ("If an interrupt occurs
    // before the execution of a SLEEP instruction, the SLEEP instruction will complete as a
    // NOP"); gpsim sleeps on for good. T0IE goes first.
    void sleep() {
        emit(bcf(5, kINTCON));
        emit(kSleep);
    }

    void set_intcon() {
        emit(movlw(std::uint8_t((rng_.chance(50) ? 0 : rng_.byte()) & t_.intcon_mask)));
        emit(movwf(kINTCON));
    }

    void set_fsr() {
        emit(movlw(rng_.pick(t_.fsr_values)));
        emit(movwf(kFSR));
    }

    // The table jump of the data sheets: PCLATH to this page, W = index, ADDWF PCL.
    void computed_goto() {
        emit(movlw(std::uint8_t(body_ >> 8)));
        emit(movwf(kPCLATH));
        emit(byte_op(0x8, false, rng_.pick(t_.direct_offsets)));   // MOVF f,W
        emit(std::uint16_t(0x3900 | 3));                            // ANDLW 3
        emit(byte_op(0x7, true, kPCL));                             // ADDWF PCL,F
        for (int i = 0; i < 4; ++i) emit(goto_(target()));
    }

    void eeprom_read() {
        switch (t_.part) {
        case Pic14Part::F84A:
            emit(bcf(5, kSTATUS));
            emit(movlw(std::uint8_t(rng_.below(64))));
            emit(movwf(0x09));        // EEADR
            emit(bsf(5, kSTATUS));
            emit(bsf(0, 0x08));       // EECON1.RD
            emit(bcf(5, kSTATUS));
            emit(byte_op(0x8, false, 0x08));   // MOVF EEDATA,W
            break;
        case Pic14Part::F628:
            emit(bsf(5, kSTATUS));
            emit(bcf(6, kSTATUS));
            emit(movlw(std::uint8_t(rng_.below(128))));
            emit(movwf(0x1B));        // EEADR
            emit(bsf(0, 0x1C));       // EECON1.RD
            emit(byte_op(0x8, false, 0x1A));   // MOVF EEDATA,W
            emit(bcf(5, kSTATUS));
            break;
        default:
            emit(bsf(6, kSTATUS));
            emit(bcf(5, kSTATUS));
            emit(movlw(rng_.byte()));
            emit(movwf(0x0D));        // EEADR
            emit(bsf(5, kSTATUS));
            emit(bcf(7, 0x0C));       // EECON1.EEPGD = 0: data
            emit(bsf(0, 0x0C));       // EECON1.RD
            emit(bcf(5, kSTATUS));
            emit(byte_op(0x8, false, 0x0C));   // MOVF EEDATA,W
            emit(bcf(6, kSTATUS));
            break;
        }
    }

    // The 87x read their own program memory through EEADRH:EEADR into EEDATH:EEDATA.
    void program_read() {
        if (t_.part != Pic14Part::F876 && t_.part != Pic14Part::F877) return eeprom_read();
        emit(bsf(6, kSTATUS));
        emit(bcf(5, kSTATUS));
        emit(movlw(rng_.byte()));
        emit(movwf(0x0D));            // EEADR
        emit(movlw(std::uint8_t(rng_.chance(70) ? body_ >> 8 : rng_.below(0x20))));
        emit(movwf(0x0F));            // EEADRH
        emit(bsf(5, kSTATUS));
        emit(bsf(7, 0x0C));           // EECON1.EEPGD
        emit(bsf(0, 0x0C));           // EECON1.RD
        emit(kNop);                   // the two words after RD are ignored: the data sheet's NOPs
        emit(kNop);
        emit(bcf(5, kSTATUS));
        emit(byte_op(0x8, false, 0x0E));   // MOVF EEDATH,W
        emit(byte_op(0x8, false, 0x0C));   // MOVF EEDATA,W
        emit(bcf(6, kSTATUS));
    }

    const Pic14Target& t_;
    std::uint16_t body_;
    Rng rng_;
    std::vector<std::uint16_t> words_;
    std::uint16_t region_start_ = 0, region_end_ = 0;
    bool after_skip_ = false;
    std::vector<bool> no_entry_;   // words inside a sequence
};

} // namespace

const Pic14Target& pic14_target(Pic14Part part) {
    static const std::map<Pic14Part, Pic14Target> targets = {
        {Pic14Part::F84A, make_target(Pic14Part::F84A)},
        {Pic14Part::F628, make_target(Pic14Part::F628)},
        {Pic14Part::F876, make_target(Pic14Part::F876)},
        {Pic14Part::F877, make_target(Pic14Part::F877)},
    };
    return targets.at(part);
}

const std::vector<Pic14Part>& pic14_parts() {
    static const std::vector<Pic14Part> parts = {Pic14Part::F84A, Pic14Part::F628, Pic14Part::F876, Pic14Part::F877};
    return parts;
}

std::string pic14_register_name(const Pic14Target& t, std::uint16_t address) {
    static const std::map<std::uint16_t, const char*> common = {
        {0x00, "INDF"}, {0x01, "TMR0"}, {0x02, "PCL"}, {0x03, "STATUS"}, {0x04, "FSR"}, {0x05, "PORTA"},
        {0x06, "PORTB"}, {0x0A, "PCLATH"}, {0x0B, "INTCON"}, {0x81, "OPTION_REG"}, {0x85, "TRISA"}, {0x86, "TRISB"}};
    static const std::map<std::uint16_t, const char*> f84 = {
        {0x08, "EEDATA"}, {0x09, "EEADR"}, {0x88, "EECON1"}, {0x89, "EECON2"}};
    static const std::map<std::uint16_t, const char*> f628 = {
        {0x0C, "PIR1"}, {0x0E, "TMR1L"}, {0x0F, "TMR1H"}, {0x10, "T1CON"}, {0x11, "TMR2"}, {0x12, "T2CON"},
        {0x15, "CCPR1L"}, {0x16, "CCPR1H"}, {0x17, "CCP1CON"}, {0x18, "RCSTA"}, {0x19, "TXREG"}, {0x1A, "RCREG"},
        {0x1F, "CMCON"}, {0x8C, "PIE1"}, {0x8E, "PCON"}, {0x92, "PR2"}, {0x98, "TXSTA"}, {0x99, "SPBRG"},
        {0x9A, "EEDATA"}, {0x9B, "EEADR"}, {0x9C, "EECON1"}, {0x9D, "EECON2"}, {0x9F, "VRCON"}};
    static const std::map<std::uint16_t, const char*> f87x = {
        {0x07, "PORTC"}, {0x08, "PORTD"}, {0x09, "PORTE"}, {0x0C, "PIR1"}, {0x0D, "PIR2"}, {0x0E, "TMR1L"},
        {0x0F, "TMR1H"}, {0x10, "T1CON"}, {0x11, "TMR2"}, {0x12, "T2CON"}, {0x13, "SSPBUF"}, {0x14, "SSPCON"},
        {0x15, "CCPR1L"}, {0x16, "CCPR1H"}, {0x17, "CCP1CON"}, {0x18, "RCSTA"}, {0x19, "TXREG"}, {0x1A, "RCREG"},
        {0x1B, "CCPR2L"}, {0x1C, "CCPR2H"}, {0x1D, "CCP2CON"}, {0x1E, "ADRESH"}, {0x1F, "ADCON0"}, {0x87, "TRISC"},
        {0x88, "TRISD"}, {0x89, "TRISE"}, {0x8C, "PIE1"}, {0x8D, "PIE2"}, {0x8E, "PCON"}, {0x91, "SSPCON2"},
        {0x92, "PR2"}, {0x93, "SSPADD"}, {0x94, "SSPSTAT"}, {0x98, "TXSTA"}, {0x99, "SPBRG"}, {0x9E, "ADRESL"},
        {0x9F, "ADCON1"}, {0x10C, "EEDATA"}, {0x10D, "EEADR"}, {0x10E, "EEDATH"}, {0x10F, "EEADRH"},
        {0x18C, "EECON1"}, {0x18D, "EECON2"}};
    const auto& own = t.part == Pic14Part::F84A ? f84 : t.part == Pic14Part::F628 ? f628 : f87x;
    auto find = [&](std::uint16_t a) -> const char* {
        if (auto i = own.find(a); i != own.end()) return i->second;
        if (auto i = common.find(a); i != common.end()) return i->second;
        return nullptr;
    };
    char buf[32];
    if (const char* n = find(address)) return n;
    // Every bank mirrors INDF, PCL, STATUS, FSR, PCLATH and INTCON of bank 0; banks 2 and 3
    // also TMR0/OPTION and PORTB/TRISB of banks 0 and 1.
    const std::uint16_t o = address & 0x7F;
    const bool core = o == 0 || (o >= 2 && o <= 4) || o == 0x0A || o == 0x0B;
    const char* mirrored = nullptr;
    if (address >= 0x80 && core) mirrored = find(o);
    else if (address >= 0x100 && (o == 1 || o == 6)) mirrored = find(address & 0xFF);
    if (mirrored) {
        std::snprintf(buf, sizeof buf, "%s@0x%03X", mirrored, unsigned(address));
        return buf;
    }
    std::snprintf(buf, sizeof buf, "0x%03X", unsigned(address));
    return buf;
}

std::vector<std::uint16_t> pic14_fixed_image(const Pic14Target& t, std::uint16_t* body_out) {
    std::vector<std::uint16_t> image(t.code_words);
    for (unsigned a = 0; a < t.code_words; ++a) image[a] = goto_(std::uint16_t(a));
    constexpr std::uint16_t pre = 0x010;
    std::uint16_t pc = pre;
    auto emit = [&](std::uint16_t w) { image[pc++] = w; };
    emit(kClrwdt);   // TO and PD known
    emit(std::uint16_t(0x0181));   // CLRF TMR0
    std::vector<std::uint16_t> presets = t.gprs;
    append(presets, init_sfrs(t.part));
    for (unsigned bank = 0; bank < t.banks; ++bank) {
        emit(bank & 1 ? bsf(5, kSTATUS) : bcf(5, kSTATUS));
        emit(bank & 2 ? bsf(6, kSTATUS) : bcf(6, kSTATUS));
        for (auto a : presets) {
            if ((a >> 7) != bank) continue;
            emit(movlw(preset_value(a)));
            emit(movwf(std::uint8_t(a & 0x7F)));
        }
    }
    emit(bcf(5, kSTATUS));
    emit(bcf(6, kSTATUS));
    emit(bcf(7, kSTATUS));
    const std::uint16_t body = std::uint16_t((pc + 0xFF) & ~0xFF);
    emit(movlw(std::uint8_t(body >> 8)));
    emit(movwf(kPCLATH));
    emit(goto_(body));
    image[0x000] = goto_(pre);
    image[kPic14DrainReturn] = kReturn;
    image[0x004] = goto_(std::uint16_t(body + BodyWriter::kIsr));
    if (body_out) *body_out = body;
    return image;
}

std::vector<std::uint8_t> pic14_eeprom(const Pic14Target& t) {
    std::vector<std::uint8_t> bytes(t.eeprom_bytes);
    for (unsigned a = 0; a < bytes.size(); ++a) bytes[a] = std::uint8_t(a * 29 + 0x13);
    return bytes;
}

Pic14Program pic14_program(const Pic14Target& t, std::uint32_t seed, std::uint64_t cycles) {
    Pic14Program p;
    p.seed = seed;
    p.cycles = cycles;
    p.image = pic14_fixed_image(t, &p.body);
    const auto words = BodyWriter(t, p.body, seed).write();
    for (std::size_t i = 0; i < words.size(); ++i) p.image[p.body + i] = words[i];
    return p;
}

} // namespace korvane::gpsim
