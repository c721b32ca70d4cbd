#include "card/card_flows.h"

#include "app/process_priority.h"
#include "card/card_messages.h"
#include "eeprom/eeprom_catalogue.h"

namespace korvane {

CardEEPromFlows::CardEEPromFlows(TEE_THRU_IO& io, IHost& host, ICardView& view, int eeprom_type)
    : set_priority(set_process_priority), io_(io), host_(host), view_(view), eeprom_type_(eeprom_type) {}

void CardEEPromFlows::point_at(EEPromImage& image) {
    io_.set_image(image.bytes.data(), eeprom_type(eeprom_type_).last_address);
    if (set_priority) set_priority(0);
}

void CardEEPromFlows::clear_image(EEPromImage& image) {
    clear_eeprom_image_to(image, eeprom_type(eeprom_type_).last_address);
    view_.refresh_eeprom_grid(true);
}

void CardEEPromFlows::aborted_box() { info_box(host_, kCardEEPromCaption, {kCardAborted}); }

bool CardEEPromFlows::read_through(EEPromImage& image) {
    point_at(image);
    clear_image(image);
    view_.set_device_list_enabled(false);
    const bool ok = io_.read_blocks(card_read_block_length(eeprom_type_), false);
    view_.set_device_list_enabled(true);
    view_.refresh_eeprom_grid(true);
    // The buffer keeps its empty flag: a card read is not a loaded image.
    if (io_.abort_requested) aborted_box();
    return ok;
}

bool CardEEPromFlows::write_through(EEPromImage& image, bool show_message) {
    point_at(image);
    view_.set_device_list_enabled(false);
    const bool written = io_.write_blocks(card_write_block_length(eeprom_type_));
    view_.set_device_list_enabled(true);
    if (io_.abort_requested) {
        aborted_box();
        return false;
    }
    if (!written) return false;
    // Always verified, whatever the verify-after option says.
    if (!verify_through(image, false)) return false;
    if (show_message) info_box(host_, kCardEEPromCaption, {kCardWriteThrough, kCardSuccess});
    return true;
}

bool CardEEPromFlows::verify_through(EEPromImage& image, bool show_message) {
    point_at(image);
    host_.set_rx_led(true);
    view_.set_device_list_enabled(false);
    const bool ok = io_.read_blocks(card_read_block_length(eeprom_type_), true);
    view_.set_device_list_enabled(true);
    host_.set_rx_led(false);
    if (io_.abort_requested) aborted_box();
    else if (show_message && ok) info_box(host_, kCardEEPromCaption, {kCardVerifyThrough, kCardSuccess});
    return ok;
}

bool CardEEPromFlows::erase_through(EEPromImage& image) {
    point_at(image);
    clear_image(image);
    const bool ok = write_through(image, false);
    if (ok) info_box(host_, kCardEEPromCaption, {kCardEraseThrough, kCardSuccess});
    return ok;
}

} // namespace korvane
