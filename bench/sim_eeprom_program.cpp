// A full 24C512 (65536 bytes) programmed with verify after programming on the simulated bench,
// through the serial-calls backend with the default JDM record (EEPROM bit time 1 us).
//   wall/asked: wall time over the waits the bus protocol asks for: the bit time after every
//               line change (leaving out the poll attempts the chip refused while busy), the
//               chip's write cycle after every page, the settling and target-on sleeps. 1.0 is
//               the ideal; acknowledge polling should keep it within 1.05.
//               Argument 0: port access refused (a user without CAP_SYS_RAWIO), so the bit time
//               is the clock's busy wait. Argument 1: port access granted, so every bit time is a
//               PC timer wait of at least eight 1 us port accesses (timer_s is their share).
//   calls/byte: serial calls per byte written and per byte verified (virtual clock), with and
//               without leaving out calls for lines already at their level.
#include <benchmark/benchmark.h>

#if __has_include("sim/eeprom24_model.h")
#include <chrono>
#include <cstdlib>
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

namespace korvane {
namespace {

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
    explicit Rig(bool virtual_clock, bool port_access = true) {
        restart_bench_sim("korvane-bench-sim", virtual_clock);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign(port_access ? "SIM" : register_sim_without_port_access(resolver));
        settings.current_programmer().direct_io = 0;
        settings.confirm_program = 0;
        settings.eprom_verify_after = 1;
        io.set_eeprom_line_mode(true);
        ee.load_programmer_params();
        ee.set_type(k24C512);
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

void BM_Program24C512RealClock(benchmark::State& state) {
    for (auto _ : state) {
        const bool port_access = state.range(0) != 0;
        Rig rig(false, port_access);
        const auto accesses0 = sim_port_accesses();
        const auto t0 = std::chrono::steady_clock::now();
        const bool ok = rig.runner.run(EEPromTask::Program, *rig.image) == TaskResult::Done;
        const double wall_us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
        if (!ok || rig.host.failures) state.SkipWithError("programming failed");
        const double bit_us = rig.settings.current_programmer().eeprom_bit_time_us & 0xFF;
        const double cycles = double(sim::SimBench::instance().counters().cycles_completed);
        const double twr_us = sim::eeprom24_model(k24C512)->write_cycle_us;
        const double waits_us = bit_us * double(rig.tally.changes - 31 * rig.ee.bus().unanswered_polls());
        const double asked_us = waits_us + cycles * twr_us + rig.tally.sleep_us;
        state.counters["wall_s"] = wall_us / 1e6;
        state.counters["asked_s"] = asked_us / 1e6;
        state.counters["wall/asked"] = wall_us / asked_us;
        state.counters["bit_waits_s"] = waits_us / 1e6;
        state.counters["write_cycles"] = cycles;
        state.counters["refused_polls"] = double(rig.ee.bus().unanswered_polls());
        state.counters["oversleep_s"] = rig.tally.oversleep_us / 1e6;
        state.counters["timer_s"] = double(sim_port_accesses() - accesses0) * 1e-6;
    }
}
BENCHMARK(BM_Program24C512RealClock)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SerialCallsPerByte(benchmark::State& state) {
    const bool skip_unchanged = state.range(0) != 0;
    for (auto _ : state) {
        Rig rig(true);
        rig.io.set_skip_unchanged_lines(skip_unchanged);
        rig.ee.open();
        auto before = rig.io.serial_call_count();
        rig.ee.write(eeprom_type(k24C512).write_bytes);
        const auto write_calls = rig.io.serial_call_count() - before;
        before = rig.io.serial_call_count();
        const bool ok = rig.ee.read_verify(true);
        const auto verify_calls = rig.io.serial_call_count() - before;
        rig.ee.close();
        if (!ok) state.SkipWithError("verify failed");
        state.counters["write calls/byte"] = double(write_calls) / 65536.0;
        state.counters["verify calls/byte"] = double(verify_calls) / 65536.0;
    }
}
BENCHMARK(BM_SerialCallsPerByte)->Arg(0)->Arg(1)->Iterations(1);

} // namespace
} // namespace korvane
#endif
