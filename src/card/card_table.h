#pragma once
// The ten ISO card types on the two pages of the card selection dialog. A card is found by its
// page and its index on that page (the tag of its button).
#include <cstdint>
#include <string>

#include "util/packed.h"

namespace korvane {

constexpr int kIsoCardPageCount = 2;
constexpr int kIsoCardPage16F = 0;     // "PIC 16F"
constexpr int kIsoCardPage18F = 1;     // "PIC 18F"
constexpr int kIsoCardCount = 10;

// The shown texts as the dialog holds them: fixed-width, padded with blanks (card names to 17
// characters, "ZenCard" to 14; chip names to 6).
#pragma pack(push, 1)
struct TIsoCardRecord {
    PString<17> card_name;
    PString<6> pic_shown;
    PString<6> eeprom_shown;
    std::uint8_t pic_type;       // PIC catalogue index
    std::uint8_t eeprom_type;    // EEPROM type index
};
#pragma pack(pop)
static_assert(sizeof(TIsoCardRecord) == 34);

struct TIsoCard {
    int page;                    // kIsoCardPage16F or kIsoCardPage18F
    int index;                   // position on the page = tag of the button
    const char* button;          // "btnGoldCard"
    const char* hint;            // "GoldCard - PIC 16F84  & EEProm 24C16"
    TIsoCardRecord shown;
};

const char* iso_card_page_caption(int page);           // "PIC 16F", "PIC 18F"; "" outside
int iso_card_page_size(int page);                      // 9, 1; 0 outside

// The card at (page, index), or nullptr when there is none.
const TIsoCard* iso_card(int page, int index);
// Card k = 0..9 in table order (page 0 first), or nullptr.
const TIsoCard* iso_card_at(int k);

// Caption labels beside the value labels on each page.
inline constexpr const char* kIsoCardNameCaption = "SmartCard:";
inline constexpr const char* kIsoCardPicCaption = "PIC       :";
inline constexpr const char* kIsoCardEEPromCaption = "EEProm :";
inline constexpr const char* kIsoCardDialogTitle = "ISO SmartCard Selection";

} // namespace korvane
