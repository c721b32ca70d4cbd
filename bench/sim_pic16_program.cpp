// CPU cost of the simulated bench on the virtual clock: a whole 16F877 written and read back
// through the serial view and through the UART registers.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>

#include "../tests/sim/icsp_host.h"

namespace {

using namespace korvane;
using namespace korvane::sim;

void program_and_read(benchmark::State& state, bool through_uart) {
    const auto dir = std::filesystem::temp_directory_path() / "korvane-bench-sim";
    setenv("KORVANE_SIM_DIR", dir.c_str(), 1);
    setenv("KORVANE_SIM_CLOCK", "virtual", 1);
    unsetenv("KORVANE_SIM");
    SimBench bench;
    bench.select_target(TargetKind::Pic, 3);
    for (auto _ : state) {
        std::string error;
        auto port = bench.serial().open("SIM", error);
        test::SerialLines serial_lines(*port);
        test::UartLines uart_lines(bench.ports());
        test::Lines& lines = through_uart ? static_cast<test::Lines&>(uart_lines) : serial_lines;
        test::Icsp h(lines, bench.clock());
        h.enter();
        for (int i = 0; i < 8192; ++i) {
            h.program_word(std::uint16_t(i * 7), 8);
            h.increment();
        }
        h.enter();
        unsigned sum = 0;
        for (int i = 0; i < 8192; ++i) {
            sum += h.read_program();
            h.increment();
        }
        benchmark::DoNotOptimize(sum);
    }
    std::filesystem::remove_all(dir);
}

void BM_Sim16F877ProgramAndReadSerial(benchmark::State& s) { program_and_read(s, false); }
void BM_Sim16F877ProgramAndReadUart(benchmark::State& s) { program_and_read(s, true); }

} // namespace

BENCHMARK(BM_Sim16F877ProgramAndReadSerial)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sim16F877ProgramAndReadUart)->Unit(benchmark::kMillisecond);
