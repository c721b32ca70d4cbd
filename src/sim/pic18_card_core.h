#pragma once
// The PIC18 core in a card: the part's memory from its image, run on the card's clock, its
// ports seen through the card's pins.
#include <cstdint>
#include <vector>

#include "sim/card_core.h"
#include "sim/pic18_core.h"
#include "sim/pic18_memory.h"

namespace korvane::sim {

class Pic18CardCore final : public ICardCore {
public:
    // `image` may be null: a blank part.
    Pic18CardCore(const Pic18Model& model, const std::vector<std::uint8_t>* image, ICorePins& pins,
                  double instruction_hz);

    void reset(CoreReset kind) override;
    void run(std::uint64_t until) override;
    void stop() override { stop_ = true; }
    std::uint64_t cycles() const override { return core_.cycles() - base_; }
    std::uint64_t instructions() const override { return instructions_; }
    void set_instruction_hz(double hz) override { core_.set_oscillator_hz(std::uint32_t(hz * 4)); }
    const std::vector<std::uint8_t>& data_eeprom() const override { return memory_.eeprom; }
    bool data_eeprom_written() const override { return memory_.eeprom != loaded_eeprom_; }

    Pic18Core& core() { return core_; }

private:
    Pic18Memory memory_;   // before the core, which holds on to it
    Pic18Core core_;
    ICorePins* pins_;
    std::vector<std::uint8_t> loaded_eeprom_;
    std::uint64_t base_ = 0;   // the core's cycle count at the last reset
    std::uint64_t instructions_ = 0;
    bool stop_ = false;
};

} // namespace korvane::sim
