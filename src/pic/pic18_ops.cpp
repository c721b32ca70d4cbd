#include "pic/pic18_ops.h"

#include <chrono>
#include <type_traits>

#include "pic/pic_catalogue.h"
#include "pic/tpic.h"

namespace korvane {

namespace {
constexpr std::uint16_t kBlankWord = 0xFFFF;
constexpr std::uint16_t kIncfTblptrL = 0x2AF6;
constexpr std::uint16_t kGotoLow = 0xEF00, kGotoHigh = 0xF800;   // GOTO 0x100000: before config writes
constexpr std::uint16_t kBsfRd = 0x80A6, kMovfEedata = 0x50A8, kMovwfTablat = 0x6EF5;
constexpr std::uint16_t kMovwfEedata = 0x6EA8, kMovwfEecon2 = 0x6EA7, kMovfEecon1 = 0x50A6;
constexpr std::uint16_t kBsfWren = 0x84A6, kBcfWren = 0x94A6, kBsfWr = 0x82A6;
constexpr std::uint8_t kEecon1Wr = 0x02;
constexpr unsigned kDataWriteWaitMs = 2;
// The target needs a few ms per EEPROM byte (4 ms typical); it is polled this often, 1 ms apart,
// beyond the first 2 ms before the byte is left to the read-back.
constexpr int kDataWritePolls = 50;
constexpr int kIdAndConfigSteps = 16;

std::uint16_t movlw(unsigned k) { return std::uint16_t(0x0E00 | (k & 0xFF)); }
} // namespace

std::uint16_t Pic18Ops::config_compare_mask(int device_index, int k) {
    // CONFIG1L, 3L and 4H do not exist; CONFIG3H (CCP2MX) only on the XX2 parts; the 16 KB parts
    // have blocks 0 and 1 only in the CP, WRT and EBTR bytes.
    const bool xx2 = device_index == 4 || device_index == 6 || device_index == 8 || device_index == 10;
    const bool small = pic_device(device_index).code_size <= 8192;
    const std::uint16_t blocks = small ? 0x0003 : 0x000F;
    switch (k) {
    case 0: return 0x2700;
    case 1: return 0x0F0F;
    case 2: return xx2 ? 0x0100 : 0x0000;
    case 3: return 0x0085;
    case 4: return std::uint16_t(0xC000 | blocks);
    case 5: return std::uint16_t(0xE000 | blocks);
    case 6: return std::uint16_t(0x4000 | blocks);
    default: return 0;
    }
}

bool Pic18Ops::device_check() {
    link_.set_table_pointer(kPic18DeviceIdAddress);
    const unsigned low = link_.command_read(kTableReadPostInc);
    const unsigned high = link_.command_read(kTableReadPostInc);
    const std::uint16_t w = std::uint16_t(high << 8 | low);
    pic_.device_id_read = std::uint16_t(w & 0xFFE0);
    pic_.revision = std::uint8_t(w & 0x1F);
    return w == 0 || w == kBlankWord || pic_.device_id_read == pic_device(pic_.device_index).device_id;
}

std::uint8_t Pic18Ops::read_data_byte(unsigned address) {
    link_.set_eeprom_address(address);
    link_.core(kBsfRd);
    link_.core(kMovfEedata);
    link_.core(kMovwfTablat);
    return link_.command_read(kShiftOutTablat);
}

bool Pic18Ops::read_all(bool verify, bool after_program) {
    TPIC& p = pic_;
    IHost& host = p.host_;
    if (!after_program) p.start_time = std::chrono::system_clock::now();
    p.lines_.target_on();
    bool all_ok = true;
    int first_failing = kAreaNone;
    // Verifying compares (under a mask), reading stores.
    auto take = [&](auto& cell, unsigned value, int area, unsigned mask) {
        using Cell = std::remove_reference_t<decltype(cell)>;
        if (!verify) cell = Cell(value);
        else if ((value & mask) != (unsigned(cell) & mask)) {
            all_ok = false;
            if (first_failing == kAreaNone) first_failing = area;
        }
    };
    auto step_and_pump = [&] {
        p.progress_step();
        return p.pump();
    };
    p.progress_range(p.code_size + p.data_size + kIdAndConfigSteps);

    link_.set_table_pointer(0);
    for (std::int32_t i = 0; i < p.code_size; ++i) {
        if (i % 350 == 0) host.toggle_rx_led();
        take(p.code_area[i], link_.read_word(), kAreaProgram, 0xFFFF);
        if (!step_and_pump()) return false;
    }
    link_.select_memory(Pic18Memory::DataEeprom);
    for (std::int32_t i = 0; i < p.data_size; ++i) {
        if (i % 70 == 0) host.toggle_rx_led();
        take(p.data_area[i], read_data_byte(unsigned(i)), kAreaEEProm, 0xFF);
        if (!step_and_pump()) return false;
    }
    link_.select_memory(Pic18Memory::Program);
    link_.set_table_pointer(kPic18IdAddress);
    for (int j = 0; j < 8; ++j) {
        if (j % 2 == 0) host.toggle_rx_led();
        take(p.id_area[j], link_.command_read(kTableReadPostInc), kAreaIdWords, 0xFF);
        if (!step_and_pump()) return false;
    }
    link_.set_table_pointer(kPic18ConfigAddress);
    for (int k = 0; k < 7; ++k) {
        if (k % 2 == 0) host.toggle_rx_led();
        take(p.config_area[k], link_.read_word(), kAreaConfig, config_compare_mask(p.device_index, k));
        if (!step_and_pump()) return false;
    }

    p.progress_reset();
    p.end_time = std::chrono::system_clock::now();
    p.last_all_ok = all_ok;
    if (verify) p.verify_result_box(all_ok, first_failing, after_program);
    host.leds_off();
    return true;
}

void Pic18Ops::select_areas(bool code, bool data, bool id, bool config) {
    pic_.area_selection[0] = code;
    pic_.area_selection[1] = data;
    pic_.area_selection[2] = id;
    pic_.area_selection[3] = config;
}

bool Pic18Ops::program_all(bool write_verify, bool report, bool erase_first) {
    if (erase_first || pic_.settings_.skip_3fff) link_.bulk_erase(kPic18ChipErase);
    select_areas(true, true, true, true);
    return run_programming(write_verify, report);
}

bool Pic18Ops::program_code_area(bool write_verify, bool report, bool erase_first) {
    if (erase_first || pic_.settings_.skip_3fff)
        for (unsigned p = 0; p < pic_.panel_count; ++p) link_.bulk_erase(kPic18PanelErase1 + p);
    select_areas(true, false, false, false);
    return run_programming(write_verify, report);
}

bool Pic18Ops::program_data_area(bool write_verify, bool report, bool erase_first) {
    if (erase_first || pic_.settings_.skip_3fff) link_.bulk_erase(kPic18DataErase);
    select_areas(false, true, false, false);
    return run_programming(write_verify, report);
}

bool Pic18Ops::program_configuration(bool write_verify, bool report) {
    select_areas(false, false, true, true);
    return run_programming(write_verify, report);
}

void Pic18Ops::erase(bool remove_protection, bool report, unsigned code) {
    link_.bulk_erase(code);
    if (!report) return;
    if (remove_protection) pic_.result_box({"Code Protection", "Successfully Disabled"}, false);
    else pic_.result_box({"PIC Erasing", "Successfully Completed"}, false);
}

bool Pic18Ops::run_programming(bool write_verify, bool report) {
    TPIC& p = pic_;
    const bool code = p.area_selection[0] != 0, data = p.area_selection[1] != 0;
    const bool id = p.area_selection[2] != 0, config = p.area_selection[3] != 0;
    const bool skip_blank = p.settings_.skip_3fff != 0;
    p.host_.leds_off();
    p.start_time = std::chrono::system_clock::now();
    const int code_steps = code ? (skip_blank ? p.code_size / 4 : p.code_size / (4 * p.panel_count)) : 0;
    const int data_steps = data ? p.data_size : 0;
    p.progress_range(code_steps + data_steps + (id || config ? kIdAndConfigSteps : 0));

    bool ok = true;
    p.lines_.target_on();
    if (code) ok = skip_blank ? code_phase_blocks(write_verify) : code_phase_multi_panel(write_verify);
    if (ok && data) ok = data_phase(write_verify);
    if (ok && id) ok = id_phase(write_verify);
    if (ok && config) ok = config_phase(write_verify);

    p.progress_reset();
    p.end_time = std::chrono::system_clock::now();
    p.last_all_ok = ok;
    if (report && !p.abort_requested) {
        if (ok) p.result_box({"PIC Programming", "Successfully Completed"}, true);
        else p.program_failed_box("PIC Programming");
    }
    p.host_.leds_off();
    return ok;
}

void Pic18Ops::write_8_bytes(std::uint32_t address, bool last) {
    const std::uint16_t* words = pic_.code_area + address / 2;
    link_.set_table_pointer(address);
    for (int j = 0; j < 3; ++j) link_.send_instruction(kTableWritePostInc2, words[j]);
    link_.send_instruction(last ? kTableWriteStartProgramming : kTableWrite, words[3]);
}

bool Pic18Ops::code_phase_multi_panel(bool write_verify) {
    TPIC& p = pic_;
    const unsigned panels = p.panel_count;
    link_.select_memory(Pic18Memory::ConfigWriteEnabled);
    // The panel write mode holds until it is changed, and its register takes writes only in
    // configuration space: set once, not again before every block.
    link_.multi_panel_mode(true);
    link_.select_memory(Pic18Memory::Program);
    std::int32_t i = 0;
    std::uint32_t b = 0;
    unsigned n = 0;
    while (i <= p.code_size - 1) {
        for (unsigned panel = 0; panel < panels; ++panel) {
            if (n % 10 == 0) p.host_.toggle_tx_led();
            write_8_bytes(panel * kPic18PanelBytes + b * 8, panel + 1 == panels);
            ++n;
        }
        link_.programming_wait(p.programming_delay);
        if (write_verify) {
            std::int32_t attempts = 0;
            bool match = false;
            std::uint32_t failing = 0;
            while (attempts < p.max_retries && !match) {
                match = true;
                for (unsigned panel = 0; panel < panels && match; ++panel) {
                    if (n % 25 == 0) p.host_.toggle_rx_led();
                    const std::uint32_t address = panel * kPic18PanelBytes + b * 8;
                    link_.set_table_pointer(address);
                    for (unsigned j = 0; j < 4 && match; ++j) {
                        if (link_.read_word() != p.code_area[address / 2 + j]) {
                            match = false;
                            failing = address;
                        }
                    }
                    ++n;
                }
                if (!match) ++attempts;
            }
            if (attempts == p.max_retries) {
                // The device address of the block that kept differing.
                p.write_failure_box(kAreaProgram, failing);
                return false;
            }
        }
        ++b;
        i += std::int32_t(4 * panels);
        if (!p.pump()) return false;
        p.progress_step();
    }
    return true;
}

bool Pic18Ops::blank_block(std::int32_t first_word) const {
    for (std::int32_t k = first_word; k < first_word + 9 && k < pic_.code_size; ++k)
        if (pic_.code_area[k] != kBlankWord) return false;
    return true;
}

bool Pic18Ops::code_phase_blocks(bool write_verify) {
    TPIC& p = pic_;
    link_.select_memory(Pic18Memory::Config);
    link_.multi_panel_mode(false);
    link_.select_memory(Pic18Memory::Program);
    unsigned n = 0;
    for (std::int32_t i = 0; i <= p.code_size - 1; i += 4) {
        // Nine words: a blank block just before a programmed word is still written.
        if (!blank_block(i)) {
            if (n % 10 == 0) p.host_.toggle_tx_led();
            write_8_bytes(std::uint32_t(2 * i), true);
            link_.programming_wait(p.programming_delay);
        }
        if (write_verify) {
            std::int32_t attempts = 0;
            bool match = false;
            while (attempts < p.max_retries && !match) {
                match = true;
                link_.set_table_pointer(std::uint32_t(2 * i));
                for (int j = 0; j < 4; ++j) {
                    if (n > 600 && n % 10 == 0) p.host_.toggle_rx_led();
                    if (link_.read_word() != p.code_area[i + j]) {
                        match = false;
                        ++attempts;
                        break;
                    }
                    ++n;
                }
            }
            if (attempts == p.max_retries) {
                p.write_failure_box(kAreaProgram, unsigned(2 * i));
                return false;
            }
        }
        if (!p.pump()) return false;
        p.progress_step();
        n += 4;
    }
    return true;
}

void Pic18Ops::write_data_byte(unsigned address, std::uint8_t value) {
    link_.set_eeprom_address(address);
    for (std::uint16_t instruction :
         {movlw(value), kMovwfEedata, kBsfWren, movlw(0x55), kMovwfEecon2, movlw(0xAA), kMovwfEecon2, kBsfWr,
          kMovfEecon1, kMovwfTablat})
        link_.core(instruction);
    pic_.sleep_ms(kDataWriteWaitMs);
    // Poll WR until the target has finished the byte; 0xFF cannot be EECON1 (bit 5 reads 0),
    // it is an empty socket.
    std::uint8_t eecon1 = link_.command_read(kShiftOutTablat);
    for (int polls = 0; (eecon1 & kEecon1Wr) && eecon1 != 0xFF && polls < kDataWritePolls; ++polls) {
        pic_.sleep_ms(1);
        link_.core(kMovfEecon1);
        link_.core(kMovwfTablat);
        eecon1 = link_.command_read(kShiftOutTablat);
    }
    link_.core(kBcfWren);
}

bool Pic18Ops::data_phase(bool write_verify) {
    TPIC& p = pic_;
    link_.select_memory(Pic18Memory::DataEeprom);
    for (std::int32_t i = 0; i < p.data_size; ++i) {
        if (i % 10 == 0) p.host_.toggle_tx_led();
        if (write_verify && i % 5 == 0) p.host_.toggle_rx_led();
        write_data_byte(unsigned(i), p.data_area[i]);
        if (write_verify) {
            std::int32_t attempts = 0;
            bool match = false;
            while (attempts < p.max_retries && !match) {
                match = read_data_byte(unsigned(i)) == p.data_area[i];
                if (!match) ++attempts;
            }
            if (attempts == p.max_retries) {
                p.write_failure_box(kAreaEEProm, 0xF00000u + unsigned(i));
                return false;
            }
        }
        if (!p.pump()) return false;
        p.progress_step();
    }
    return true;
}

bool Pic18Ops::id_phase(bool write_verify) {
    TPIC& p = pic_;
    const std::uint8_t* id = p.id_area;
    link_.select_memory(Pic18Memory::Config);
    link_.multi_panel_mode(false);
    link_.select_memory(Pic18Memory::Program);
    link_.set_table_pointer(kPic18IdAddress);
    for (int j = 0; j < 6; j += 2)
        link_.send_instruction(kTableWritePostInc2, std::uint16_t(id[j + 1] << 8 | id[j]));
    link_.send_instruction(kTableWriteStartProgramming, std::uint16_t(id[7] << 8 | id[6]));
    link_.programming_wait(p.programming_delay);
    if (!write_verify) return true;
    std::int32_t attempts = 0;
    bool match = false;
    int j = 0;
    while (attempts < p.max_retries && !match) {
        match = true;
        link_.select_memory(Pic18Memory::Program);
        link_.set_table_pointer(kPic18IdAddress);
        for (j = 0; j < 8; ++j) {
            if (j % 2 == 0) p.host_.toggle_rx_led();
            if (link_.command_read(kTableReadPostInc) != id[j]) {
                match = false;
                ++attempts;
                break;
            }
        }
    }
    if (attempts == p.max_retries) {
        p.write_failure_box(kAreaIdWords, kPic18IdAddress + unsigned(j < 8 ? j : 0));
        return false;
    }
    return true;
}

bool Pic18Ops::config_phase(bool write_verify) {
    TPIC& p = pic_;
    link_.select_memory(Pic18Memory::Config);
    link_.core(kGotoLow);
    link_.core(kGotoHigh);
    link_.set_table_pointer(kPic18ConfigAddress);
    for (int k = 0; k < 7; ++k) {
        // One byte per start-programming write: the low byte at the even address, the high
        // byte at the odd one.
        link_.send_instruction(kTableWriteStartProgramming, std::uint16_t(p.config_area[k] & 0x00FF));
        link_.programming_wait(p.programming_delay);
        link_.core(kIncfTblptrL);
        link_.send_instruction(kTableWriteStartProgramming, std::uint16_t(p.config_area[k] & 0xFF00));
        link_.programming_wait(p.programming_delay);
        if (k != 6) link_.core(kIncfTblptrL);
    }
    if (!write_verify) return true;
    std::int32_t attempts = 0;
    bool match = false;
    int k = 0;
    while (attempts < p.max_retries && !match) {
        match = true;
        link_.set_table_pointer(kPic18ConfigAddress);
        for (k = 0; k < 7; ++k) {
            if (k % 2 == 0) p.host_.toggle_rx_led();
            const std::uint16_t mask = config_compare_mask(p.device_index, k);
            if ((link_.read_word() & mask) != (p.config_area[k] & mask)) {
                match = false;
                ++attempts;
                break;
            }
        }
    }
    if (attempts == p.max_retries) {
        p.write_failure_box(kAreaConfig, kPic18ConfigAddress + 2u * unsigned(k < 7 ? k : 0));
        return false;
    }
    return true;
}

} // namespace korvane
