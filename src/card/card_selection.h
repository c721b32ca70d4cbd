#pragma once
// State of the "ISO SmartCard Selection" dialog (TISOSC_Select) without any widgets: the Qt
// dialog draws `page_labels` and forwards its button clicks here.
#include <array>
#include <cstdint>
#include <string>

namespace korvane {

struct SettingsRecord;

struct IsoCardLabels {            // the three value labels of one page
    std::string card;             // SCType_Label / SC18FType_label
    std::string pic;              // PIC_Label / PIC18F_Label
    std::string eeprom;           // EEProm_Label / EEProm18F_label
};

class TISOSC_Select {
public:
    // The dialog is shown: the "PIC 16F" page becomes active and nothing is chosen yet.
    void on_show();
    // A card button was pressed: its page's labels show the card, and its types are chosen.
    // False (nothing changes) when there is no such card.
    bool card_button(int page, int index);
    // OK: a chosen card sets the ISO PIC type, the ISO EEPROM type and the PIC mode's device.
    // Returns whether the settings changed. The dialog closes either way.
    bool ok(SettingsRecord& settings) const;
    // Cancel: nothing changes.
    void cancel() const {}

    int active_page() const { return active_page_; }
    void set_active_page(int page);
    const IsoCardLabels& page_labels(int page) const;

    std::uint8_t chosen_pic_type() const { return chosen_pic_; }
    std::uint8_t chosen_eeprom_type() const { return chosen_eeprom_; }
    bool chosen() const { return chosen_; }

private:
    int active_page_ = 0;
    std::array<IsoCardLabels, 2> labels_{};
    std::uint8_t chosen_pic_ = 0;
    std::uint8_t chosen_eeprom_ = 0;
    bool chosen_ = false;
};

} // namespace korvane
