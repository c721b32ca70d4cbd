#include "eeprom/ti2c.h"

#include "eeprom/eeprom_catalogue.h"

namespace korvane {

TI2C::TI2C(SettingsRecord& settings, IHost& host, IProgrammerLines& lines)
    : settings_(settings), host_(host), lines_(lines), bus_(lines, host) {}

void TI2C::set_type(int index) {
    if (eeprom_index_valid(index)) last_address = std::int32_t(eeprom_type(index).last_address);
    type = std::uint8_t(index);
    if (grid_size_changed) grid_size_changed(int(last_address) + 1);
}

void TI2C::load_programmer_params() { port_name = settings_.current_programmer().port_name.str(); }

std::string TI2C::title() const { return eeprom_device_title(type); }

void TI2C::blank_image() {
    if (!image) return;
    for (std::int32_t i = 0; i <= last_address; ++i) image[i] = 0xFF;
}

bool TI2C::open() {
    abort_requested = 0;
    task_running = 1;
    // The simulated socket holds the type being worked on.
    lines_.select_eeprom_target(type);
    if (!lines_.open_port(port_name)) return false;
    lines_.target_on();
    return true;
}

void TI2C::close() {
    lines_.close_port();
    task_running = 0;
}

void TI2C::abort() {
    if (!task_running) return;
    abort_requested = 1;
    progress_reset();
    host_.message_box({title(), "Process Aborted"}, MsgKind::Warning, {mbOK});
    host_.leds_off();
    host_.process_messages();
}

bool TI2C::pump() {
    host_.process_messages();
    return abort_requested == 0;
}

void TI2C::progress_range() {
    if (!progress_bar) return;
    progress_bar->set_range(0, int(last_address));
    progress_bar->set_step(1);
}

void TI2C::progress_step() {
    if (progress_bar) progress_bar->step_it();
}

void TI2C::progress_reset() {
    if (progress_bar) progress_bar->set_position(0);
}

} // namespace korvane
