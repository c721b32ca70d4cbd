#pragma once
// A minimal 18F ICSP host written for these tests from the chips' own programming rules (4-bit
// commands with 16-bit payloads, the held 4th clock, the erase frame), so the simulated 18F is
// checked against the protocol rather than against our production link.
#include <cstdint>

#include "icsp_host.h"

namespace korvane::sim::test {

// ICSP commands of the 18F parts.
enum : std::uint8_t {
    kCore = 0x0, kShiftTablat = 0x2, kTableRead = 0x8, kTableReadPostInc = 0x9, kTableReadPostDec = 0xA,
    kTableReadPreInc = 0xB, kTableWrite = 0xC, kTableWritePostInc2 = 0xD, kTableWritePostDec2 = 0xE,
    kTableWriteProgram = 0xF,
};

class Icsp18 : public IcspWire {
public:
    using IcspWire::IcspWire;

    void bits(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) pulse((v >> i) & 1);
    }
    void command(std::uint8_t code, std::uint16_t payload) {
        bits(code, 4);
        bits(payload, 16);
    }
    void core(std::uint16_t instruction) { command(kCore, instruction); }
    // A read command: eight ignored payload clocks, then the chip's byte, sampled while the clock is high.
    std::uint8_t read(std::uint8_t code) {
        bits(code, 4);
        bits(0, 8);
        l_.data(true);
        std::uint8_t v = 0;
        for (int i = 0; i < 8; ++i) {
            l_.clock(true);
            c_.busy_wait_us(1);
            if (l_.sense()) v |= std::uint8_t(1u << i);
            l_.clock(false);
            c_.busy_wait_us(1);
        }
        l_.data(false);
        return v;
    }
    void set_tblptr(std::uint32_t a) {
        core(std::uint16_t(0x0E00 | ((a >> 16) & 0x3F)));
        core(0x6EF8);
        core(std::uint16_t(0x0E00 | ((a >> 8) & 0xFF)));
        core(0x6EF7);
        core(std::uint16_t(0x0E00 | (a & 0xFF)));
        core(0x6EF6);
    }
    // EECON1: EEPGD and CFGS.
    void select(bool eepgd, bool cfgs) {
        core(eepgd ? 0x8EA6 : 0x9EA6);
        core(cfgs ? 0x8CA6 : 0x9CA6);
    }
    void program_memory() { select(true, false); }
    void config_space() { select(true, true); }
    std::uint8_t read_byte(std::uint32_t a) {
        set_tblptr(a);
        return read(kTableRead);
    }
    std::uint16_t device_id() {
        set_tblptr(0x3FFFFE);
        const std::uint8_t lo = read(kTableReadPostInc);
        return std::uint16_t(lo | (read(kTableReadPostInc) << 8));
    }
    // The command after a programming start: three clocks, the 4th held high for `hold_us`, low
    // for `low_us`, then a NOP payload.
    void program_wait(unsigned hold_us = 1000, unsigned low_us = 5) {
        bits(0, 3);
        l_.data(false);
        l_.clock(true);
        c_.busy_wait_us(hold_us);
        l_.clock(false);
        c_.busy_wait_us(low_us);
        bits(0, 16);
    }
    void panel_mode(bool multi) {
        config_space();
        set_tblptr(0x3C0006);
        command(kTableWrite, multi ? 0x0040 : 0x0000);
    }
    // Eight bytes at `a` (even words, low byte first); the last word starts programming or not.
    void load_row(std::uint32_t a, const std::uint16_t (&words)[4], bool start) {
        set_tblptr(a);
        for (int i = 0; i < 3; ++i) command(kTableWritePostInc2, words[i]);
        command(start ? kTableWriteProgram : kTableWrite, words[3]);
    }
    // Single-panel write of one row.
    void write_row(std::uint32_t a, const std::uint16_t (&words)[4]) {
        program_memory();
        load_row(a, words, true);
        program_wait();
    }
    // The whole erase frame: erase control written, NOP, then a 4-clock command 0, clock and data
    // low for `wait_us`, and its payload.
    void bulk_erase(std::uint8_t code, unsigned wait_us = 5010, bool cfgs = true) {
        select(true, cfgs);
        set_tblptr(0x3C0004);
        command(kTableWrite, code);
        core(0x0000);
        bits(0, 4);
        c_.busy_wait_us(wait_us);
        bits(0, 16);
    }
    void write_config(std::uint32_t a, std::uint8_t v) {
        config_space();
        core(0xEF00);
        core(0xF800);
        set_tblptr(a);
        command(kTableWriteProgram, std::uint16_t(a & 1 ? v << 8 : v));
        program_wait();
    }
    void set_eeadr(std::uint8_t a) {
        core(std::uint16_t(0x0E00 | a));
        core(0x6EA9);
    }
    // The data EEPROM write through EEADR, EEDATA and the 0x55/0xAA unlock; returns EECON1 right after WR.
    std::uint8_t start_eeprom_write(std::uint8_t a, std::uint8_t v, bool unlock = true) {
        select(false, false);
        set_eeadr(a);
        core(std::uint16_t(0x0E00 | v));
        core(0x6EA8);
        core(0x84A6);   // WREN
        if (unlock) {
            core(0x0E55);
            core(0x6EA7);
            core(0x0EAA);
            core(0x6EA7);
        }
        core(0x82A6);   // WR
        return eecon1();
    }
    std::uint8_t eecon1() {
        core(0x50A6);
        core(0x6EF5);
        return read(kShiftTablat);
    }
    std::uint8_t read_eeprom(std::uint8_t a) {
        select(false, false);
        set_eeadr(a);
        core(0x80A6);   // RD
        core(0x50A8);
        core(0x6EF5);
        return read(kShiftTablat);
    }
};

} // namespace korvane::sim::test
