// The 16F operations of TPIC: device check, read/verify, programming and the erase sequences.
#include <algorithm>
#include <type_traits>

#include "pic/pic_catalogue.h"
#include "pic/tpic.h"

namespace korvane {
namespace {

constexpr unsigned kEraseWaitMs = 13;
constexpr unsigned kFailurePauseMs = 100;
constexpr std::uint16_t kBlankWord = 0x3FFF;

} // namespace

std::uint32_t TPIC::write_wait_ms() const {
    return std::max(programming_delay, pic16_write_cycle_ms(device_index));
}

bool TPIC::pic16_device_check() {
    link_.load_configuration(kBlankWord);
    for (int k = 0; k < 6; ++k) link_.command(kIncrementAddress);
    const std::uint16_t w = read_word(kReadProgramData);
    device_id_read = std::uint16_t(w & 0xFFE0);
    revision = std::uint8_t(w & 0x1F);
    return w == 0 || w == kBlankWord || device_id_read == pic_device(device_index).device_id;
}

bool TPIC::pic16_read_all(bool verify, bool after_program) {
    if (!after_program) start_time = std::chrono::system_clock::now();
    lines_.target_on();
    bool all_ok = true;
    int first_failing = kAreaNone;
    auto differs = [&](int area) {
        all_ok = false;
        if (first_failing == kAreaNone) first_failing = area;
    };
    // Verifying compares a cell with what was read (a data byte by its low 8 bits), reading stores it.
    auto take = [&](auto& cell, std::uint16_t r, int area) {
        using Cell = std::remove_reference_t<decltype(cell)>;
        if (!verify) cell = Cell(r);
        else if (Cell(r) != cell) differs(area);
    };
    auto read_area = [&](auto* cells, std::int32_t size, unsigned read_command, int area) {
        for (std::int32_t i = 0; i < size; ++i) {
            if (i % 70 == 0) host_.toggle_rx_led();
            take(cells[i], read_word(read_command), area);
            progress_step();
            link_.command(kIncrementAddress);
            if (!pump()) return false;
        }
        return true;
    };
    progress_range(code_size + data_size + 8);

    if (!read_area(code_area, code_size, kReadProgramData, kAreaProgram)) return false;
    if (!read_area(data_area, data_size, kReadDataData, kAreaEEProm)) return false;
    link_.load_configuration(kBlankWord);
    for (int k = 0; k < 7; ++k) {
        const std::uint16_t r = read_word(kReadProgramData);
        // Words 4..6 always take what the device holds, also when verifying.
        if (k < 4) take(config_area[k], r, kAreaIdWords);
        else config_area[k] = r;
        progress_step();
        link_.command(kIncrementAddress);
        if (!pump()) return false;
    }
    // The configuration word: stored whole when reading, compared on the bits it has when verifying.
    const std::uint16_t config_read = read_word(kReadProgramData);
    const std::uint16_t config_bits = pic16_config_bits(device_index);
    if (!verify) config_area[7] = config_read;
    else if ((config_read & config_bits) != (config_area[7] & config_bits)) differs(kAreaConfig);
    device_id_read = std::uint16_t(config_area[6] & 0xFFE0);
    revision = std::uint8_t(config_area[6] & 0x1F);

    progress_reset();
    end_time = std::chrono::system_clock::now();
    last_all_ok = all_ok;
    if (verify) verify_result_box(all_ok, first_failing, after_program);
    host_.leds_off();
    return true;
}

void TPIC::write_word(std::uint16_t value, const WordTarget& t, bool& all_ok) {
    std::int32_t attempts = 0;
    for (;;) {
        if (!t.skip_write) {
            link_.command_with_data(t.load_command, value);
            link_.command(kBeginProgramming);
            sleep_ms(write_wait_ms());
        }
        std::uint16_t r = value;
        if (t.read_back) {
            r = read_word(t.read_command);
            ++attempts;
        }
        if ((r & t.compare_mask) == (value & t.compare_mask)) return;
        if (attempts >= max_retries) {
            all_ok = false;
            sleep_ms(kFailurePauseMs);
            write_failure_box(t.area, t.offset);
            return;
        }
    }
}

// Returns false on abort; all_ok tells whether every word was written.
bool TPIC::program_memory_phase(bool write_verify, bool& all_ok) {
    const bool skip_blank = settings_.skip_3fff != 0;
    for (std::int32_t i = 0; i < code_size; ++i) {
        if (i % 10 == 0) host_.toggle_tx_led();
        if (write_verify && i % 5 == 0) host_.toggle_rx_led();
        const std::uint16_t v = code_area[i];
        write_word(v,
                   {kLoadProgramData, kReadProgramData, write_verify || skip_blank,
                    skip_blank && v == kBlankWord, 0xFFFF, kAreaProgram, unsigned(i)},
                   all_ok);
        if (!all_ok) return true;
        if (!pump()) return false;
        link_.command(kIncrementAddress);
        progress_step();
    }
    return true;
}

bool TPIC::data_memory_phase(bool write_verify, bool& all_ok) {
    for (std::int32_t i = 0; i < data_size; ++i) {
        if (i % 10 == 0) host_.toggle_tx_led();
        if (write_verify && i % 5 == 0) host_.toggle_rx_led();
        write_word(data_area[i],
                   {kLoadDataData, kReadDataData, write_verify, false, 0x00FF, kAreaEEProm,
                    0x2100u + unsigned(i)},
                   all_ok);
        if (!all_ok) return true;
        if (!pump()) return false;
        // The address stays on the last byte.
        if (i + 1 < data_size) {
            link_.command(kIncrementAddress);
            progress_step();
        }
    }
    return true;
}

// The ID words and the configuration word from load configuration on. Returns false on abort;
// all_ok tells whether every word was written. Program configuration steps no progress.
bool TPIC::id_and_config_phase(bool write_verify, bool& all_ok, bool with_progress) {
    link_.load_configuration(kBlankWord);
    for (int k = 0; k < 7; ++k) {
        if (k < 4) {
            write_word(config_area[k],
                       {kLoadProgramData, kReadProgramData, write_verify, false, 0xFFFF, kAreaIdWords,
                        0x2000u + unsigned(k)},
                       all_ok);
            if (!pump()) return false;
        }
        if (!all_ok) break;
        link_.command(kIncrementAddress);
        if (with_progress) progress_step();
    }
    // Address 0x2007: read back like the words before it when verifying, so a configuration word
    // that did not take is a write failure, not a success. Bits it lacks (and 14, 15) read back as
    // they like.
    if (all_ok)
        write_word(config_area[7],
                   {kLoadProgramData, kReadProgramData, write_verify, false, pic16_config_bits(device_index),
                    kAreaConfig, 0x2007u},
                   all_ok);
    if (with_progress) progress_step();
    return true;
}

bool TPIC::pic16_program_all(bool write_verify, bool report, bool erase_first) {
    host_.leds_off();
    start_time = std::chrono::system_clock::now();
    // Skipped blank words are only checked, so the device must start erased.
    if (erase_first || settings_.skip_3fff) pic16_erase(true, false);
    progress_range(code_size + data_size + 8);
    bool all_ok = true;
    lines_.target_on();
    if (!program_memory_phase(write_verify, all_ok)) return false;
    if (all_ok && !data_memory_phase(write_verify, all_ok)) return false;
    if (all_ok && !id_and_config_phase(write_verify, all_ok, true)) return false;
    return finish_programming(all_ok, report, "PIC Programming");
}

// Progress to 0, end time, the result box when asked, LEDs off.
bool TPIC::finish_programming(bool all_ok, bool report, const char* what) {
    progress_reset();
    end_time = std::chrono::system_clock::now();
    last_all_ok = all_ok;
    if (report) {
        if (all_ok) result_box({what, "Successfully Completed"}, true);
        else program_failed_box("PIC Programming");
    }
    host_.leds_off();
    return all_ok;
}

void TPIC::bulk_erase_setup_cycle(unsigned load_command) {
    link_.command_with_data(load_command, kBlankWord);
    link_.command(kBulkEraseSetup1);
    link_.command(kBulkEraseSetup2);
    link_.command(kBeginProgramming);
    sleep_ms(kEraseWaitMs);
    link_.command(kBulkEraseSetup1);
    link_.command(kBulkEraseSetup2);
    sleep_ms(kEraseWaitMs);
}

// Load a blank word, then bulk erase program (9) or data (11) memory.
void TPIC::bulk_erase(unsigned load_command, unsigned erase_command) {
    link_.command_with_data(load_command, kBlankWord);
    link_.command(erase_command);
    link_.command(kBeginProgramming);
    sleep_ms(kEraseWaitMs);
}

// Program code area and program data area: the erase of that memory only, its own range.
bool TPIC::program_one_area(int area, bool write_verify, bool report, bool erase_first) {
    const bool code = area == kAreaProgram;
    const unsigned load_command = code ? kLoadProgramData : kLoadDataData;
    host_.leds_off();
    start_time = std::chrono::system_clock::now();
    lines_.target_on();
    if (erase_first || settings_.skip_3fff) {
        bulk_erase_setup_cycle(load_command);
        bulk_erase(load_command, code ? kBulkEraseProgram : kBulkEraseData);
    }
    progress_range(code ? code_size : data_size);
    bool all_ok = true;
    lines_.target_on();
    const bool finished =
        code ? program_memory_phase(write_verify, all_ok) : data_memory_phase(write_verify, all_ok);
    if (!finished) return false;
    return finish_programming(all_ok, report,
                              code ? "PIC Code Area Programming" : "PIC Data Area Programming");
}

bool TPIC::pic16_program_configuration(bool write_verify, bool report) {
    bool all_ok = true;
    if (!id_and_config_phase(write_verify, all_ok, false)) return false;
    last_all_ok = all_ok;
    if (report) {
        if (all_ok) result_box({"Config Programming", "Successfully Completed"}, false);
        else program_failed_box("Config Programming");
    }
    return true;
}

void TPIC::erase_ids_and_config() {
    link_.load_configuration(kBlankWord);
    for (int k = 0; k < 7; ++k) {
        if (k < 4) {
            link_.command_with_data(kLoadProgramData, 0x7FFF);   // goes out as 0x3FFF
            link_.command(kBeginProgramming);
            sleep_ms(kEraseWaitMs);
        }
        link_.command(kIncrementAddress);
    }
    // The erased configuration word, the same for the four 16F devices.
    link_.command_with_data(kLoadProgramData, 0x3FF8);
    link_.command(kBeginProgramming);
    sleep_ms(kEraseWaitMs);
}

void TPIC::pic16_erase(bool remove_protection, bool report) {
    if (remove_protection) {
        link_.load_configuration(0xFFFF);
        for (int k = 0; k < 7; ++k) link_.command(kIncrementAddress);
        link_.command(kBulkEraseSetup1);
        link_.command(kBulkEraseSetup2);
        link_.command(kBeginProgramming);
        sleep_ms(kEraseWaitMs);
        link_.command(kBulkEraseSetup1);
        link_.command(kBulkEraseSetup2);
        if (report) result_box({"Code Protection", "Successfully Disabled"}, false);
        return;
    }
    for (int pass = 0; pass < 2; ++pass) {
        bulk_erase_setup_cycle(kLoadProgramData);
        bulk_erase_setup_cycle(kLoadDataData);
        erase_ids_and_config();
        bulk_erase(kLoadProgramData, kBulkEraseProgram);
        bulk_erase(kLoadDataData, kBulkEraseData);
        erase_ids_and_config();
    }
    if (report) result_box({"PIC Erasing", "Successfully Completed"}, false);
}

} // namespace korvane
