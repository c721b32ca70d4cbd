// Generated PIC18 programs on our core and on gpsim's p18f452, compared as in the ctest sample,
// for many seeds: how many programs a second the comparison gets through, and how many differ.
// Every program that differs is named on stderr (seed, the differences and the first
// instruction after which the two disagree), once per seed, so `pic18_program(seed)`
// reproduces it.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <iostream>
#include <set>
#include <string>

#include "gpsim/lib/pic18_diff.h"

namespace {

using namespace korvane::gpsim;

constexpr std::uint32_t kFirstSeed = 200000;

void report_mismatch(Pic18Diff& diff, const Pic18Program& program, const std::vector<std::string>& differences) {
    static std::set<std::uint32_t> reported;
    if (!reported.insert(program.seed).second) return;
    std::string message = "mismatch: 18F452 seed " + std::to_string(program.seed) + "\n";
    for (const auto& d : differences) message += "  " + d + "\n";
    message += "  first: " + diff.first_divergence(program) + "\n";
    std::cerr << message << std::flush;
}

void pic18_diff(benchmark::State& state) {
    const auto dir = std::filesystem::temp_directory_path() / "korvane-bench-pic18-diff";
    std::filesystem::create_directories(dir);
    try {
        Pic18Diff diff(dir);
        std::uint32_t seed = kFirstSeed;
        std::int64_t programs = 0, mismatches = 0;
        for (auto _ : state) {
            const auto program = pic18_program(seed++);
            const auto differences = diff.run(program);
            if (!differences.empty()) {
                ++mismatches;
                // Tracing steps gpsim one instruction at a time: not part of the rate.
                state.PauseTiming();
                report_mismatch(diff, program, differences);
                state.ResumeTiming();
            }
            ++programs;
        }
        state.counters["programs_per_s"] = benchmark::Counter(double(programs), benchmark::Counter::kIsRate);
        state.counters["mismatches"] = double(mismatches);
    } catch (const GpsimError& e) {
        state.SkipWithError(e.what());
    }
}

BENCHMARK(pic18_diff)->Name("pic18_diff/18F452")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
