; Code in separate runs with blank words between them, a jump table near the end of program
; memory, and EEPROM data reaching its last byte.
        LIST    P=16F84, F=INHX8M
        include "p16f84.inc"
        __CONFIG _RC_OSC & _WDT_ON & _PWRTE_OFF & _CP_OFF
        __IDLOCS 0x0A0B

        ORG     0
start   call    table
        movwf   0x20
        goto    next

        ORG     0x40
next    movlw   0x03
        call    table
        movwf   0x21
        goto    last

        ORG     0x3F0
table   addwf   PCL, f
        retlw   'K'
        retlw   'o'
        retlw   'r'
        retlw   0x00
last    goto    start
        ORG     0x3FF
        goto    start

        ORG     0x2100
        DE      "EEPROM DATA FOR A 16F84, FILLED TO THE LAST BYTE.......!"
        DE      1, 2, 3, 4, 5, 6, 7, 8
        END
