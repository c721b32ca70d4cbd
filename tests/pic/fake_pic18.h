#pragma once
// A small 18F chip behind the programmer lines: it decodes the 4-bit commands and 16-bit payloads
// on the clock edges, runs the few core instructions the programming sequences use, keeps panel
// write buffers, programs only during a held fourth clock and erases only when the erase frame is
// completed after its wait. Time passes only in sleep_ms. It lets the 18F operation, sequence and
// task tests run without the simulated bench.
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>

#include "fake_chip_lines.h"

namespace korvane::test {

class FakePic18 : public FakeChipLines {
public:
    std::array<std::uint8_t, 0x8000> code{};
    std::array<std::uint8_t, 8> id{};
    std::array<std::uint8_t, 14> config{};
    // Bits each configuration byte has (an 18F452); the others read 0.
    std::array<std::uint8_t, 14> config_bits{0x00, 0x27, 0x0F, 0x0F, 0x00, 0x01, 0x85,
                                             0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40};
    std::array<std::uint8_t, 256> data{};
    std::uint16_t device_id = 0x0420;   // an 18F452, revision 0
    unsigned code_bytes = 0x8000;
    unsigned ee_write_ms = 4;                       // data EEPROM write time
    std::map<unsigned, std::uint8_t> stuck_low;     // code byte address -> bits that stay 0
    std::map<unsigned, std::uint8_t> stuck_data_low;

    int programs = 0, erases = 0, table_reads = 0, ee_writes = 0;
    int violations = 0;      // programming or erase cut short, EEPROM write while busy
    int unknown_instructions = 0;
    // Tokens: "0:0E3F" a core instruction, "13:1234" a table write, "r9" and "r2" reads, "P11" a
    // programming cycle held 11 ms, "E80" an erase, "w2" a sleep elsewhere, "T" target on.

    FakePic18() {
        code.fill(0xFF);
        id.fill(0xFF);
        config.fill(0xFF);
        data.fill(0xFF);
    }

    void target_on() override {
        note("T");
        phase_ = Phase::Command;
        bits_ = shift_ = 0;
        tblptr_ = 0;
        w_ = 0;
        eecon1_ = 0;
        driving_ = false;
        hold_ = Hold::None;
        erase_stage_ = 0;
    }
    void clock_high() override {
        if (clock_) return;
        clock_ = true;
        if (!present) return;
        if (phase_ == Phase::Command && bits_ == 3 && program_pending_) {
            hold_ = Hold::Programming;
            held_ms_ = 0;
        }
        if (phase_ == Phase::ReadOut && bits_ >= 8) {
            driving_ = true;
            drive_ = (out_ >> (bits_ - 8)) & 1;
        }
    }
    void clock_low() override {
        if (!clock_) return;
        clock_ = false;
        if (present) falling_edge();
    }
    void sleep_ms(unsigned n) override {
        if (hold_ != Hold::None) held_ms_ += n;
        else note("w" + std::to_string(n));
        if (ee_busy_ms_ > 0) {
            ee_busy_ms_ -= int(n);
            if (ee_busy_ms_ <= 0) finish_ee_write();
        }
    }

private:
    enum class Phase { Command, Payload, ReadOut };
    enum class Hold { None, Programming, Erase };

    void falling_edge() {
        if (phase_ == Phase::Command) {
            if (dtr_) shift_ |= 1u << bits_;
            if (++bits_ < 4) return;
            command_ = shift_;
            bits_ = shift_ = 0;
            end_programming_hold();
            if (command_ == 0 && erase_stage_ == 1) {
                hold_ = Hold::Erase;
                held_ms_ = 0;
            }
            start_payload();
        } else if (phase_ == Phase::Payload) {
            if (hold_ == Hold::Erase && bits_ == 0) end_erase_hold();
            if (dtr_) shift_ |= 1u << bits_;
            if (++bits_ < 16) return;
            const std::uint16_t payload = std::uint16_t(shift_);
            bits_ = shift_ = 0;
            phase_ = Phase::Command;
            execute(payload);
        } else {
            if (++bits_ < 16) return;
            bits_ = 0;
            driving_ = false;
            phase_ = Phase::Command;
        }
    }

    void start_payload() {
        if (command_ == 2 || command_ == 9) {
            if (command_ == 9) {
                ++table_reads;
                tablat_ = read_table(tblptr_);
                tblptr_ = (tblptr_ + 1) & 0x3FFFFF;
            }
            note("r" + std::to_string(command_));
            out_ = tablat_;
            phase_ = Phase::ReadOut;
        } else {
            phase_ = Phase::Payload;
        }
    }

    void end_programming_hold() {
        if (hold_ != Hold::Programming) return;
        hold_ = Hold::None;
        program_pending_ = false;
        if (held_ms_ < 1) {
            ++violations;
            panels_loaded_.clear();
            return;
        }
        note("P" + std::to_string(held_ms_));
        program();
    }

    void end_erase_hold() {
        hold_ = Hold::None;
        erase_stage_ = 0;
        if (held_ms_ < 5) {
            ++violations;
            return;
        }
        char text[8];
        std::snprintf(text, sizeof text, "E%02X", erase_code_);
        note(text);
        bulk_erase();
    }

    void execute(std::uint16_t payload) {
        char text[16];
        std::snprintf(text, sizeof text, "%u:%04X", command_, unsigned(payload));
        note(text);
        if (command_ == 0) {
            // The NOP after an erase-control write arms the erase for the next frame.
            erase_stage_ = erase_armed_ && payload == 0 ? 1 : 0;
            erase_armed_ = false;
            core(payload);
        } else if (command_ == 12 || command_ == 13 || command_ == 15) {
            table_write(payload);
            if (command_ == 13) tblptr_ = (tblptr_ + 2) & 0x3FFFFF;
            if (command_ == 15) program_pending_ = true;
        }
    }

    void core(std::uint16_t ins) {
        const unsigned f = ins & 0xFF;
        if ((ins & 0xFF00) == 0x0E00) w_ = std::uint8_t(f);
        else if ((ins & 0xFF00) == 0x6E00) write_register(f, w_);
        else if ((ins & 0xFF00) == 0x5000) w_ = read_register(f);
        else if ((ins & 0xE000) == 0x8000 && f == 0xA6) bit_op(ins);
        else if (ins == 0x2AF6) tblptr_ = (tblptr_ & ~0xFFu) | ((tblptr_ + 1) & 0xFF);
        else if (ins == 0xEF00 || ins == 0xF800 || ins == 0x0000) {
        } else ++unknown_instructions;
    }

    void bit_op(std::uint16_t ins) {
        const std::uint8_t bit = std::uint8_t(1u << ((ins >> 9) & 7));
        const bool set = (ins & 0x1000) == 0;
        if (!set) {
            eecon1_ = std::uint8_t(eecon1_ & ~bit);
            return;
        }
        if (bit == 0x02) start_ee_write();
        else if (bit == 0x01) {
            if (ee_busy_ms_ <= 0) eedata_ = data[eeadr_];
        } else eecon1_ = std::uint8_t(eecon1_ | bit);
    }

    void start_ee_write() {
        const bool unlocked = unlock_ == 2;
        unlock_ = 0;
        if (!(eecon1_ & 0x04) || (eecon1_ & 0x80) || !unlocked) return;
        if (ee_busy_ms_ > 0) {
            ++violations;
            return;
        }
        eecon1_ |= 0x02;
        ee_value_ = eedata_;
        ee_address_ = eeadr_;
        ee_busy_ms_ = int(ee_write_ms);
    }
    void finish_ee_write() {
        ++ee_writes;
        std::uint8_t v = ee_value_;
        if (auto it = stuck_data_low.find(ee_address_); it != stuck_data_low.end()) v &= std::uint8_t(~it->second);
        data[ee_address_] = v;
        eecon1_ &= std::uint8_t(~0x02);
    }

    void write_register(unsigned f, std::uint8_t v) {
        switch (f) {
        case 0xF8: tblptr_ = (tblptr_ & 0x00FFFF) | (unsigned(v & 0x3F) << 16); break;
        case 0xF7: tblptr_ = (tblptr_ & 0x3F00FF) | (unsigned(v) << 8); break;
        case 0xF6: tblptr_ = (tblptr_ & 0x3FFF00) | v; break;
        case 0xF5: tablat_ = v; break;
        case 0xA9: eeadr_ = v; break;
        case 0xAA: break;
        case 0xA8: eedata_ = v; break;
        case 0xA7: unlock_ = (v == 0x55) ? 1 : (v == 0xAA && unlock_ == 1) ? 2 : 0; break;
        default: ++unknown_instructions;
        }
    }
    std::uint8_t read_register(unsigned f) const {
        if (f == 0xA6) return eecon1_;
        if (f == 0xA8) return eedata_;
        return 0;
    }

    std::uint8_t read_table(unsigned a) const {
        if (a < code_bytes) return code[a];
        if (a >= 0x200000 && a < 0x200008) return id[a - 0x200000];
        if (a >= 0x300000 && a < 0x30000E) {
            const unsigned k = a - 0x300000;
            return std::uint8_t(config[k] & config_bits[k]);
        }
        if (a == 0x3FFFFE) return std::uint8_t(device_id);
        if (a == 0x3FFFFF) return std::uint8_t(device_id >> 8);
        return 0xFF;
    }

    void table_write(std::uint16_t payload) {
        const unsigned a = tblptr_;
        if (command_ == 12 && a == 0x3C0004) {
            erase_code_ = payload & 0xFF;
            erase_armed_ = (eecon1_ & 0x40) != 0;   // with CFGS
            if (!erase_armed_) ++violations;
            return;
        }
        if (command_ == 12 && a == 0x3C0006) {
            multi_panel_ = (payload & 0x40) != 0;
            return;
        }
        if (a >= 0x300000 && a < 0x30000E) {
            config_address_ = a;
            config_byte_ = std::uint8_t((a & 1) ? payload >> 8 : payload);
            return;
        }
        const unsigned panel = a >= 0x200000 ? 4 : (a >> 13) & 3;
        Buffer& b = buffers_[panel];
        b.base = a & ~7u;
        b.bytes[a & 6] = std::uint8_t(payload);
        b.bytes[(a & 6) | 1] = std::uint8_t(payload >> 8);
        if (panels_loaded_.empty() || panels_loaded_.back() != panel) panels_loaded_.push_back(panel);
        last_panel_ = panel;
    }

    void program() {
        ++programs;
        if (tblptr_ >= 0x300000 && tblptr_ < 0x30000E && config_address_ == tblptr_) {
            config[config_address_ - 0x300000] = config_byte_;
            return;
        }
        std::vector<unsigned> panels = multi_panel_ ? panels_loaded_ : std::vector<unsigned>{last_panel_};
        for (unsigned panel : panels) {
            Buffer& b = buffers_[panel];
            for (unsigned k = 0; k < 8; ++k) {
                const unsigned a = b.base + k;
                if (a >= 0x200000 && a < 0x200008) id[a - 0x200000] &= b.bytes[k];
                else if (a < code_bytes) {
                    std::uint8_t v = std::uint8_t(code[a] & b.bytes[k]);
                    if (auto it = stuck_low.find(a); it != stuck_low.end()) v &= std::uint8_t(~it->second);
                    code[a] = v;
                }
            }
            b.bytes.fill(0xFF);
        }
        panels_loaded_.clear();
    }

    void bulk_erase() {
        ++erases;
        const unsigned c = erase_code_;
        if (c == 0x80) {
            code.fill(0xFF);
            data.fill(0xFF);
            id.fill(0xFF);
            config.fill(0xFF);
        } else if (c == 0x81) {
            data.fill(0xFF);
        } else if (c >= 0x88 && c <= 0x8B) {
            const unsigned from = (c - 0x88) * 0x2000;
            for (unsigned a = from; a < from + 0x2000 && a < code_bytes; ++a) code[a] = 0xFF;
        }
    }

    struct Buffer {
        unsigned base = 0;
        std::array<std::uint8_t, 8> bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    };

    Phase phase_ = Phase::Command;
    Hold hold_ = Hold::None;
    unsigned bits_ = 0, shift_ = 0, command_ = 0, held_ms_ = 0;
    unsigned tblptr_ = 0, config_address_ = 0, erase_code_ = 0, last_panel_ = 0;
    std::uint8_t w_ = 0, tablat_ = 0, eecon1_ = 0, eedata_ = 0, eeadr_ = 0, config_byte_ = 0, out_ = 0;
    std::uint8_t ee_value_ = 0;
    unsigned ee_address_ = 0, unlock_ = 0;
    int ee_busy_ms_ = 0, erase_stage_ = 0;
    bool erase_armed_ = false, multi_panel_ = false, program_pending_ = false;
    std::array<Buffer, 5> buffers_{};   // four panels and the ID locations
    std::vector<unsigned> panels_loaded_;
};

} // namespace korvane::test
