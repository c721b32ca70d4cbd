#pragma once
// Seam 1, the serial calls: exactly what the programmer line interface and the card link need.
// Real implementations: POSIX termios/ioctl (hardware/posix), Win32 comm API (hardware/win32).
// The simulator implements it for the port "SIM".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane {

enum class Parity : std::uint8_t { None = 0, Odd = 1, Even = 2 };

struct SerialSettings {
    std::uint32_t baud = 115200;   // any integer rate (the card reader uses 16457)
    std::uint8_t data_bits = 8;
    Parity parity = Parity::None;
    std::uint8_t stop_bits = 1;    // 1 or 2
};

struct SerialTimeouts {
    std::uint32_t read_interval_ms = 0;   // longest gap between two bytes of one read; 0 = none
    std::uint32_t read_total_ms = 0;      // whole read; 0 with interval 0 = return what is there
    std::uint32_t write_total_ms = 0;
};

class ISerialPort {
public:
    virtual ~ISerialPort() = default;
    // The settings the port had when it was opened are kept by the implementation.
    virtual bool restore_saved_settings() = 0;
    virtual bool set_dtr(bool on) = 0;
    virtual bool set_rts(bool on) = 0;
    virtual bool set_break(bool on) = 0;
    virtual bool cts() = 0;
    virtual bool purge() = 0;
    virtual bool configure(const SerialSettings& s) = 0;
    virtual bool set_timeouts(const SerialTimeouts& t) = 0;
    // Reads up to n bytes within the time-outs; returns the count read (0 on time-out or error).
    virtual std::size_t read(std::uint8_t* buf, std::size_t n) = 0;
    virtual std::size_t write(const std::uint8_t* buf, std::size_t n) = 0;
    // Bytes waiting to be read.
    virtual std::size_t available() = 0;
};

class ISerialSystem {
public:
    virtual ~ISerialSystem() = default;
    // Opens the port exclusively by its name ("COM1".."COM9", "SIM") and saves its settings.
    // On failure returns null and sets `error` to the system's text.
    virtual std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) = 0;
};

} // namespace korvane
