; A LED blinker with an interrupt counter: every instruction form the 16F84 knows.
        LIST    P=16F84, F=INHX8M
        include "p16f84.inc"
        __CONFIG _XT_OSC & _WDT_OFF & _PWRTE_ON & _CP_OFF
        __IDLOCS 0x1234

COUNT1  EQU     0x0C
COUNT2  EQU     0x0D
FLAGS   EQU     0x0E
SAVEW   EQU     0x4F

        ORG     0
        goto    main

        ORG     4
isr     movwf   SAVEW
        swapf   STATUS, W
        bcf     INTCON, T0IF
        btfsc   INTCON, INTF
        bcf     INTCON, INTF
        incf    FLAGS, f
        swapf   SAVEW, f
        swapf   SAVEW, W
        retfie

main    bsf     STATUS, RP0
        movlw   0x00
        movwf   TRISB
        movlw   B'11110000'
        movwf   OPTION_REG
        bcf     STATUS, RP0
        clrf    PORTB
        clrw
        bsf     INTCON, T0IE
        bsf     INTCON, GIE
        bsf     INTCON, RBIE
        bsf     INTCON, INTE
        bcf     INTCON, RBIF
        bsf     INTCON, 6
loop    comf    PORTB, f
        call    delay
        btfss   PORTA, 4
        goto    loop
        rlf     PORTB, f
        rrf     PORTB, W
        movf    PORTB, W
        movf    FSR, f
        addwf   INDF, W
        andwf   TMR0, f
        iorwf   PCL, W
        xorwf   PCLATH, f
        subwf   EEDATA, W
        decf    EEADR, f
        incfsz  COUNT1, W
        decf    0x07, W
        addlw   0x10
        andlw   0x0F
        iorlw   0xA5
        xorlw   0x5A
        sublw   0xFF
        retlw   0x42
        clrwdt
        btfsc   STATUS, C
        btfss   STATUS, DC
        bcf     STATUS, Z
        bsf     STATUS, NOT_PD
        bcf     STATUS, NOT_TO
        bsf     STATUS, RP1
        bcf     STATUS, IRP
        bsf     FLAGS, 3
        option
        tris    PORTA
        tris    PORTB
        sleep
        nop
        goto    loop

delay   movlw   0xFF
        movwf   COUNT1
d1      movlw   0xFF
        movwf   COUNT2
d2      decfsz  COUNT2, f
        goto    d2
        decfsz  COUNT1, f
        goto    d1
        return

        ORG     0x2100
        DE      0x01, 0x02, 0x03, 0x7F, 0x00, 0xFF, 0x80, 0x55
        DE      0x12, 0xFF, 0x34
        END
