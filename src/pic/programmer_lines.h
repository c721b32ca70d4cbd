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
};

} // namespace korvane
