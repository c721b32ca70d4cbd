#pragma once
// TI2C: the serial-EEPROM object of the EEPROM and ISO-EEPROM work modes. It holds a reference
// into the active EEPROM buffer (never owns image memory), the type, the programmer's port name
// and the abort and task-running flags. The read, write and verify routines run over the I2C
// layer on the programmer lines (ti2c_ops.cpp).
#include <cstdint>
#include <functional>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "eeprom/i2c_bus.h"
#include "pic/programmer_lines.h"

namespace korvane {

class TI2C {
public:
    TI2C(SettingsRecord& settings, IHost& host, IProgrammerLines& lines);

    // --- fields, in the program's order ---
    std::uint8_t* image = nullptr;          // bytes of the active EEPROM buffer (65536)
    std::uint8_t type = 0;                  // EEPROM type index
    std::string port_name;
    std::int32_t last_address = 0;
    std::uint8_t abort_requested = 0;
    std::uint8_t task_running = 0;
    IProgressBar* progress_bar = nullptr;   // null when ShowProgress is off

    // The window resizes EEPromWin (last address + 1 bytes) when the type is set.
    std::function<void(int bytes)> grid_size_changed;

    // An index in 0..10 sets the last address; any index is stored; then the grid is resized.
    void set_type(int index);
    // Copies the port name of the current programmer record.
    void load_programmer_params();
    std::string title() const;   // "EEProm 24C16"
    // Bytes 0 .. last address of the image become 0xFF.
    void blank_image();
    bool two_address_bytes() const { return type > 4; }

    bool open();    // clears the abort flag, raises task-running, opens the port and powers the socket
    void close();   // closes the port, task-running down
    // The Abort handler: acts only while the task-running flag is set.
    void abort();

    // One sequential read of the whole device into the image, or a comparison with it.
    bool read_verify(bool verify);
    // Page writes of `n` bytes, each preceded by acknowledge polling.
    bool write(unsigned n);

    I2CBus& bus() { return bus_; }
    IProgrammerLines& lines() { return lines_; }

private:
    bool address_for_read();
    void progress_range();
    void progress_step();
    void progress_reset();
    bool pump();   // pending messages; false once an abort was asked for

    SettingsRecord& settings_;
    IHost& host_;
    IProgrammerLines& lines_;
    I2CBus bus_;
};

} // namespace korvane
