#include "gpsim/lib/pic18_programs.h"

#include <cstdio>
#include <map>
#include <stdexcept>
#include <random>

#include "gpsim/lib/program_rng.h"
#include "sim/pic18_core.h"
#include "sim/pic18_model.h"

namespace korvane::gpsim {

namespace {

// Access-bank offsets of the special registers (0xF00 | offset).
constexpr std::uint8_t kT0CON = 0xD5, kTMR0L = 0xD6, kTMR0H = 0xD7, kSTATUS = 0xD8, kFSR2L = 0xD9,
                       kBSR = 0xE0, kFSR1L = 0xE1, kWREG = 0xE8, kFSR0L = 0xE9, kINTCON = 0xF2, kPRODL = 0xF3,
                       kPRODH = 0xF4, kTABLAT = 0xF5, kTBLPTRL = 0xF6, kTBLPTRH = 0xF7, kTBLPTRU = 0xF8,
                       kPCL = 0xF9, kPCLATH = 0xFA, kPCLATU = 0xFB, kSTKPTR = 0xFC, kTOSL = 0xFD, kTOSH = 0xFE, kTOSU = 0xFF,
                       kEECON1 = 0xA6, kEEDATA = 0xA8, kEEADR = 0xA9;

// Special registers the programs may write with any value: the indirect registers (the FSRs
// stay in RAM), WREG, STATUS, the product, TABLAT, PCLATH/PCLATU (they only matter for a PCL
// write, which the computed goto sets up itself), Timer0, the EEPROM address and data, the
// latches, the directions of PORTC and PORTD (not PORTA: RA4 is Timer0's clock input, which our
// core does not wire; not PORTB: its interrupt pins).
const std::vector<std::uint8_t> kWritableSfrs = {
    0xEF, 0xEE, 0xED, 0xEC, 0xEB, 0xE7, 0xE6, 0xE5, 0xE4, 0xE3, 0xDF, 0xDE, 0xDD, 0xDC, 0xDB,
    kWREG, kPRODL, kPRODH, kTABLAT, kTBLPTRL, kPCLATH, kT0CON, kTMR0L, kTMR0H,
    kEEDATA, kEEADR, 0x89, 0x8B, 0x8C, 0x8D, 0x94, 0x95};
// STATUS is neither: gpsim keeps the unimplemented bits 5..7 a byte write sets, and computes OV
// its own way, so the programs write its bits 0..4 one at a time and test every bit but OV.
// PCLATU too: gpsim keeps the bits 5..7 the data sheet leaves unimplemented. PCL is not read:
// gpsim does not load PCLATH/PCLATU from the PC when PCL is read.
// Read only: a write would move the PC, the stack, the FSRs, the bank, the table pointer out of
// the program, or start an interrupt or an EEPROM cycle.
const std::vector<std::uint8_t> kReadOnlySfrs = {
    kPCLATU, kSTKPTR, kTOSL, kTOSH, kTOSU, 0xEA, 0xE2, 0xDA, kFSR0L, kFSR1L, kFSR2L, kBSR, kTBLPTRH, kTBLPTRU,
    kINTCON, 0xD0, kEECON1};

constexpr std::uint8_t kLATE = 0x8D;

// INDF, POSTINC, POSTDEC, PREINC and PLUSW of the three FSRs.
bool indirect(std::uint8_t f) { return (f >= 0xDB && f <= 0xDF) || (f >= 0xE3 && f <= 0xE7) || (f >= 0xEB && f <= 0xEF); }
// Registers the programs only move bytes into or out of. gpsim's arithmetic, logic, bit and
// skip instructions read an indirect register's byte as it was before the FSR last stepped,
// they read LATE's bits 7..3, which gpsim keeps as written, and their read of TMR0L does
// not latch TMR0H; MOVF, MOVFF and the plain writes are right.
bool moves_only(std::uint8_t f) { return indirect(f) || f == kLATE || f == kTMR0L; }
// The access RAM byte such an operand is replaced with.
std::uint8_t direct(std::uint8_t f) { return moves_only(f) ? std::uint8_t(f & 0x7F) : f; }

// ---- encodings ----
std::uint16_t byte_op(unsigned op6, bool to_f, bool banked, std::uint8_t f) {
    return std::uint16_t((op6 << 10) | (to_f ? 0x200 : 0) | (banked ? 0x100 : 0) | f);
}
std::uint16_t op8(unsigned hi7, bool banked, std::uint8_t f) {   // 0110 xxxa: CPFS*, TSTFSZ, SETF, CLRF, NEGF, MOVWF
    return std::uint16_t((hi7 << 8) | (banked ? 0x100 : 0) | f);
}
std::uint16_t bit_op(unsigned op4, unsigned bit, bool banked, std::uint8_t f) {
    return std::uint16_t((op4 << 12) | ((bit & 7) << 9) | (banked ? 0x100 : 0) | f);
}
std::uint16_t movlw(std::uint8_t k) { return std::uint16_t(0x0E00 | k); }
std::uint16_t movwf(std::uint8_t f) { return op8(0x6E, false, f); }
std::uint16_t movlb(unsigned k) { return std::uint16_t(0x0100 | (k & 0x0F)); }
std::uint16_t bcf(unsigned bit, std::uint8_t f) { return bit_op(0x9, bit, false, f); }
std::uint16_t bsf(unsigned bit, std::uint8_t f) { return bit_op(0x8, bit, false, f); }
std::uint16_t bra(std::uint32_t from, std::uint32_t to) {
    return std::uint16_t(0xD000 | ((std::int32_t(to) - std::int32_t(from) - 2) / 2 & 0x7FF));
}
std::uint16_t rcall(std::uint32_t from, std::uint32_t to) { return std::uint16_t(bra(from, to) | 0x0800); }
constexpr unsigned kMovf = 0x14;   // six-bit opcode
constexpr std::uint16_t kNop = 0x0000, kSleep = 0x0003, kClrwdt = 0x0004, kPush = 0x0005, kPop = 0x0006,
                        kDaw = 0x0007, kRetfie = 0x0010, kReturn = 0x0012, kReset = 0x00FF, kSelfLoop = 0xD7FF;

using Rng = ProgramRng;

// Word offsets in the body.
constexpr unsigned kMainEnd = 0x100, kSubs = 0x100, kSubWords = 0x10, kCallers = 3, kIsr = 0x1C0;
constexpr unsigned kSubCount = (kIsr - kSubs) / kSubWords;
constexpr std::uint32_t kIsrAddress = kPic18Body + 2 * kIsr;

// The random body. The structure keeps the stack depth within 0..4 (main, two levels of
// subroutines, a PUSH, the interrupt): RETURN and RETLW end subroutines only, RETFIE the
// interrupt routine, PUSH is followed by its POP, no instruction writes PCL but the computed
// goto, and no skip sits before a region's last word or before a sequence of several words.
class BodyWriter {
public:
    BodyWriter(std::uint32_t seed, std::uint32_t attempt, const Pic18Features& features)
        : rng_(seed, attempt), features_(features) {}

    std::vector<std::uint16_t> write() {
        words_.clear();
        fast_isr_ = rng_.chance(50);
        // The starting state: the FSRs, the bank, Timer0, a few registers, INTCON, STATUS, W.
        for (unsigned n = 0; n < 3; ++n) lfsr(n);
        emit(movlb(rng_.below(6)));
        emit(movlw(t0con()));
        emit(movwf(kT0CON));
        for (int i = 0; i < 3; ++i) {
            emit(movlw(rng_.byte()));
            emit(movwf(std::uint8_t(rng_.below(0x80))));
        }
        set_intcon();
        emit(movlw(std::uint8_t(rng_.byte() & 0x1F)));
        emit(movwf(kSTATUS));
        emit(movlw(rng_.byte()));
        region(unsigned(words_.size()), kMainEnd - 1);
        const unsigned loop = region_start_;
        while (words_.size() < kMainEnd - 2 - kLongestIdiom) main_item();
        while (words_.size() < kMainEnd - 2) one(simple());
        emit(literal());   // no skip before the loop's BRA
        emit(bra(here(), address(loop)));
        for (unsigned sub = 0; sub < kSubCount; ++sub) subroutine(sub < kCallers);
        region(kIsr, kPic18BodyWords - 1);
        while (words_.size() < kPic18BodyWords - 3) one(isr_op());
        emit(literal_keeping_w());
        emit(bcf(2, kINTCON));   // TMR0IF: otherwise the interrupt comes straight back
        emit(std::uint16_t(kRetfie | (fast_isr_ ? 1 : 0)));
        resolve_branches();
        return words_;
    }

private:
    static constexpr unsigned kLongestIdiom = 20;

    static std::uint32_t address(unsigned word) { return kPic18Body + 2 * word; }
    std::uint32_t here() const { return address(unsigned(words_.size())); }
    void emit(std::uint16_t w) { words_.push_back(w); }
    void region(unsigned start, unsigned end) {
        region_start_ = start;
        region_end_ = end;
    }
    static bool is_skip(std::uint16_t w) {
        const unsigned op6 = w >> 10;
        if (op6 == 0x0B || op6 == 0x0F || op6 == 0x12 || op6 == 0x13) return true;   // DECFSZ INCFSZ INFSNZ DCFSNZ
        if ((w >> 9) >= 0x30 && (w >> 9) <= 0x33) return true;                      // CPFSLT CPFSEQ CPFSGT TSTFSZ
        return (w >> 12) == 0xA || (w >> 12) == 0xB;                                  // BTFSS BTFSC
    }
    // One instruction (one or two words); after a skip only single-word instructions follow
    // (gpsim skips the first word only and runs the second as a NOP).
    void one(std::uint16_t w, std::uint16_t second = 0) {
        if (second && after_skip_) emit(literal());
        emit(w);
        if (second) emit(second);
        after_skip_ = is_skip(w);
    }

    // Branch targets are chosen once the body is written, so that none lands inside a
    // sequence (after the MOVLW of a MOVLW/MOVWF PCLATH pair, say).
    enum class Kind { Bra, Branch, Goto };
    static constexpr unsigned kConditions[] = {0, 1, 2, 3, 6, 7};   // BZ BNZ BC BNC BN BNN: not on OV
    struct Fixup {
        unsigned at;
        Kind kind;
        unsigned region_start, region_end;
    };
    void branch(Kind kind) {
        if (kind == Kind::Goto && after_skip_) one(literal());
        fixups_.push_back({unsigned(words_.size()), kind, region_start_, region_end_});
        if (kind == Kind::Goto) one(0xEF00, 0xF000);
        else one(kind == Kind::Bra ? 0xD000 : std::uint16_t(0xE000 | (kConditions[rng_.below(6)] << 8)));
    }
    // Words after the first of a sequence are no branch targets.
    void sequence_from(unsigned start) {
        inside_.resize(words_.size() + 1, false);
        for (unsigned k = start + 1; k < words_.size(); ++k) inside_[k] = true;
    }
    void resolve_branches() {
        inside_.resize(words_.size(), false);
        for (const Fixup& f : fixups_) {
            const unsigned reach = f.kind == Kind::Branch ? 120 : 1000;
            unsigned t = 0;
            for (;;) {
                t = f.region_start + rng_.below(f.region_end - f.region_start);
                if (!inside_[t] && (t > f.at ? t - f.at : f.at - t) < reach) break;
            }
            std::uint16_t& w = words_[f.at];
            if (f.kind == Kind::Bra) w = bra(address(f.at), address(t));
            if (f.kind == Kind::Branch) w = std::uint16_t((w & 0xFF00) | ((std::int32_t(t) - std::int32_t(f.at) - 1) & 0xFF));
            if (f.kind == Kind::Goto) {
                const std::uint32_t to = address(t) / 2;
                w = std::uint16_t(0xEF00 | (to & 0xFF));
                words_[f.at + 1] = std::uint16_t(0xF000 | (to >> 8));
            }
        }
    }

    // ---- operands ----
    // An access-bank operand: RAM 0x00..0x7F, or a special register (read-only ones unless
    // `writes`).
    std::uint8_t access_f(bool writes) {
        const unsigned r = rng_.below(100);
        if (r < 55) return std::uint8_t(rng_.below(0x80));
        if (r < 85 || writes) return writable_sfr(writes);
        return rng_.pick(kReadOnlySfrs);
    }
    // A writable special register; without Timer0 a write to T0CON (which could start it) goes
    // to RAM instead.
    std::uint8_t writable_sfr(bool writes) {
        const std::uint8_t f = rng_.pick(kWritableSfrs);
        return f == kT0CON && writes && !features_.timer0 ? std::uint8_t(rng_.below(0x80)) : f;
    }
    // A 12-bit operand for MOVFF.
    std::uint16_t full_f(bool writes) {
        if (rng_.chance(60)) return std::uint16_t(rng_.below(kPic18RamBytes));
        if (writes) {
            const std::uint8_t f = writable_sfr(true);
            return f < 0x80 ? f : std::uint16_t(0xF00 | f);
        }
        return std::uint16_t(0xF00 | (rng_.chance(70) ? rng_.pick(kWritableSfrs) : rng_.pick(kReadOnlySfrs)));
    }

    // ---- single instructions ----
    std::uint16_t simple() {
        const unsigned r = rng_.below(100);
        if (r < 50) return file_op();
        if (r < 70) return bit_instruction();
        if (r < 90) return literal();
        if (r < 93) return literal();
        if (r < 95 && features_.table_reads) return std::uint16_t(0x0008 | rng_.below(4));   // TBLRD*, *+, *-, +*
        if (r < 96 && features_.table_reads) return std::uint16_t(0x000C | rng_.below(4));   // TBLWT: the holding registers only
        if (r < 96) return kNop;
        if (r < 97) return rng_.chance(50) ? kNop : std::uint16_t(0xF000 | rng_.below(0x1000));
        if (r < 98) return movlb(rng_.below(6));
        return bcf(6 + rng_.below(2), kSTKPTR);   // STKUNF, STKFUL: software may clear them
    }

    std::uint16_t file_op() {
        // The d,a forms (six-bit opcodes), then the 0110 xxxa group, MULWF.
        static constexpr unsigned ops6[] = {0x01, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D,
                                            0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};
        static constexpr unsigned ops8[] = {0x60, 0x62, 0x64, 0x66, 0x68, 0x6A, 0x6C, 0x6E};
        const bool banked = rng_.chance(30);
        const unsigned r = rng_.below(30);
        if (r < 21) {
            const unsigned op = ops6[r];
            bool to_f = rng_.chance(50);
            std::uint8_t f = banked ? rng_.byte() : access_f(to_f);
            if (!banked && !(op == kMovf && !to_f)) f = direct(f);
            return byte_op(op, to_f, banked, f);
        }
        if (r < 29) {
            const unsigned op = ops8[r - 21];
            const bool writes = op >= 0x68;
            std::uint8_t f = banked ? rng_.byte() : access_f(writes);
            if (!banked && op != 0x68 && op != 0x6A && op != 0x6E) f = direct(f);   // not SETF, CLRF, MOVWF
            return op8(op, banked, f);
        }
        return std::uint16_t(0x0200 | (banked ? 0x100 : 0) | (banked ? rng_.byte() : direct(access_f(false))));   // MULWF
    }

    std::uint16_t bit_instruction() {
        const unsigned op = 0x7 + rng_.below(5);   // BTG BSF BCF BTFSS BTFSC
        const bool banked = rng_.chance(30);
        if (rng_.chance(15)) {
            static constexpr unsigned bits[] = {0, 1, 2, 4};   // C DC Z N: not OV
            return bit_op(op, op <= 0x9 ? rng_.below(5) : bits[rng_.below(4)], false, kSTATUS);
        }
        const std::uint8_t f = banked ? rng_.byte() : direct(access_f(op <= 0x9));
        return bit_op(op, rng_.below(8), banked, f);
    }

    std::uint16_t literal() {
        const std::uint8_t k = rng_.byte();
        switch (rng_.below(8)) {
        case 0: return movlw(k);
        case 1: return std::uint16_t(0x0900 | k);   // IORLW
        case 2: return std::uint16_t(0x0B00 | k);   // ANDLW
        case 3: return std::uint16_t(0x0A00 | k);   // XORLW
        case 4: return std::uint16_t(0x0800 | k);   // SUBLW
        case 5: return std::uint16_t(0x0D00 | k);   // MULLW
        default: return std::uint16_t(0x0F00 | k);  // ADDLW
        }
    }
    // A literal instruction of the interrupt routine without the fast return: W stays.
    std::uint16_t literal_keeping_w() { return fast_isr_ ? literal() : std::uint16_t(0x0D00 | rng_.byte()); }

    // The interrupt routine works on RAM in the access bank; with the fast return it may change
    // W, STATUS and BSR (the shadow brings them back), without it only RAM and STATUS, which no
    // sequence of the main loop depends on.
    std::uint16_t isr_op() {
        const std::uint8_t f = std::uint8_t(rng_.below(0x80));
        const unsigned r = rng_.below(100);
        if (r < 25) return bit_op(0x7 + rng_.below(5), rng_.below(8), false, f);
        if (r < 35) return literal_keeping_w();
        if (r < 40 && fast_isr_) return movlb(rng_.below(6));
        static constexpr unsigned ops6[] = {0x01, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0C, 0x0D,
                                            0x0E, 0x10, 0x11, 0x14, 0x15, 0x16, 0x17};
        return byte_op(ops6[rng_.below(17)], !fast_isr_ || rng_.chance(50), false, f);
    }

    // ---- control ----
    std::uint32_t call_target(bool deeper_only) {
        const unsigned first = deeper_only ? kCallers : 0;
        return address(kSubs + kSubWords * (first + rng_.below(kSubCount - first)));
    }

    void call(bool deeper_only) {
        const std::uint32_t to = call_target(deeper_only);
        if (rng_.chance(40)) return one(rcall(here(), to));
        const std::uint32_t w = to / 2;
        one(std::uint16_t(0xEC00 | (rng_.chance(40) ? 0x100 : 0) | (w & 0xFF)), std::uint16_t(0xF000 | (w >> 8)));
    }

    void jump() {
        const unsigned r = rng_.below(10);
        branch(r < 4 ? Kind::Branch : r < 7 ? Kind::Bra : Kind::Goto);
    }

    void subroutine(bool may_call) {
        const unsigned start = unsigned(words_.size());
        region(start, start + kSubWords - 1);
        while (words_.size() < start + kSubWords - 3) {
            const unsigned r = rng_.below(100);
            if (r < 8) jump();
            else if (r < 14 && may_call) call(true);
            else if (r < 18) one(subroutine_return());
            else one(simple());
        }
        while (words_.size() < start + kSubWords - 2) one(simple());
        emit(literal());
        emit(subroutine_return());
    }
    std::uint16_t subroutine_return() {
        if (rng_.chance(50)) return std::uint16_t(kReturn | (rng_.chance(40) ? 1 : 0));
        return std::uint16_t(0x0C00 | rng_.byte());   // RETLW
    }

    void main_item() {
        const unsigned r = rng_.below(1000);
        if (r < 700) return one(simple());
        if (r < 780) return jump();
        if (r < 840) return call(false);
        if (r < 850) {   // MOVFF: two words, one instruction
            const std::uint16_t from = full_f(false), to = full_f(true);
            return one(std::uint16_t(0xC000 | from), std::uint16_t(0xF000 | to));
        }
        if (r < 856) return lfsr(rng_.below(3));
        if (r < 860) return one(kClrwdt);
        if (r < 862 && !features_.sleep) return one(kClrwdt);
        if (r < 862) {
            if (after_skip_) return one(simple());
            // With an interrupt flag and its enable set the data sheet's SLEEP completes as a
            // NOP; gpsim sleeps for good. TMR0IE is the only enable the programs set.
            const unsigned start = unsigned(words_.size());
            emit(bcf(5, kINTCON));
            emit(kSleep);
            sequence_from(start);
            after_skip_ = false;
            return;
        }
        if (r < 863) return one(features_.reset ? kReset : kClrwdt);
        if (after_skip_) return one(simple());
        const unsigned start = unsigned(words_.size());
        if (r < 880) set_intcon();
        else if (r < 900) computed_goto();
        else if (r < 910) decimal_adjust();
        else if (r < 940 && features_.table_reads) table_read();
        else if (r < 960) stack_sequence();
        else eeprom_read();
        sequence_from(start);
        after_skip_ = false;
    }

    void lfsr(unsigned n) {
        // 0x100..0x4FF, so that PLUSW and a few steps of POSTDEC/POSTINC stay in RAM.
        const unsigned k = 0x100 + rng_.below(0x400);
        one(std::uint16_t(0xEE00 | (n << 4) | (k >> 8)), std::uint16_t(0xF000 | (k & 0xFF)));
    }

    // Timer0 on the instruction clock, or stopped.
    std::uint8_t t0con() { return std::uint8_t(rng_.byte() & (features_.timer0 ? 0xDF : 0x5F)); }

    void set_intcon() {
        // GIE, PEIE, TMR0IE, TMR0IF: no pin interrupt.
        emit(movlw(std::uint8_t(rng_.chance(40) ? 0 : rng_.byte() & (features_.interrupts ? 0xE4 : 0x64))));
        emit(movwf(kINTCON));
    }

    // The data sheets' table jump: PCLATU:PCLATH to the table, W = twice the index, then the
    // low byte into PCL (MOVWF, or ADDWF PCL, which loads PCLATU:PCLATH from the PC itself
    // first: gpsim does not, so only with the features' pcl_reads).
    void computed_goto() {
        const bool add = features_.pcl_reads && rng_.chance(50);
        const std::uint8_t source = rng_.chance(50) ? std::uint8_t(rng_.below(0x80)) : access_f(false);
        // The table's four words in one 256-byte page (the carry of the low byte is lost).
        const unsigned before = add ? 8 : 9;
        while (((here() + 2 * before) & 0xFF) > 0xF8) emit(kNop);
        const std::uint32_t table = here() + 2 * before;
        emit(movlw(std::uint8_t(table >> 16)));
        emit(movwf(kPCLATU));
        emit(movlw(std::uint8_t(table >> 8)));
        emit(movwf(kPCLATH));
        emit(byte_op(0x14, false, false, source));   // MOVF f,W
        emit(std::uint16_t(0x0B00 | 3));              // ANDLW 3
        emit(byte_op(0x11, false, false, kWREG));     // RLNCF WREG,W: twice
        if (add) {
            emit(byte_op(0x09, true, false, kPCL));   // ADDWF PCL,F
        } else {
            emit(std::uint16_t(0x0F00 | (table & 0xFF)));   // ADDLW low(table)
            emit(movwf(kPCL));
        }
        for (int i = 0; i < 4; ++i) branch(Kind::Bra);
    }

    // DAW with W's high nibble below 0xC: gpsim adds the low nibble's carry to a high nibble
    // of 0xF as 0x10 and then leaves it 0 where the data sheet's rule makes it 6 (0xFB gives
    // 0x01, not 0x61).
    void decimal_adjust() {
        emit(bit_op(0xB, 7, false, kWREG));   // BTFSC WREG,7
        emit(bcf(6, kWREG));
        emit(kDaw);
    }

    // TBLPTR into the program's own memory (mostly its preamble and body), a table read or
    // three, TABLAT into W or RAM.
    void table_read() {
        const std::uint32_t at = rng_.chance(70) ? rng_.below(kPic18Body + 2 * kPic18BodyWords)
                                                 : 0x100 + rng_.below(kPic18CodeBytes - 0x200);
        emit(movlw(0));
        emit(movwf(kTBLPTRU));
        emit(movlw(std::uint8_t(at >> 8)));
        emit(movwf(kTBLPTRH));
        emit(movlw(std::uint8_t(at)));
        emit(movwf(kTBLPTRL));
        for (unsigned n = 1 + rng_.below(3); n > 0; --n) emit(std::uint16_t(0x0008 | rng_.below(4)));
        if (rng_.chance(50)) emit(byte_op(0x14, false, false, kTABLAT));
        else emit(std::uint16_t(0xC000 | (0xF00 | kTABLAT))), emit(std::uint16_t(0xF000 | rng_.below(kPic18RamBytes)));
    }

    // PUSH, then TOS read or written, then POP: the pushed entry is dropped again.
    void stack_sequence() {
        emit(kPush);
        for (unsigned n = 1 + rng_.below(3); n > 0; --n) {
            const std::uint8_t tos = std::uint8_t(kTOSL + rng_.below(3));
            if (rng_.chance(50)) {
                emit(byte_op(kMovf, false, false, tos));   // MOVF TOSx,W
                continue;
            }
            // An entry outside the program memory, or odd, would return somewhere gpsim and
            // the data sheet part ways: TOSU 0, TOSH below 0x80, TOSL even.
            if (tos == kTOSU) {
                emit(op8(0x6A, false, kTOSU));   // CLRF
                continue;
            }
            emit(movwf(tos));
            emit(bcf(tos == kTOSH ? 7 : 0, tos));
        }
        emit(byte_op(0x14, false, false, kSTKPTR));
        emit(kPop);
    }

    void eeprom_read() {
        emit(movlw(rng_.byte()));
        emit(movwf(kEEADR));
        emit(bcf(7, kEECON1));   // EEPGD: data memory
        emit(bcf(6, kEECON1));   // CFGS
        emit(bsf(0, kEECON1));   // RD
        emit(byte_op(0x14, false, false, kEEDATA));
    }

    Rng rng_;
    const Pic18Features features_;
    std::vector<std::uint16_t> words_;
    std::vector<Fixup> fixups_;
    std::vector<bool> inside_;
    unsigned region_start_ = 0, region_end_ = 0;
    bool after_skip_ = false;
    bool fast_isr_ = false;
};

// Whether our core, running the program, keeps the FSRs within RAM (PLUSW included) and TBLPTR
// within program memory once the body has started.
bool stays_in_bounds(const Pic18Program& p) {
    const sim::Pic18Model& model = *sim::pic18_model(kPic18CatalogueIndex);
    sim::Pic18Memory memory(model);
    for (std::size_t k = 0; k < p.image.size(); ++k) {
        memory.program[2 * k] = std::uint8_t(p.image[k]);
        memory.program[2 * k + 1] = std::uint8_t(p.image[k] >> 8);
    }
    // As the runs see it: the EEPROM reads steer the program too.
    for (unsigned a = 0; a < memory.eeprom.size(); ++a) memory.eeprom[a] = pic18_eeprom_byte(a);
    memory.config[2] = std::uint8_t(kPic18Config2Word);
    memory.config[3] = std::uint8_t(kPic18Config2Word >> 8);
    sim::Pic18Core core(model, memory);
    bool armed = false;
    while (core.cycles() < p.cycles + 2) {
        core.step();
        armed = armed || core.pc() >= kPic18Body + 12;   // after the body's three LFSRs
        if (!armed) continue;
        for (std::uint16_t l : {sim::sfr::FSR0L, sim::sfr::FSR1L, sim::sfr::FSR2L}) {
            const unsigned fsr = core.peek(l) | (core.peek(std::uint16_t(l + 1)) << 8);
            if (fsr < 0x80 || fsr >= kPic18RamBytes - 0x80) return false;
        }
        if (core.tblptr() >= kPic18CodeBytes) return false;
    }
    return true;
}

} // namespace

std::string pic18_register_name(std::uint16_t address) {
    static const char* const kNames[128] = {
        "PORTA", "PORTB", "PORTC", "PORTD", "PORTE", nullptr, nullptr, nullptr,               // F80
        nullptr, "LATA", "LATB", "LATC", "LATD", "LATE", nullptr, nullptr,                   // F88
        nullptr, nullptr, "TRISA", "TRISB", "TRISC", "TRISD", "TRISE", nullptr,              // F90
        nullptr, nullptr, nullptr, nullptr, nullptr, "PIE1", "PIR1", "IPR1",                 // F98
        "PIE2", "PIR2", "IPR2", nullptr, nullptr, nullptr, "EECON1", "EECON2",               // FA0
        "EEDATA", "EEADR", "EEADRH", "RCSTA", "TXSTA", "TXREG", "RCREG", "SPBRG",            // FA8
        nullptr, "T3CON", "TMR3L", "TMR3H", nullptr, nullptr, nullptr, nullptr,              // FB0
        nullptr, nullptr, "CCP2CON", "CCPR2L", "CCPR2H", "CCP1CON", "CCPR1L", "CCPR1H",      // FB8
        nullptr, "ADCON1", "ADCON0", "ADRESL", "ADRESH", "SSPCON2", "SSPCON1", "SSPSTAT",    // FC0
        "SSPADD", "SSPBUF", "T2CON", "PR2", "TMR2", "T1CON", "TMR1L", "TMR1H",               // FC8
        "RCON", "WDTCON", "LVDCON", "OSCCON", nullptr, "T0CON", "TMR0L", "TMR0H",            // FD0
        "STATUS", "FSR2L", "FSR2H", "PLUSW2", "PREINC2", "POSTDEC2", "POSTINC2", "INDF2",    // FD8
        "BSR", "FSR1L", "FSR1H", "PLUSW1", "PREINC1", "POSTDEC1", "POSTINC1", "INDF1",       // FE0
        "WREG", "FSR0L", "FSR0H", "PLUSW0", "PREINC0", "POSTDEC0", "POSTINC0", "INDF0",      // FE8
        "INTCON3", "INTCON2", "INTCON", "PRODL", "PRODH", "TABLAT", "TBLPTRL", "TBLPTRH",     // FF0
        "TBLPTRU", "PCL", "PCLATH", "PCLATU", "STKPTR", "TOSL", "TOSH", "TOSU",              // FF8
    };
    char buf[24];
    if (address >= 0xF80 && address <= 0xFFF && kNames[address - 0xF80]) return kNames[address - 0xF80];
    std::snprintf(buf, sizeof buf, address >= 0xF80 ? "SFR 0x%03X" : "RAM 0x%03X", unsigned(address));
    return buf;
}

std::vector<std::uint16_t> pic18_fixed_image() {
    std::vector<std::uint16_t> image(kPic18CodeBytes / 2, kSelfLoop);
    std::uint32_t pc = 0x0020;
    auto emit = [&](std::uint16_t w) {
        image[pc / 2] = w;
        pc += 2;
    };
    auto goto_ = [&](std::uint32_t at, std::uint32_t to) {
        image[at / 2] = std::uint16_t(0xEF00 | ((to / 2) & 0xFF));
        image[at / 2 + 1] = std::uint16_t(0xF000 | (to / 2) >> 8);
    };
    goto_(0x0000, 0x0020);
    image[kPic18DrainReturn / 2] = kReturn;
    goto_(0x0008, kIsrAddress);
    goto_(0x0018, kIsrAddress);
    // Every RAM byte: FSR0 walks 0x000..0x5FF, 16 bytes a round, W steps by an odd number so
    // that the bytes differ from their neighbours; FSR1L counts the rounds.
    emit(kClrwdt);   // TO and PD known
    emit(0xEE00);    // LFSR 0, 0x000
    emit(0xF000);
    emit(0xEE10);    // LFSR 1, 0x060 (96 rounds)
    emit(0xF060);
    emit(movlw(0x5A));
    const std::uint32_t loop = pc;
    for (int i = 0; i < 16; ++i) {
        emit(movwf(0xEE));   // POSTINC0
        emit(std::uint16_t(0x0F00 | 0x3B));
    }
    emit(byte_op(0x0B, true, false, kFSR1L));   // DECFSZ FSR1L
    emit(bra(pc, loop));
    // The special registers the programs read before they may have written them.
    const std::pair<std::uint8_t, std::uint8_t> sfrs[] = {
        {kTBLPTRU, 0}, {kTBLPTRH, 0x01}, {kTBLPTRL, 0x23}, {kTABLAT, 0x45}, {kPRODL, 0x67}, {kPRODH, 0x89},
        {kEEADR, 0x12}, {kEEDATA, 0x34}, {kTMR0H, 0}, {kTMR0L, 0}, {kPCLATH, 0}, {kPCLATU, 0}, {kINTCON, 0}};
    for (const auto& [f, v] : sfrs) {
        emit(movlw(v));
        emit(movwf(f));
    }
    // The fast-return shadow registers: gpsim keeps them over a reset.
    emit(std::uint16_t(0xED00 | (kPic18DrainReturn / 2)));   // CALL drain, FAST
    emit(0xF000);
    const std::uint32_t w = kPic18Body / 2;
    emit(std::uint16_t(0xEF00 | (w & 0xFF)));
    emit(std::uint16_t(0xF000 | (w >> 8)));
    return image;
}

Pic18Program pic18_program(std::uint32_t seed, std::uint64_t cycles, const Pic18Features& features) {
    Pic18Program p;
    p.seed = seed;
    p.cycles = cycles;
    const auto fixed = pic18_fixed_image();
    for (std::uint32_t attempt = 0; attempt < 50; ++attempt) {
        p.image = fixed;
        const auto words = BodyWriter(seed, attempt, features).write();
        for (std::size_t i = 0; i < words.size(); ++i) p.image[kPic18Body / 2 + i] = words[i];
        if (stays_in_bounds(p)) return p;
    }
    throw std::runtime_error("no program drawn for seed " + std::to_string(seed) + " keeps its FSRs and TBLPTR in bounds");
}

} // namespace korvane::gpsim
