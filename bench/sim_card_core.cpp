// How fast the card's 14-bit core runs: a 24C256 card read at 9600 baud is some 33 million
// instruction cycles, so the core has to run far faster than the card's own 0.9 MHz.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/pic14_core.h"

namespace {

using korvane::sim::ICorePins;
using korvane::sim::Pic14Core;
using korvane::sim::Pic14Part;

class QuietPins final : public ICorePins {
public:
    std::uint8_t read_port(int, std::uint64_t) override { return 0xFF; }
    void drive_changed(int, std::uint8_t, std::uint8_t, std::uint64_t) override { ++changes; }
    std::uint64_t changes = 0;
};

// bsf STATUS,RP0; clrf TRISB; bcf STATUS,RP0; then a loop of `body` words and goto 3.
void run_loop(benchmark::State& state, std::vector<std::uint16_t> body) {
    std::vector<std::uint16_t> program = {0x1683, 0x0186, 0x1283};
    program.insert(program.end(), body.begin(), body.end());
    program.push_back(0x2803);
    QuietPins pins;
    Pic14Core core(Pic14Part::F628, pins, 3579545.0 / 4);
    core.load(program, 0x3F29, {});
    constexpr std::uint64_t kSlice = 1000000;
    for (auto _ : state) core.run(core.cycles() + kSlice);
    state.SetItemsProcessed(std::int64_t(core.cycles()));
    state.counters["pin_changes"] = double(pins.changes);
}

// Register arithmetic and a counted loop: movf 0x21,w; addwf 0x22,f; decfsz 0x20,f.
void BM_CoreRegisterLoop(benchmark::State& state) { run_loop(state, {0x0821, 0x07A2, 0x0BA0}); }
BENCHMARK(BM_CoreRegisterLoop);

// A port write every loop, as a bit-banging loader does: incf PORTB,f; decfsz 0x20,f.
void BM_CorePortLoop(benchmark::State& state) { run_loop(state, {0x0A86, 0x0BA0}); }
BENCHMARK(BM_CorePortLoop);

} // namespace
