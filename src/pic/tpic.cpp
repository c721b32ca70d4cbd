#include "pic/tpic.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "pic/pic18_ops.h"
#include "pic/pic_catalogue.h"

namespace korvane {

const char* pic_area_name(int area) {
    switch (area) {
    case kAreaProgram: return "Program";
    case kAreaEEProm: return "EEProm";
    case kAreaIdWords: return "ID Words";
    case kAreaConfig: return "Config";
    default: return "";
    }
}

TPIC::TPIC(SettingsRecord& settings, IHost& host, IProgrammerLines& lines)
    : settings_(settings), host_(host), lines_(lines), link_(lines), link18_(lines) {}

void TPIC::select_image(PicImage& image) {
    code_area = image.code.data();
    data_area = image.data.data();
    config_area = image.config.data();
    id_area = image.id.data();
}

void TPIC::load_programmer_params() {
    const ProgrammerParams& p = settings_.current_programmer();
    programming_delay = p.prog_delay_ms;
    max_retries = static_cast<std::int32_t>(std::uint32_t(p.max_retries));
    port_name = p.port_name.str();
    bit_time = p.bit_time_us;
    command_delay = p.cmd_delay_us;
}

void TPIC::load_settings(bool iso_pic_mode) {
    load_programmer_params();
    set_device(iso_pic_mode ? settings_.iso_pic_device : settings_.pic_device);
}

void TPIC::set_device(int index) {
    index = std::clamp(index, 0, kPicDeviceCount - 1);
    const TPicDevice& d = pic_device(index);
    device_index = std::uint8_t(index);
    code_size = std::int32_t(std::uint32_t(d.code_size));
    data_size = std::int32_t(std::uint32_t(d.data_size));
    command_length_minus_1 = d.command_len_minus_1;
    panel_count = d.panel_count;
    lines_.select_pic_target(index);
    if (grid_sizes_changed) grid_sizes_changed(2 * code_size, data_size);
}

std::string TPIC::title() const { return pic_device_title(device_index); }

bool TPIC::open_programmer() {
    abort_requested = 0;
    task_running = 1;
    link_.set_timing(bit_time, command_delay, command_length_minus_1);
    link18_.set_timing(bit_time, command_delay, command_length_minus_1);
    if (!lines_.open_port(port_name)) return false;
    lines_.target_on();
    return true;
}

void TPIC::close_programmer() {
    lines_.close_port();
    task_running = 0;
}

void TPIC::abort() {
    abort_requested = 1;
    if (progress_bar) progress_bar->set_position(0);
    host_.message_box({title(), "Process Aborted"}, MsgKind::Warning, {mbOK});
    host_.leds_off();
}

bool TPIC::pump() {
    host_.process_messages();
    if (abort_requested) {
        host_.leds_off();
        return false;
    }
    return true;
}

void TPIC::progress_range(int max) {
    if (!progress_bar) return;
    progress_bar->set_range(0, max);
    progress_bar->set_step(1);
}

void TPIC::progress_step() {
    if (progress_bar) progress_bar->step_it();
}

void TPIC::progress_reset() {
    if (progress_bar) progress_bar->set_position(0);
}

std::string TPIC::long_time(TimePoint t) {
    const std::time_t tt = std::chrono::system_clock::to_time_t(t);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &tt);
#else
    localtime_r(&tt, &tm);
#endif
    // The locale's own time format (the window sets the user's locale; plain C gives HH:MM:SS).
    char buf[64];
    if (std::strftime(buf, sizeof buf, "%X", &tm) == 0) std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    return buf;
}

std::string TPIC::start_line() const { return "Start Time : " + long_time(start_time); }
std::string TPIC::end_line() const { return "End  Time : " + long_time(end_time); }

void TPIC::result_box(const std::vector<std::string>& body, bool with_times) {
    std::vector<std::string> lines{title()};
    lines.insert(lines.end(), body.begin(), body.end());
    if (with_times) {
        lines.push_back(start_line());
        lines.push_back(end_line());
    }
    host_.message_box(lines, MsgKind::Information, {mbOK});
}

void TPIC::program_failed_box(const char* what) {
    error_box(host_, title(), {what, "Not Successfully Completed"});
}

void TPIC::write_failure_box(int area, unsigned offset) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%05Xh", offset & 0xFFFFFu);
    host_.message_box({title() + " ERROR!            Offset = " + digits,
                       std::string("Write ") + pic_area_name(area) + " Failure", "Max Retries Exceeded"},
                      MsgKind::Error, {mbOK});
}

void TPIC::verify_result_box(bool all_ok, int first_failing, bool after_program) {
    if (!all_ok) {
        host_.message_box({title() + " ERROR!          PicZone = " + pic_area_name(first_failing), " PIC Verify",
                           "Not Successfully Completed"},
                          MsgKind::Error, {mbOK});
    } else if (after_program) {
        result_box({"Programming and Verify", "Successfully Completed"}, true);
    } else {
        result_box({"Verify Successfully Completed"}, true);
    }
}

// ---- the family's operation ----

bool TPIC::device_check() { return is_pic18() ? Pic18Ops(*this, link18_).device_check() : pic16_device_check(); }

bool TPIC::read_all(bool verify, bool after_program) {
    return is_pic18() ? Pic18Ops(*this, link18_).read_all(verify, after_program) : pic16_read_all(verify, after_program);
}

bool TPIC::program_all(bool write_verify, bool report, bool erase_first) {
    if (is_pic18()) return Pic18Ops(*this, link18_).program_all(write_verify, report, erase_first);
    return pic16_program_all(write_verify, report, erase_first);
}

bool TPIC::program_code_area(bool write_verify, bool report, bool erase_first) {
    if (is_pic18()) return Pic18Ops(*this, link18_).program_code_area(write_verify, report, erase_first);
    return program_one_area(kAreaProgram, write_verify, report, erase_first);
}

bool TPIC::program_data_area(bool write_verify, bool report, bool erase_first) {
    if (is_pic18()) return Pic18Ops(*this, link18_).program_data_area(write_verify, report, erase_first);
    return program_one_area(kAreaEEProm, write_verify, report, erase_first);
}

bool TPIC::program_configuration(bool write_verify, bool report) {
    if (is_pic18()) return Pic18Ops(*this, link18_).program_configuration(write_verify, report);
    return pic16_program_configuration(write_verify, report);
}

void TPIC::erase(bool remove_protection, bool report, unsigned code) {
    if (is_pic18()) Pic18Ops(*this, link18_).erase(remove_protection, report, code);
    else pic16_erase(remove_protection, report);
}

} // namespace korvane
