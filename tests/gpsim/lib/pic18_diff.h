#pragma once
// Runs the generated PIC18 programs on our core and in gpsim's p18f452 and compares what both
// end with: PC, WREG, STATUS, BSR, every register both simulate (which data addresses hold a
// register at all, and their values: RAM, FSRs, table pointer and latch, product, PCLATH/U,
// Timer0, INTCON, the EEPROM registers, STKPTR and TOS), the live return-stack entries and the
// cycle count.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gpsim/lib/gpsim_process.h"
#include "gpsim/lib/pic18_programs.h"

namespace korvane::gpsim {

// Registers left out of the comparison, with the reason (docs/gpsim.md has the details).
struct Pic18Exclusion {
    std::string register_name;
    std::uint8_t bits;   // the bits left out: 0xFF for the whole register
    std::string reason;
};
const std::vector<Pic18Exclusion>& pic18_exclusions();

class Pic18Diff {
public:
    // Starts gpsim with the fixed image; each program then rewrites the body.
    explicit Pic18Diff(const std::filesystem::path& work_dir);

    // The differences after the program's cycles, one line each; empty when both agree.
    std::vector<std::string> run(const Pic18Program& program);
    // The first instruction after which PC, WREG, STATUS, BSR, the FSRs or the cycle count
    // differ, for a program run() found a difference in ("" when none does).
    std::string first_divergence(const Pic18Program& program);

private:
    void load_body(const Pic18Program& program);
    void restart();

    std::filesystem::path work_dir_;
    std::unique_ptr<GpsimProcess> gpsim_;
    bool fresh_ = true;   // no program has run in this gpsim yet
    unsigned programs_run_ = 0;
};

} // namespace korvane::gpsim
