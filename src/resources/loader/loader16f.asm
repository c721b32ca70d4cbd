; Korvane card loader for the 16F cards: one image for the 16F84, 16F628 and 16F877.
;
; It answers the card link on the card's I/O contact (RB7) and reads and writes the card's
; 24Cxx on RB4 (SDA) and RB5 (SCL); docs/iso_card.md has the wiring and the protocol. Only what
; the three chips share is used: PORTB, TRISB, STATUS, FSR/INDF and RAM 0x20..0x4F.
;
; Timing: one etu is 372 card clocks = 93 instruction cycles at either card clock, so every bit
; loop is counted to the cycle (2 cycles for goto, call, return and a taken skip).
;
; Open-drain lines: a line is pulled low by clearing its TRISB bit with the PORTB latch bit at 0,
; and let go by setting the TRISB bit. A bcf/bsf on PORTB rewrites every latch from the pins, so
; a latch is cleared again right before each pull. FSR points at TRISB all the time, so INDF is
; TRISB without bank switching.

        list    p=16f84a, r=dec
        #include <p16f84a.inc>

        ; The programmer replaces this word by each type's own (XT oscillator, watchdog off).
        __config 0x3FF1

IO      equ     7               ; card I/O, open drain
SDA     equ     4               ; EEPROM data, open drain
SCL     equ     5               ; EEPROM clock, driven both ways
ETU     equ     93              ; instruction cycles per etu

        cblock  0x20
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
        call    delay_3k5
n = n - (3 * k + 5)
        endif
        while n >= 2
        goto    $+1
n = n - 2
        endw
        if n == 1
        nop
        endif
        endm

        org     0x0000
reset:
        clrf    PORTB           ; every latch low: SCL low, SDA and I/O pull low once let out
        movlw   TRISB
        movwf   FSR             ; INDF is TRISB from here on
        movlw   0xFF ^ (1 << SCL)
        movwf   INDF            ; SCL drives; I/O, SDA and the rest are released
        clrf    mode16          ; two address bytes until Init says otherwise
        call    i2c_recover
        call    turnaround      ; the answer to reset comes at least 400 card clocks after the reset
        ; The answer to reset: 0x01 .. 0x0E, 0x90, 0x00.
        movlw   1
        movwf   count
atr_next:
        movf    count, w
        call    tx_char
        incf    count, f
        movlw   15
        subwf   count, w
        btfss   STATUS, Z
        goto    atr_next
        movlw   0x90
        call    tx_char
        movlw   0x00
        call    tx_char

; ---- commands: CLA INS P1 P2 P3 ----
command:
        call    rx_char
        movwf   cla
        call    rx_char
        movwf   ins
        call    rx_char
        movwf   p1
        call    rx_char
        movwf   p2
        call    rx_char
        movwf   p3
        call    turnaround
        movf    cla, w
        xorlw   0xC1
        btfss   STATUS, Z
        goto    bad_class
        movf    ins, w
        btfsc   STATUS, Z
        goto    cmd_init
        xorlw   0x01
        btfsc   STATUS, Z
        goto    block
        xorlw   0x01 ^ 0x02
        btfss   STATUS, Z
        goto    bad_instruction
block:
        ; Read and Write block: 1 <= P3 <= 129, n = P3 - 1 data bytes.
        movf    p3, w
        btfsc   STATUS, Z
        goto    bad_length
        sublw   129             ; C clear when P3 > 129
        btfss   STATUS, C
        goto    bad_length
        decf    p3, w
        movwf   count
        btfsc   ins, 1
        goto    cmd_write
        goto    cmd_read

bad_class:
        movlw   0x6E
        goto    answer
bad_instruction:
        movlw   0x6D
        goto    answer
bad_length:
        movlw   0x67
answer:
        call    tx_char
        goto    command

cmd_init:
        clrf    mode16
        decf    p2, w           ; P2 = 1: 24C16 addressing
        btfsc   STATUS, Z
        bsf     mode16, 0
        movlw   0x00            ; procedure byte
        call    tx_char
        movlw   0x90
        goto    answer

cmd_read:
        call    i2c_address     ; the dummy write that loads the address counter
        btfss   ack, 0
        goto    no_eeprom
        movf    count, f
        btfsc   STATUS, Z
        goto    read_started    ; nothing to read: no read control byte (the chip would drive SDA)
        call    i2c_start       ; repeated START, then the read control byte
        movf    control, w
        iorlw   0x01
        call    i2c_tx
read_started:
        movlw   0x01            ; procedure byte
        call    tx_char
        clrf    sum
        movf    count, f
        btfsc   STATUS, Z
        goto    read_done
read_next:
        clrf    i2c_last        ; the last byte is not acknowledged: the chip stops sending
        decf    count, w
        btfsc   STATUS, Z
        bsf     i2c_last, 0
        call    i2c_rx
        xorwf   sum, f
        call    tx_char
        decfsz  count, f
        goto    read_next
read_done:
        call    i2c_stop
        movf    sum, w
        goto    answer

; The EEPROM acknowledged nothing, not even after the polls: 0x23 instead of the procedure byte,
; which the host reports as no acknowledge, rather than a block read off an empty bus as FF.
no_eeprom:
        call    i2c_stop
        movlw   0x23
        goto    answer

cmd_write:
        call    i2c_address
        btfss   ack, 0
        goto    no_eeprom
        movlw   0x02            ; procedure byte: the host sends the data now
        call    tx_char
        clrf    sum
        movf    count, f
        btfsc   STATUS, Z
        goto    write_checksum
write_next:
        ; Each byte goes straight on into the EEPROM's page buffer; this must be back waiting for
        ; the next start bit within about 2 etu (some 200 cycles) of rx_char's return: here 165.
        call    rx_char
        xorwf   sum, f
        call    i2c_tx
        decfsz  count, f
        goto    write_next
write_checksum:
        call    rx_char
        xorwf   sum, w          ; zero when the checksum is right
        btfss   STATUS, Z
        goto    write_refused
        call    i2c_stop        ; the page is written now
        call    i2c_poll        ; until the write cycle is over
        call    i2c_stop
        call    turnaround
        movlw   0x90
        goto    answer
write_refused:
        call    i2c_start       ; a START instead of the STOP: the chip drops the page
        call    i2c_stop
        call    turnaround
        movlw   0x10
        goto    answer

; ---- characters on I/O: start bit, 8 data bits LSB first, even parity, 2 etu guard time ----

; Sends W. Twelve bits of exactly 93 cycles; the line changes 3 cycles into each bit.
tx_char:
        movwf   tx_lo
        movwf   tx_hi           ; parity: fold the byte onto bit 0 of tx_hi
        swapf   tx_hi, w
        xorwf   tx_hi, f
        rrf     tx_hi, w
        xorwf   tx_hi, f
        rrf     tx_hi, w
        movwf   dcount
        rrf     dcount, w
        xorwf   tx_hi, f
        movlw   0xFE            ; above the parity bit: the line released (guard time)
        iorwf   tx_hi, f
        movlw   12
        movwf   bits
        bcf     STATUS, C       ; the start bit
tx_bit:
        btfsc   STATUS, C       ; 0 (1)
        goto    tx_one          ; 1 2
        bcf     PORTB, IO       ; 2
        bcf     INDF, IO        ; 3: line low
        goto    tx_shift        ; 4 5
tx_one:
        bsf     INDF, IO        ; 3: line released
        goto    $+1             ; 4 5
tx_shift:
        rrf     tx_hi, f        ; 6
        rrf     tx_lo, f        ; 7: C = the next bit
        DELAY   ETU - 11        ; 8 .. 89
        decfsz  bits, f         ; 90
        goto    tx_bit          ; 91 92
        return

; Waits for a character and gives its data byte in W. Parity is not checked. Returns in the
; middle of the parity bit (9.5 etu after the start edge), so the next call first waits for the
; stop bit: a low last data bit or parity bit is no start edge.
rx_char:
rx_idle:
        btfss   PORTB, IO       ; the line high: stop bit or idle
        goto    rx_idle
rx_wait:
        btfsc   PORTB, IO       ; polled every 3 cycles: edge seen at c
        goto    rx_wait
        DELAY   43              ; c+2 .. c+44
        btfsc   PORTB, IO       ; c+45: still low half a bit in, or it was a glitch
        goto    rx_idle
        DELAY   2               ; c+47 c+48
        movlw   8               ; c+49
        movwf   bits            ; c+50
rx_bit:
        DELAY   ETU - 7
        bcf     STATUS, C
        btfsc   PORTB, IO       ; c+138 for bit 0 (1.5 etu after the edge), then every 93
        bsf     STATUS, C
        rrf     rx_data, f
        decfsz  bits, f
        goto    rx_bit
        DELAY   ETU - 5         ; bit 7 was sampled at c+789: on to the parity bit
        movf    rx_data, w
        return                  ; at c+885, 9.5 etu after the edge

; About 8 etu: an answer never starts inside the host's last character (16 etu from its start).
turnaround:
        movlw   8
        movwf   bits
turnaround_etu:
        DELAY   ETU - 3
        decfsz  bits, f
        goto    turnaround_etu
        return

; ---- the card's I2C bus; at 6 MHz SCL stays at least 6 cycles (4 us) high, 8 low ----

; START, or a repeated START; SCL ends low.
i2c_start:
        bsf     INDF, SDA       ; SDA let go while SCL is low (or the bus is idle)
        DELAY   6
        bsf     PORTB, SCL
        DELAY   7
        bcf     PORTB, SDA
        bcf     INDF, SDA       ; SDA falls while SCL is high
        DELAY   6
        bcf     PORTB, SCL
        return

; STOP; the bus ends idle (both lines high).
i2c_stop:
        bcf     PORTB, SCL
        bcf     PORTB, SDA
        bcf     INDF, SDA       ; SDA low while SCL is low
        DELAY   6
        bsf     PORTB, SCL
        DELAY   6
        bsf     INDF, SDA       ; SDA rises while SCL is high
        DELAY   6
        return

; Sends W, MSB first; ack bit 0 tells whether the chip acknowledged. SCL ends low.
i2c_tx:
        movwf   i2c_byte
        movlw   8
        movwf   i2c_bits
i2c_tx_bit:
        rlf     i2c_byte, f     ; C = the next bit
        btfsc   STATUS, C
        goto    i2c_tx_one
        bcf     PORTB, SDA
        bcf     INDF, SDA
        goto    i2c_tx_clock
i2c_tx_one:
        bsf     INDF, SDA
        goto    $+1
i2c_tx_clock:
        bsf     PORTB, SCL
        DELAY   5
        bcf     PORTB, SCL
        decfsz  i2c_bits, f
        goto    i2c_tx_bit
        bsf     INDF, SDA       ; the acknowledge clock: the chip pulls SDA low
        DELAY   6
        bsf     PORTB, SCL
        DELAY   3
        clrf    ack
        btfss   PORTB, SDA
        bsf     ack, 0
        bcf     PORTB, SCL
        return

; Reads a byte into W, MSB first, and acknowledges it unless i2c_last bit 0 is set. SCL ends
; low, SDA released.
i2c_rx:
        bsf     INDF, SDA
        movlw   8
        movwf   i2c_bits
i2c_rx_bit:
        DELAY   4
        bsf     PORTB, SCL
        DELAY   3
        bcf     STATUS, C
        btfsc   PORTB, SDA
        bsf     STATUS, C
        rlf     i2c_byte, f
        bcf     PORTB, SCL
        decfsz  i2c_bits, f
        goto    i2c_rx_bit
        btfsc   i2c_last, 0
        goto    i2c_rx_answer
        bcf     PORTB, SDA
        bcf     INDF, SDA       ; acknowledge: more bytes wanted
i2c_rx_answer:
        DELAY   6
        bsf     PORTB, SCL
        DELAY   5
        bcf     PORTB, SCL
        bsf     INDF, SDA
        movf    i2c_byte, w
        return

; START and the write control byte until the chip acknowledges (it does not during its write
; cycle); gives up after 256 tries, some 45 ms at 6 MHz.
i2c_poll:
        clrf    polls
i2c_poll_again:
        call    i2c_start
        movf    control, w
        call    i2c_tx
        btfsc   ack, 0
        return
        decfsz  polls, f
        goto    i2c_poll_again
        return

; Addresses P1:P2 for writing: control byte (polled), then the address byte(s).
i2c_address:
        movlw   0xA0            ; 1010 A2 A1 A0 0, the chip-select pins are low
        movwf   control
        btfss   mode16, 0
        goto    i2c_address_poll
        rlf     p1, w           ; 24C16: address bits 10..8 go into A2..A0
        andlw   0x0E
        iorwf   control, f
i2c_address_poll:
        call    i2c_poll
        btfsc   mode16, 0
        goto    i2c_address_low
        movf    p1, w
        call    i2c_tx
i2c_address_low:
        movf    p2, w
        goto    i2c_tx

; A reset may have cut a transfer short: clock until the chip lets go of SDA, then START and
; STOP, which leave it idle without writing anything.
i2c_recover:
        bsf     INDF, SDA
        movlw   9
        movwf   i2c_bits
i2c_recover_clock:
        DELAY   6
        btfsc   PORTB, SDA
        goto    i2c_recover_free
        bsf     PORTB, SCL
        DELAY   6
        bcf     PORTB, SCL
        decfsz  i2c_bits, f
        goto    i2c_recover_clock
i2c_recover_free:
        call    i2c_start
        goto    i2c_stop

; With the movlw and call in front: 3 * W + 5 cycles (W >= 1).
delay_3k5:
        movwf   dcount
delay_3k5_loop:
        decfsz  dcount, f
        goto    delay_3k5_loop
        return

        ; Data EEPROM: what this is, for whoever reads the card.
        org     0x2100
        de      "Korvane card loader 16F 1.0"

        end
