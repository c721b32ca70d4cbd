#pragma once
// A programmer that records every line operation, for waveform tests without a chip.
#include <string>
#include <vector>

#include "pic/programmer_lines.h"

namespace korvane::test {

class RecordingLines : public IProgrammerLines {
public:
    bool data_in_level = false;
    bool data = false, clock = false;
    std::string clocked_bits;          // Data Out at each rising clock edge, '0' or '1'
    std::vector<unsigned> waits_us;    // every wait_us call
    std::string log;                   // D/d data high/low, C/c clock high/low, r read, w wait, S sleep

    bool open_port(const std::string&) override { return true; }
    void close_port() override {}
    void target_on() override {}
    void data_high() override { data = true; log += 'D'; }
    void data_low() override { data = false; log += 'd'; }
    void clock_high() override {
        if (!clock) clocked_bits += data ? '1' : '0';
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
    void sleep_ms(unsigned n) override {
        sleeps_ms.push_back(n);
        log += 'S';
    }
    std::vector<unsigned> sleeps_ms;

    void clear() {
        clocked_bits.clear();
        waits_us.clear();
        sleeps_ms.clear();
        log.clear();
    }
};

} // namespace korvane::test
