// How long the real busy wait overshoots: median and worst over all iterations, in nanoseconds.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "hardware/micro_timers.h"
#include "hardware/system_seams.h"

namespace {

void report(benchmark::State& state, std::vector<long long>& overshoot) {
    if (overshoot.empty()) return;
    std::sort(overshoot.begin(), overshoot.end());
    state.counters["median_overshoot_ns"] = double(overshoot[overshoot.size() / 2]);
    state.counters["p99_overshoot_ns"] = double(overshoot[overshoot.size() * 99 / 100]);
    state.counters["worst_overshoot_ns"] = double(overshoot.back());
    state.counters["early_returns"] = double(std::count_if(overshoot.begin(), overshoot.end(), [](long long v) { return v < 0; }));
}

void BM_ClockBusyWait(benchmark::State& state) {
    korvane::IClock& clock = korvane::system_clock();
    const auto n = std::uint32_t(state.range(0));
    std::vector<long long> overshoot;
    overshoot.reserve(200000);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        clock.busy_wait_us(n);
        const auto t1 = std::chrono::steady_clock::now();
        overshoot.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count() - n * 1000LL);
    }
    report(state, overshoot);
}
BENCHMARK(BM_ClockBusyWait)->Arg(1)->Arg(5)->Arg(20);

// The same through MicroTimers on a machine without port access (the usual Linux case).
void BM_MicroTimersWait(benchmark::State& state) {
    korvane::MicroTimers timers(korvane::system_clock(), korvane::system_port_io());
    const auto n = unsigned(state.range(0));
    std::vector<long long> overshoot;
    overshoot.reserve(200000);
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        timers.wait_us(n);
        const auto t1 = std::chrono::steady_clock::now();
        overshoot.push_back(std::chrono::duration_cast<std::chrono::nanoseconds>(t1 - t0).count() - n * 1000LL);
    }
    report(state, overshoot);
}
BENCHMARK(BM_MicroTimersWait)->Arg(1)->Arg(5)->Arg(20);

} // namespace
