#include "card/card_selection.h"

#include "app/settings.h"
#include "card/card_table.h"

namespace korvane {

void TISOSC_Select::on_show() {
    active_page_ = kIsoCardPage16F;
    chosen_ = false;
}

bool TISOSC_Select::card_button(int page, int index) {
    const TIsoCard* card = iso_card(page, index);
    if (!card) return false;
    labels_[page] = {card->shown.card_name.str(), card->shown.pic_shown.str(), card->shown.eeprom_shown.str()};
    chosen_pic_ = card->shown.pic_type;
    chosen_eeprom_ = card->shown.eeprom_type;
    chosen_ = true;
    return true;
}

bool TISOSC_Select::ok(SettingsRecord& settings) const {
    if (!chosen_) return false;
    settings.iso_eeprom_device = chosen_eeprom_;
    settings.iso_pic_device = chosen_pic_;
    settings.pic_device = chosen_pic_;
    return true;
}

void TISOSC_Select::set_active_page(int page) {
    if (page >= 0 && page < kIsoCardPageCount) active_page_ = page;
}

const IsoCardLabels& TISOSC_Select::page_labels(int page) const {
    return labels_[page == kIsoCardPage18F ? 1 : 0];
}

} // namespace korvane
