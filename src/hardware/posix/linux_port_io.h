#pragma once
// Port I/O on Linux (the port driver's role): ioperm grants this process the UART register blocks
// and the PC timer ports; inb/outb then reach them directly. x86 only and needs CAP_SYS_RAWIO;
// anywhere else the layer stays not ready with the system's reason.
#include <cstdint>
#include <functional>
#include <string>

#include "hardware/port_io.h"

namespace korvane::posix {

struct PortInstructions {
    std::function<int(unsigned long from, unsigned long count, int on)> ioperm;
    std::function<std::uint8_t(std::uint16_t)> inb;
    std::function<void(std::uint16_t, std::uint8_t)> outb;
    std::function<std::uint16_t(std::uint16_t)> inw;
    std::function<void(std::uint16_t, std::uint16_t)> outw;
};

PortInstructions real_port_instructions();

class LinuxPortIO : public IPortIO {
public:
    explicit LinuxPortIO(PortInstructions ops);
    std::uint8_t read_byte(std::uint16_t port) override;
    void write_byte(std::uint16_t port, std::uint8_t value) override;
    std::uint16_t read_word(std::uint16_t port) override;
    void write_word(std::uint16_t port, std::uint16_t value) override;
    bool driver_ready() const override { return ready_; }
    bool direct() const override { return ready_; }
    // On: ask for every range; any refusal leaves nothing granted and the reason in last_error().
    // Off: give the ranges back.
    void enable_direct(bool on) override;
    std::string last_error() const override { return error_; }

    // Ranges asked for: the four legacy UART blocks, the timer ports 0x42..0x43 and 0x61.
    static bool granted_port(std::uint16_t port);
private:
    void release();
    PortInstructions ops_;
    bool ready_ = false;
    std::string error_;
};

} // namespace korvane::posix
