; Calls and jumps across the four program pages of a 16F877.
        LIST    P=16F877, F=INHX8M
        include "p16f877.inc"
        __CONFIG _HS_OSC & _WDT_OFF & _LVP_OFF

        ORG     0
        pagesel far1
        call    far1
        pagesel far3
        goto    far3

        ORG     0x0900
far1    bsf     STATUS, RP0
        clrf    TRISB
        bcf     STATUS, RP0
        return

        ORG     0x1000
far2    movlw   0x12
        return

        ORG     0x1FF0
far3    pagesel far2
        call    far2
        goto    far3
        END
