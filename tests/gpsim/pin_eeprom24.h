#pragma once
// A 24Cxx serial EEPROM played by the test on the card's SDA and SCL pins in gpsim: it is fed the
// bus levels the rig sees (loader_card_rig.h) and says whether it pulls SDA low. It stands in for
// gpsim's own I2C EEPROM modules, which NAK the read control byte after a repeated START and
// write a page that a START has cut off (docs/gpsim.md).
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace korvane::gpsim {

struct Eeprom24Geometry {
    std::size_t size;   // bytes
    std::size_t page;   // page write buffer
    bool block_bits;    // 24C16: address bits 10..8 in the control byte, one address byte
};

class PinEeprom24 {
public:
    // `write_cycles`: how long a page write keeps the chip from acknowledging, in the cycles
    // given to update().
    PinEeprom24(Eeprom24Geometry geometry, std::uint64_t write_cycles);

    // The bus levels at `cycle` (SDA as the wire shows it, this chip's own pull included);
    // returns whether the chip pulls SDA low from now on.
    bool update(std::uint64_t cycle, bool scl, bool sda);

    // Whether the master may send a START or STOP in the next clock: on a byte boundary, or
    // with the chip idle. Inside a byte SDA stays put while SCL is high.
    bool start_or_stop_may_come() const;

    std::vector<std::uint8_t>& memory() { return memory_; }
    int page_writes() const { return page_writes_; }
    // A START or STOP inside a byte: the master broke the bus.
    int bus_faults() const { return bus_faults_; }

private:
    enum class State { Idle, Control, Address, Write, Read, Ignore };
    void start();
    void stop(std::uint64_t cycle);
    void fall(std::uint64_t cycle);
    bool byte_received(std::uint64_t cycle);   // true: acknowledge

    Eeprom24Geometry geometry_;
    std::uint64_t write_cycles_;
    std::vector<std::uint8_t> memory_;
    State state_ = State::Idle;
    bool scl_ = true, sda_ = true, drive_low_ = false;
    bool clocked_ = false;   // SCL rose since the START or the last fall
    int bit_ = 0;            // clocks of the current byte done (8: in the acknowledge clock)
    std::uint8_t shift_ = 0;
    int address_bytes_left_ = 0;
    std::size_t address_ = 0;
    std::vector<std::pair<std::size_t, std::uint8_t>> page_;   // written at the STOP
    std::uint64_t busy_until_ = 0;
    bool master_ack_ = false;
    int page_writes_ = 0;
    int bus_faults_ = 0;
};

} // namespace korvane::gpsim
