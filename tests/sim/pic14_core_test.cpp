// The 14-bit core against small programs assembled by gpasm: flags, cycle counts, the register
// file of each part, paging, the stack, the data EEPROM, TMR0 and the watchdog.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "gpasm_program.h"
#include "sim/pic14_core.h"

namespace korvane::sim::test {
namespace {

using ::testing::ElementsAre;

struct Drive {
    int port;
    std::uint8_t latch, tris;
    std::uint64_t cycle;
};

// Output pins read back what they drive, inputs what the test sets.
class RecordingPins final : public ICorePins {
public:
    std::uint8_t read_port(int port, std::uint64_t) override {
        const std::size_t p = std::size_t(port);
        return std::uint8_t((latch[p] & ~tris[p]) | (inputs[p] & tris[p]));
    }
    void drive_changed(int port, std::uint8_t l, std::uint8_t t, std::uint64_t cycle) override {
        latch[std::size_t(port)] = l;
        tris[std::size_t(port)] = t;
        drives.push_back({port, l, t, cycle});
    }
    std::uint8_t inputs[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::uint8_t latch[5] = {}, tris[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    std::vector<Drive> drives;
};

constexpr double kCardCycleHz = 3579545.0 / 4;

struct PartInfo {
    Pic14Part part;
    const char* processor;
    std::size_t words;
};
constexpr PartInfo kF84{Pic14Part::F84A, "16f84a", 1024};
constexpr PartInfo kF628{Pic14Part::F628, "16f628", 2048};
constexpr PartInfo kF877{Pic14Part::F877, "16f877", 8192};

class Pic14CoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
    }
    // Assembles and loads `source` (the reset vector is at the top); the configuration word is
    // the program's own __CONFIG, else watchdog off.
    Pic14Core& load(const PartInfo& info, const std::string& source, std::uint16_t config = 0x3FFB) {
        const AssembledProgram p = assemble(info.processor, source, info.words);
        EXPECT_TRUE(p.ok()) << p.listing_error;
        core_ = std::make_unique<Pic14Core>(info.part, pins_, kCardCycleHz);
        core_->load(p.words, p.config != 0x3FFF ? p.config : config, p.eeprom);
        pins_.drives.clear();
        return *core_;
    }
    // Cycles between the last two changes the program made on PORTB.
    std::uint64_t marked_cycles() const {
        std::vector<std::uint64_t> marks;
        for (const auto& d : pins_.drives)
            if (d.port == 1) marks.push_back(d.cycle);
        return marks.size() < 2 ? 0 : marks.back() - marks[marks.size() - 2];
    }

    RecordingPins pins_;
    std::unique_ptr<Pic14Core> core_;
};

// Each program leaves its result at `at` (W is copied to 0x20) and STATUS, as the last
// instruction left it, in 0x21; it ends in SLEEP.
TEST_F(Pic14CoreTest, ArithmeticSetsCarryDigitCarryAndZeroAsTheInstructionSetSays) {
    const int C = 1, DC = 2, Z = 4;
    struct Case {
        const char* code;
        std::uint16_t at;
        int value, flags;
    };
    const Case cases[] = {
        {"movlw 0x0F\n addlw 0x01", 0x20, 0x10, DC},
        {"movlw 0xFF\n addlw 0x01", 0x20, 0x00, C | DC | Z},
        {"movlw 3\n sublw 5", 0x20, 2, C | DC},          // no borrow
        {"movlw 5\n sublw 3", 0x20, 0xFE, 0},            // borrow
        {"movlw 0x01\n sublw 0x10", 0x20, 0x0F, C},      // digit borrow
        {"movlw 0x37\n movwf 0x30\n subwf 0x30,f", 0x30, 0x00, C | DC | Z},
        // Rotates touch only C: DC and Z stay from the ADDLW.
        {"movlw 0xFF\n addlw 1\n movlw 0x80\n movwf 0x30\n rlf 0x30,f\n rrf 0x30,f", 0x30, 0x80, C | DC | Z},
        // STATUS as destination: the flags are the ALU's (0x18 + 1 sets none), not the sum's bits.
        {"movlw 0x01\n addwf STATUS,f", 0x20, 0x01, 0},
        {"movlw 0x5A\n clrf STATUS", 0x20, 0x5A, Z},     // 000u u100
    };
    for (const Case& t : cases) {
        Pic14Core& c = load(kF628, std::string("\n org 0\n ") + t.code + "\n movwf 0x20\n movf STATUS,w\n movwf 0x21\n sleep");
        c.run(100);
        EXPECT_EQ(c.peek(t.at), t.value) << t.code;
        EXPECT_EQ(c.peek(0x21), 0x18 | t.flags) << t.code;
        EXPECT_TRUE(c.sleeping());
        EXPECT_EQ(c.status() & 0x18, 0x10) << "SLEEP: TO set, PD cleared";
    }
}

TEST_F(Pic14CoreTest, JumpsCallsSkipsAndWritesToPclTakeTwoCycles) {
    struct Case {
        const char* code;
        std::uint64_t cycles;   // between the two marks, the second mark's own cycle included
    };
    const Case cases[] = {
        {"nop", 2},
        {"goto $+1", 3},
        {"call sub\n", 5},                                         // call + return
        {"bsf STATUS,C\n btfsc STATUS,C\n nop", 4},                // not skipped
        {"bcf STATUS,C\n btfsc STATUS,C\n nop", 4},                // skipped: 2 cycles, no nop
        {"movlw 4\n movwf 0x20\nl: decfsz 0x20,f\n goto l", 1 + 1 + 3 * 3 + 2 + 1},
        {"movlw low tab\n movwf PCL\ntab: nop", 1 + 2 + 1 + 1},     // computed goto to the next line
        {"call get\n", 2 + 2 + 1},                                 // call + retlw
    };
    for (const Case& t : cases) {
        load(kF628, std::string(R"(
        org 0
        bsf STATUS,RP0
        clrf TRISB
        bcf STATUS,RP0
        clrf PORTB
        )") + t.code + R"(
        comf PORTB,f
        sleep
sub     return
get     retlw 7
        )");
        core_->run(1000);
        EXPECT_EQ(marked_cycles(), t.cycles) << t.code;
    }
}

TEST_F(Pic14CoreTest, BanksMirrorsAndUnimplementedLocationsFollowEachPart) {
    // 16F628: 0x70..0x7F are seen from every bank; 0xA0 is a register of its own.
    Pic14Core& c = load(kF628, R"(
        org 0
        movlw 0x5A
        movwf 0x70
        movlw 0x11
        movwf 0x20
        bsf STATUS,RP0
        movlw 0x22
        movwf 0x20          ; 0xA0
        movf 0x70,w         ; 0xF0 -> 0x70
        bcf STATUS,RP0
        movwf 0x21
        bsf STATUS,RP1
        movlw 0x33
        movwf 0x50          ; 0x150: not implemented on the 16F628
        movf 0x50,w
        bcf STATUS,RP1
        movwf 0x22
        sleep
    )");
    c.run(1000);
    EXPECT_EQ(c.peek(0x20), 0x11);
    EXPECT_EQ(c.peek(0xA0), 0x22);
    EXPECT_EQ(c.peek(0x21), 0x5A);
    EXPECT_EQ(c.peek(0x1F0), 0x5A);
    EXPECT_EQ(c.peek(0x22), 0x00);

    // 16F84A: 0x8C..0xCF are 0x0C..0x4F; 0x50 is not there; RP1 selects nothing.
    Pic14Core& d = load(kF84, R"(
        org 0
        movlw 0x44
        bsf STATUS,RP0
        movwf 0x0C          ; 0x8C -> 0x0C
        bcf STATUS,RP0
        movwf 0x50
        movf 0x50,w
        movwf 0x20
        bsf STATUS,RP1      ; still bank 0
        movlw 0x66
        movwf 0x21
        bcf STATUS,RP1
        sleep
    )");
    d.run(1000);
    EXPECT_EQ(d.peek(0x0C), 0x44);
    EXPECT_EQ(d.peek(0x20), 0x00);
    EXPECT_EQ(d.peek(0x21), 0x66);

    // 16F877: 0x110 is general purpose RAM, apart from the peripheral register at 0x10.
    Pic14Core& e = load(kF877, R"(
        org 0
        bsf STATUS,RP1
        movlw 0x77
        movwf 0x10          ; 0x110
        bcf STATUS,RP1
        sleep
    )");
    e.run(1000);
    EXPECT_EQ(e.peek(0x110), 0x77);
    EXPECT_EQ(e.peek(0x10), 0x00);
}

TEST_F(Pic14CoreTest, IndirectAddressingUsesIrpOnlyWhereItExists) {
    Pic14Core& c = load(kF877, R"(
        org 0
        bsf STATUS,IRP
        movlw 0x20
        movwf FSR
        movlw 0x99
        movwf INDF          ; 0x120
        bcf STATUS,IRP
        movlw 0xAB
        movwf INDF          ; 0x20
        clrf FSR
        movf INDF,w         ; INDF through INDF: 0
        movwf 0x21
        sleep
    )");
    c.run(1000);
    EXPECT_EQ(c.peek(0x120), 0x99);
    EXPECT_EQ(c.peek(0x20), 0xAB);
    EXPECT_EQ(c.peek(0x21), 0x00);

    Pic14Core& d = load(kF84, R"(
        org 0
        bsf STATUS,IRP      ; not used on the 16F84A
        movlw 0xAC
        movwf FSR           ; 0xAC -> 0x2C
        movlw 0x5C
        movwf INDF
        sleep
    )");
    d.run(1000);
    EXPECT_EQ(d.peek(0x2C), 0x5C);
}

TEST_F(Pic14CoreTest, PclathSelectsPagesForCallGotoAndComputedJumps) {
    Pic14Core& c = load(kF877, R"(
        org 0
        movlw high far
        movwf PCLATH
        call far            ; page 1
        movwf 0x20
        movlw high table
        movwf PCLATH
        movlw 2
        call table
        movwf 0x21
        sleep
        org 0x3FE
table   addwf PCL,f         ; PCL+W crosses into 0x400: PCLATH must hold 4
        retlw 0x10
        retlw 0x11
        retlw 0x12
        org 0x0900
far     retlw 0x42
    )");
    c.run(1000);
    EXPECT_EQ(c.peek(0x20), 0x42);
    // PCLATH holds 3 (high of table), so PCL+W = 0x3FF+2 lands at 0x301, not at 0x401.
    EXPECT_NE(c.peek(0x21), 0x12);
}

TEST_F(Pic14CoreTest, TheNinthCallOverwritesTheOldestReturnAddress) {
    Pic14Core& c = load(kF628, R"(
        org 0
        clrf 0x20
        call l1
        incf 0x20,f         ; reached only through a good stack
        sleep
l1      call l2
        return
l2      call l3
        return
l3      call l4
        return
l4      call l5
        return
l5      call l6
        return
l6      call l7
        return
l7      call l8
        return
l8      call l9
        return
l9      incf 0x21,f
        return
    )");
    c.run(2000);
    EXPECT_EQ(c.peek(0x20), 0) << "the first return address was lost";
    EXPECT_GE(c.peek(0x21), 2) << "the lost return sends the program round again";
}

TEST_F(Pic14CoreTest, DataEepromWritesNeedTheUnlockSequenceAndTakeTheirTime) {
    struct PartCase {
        PartInfo info;
        const char* bank;       // selects the bank of EEDATA/EEADR
        const char* con_bank;   // selects the bank of EECON1/EECON2
        const char* back;
    };
    const PartCase parts[] = {
        {kF84, "", "bsf STATUS,RP0", "bcf STATUS,RP0"},
        {kF628, "bsf STATUS,RP0", "", "bcf STATUS,RP0"},
        {kF877, "bsf STATUS,RP1", "bsf STATUS,RP0", "bcf STATUS,RP0\n bcf STATUS,RP1"},
    };
    for (const PartCase& pc : parts) {
        SCOPED_TRACE(pc.info.processor);
        Pic14Core& c = load(pc.info, std::string(R"(
        org 0
        )") + pc.bank + R"(
        movlw 5
        movwf EEADR
        movlw 0xC3
        movwf EEDATA
        )" + pc.con_bank + R"(
        bsf EECON1,WREN
        bsf EECON1,WR        ; without the sequence: no write
        movlw 0x55
        movwf EECON2
        movlw 0xAA
        movwf EECON2
        bsf EECON1,WR
wait    btfsc EECON1,WR
        goto wait
        bcf EECON1,WREN
        movlw 6
        )" + pc.back + "\n" + pc.bank + R"(
        movwf EEADR
        )" + pc.con_bank + R"(
        bsf EECON1,RD
        )" + pc.back + "\n" + pc.bank + R"(
        movf EEDATA,w
        )" + pc.back + R"(
        movwf 0x20
        sleep
        org 0x2100
        de 0, 0, 0, 0, 0, 0, 0x6E
        )");
        c.run(20000);
        EXPECT_EQ(c.data_eeprom()[5], 0xC3);
        EXPECT_TRUE(c.data_eeprom_written());
        EXPECT_EQ(c.peek(0x20), 0x6E) << "read of the byte the image put at 6";
        EXPECT_TRUE(c.sleeping());
        // 4 ms at 3.58 MHz / 4: the busy loop ran that long.
        EXPECT_GT(c.cycles(), 3500u);
    }
}

TEST_F(Pic14CoreTest, TheWatchdogResetsARunawayProgramOnlyWhenTheConfigurationEnablesIt) {
    const std::string runaway = R"(
        org 0
        btfsc STATUS,NOT_TO
        clrf 0x21           ; power-on
        btfss STATUS,NOT_TO
        incf 0x21,f         ; counts the resets the watchdog caused
        bsf STATUS,RP0
        movlw 0x08          ; PSA = 1, postscaler 1:1
        movwf OPTION_REG
        bcf STATUS,RP0
loop    goto loop
    )";
    Pic14Core& on = load(kF628, runaway, 0x3FFF);
    on.run(std::uint64_t(0.1 * kCardCycleHz));   // 100 ms: five periods of 18 ms
    EXPECT_EQ(on.watchdog_resets(), 5u);
    EXPECT_EQ(on.peek(0x21), 5);

    Pic14Core& off = load(kF628, runaway, 0x3FFB);
    off.run(std::uint64_t(0.1 * kCardCycleHz));
    EXPECT_EQ(off.watchdog_resets(), 0u);

    Pic14Core& cleared = load(kF628, R"(
        org 0
        bsf STATUS,RP0
        movlw 0x08
        movwf OPTION_REG
        bcf STATUS,RP0
loop    clrwdt
        goto loop
    )", 0x3FFF);
    cleared.run(std::uint64_t(0.1 * kCardCycleHz));
    EXPECT_EQ(cleared.watchdog_resets(), 0u);

    // Asleep, the watchdog wakes the part, which goes on after the SLEEP with TO and PD clear.
    Pic14Core& sleeper = load(kF628, R"(
        org 0
        bsf STATUS,RP0
        movlw 0x08
        movwf OPTION_REG
        bcf STATUS,RP0
        sleep
        movf STATUS,w
        movwf 0x22
        goto $
    )", 0x3FFF);
    sleeper.run(std::uint64_t(0.03 * kCardCycleHz));
    EXPECT_EQ(sleeper.peek(0x22) & 0x18, 0x00);
    EXPECT_EQ(sleeper.watchdog_resets(), 0u);
}

TEST_F(Pic14CoreTest, Timer0CountsCyclesAndInterruptsThroughTheVector) {
    Pic14Core& c = load(kF84, R"(
        org 0
        goto main
        org 4
        incf 0x20,f
        bcf INTCON,T0IF
        retfie
main    clrf 0x20
        bsf STATUS,RP0
        movlw 0x08          ; T0CS = 0, prescaler to the watchdog: TMR0 counts every cycle
        movwf OPTION_REG
        bcf STATUS,RP0
        clrf TMR0
        movlw 0xA0          ; GIE, T0IE
        movwf INTCON
loop    goto loop
    )");
    c.run(256 * 10 + 20);
    EXPECT_EQ(c.peek(0x20), 10);

    // Stopped one instruction at a time, T0IF shows with the overflow, also when it came inside
    // the two cycles of a GOTO (either parity of the loop).
    for (const char* pad : {"", "nop"}) {
        Pic14Core& t = load(kF84, std::string(R"(
        org 0
        bsf STATUS,RP0
        movlw 0x08
        movwf OPTION_REG
        bcf STATUS,RP0
        clrf TMR0
        )") + pad + "\nloop goto loop\n");
        std::uint8_t last = 0;
        while (t.cycles() < 600) {
            t.run(t.cycles() + 1);
            const std::uint8_t now = t.peek(0x01);
            if (now < last && last >= 0x80) {   // the overflow, not the CLRF
                EXPECT_EQ(t.peek(0x0B) & 0x04, 0x04) << "pad '" << pad << "', cycle " << t.cycles();
                break;
            }
            EXPECT_EQ(t.peek(0x0B) & 0x04, 0x00) << "cycle " << t.cycles();
            last = now;
        }
    }

    // A SLEEP with T0IE and T0IF set: the program goes on at once; the 16F877 completes it as
    // a NOP (PD stays set), the 16F84A executes it (PD clear).
    for (const PartInfo* info : {&kF877, &kF84}) {
        Pic14Core& s = load(*info, R"(
        org 0
        bsf STATUS,RP0
        movlw 0x08
        movwf OPTION_REG
        bcf STATUS,RP0
        clrwdt
        clrf TMR0
        movlw 0x20          ; T0IE, no GIE
        movwf INTCON
wait    btfss INTCON,T0IF
        goto wait
        sleep
        movf STATUS,w
        movwf 0x22
        goto $
        )");
        s.run(400);
        EXPECT_FALSE(s.sleeping()) << info->processor;
        EXPECT_EQ(s.peek(0x22) & 0x18, info == &kF877 ? 0x18 : 0x10) << info->processor;
    }
}

TEST_F(Pic14CoreTest, PortsDriveThroughTrisAndBitOperationsReadThePins) {
    Pic14Core& c = load(kF628, R"(
        org 0
        bcf PORTB,7         ; latch low, pin still released
        bsf STATUS,RP0
        bcf TRISB,7         ; drives low
        bsf TRISB,7         ; released
        bcf STATUS,RP0
        bsf PORTB,5         ; read-modify-write: bit 7 reads the pin (high) back into the latch
        sleep
    )");
    pins_.inputs[1] = 0xFF;
    c.run(100);
    ASSERT_GE(pins_.drives.size(), 2u);
    EXPECT_EQ(pins_.drives[0].tris & 0x80, 0);
    EXPECT_EQ(pins_.drives[0].latch & 0x80, 0);
    EXPECT_EQ(pins_.drives[1].tris & 0x80, 0x80);
    EXPECT_EQ(c.latch(1) & 0xA0, 0xA0);
}

TEST_F(Pic14CoreTest, ResetsGiveThePowerOnAndMclrValues) {
    Pic14Core& c = load(kF877, R"(
        org 0
        bsf STATUS,RP0
        clrf TRISB
        clrf OPTION_REG
        bcf STATUS,RP0
        movlw 0x1F
        movwf PCLATH
        sleep
    )");
    EXPECT_EQ(c.status(), 0x18);
    EXPECT_EQ(c.peek(0x86), 0xFF);
    EXPECT_EQ(c.peek(0x81), 0xFF);
    EXPECT_EQ(c.peek(0x85), 0x3F);
    c.run(100);
    EXPECT_EQ(c.peek(0x0A), 0x1F);
    c.reset(CoreReset::Mclr);
    EXPECT_EQ(c.pc(), 0);
    EXPECT_EQ(c.peek(0x0A), 0x00);
    EXPECT_EQ(c.peek(0x86), 0xFF) << "TRISB back to inputs";
    EXPECT_EQ(c.peek(0x81), 0xFF);
    EXPECT_EQ(c.status() & 0x18, 0x10) << "MCLR during SLEEP: TO 1, PD 0";
    const auto last_b = std::find_if(pins_.drives.rbegin(), pins_.drives.rend(), [](const Drive& d) { return d.port == 1; });
    ASSERT_NE(last_b, pins_.drives.rend());
    EXPECT_EQ(last_b->tris, 0xFF) << "the reset released the pins";
}

} // namespace
} // namespace korvane::sim::test
