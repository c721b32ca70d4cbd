##
## Korvane: PIC in-circuit serial programming (PIC16F and PIC18F) for sigrok.
##
## SPDX-License-Identifier: MIT
##

'''
PIC ICSP: the in-circuit serial programming of PIC16F and PIC18F flash
microcontrollers over PGC (clock) and PGD (data), as Korvane drives it.

PIC16F: 6-bit commands LSB first; Load Configuration, Load Data and the two
Read Data commands are followed by a 16-clock data frame (start bit, 14 data
bits LSB first, stop bit). The address is the chip's program counter, tracked
through Load Configuration (0x2000) and Increment Address.

PIC18F: 4-bit commands each followed by a 16-bit operand; table reads return
8 bits after 8 clocks. Core instructions are disassembled as far as they move
the table pointer (MOVLW, MOVWF TBLPTRU/H/L), which gives the address of table
reads and writes. A long fourth command clock (P9) and a long low clock
before an operand (P10/P11) show on the hold row.

The "fields" row holds "CMD ADDR DATA" in hex, for tools: "-" for no data, and
for no address on 18F core instructions.
'''

from .pd import Decoder
