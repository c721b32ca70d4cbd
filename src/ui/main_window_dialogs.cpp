// Settings > I/O Configuration and Settings > Options, and what the window re-applies after them.
#include <QComboBox>

#include "hardware/ports.h"
#include "ui/config_panel.h"
#include "ui/eeprom_side.h"
#include "ui/io_config_dialog.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/pic_side.h"

namespace korvane {

void TMain::cmd_io_configuration() {
    if (busy_) return;
    {
        TConfiguration dialog(settings_, port_list, port_available, *this, default_port_resolver(),
                              eeprom_line_mode_, this);
        exec_dialog(dialog);
    }
    // The dialog's port is closed by now; the device object takes the record in force.
    write_status_mode_and_io();
    if (pic_) pic_->load_programmer_params();
    if (ee_) ee_->load_programmer_params();
}

void TMain::cmd_options() {
    if (busy_) return;
    {
        TApplOption dialog(settings_, port_list, port_available, this);
        exec_dialog(dialog);
    }
    // Either button: the card types may have changed, and the progress bar option.
    if (mode_ == kModeIsoPic && pic_) {
        fill_device_list();
        pic_->set_device(settings_.iso_pic_device);
        refresh_views(false);
    } else if (mode_ == kModeIsoEEProm && ee_) {
        fill_device_list();
        ee_->set_type(settings_.iso_eeprom_device);
    }
    IProgressBar* bar = settings_.show_progress ? progress_.get() : nullptr;
    if (pic_) pic_->set_progress_bar(bar);
    if (ee_) ee_->set_progress_bar(bar);
    write_status_mode_and_io();
}

} // namespace korvane
