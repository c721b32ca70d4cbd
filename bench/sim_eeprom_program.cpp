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

#include "sim_eeprom_rig.h"

namespace korvane {
namespace {

using bench::k24C512;
using bench::Rig;

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
        const double waits_us = bit_us * double(rig.tally.changes - 31 * rig.ee.bus().unanswered_polls());
        const double asked_us = bench::eeprom_asked_us(rig, k24C512);
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
