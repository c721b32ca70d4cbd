#pragma once
// The non-volatile memories of a PIC18FXX2/XX8 and how its table-read space maps onto them:
// program flash, ID locations, configuration bytes, device ID and data EEPROM. Shared by the
// chip in the programmer's socket and by whatever runs code on the part (the ISO card).
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/pic18_model.h"
#include "sim/sim_faults.h"

namespace korvane::sim {

class Pic18Memory {
public:
    Pic18Memory(const Pic18Model& model, const SimFaults& faults = {});

    const Pic18Model& model() const { return *model_; }

    std::vector<std::uint8_t> program;                 // erased cells are 0xFF
    std::vector<std::uint8_t> eeprom;
    std::array<std::uint8_t, kIdBytes> ids{};
    std::array<std::uint8_t, kConfigBytes> config{};   // as stored, implemented bits only

    // Everything to its erased value: program, EEPROM and IDs 0xFF, configuration unprogrammed.
    void blank();
    // The 16-bit word at 0x3FFFFE/0x3FFFFF (the `id=` fault replaces it).
    std::uint16_t device_id_word() const;
    Pic18Protection protection() const { return decode_protection(config); }

    // A byte of the table-read space. `from_block` is the protection block of the code that
    // reads (its table-read protection applies); nothing means the programming interface,
    // which code protection keeps out.
    std::uint8_t read(std::uint32_t address, std::optional<int> from_block) const;
    // A program byte as the processor fetches it (no protection; stuck bits read 0).
    std::uint8_t fetch_byte(std::uint32_t address) const;
    // A data EEPROM byte; the programming interface reads 0 when CPD protects the data.
    std::uint8_t read_eeprom(std::uint8_t address, bool external) const;

    std::vector<std::uint8_t> save_image() const;
    // False when the bytes are no image of this part (the memory is then left as it was).
    bool load_image(const std::vector<std::uint8_t>& bytes);

private:
    const Pic18Model* model_;
    SimFaults faults_;
};

} // namespace korvane::sim
