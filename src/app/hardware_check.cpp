#include "app/hardware_check.h"

namespace korvane {

HardwareCheck::HardwareCheck(SettingsRecord& settings, IHost& host, PortResolver& resolver, bool eeprom_line_mode)
    : settings_(settings), io_(settings, host, resolver) {
    io_.set_eeprom_line_mode(eeprom_line_mode);
}

bool HardwareCheck::enter(bool data_out, bool clock, bool mclr) {
    // A port that does not open has reported itself; the boxes then act on a closed port.
    io_.open_port(settings_.current_programmer().port_name.str());
    const bool data_in = set_data_out(data_out);
    set_clock(clock);
    set_mclr(mclr);
    return data_in;
}

void HardwareCheck::leave() { io_.close_port(); }

bool HardwareCheck::set_data_out(bool high) {
    if (high) io_.data_high();
    else io_.data_low();
    io_.sleep_ms(5);
    return io_.read_data_in();
}

void HardwareCheck::set_clock(bool high) {
    if (high) io_.clock_high();
    else io_.clock_low();
}

void HardwareCheck::set_mclr(bool on) {
    if (on) io_.mclr_on();
    else io_.mclr_off();
}

} // namespace korvane
