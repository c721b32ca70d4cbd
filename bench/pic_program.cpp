// A full 16F84 image (1024 non-blank words, 64 data bytes) programmed and verified on the
// simulated bench with the real clock and the default JDM record.
//   wall/asked: wall time over the waits the protocol asks for (bit times, command delays,
//               programming delays, target-on and close waits); 1.0 is the ideal.
//   calls/word: serial calls per programmed word with the serial-calls backend, with and
//               without leaving out calls for lines already at their level.
#include <benchmark/benchmark.h>

#if __has_include("sim/sim_bench.h")
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include "app/host.h"
#include "app/settings.h"
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

struct Rig {
    explicit Rig(bool virtual_clock) {
        restart_bench_sim("korvane-bench-sim", virtual_clock);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        pic.load_settings();
        pic.set_device(0);
        std::mt19937 rng(5);
        clear_pic_image(*image, 0);
        for (int i = 0; i < 1024; ++i) image->code[std::size_t(i)] = std::uint16_t(rng() % 0x3FFF);
        for (int i = 0; i < 64; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
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

void BM_Program16F84RealClock(benchmark::State& state) {
    for (auto _ : state) {
        Rig rig(false);
        const auto t0 = std::chrono::steady_clock::now();
        bool ok = rig.pic.open_programmer() && rig.pic.program_all(true, false, true) && rig.pic.verify_all(true);
        rig.pic.close_programmer();
        const double wall_us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
        ok = ok && rig.pic.last_all_ok && rig.host.failures == 0;
        if (!ok) state.SkipWithError("programming failed");
        state.counters["wall_s"] = wall_us / 1e6;
        state.counters["asked_s"] = rig.tally.asked_us / 1e6;
        state.counters["wall/asked"] = wall_us / rig.tally.asked_us;
        // The share the system's sleep adds, and what is left for the link and the bench model.
        state.counters["oversleep_s"] = rig.tally.oversleep_us / 1e6;
        state.counters["(wall-oversleep)/asked"] = (wall_us - rig.tally.oversleep_us) / rig.tally.asked_us;
    }
}
BENCHMARK(BM_Program16F84RealClock)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SerialCallsPerWord(benchmark::State& state) {
    const bool skip_unchanged = state.range(0) != 0;
    for (auto _ : state) {
        Rig rig(true);
        rig.settings.current_programmer().direct_io = 0;
        rig.settings.skip_3fff = 0;
        rig.io.set_skip_unchanged_lines(skip_unchanged);
        rig.pic.open_programmer();
        const auto before = rig.io.serial_call_count();
        rig.pic.program_code_area(true, false, false);
        const auto calls = rig.io.serial_call_count() - before;
        rig.pic.close_programmer();
        state.counters["calls/word"] = double(calls) / 1024.0;
    }
}
BENCHMARK(BM_SerialCallsPerWord)->Arg(0)->Arg(1)->Iterations(1);

} // namespace
} // namespace korvane
#endif
