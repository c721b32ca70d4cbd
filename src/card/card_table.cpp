#include "card/card_table.h"

namespace korvane {

namespace {

constexpr TIsoCard kCards[kIsoCardCount] = {
    {0, 0, "btnGoldCard", "GoldCard - PIC 16F84  & EEProm 24C16",
     {PString<17>("GoldCard         "), PString<6>("16F84 "), PString<6>("24C16 "), 0, 4}},
    // The misspelt hint is the one the dialog has always shown.
    {0, 1, "btnBlueCard", "BueCard - PIC 16F84  & EEProm 24C64",
     {PString<17>("BlueCard         "), PString<6>("16F84 "), PString<6>("24C64 "), 0, 6}},
    {0, 2, "btnSilverCard", "SilverCard - PIC 16F877  & EEProm 24C64",
     {PString<17>("SilverCard       "), PString<6>("16F877"), PString<6>("24C64 "), 3, 6}},
    {0, 3, "btnSilverGalaxy", "SilverCard Galaxy - PIC 16F877  & EEProm 24C64",
     {PString<17>("SilverCard Galaxy"), PString<6>("16F877"), PString<6>("24C64 "), 3, 6}},
    {0, 4, "btnSilverEvil", "SilverCard Evil - PIC 16F877  & EEProm 24C64",
     {PString<17>("SilverCard Evil  "), PString<6>("16F877"), PString<6>("24C64 "), 3, 6}},
    {0, 5, "btnGreenCard64", "GreenCard 64 - PIC 16F628  & EEProm 24C64",
     {PString<17>("GreenCard 64     "), PString<6>("16F628"), PString<6>("24C64 "), 1, 6}},
    {0, 6, "btnGreencard128", "GreenCard 128 - PIC 16F877  & EEProm 24C128",
     {PString<17>("GreenCard 128    "), PString<6>("16F877"), PString<6>("24C128"), 3, 8}},
    {0, 7, "btnGreenGalaxy", "GreenCard Galaxy - PIC 16F877  & EEProm 24C128",
     {PString<17>("GreenCard Galaxy "), PString<6>("16F877"), PString<6>("24C128"), 3, 8}},
    {0, 8, "btnGreencard256", "GreenCard 256 - PIC 16F877  & EEProm 24C256",
     {PString<17>("GreenCard 256    "), PString<6>("16F877"), PString<6>("24C256"), 3, 9}},
    {1, 0, "btnZapCard", "ZenCard - PIC 18F452  & EEProm 24C256",
     {PString<17>("ZenCard       "), PString<6>("18F452"), PString<6>("24C256"), 10, 9}},
};

constexpr int kPageSizes[kIsoCardPageCount] = {9, 1};
constexpr int kPageStart[kIsoCardPageCount] = {0, 9};

} // namespace

const char* iso_card_page_caption(int page) {
    switch (page) {
    case kIsoCardPage16F: return "PIC 16F";
    case kIsoCardPage18F: return "PIC 18F";
    default: return "";
    }
}

int iso_card_page_size(int page) {
    return page >= 0 && page < kIsoCardPageCount ? kPageSizes[page] : 0;
}

const TIsoCard* iso_card(int page, int index) {
    if (index < 0 || index >= iso_card_page_size(page)) return nullptr;
    return &kCards[kPageStart[page] + index];
}

const TIsoCard* iso_card_at(int k) { return k >= 0 && k < kIsoCardCount ? &kCards[k] : nullptr; }

} // namespace korvane
