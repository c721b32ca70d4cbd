#pragma once
// Seam 2, port I/O (the zlportio role): byte and word access to I/O ports for the Direct I/O
// backend (UART registers) and the PIT wait (ports 0x42, 0x43, 0x61).
#include <cstdint>
#include <string>

namespace korvane {

class IPortIO {
public:
    virtual ~IPortIO() = default;
    virtual std::uint8_t read_byte(std::uint16_t port) = 0;
    virtual void write_byte(std::uint16_t port, std::uint8_t value) = 0;
    virtual std::uint16_t read_word(std::uint16_t port) = 0;
    virtual void write_word(std::uint16_t port, std::uint16_t value) = 0;
    // True when ports can be accessed at all.
    virtual bool driver_ready() const = 0;
    // True when this process executes port instructions itself.
    virtual bool direct() const = 0;
    virtual void enable_direct(bool on) = 0;
    // The last set-up error, as the system words it; empty when there was none.
    virtual std::string last_error() const = 0;
};

} // namespace korvane
