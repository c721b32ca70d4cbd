#pragma once
// TMain (module MainFrm): the one long-lived window. It owns the work mode with its buffers and
// device objects, runs the commands as tasks, and is the host the core reports through.
#include <QMainWindow>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "buffers/pic_buffers.h"
#include "hardware/ports.h"

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QToolButton;

namespace korvane {

class BufferComparison;
class CardSide;
class ConfigPanel;
class EEPromSide;
class IsoCardSelectDialog;
class GradientPanel;
class LedLamp;
class PicSide;
class TMemGrid;

enum WorkMode : int { kModeNone = 0, kModePic = 1, kModeEEProm = 2, kModeIsoPic = 3, kModeIsoEEProm = 4 };

class TMain : public QMainWindow, public IHost {
    Q_OBJECT
public:
    // `settings` lives for the whole run; `settings_dir` is where shutdown saves it.
    TMain(SettingsRecord& settings, std::filesystem::path settings_dir, QWidget* parent = nullptr);
    ~TMain() override;

    // --- IHost ---
    int message_box(const std::vector<std::string>& lines, MsgKind kind,
                    const std::vector<int>& buttons) override;
    void set_status_text(int panel, const std::string& text) override;
    void process_messages() override;
    void toggle_rx_led() override;
    void toggle_tx_led() override;
    void leds_off() override;
    void set_rx_led(bool on) override;
    void set_tx_led(bool on) override;
    void set_busy_cursor(bool busy) override;

    // Tests answer the message box and the file dialogs here instead of a person.
    std::function<int(const std::vector<std::string>&, MsgKind, const std::vector<int>&)> message_hook;
    enum class FileDialogKind { Open, Save };
    struct FileDialogRequest {
        FileDialogKind kind;
        QString directory, filter, title, default_suffix;
    };
    std::function<QString(const FileDialogRequest&)> file_dialog_hook;
    // Tests run the card selection dialog here (press buttons, then accept or reject) instead of exec().
    std::function<void(IsoCardSelectDialog&)> iso_card_dialog_hook;
    // Replaces the process priority calls of the busy period (tests record them).
    std::function<void(int)> priority_hook;
    // Tests work the modal dialogs here instead of exec(): close them with accept() or reject().
    std::function<void(QDialog&)> dialog_hook;
    int exec_dialog(QDialog& dialog);

    // The serial ports found at start-up, for the I/O configuration and options dialogs.
    PortList port_list;
    // Whether a port can be opened now (the port lists mark the others); tests replace it.
    std::function<bool(const std::string&)> port_available;

    // --- state ---
    int work_mode() const { return mode_; }
    int previous_mode() const { return previous_mode_; }
    bool busy() const { return busy_; }
    int current_buffer() const { return current_buffer_; }
    bool assembler_view() const { return asm_view_; }
    bool pic_task_running() const;
    bool eeprom_task_running() const;
    // The line interface's EEPROM line mode: on from entering the EEPROM mode until a PIC mode.
    bool eeprom_line_mode() const { return eeprom_line_mode_; }
    EEPromSide* eeprom_side() { return ee_.get(); }
    TPicBuffers* pic_buffers() { return pic_buffers_.get(); }
    TEEPromBuffers* eeprom_buffers() { return ee_buffers_.get(); }
    SettingsRecord& settings() { return settings_; }
    int device_index() const;   // device index of the PIC object (or the settings' device)
    QString status_text(int panel) const;
    // The difference walk of Buffer > Compare (null when none ran yet).
    const BufferComparison* comparison() const { return comparison_.get(); }
    bool walking_differences() const { return walking_; }

    // --- the task controller's verbs ---
    void Switch_Task();
    void Close_Active_Task();
    void Enable_Abort();
    void Disable_Abort();
    // The widget side of a busy period: the Abort button, read-only grids, buffer buttons.
    void abort_widgets(bool busy);
    void Select_PIC_Buffer(int n);
    void select_buffer(int n);            // the command behind the buffer buttons
    void refresh_views(bool clear_marks);
    // --- EEPROM buffers (EEPROM and ISO-EEPROM modes) ---
    // Points TI2C and EEPromWin at buffer n and loads the grid marks of buffer n.
    void Select_EEPRom_Buffer(int n);
    // Bytes 0 .. last address of the buffer TI2C designates become 0xFF; buffer n's empty flag.
    void clear_eeprom_buffer(int n);
    // Every buffer selected in turn, cleared, its marks and file name emptied.
    void clear_all_eeprom_buffers();
    // Repaints EEPromWin, clearing all its marks first when asked.
    void refresh_eeprom_view(bool clear_marks);
    void run_eeprom_task(int task);   // EEPromSide::Task
    void change_device(int list_index);   // Items_List / Settings > Device
    void request_mode(int mode);           // the mode buttons

    // --- controls, by their form names ---
    QToolButton *btnOpen_File, *btnSaveAs_File, *btnReadAll, *btnProgramAll, *btnVerify,
        *btnEraseAll, *btnClearCP, *btnCompareBuff, *btnWrite876Ldr, *btnWriteLoaderSkip,
        *btnIsoCard, *btnBackWriteLoader, *btnSmartWizard, *btnAssembView, *btnHardware,
        *btnOptions, *HelpAbout;
    QComboBox* Items_List;
    GradientPanel* paLeft;
    QToolButton *btnPICProgramming, *btnEEPromProgramming, *btnWizard, *btnExit;
    TMemGrid *CodeWin, *DataWin, *EEPromWin;
    QPlainTextEdit* AssemblerWin;
    QLineEdit *CompareAddr, *CompareLine;
    QProgressBar* ProgBar;
    std::array<QToolButton*, 5> btnBuffer{};
    QToolButton *btnNextDiff, *btnStopDiff, *btnAbort;
    LedLamp *LedTX, *LedRX;
    ConfigPanel* config;
    std::array<QLabel*, 3> status_panels{};
    QWidget* client;   // the 756 x 523 client area (status bar included)

    // Menu items.
    QAction *OpenFile, *SaveFileAs, *Exit1, *Compare, *IOConfiguration, *Options2, *ReadAll1,
        *ProgramAll1, *Verify1, *EraseAll1, *ProgramCodeArea, *ProgramDataArea, *ProgramConfig,
        *ClearCP1, *SmartWizard, *Assembler1, *Info1, *About1;
    QMenu *RecentFiles, *EditMenu, *RecentDevice;
    std::array<QAction*, 5> BufferItems{};       // Buffer11 .. Buffer51
    std::array<QAction*, 20> RecentList{};
    std::array<QAction*, 10> RecentDev{};
    std::array<QAction*, 11> EEPromDeviceItems{};
    std::array<QAction*, 12> PicDeviceItems{};

    void rebuild_recent_files_menu();
    void rebuild_recent_device_menu();

    // Tool-button command handlers (also run by the menu items and their shortcuts).
    void cmd_open_file();
    void cmd_save_file_as();
    void cmd_read();
    void cmd_program();
    void cmd_verify();
    void cmd_erase();
    void cmd_clear_cp();
    void cmd_program_code();
    void cmd_program_data();
    void cmd_program_config();
    void cmd_abort();
    void cmd_assembler_view();
    void cmd_exit();
    void cmd_about();
    void cmd_recent_file(int item);
    void cmd_recent_device(int slot);
    void cmd_io_configuration();
    void cmd_options();
    void cmd_compare();
    void cmd_next_difference();
    void cmd_stop_difference();
    void cmd_device_menu(bool eeprom, int tag);
    void run_pic_task(int task);   // PicSide::Task
    // The ISO card steps: card selection, Write Loader, Skip, Back; the ISO-EEPROM tasks.
    void cmd_iso_card();
    void cmd_write_loader();
    void cmd_skip_loader();
    void cmd_back_loader();
    void run_card_task(int task);   // CardTask

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void build_tool_bar();
    void build_left_panel();
    void build_centre();
    void build_bottom_row();
    void build_status_bar();
    void build_menu();
    void apply_tool_set(int mode);
    // The buffer side of entering an EEPROM mode, and of a type picked in one.
    void start_eeprom_mode();
    void change_eeprom_device(int type);
    // After a task: rebuild the recent devices; finish a close asked for during the task.
    void after_task();
    void write_status_mode_and_io();
    void fill_device_list();
    // The mode's devices in the settings: the ISO devices in the ISO modes.
    int mode_pic_device() const;
    int mode_eeprom_device() const;
    // Selects the list entry, then runs the change as a pick in the list would.
    void pick_device(int list_index);
    void check_device_item();
    void set_grid_fonts();
    void set_hints_for_mode(int mode);
    QString run_file_dialog(const FileDialogRequest& r);
    void shutdown();
    void start_comparison(int a, int b);
    TMemGrid* compare_grid() const;
    void place_compare_strip();

    SettingsRecord& settings_;
    std::filesystem::path settings_dir_;
    int mode_ = kModeNone;
    int requested_mode_ = kModeNone;
    int previous_mode_ = kModeNone;
    bool asm_view_ = false;
    bool busy_ = false;
    int current_buffer_ = 0;
    bool close_after_task_ = false;
    bool abort_pending_ = false;
    bool shut_down_ = false;
    bool filling_list_ = false;
    bool eeprom_line_mode_ = false;

    PicImage* active_pic_ = nullptr;
    std::vector<std::string> asm_lines_;   // the listing AssemblerWin shows
    std::unique_ptr<TPicBuffers> pic_buffers_;
    std::unique_ptr<TEEPromBuffers> ee_buffers_;
    std::unique_ptr<PicSide> pic_;   // TPIC with its lines and task runner, in the PIC modes
    std::unique_ptr<EEPromSide> ee_;   // TI2C with its lines and task runner, in the EEPROM modes
    std::unique_ptr<CardSide> card_;   // TEE_THRU_IO with its task frame, in the ISO-EEPROM mode
    std::unique_ptr<IProgressBar> progress_;   // ProgBar as the operations see it
    std::unique_ptr<BufferComparison> comparison_;
    int compare_b_ = 0;      // the other buffer of the walk
    bool walking_ = false;   // from the first difference until Stop (the busy flag stays up)

    friend class PicSide;
    friend class EEPromSide;
    friend class CardSide;
};

} // namespace korvane
