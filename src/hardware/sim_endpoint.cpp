#include "hardware/sim_endpoint.h"

#include "sim/sim_bench.h"

namespace korvane {

Endpoint sim_endpoint() {
    auto& bench = sim::SimBench::instance();
    return Endpoint{&bench.serial(), &bench.ports(), &bench.clock(), true, "SIM"};
}

void sim_select_target(TargetKind kind, int index) { sim::SimBench::instance().select_target(kind, index); }

Endpoint sim_reader_endpoint() {
    auto& bench = sim::SimBench::instance();
    return Endpoint{&bench.reader(), &bench.ports(), &bench.clock(), true, "SIM"};
}

void sim_select_card(int pic_index, int eeprom_index) {
    sim::SimBench::instance().select_card(pic_index, eeprom_index);
}

} // namespace korvane
