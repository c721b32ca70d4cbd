#pragma once
// A 24Cxx serial EEPROM at pin level: supply, SCL and SDA in, an open-drain pull on SDA out. It
// knows nothing of what it is wired to, so the programmer's socket and a smart card's PIC can
// both carry one. Modelled on the datasheets: START/STOP detection, the control byte with its
// block bits, one or two address bytes, page writes that wrap inside the page, an internal
// write cycle during which the chip answers nothing, sequential reads that wrap at the end.
// Bit timing is not enforced.
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "sim/eeprom24_model.h"
#include "sim/sim_faults.h"
#include "sim/socket_chip.h"

namespace korvane::sim {

class I2cEeprom {
public:
    // `counters` may be null; if given it counts control bytes, write cycles and lost writes.
    I2cEeprom(const Eeprom24Model& model, const SimFaults& faults, SimCounters* counters = nullptr);

    // The pins as they are now. `sda` is the line's level, the chip's own pull included: call
    // again after pulls_sda_low() changed. When SCL and SDA change in one call, the data change
    // is taken to happen while SCL is low (as a host that sets both at once means it).
    void update(bool power, bool scl, bool sda, std::uint64_t now_ns);
    // True while the chip pulls SDA low (ACK, a 0 bit); it never drives SDA high.
    bool pulls_sda_low() const { return powered_ && pull_low_; }
    // Finishes the internal write cycle if it is due by `now_ns`.
    void settle(std::uint64_t now_ns);
    bool busy(std::uint64_t now_ns) const { return cycle_ && now_ns < cycle_->done_ns; }

    const Eeprom24Model& model() const { return model_; }
    // Memory as stored (no faults), for set-up, checks and persistence.
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    std::uint8_t byte(std::uint32_t address) const { return memory_.at(address); }
    void set_byte(std::uint32_t address, std::uint8_t v) { memory_.at(address) = v; }
    // False (memory unchanged) when the size is not this type's.
    bool load_memory(const std::vector<std::uint8_t>& bytes);
    void blank();

    // Control bytes refused because a write cycle was running (acknowledge polls that failed).
    std::uint64_t busy_refusals() const { return busy_refusals_; }
    // update() calls in which SCL and SDA changed together.
    std::uint64_t simultaneous_changes() const { return simultaneous_; }
    std::uint32_t address_counter() const { return address_; }

private:
    enum class State : std::uint8_t { Idle, Control, AddressHigh, AddressLow, WriteData, ReadData, Ignore };
    struct Cycle {
        std::uint64_t done_ns;
        std::vector<std::pair<std::uint32_t, std::uint8_t>> writes;
    };

    void power_down();
    void start();
    void stop(std::uint64_t now_ns);
    void rising();
    void falling(std::uint64_t now_ns);
    bool wants(std::uint8_t b, std::uint64_t now_ns);
    void accept(std::uint8_t b);
    void send_next_byte();
    void drive_bit();
    std::uint8_t read_cell(std::uint32_t address) const;
    std::uint64_t write_cycle_ns() const;

    const Eeprom24Model& model_;
    SimFaults faults_;
    SimCounters* counters_;
    std::vector<std::uint8_t> memory_;

    bool powered_ = false, scl_ = false, sda_ = false;
    State state_ = State::Idle;
    int bits_ = 0;             // SCL rising edges in the current 9-clock frame
    std::uint8_t shift_ = 0;   // byte coming in, or going out
    bool ack_ = false;         // the chip acknowledges the byte just received
    bool master_ack_ = false;  // the master acknowledged the byte just sent
    bool pull_low_ = false;
    std::uint32_t address_ = 0;      // the address counter
    std::uint8_t block_ = 0;         // block bits of the last write control byte
    std::uint8_t address_high_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> page_;   // bytes of the page write so far
    std::optional<Cycle> cycle_;

    std::uint64_t busy_refusals_ = 0, simultaneous_ = 0;
};

} // namespace korvane::sim
