#pragma once
// A small 16F chip behind the programmer lines, decoding the ICSP frames on the clock edges. It
// lets the operation, sequence and task tests run without the simulated bench; the bench tests
// cover the real line interface.
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>

#include "fake_chip_lines.h"

namespace korvane::test {

class FakePic16 : public FakeChipLines {
public:
    std::array<std::uint16_t, 8192> code{};
    std::array<std::uint8_t, 256> data{};
    std::array<std::uint16_t, 8> config{};
    unsigned code_size = 1024, data_size = 64;
    std::map<unsigned, std::uint16_t> stuck_low;      // address -> bits that never become 1
    std::map<unsigned, std::uint8_t> stuck_data_low;  // data address -> bits that never become 1

    int writes = 0, reads = 0, increments = 0;
    // Tokens: "2:3FFF" a load with its word ("0:FFFF" load configuration with its 16-bit value),
    // "r4" a read, bare codes for the rest, "w13" a sleep, "T" target on.

    FakePic16() {
        code.fill(0x3FFF);
        data.fill(0xFF);
        config.fill(0x3FFF);
        config[6] = 0x0560;   // a 16F84, revision 0
    }

    void target_on() override {
        note("T");
        pc_ = 0;
        phase_ = Phase::Command;
        bits_ = 0;
        shift_ = 0;
    }
    void clock_high() override {
        if (clock_) return;
        clock_ = true;
        if (phase_ == Phase::ReadOut) {
            ++out_clock_;
            if (out_clock_ >= 2 && out_clock_ <= 15) drive_ = (out_value_ >> (out_clock_ - 2)) & 1;
            driving_ = out_clock_ >= 2 && out_clock_ <= 15;
        }
    }
    void clock_low() override {
        if (!clock_) return;
        clock_ = false;
        falling_edge();
    }
    void sleep_ms(unsigned n) override { note("w" + std::to_string(n)); }

private:
    enum class Phase { Command, DataIn, ReadOut };

    void falling_edge() {
        if (!present) return;
        if (phase_ == Phase::Command) {
            if (dtr_) shift_ |= 1u << bits_;
            if (++bits_ == 6) {
                const unsigned cmd = shift_;
                bits_ = 0;
                shift_ = 0;
                command(cmd);
            }
        } else if (phase_ == Phase::DataIn) {
            if (dtr_) shift_ |= 1u << bits_;
            if (++bits_ == 16) {
                const std::uint16_t v = pending_ == 0 ? std::uint16_t(shift_)
                                                      : std::uint16_t((shift_ >> 1) & 0x3FFF);
                bits_ = 0;
                shift_ = 0;
                phase_ = Phase::Command;
                if (pending_ == 0) pc_ = 0x2000;
                latch_ = v;
                char text[8];
                std::snprintf(text, sizeof text, "%u:%04X", pending_, unsigned(v));
                note(text);
            }
        } else if (out_clock_ >= 16) {
            driving_ = false;
            phase_ = Phase::Command;
        }
    }

    void command(unsigned cmd) {
        if (cmd == 4 || cmd == 5) note("r" + std::to_string(cmd));
        else if (cmd != 0 && cmd != 2 && cmd != 3) note(std::to_string(cmd));
        if (cmd != 1 && cmd != 7 && cmd != 8) seq_ = 0;
        switch (cmd) {
        case 0: case 2: case 3:
            pending_ = cmd;
            last_load_ = cmd;
            phase_ = Phase::DataIn;
            break;
        case 4: case 5:
            ++reads;
            out_value_ = cmd == 4 ? read_program() : std::uint16_t(0x3F00 | read_data());
            out_clock_ = 0;
            phase_ = Phase::ReadOut;
            break;
        case 6:
            ++increments;
            pc_ = pc_ >= 0x2000 ? 0x2000 + ((pc_ + 1 - 0x2000) & 0x1FFF) : pc_ + 1;
            break;
        case 1: seq_ = 1; break;
        case 7: seq_ = seq_ == 1 ? 2 : 0; break;
        case 8:
            if (seq_ == 2) bulk_by_sequence();
            else program();
            seq_ = 0;
            break;
        case 9: code.fill(0x3FFF); break;
        case 11: data.fill(0xFF); break;
        default: break;
        }
    }

    std::uint16_t read_program() const {
        if (pc_ >= 0x2000) return config[pc_ & 7];
        return code[pc_ % code_size];
    }
    std::uint8_t read_data() const { return data[pc_ % data_size]; }

    void program() {
        ++writes;
        if (last_load_ == 3) {
            if (pc_ >= 0x2000) return;
            const unsigned a = pc_ % data_size;
            std::uint8_t v = std::uint8_t(latch_);
            if (auto it = stuck_data_low.find(a); it != stuck_data_low.end()) v = std::uint8_t(v & ~it->second);
            data[a] = v;
            return;
        }
        if (pc_ >= 0x2000) {
            const unsigned k = pc_ & 7;
            if (k < 4 || k == 7) config[k] = latch_;
            return;
        }
        const unsigned a = pc_ % code_size;
        std::uint16_t v = latch_;
        if (auto it = stuck_low.find(a); it != stuck_low.end()) v = std::uint16_t(v & ~it->second);
        code[a] = v;
    }

    void bulk_by_sequence() {
        if (pc_ == 0x2007) {
            code.fill(0x3FFF);
            data.fill(0xFF);
            for (int k = 0; k < 4; ++k) config[k] = 0x3FFF;
            config[7] = 0x3FFF;
        } else if (last_load_ == 3) {
            data.fill(0xFF);
        } else {
            code.fill(0x3FFF);
        }
    }

    Phase phase_ = Phase::Command;
    unsigned bits_ = 0, shift_ = 0, pending_ = 0, last_load_ = 2, seq_ = 0;
    unsigned pc_ = 0, out_clock_ = 0;
    std::uint16_t latch_ = 0x3FFF, out_value_ = 0;
};

} // namespace korvane::test
