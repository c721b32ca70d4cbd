// The task controller side of the window: work modes, buffer selection, busy periods, status bar.
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolButton>

#include "app/buffer_compare.h"
#include "app/process_priority.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/file_names.h"
#include "pic/pic_catalogue.h"
#include "ui/config_panel.h"
#include "ui/card_side.h"
#include "ui/decorations.h"
#include "ui/eeprom_side.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"
#include "ui/pic_side.h"

namespace korvane {

namespace {
bool pic_mode(int mode) { return mode == kModePic || mode == kModeIsoPic; }
bool eeprom_mode(int mode) { return mode == kModeEEProm || mode == kModeIsoEEProm; }
} // namespace

int TMain::device_index() const {
    if (pic_) return pic_->device();
    return mode_pic_device();
}

int TMain::mode_pic_device() const {
    return mode_ == kModeIsoPic ? settings_.iso_pic_device : settings_.pic_device;
}

int TMain::mode_eeprom_device() const {
    return mode_ == kModeIsoEEProm ? settings_.iso_eeprom_device : settings_.eeprom_device;
}

void TMain::pick_device(int list_index) {
    filling_list_ = true;
    Items_List->setCurrentIndex(list_index);
    filling_list_ = false;
    change_device(list_index);
}

bool TMain::pic_task_running() const { return pic_ && pic_->task_running(); }

void TMain::request_mode(int mode) {
    if (busy_) return;
    requested_mode_ = mode;
    Switch_Task();
}

void TMain::write_status_mode_and_io() {
    const ProgrammerParams& prog = settings_.current_programmer();
    const std::string programmer = programmer_name(settings_.programmer_type);
    const std::string iface = prog.direct_io ? "DirectIO" : "Windows API";
    const std::string port = prog.port_name.str().substr(0, 4);
    const std::string reader = settings_.card_reader_port.str();
    switch (mode_) {
    case kModePic:
        set_status_text(0, "PIC Programming on " + programmer);
        break;
    case kModeEEProm:
        set_status_text(0, "EEProm Programming on " + programmer);
        break;
    case kModeIsoPic:
        set_status_text(0, "Iso-PIC Programming on " + programmer);
        break;
    case kModeIsoEEProm:
        set_status_text(0, "Iso-EEProm Programming Through Loader (SmartM)");
        break;
    default: set_status_text(0, ""); break;
    }
    if (pic_mode(mode_))
        set_status_text(1, "I/O - " + port + "    Delay : " + std::to_string(std::uint32_t(prog.prog_delay_ms)) +
                               "ms    " + iface);
    else if (mode_ == kModeEEProm)
        set_status_text(1, "I/O - " + port + "    Delay : " +
                               std::to_string(std::uint32_t(prog.eeprom_bit_time_us)) + "us    " + iface);
    else if (mode_ == kModeIsoEEProm)
        set_status_text(1, settings_.card_reader_clock == 1
                               ? "I/O - SmartM 6.00Mhz - " + reader + ",16457,8,E,2"
                               : "I/O - SmartM 3.57Mhz - " + reader + ",9600,8,E,2");
    else set_status_text(1, "");
}

void TMain::fill_device_list() {
    filling_list_ = true;
    Items_List->clear();
    if (pic_mode(mode_)) {
        for (int d = 0; d < kPicDeviceCount; ++d)
            Items_List->addItem(QString::fromStdString(pic_device(d).name.str()).trimmed());
        Items_List->setCurrentIndex(mode_pic_device());
    } else if (eeprom_mode(mode_)) {
        for (int t = 0; t < kEEPromTypeCount; ++t) Items_List->addItem(eeprom_type(t).list_name);
        Items_List->setCurrentIndex(mode_eeprom_device());
    }
    filling_list_ = false;
    check_device_item();
}

void TMain::set_hints_for_mode(int mode) {
    if (mode == kModeEEProm) {
        btnReadAll->setToolTip("Read EEprom");
        btnProgramAll->setToolTip("Program EEProm");
        btnVerify->setToolTip("Verify EEProm");
        btnEraseAll->setToolTip("Erase EEProm");
    } else if (mode == kModeIsoEEProm) {
        btnReadAll->setToolTip("Read EEprom Through Loader");
        btnProgramAll->setToolTip("Program EEProm Through Loader");
        btnVerify->setToolTip("Verify EEProm Through Loader");
        btnEraseAll->setToolTip("Erase EEProm Through Loader");
    } else {
        btnReadAll->setToolTip("Read PIC");
        btnProgramAll->setToolTip("Program PIC");
        btnVerify->setToolTip("Verify PIC");
        btnEraseAll->setToolTip("Erase PIC");
    }
    btnClearCP->setToolTip("Remove PIC Code Protection");
}

void TMain::apply_tool_set(int mode) {
    const bool files = mode != kModeIsoPic;
    for (QToolButton* b : {btnOpen_File, btnSaveAs_File}) {
        b->setVisible(files);
        b->setEnabled(files);
    }
    OpenFile->setVisible(files);
    OpenFile->setEnabled(files);
    SaveFileAs->setVisible(files);
    SaveFileAs->setEnabled(files);
    RecentFiles->menuAction()->setVisible(files);
    RecentFiles->setEnabled(files);

    const bool tasks = mode != kModeIsoPic;
    for (QToolButton* b : {btnReadAll, btnProgramAll, btnVerify, btnEraseAll}) b->setVisible(tasks);
    set_hints_for_mode(mode);
    btnClearCP->setVisible(mode == kModePic);
    btnCompareBuff->setVisible(mode == kModePic || mode == kModeEEProm);
    btnAssembView->setVisible(mode == kModePic);
    btnWrite876Ldr->setVisible(mode == kModeIsoPic);
    btnWrite876Ldr->setEnabled(mode == kModeIsoPic);
    btnWriteLoaderSkip->setVisible(mode == kModeIsoPic || mode == kModeIsoEEProm);
    btnWriteLoaderSkip->setEnabled(mode == kModeIsoPic);
    btnBackWriteLoader->setVisible(mode == kModeIsoPic || mode == kModeIsoEEProm);
    btnBackWriteLoader->setEnabled(mode == kModeIsoEEProm);
    btnIsoCard->setVisible(mode == kModeIsoPic);
    // Buffers 2..5 and Compare exist in the PIC and EEPROM modes only.
    const bool all_buffers = mode == kModePic || mode == kModeEEProm;
    for (int i = 1; i < 5; ++i) BufferItems[std::size_t(i)]->setVisible(all_buffers);
    Compare->setVisible(all_buffers);
}

void TMain::Switch_Task() {
    asm_view_ = false;
    if (requested_mode_ == mode_) {
        apply_tool_set(mode_);
        return;
    }
    AssemblerWin->hide();
    Close_Active_Task();
    mode_ = requested_mode_;
    write_status_mode_and_io();

    if (pic_mode(mode_)) {
        pic_buffers_ = std::make_unique<TPicBuffers>();
        pic_ = std::make_unique<PicSide>(*this, settings_, mode_ == kModeIsoPic);
        pic_->load_programmer_params();
        pic_->set_progress_bar(settings_.show_progress ? progress_.get() : nullptr);
        if (mode_ == kModePic) {
            pic_->set_device(settings_.pic_device);
            clear_all_pic_buffers(*pic_buffers_, pic_->device());
        } else {
            Select_PIC_Buffer(1);
            pic_->set_device(settings_.iso_pic_device);
            clear_pic_image((*pic_buffers_)[1], pic_->device());
        }
        config->set_pic_id(0x3FFF);
        fill_device_list();
        EEPromWin->hide();
        CodeWin->show();
        DataWin->show();
        config->show();
    } else if (eeprom_mode(mode_)) {
        start_eeprom_mode();
        if (mode_ == kModeIsoEEProm) card_ = std::make_unique<CardSide>(*this, settings_);
        fill_device_list();
        CodeWin->hide();
        DataWin->hide();
        EEPromWin->show();
        config->hide();
    }

    const bool all_buffers = mode_ == kModePic || mode_ == kModeEEProm;
    for (int i = 1; i < 5; ++i) btnBuffer[std::size_t(i)]->setVisible(all_buffers);
    apply_tool_set(mode_);

    current_buffer_ = 0;
    btnBuffer[0]->setChecked(true);
    select_buffer(1);
    if (mode_ == kModeEEProm) eeprom_line_mode_ = true;
    else if (pic_mode(mode_)) eeprom_line_mode_ = false;
    leds_off();
}

void TMain::Close_Active_Task() {
    comparison_.reset();   // it points into the buffers that go now
    card_.reset();
    pic_.reset();
    ee_.reset();
    pic_buffers_.reset();
    ee_buffers_.reset();
    CodeWin->clear_data();
    DataWin->clear_data();
    EEPromWin->clear_data();
    config->bind(nullptr, -1, -1);
    active_pic_ = nullptr;
    previous_mode_ = mode_;
}

void TMain::Select_PIC_Buffer(int n) {
    if (!pic_buffers_) return;
    PicImage& img = (*pic_buffers_)[n];
    if (pic_) pic_->select_image(img);
    CodeWin->set_data(img.code.data());
    DataWin->set_data(img.data.data());
    CodeWin->unpack_changed(img.code_marks);
    DataWin->unpack_changed(img.data_marks);
    active_pic_ = &img;
}

void TMain::refresh_views(bool clear_marks) {
    if (clear_marks) {
        CodeWin->clear_changed();
        DataWin->clear_changed();
    }
    CodeWin->viewport()->update();
    DataWin->viewport()->update();
    config->bind(active_pic_, device_index(),
                 mode_pic_device());
    config->rebuild();
}

void TMain::select_buffer(int n) {
    if (busy_ || n == current_buffer_ || n < 1 || n > kBufferCount) return;
    if (pic_mode(mode_) && pic_buffers_) {
        if (current_buffer_ >= 1) {
            PicImage& old = (*pic_buffers_)[current_buffer_];
            old.code_marks = CodeWin->pack_changed();
            CodeWin->clear_changed();
            old.data_marks = DataWin->pack_changed();
            DataWin->clear_changed();
        }
        Select_PIC_Buffer(n);
        refresh_views(false);
        set_status_text(2, display_name((*pic_buffers_)[n].file_name));
    } else if (eeprom_mode(mode_) && ee_buffers_) {
        if (current_buffer_ >= 1) {
            (*ee_buffers_)[current_buffer_].marks = EEPromWin->pack_changed();
            EEPromWin->clear_changed();
        }
        Select_EEPRom_Buffer(n);
        refresh_eeprom_view(false);
        set_status_text(2, display_name((*ee_buffers_)[n].file_name));
    }
    for (int i = 0; i < 5; ++i) BufferItems[std::size_t(i)]->setChecked(i + 1 == n);
    current_buffer_ = n;
    btnBuffer[std::size_t(n - 1)]->setChecked(true);
    if (!pic_mode(mode_) && !eeprom_mode(mode_)) set_status_text(2, "");
}

void TMain::change_device(int list_index) {
    if (busy_) return;
    if (mode_ == kModePic && pic_ && pic_buffers_) {
        if (list_index < 0 || list_index >= kPicDeviceCount) return;
        settings_.pic_device = std::uint8_t(pic_device(list_index).index);
        pic_->set_device(settings_.pic_device);
        check_device_item();
        clear_all_pic_buffers(*pic_buffers_, pic_->device());
        Select_PIC_Buffer(current_buffer_);
        refresh_views(true);
    } else if (mode_ == kModeIsoPic && pic_ && pic_buffers_) {
        if (list_index < 0 || list_index >= kPicDeviceCount) return;
        settings_.iso_pic_device = std::uint8_t(pic_device(list_index).index);
        pic_->set_device(settings_.iso_pic_device);
        check_device_item();
        clear_pic_image((*pic_buffers_)[current_buffer_], pic_->device());
        refresh_views(true);
    } else if (eeprom_mode(mode_) && ee_buffers_) {
        if (!eeprom_index_valid(list_index)) return;
        change_eeprom_device(list_index);
    } else {
        return;
    }
    set_status_text(2, "");
    if (pic_mode(mode_) && pic_buffers_) (*pic_buffers_)[current_buffer_].file_name.clear();
    if (eeprom_mode(mode_) && ee_buffers_) (*ee_buffers_)[current_buffer_].file_name.clear();
}

void TMain::abort_widgets(bool busy) {
    btnAbort->setEnabled(busy);
    btnAbort->setVisible(busy);
    CodeWin->setReadOnly(busy);
    DataWin->setReadOnly(busy);
    EEPromWin->setReadOnly(busy);
    for (int i = 0; i < 5; ++i) btnBuffer[std::size_t(i)]->setEnabled(!busy || i + 1 == current_buffer_);
}

void TMain::Enable_Abort() {
    busy_ = true;
    abort_widgets(true);
    if (priority_hook) priority_hook(settings_.priority);
    else set_process_priority(settings_.priority);
    process_messages();
}

void TMain::Disable_Abort() {
    if (priority_hook) priority_hook(0);
    else set_process_priority(0);
    abort_widgets(false);
    busy_ = false;
    process_messages();
}

} // namespace korvane
