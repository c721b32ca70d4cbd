#pragma once
// A 14-bit PIC (16F84A, 16F628, 16F87x) seen from its ICSP pins: programming-mode entry, 6-bit
// commands and 16-clock data frames, the address counter, internally timed write and erase
// cycles, code protection and the device ID.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/pic16_model.h"
#include "sim/sim_faults.h"
#include "sim/socket_chip.h"

namespace korvane::sim {

class Pic16Chip final : public SocketChip {
public:
    Pic16Chip(const Pic16Model& model, const SimFaults& faults, SimCounters& counters);

    void pins_changed(const Pins& pins, std::uint64_t now_ns) override;
    std::optional<bool> data_drive() const override;
    void settle(std::uint64_t now_ns) override;
    std::string image_file_name() const override { return model_.image_file; }
    std::vector<std::uint8_t> save_image() const override;
    bool load_image(const std::vector<std::uint8_t>& bytes) override;

    // Memory as stored (no protection, no faults), for test set-up and checks.
    const Pic16Model& model() const { return model_; }
    std::uint16_t program_word(std::uint32_t address) const { return program_.at(address); }
    void set_program_word(std::uint32_t address, std::uint16_t v) { program_.at(address) = v & 0x3FFF; }
    std::uint8_t data_byte(std::uint32_t address) const { return data_.at(address); }
    void set_data_byte(std::uint32_t address, std::uint8_t v) { data_.at(address) = v; }
    std::uint16_t id_word(int k) const { return ids_.at(std::size_t(k)); }
    void set_id_word(int k, std::uint16_t v) { ids_.at(std::size_t(k)) = v & 0x3FFF; }
    std::uint16_t config_word() const { return config_; }
    void set_config_word(std::uint16_t v) { config_ = v & 0x3FFF; }
    // The word the chip reports at 0x2006.
    std::uint16_t device_id_word() const;
    // Fills everything with the erased values.
    void blank();

    bool in_programming_mode() const { return prog_mode_; }
    std::uint16_t pc() const { return pc_; }
    bool busy(std::uint64_t now_ns) const { return cycle_ && now_ns < cycle_->done_ns; }

private:
    enum class Phase : std::uint8_t { Command, DataIn, DataOut };
    enum class Load : std::uint8_t { None, Config, Program, Data };
    enum class CycleKind : std::uint8_t {
        EraseProgram, ProgramOnly, BulkProgram, BulkData, ChipErase, NoEffect
    };
    struct Cycle {
        CycleKind kind;
        bool data_memory;   // the last load was data memory's
        std::uint16_t address;
        std::uint16_t value;
        std::uint64_t done_ns;
    };

    void enter(std::uint64_t now);
    void leave();
    void rising(std::uint64_t now);
    void falling(bool data);
    void decode(std::uint8_t code);
    void execute(std::uint8_t code);
    void finish_load();
    void start_cycle(CycleKind kind, std::uint32_t duration_us);
    void commit(const Cycle& c);
    void increment_pc();
    std::uint16_t read_program(std::uint16_t address) const;
    std::uint16_t read_data(std::uint16_t address) const;
    void write_program(std::uint16_t address, std::uint16_t value, bool erase_first);
    Protection protection() const { return decode_protection(model_, config_); }

    const Pic16Model& model_;
    SimFaults faults_;
    SimCounters& counters_;

    std::vector<std::uint16_t> program_;
    std::vector<std::uint8_t> data_;
    std::array<std::uint16_t, 4> ids_{};
    std::uint16_t config_ = 0x3FFF;

    Pins prev_{};
    bool powered_ = false;
    bool prog_mode_ = false;
    std::uint64_t now_ = 0;   // time of the edge being handled

    std::uint16_t pc_ = 0;
    std::uint16_t latch_ = 0x3FFF;
    Load last_load_ = Load::None;
    Phase phase_ = Phase::Command;
    int clocks_ = 0;          // rising edges in the current frame
    std::uint32_t shift_ = 0;
    std::uint8_t command_ = 0;
    bool suppressed_ = false; // the current command began while a cycle was running
    std::uint16_t out_word_ = 0;
    std::optional<bool> drive_;
    int erase_setup_ = 0;     // 1 after command 1, 2 after 1 then 7
    bool absorb_next_8_ = false;
    std::optional<Cycle> cycle_;
};

} // namespace korvane::sim
