#pragma once
// Serial calls on POSIX: an exclusive open with the saved termios restored on close, DTR/RTS one
// ioctl per line change, break on/off, CTS, and any integer baud rate through termios2.
#include "hardware/posix/serial_syscalls.h"
#include "hardware/serial_port.h"

namespace korvane::posix {

// The text for a failed open: the system's, plus the group hint for a permission error.
std::string open_error_text(int err);

class PosixSerialPort : public ISerialPort {
public:
    PosixSerialPort(SerialSyscalls& sys, int fd, const termios& saved);
    ~PosixSerialPort() override;
    bool restore_saved_settings() override;
    bool set_dtr(bool on) override;
    bool set_rts(bool on) override;
    bool set_break(bool on) override;
    bool cts() override;
    bool purge() override;
    bool configure(const SerialSettings& s) override;
    bool set_timeouts(const SerialTimeouts& t) override;
    std::size_t read(std::uint8_t* buf, std::size_t n) override;
    std::size_t write(const std::uint8_t* buf, std::size_t n) override;
    std::size_t available() override;
private:
    bool modem_bit(bool on, int bit);
    bool configure_termios(const SerialSettings& s);
    SerialSyscalls& sys_;
    int fd_;
    termios saved_;
    bool changed_ = false;
    SerialTimeouts timeouts_{};
};

class PosixSerialSystem : public ISerialSystem {
public:
    explicit PosixSerialSystem(SerialSyscalls& sys) : sys_(sys) {}
    // `port_name` is a device path here; the port resolver maps the stored names to paths.
    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override;
private:
    SerialSyscalls& sys_;
};

} // namespace korvane::posix
