#pragma once
// TPIC: the PIC programmer object of the PIC and ISO-PIC work modes. It holds references into the
// active buffer (never owns image memory), the programmer parameters copied from the settings, and
// the abort and task-running flags. Its operations choose the family by the device index: the 16F
// ones live in pic16_ops.cpp, the 18F ones in pic18_ops.cpp.
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"
#include "pic/icsp_link.h"
#include "pic/pic18_link.h"
#include "pic/programmer_lines.h"

namespace korvane {

// Areas named in messages.
enum PicArea : int { kAreaNone = 0, kAreaProgram = 1, kAreaEEProm = 2, kAreaIdWords = 3, kAreaConfig = 4 };
const char* pic_area_name(int area);   // "Program", "EEProm", "ID Words", "Config"

class TPIC {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    TPIC(SettingsRecord& settings, IHost& host, IProgrammerLines& lines);

    // --- fields, in the program's order ---
    std::uint16_t* code_area = nullptr;     // the active buffer's areas
    std::uint8_t* data_area = nullptr;
    std::uint16_t* config_area = nullptr;   // 16F: word k is PIC address 0x2000 + k; 18F: 0x300000 + 2k
    std::uint8_t* id_area = nullptr;        // 18F only
    std::uint8_t device_index = 0;
    std::uint16_t device_id_read = 0x3FFF;  // revision bits cleared; preset to 0x3FFF before each task
    std::uint8_t revision = 0;
    std::int32_t code_size = 0;
    std::int32_t data_size = 0;
    std::uint32_t programming_delay = 0;    // ms after each begin-programming command
    std::int32_t max_retries = 0;
    std::string port_name;
    std::uint32_t bit_time = 0;             // us
    std::uint32_t command_delay = 0;        // us
    std::uint8_t command_length_minus_1 = 5;
    std::uint8_t panel_count = 0;
    std::uint8_t abort_requested = 0;
    std::uint8_t task_running = 0;
    IProgressBar* progress_bar = nullptr;   // null when ShowProgress is off
    std::uint8_t area_selection[4] = {1, 1, 1, 1};   // 18F: code, data, ID, configuration

    // Time stamps shown in the result boxes.
    TimePoint start_time{};
    TimePoint end_time{};
    // all-ok of the last read/verify/program pass (verify all itself returns false only on abort).
    bool last_all_ok = true;
    // The window resizes CodeWin (bytes) and DataWin when the device changes.
    std::function<void(int code_bytes, int data_bytes)> grid_sizes_changed;

    // Points the four references at an image (Select_PIC_Buffer).
    void select_image(PicImage& image);

    // Copies delay, retries, port, bit time and command delay from the current programmer record,
    // then sets the device of the settings (the ISO PIC device in the ISO-PIC mode).
    void load_settings(bool iso_pic_mode = false);
    void load_programmer_params();
    void set_device(int index);
    std::string title() const;   // "PIC 16F84  "

    bool open_programmer();
    void close_programmer();
    // The Abort handler: flag, progress to 0, the abort notice, LEDs off.
    void abort();

    bool is_pic18() const { return device_index > 3; }

    // --- operations of the device's family ---
    bool device_check();
    bool read_all(bool verify = false, bool after_program = false);
    bool verify_all(bool after_program = false) { return read_all(true, after_program); }
    bool program_all(bool write_verify, bool report, bool erase_first);
    bool program_code_area(bool write_verify, bool report, bool erase_first);
    bool program_data_area(bool write_verify, bool report, bool erase_first);
    // 16F: false only after an abort; 18F: the programming runner's result.
    bool program_configuration(bool write_verify, bool report);
    // 18F: a bulk erase with `code` (0x80 chip erase) in both forms; they differ in the message.
    void erase(bool remove_protection, bool report, unsigned code = kPic18ChipErase);

    IProgrammerLines& lines() { return lines_; }
    IHost& host() { return host_; }
    SettingsRecord& settings() { return settings_; }

    // The time of day of a time stamp in the locale's long time format ("HH:MM:SS" in plain C).
    static std::string long_time(TimePoint t);

private:
    friend class Pic18Ops;

    bool pic16_device_check();
    bool pic16_read_all(bool verify, bool after_program);
    bool pic16_program_all(bool write_verify, bool report, bool erase_first);
    bool pic16_program_configuration(bool write_verify, bool report);
    void pic16_erase(bool remove_protection, bool report);

    // Processes pending messages; false (LEDs off) when an abort was requested.
    bool pump();
    void progress_range(int max);
    void progress_step();
    void progress_reset();
    void sleep_ms(unsigned ms) {
        if (ms) lines_.sleep_ms(ms);
    }
    std::uint16_t read_word(unsigned command) { return link_.command_read(command); }
    // The wait after a 16F begin-programming: the programming delay, but never shorter than the
    // part's own erase-and-program cycle (a chip still busy drops the commands that follow).
    std::uint32_t write_wait_ms() const;

    // Written-word loop; false when the word failed (all-ok then false, the box shown).
    struct WordTarget {
        unsigned load_command;
        unsigned read_command;
        bool read_back;
        bool skip_write;
        std::uint16_t compare_mask;
        int area;
        unsigned offset;
    };
    void write_word(std::uint16_t value, const WordTarget& target, bool& all_ok);
    bool program_memory_phase(bool write_verify, bool& all_ok);
    bool data_memory_phase(bool write_verify, bool& all_ok);
    bool id_and_config_phase(bool write_verify, bool& all_ok, bool with_progress);
    bool program_one_area(int area, bool write_verify, bool report, bool erase_first);
    bool finish_programming(bool all_ok, bool report, const char* what);
    void erase_ids_and_config();
    void bulk_erase_setup_cycle(unsigned load_command);
    void bulk_erase(unsigned load_command, unsigned erase_command);

    void result_box(const std::vector<std::string>& body, bool with_times);
    void program_failed_box(const char* what);
    // "Write <area> Failure" with the low five hex digits of the offset.
    void write_failure_box(int area, unsigned offset);
    void verify_result_box(bool all_ok, int first_failing, bool after_program);
    std::string start_line() const;
    std::string end_line() const;

    SettingsRecord& settings_;
    IHost& host_;
    IProgrammerLines& lines_;
    Pic16Link link_;
    Pic18Link link18_;
};

} // namespace korvane
