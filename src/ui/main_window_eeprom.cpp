// The EEPROM image buffers in the window: selection, clearing, the EEPROM side of a mode start
// and of a type change, and the EEPROM tasks. Shared by the EEPROM and ISO-EEPROM modes.
#include <QComboBox>
#include <QTimer>

#include "eeprom/eeprom_catalogue.h"
#include "eeprom/ti2c.h"
#include "ui/eeprom_side.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane {

bool TMain::eeprom_task_running() const { return ee_ && ee_->task_running(); }

void TMain::Select_EEPRom_Buffer(int n) {
    if (!ee_buffers_) return;
    EEPromImage& img = (*ee_buffers_)[n];
    if (ee_) ee_->select_image(img);
    EEPromWin->set_data(img.bytes.data());
    EEPromWin->unpack_changed(img.marks);
}

void TMain::clear_eeprom_buffer(int n) {
    if (!ee_buffers_ || !ee_) return;
    ee_->ti2c().blank_image();
    (*ee_buffers_)[n].empty = true;
}

void TMain::clear_all_eeprom_buffers() {
    if (!ee_buffers_) return;
    for (int n = 1; n <= kBufferCount; ++n) {
        Select_EEPRom_Buffer(n);
        clear_eeprom_buffer(n);
        (*ee_buffers_)[n].marks.clear();
        (*ee_buffers_)[n].file_name.clear();
    }
}

void TMain::refresh_eeprom_view(bool clear_marks) {
    if (clear_marks) EEPromWin->clear_changed();
    EEPromWin->viewport()->update();
}

void TMain::start_eeprom_mode() {
    ee_buffers_ = std::make_unique<TEEPromBuffers>();
    ee_ = std::make_unique<EEPromSide>(*this, settings_);
    ee_->load_programmer_params();
    ee_->set_progress_bar(settings_.show_progress ? progress_.get() : nullptr);
    if (mode_ == kModeEEProm) {
        ee_->set_type(settings_.eeprom_device);
        clear_all_eeprom_buffers();
    } else {
        // The card mode offers buffer 1 only.
        Select_EEPRom_Buffer(1);
        (*ee_buffers_)[1].empty = true;
        ee_->set_type(settings_.iso_eeprom_device);
        clear_eeprom_buffer(1);
        EEPromWin->clear_changed();
    }
}

void TMain::change_eeprom_device(int type) {
    if (!ee_ || !ee_buffers_) return;
    if (mode_ == kModeEEProm) {
        settings_.eeprom_device = std::uint8_t(type);
        ee_->set_type(type);
        check_device_item();
        clear_all_eeprom_buffers();
        Select_EEPRom_Buffer(current_buffer_);
    } else {
        settings_.iso_eeprom_device = std::uint8_t(type);
        ee_->set_type(type);
        check_device_item();
        clear_eeprom_buffer(current_buffer_);
    }
    refresh_eeprom_view(true);
}

void TMain::run_eeprom_task(int task) {
    if (busy_ || !ee_ || !ee_buffers_ || current_buffer_ < 1) return;
    abort_pending_ = false;
    ee_->set_eeprom_line_mode(eeprom_line_mode_);
    ee_->run(EEPromSide::Task(task), (*ee_buffers_)[current_buffer_]);
    abort_pending_ = false;
    after_task();
}

} // namespace korvane
