#pragma once
// The programmer as the PIC code sees it: a port to open and close, the target-on sequence, the
// four logical lines and the two waits. Serial_IO provides all of it (see serial_io_lines.h);
// tests can record the calls with a small fake.
#include <string>

namespace korvane {

class IProgrammerLines {
public:
    virtual ~IProgrammerLines() = default;
    virtual bool open_port(const std::string& port_name) = 0;   // reports its own failures
    virtual void close_port() = 0;                              // safe when closed
    virtual void target_on() = 0;
    virtual void data_high() = 0;
    virtual void data_low() = 0;
    virtual void clock_high() = 0;
    virtual void clock_low() = 0;
    virtual bool read_data_in() = 0;
    virtual void wait_us(unsigned n) = 0;
    virtual void sleep_ms(unsigned n) = 0;
    // Which PIC sits in the socket (the simulated bench follows it; real ports ignore it).
    virtual void select_pic_target(int /*device_index*/) {}
    // Which 24Cxx sits in the socket, likewise.
    virtual void select_eeprom_target(int /*type_index*/) {}
};

// Passes every call on to another programmer; a wrapper that counts or times overrides only what
// it watches.
class ForwardingLines : public IProgrammerLines {
public:
    explicit ForwardingLines(IProgrammerLines& inner) : inner_(inner) {}

    bool open_port(const std::string& port_name) override { return inner_.open_port(port_name); }
    void close_port() override { inner_.close_port(); }
    void target_on() override { inner_.target_on(); }
    void data_high() override { inner_.data_high(); }
    void data_low() override { inner_.data_low(); }
    void clock_high() override { inner_.clock_high(); }
    void clock_low() override { inner_.clock_low(); }
    bool read_data_in() override { return inner_.read_data_in(); }
    void wait_us(unsigned n) override { inner_.wait_us(n); }
    void sleep_ms(unsigned n) override { inner_.sleep_ms(n); }
    void select_pic_target(int device_index) override { inner_.select_pic_target(device_index); }
    void select_eeprom_target(int type_index) override { inner_.select_eeprom_target(type_index); }

protected:
    IProgrammerLines& inner_;
};

} // namespace korvane
