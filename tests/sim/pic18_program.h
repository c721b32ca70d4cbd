#pragma once
// Runs small PIC18 programs on the simulated core: the source is assembled by gpasm at test
// time, loaded into an 18F452's memories, and the core stepped until SLEEP.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "gpasm_program.h"
#include "sim/pic18_core.h"

namespace korvane::sim::test {

class Pic18Program : public ::testing::Test {
protected:
    static constexpr int k18F452 = 10;

    void SetUp() override {
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not available";
    }

    // Assembles `body` (from address 0, decimal radix) and puts a fresh core over it.
    void build(const std::string& body, const std::string& config = "CONFIG WDT = OFF") {
        const Pic18Model& model = *pic18_model(k18F452);
        const AssembledProgram p = assemble("18f452", "\t" + config + "\n\torg 0\n" + body, model.code_bytes / 2);
        ASSERT_TRUE(p.ok()) << p.listing_error;
        mem_ = std::make_unique<Pic18Memory>(model);
        for (const auto& [a, v] : p.bytes) {
            if (a < mem_->program.size()) mem_->program[a] = v;
            else if (a >= kConfigBase && a < kConfigBase + kConfigBytes) mem_->config[a - kConfigBase] = v & config_mask(model, a - kConfigBase);
            else if (a >= 0xF00000 && a < 0xF00000 + mem_->eeprom.size()) mem_->eeprom[a - 0xF00000] = v;
        }
        core_ = std::make_unique<Pic18Core>(model, *mem_);
    }

    // Steps until SLEEP (or the cycle limit); returns the cycles used.
    std::uint64_t run(std::uint64_t limit = 1'000'000) {
        const std::uint64_t start = core_->cycles();
        while (!core_->sleeping() && core_->cycles() - start < limit) core_->step();
        EXPECT_TRUE(core_->sleeping()) << "no SLEEP within " << limit << " cycles, PC " << std::hex << core_->pc();
        return core_->cycles() - start;
    }
    std::uint8_t ram(std::uint16_t a) const { return core_->peek(a); }

    std::unique_ptr<Pic18Memory> mem_;
    std::unique_ptr<Pic18Core> core_;
};

} // namespace korvane::sim::test
