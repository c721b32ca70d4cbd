#include "app/io_config.h"

#include <algorithm>
#include <cctype>

namespace korvane {

IoConfigModel::IoConfigModel(SettingsRecord& settings, PortList ports, PortAvailability available)
    : settings_(settings), start_ports_(std::move(ports)), available_(std::move(available)) {}

void IoConfigModel::show() {
    type_ = std::min<int>(settings_.programmer_type, 2);
    for (std::size_t t = 0; t < 3; ++t) working_[t] = backup_records_[t] = settings_.programmers[t];
    backup_type_ = settings_.programmer_type;
    fill_ports(true);
    show_parameters();
}

void IoConfigModel::fill_ports(bool fill) {
    if (fill) {
        ports_.clear();
        for (std::size_t i = 0; i < start_ports_.names.size(); ++i) {
            const std::string& name = start_ports_.names[i];
            ports_.push_back({name, i < start_ports_.labels.size() ? start_ports_.labels[i] : name, true});
        }
    }
    const std::string stored = settings_.programmers[std::size_t(type_)].port_name.str();
    selected_ = 0;
    for (std::size_t i = 0; i < ports_.size(); ++i)
        if (ports_[i].name == stored) selected_ = int(i);
    // Availability is asked afresh: a port freed meanwhile can be chosen again.
    for (PortChoice& p : ports_) p.available = !available_ || available_(p.name);
    if (ports_.empty()) ports_.push_back({"COM1", "COM1", true});
    if (!ports_[std::size_t(selected_)].available) {
        // The first available port instead; when none is, the record's port stays selected.
        for (std::size_t i = 0; i < ports_.size(); ++i)
            if (ports_[i].available) {
                selected_ = int(i);
                break;
            }
    }
    store_port_name();
}

void IoConfigModel::store_port_name() {
    record().port_name.assign(ports_[std::size_t(selected_)].name.substr(0, 4));
}

void IoConfigModel::show_parameters() {
    // Everything but the port, which the port list has just chosen.
    ProgrammerParams& w = record();
    const PString<4> port = w.port_name;
    w = settings_.programmers[std::size_t(type_)];
    w.port_name = port;
}

void IoConfigModel::choose_type(int type) {
    if (type < 0 || type > 2) return;
    type_ = type;
    fill_ports(false);
    show_parameters();
}

void IoConfigModel::choose_port(int index) {
    if (index >= 0 && std::size_t(index) < ports_.size() && ports_[std::size_t(index)].available)
        selected_ = index;
    store_port_name();
}

void IoConfigModel::set_max_retries_text(const std::string& text) {
    if (text.empty()) return;
    if (!std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return;
    record().max_retries = std::uint32_t(std::stoul(text.substr(0, 9)));
}

void IoConfigModel::commit() {
    settings_.programmer_type = std::uint8_t(type_);
    for (std::size_t t = 0; t < 3; ++t) settings_.programmers[t] = working_[t];
}

void IoConfigModel::restore_backup() {
    settings_.programmer_type = backup_type_;
    for (std::size_t t = 0; t < 3; ++t) settings_.programmers[t] = backup_records_[t];
}

} // namespace korvane
