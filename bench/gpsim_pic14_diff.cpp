// Generated 14-bit programs on our core and on gpsim, compared as in the ctest sample, for
// many seeds: how many programs a second the comparison gets through, and how many differ.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "gpsim/lib/pic14_diff.h"

namespace {

using namespace korvane;
using namespace korvane::gpsim;

void pic14_diff(benchmark::State& state, sim::Pic14Part part) {
    const auto dir = std::filesystem::temp_directory_path() / "korvane-bench-pic14-diff";
    std::filesystem::create_directories(dir);
    try {
        Pic14Diff diff(pic14_target(part), dir);
        std::uint32_t seed = 200000;
        std::int64_t programs = 0, mismatches = 0;
        for (auto _ : state) {
            if (!diff.run(pic14_program(diff.target(), seed++)).empty()) ++mismatches;
            ++programs;
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
