// Settings > I/O Configuration and Settings > Options, and what the window re-applies after them.
#include <QComboBox>

#include "hardware/ports.h"
#include "ui/config_panel.h"
#include "ui/io_config_dialog.h"
#include "ui/main_window.h"
#include "ui/options_dialog.h"
#include "ui/pic_side.h"

namespace korvane {

void TMain::cmd_io_configuration() {
    if (busy_) return;
    {
        TConfiguration dialog(settings_, port_list, port_available, *this, default_port_resolver(),
                              mode_ == kModeEEProm, this);
        exec_dialog(dialog);
    }
    // The dialog's port is closed by now; the device object takes the record in force.
    write_status_mode_and_io();
    if (pic_) pic_->load_programmer_params();
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
    } else if (mode_ == kModeIsoEEProm) {
        fill_device_list();
    }
    if (pic_) pic_->set_progress_bar(settings_.show_progress ? progress_.get() : nullptr);
    write_status_mode_and_io();
}

} // namespace korvane
