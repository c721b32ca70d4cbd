#pragma once
// A programmer that records every line operation, for waveform tests without a chip.
#include <string>
#include <vector>

#include "pic/programmer_lines.h"

namespace korvane::test {

class RecordingLines : public IProgrammerLines {
public:
    struct Bit {
        bool data;   // Data Out while the clock rose
    };
    bool open_ok = true;
    bool data_in_level = false;
    bool data = false, clock = false;
    bool open = false;
    int opens = 0, closes = 0, target_ons = 0;
    std::vector<Bit> clocked;          // one entry per rising clock edge
    std::vector<unsigned> waits_us;    // every wait_us call
    std::vector<unsigned> sleeps_ms;
    std::string log;                   // D/d data high/low, C/c clock high/low, r read, w wait

    bool open_port(const std::string&) override {
        ++opens;
        open = open_ok;
        return open_ok;
    }
    void close_port() override {
        ++closes;
        open = false;
    }
    void target_on() override { ++target_ons; }
    void data_high() override { data = true; log += 'D'; }
    void data_low() override { data = false; log += 'd'; }
    void clock_high() override {
        if (!clock) clocked.push_back({data});
        clock = true;
        log += 'C';
    }
    void clock_low() override { clock = false; log += 'c'; }
    bool read_data_in() override {
        log += 'r';
        return data_in_level;
    }
    void wait_us(unsigned n) override {
        waits_us.push_back(n);
        log += 'w';
    }
    void sleep_ms(unsigned n) override { sleeps_ms.push_back(n); }

    void clear() {
        clocked.clear();
        waits_us.clear();
        sleeps_ms.clear();
        log.clear();
    }
    std::string clocked_bits() const {
        std::string s;
        for (const auto& b : clocked) s += b.data ? '1' : '0';
        return s;
    }
};

} // namespace korvane::test
