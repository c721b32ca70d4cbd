// What a line trace costs: the same EEPROM task with and without recording, the wires of an
// EEPROM command on SIM (host port, I2C, the socket's pins) going to a VCD file.
//   Program24C512Trace (real clock, port access refused): a full 24C512 written and verified.
//               wall/asked as in bench_sim_eeprom_program, the trace file's size, the changes
//               written, and how far the process's peak resident memory rose during the task
//               (VmHWM reset before it), which the writer's bounded buffer should keep flat.
//   RecordingCost (virtual clock, so the waits cost nothing): a 24C16 written and verified
//               without and with a trace; the host's extra time per recorded change.
#include <benchmark/benchmark.h>

#if __has_include("sim/eeprom24_model.h")
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "sim_eeprom_rig.h"
#include "trace/line_recorder.h"

namespace korvane {
namespace {

using bench::k24C512;
using bench::Rig;
using trace::Group;
using trace::LineRecorder;

constexpr int k24C16 = 4;

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"); 0 when unreadable.
double status_kb(const std::string& field) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field + ":", 0) == 0) return std::stod(line.substr(field.size() + 1));
    return 0;
}

// Sets the peak resident size back to the current one (Linux: clear_refs value 5).
void reset_peak_memory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

struct TracedRun {
    bool ok = false;
    double wall_us = 0;
    double file_mb = 0;
    double changes = 0;
    double peak_growth_mb = 0;
};

TracedRun run_program(Rig& rig, bool traced, const char* file_name) {
    const auto vcd = std::filesystem::temp_directory_path() / file_name;
    TracedRun r;
    reset_peak_memory();
    const double rss_kb = status_kb("VmRSS");
    if (traced && !LineRecorder::instance().start(vcd, {Group::HostPort, Group::I2c, Group::Socket24})) return r;
    const auto t0 = std::chrono::steady_clock::now();
    r.ok = rig.runner.run(EEPromTask::Program, *rig.image) == TaskResult::Done && !rig.host.failures;
    r.wall_us = std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count();
    if (traced) {
        r.changes = double(LineRecorder::instance().changes());
        r.ok = LineRecorder::instance().stop() && r.ok;
        r.file_mb = double(std::filesystem::file_size(vcd)) / 1e6;
        std::filesystem::remove(vcd);
    }
    r.peak_growth_mb = (status_kb("VmHWM") - rss_kb) / 1e3;
    return r;
}

void BM_Program24C512Trace(benchmark::State& state) {
    const bool traced = state.range(0) != 0;
    for (auto _ : state) {
        Rig rig(false, false);
        const TracedRun r = run_program(rig, traced, "korvane-bench-24c512.vcd");
        if (!r.ok) state.SkipWithError("programming or recording failed");
        const double asked_us = bench::eeprom_asked_us(rig, k24C512);
        state.counters["wall_s"] = r.wall_us / 1e6;
        state.counters["asked_s"] = asked_us / 1e6;
        state.counters["wall/asked"] = r.wall_us / asked_us;
        state.counters["oversleep_s"] = rig.tally.oversleep_us / 1e6;
        state.counters["trace_MB"] = r.file_mb;
        state.counters["changes"] = r.changes;
        state.counters["peak_growth_MB"] = r.peak_growth_mb;
    }
}
BENCHMARK(BM_Program24C512Trace)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kSecond);

void BM_RecordingCost(benchmark::State& state) {
    double plain_us = 0, traced_us = 0, changes = 0, file_mb = 0;
    for (auto _ : state) {
        for (bool traced : {false, true}) {
            Rig rig(true, false, k24C16);
            const TracedRun r = run_program(rig, traced, "korvane-bench-24c16.vcd");
            if (!r.ok) state.SkipWithError("programming or recording failed");
            (traced ? traced_us : plain_us) += r.wall_us;
            changes += r.changes;
            file_mb = r.file_mb;
        }
    }
    const double n = double(state.iterations());
    state.counters["plain_ms"] = plain_us / n / 1e3;
    state.counters["traced_ms"] = traced_us / n / 1e3;
    state.counters["changes"] = changes / n;
    state.counters["trace_MB"] = file_mb;
    if (changes > 0) state.counters["extra_ns/change"] = (traced_us - plain_us) * 1e3 / changes;
}
BENCHMARK(BM_RecordingCost)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace korvane
#endif
