// The dispatching handlers of the tool buttons and menu items, and the window's host services.
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/recent_lists.h"
#include "disasm/assembler_view.h"
#include "disasm/listing_file.h"
#include "eeprom/eeprom_catalogue.h"
#include "files/eeprom_files.h"
#include "files/file_messages.h"
#include "files/pic_files.h"
#include "pic/pic_catalogue.h"
#include "card/card_flows.h"
#include "ui/card_side.h"
#include "ui/config_panel.h"
#include "ui/decorations.h"
#include "ui/eeprom_side.h"
#include "ui/icons.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"
#include "ui/msg_form.h"
#include "ui/pic_side.h"

namespace korvane {

namespace {
// Both EEPROM dialogs offer the two formats; the name's extension decides, not the filter.
const QString kEEPromFileFilter = "Binary Files (*.bin *.BIN);;IHX8 Files (*.hex *.HEX)";
} // namespace

// --- host services ---

int TMain::message_box(const std::vector<std::string>& lines, MsgKind kind, const std::vector<int>& buttons) {
    if (message_hook) return message_hook(lines, kind, buttons);
    return TMsgForm::run(this, lines, kind, buttons);
}

void TMain::process_messages() {
    QApplication::processEvents();
    // An Abort pressed in the busy period before the operation got going counts once it runs.
    if (abort_pending_ && busy_ && pic_ && pic_->task_running()) {
        abort_pending_ = false;
        pic_->abort();
    }
    if (abort_pending_ && busy_ && ee_ && ee_->task_running()) {
        abort_pending_ = false;
        ee_->abort();
    }
    if (abort_pending_ && busy_ && card_ && card_->task_running()) {
        abort_pending_ = false;
        card_->abort();
    }
}
void TMain::toggle_rx_led() { LedRX->toggle(); }
void TMain::toggle_tx_led() { LedTX->toggle(); }
void TMain::leds_off() {
    LedRX->set_on(false);
    LedTX->set_on(false);
}
void TMain::set_rx_led(bool on) { LedRX->set_on(on); }
void TMain::set_tx_led(bool on) { LedTX->set_on(on); }

void TMain::set_busy_cursor(bool busy) {
    if (busy) QApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
}

QString TMain::run_file_dialog(const FileDialogRequest& r) {
    if (file_dialog_hook) return file_dialog_hook(r);
    // A dialog object of our own: the process's current directory stays where it was.
    QFileDialog dialog(this, r.title, r.directory, r.filter);
    dialog.setAcceptMode(r.kind == FileDialogKind::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(r.kind == FileDialogKind::Open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!r.default_suffix.isEmpty()) dialog.setDefaultSuffix(r.default_suffix);
    if (r.kind == FileDialogKind::Save) dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

// --- files ---

void TMain::cmd_open_file() {
    if (!busy_) {
        if (mode_ == kModePic && pic_buffers_) {
            PicImage& img = (*pic_buffers_)[current_buffer_];
            // The buffer is cleared before the dialog: a cancelled dialog leaves it blank.
            clear_pic_image(img, device_index());
            const QString name = run_file_dialog({FileDialogKind::Open,
                                                  QString::fromStdString(settings_.last_pic_dir.str()),
                                                  "IHX16 Files (*.hex *.HEX)", "Load PIC File", {}});
            process_messages();
            if (!name.isEmpty())
                open_pic_file(PicFileContext{img, device_index(), settings_, *this}, name.toStdString());
            refresh_views(true);
        } else if ((mode_ == kModeEEProm || mode_ == kModeIsoEEProm) && ee_buffers_) {
            const int type = mode_eeprom_device();
            EEPromImage& img = (*ee_buffers_)[current_buffer_];
            clear_eeprom_buffer(current_buffer_);
            const QString name = run_file_dialog({FileDialogKind::Open,
                                                  QString::fromStdString(settings_.last_eeprom_dir.str()),
                                                  kEEPromFileFilter, "Load EEProm File", {}});
            process_messages();
            // The load adds the name to the recent EEPROM files itself.
            if (!name.isEmpty()) load_eeprom_file_by_name(EEPromFileContext{img, type, settings_, *this}, name.toStdString());
            EEPromWin->clear_changed();
            EEPromWin->viewport()->update();
        }
    }
    rebuild_recent_files_menu();
}

void TMain::cmd_save_file_as() {
    if (!busy_) {
        if (mode_ == kModePic && pic_buffers_) {
            if (asm_view_) {
                const ListingSaveDialog d = listing_save_dialog(settings_);
                const QString name = run_file_dialog(
                    {FileDialogKind::Save, QString::fromStdString(d.initial_dir),
                     QString::fromStdString(d.filter_name + "(" + d.filter_pattern + " " +
                                            QString::fromStdString(d.filter_pattern).toLower().toStdString() + ")"),
                     QString::fromStdString(d.title), QString::fromStdString(d.default_suffix)});
                // Like every other save, a listing that cannot be written says so.
                if (!name.isEmpty()) {
                    const std::string file = listing_file_name(name.toStdString());
                    if (!save_listing(file, asm_lines_))
                        error_box(*this, pic_device_title(device_index()), {kCouldntWriteFile, file});
                }
            } else {
                const QString name = run_file_dialog({FileDialogKind::Save,
                                                      QString::fromStdString(settings_.last_pic_dir.str()),
                                                      "Hex Files   (*.hex *.HEX)", "Save Hex File", "hex"});
                if (!name.isEmpty())
                    save_pic_file(PicFileContext{(*pic_buffers_)[current_buffer_], device_index(), settings_, *this},
                                  name.toStdString());
            }
        } else if ((mode_ == kModeEEProm || mode_ == kModeIsoEEProm) && ee_buffers_) {
            const int type = mode_eeprom_device();
            EEPromImage& img = (*ee_buffers_)[current_buffer_];
            const QString name = run_file_dialog({FileDialogKind::Save,
                                                  QString::fromStdString(settings_.last_eeprom_dir.str()),
                                                  kEEPromFileFilter, "Save Hex File", "hex"});
            process_messages();
            // The save shows the name in status-bar panel 2 itself.
            if (!name.isEmpty()) save_eeprom_file(EEPromFileContext{img, type, settings_, *this}, name.toStdString());
        }
    }
    rebuild_recent_files_menu();
}

void TMain::cmd_recent_file(int item) {
    if (item < 1 || item > 20) return;
    const bool eeprom = item > 10;
    if (!recent_file_choice_allowed(eeprom, mode_, busy_)) return;
    const QString path = RecentList[std::size_t(item - 1)]->data().toString();
    if (path.isEmpty()) return;
    if (!eeprom && pic_buffers_) {
        PicImage& img = (*pic_buffers_)[current_buffer_];
        clear_pic_image(img, device_index());
        load_pic_file_by_name(PicFileContext{img, device_index(), settings_, *this}, path.toStdString(), false);
        refresh_views(true);
    } else if (eeprom && ee_buffers_) {
        const int type = mode_eeprom_device();
        EEPromImage& img = (*ee_buffers_)[current_buffer_];
        clear_eeprom_buffer(current_buffer_);
        load_eeprom_file_by_name(EEPromFileContext{img, type, settings_, *this}, path.toStdString());
        EEPromWin->clear_changed();
        EEPromWin->viewport()->update();
    }
}

// --- devices ---

void TMain::cmd_device_menu(bool eeprom, int tag) {
    const bool acts = eeprom ? (mode_ == kModeEEProm || mode_ == kModeIsoEEProm)
                             : (mode_ == kModePic || mode_ == kModeIsoPic);
    if (busy_ || !acts) {
        check_device_item();   // a refused item must not stay checked
        return;
    }
    pick_device(tag);
    check_device_item();
}

void TMain::cmd_recent_device(int slot) {
    if (busy_ || slot < 1 || slot > 10) return;
    const RecentDeviceSlot& s = settings_.recent_devices[slot - 1];
    if (s.kind == 1 && s.pic_index < kPicDeviceCount) {
        AssemblerWin->hide();
        request_mode(kModePic);
        pick_device(s.pic_index);
    } else if (s.kind == 2 && eeprom_index_valid(s.eeprom_index)) {
        request_mode(kModeEEProm);
        pick_device(s.eeprom_index);
    }
}

// --- tasks ---

void TMain::run_pic_task(int task) {
    if (busy_ || !pic_ || !pic_buffers_ || current_buffer_ < 1) return;
    abort_pending_ = false;
    pic_->run(PicSide::Task(task), (*pic_buffers_)[current_buffer_]);
    abort_pending_ = false;
    after_task();
}

void TMain::after_task() {
    rebuild_recent_device_menu();
    if (close_after_task_) {
        // The window was closed during the task: finish closing now that the port is shut.
        close_after_task_ = false;
        QTimer::singleShot(0, this, &TMain::close);
    }
}

void TMain::cmd_read() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::Read));
    else if (mode_ == kModeEEProm) run_eeprom_task(int(EEPromSide::Task::Read));
    else if (mode_ == kModeIsoEEProm) run_card_task(int(CardTask::Read));
}
void TMain::cmd_program() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::Program));
    else if (mode_ == kModeEEProm) run_eeprom_task(int(EEPromSide::Task::Program));
    else if (mode_ == kModeIsoEEProm) run_card_task(int(CardTask::Program));
}
void TMain::cmd_verify() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::Verify));
    else if (mode_ == kModeEEProm) run_eeprom_task(int(EEPromSide::Task::Verify));
    else if (mode_ == kModeIsoEEProm) run_card_task(int(CardTask::Verify));
}
void TMain::cmd_erase() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::Erase));
    else if (mode_ == kModeEEProm) run_eeprom_task(int(EEPromSide::Task::Erase));
    else if (mode_ == kModeIsoEEProm) run_card_task(int(CardTask::Erase));
}
void TMain::cmd_clear_cp() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::ClearCP));
}
// The two area commands share the frame of Program, which runs nothing in the ISO-PIC mode;
// Program Config runs wherever a PIC object exists. The EEPROM modes have none.
void TMain::cmd_program_code() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::ProgramCode));
}
void TMain::cmd_program_data() {
    if (mode_ == kModePic) run_pic_task(int(PicSide::Task::ProgramData));
}
void TMain::cmd_program_config() { run_pic_task(int(PicSide::Task::ProgramConfig)); }

void TMain::cmd_abort() {
    if (!busy_) return;
    if (pic_ && pic_->task_running()) pic_->abort();
    else if (ee_ && ee_->task_running()) ee_->abort();
    else if (card_ && card_->task_running()) card_->abort();
    else if (pic_ || ee_ || card_) abort_pending_ = true;
}

// --- views ---

void TMain::cmd_assembler_view() {
    // The EEPROM modes have no PIC image to list.
    if (busy_ || !pic_ || !pic_buffers_ || current_buffer_ < 1) return;
    if (!assembler_view_available(*this, device_index())) return;
    set_busy_cursor(true);
    for (QToolButton* b : {btnCompareBuff, btnOpen_File, btnReadAll, btnProgramAll, btnVerify, btnEraseAll, btnClearCP})
        b->hide();
    OpenFile->setEnabled(false);
    RecentFiles->setEnabled(false);
    process_messages();
    asm_lines_ = disassemble_image((*pic_buffers_)[current_buffer_], device_index(), listing_options(settings_));
    AssemblerWin->clear();
    QStringList text;
    for (const std::string& line : asm_lines_) text << QString::fromStdString(line);
    AssemblerWin->setPlainText(text.join('\n'));
    AssemblerWin->show();
    AssemblerWin->raise();
    asm_view_ = true;
    set_busy_cursor(false);
}

void TMain::cmd_about() {
    if (busy_) return;
    QDialog about(this, Qt::Tool | Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
    about.setObjectName("AboutBox");
    about.setWindowTitle(" About ");
    about.setFixedSize(400, 210);
    auto* layout = new QVBoxLayout(&about);
    auto* logo = new QLabel(&about);
    logo->setPixmap(app_icon("logo").pixmap(48, 48));
    logo->setAlignment(Qt::AlignCenter);
    layout->addWidget(logo);
    auto* name = new QLabel(windowTitle(), &about);
    QFont f = name->font();
    f.setBold(true);
    name->setFont(f);
    name->setAlignment(Qt::AlignCenter);
    layout->addWidget(name);
    auto* credits = new QLabel("A device programmer for PIC16F/18F, 24Cxx EEPROMs and ISO cards\n"
                               "over a JDM-style serial programmer.\n\nBuilt with Qt.",
                               &about);
    credits->setAlignment(Qt::AlignCenter);
    layout->addWidget(credits);
    // Centred on the screen, not over the window.
    if (QScreen* screen = QApplication::primaryScreen())
        about.move(screen->availableGeometry().center() - QPoint(about.width() / 2, about.height() / 2));
    about.exec();
}

// --- shutdown ---

void TMain::cmd_exit() {
    if (busy_) return;
    close();
}

void TMain::closeEvent(QCloseEvent* e) {
    // A difference walk holds the busy flag without a task to wait for: end it and close.
    if (walking_) cmd_stop_difference();
    if (busy_) {
        // Closing during a task: stop the task first (the port is closed as it ends), then close
        // with the normal steps so the settings are saved.
        close_after_task_ = true;
        cmd_abort();
        e->ignore();
        return;
    }
    shutdown();
    e->accept();
}

void TMain::shutdown() {
    if (shut_down_) return;
    shut_down_ = true;
    Close_Active_Task();
    save_settings(settings_dir_, settings_);
}

} // namespace korvane
