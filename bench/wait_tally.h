#pragma once
// Bench helpers: a host that only counts failures, and a line wrapper that adds up every wait the
// operations ask of the line interface (bit times, command delays, programming and erase waits,
// target-on and close waits), so wall time can be set against it.
#include <chrono>

#include "app/host.h"
#include "app/settings.h"
#include "pic/programmer_lines.h"

namespace korvane {

class SilentHost : public IHost {
public:
    int failures = 0;
    int message_box(const std::vector<std::string>&, MsgKind kind, const std::vector<int>& b) override {
        failures += kind == MsgKind::Error;
        return b.empty() ? 1 : b.front();
    }
    void set_status_text(int, const std::string&) override {}
};

// Adds up every wait asked of the line interface.
class WaitTally : public ForwardingLines {
public:
    explicit WaitTally(IProgrammerLines& inner, const SettingsRecord& s) : ForwardingLines(inner), settings_(s) {}
    double asked_us = 0;
    void close_port() override {
        if (settings_.current_programmer().direct_io) asked_us += 100e3;
        inner_.close_port();
    }
    void target_on() override {
        const auto& p = settings_.current_programmer();
        asked_us += 1e3 * (50.0 + p.tset0_ms + p.thld0_ms + (p.direct_io && first_ ? 350.0 : 0.0));
        first_ = false;
        inner_.target_on();
    }
    void wait_us(unsigned n) override {
        asked_us += n & 0xFF;
        inner_.wait_us(n);
    }
    void sleep_ms(unsigned n) override {
        asked_us += 1e3 * n;
        const auto t0 = std::chrono::steady_clock::now();
        inner_.sleep_ms(n);
        oversleep_us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() -
                        1e3 * n;
    }
    double oversleep_us = 0;   // time the millisecond sleeps lasted beyond what was asked

private:
    const SettingsRecord& settings_;
    bool first_ = true;
};

} // namespace korvane
