#include "sim/pic18_card_core.h"

namespace korvane::sim {

Pic18CardCore::Pic18CardCore(const Pic18Model& model, const std::vector<std::uint8_t>* image, ICorePins& pins,
                             double instruction_hz)
    : memory_(model), core_(model, memory_), pins_(&pins) {
    if (image) memory_.load_image(*image);
    loaded_eeprom_ = memory_.eeprom;
    set_instruction_hz(instruction_hz);
    core_.pin_reader = [this](int port) { return pins_->read_port(port, cycles()); };
    // The change shows at the end of the instruction's first cycle, as the 14-bit core reports it.
    core_.on_port_change = [this](int port) {
        pins_->drive_changed(port, core_.latch(port), core_.tris(port), cycles() + 1);
    };
    reset(CoreReset::PowerOn);
}

void Pic18CardCore::reset(CoreReset kind) {
    base_ = core_.cycles();
    instructions_ = 0;
    core_.reset(kind == CoreReset::PowerOn ? Pic18Reset::PowerOn : Pic18Reset::Mclr);
}

void Pic18CardCore::run(std::uint64_t until) {
    stop_ = false;
    while (!stop_ && cycles() < until) {
        core_.step();
        ++instructions_;
    }
}

} // namespace korvane::sim
