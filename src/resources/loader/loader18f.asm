; Korvane card loader for the 18F card (18F452).
;
; It answers the card link on the card's I/O contact (RB7) and reads and writes the card's
; 24Cxx on RC4 (SDA) and RC3 (SCL); docs/iso_card.md has the wiring and the protocol. The same
; program as the 16F loader, in 18F instructions.
;
; Timing: one etu is 372 card clocks = 93 instruction cycles (external clock, no PLL), so every
; bit loop is counted to the cycle: 2 cycles for bra, rcall, return and a skip over a one-word
; instruction. Only one-word instructions are ever skipped.
;
; Open-drain lines: the LAT bits stay 0; a line is pulled low by clearing its TRIS bit and let go
; by setting it. SCL is driven through LATC.

        list    p=18f452, r=dec
        #include <p18f452.inc>
        errorlevel -220         ; ID and configuration bytes lie outside program memory
        errorlevel -302, -1301  ; every register used is in the access bank, and is meant so

IO      equ     7               ; RB7: card I/O, open drain
SDA     equ     4               ; RC4: EEPROM data, open drain
SCL     equ     3               ; RC3: EEPROM clock, driven both ways
ETU     equ     93              ; instruction cycles per etu

        cblock  0x00            ; access RAM
          cla
          ins
          p1
          p2
          p3
          count                 ; data bytes left in the block
          sum                   ; XOR of the block's data bytes
          control               ; the EEPROM's control byte for a write
          mode16                ; bit 0: 24C16 addressing (address bits 10..8 in the control byte)
          tx_lo                 ; character going out: data bits, then
          tx_hi                 ;   parity and the guard time (LSB first)
          rx_data
          bits
          dcount
          i2c_byte
          i2c_bits
          i2c_last              ; bit 0: do not acknowledge the byte read next
          ack                   ; bit 0: the EEPROM acknowledged the last byte sent
          polls
        endc

; Exactly `cycles` instruction cycles. From 8 cycles on it uses W and dcount.
DELAY   macro   cycles
        local   n, k
n = cycles
        if n >= 8
k = (n - 5) / 3
        movlw   k
        rcall   delay_3k5
n = n - (3 * k + 5)
        endif
        while n >= 2
        bra     $+2
n = n - 2
        endw
        if n == 1
        nop
        endif
        endm

        org     0x000000
start:
        clrf    LATB, ACCESS    ; every latch low: SDA and I/O pull low once let out
        clrf    LATC, ACCESS    ; SCL low
        setf    TRISB, ACCESS   ; I/O released
        movlw   0xFF ^ (1 << SCL)
        movwf   TRISC, ACCESS   ; SCL drives; SDA released
        clrf    mode16          ; two address bytes until Init says otherwise
        rcall   i2c_recover
        rcall   turnaround      ; the answer to reset comes at least 400 card clocks after the reset
        ; The answer to reset: 0x01 .. 0x0E, 0x90, 0x00.
        movlw   1
        movwf   count
atr_next:
        movf    count, W
        rcall   tx_char
        incf    count, F
        movlw   15
        cpfseq  count
        bra     atr_next
        movlw   0x90
        rcall   tx_char
        movlw   0x00
        rcall   tx_char

; ---- commands: CLA INS P1 P2 P3 ----
command:
        rcall   rx_char
        movwf   cla
        rcall   rx_char
        movwf   ins
        rcall   rx_char
        movwf   p1
        rcall   rx_char
        movwf   p2
        rcall   rx_char
        movwf   p3
        rcall   turnaround
        movlw   0xC1
        cpfseq  cla
        bra     bad_class
        movf    ins, W
        bz      cmd_init
        xorlw   0x01
        bz      block
        xorlw   0x01 ^ 0x02
        bnz     bad_instruction
block:
        ; Read and Write block: 1 <= P3 <= 129, n = P3 - 1 data bytes.
        movf    p3, W
        bz      bad_length
        movlw   129
        cpfsgt  p3
        bra     length_ok
        bra     bad_length
length_ok:
        decf    p3, W
        movwf   count
        btfsc   ins, 1
        bra     cmd_write
        bra     cmd_read

bad_class:
        movlw   0x6E
        bra     answer
bad_instruction:
        movlw   0x6D
        bra     answer
bad_length:
        movlw   0x67
answer:
        rcall   tx_char
        bra     command

cmd_init:
        clrf    mode16
        decf    p2, W           ; P2 = 1: 24C16 addressing
        btfsc   STATUS, Z
        bsf     mode16, 0
        movlw   0x00            ; procedure byte
        rcall   tx_char
        movlw   0x90
        bra     answer

cmd_read:
        rcall   i2c_address     ; the dummy write that loads the address counter
        btfss   ack, 0
        bra     no_eeprom
        movf    count, F
        bz      read_started    ; nothing to read: no read control byte (the chip would drive SDA)
        rcall   i2c_start       ; repeated START, then the read control byte
        movf    control, W
        iorlw   0x01
        rcall   i2c_tx
read_started:
        movlw   0x01            ; procedure byte
        rcall   tx_char
        clrf    sum
        movf    count, F
        bz      read_done
read_next:
        clrf    i2c_last        ; the last byte is not acknowledged: the chip stops sending
        decf    count, W
        btfsc   STATUS, Z
        bsf     i2c_last, 0
        rcall   i2c_rx
        xorwf   sum, F
        rcall   tx_char
        decfsz  count, F
        bra     read_next
read_done:
        rcall   i2c_stop
        movf    sum, W
        bra     answer

; The EEPROM acknowledged nothing, not even after the polls: 0x23 instead of the procedure byte,
; which the host reports as no acknowledge, rather than a block read off an empty bus as FF.
no_eeprom:
        rcall   i2c_stop
        movlw   0x23
        bra     answer

cmd_write:
        rcall   i2c_address
        btfss   ack, 0
        bra     no_eeprom
        movlw   0x02            ; procedure byte: the host sends the data now
        rcall   tx_char
        clrf    sum
        movf    count, F
        bz      write_checksum
write_next:
        ; Each byte goes straight on into the EEPROM's page buffer; this must be back waiting for
        ; the next start bit within about 2 etu (some 200 cycles) of rx_char's return: here 165.
        rcall   rx_char
        xorwf   sum, F
        rcall   i2c_tx
        decfsz  count, F
        bra     write_next
write_checksum:
        rcall   rx_char
        xorwf   sum, W          ; zero when the checksum is right
        bnz     write_refused
        rcall   i2c_stop        ; the page is written now
        rcall   i2c_poll        ; until the write cycle is over
        rcall   i2c_stop
        rcall   turnaround
        movlw   0x90
        bra     answer
write_refused:
        rcall   i2c_start       ; a START instead of the STOP: the chip drops the page
        rcall   i2c_stop
        rcall   turnaround
        movlw   0x10
        bra     answer

; ---- characters on I/O: start bit, 8 data bits LSB first, even parity, 2 etu guard time ----

; Sends W. Twelve bits of exactly 93 cycles; the line changes 3 cycles into each bit.
tx_char:
        movwf   tx_lo
        movwf   tx_hi           ; parity: fold the byte onto bit 0 of tx_hi
        swapf   tx_hi, W
        xorwf   tx_hi, F
        rrncf   tx_hi, W
        xorwf   tx_hi, F
        rrncf   tx_hi, W
        rrncf   WREG, W
        xorwf   tx_hi, F
        movlw   0xFE            ; above the parity bit: the line released (guard time)
        iorwf   tx_hi, F
        movlw   12
        movwf   bits
        bcf     STATUS, C       ; the start bit
tx_bit:
        btfsc   STATUS, C       ; 0 (1)
        bra     tx_one          ; 1 2
        nop                     ; 2
        bcf     TRISB, IO, ACCESS ; 3: line low
        bra     tx_shift        ; 4 5
tx_one:
        bsf     TRISB, IO, ACCESS ; 3: line released
        bra     $+2             ; 4 5
tx_shift:
        rrcf    tx_hi, F        ; 6
        rrcf    tx_lo, F        ; 7: C = the next bit
        DELAY   ETU - 11        ; 8 .. 89
        decfsz  bits, F         ; 90
        bra     tx_bit          ; 91 92
        return

; Waits for a character and gives its data byte in W. Parity is not checked. Returns in the
; middle of the parity bit (9.5 etu after the start edge), so the next call first waits for the
; stop bit: a low last data bit or parity bit is no start edge.
rx_char:
rx_idle:
        btfss   PORTB, IO, ACCESS ; the line high: stop bit or idle
        bra     rx_idle
rx_wait:
        btfsc   PORTB, IO, ACCESS ; polled every 3 cycles: edge seen at c
        bra     rx_wait
        DELAY   43              ; c+2 .. c+44
        btfsc   PORTB, IO, ACCESS ; c+45: still low half a bit in, or it was a glitch
        bra     rx_idle
        DELAY   2               ; c+47 c+48
        movlw   8               ; c+49
        movwf   bits            ; c+50
rx_bit:
        DELAY   ETU - 7
        bcf     STATUS, C
        btfsc   PORTB, IO, ACCESS ; c+138 for bit 0 (1.5 etu after the edge), then every 93
        bsf     STATUS, C
        rrcf    rx_data, F
        decfsz  bits, F
        bra     rx_bit
        DELAY   ETU - 5         ; bit 7 was sampled at c+789: on to the parity bit
        movf    rx_data, W
        return                  ; at c+885, 9.5 etu after the edge

; About 8 etu: an answer never starts inside the host's last character (16 etu from its start).
turnaround:
        movlw   8
        movwf   bits
turnaround_etu:
        DELAY   ETU - 3
        decfsz  bits, F
        bra     turnaround_etu
        return

; ---- the card's I2C bus; at 6 MHz SCL stays at least 6 cycles (4 us) high, 8 low ----

; START, or a repeated START; SCL ends low.
i2c_start:
        bsf     TRISC, SDA, ACCESS ; SDA let go while SCL is low (or the bus is idle)
        DELAY   6
        bsf     LATC, SCL, ACCESS
        DELAY   7
        bcf     TRISC, SDA, ACCESS ; SDA falls while SCL is high
        DELAY   6
        bcf     LATC, SCL, ACCESS
        return

; STOP; the bus ends idle (both lines high).
i2c_stop:
        bcf     LATC, SCL, ACCESS
        bcf     TRISC, SDA, ACCESS ; SDA low while SCL is low
        DELAY   6
        bsf     LATC, SCL, ACCESS
        DELAY   6
        bsf     TRISC, SDA, ACCESS ; SDA rises while SCL is high
        DELAY   6
        return

; Sends W, MSB first; ack bit 0 tells whether the chip acknowledged. SCL ends low.
i2c_tx:
        movwf   i2c_byte
        movlw   8
        movwf   i2c_bits
i2c_tx_bit:
        rlcf    i2c_byte, F     ; C = the next bit
        btfsc   STATUS, C
        bra     i2c_tx_one
        bcf     TRISC, SDA, ACCESS
        bra     i2c_tx_clock
i2c_tx_one:
        bsf     TRISC, SDA, ACCESS
        nop
i2c_tx_clock:
        bsf     LATC, SCL, ACCESS
        DELAY   5
        bcf     LATC, SCL, ACCESS
        decfsz  i2c_bits, F
        bra     i2c_tx_bit
        bsf     TRISC, SDA, ACCESS ; the acknowledge clock: the chip pulls SDA low
        DELAY   6
        bsf     LATC, SCL, ACCESS
        DELAY   3
        clrf    ack
        btfss   PORTC, SDA, ACCESS
        bsf     ack, 0
        bcf     LATC, SCL, ACCESS
        return

; Reads a byte into W, MSB first, and acknowledges it unless i2c_last bit 0 is set. SCL ends
; low, SDA released.
i2c_rx:
        bsf     TRISC, SDA, ACCESS
        movlw   8
        movwf   i2c_bits
i2c_rx_bit:
        DELAY   4
        bsf     LATC, SCL, ACCESS
        DELAY   3
        bcf     STATUS, C
        btfsc   PORTC, SDA, ACCESS
        bsf     STATUS, C
        rlcf    i2c_byte, F
        bcf     LATC, SCL, ACCESS
        decfsz  i2c_bits, F
        bra     i2c_rx_bit
        btfss   i2c_last, 0
        bcf     TRISC, SDA, ACCESS ; acknowledge: more bytes wanted
        DELAY   6
        bsf     LATC, SCL, ACCESS
        DELAY   5
        bcf     LATC, SCL, ACCESS
        bsf     TRISC, SDA, ACCESS
        movf    i2c_byte, W
        return

; START and the write control byte until the chip acknowledges (it does not during its write
; cycle); gives up after 256 tries, some 45 ms at 6 MHz.
i2c_poll:
        clrf    polls
i2c_poll_again:
        rcall   i2c_start
        movf    control, W
        rcall   i2c_tx
        btfsc   ack, 0
        return
        decfsz  polls, F
        bra     i2c_poll_again
        return

; Addresses P1:P2 for writing: control byte (polled), then the address byte(s).
i2c_address:
        movlw   0xA0            ; 1010 A2 A1 A0 0, the chip-select pins are low
        movwf   control
        btfss   mode16, 0
        bra     i2c_address_poll
        rlncf   p1, W           ; 24C16: address bits 10..8 go into A2..A0
        andlw   0x0E
        iorwf   control, F
i2c_address_poll:
        rcall   i2c_poll
        btfsc   mode16, 0
        bra     i2c_address_low
        movf    p1, W
        rcall   i2c_tx
i2c_address_low:
        movf    p2, W
        bra     i2c_tx

; A reset may have cut a transfer short: clock until the chip lets go of SDA, then START and
; STOP, which leave it idle without writing anything.
i2c_recover:
        bsf     TRISC, SDA, ACCESS
        movlw   9
        movwf   i2c_bits
i2c_recover_clock:
        DELAY   6
        btfsc   PORTC, SDA, ACCESS
        bra     i2c_recover_free
        bsf     LATC, SCL, ACCESS
        DELAY   6
        bcf     LATC, SCL, ACCESS
        decfsz  i2c_bits, F
        bra     i2c_recover_clock
i2c_recover_free:
        rcall   i2c_start
        bra     i2c_stop

; With the movlw and rcall in front: 3 * W + 5 cycles (W >= 1).
delay_3k5:
        movwf   dcount
delay_3k5_loop:
        decfsz  dcount, F
        bra     delay_3k5_loop
        return

        ; ID locations: the loader's version.
        org     0x200000
        db      'K', 'V', 'L', '1', '8', 0x01, 0x00, 0x00

        ; Configuration: external clock (EC, OSC2 = CLKO), no clock switching, no power-up timer,
        ; no brown-out reset, watchdog off, stack overflow reset, no LVP, no debugger, nothing
        ; protected. Unimplemented bytes and bits are 1, as erased.
        org     0x300000
        db      0xFF, _EC_OSC_1H & _OSCS_OFF_1H
        db      _PWRT_OFF_2L & _BOR_OFF_2L & _BORV_20_2L, _WDT_OFF_2H & _WDTPS_128_2H
        db      0xFF, _CCP2MX_ON_3H
        db      _STVR_ON_4L & _LVP_OFF_4L & _DEBUG_OFF_4L, 0xFF
        db      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF

        ; Data EEPROM, one byte per word: what this is, for whoever reads the card.
        org     0xF00000
        dw      'K', 'o', 'r', 'v', 'a', 'n', 'e', ' ', 'c', 'a', 'r', 'd', ' '
        dw      'l', 'o', 'a', 'd', 'e', 'r', ' ', '1', '8', 'F', ' ', '1', '.', '0'

        end
