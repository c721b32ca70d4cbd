// The ISO card steps of the window: the card selection, Write Loader, Skip and Back, and the
// tasks of the ISO-EEPROM mode.
#include <QComboBox>
#include <QTimer>

#include "card/card_flows.h"
#include "ui/card_side.h"
#include "ui/iso_card_dialog.h"
#include "ui/main_window.h"
#include "ui/pic_side.h"

namespace korvane {

void TMain::cmd_iso_card() {
    if (busy_) return;
    IsoCardSelectDialog dialog(this);
    if (iso_card_dialog_hook) {
        dialog.show();
        iso_card_dialog_hook(dialog);
        dialog.hide();
    } else {
        dialog.exec();
    }
    if (dialog.result() == QDialog::Accepted) dialog.store(settings_);
    // Whichever button closed it: the list, the PIC object and the views follow the ISO PIC type.
    if (mode_ != kModeIsoPic || !pic_ || !pic_buffers_) return;
    fill_device_list();
    const bool changed = pic_->device() != settings_.iso_pic_device;
    pic_->set_device(settings_.iso_pic_device);
    if (changed && current_buffer_ >= 1) clear_pic_image((*pic_buffers_)[current_buffer_], pic_->device());
    refresh_views(true);
}

void TMain::cmd_write_loader() {
    if (busy_ || mode_ != kModeIsoPic || !pic_ || !pic_buffers_ || current_buffer_ < 1) return;
    abort_pending_ = false;
    const bool written = pic_->write_loader((*pic_buffers_)[current_buffer_]);
    abort_pending_ = false;
    if (close_after_task_) {
        close_after_task_ = false;
        QTimer::singleShot(0, this, &TMain::close);
        return;
    }
    if (written) request_mode(kModeIsoEEProm);
}

void TMain::cmd_skip_loader() {
    if (busy_ || mode_ != kModeIsoPic) return;
    request_mode(kModeIsoEEProm);
}

void TMain::cmd_back_loader() {
    if (busy_ || mode_ != kModeIsoEEProm) return;
    request_mode(kModeIsoPic);
}

void TMain::run_card_task(int task) {
    if (busy_ || !card_ || !ee_buffers_ || current_buffer_ < 1) return;
    abort_pending_ = false;
    card_->run(CardTask(task), (*ee_buffers_)[current_buffer_]);
    abort_pending_ = false;
    if (close_after_task_) {
        close_after_task_ = false;
        QTimer::singleShot(0, this, &TMain::close);
    }
}

} // namespace korvane
