#pragma once
// Runs the generated 14-bit programs on our core and in gpsim and compares what both end with:
// PC, W, every register both simulate (STATUS, FSR, PCLATH, INTCON, OPTION, TMR0, TRIS, the
// EEPROM registers, the general purpose registers of every bank), which addresses hold a
// register at all, the return stack (all eight entries, in pop order) and the cycle count.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "gpsim/lib/gpsim_process.h"
#include "gpsim/lib/pic14_programs.h"

namespace korvane::gpsim {

// Register bits left out of the comparison, with the reason (docs/gpsim.md has the details).
struct Pic14Exclusion {
    std::string part;       // "16F84A", or "*" for every part
    std::string register_name;   // its mirrors ("INTCON@0x08B") too
    std::uint8_t bits;      // the bits left out
    std::string reason;
};
const std::vector<Pic14Exclusion>& pic14_exclusions();

class Pic14Diff {
public:
    // Starts gpsim for the part with the fixed image; each program then rewrites the body page.
    Pic14Diff(const Pic14Target& target, const std::filesystem::path& work_dir);

    // The differences after the program's cycles, one line each; empty when both agree.
    std::vector<std::string> run(const Pic14Program& program);
    // The first instruction after which PC, W, STATUS, FSR, PCLATH, INTCON, TMR0 or the cycle
    // count differ, for a program run() found a difference in ("" when none does).
    std::string first_divergence(const Pic14Program& program);

    const Pic14Target& target() const { return target_; }

private:
    void start_gpsim();
    void load_body(const Pic14Program& program);
    // Steps gpsim until its cycle counter reaches `until`; returns the count it stopped at.
    std::uint64_t run_gpsim_until(std::uint64_t until);

    const Pic14Target& target_;
    std::filesystem::path hex_file_;
    std::unique_ptr<GpsimProcess> gpsim_;
    std::uint16_t body_ = 0;
    bool restart_ = false;   // the next run wants a fresh gpsim
};

} // namespace korvane::gpsim
