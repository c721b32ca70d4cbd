#pragma once
// The programmer lines of the PIC and EEPROM code over the line interface Serial_IO; the device
// chosen for the simulated socket goes to the port resolver.
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/programmer_lines.h"

namespace korvane {

class SerialIoLines : public IProgrammerLines {
public:
    SerialIoLines(Serial_IO& io, PortResolver& resolver) : io_(io), resolver_(resolver) {}

    bool open_port(const std::string& port_name) override { return io_.open_port(port_name); }
    void close_port() override { io_.close_port(); }
    void target_on() override { io_.target_on(); }
    void data_high() override { io_.data_high(); }
    void data_low() override { io_.data_low(); }
    void clock_high() override { io_.clock_high(); }
    void clock_low() override { io_.clock_low(); }
    bool read_data_in() override { return io_.read_data_in(); }
    void wait_us(unsigned n) override { io_.wait_us(n); }
    void sleep_ms(unsigned n) override { io_.sleep_ms(n); }
    void select_pic_target(int index) override { resolver_.select_target(TargetKind::Pic, index); }
    void select_eeprom_target(int index) override { resolver_.select_target(TargetKind::EEProm, index); }

    Serial_IO& io() { return io_; }

private:
    Serial_IO& io_;
    PortResolver& resolver_;
};

} // namespace korvane
