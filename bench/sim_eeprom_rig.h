#pragma once
// The EEPROM task runner on the simulated bench for benchmarks: the serial-calls backend over
// "SIM" (or "SIMN", port access refused), a 24C512 image of random bytes, and a tally of the
// output changes and millisecond waits the bus asks for.
#include <chrono>
#include <memory>
#include <random>

#include "app/eeprom_tasks.h"
#include "buffers/eeprom_buffers.h"
#include "eeprom/eeprom_catalogue.h"
#include "eeprom/ti2c.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "sim/eeprom24_model.h"
#include "sim/sim_bench.h"
#include "bench_sim.h"
#include "wait_tally.h"

namespace korvane::bench {

constexpr int k24C512 = 10;

// Counts the output changes and the millisecond waits on the way to the line interface.
class BusTally : public ForwardingLines {
public:
    BusTally(IProgrammerLines& inner, const SettingsRecord& s) : ForwardingLines(inner), settings_(s) {}
    std::uint64_t changes = 0;
    double sleep_us = 0, oversleep_us = 0;
    void data_high() override { ++changes; inner_.data_high(); }
    void data_low() override { ++changes; inner_.data_low(); }
    void clock_high() override { ++changes; inner_.clock_high(); }
    void clock_low() override { ++changes; inner_.clock_low(); }
    void target_on() override {
        const auto& p = settings_.current_programmer();
        sleep_us += 1e3 * (50.0 + p.tset0_ms + p.thld0_ms);
        inner_.target_on();
    }
    void sleep_ms(unsigned n) override {
        sleep_us += 1e3 * n;
        const auto t0 = std::chrono::steady_clock::now();
        inner_.sleep_ms(n);
        oversleep_us += std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count() - 1e3 * n;
    }

private:
    const SettingsRecord& settings_;
};

class NoView : public IEEPromTaskView {
public:
    void enable_abort() override {}
    void disable_abort() override {}
    void enable_device_list(bool) override {}
    void refresh_eeprom_view(bool) override {}
};

struct Rig {
    explicit Rig(bool virtual_clock, bool port_access = true, int type = k24C512) {
        restart_bench_sim("korvane-bench-sim", virtual_clock);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign(port_access ? "SIM" : register_sim_without_port_access(resolver));
        settings.current_programmer().direct_io = 0;
        settings.confirm_program = 0;
        settings.eprom_verify_after = 1;
        io.set_eeprom_line_mode(true);
        ee.load_programmer_params();
        ee.set_type(type);
        ee.image = image->bytes.data();
        runner.set_priority = nullptr;
        std::mt19937 rng(512);
        for (auto& b : image->bytes) b = std::uint8_t(rng());
    }
    SettingsRecord settings{};
    SilentHost host;
    PortResolver& resolver = default_port_resolver();
    Serial_IO io{settings, host, resolver};
    SerialIoLines lines{io, resolver};
    BusTally tally{lines, settings};
    TI2C ee{settings, host, tally};
    NoView view;
    EEPromTaskRunner runner{settings, host, view, ee};
    std::unique_ptr<EEPromImage> image = std::make_unique<EEPromImage>();
};

// The waits the bus protocol asked of a finished task, in microseconds: the bit time after every
// line change (leaving out the poll attempts the chip refused while busy), the chip's write cycle
// after every page, the settling and target-on sleeps.
inline double eeprom_asked_us(Rig& rig, int type) {
    const double bit_us = rig.settings.current_programmer().eeprom_bit_time_us & 0xFF;
    const double cycles = double(sim::SimBench::instance().counters().cycles_completed);
    const double twr_us = sim::eeprom24_model(type)->write_cycle_us;
    const double waits_us = bit_us * double(rig.tally.changes - 31 * rig.ee.bus().unanswered_polls());
    return waits_us + cycles * twr_us + rig.tally.sleep_us;
}

} // namespace korvane::bench
