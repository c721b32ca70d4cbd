#include "app/options_model.h"

#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"

namespace korvane {

OptionsModel::OptionsModel(SettingsRecord& settings, PortList ports, PortAvailability available)
    : settings_(settings), start_ports_(std::move(ports)), available_(std::move(available)) {}

void OptionsModel::show() {
    const SettingsRecord& s = settings_;
    v_.show_progress = s.show_progress;
    v_.priority = s.priority;
    v_.confirm_program = s.confirm_program;
    v_.confirm_erase = s.confirm_erase;
    v_.confirm_cp = s.confirm_cp;
    v_.unprotect_dev = s.unprotect_dev;
    v_.radix = s.radix;
    v_.dis_fuses = s.dis_fuses;
    v_.show_off = s.show_off;
    v_.show_opcode = s.show_opcode;
    v_.write_verify = s.write_verify;
    v_.verify_after = s.verify_after;
    v_.erase_before = s.erase_before;
    v_.check_pic = s.check_pic;
    v_.skip_3fff = s.skip_3fff;
    v_.eprom_verify_after = s.eprom_verify_after;
    v_.iso_pic_device = s.iso_pic_device;
    v_.iso_eeprom_device = s.iso_eeprom_device;
    v_.reader_clock = s.card_reader_clock;
    fill_ports();
    set_up_clock();
}

void OptionsModel::fill_ports() {
    ports_.clear();
    chosen_ = 0;
    const std::string saved = settings_.card_reader_port.str();
    for (std::size_t i = 0; i < start_ports_.names.size(); ++i) {
        const std::string& name = start_ports_.names[i];
        if (name == saved) chosen_ = int(i);
        ports_.push_back({name, i < start_ports_.labels.size() ? start_ports_.labels[i] : name,
                          !available_ || available_(name)});
    }
    if (ports_.empty()) ports_.push_back({"COM1", "COM1", true});
    // A saved port that cannot be opened gives way to the first entry. The list then shows the
    // entry whose name is taken, whatever its state.
    if (!ports_[std::size_t(chosen_)].available) chosen_ = 0;
    v_.reader_port = ports_[std::size_t(chosen_)].name.substr(0, 4);
}

void OptionsModel::set_up_clock() {
    if (is_18f_card() && v_.reader_clock == 1) v_.reader_clock = 0;
}

void OptionsModel::choose_pic_type(int index) {
    if (!is_pic16f(index) && !is_pic18f(index)) return;
    v_.iso_pic_device = std::uint8_t(index);
    set_up_clock();
}

void OptionsModel::choose_eeprom_type(int index) {
    if (eeprom_index_valid(index)) v_.iso_eeprom_device = std::uint8_t(index);
}

void OptionsModel::choose_clock(int clock) {
    if (clock == 0 || (clock == 1 && clock_600_enabled())) v_.reader_clock = std::uint8_t(clock);
}

void OptionsModel::choose_port(int index) {
    if (index >= 0 && std::size_t(index) < ports_.size() &&
        (!available_ || available_(ports_[std::size_t(index)].name)))
        chosen_ = index;
    v_.reader_port = ports_[std::size_t(chosen_)].name.substr(0, 4);
}

void OptionsModel::commit() {
    SettingsRecord& s = settings_;
    s.show_progress = v_.show_progress;
    s.priority = v_.priority;
    s.confirm_program = v_.confirm_program;
    s.confirm_erase = v_.confirm_erase;
    s.confirm_cp = v_.confirm_cp;
    s.unprotect_dev = v_.unprotect_dev;
    s.radix = v_.radix;
    s.dis_fuses = v_.dis_fuses;
    s.show_off = v_.show_off;
    s.show_opcode = v_.show_opcode;
    s.write_verify = v_.write_verify;
    s.verify_after = v_.verify_after;
    s.erase_before = v_.erase_before;
    s.check_pic = v_.check_pic;
    s.skip_3fff = v_.skip_3fff;
    s.eprom_verify_after = v_.eprom_verify_after;
    s.iso_pic_device = v_.iso_pic_device;
    s.iso_eeprom_device = v_.iso_eeprom_device;
    s.card_reader_clock = v_.reader_clock;
    s.card_reader_port.assign(v_.reader_port);
}

} // namespace korvane
