#pragma once
#include "icsp18_host.h"
#include "sim_fixture.h"

namespace korvane::sim::test {

// Catalogue indexes of the 18F parts.
enum : int { k18F242 = 4, k18F248, k18F252, k18F258, k18F442, k18F448, k18F452, k18F458 };

class Pic18Test : public SimTest {
protected:
    // Opens "SIM" with the given 18F part in the socket.
    Icsp18& open18(int index = k18F452) {
        open_with_pic(index);
        icsp18_ = std::make_unique<Icsp18>(*lines_, bench_->clock());
        return *icsp18_;
    }
    Pic18Chip& chip18() { return *bench_->pic18(); }
    Pic18Memory& mem() { return chip18().memory(); }
    std::uint64_t violations() { return bench_->counters().timing_violations; }

    std::unique_ptr<Icsp18> icsp18_;
};

} // namespace korvane::sim::test
