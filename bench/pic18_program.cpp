// A full 18F452 image (16384 non-blank words, 256 data bytes, IDs, configuration) programmed with the
// multi-panel write and verified on the simulated bench with the real clock.
//   wall/asked: wall time over the waits the protocol asks for (bit times, command delays, the held
//               programming clock, erase and EEPROM write waits, target-on and close waits).
//               Arguments: the programming delay in ms (11 is the JDM default, 1 the chips' P9) and
//               the backend (1 Direct I/O, 0 serial calls, 2 serial calls without port access,
//               as a Linux user without CAP_SYS_RAWIO has them). The simulated UART and PC timer
//               cost 1 us per register access, as an ISA port does: access_s is that share of the
//               wall time. With port access every microsecond wait is a PC timer wait of at least
//               eight accesses; without it the wait is the clock's busy wait.
//   calls/byte: serial calls per programmed byte with the serial-calls backend, with and without
//               leaving out calls for lines already at their level.
#include <benchmark/benchmark.h>

#if __has_include("sim/sim_bench.h")
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <memory>
#include <random>

#include "buffers/pic_buffers.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"
#include "sim/sim_bench.h"
#include "bench_sim.h"
#include "wait_tally.h"

namespace korvane {
namespace {

constexpr int k18F452 = 10;

struct Rig {
    explicit Rig(bool virtual_clock) {
        restart_bench_sim("korvane-bench-sim18", virtual_clock);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.skip_3fff = 0;   // the multi-panel write
        pic.load_settings();
        pic.set_device(k18F452);
        std::mt19937 rng(7);
        clear_pic_image(*image, k18F452);
        for (auto& w : image->code) w = std::uint16_t(rng());
        for (int i = 0; i < 256; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
        for (auto& b : image->id) b = std::uint8_t(rng());
        pic.select_image(*image);
    }
    SettingsRecord settings{};
    SilentHost host;
    PortResolver& resolver = default_port_resolver();
    Serial_IO io{settings, host, resolver};
    SerialIoLines lines{io, resolver};
    WaitTally tally{lines, settings};
    TPIC pic{settings, host, tally};
    std::unique_ptr<PicImage> image = std::make_unique<PicImage>();
};

double cpu_seconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

void BM_Program18F452RealClock(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(false);
        rig.settings.current_programmer().prog_delay_ms = std::uint32_t(state.range(0));
        rig.settings.current_programmer().direct_io = std::uint8_t(state.range(1) == 1);
        if (state.range(1) == 2)
            rig.settings.current_programmer().port_name.assign(register_sim_without_port_access(rig.resolver));
        rig.pic.load_programmer_params();
        const auto accesses0 = sim_port_accesses();
        const double cpu0 = cpu_seconds();
        const auto t0 = std::chrono::steady_clock::now();
        bool ok = rig.pic.open_programmer() && rig.pic.program_all(true, false, true) && rig.pic.verify_all(true);
        rig.pic.close_programmer();
        const double wall_us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
        const double access_us = double(sim_port_accesses() - accesses0);
        ok = ok && rig.pic.last_all_ok && rig.host.failures == 0;
        if (!ok) state.SkipWithError("programming failed");
        state.counters["cpu_s"] = cpu_seconds() - cpu0;
        state.counters["access_s"] = access_us / 1e6;
        state.counters["(wall-oversleep-access)/asked"] =
            (wall_us - rig.tally.oversleep_us - access_us) / rig.tally.asked_us;
        state.counters["wall_s"] = wall_us / 1e6;
        state.counters["asked_s"] = rig.tally.asked_us / 1e6;
        state.counters["wall/asked"] = wall_us / rig.tally.asked_us;
        state.counters["oversleep_s"] = rig.tally.oversleep_us / 1e6;
        state.counters["(wall-oversleep)/asked"] = (wall_us - rig.tally.oversleep_us) / rig.tally.asked_us;
    }
}
BENCHMARK(BM_Program18F452RealClock)
    ->Args({11, 1})
    ->Args({11, 0})
    ->Args({11, 2})
    ->Args({1, 0})
    ->Args({1, 2})
    ->Iterations(1)
    ->Unit(benchmark::kSecond);

void BM_SerialCallsPerByte18F(benchmark::State& state) {
    const bool skip_unchanged = state.range(0) != 0;
    for (auto _ : state) {
        Rig rig(true);
        rig.settings.current_programmer().direct_io = 0;
        rig.io.set_skip_unchanged_lines(skip_unchanged);
        if (!rig.pic.open_programmer()) state.SkipWithError("no port");
        const auto before = rig.io.serial_call_count();
        const bool ok = rig.pic.program_code_area(true, false, true);
        const auto calls = rig.io.serial_call_count() - before;
        rig.pic.close_programmer();
        if (!ok || rig.host.failures) state.SkipWithError("programming failed");
        state.counters["calls/byte"] = double(calls) / (2.0 * rig.pic.code_size);
    }
}
BENCHMARK(BM_SerialCallsPerByte18F)->Arg(0)->Arg(1)->Iterations(1);

} // namespace
} // namespace korvane
#endif
