// Generated 14-bit programs on our core and on gpsim, compared as in the ctest sample, for
// many seeds: how many programs a second the comparison gets through, and how many differ.
// Every program that differs is named on stderr (part, seed, the differences and the first
// instruction after which the two disagree), once per seed however often the benchmark
// repeats its run, so `pic14_program(pic14_target(part), seed)` reproduces it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <utility>

#include "gpsim/lib/pic14_diff.h"

namespace {

using namespace korvane;
using namespace korvane::gpsim;

constexpr std::uint32_t kFirstSeed = 200000;

void report_mismatch(Pic14Diff& diff, const Pic14Program& program, std::uint32_t seed,
                     const std::vector<std::string>& differences) {
    static std::set<std::pair<std::string, std::uint32_t>> reported;
    if (!reported.emplace(diff.target().name, seed).second) return;
    std::string message = "mismatch: " + diff.target().name + " seed " + std::to_string(seed) + "\n";
    for (const auto& d : differences) message += "  " + d + "\n";
    message += "  first: " + diff.first_divergence(program) + "\n";
    std::cerr << message << std::flush;
}

void pic14_diff(benchmark::State& state, sim::Pic14Part part) {
    const auto dir = std::filesystem::temp_directory_path() / "korvane-bench-pic14-diff";
    std::filesystem::create_directories(dir);
    try {
        Pic14Diff diff(pic14_target(part), dir);
        std::uint32_t seed = kFirstSeed;
        std::int64_t programs = 0, mismatches = 0;
        for (auto _ : state) {
            const auto program = pic14_program(diff.target(), seed);
            const auto differences = diff.run(program);
            if (!differences.empty()) {
                ++mismatches;
                // Tracing steps gpsim one instruction at a time: not part of the rate.
                state.PauseTiming();
                report_mismatch(diff, program, seed, differences);
                state.ResumeTiming();
            }
            ++programs;
            ++seed;
        }
        state.counters["programs_per_s"] = benchmark::Counter(double(programs), benchmark::Counter::kIsRate);
        state.counters["mismatches"] = double(mismatches);
    } catch (const GpsimError& e) {
        state.SkipWithError(e.what());
    }
}

BENCHMARK_CAPTURE(pic14_diff, 16F84A, sim::Pic14Part::F84A)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pic14_diff, 16F628, sim::Pic14Part::F628)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(pic14_diff, 16F877, sim::Pic14Part::F877)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
