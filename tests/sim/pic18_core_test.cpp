// The PIC18 processor running programs that gpasm assembled: arithmetic and its flags, cycle
// counts, calls and the stack, indirect addressing, table reads, EEPROM and flash writes from
// code, ports, watchdog and interrupts.
#include "pic18_program.h"

namespace korvane::sim::test {

// Each program leaves its result at `at` (W is copied to 0x20) and STATUS, as the last
// instruction left it, in 0x21 (-1: not checked).
TEST_F(Pic18Program, ArithmeticSetsTheStatusFlags) {
    const int C = 0x01, DC = 0x02, Z = 0x04, OV = 0x08, N = 0x10;
    const std::string nov = "movlw 0x7F\n addlw 0x01\n ";   // leaves N OV DC
    struct Case {
        std::string code;
        std::uint16_t at;
        int value, flags;
    };
    const Case cases[] = {
        {"movlw 0x7F\n addlw 0x01", 0x20, 0x80, N | OV | DC},
        {"movlw 0xFF\n addlw 0x01", 0x20, 0x00, Z | DC | C},
        {"movlw 0x05\n sublw 0x03", 0x20, 0xFE, N},   // 3 - 5 borrows
        {"movlw 0x80\n movwf 0x30\n movlw 0x01\n subwf 0x30, F", 0x30, 0x7F, C | OV},
        {"movlw 0x80\n movwf 0x30\n negf 0x30", 0x30, 0x80, N | OV | DC},
        {"setf 0x30\n incf 0x30, F", 0x30, 0x00, Z | DC | C},
        {"clrf 0x30\n decf 0x30, F", 0x30, 0xFF, N},
        {"bsf STATUS, C\n movlw 0x0F\n clrf 0x30\n addwfc 0x30, F", 0x30, 0x10, DC},   // 0x0F + 0 + 1
        {"movlw 0x10\n movwf 0x30\n movlw 0x01\n bcf STATUS, C\n subwfb 0x30, F", 0x30, 0x0E, C},   // 0x10 - 1 - 1
        {"movlw 0x10\n movwf 0x30\n bcf STATUS, C\n subfwb 0x30, F", 0x30, 0xFF, N},   // W - f - 1
        {"movlw 0x45\n addlw 0x55\n daw", 0x20, 0x00, N | OV | C},   // BCD 100; DAW sets only C
        {"movlw 0x38\n addlw 0x49\n daw", 0x20, 0x87, -1},   // 0x81 with DC
        {"movlw 0xF0\n mullw 0x11\n movff PRODH, 0x30", 0x30, 0x0F, -1},
        {"movlw 0xF0\n mullw 0x11\n movff PRODL, 0x30", 0x30, 0xF0, -1},
        // Rotates through carry touch C, N and Z: OV and DC stay.
        {nov + "movlw 0x80\n movwf 0x30\n bsf STATUS, C\n rlcf 0x30, F", 0x30, 0x01, OV | DC | C},
        {nov + "bsf STATUS, C\n movlw 0x01\n movwf 0x30\n rrncf 0x30, W", 0x20, 0x80, N | OV | DC | C},
        {nov + "movlw 0x0F\n andlw 0xF0", 0x20, 0x00, Z | OV | DC},
    };
    for (const Case& t : cases) {
        build(t.code + "\n movwf 0x20\n movff STATUS, 0x21\n sleep");
        run();
        EXPECT_EQ(ram(t.at), t.value) << t.code;
        if (t.flags >= 0) {
            EXPECT_EQ(ram(0x21), t.flags) << t.code;
        }
    }
}

TEST_F(Pic18Program, LogicSkipsBranchesAndReset) {
    build(R"(
	movlw	0x5C
	movwf	0x40
	movlw	0x0F
	andwf	0x40, W		; 0x0C
	movwf	0x41
	iorwf	0x40, W		; 0x5C
	movwf	0x42
	xorlw	0xFF		; 0xA3
	movwf	0x43
	xorwf	0x40, F		; 0xFF
	comf	0x40, W		; 0x00: Z
	movff	STATUS, 0x44
	iorlw	0x30
	swapf	WREG, W		; 0x03
	movwf	0x45
	movlw	0x81
	movwf	0x46
	bcf	STATUS, C
	rrcf	0x46, F		; 0x40, C
	rlncf	0x46, F		; 0x80
	movlw	3
	mulwf	0x45		; 9
	movff	PRODL, 0x48
	btg	0x48, 7		; 0x89
	clrf	0x49
	movwf	0x4A		; f = W = 3
	cpfseq	0x4A		; skips
	bsf	0x49, 0
	cpfsgt	0x4A
	bsf	0x49, 1
	cpfslt	0x4A
	bsf	0x49, 2
	tstfsz	0x4A
	bsf	0x49, 3
	setf	0x4B
	incfsz	0x4B, F		; 0: skips
	bsf	0x49, 4
	infsnz	0x4B, F		; 1: skips
	bsf	0x49, 5
	dcfsnz	0x4B, F		; 0: no skip
	bsf	0x49, 6
	movlw	0x7F
	addlw	1		; N OV, C clear
	clrf	0x4C
	bnn	b1
	bsf	0x4C, 0
b1	bnov	b2
	bsf	0x4C, 1
b2	bc	b3
	bsf	0x4C, 2
b3	bn	b4
	bsf	0x4C, 3
b4	bov	b5
	bsf	0x4C, 4
b5	bnc	b6
	bsf	0x4C, 5
b6	movf	0x50, W		; RAM outlives the RESET instruction
	bnz	done
	incf	0x50, F
	reset
done	movff	RCON, 0x51
	sleep
)");
    run();
    const std::pair<std::uint16_t, std::uint8_t> expect[] = {
        {0x41, 0x0C}, {0x42, 0x5C}, {0x43, 0xA3}, {0x40, 0xFF}, {0x44, 0x04}, {0x45, 0x03},
        {0x46, 0x80}, {0x48, 0x89}, {0x49, 0x4E}, {0x4C, 0x07}, {0x50, 0x01},
    };
    for (auto [a, v] : expect) EXPECT_EQ(ram(a), v) << "at 0x" << std::hex << a;
    EXPECT_EQ(ram(0x51) & 0x10, 0x00);   // RI: the RESET instruction
}

TEST_F(Pic18Program, CyclesPerInstruction) {
    build(R"(
	nop			; 1
	bra	l1		; 2
l1	btfss	STATUS, Z	; 1: no skip
	goto	l2		; 2
l2	bsf	STATUS, Z	; 1
	btfss	STATUS, Z	; 3: skips a two-word instruction
	goto	0
	btfss	STATUS, Z	; 2: skips one word
	nop
	tblrd*+			; 2
	movff	0x10, 0x11	; 2
	bz	l3		; 2: taken
l3	bnz	l3		; 1: not taken
	movlw	low(l4)
	movwf	PCL		; 2: a jump
l4	decfsz	WREG, W		; 1
	lfsr	0, 0x100	; 2
	sleep
)");
    std::vector<unsigned> seen;
    while (!core_->sleeping()) seen.push_back(core_->step());
    EXPECT_EQ(seen, (std::vector<unsigned>{1, 2, 1, 2, 1, 3, 2, 2, 2, 2, 1, 1, 2, 1, 2, 1}));
    EXPECT_EQ(core_->cycles(), 26u);
}

TEST_F(Pic18Program, CallsReturnsComputedJumpsAndTheFastStack) {
    build(R"(
	movlw	2
	call	table
	movwf	0x20
	rcall	sub
	movwf	0x21
	movlw	0x33
	movlb	0x3
	call	fastsub, FAST
	movwf	0x22
	movff	BSR, 0x23
	movff	STKPTR, 0x24
pushed	push
	movff	STKPTR, 0x25
	movff	TOSL, 0x26
	movlw	low(pushed + 2)
	movwf	0x27
	pop
	movff	STKPTR, 0x28
	sleep
table	rlncf	WREG, W
	addwf	PCL, F
	retlw	0xA0
	retlw	0xA1
	retlw	0xA2
sub	retlw	0x5A
fastsub	movlw	0x99
	movlb	0x5
	return	FAST
)");
    run();
    EXPECT_EQ(ram(0x20), 0xA2);
    EXPECT_EQ(ram(0x21), 0x5A);
    EXPECT_EQ(ram(0x22), 0x33);   // W and BSR back from the shadow registers
    EXPECT_EQ(ram(0x23), 0x03);
    EXPECT_EQ(ram(0x24), 0x00);
    EXPECT_EQ(ram(0x25), 0x01);
    EXPECT_EQ(ram(0x26), ram(0x27));
    EXPECT_EQ(ram(0x28), 0x00);
}

TEST_F(Pic18Program, StackOverflowResetsWithStvren) {
    build(R"(
	btfsc	STKPTR, STKFUL
	bra	overflowed
deep	rcall	deep
overflowed
	movff	STKPTR, 0x20
	sleep
)");
    run();
    EXPECT_EQ(ram(0x20), 0x80);   // STKFUL kept through the reset, stack empty
}

TEST_F(Pic18Program, StackWithoutStvrenSaturatesAndUnderflows) {
    build(R"(
	movlw	32
	movwf	0x30
pushes	push
	decfsz	0x30, F
	bra	pushes
	movff	STKPTR, 0x20
	movlw	32
	movwf	0x30
drain	pop
	decfsz	0x30, F
	bra	drain
	movff	STKPTR, 0x21
	sleep
)",
             "CONFIG WDT = OFF, STVR = OFF");
    run();
    EXPECT_EQ(ram(0x20), 0x9F);   // 31 entries, the 32nd push refused
    EXPECT_EQ(ram(0x21), 0xC0);
}

TEST_F(Pic18Program, IndirectAddressingThroughTheFsrs) {
    build(R"(
	movlb	1
	movlw	0x77
	movwf	0x05, BANKED	; 0x105
	lfsr	0, 0x100
	movlw	5
	movwf	0x20
	movlw	0x10
copy	movwf	POSTINC0
	incf	WREG, W
	decfsz	0x20, F
	bra	copy
	movff	FSR0L, 0x21	; 0x05
	movlw	-2
	movff	PLUSW0, 0x22	; [0x103]
	movff	PREINC0, 0x23	; [0x106], FSR0 0x106
	movff	POSTDEC0, 0x24	; [0x106], FSR0 0x105
	movff	INDF0, 0x25	; [0x105]
	lfsr	1, 0x103
	movff	POSTDEC1, 0x26	; [0x103]
	movff	INDF1, 0x27	; [0x102]
	movf	0x04, W, BANKED	; [0x104]
	movwf	0x28
	lfsr	2, INDF0
	movff	INDF2, 0x29	; an indirect register through an FSR reads 0
	incf	POSTINC1, F	; one increment of FSR1 for a read and a write
	movff	FSR1L, 0x2A
	sleep
)");
    run();
    for (std::uint16_t a : {0, 1, 3, 4}) EXPECT_EQ(ram(0x100 + a), 0x10 + a);
    EXPECT_EQ(ram(0x21), 0x05);
    EXPECT_EQ(ram(0x22), 0x13);
    EXPECT_EQ(ram(0x23), 0x00);
    EXPECT_EQ(ram(0x24), 0x00);
    EXPECT_EQ(ram(0x25), 0x77);
    EXPECT_EQ(ram(0x26), 0x13);
    EXPECT_EQ(ram(0x27), 0x12);
    EXPECT_EQ(ram(0x28), 0x14);
    EXPECT_EQ(ram(0x29), 0x00);
    EXPECT_EQ(ram(0x102), 0x13);
    EXPECT_EQ(ram(0x2A), 0x03);
}

TEST_F(Pic18Program, TableReadsFromProgramConfigurationAndIdSpace) {
    build(R"(
	movlw	upper(bytes)
	movwf	TBLPTRU
	movlw	high(bytes)
	movwf	TBLPTRH
	movlw	low(bytes)
	movwf	TBLPTRL
	tblrd*+
	movff	TABLAT, 0x20
	tblrd*+
	movff	TABLAT, 0x21
	tblrd+*
	movff	TABLAT, 0x22
	tblrd*-
	movff	TABLAT, 0x23
	tblrd*
	movff	TABLAT, 0x24
	movlw	0x30
	movwf	TBLPTRU
	clrf	TBLPTRH
	movlw	0x06
	movwf	TBLPTRL
	tblrd*
	movff	TABLAT, 0x25
	movlw	0x3F
	movwf	TBLPTRU
	setf	TBLPTRH
	setf	TBLPTRL
	tblrd*
	movff	TABLAT, 0x26
	movlw	0x20
	movwf	TBLPTRU
	clrf	TBLPTRH
	clrf	TBLPTRL
	tblrd*
	movff	TABLAT, 0x27
	sleep
	ORG	0x400
bytes	db	0x11, 0x22, 0x33, 0x44
)");
    mem_->ids[0] = 0x5A;
    run();
    EXPECT_EQ(ram(0x20), 0x11);
    EXPECT_EQ(ram(0x21), 0x22);
    EXPECT_EQ(ram(0x22), 0x44);
    EXPECT_EQ(ram(0x23), 0x44);
    EXPECT_EQ(ram(0x24), 0x33);
    EXPECT_EQ(ram(0x25), 0x85);   // CONFIG4L
    EXPECT_EQ(ram(0x26), 0x04);   // DEVID2 of the 18F452
    EXPECT_EQ(ram(0x27), 0x5A);
    // Code protection keeps out the programmer, not the part's own code; table-read protection
    // keeps out code in other blocks (this code runs in the boot block).
    mem_->config[8] &= 0xFE;   // CP0
    core_->reset();
    run();
    EXPECT_EQ(ram(0x20), 0x11);
    mem_->config[12] &= 0xFE;   // EBTR0
    core_->reset();
    run();
    EXPECT_EQ(ram(0x20), 0x00);
}

TEST_F(Pic18Program, DataEepromWriteFromCode) {
    build(R"(
	movlw	0x42
	movwf	EEADR
	movlw	0x99
	movwf	EEDATA
	bcf	EECON1, EEPGD
	bcf	EECON1, CFGS
	bsf	EECON1, WREN
	bsf	EECON1, WR	; without the unlock: ignored
	movff	EECON1, 0x22
	movlw	0x55
	movwf	EECON2
	movlw	0xAA
	movwf	EECON2
	bsf	EECON1, WR
wait	btfsc	EECON1, WR
	bra	wait
	bcf	EECON1, WREN
	clrf	EEDATA
	bsf	EECON1, RD
	movff	EEDATA, 0x20
	movff	PIR2, 0x21
	sleep
)");
    const std::uint64_t cycles = run();
    EXPECT_EQ(mem_->eeprom[0x42], 0x99);
    EXPECT_EQ(ram(0x20), 0x99);
    EXPECT_EQ(ram(0x21) & 0x10, 0x10);   // EEIF
    EXPECT_EQ(ram(0x22), 0x04);          // only WREN
    // 4 ms at 4 MHz: 4000 instruction cycles of polling.
    EXPECT_GE(cycles, 4000u);
    EXPECT_LT(cycles, 4100u);
}

TEST_F(Pic18Program, FlashRowEraseAndWriteFromCode) {
    build(R"(
	clrf	TBLPTRU
	movlw	0x10
	movwf	TBLPTRH
	clrf	TBLPTRL
	bsf	EECON1, EEPGD
	bcf	EECON1, CFGS
	bsf	EECON1, WREN
	bsf	EECON1, FREE
	rcall	unlock
	bcf	EECON1, FREE
	movlw	0xA0
	movwf	TABLAT
	movlw	7
	movwf	0x20
load	tblwt*+
	incf	TABLAT, F
	decfsz	0x20, F
	bra	load
	tblwt*
	rcall	unlock
	sleep
unlock	movlw	0x55
	movwf	EECON2
	movlw	0xAA
	movwf	EECON2
	bsf	EECON1, WR
	return
	ORG	0x1000
	fill	0x0000, 32
)");
    const std::uint64_t cycles = run();
    for (std::uint32_t i = 0; i < 8; ++i) EXPECT_EQ(mem_->program[0x1000 + i], 0xA0 + i);
    EXPECT_EQ(mem_->program[0x1008], 0xFF);   // erased with the row
    EXPECT_EQ(mem_->program[0x103F], 0xFF);
    EXPECT_EQ(mem_->program[0x1040], 0xFF);
    EXPECT_GE(cycles, 4000u);   // the processor stalls 2 ms for each
}

TEST_F(Pic18Program, PortsLatchesAndPins) {
    build(R"(
	clrf	LATB
	movlw	0x7F
	movwf	TRISB		; RB7 an output
	bsf	LATB, 7
	movff	PORTB, 0x20	; RB7 from the latch, the rest from the pins
	movlw	0x01
	movwf	PORTC		; writes go to the latch
	clrf	TRISC
	movff	LATC, 0x21
	sleep
)");
    core_->set_inputs(1, 0x0F);
    std::vector<int> changes;
    core_->on_port_change = [&](int port) { changes.push_back(port); };
    run();
    EXPECT_EQ(ram(0x20), 0x8F);
    EXPECT_EQ(ram(0x21), 0x01);
    EXPECT_EQ(core_->pin_output(1, 7), true);
    EXPECT_EQ(core_->pin_output(1, 6), std::nullopt);
    EXPECT_EQ(core_->pin_output(2, 0), true);
    EXPECT_EQ(core_->pin_output(2, 1), false);
    EXPECT_EQ(changes, (std::vector<int>{1, 1, 2, 2}));
    // An open-drain line: the reader answers with the wired level.
    core_->pin_reader = [](int port) { return std::uint8_t(port == 1 ? 0x00 : 0xFF); };
    EXPECT_EQ(core_->read_file(sfr::PORTB), 0x80);
}

TEST_F(Pic18Program, WatchdogResetsAndWakes) {
    build(R"(
	incf	0x30, F		; boots
	btfss	RCON, NOT_TO
	bra	timedout
spin	bra	spin
timedout
	movff	RCON, 0x20
	sleep
)",
             "CONFIG WDT = ON, WDTPS = 1");
    const std::uint64_t cycles = run();
    EXPECT_EQ(ram(0x30), 2);
    EXPECT_EQ(ram(0x20) & 0x08, 0x00);   // TO: the watchdog timed out
    EXPECT_GE(cycles, 18000u);           // 18 ms at 4 MHz
    EXPECT_LT(cycles, 18100u);
    // Asleep, the watchdog wakes the part instead of resetting it.
    std::uint64_t asleep = 0;
    while (core_->sleeping() && asleep < 100000) asleep += core_->step();
    EXPECT_FALSE(core_->sleeping());
    EXPECT_NEAR(double(asleep), 18000.0, 10.0);
    EXPECT_EQ(ram(0x30), 2);
    EXPECT_EQ(core_->peek(sfr::RCON) & 0x0C, 0x00);   // TO and PD clear
}

// CLRWDT sets TO and PD, SLEEP sets TO and clears PD; PR2 and TXSTA (TRMT) come up as the
// reset table says.
TEST_F(Pic18Program, ClrwdtAndSleepSetTheResetFlags) {
    build(R"(
	movff	PR2, 0x22
	movff	TXSTA, 0x23
	bcf	RCON, NOT_POR	; writable bits move, TO and PD do not
	clrwdt
	movff	RCON, 0x20
	sleep
)");
    run();
    EXPECT_EQ(ram(0x20) & 0x0C, 0x0C);
    EXPECT_EQ(core_->peek(sfr::RCON) & 0x0C, 0x08);
    EXPECT_EQ(ram(0x22), 0xFF);
    EXPECT_EQ(ram(0x23), 0x02);
}

TEST_F(Pic18Program, ClrwdtKeepsTheWatchdogAway) {
    build(R"(
	incf	0x30, F
	movlw	100
	movwf	0x31
outer	clrf	0x32
inner	clrwdt
	decfsz	0x32, F
	bra	inner
	decfsz	0x31, F
	bra	outer
	sleep
)",
             "CONFIG WDT = ON, WDTPS = 1");
    EXPECT_GT(run(), 100000u);
    EXPECT_EQ(ram(0x30), 1);
}

TEST_F(Pic18Program, Timer0CountsInstructionCycles) {
    build(R"(
	movlw	0x88		; on, 16 bits, instruction clock, no prescaler
	movwf	T0CON
	movlw	0xFF
	movwf	TMR0H		; buffered until TMR0L is written
	movlw	0xF0
	movwf	TMR0L
	bcf	INTCON, TMR0IF
wait	btfss	INTCON, TMR0IF
	bra	wait
	movff	TMR0L, 0x20
	movff	TMR0H, 0x21
	movlw	0xC1		; on, 8 bits, prescaler 1:4
	movwf	T0CON
	clrf	TMR0L
	bcf	INTCON, TMR0IF
wait8	btfss	INTCON, TMR0IF
	bra	wait8
	sleep
)");
    // 16 counts after the two cycles a write holds the timer, then 256 × 4.
    const std::uint64_t cycles = run();
    EXPECT_LT(ram(0x20), 0x10);
    EXPECT_EQ(ram(0x21), 0x00);
    EXPECT_GE(cycles, 7u + 18 + 4 + 4 + 1026);
    EXPECT_LE(cycles, 7u + 18 + 4 + 4 + 1026 + 8);
}

// The TMR0L read that latches the high byte belongs to the 16-bit mode; in 8-bit mode TMR0H
// keeps what was written.
TEST_F(Pic18Program, Timer0HighByteLatchesOnlyInSixteenBitMode) {
    build(R"(
	movlw	0x40		; stopped, 8 bits
	movwf	T0CON
	movlw	0x43
	movwf	TMR0H
	movf	TMR0L, W
	movff	TMR0H, 0x20
	clrf	T0CON		; stopped, 16 bits
	movf	TMR0L, W
	movff	TMR0H, 0x21
	sleep
)");
    run();
    EXPECT_EQ(ram(0x20), 0x43);
    EXPECT_EQ(ram(0x21), 0x00);
}

TEST_F(Pic18Program, InterruptVectorsAndRetfie) {
    build(R"(
	goto	main
	ORG	0x08
	incf	0x20, F
	movlw	0xEE
	bcf	INTCON, INT0IF
	retfie	FAST
	ORG	0x40
main	movlw	0x11
	bsf	INTCON, INT0IE
	bsf	INTCON, GIE
	bsf	INTCON, INT0IF	; set by software: taken after this instruction
	movwf	0x21
	movff	INTCON, 0x22
	sleep
)");
    run();
    EXPECT_EQ(ram(0x20), 1);
    EXPECT_EQ(ram(0x21), 0x11);   // W back from the shadow register
    EXPECT_EQ(ram(0x22), 0x90);   // GIE set again, INT0IE, flag cleared
}

} // namespace korvane::sim::test
