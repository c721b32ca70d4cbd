#include "sim/sim_port_io.h"

namespace korvane::sim {

int SimPortIO::uart_register(std::uint16_t port) {
    for (std::uint16_t base : {0x3F8, 0x2F8, 0x3E8, 0x2E8})
        if (port >= base && port < base + 8) return port - base;
    return -1;
}

std::uint8_t SimPortIO::read_byte(std::uint16_t port) {
    clock_->advance_ns(kAccessNs);
    ++accesses_;
    if (int reg = uart_register(port); reg >= 0) return uart_->read(std::uint8_t(reg));
    switch (port) {
    case 0x42: return pit_->read_channel2();
    case 0x61: return pit_->read_port_b();
    default: return 0xFF;   // nothing answers: the bus floats high
    }
}

void SimPortIO::write_byte(std::uint16_t port, std::uint8_t value) {
    clock_->advance_ns(kAccessNs);
    ++accesses_;
    if (int reg = uart_register(port); reg >= 0) {
        uart_->write(std::uint8_t(reg), value);
        return;
    }
    switch (port) {
    case 0x42: pit_->write_channel2(value); break;
    case 0x43: pit_->write_command(value); break;
    case 0x61: pit_->write_port_b(value); break;
    default: break;
    }
}

std::uint16_t SimPortIO::read_word(std::uint16_t port) {
    const std::uint8_t lo = read_byte(port);
    const std::uint8_t hi = read_byte(std::uint16_t(port + 1));
    return std::uint16_t(lo | (hi << 8));
}

void SimPortIO::write_word(std::uint16_t port, std::uint16_t value) {
    write_byte(port, std::uint8_t(value));
    write_byte(std::uint16_t(port + 1), std::uint8_t(value >> 8));
}

} // namespace korvane::sim
