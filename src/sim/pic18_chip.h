#pragma once
// A PIC18FXX2/XX8 seen from its ICSP pins: programming-mode entry, 4-bit commands each with a
// 16-bit payload, core instructions executed on the part's own processor, table reads and
// writes, panel programming on the held 4th clock (P9, then P10), the bulk-erase frame (P11),
// code protection, device ID and data EEPROM.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/pic18_core.h"
#include "sim/pic18_memory.h"
#include "sim/pic18_model.h"
#include "sim/sim_faults.h"
#include "sim/socket_chip.h"

namespace korvane::sim {

class Pic18Chip final : public SocketChip {
public:
    Pic18Chip(const Pic18Model& model, const SimFaults& faults, SimCounters& counters);

    void pins_changed(const Pins& pins, std::uint64_t now_ns) override;
    std::optional<bool> data_drive() const override;
    void settle(std::uint64_t now_ns) override;
    std::string image_file_name() const override { return model_.image_file; }
    std::vector<std::uint8_t> save_image() const override { return memory_.save_image(); }
    bool load_image(const std::vector<std::uint8_t>& bytes) override { return memory_.load_image(bytes); }

    // Memory as stored (no protection), for test set-up and checks.
    const Pic18Model& model() const { return model_; }
    Pic18Memory& memory() { return memory_; }
    Pic18Core& core() { return core_; }
    void blank() { memory_.blank(); }
    // Programs every program-memory code-protection bit (the `protect` fault).
    void protect() { memory_.config = protected_config(memory_.config); }

    bool in_programming_mode() const { return prog_mode_; }

private:
    enum class Phase : std::uint8_t { Command, Payload };
    // A programming start (command 15) waits for the next command's 4th clock to be held high
    // for P9, then for P10 with the clock low.
    enum class Write : std::uint8_t { None, Armed, Held, Discharging };
    // The erase control register written, its NOP frame sent, the next command's 4th clock fallen.
    enum class Erase : std::uint8_t { None, Requested, NopSent, Erasing };
    struct PendingWrite {
        bool config;
        std::uint32_t address;
        std::uint8_t value;   // configuration byte
    };

    void enter();
    void leave(std::uint64_t now);
    void rising(std::uint64_t now);
    void falling(bool data, std::uint64_t now);
    void decode(std::uint8_t code, std::uint64_t now);
    void finish_payload(std::uint16_t payload);
    void start_programming(std::uint16_t payload);
    // Ends the P10 and P11 windows that are over; `edge` when the host moves on (a clock edge
    // or VPP falling), which cuts a window that is not over yet.
    void close_windows(std::uint64_t now, bool edge);

    const Pic18Model& model_;
    SimFaults faults_;
    SimCounters& counters_;
    Pic18Memory memory_;
    Pic18Core core_;
    std::uint64_t p9_ns_;

    Pins prev_{};
    bool powered_ = false;
    bool prog_mode_ = false;

    Phase phase_ = Phase::Command;
    int clocks_ = 0;           // rising edges in the current command or payload
    std::uint32_t shift_ = 0;
    std::uint8_t command_ = 0;
    std::uint8_t out_byte_ = 0;
    std::optional<bool> drive_;

    Write write_ = Write::None;
    PendingWrite pending_{};
    std::uint64_t write_since_ = 0;
    Erase erase_ = Erase::None;
    std::uint8_t erase_code_ = 0;
    std::uint64_t erase_since_ = 0;
};

} // namespace korvane::sim
