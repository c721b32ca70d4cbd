#pragma once
// A 24Cxx in the JDM board's EEPROM socket: the TXD break is its supply, RTS its SCL, the data
// node its SDA (DTR through the resistor, read back on CTS), chip-select pins low.
#include "sim/i2c_eeprom.h"
#include "sim/socket_chip.h"
#include "trace/line_recorder.h"

namespace korvane::sim {

class EepromSocketChip final : public SocketChip {
public:
    EepromSocketChip(const Eeprom24Model& model, const SimFaults& faults, SimCounters& counters)
        : chip_(model, faults, &counters) {}

    void pins_changed(const Pins& pins, std::uint64_t now_ns) override {
        chip_.update(pins.power && pins.vpp, pins.clock, pins.data, now_ns);
        // The pins as a logic analyser on the chip shows them: SDA is the wired AND of the node
        // and the chip's own pull, which the board feeds back on its next round.
        if (trace::LineRecorder::instance().on()) {
            trace::LineRecorder& recorder = trace::LineRecorder::instance();
            recorder.set(trace::Line::EeScl, pins.clock, now_ns);
            recorder.set(trace::Line::EeSda, pins.data && !chip_.pulls_sda_low(), now_ns);
        }
    }
    std::optional<bool> data_drive() const override {
        if (chip_.pulls_sda_low()) return false;
        return std::nullopt;
    }
    void settle(std::uint64_t now_ns) override { chip_.settle(now_ns); }
    std::string image_file_name() const override { return chip_.model().image_file; }
    std::vector<std::uint8_t> save_image() const override { return chip_.memory(); }
    bool load_image(const std::vector<std::uint8_t>& bytes) override { return chip_.load_memory(bytes); }

    I2cEeprom& eeprom() { return chip_; }

private:
    I2cEeprom chip_;
};

} // namespace korvane::sim
