// No port driver is carried in this build: the Direct I/O backend and the timer wait stay off
// and the waits use the clock's busy wait.
#include "hardware/system_seams.h"

namespace korvane {

namespace {
class Win32PortIO : public IPortIO {
public:
    std::uint8_t read_byte(std::uint16_t) override { return 0xFF; }
    void write_byte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t read_word(std::uint16_t) override { return 0xFFFF; }
    void write_word(std::uint16_t, std::uint16_t) override {}
    bool driver_ready() const override { return false; }
    bool direct() const override { return false; }
    void enable_direct(bool) override {}
    std::string last_error() const override { return "the port driver is not available in this build"; }
};
} // namespace

IPortIO& system_port_io() {
    static Win32PortIO io;
    return io;
}

} // namespace korvane
