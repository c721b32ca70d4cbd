#pragma once
// The Options dialog's rules (TApplOption), free of widgets: a working copy of the options, the
// card reader's port list and the rule of its clock (an 18F card runs at 3.57 MHz only). OK
// writes the copy into the settings; Cancel drops it.
#include <cstdint>
#include <string>
#include <vector>

#include "app/io_config.h"
#include "app/settings.h"

namespace korvane {

struct OptionValues {
    std::uint8_t show_progress = 0, priority = 0;
    std::uint8_t confirm_program = 0, confirm_erase = 0, confirm_cp = 0, unprotect_dev = 0;
    std::uint8_t radix = 0, dis_fuses = 0, show_off = 0, show_opcode = 0;
    std::uint8_t write_verify = 0, verify_after = 0, erase_before = 0, check_pic = 0, skip_3fff = 0;
    std::uint8_t eprom_verify_after = 0;
    std::uint8_t iso_pic_device = 0, iso_eeprom_device = 0, reader_clock = 0;   // 0 = 3.57 MHz, 1 = 6.00 MHz
    std::string reader_port;
};

class OptionsModel {
public:
    OptionsModel(SettingsRecord& settings, PortList ports, PortAvailability available);

    // FormShow: the copy from the settings, the port list, the clock rule.
    void show();

    OptionValues& values() { return v_; }
    const OptionValues& values() const { return v_; }
    const std::vector<PortChoice>& ports() const { return ports_; }
    int chosen_port() const { return chosen_; }
    bool clock_600_enabled() const { return !is_18f_card(); }

    // PicList change: the card's PIC type, then the clock rule.
    void choose_pic_type(int index);
    void choose_eeprom_type(int index);
    // A clock button clicked into the checked state.
    void choose_clock(int clock);
    // COMPortSM change: a port that cannot be opened now returns the list to the previous entry.
    void choose_port(int index);

    // OK: every working value into the settings.
    void commit();

private:
    bool is_18f_card() const { return v_.iso_pic_device >= 4; }
    void set_up_clock();
    void fill_ports();

    SettingsRecord& settings_;
    PortList start_ports_;
    PortAvailability available_;
    OptionValues v_;
    std::vector<PortChoice> ports_;
    int chosen_ = 0;
};

} // namespace korvane
