##
## Korvane: PIC in-circuit serial programming (PIC16F and PIC18F) for sigrok.
##
## SPDX-License-Identifier: MIT
##

import sigrokdecode as srd

PIC16_COMMANDS = {
    0: 'Load Configuration', 1: 'Bulk Erase Setup 1', 2: 'Load Data (program)',
    3: 'Load Data (data)', 4: 'Read Data (program)', 5: 'Read Data (data)',
    6: 'Increment Address', 7: 'Bulk Erase Setup 2', 8: 'Begin Programming',
    9: 'Bulk Erase Program', 11: 'Bulk Erase Data', 24: 'Begin Programming Only',
}
PIC16_LOADS = (0, 2, 3)
PIC16_READS = (4, 5)

PIC18_COMMANDS = {
    0: 'Core Instruction', 2: 'Shift Out TABLAT', 8: 'Table Read',
    9: 'Table Read, post-inc', 10: 'Table Read, post-dec',
    11: 'Table Read, pre-inc', 12: 'Table Write',
    13: 'Table Write, post-inc 2', 14: 'Table Write, start programming, post-inc 2',
    15: 'Table Write, start programming',
}
PIC18_READS = (2, 8, 9, 10, 11)
PIC18_TBLPTR = {0xF8: 'TBLPTRU', 0xF7: 'TBLPTRH', 0xF6: 'TBLPTRL'}

# Holds longer than this (seconds) are annotated.
HOLD_S = 100e-6

class Decoder(srd.Decoder):
    api_version = 3
    id = 'pic_icsp'
    name = 'PIC ICSP'
    longname = 'PIC in-circuit serial programming'
    desc = 'PIC16F / PIC18F in-circuit serial programming commands.'
    license = 'mit'
    inputs = ['logic']
    outputs = []
    tags = ['Debug/trace']
    channels = (
        {'id': 'pgc', 'name': 'PGC', 'desc': 'Programming clock'},
        {'id': 'pgd', 'name': 'PGD', 'desc': 'Programming data'},
    )
    optional_channels = (
        {'id': 'vpp', 'name': 'MCLR/VPP', 'desc': 'Programming voltage (high: on)'},
    )
    options = (
        {'id': 'family', 'desc': 'Family', 'default': 'pic16',
         'values': ('pic16', 'pic18')},
    )
    annotations = (
        ('command', 'Command'),
        ('data', 'Data'),
        ('address', 'Address'),
        ('instruction', 'Core instruction'),
        ('hold', 'Hold'),
        ('fields', 'Fields'),
    )
    annotation_rows = (
        ('commands', 'Commands', (0,)),
        ('datas', 'Data', (1, 3)),
        ('addresses', 'Addresses', (2,)),
        ('holds', 'Holds', (4,)),
        ('field-row', 'Fields', (5,)),
    )

    def __init__(self):
        self.reset()

    def reset(self):
        self.samplerate = None
        self.pc = 0
        self.w = 0
        self.tblptr = 0

    def metadata(self, key, value):
        if key == srd.SRD_CONF_SAMPLERATE:
            self.samplerate = value

    def start(self):
        self.out_ann = self.register(srd.OUTPUT_ANN)
        self.pic18 = self.options['family'] == 'pic18'

    def ann(self, ss, es, cls, texts):
        self.put(ss, es, self.out_ann, [cls, texts])

    def long(self, samples):
        return self.samplerate and samples > HOLD_S * self.samplerate

    # Clocks in one bit: returns (rising sample, falling sample, PGD while PGC was high), or None
    # when VPP changed first (the chip restarts then). PGD is taken as it was just before the
    # falling edge: the host sets it before the rising edge, the chip drives it after.
    # What matched is told from the pins: self.matched leaks references to True and False in
    # libsigrokdecode 0.5, which aborts Python 3.11 on long traces.
    def clock(self):
        vpp = [{2: 'e'}] if self.has_vpp else []
        pins = self.wait([{0: 'r'}] + vpp)
        if self.vpp_changed(pins):
            return None
        rise = self.samplenum
        level = pins[1]
        while True:
            pins = self.wait([{0: 'f'}, {1: 'e'}] + vpp)
            if self.vpp_changed(pins):
                return None
            if pins[0] == 0:
                return (rise, self.samplenum, level)
            level = pins[1]

    def vpp_changed(self, pins):
        if not self.has_vpp or pins[2] == self.vpp:
            return False
        self.vpp = pins[2]
        return True

    def bits(self, n):
        got = []
        for _ in range(n):
            bit = self.clock()
            if bit is None:
                return None
            got.append(bit)
        return got

    @staticmethod
    def value(bits):
        v = 0
        for i, b in enumerate(bits):
            v |= b[2] << i
        return v

    def fields(self, ss, es, cmd, addr, data):
        hexa = lambda v: '-' if v is None else '%x' % v
        text = '%x %s %s' % (cmd, hexa(addr), hexa(data))
        self.ann(ss, es, 5, [text])

    def restart(self):
        self.pc = 0
        self.w = 0
        self.tblptr = 0

    def decode(self):
        self.has_vpp = self.has_channel(2)
        self.vpp = self.wait({})[2] if self.has_vpp else None
        while True:
            if (self.decode_pic18() if self.pic18 else self.decode_pic16()) is None:
                self.restart()

    def decode_pic16(self):
        cbits = self.bits(6)
        if cbits is None:
            return None
        cmd = self.value(cbits)
        ss, es = cbits[0][0], cbits[-1][1]
        addr = self.pc
        if cmd == 0:
            addr = self.pc = 0x2000
        name = PIC16_COMMANDS.get(cmd, 'Command %d' % cmd)
        data = None
        if cmd in PIC16_LOADS or cmd in PIC16_READS:
            dbits = self.bits(16)
            if dbits is None:
                return None
            data = (self.value(dbits) >> 1) & 0x3FFF
            dss, es = dbits[0][0], dbits[-1][1]
            kind = 'Read' if cmd in PIC16_READS else 'Load'
            self.ann(dss, es, 1, ['%s 0x%04X' % (kind, data), '%04X' % data])
        self.ann(ss, cbits[-1][1], 0, [name, '%d' % cmd])
        self.ann(ss, es, 2, ['Address 0x%04X' % addr, '%04X' % addr])
        self.fields(ss, es, cmd, addr, data)
        if cmd == 6:
            self.pc = (self.pc + 1) & 0x3FFF
        return True

    def core(self, ss, es, op):
        if op & 0xFF00 == 0x0E00:
            self.w = op & 0xFF
            text = 'MOVLW 0x%02X' % self.w
        elif op & 0xFF00 == 0x6E00 and (op & 0xFF) in PIC18_TBLPTR:
            reg = op & 0xFF
            text = 'MOVWF %s' % PIC18_TBLPTR[reg]
            shift = {0xF8: 16, 0xF7: 8, 0xF6: 0}[reg]
            mask = 0x3F if reg == 0xF8 else 0xFF
            self.tblptr = (self.tblptr & ~(0xFF << shift)) | ((self.w & mask) << shift)
        elif op == 0:
            text = 'NOP'
        else:
            text = '0x%04X' % op
        self.ann(ss, es, 3, [text])

    def decode_pic18(self):
        cbits = self.bits(4)
        if cbits is None:
            return None
        cmd = self.value(cbits)
        ss = cbits[0][0]
        if self.long(cbits[3][1] - cbits[3][0]):
            self.ann(cbits[3][0], cbits[3][1], 4, ['P9 hold', 'P9'])
        pbits = self.bits(16)
        if pbits is None:
            return None
        if self.long(pbits[0][0] - cbits[3][1]):
            self.ann(cbits[3][1], pbits[0][0], 4, ['P10/P11 wait', 'wait'])
        es = pbits[-1][1]
        if cmd == 11:
            self.tblptr = (self.tblptr + 1) & 0x3FFFFF
        addr = self.tblptr
        payload = self.value(pbits)
        name = PIC18_COMMANDS.get(cmd, 'Command %d' % cmd)
        self.ann(ss, cbits[-1][1], 0, [name, '%d' % cmd])
        dss = pbits[0][0]
        if cmd in PIC18_READS:
            data = self.value(pbits[8:])
            self.ann(pbits[8][0], es, 1, ['Read 0x%02X' % data, '%02X' % data])
        else:
            data = payload
            if cmd == 0:
                self.core(dss, es, payload)
            else:
                self.ann(dss, es, 1, ['Write 0x%04X' % data, '%04X' % data])
        if cmd != 0:
            self.ann(ss, es, 2, ['Address 0x%06X' % addr, '%06X' % addr])
        self.fields(ss, es, cmd, None if cmd == 0 else addr, data)
        if cmd == 9:
            self.tblptr = (self.tblptr + 1) & 0x3FFFFF
        elif cmd == 10:
            self.tblptr = (self.tblptr - 1) & 0x3FFFFF
        elif cmd in (13, 14):
            self.tblptr = (self.tblptr + 2) & 0x3FFFFF
        return True
