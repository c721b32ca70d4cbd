#pragma once
// The "Hardware Check" page's line work: the programmer port stays open while the page is shown,
// the boxes drive Data Out, Clock and MCLR at once, and Data In is sampled after each Data Out
// change. The lines honour the inversions of the record in force (logical levels).
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"

namespace korvane {

class HardwareCheck {
public:
    // `eeprom_line_mode` follows the window's work mode, as the line interface does.
    HardwareCheck(SettingsRecord& settings, IHost& host, PortResolver& resolver, bool eeprom_line_mode);

    // Entering the page (after the dialog committed its copy): opens the current record's port
    // and applies the three boxes in the order Data Out, Clock, MCLR. Returns Data In.
    bool enter(bool data_out, bool clock, bool mclr);
    // Leaving the page, OK and Cancel on it: the port closes.
    void leave();
    bool is_open() const { return io_.is_open(); }

    // Data Out, then 5 ms for the line to settle, then Data In (the only place it is sampled).
    bool set_data_out(bool high);
    void set_clock(bool high);
    void set_mclr(bool on);

private:
    SettingsRecord& settings_;
    Serial_IO io_;
};

} // namespace korvane
