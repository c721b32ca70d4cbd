; A tiny card program for the reader tests (not a loader): sends the loader's answer to reset,
; then sends back every byte it receives. I/O on RB7, open drain through TRISB bit 7 with the
; latch held at 0; one etu is 93 instruction cycles. Assembles for the 16F84A, 16F628 and 16F877.
; Only 0x20..0x4F of bank 0 is used; TRISB is reached through FSR so the code stays in bank 0.

idx     equ 0x20
cnt     equ 0x21
lo      equ 0x22
hi      equ 0x23
tmp     equ 0x24
dcnt    equ 0x25
rxb     equ 0x26
par     equ 0x27

        org 0
        clrf PORTB          ; the I/O latch low once and for all
        movlw 0x86          ; TRISB
        movwf FSR
        movlw 0xFF
        movwf INDF          ; everything released
        movlw 200           ; a little over 1000 cycles before the answer
        movwf idx
settle  call delay82
        decfsz idx,f
        goto settle
        clrf idx
atr     movf idx,w
        call atr_byte
        call send
        incf idx,f
        movf idx,w
        xorlw 16
        btfss STATUS,Z
        goto atr
echo    call receive
        movf rxb,w
        call send
        goto echo

atr_byte
        addwf PCL,f         ; the table stays inside one 256-word page
        retlw 0x01
        retlw 0x02
        retlw 0x03
        retlw 0x04
        retlw 0x05
        retlw 0x06
        retlw 0x07
        retlw 0x08
        retlw 0x09
        retlw 0x0A
        retlw 0x0B
        retlw 0x0C
        retlw 0x0D
        retlw 0x0E
        retlw 0x90
        retlw 0x00

; Sends W: start bit, 8 data bits LSB first, even parity, two stop bits; 93 cycles per bit.
send    movwf lo
        movwf tmp
        clrf par
        movlw 8
        movwf cnt
count   rrf tmp,f
        btfsc STATUS,C
        incf par,f
        decfsz cnt,f
        goto count
        movlw 0x7E          ; hi: 0111 111P before the shift
        btfsc par,0
        iorlw 0x01
        movwf hi
        bcf STATUS,C        ; start bit into lo bit 0, data bit 7 into hi bit 0
        rlf lo,f
        rlf hi,f
        movlw 12
        movwf cnt
bit     rrf hi,f
        rrf lo,f
        btfsc STATUS,C
        goto one
        nop
        bcf INDF,7          ; drive low
        goto sent
one     bsf INDF,7          ; release: high
        nop
        nop
sent    call delay82
        decfsz cnt,f
        goto bit
        return

; Receives a byte into rxb: waits for the start edge, samples mid-bit, waits out parity and stop.
receive btfsc PORTB,7
        goto receive
        call delay47
        movlw 8
        movwf cnt
rbit    nop
        nop
        nop
        nop
        call delay82
        bcf STATUS,C
        btfsc PORTB,7
        bsf STATUS,C
        rrf rxb,f
        decfsz cnt,f
        goto rbit
        call delay82        ; parity and the host's two stop bits, then the card's turn
        call delay82
        call delay82
        call delay82
        return

delay82 movlw 25            ; call 2 + 2 + 74 + 2 + return 2
        movwf dcnt
d82     decfsz dcnt,f
        goto d82
        nop
        nop
        return

delay47 movlw 14            ; call 2 + 2 + 41 + return 2
        movwf dcnt
d47     decfsz dcnt,f
        goto d47
        return
