#pragma once
// Port I/O as the bench answers it: the board's UART at each legacy COM base (0x3F8, 0x2F8,
// 0x3E8, 0x2E8) and the PC timer (0x42, 0x43, 0x61). Always ready. Each access takes about a
// microsecond, as an ISA bus cycle does, so polling loops see time pass on the virtual clock.
#include <cstdint>
#include <string>

#include "hardware/port_io.h"
#include "sim/pit_timer.h"
#include "sim/uart16550.h"

namespace korvane::sim {

class SimPortIO final : public IPortIO {
public:
    static constexpr std::uint64_t kAccessNs = 1000;

    SimPortIO(Uart16550& uart, PitTimer& pit, SimClock& clock) : uart_(&uart), pit_(&pit), clock_(&clock) {}
    void set_clock(SimClock& clock) { clock_ = &clock; }

    std::uint8_t read_byte(std::uint16_t port) override;
    void write_byte(std::uint16_t port, std::uint8_t value) override;
    std::uint16_t read_word(std::uint16_t port) override;
    void write_word(std::uint16_t port, std::uint16_t value) override;
    bool driver_ready() const override { return true; }
    bool direct() const override { return direct_; }
    void enable_direct(bool on) override { direct_ = on; }
    std::string last_error() const override { return {}; }

    std::uint64_t accesses() const { return accesses_; }

private:
    // The UART register index for a port, or -1.
    static int uart_register(std::uint16_t port);

    Uart16550* uart_;
    PitTimer* pit_;
    SimClock* clock_;
    bool direct_ = true;
    std::uint64_t accesses_ = 0;
};

} // namespace korvane::sim
