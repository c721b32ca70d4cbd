#pragma once
// Puts a card together from the bench's memory: the card's PIC as the programmer left it (its
// image in the state directory) on the core of its family, and the card's own 24Cxx.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/iso_card.h"
#include "sim/sim_faults.h"
#include "sim/socket_chip.h"

namespace korvane::sim {

// The card EEPROM's file under the state directory ("card-24c64.mem"), or "" for no such type.
std::string card_eeprom_file(int eeprom_index);

struct CardMemory {
    std::optional<std::vector<std::uint8_t>> pic_image;      // the PIC's file, as the bench keeps it
    std::optional<std::vector<std::uint8_t>> eeprom_image;   // the card EEPROM's file
};

// Null when the PIC type has no core here. A missing or unreadable PIC image gives a blank PIC,
// which never answers; `faults.empty` leaves the EEPROM off the card.
std::unique_ptr<IsoCard> build_card(int pic_index, int eeprom_index, std::uint32_t clock_hz, const CardMemory& memory,
                                    const SimFaults& faults, SimCounters& counters);

// The PIC image with the data EEPROM the card's program wrote; nullopt when `image` is not one.
std::optional<std::vector<std::uint8_t>> with_data_eeprom(int pic_index, const std::vector<std::uint8_t>& image,
                                                          const std::vector<std::uint8_t>& data, const SimFaults& faults,
                                                          SimCounters& counters);

} // namespace korvane::sim
