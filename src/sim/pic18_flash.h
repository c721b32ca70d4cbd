#pragma once
// The write side of the table space: an 8-byte write buffer per 8 KB panel (and one for the ID
// locations), the panel write mode and erase control registers at 0x3C0006 / 0x3C0004, and the
// operations that program buffers, write configuration bytes and erase. Flash only clears bits.
#include <array>
#include <cstdint>
#include <optional>

#include "sim/pic18_memory.h"

namespace korvane::sim {

class Pic18Flash {
public:
    static constexpr std::uint32_t kEraseControl = 0x3C0004;
    static constexpr std::uint32_t kPanelMode = 0x3C0006;

    explicit Pic18Flash(Pic18Memory& memory) : mem_(memory) { reset(); }

    // Buffers blank and unloaded, single-panel mode, no erase request.
    void reset();

    // One byte of a table write. The two control registers take writes only with CFGS set.
    void table_write(std::uint32_t address, std::uint8_t value, bool cfgs);

    bool multi_panel() const { return multi_panel_; }
    // The code last written to 0x3C0004, taken once.
    std::optional<std::uint8_t> take_erase_request();

    // Programs the buffers for the row at `tblptr`: in multi-panel mode every panel loaded since the
    // last start at the same offset, else the panel `tblptr` is in. `external` applies code
    // protection. The buffers are blank afterwards, whether anything was written or not.
    void program(std::uint32_t tblptr, bool external);
    // Drops what the buffers hold (a write that did not get its time).
    void discard();

    // A configuration byte written whole; the protection bytes (5L..7H) only lose bits.
    void write_config(std::uint32_t address, std::uint8_t value);
    // The byte a table write left for a configuration address (for the core's own WR).
    std::optional<std::pair<std::uint32_t, std::uint8_t>> config_latch() const { return config_latch_; }

    // Bulk erase by the code written to the erase control register; false for codes that erase
    // nothing. Protected regions stay as they are; only the chip erase clears protection.
    bool bulk_erase(std::uint8_t code);
    // The core's row erase: 64 bytes at `address` rounded down.
    void erase_row(std::uint32_t address);

private:
    struct Buffer {
        std::array<std::uint8_t, 8> bytes{};
        bool loaded = false;
    };
    static constexpr std::size_t kIdBuffer = 4;

    void program_row(std::uint32_t row, const Buffer& b, bool external);
    bool region_protected(std::uint32_t from, std::uint32_t to) const;

    Pic18Memory& mem_;
    std::array<Buffer, 5> buffers_{};
    bool multi_panel_ = false;
    std::optional<std::uint8_t> erase_request_;
    std::optional<std::pair<std::uint32_t, std::uint8_t>> config_latch_;
};

} // namespace korvane::sim
