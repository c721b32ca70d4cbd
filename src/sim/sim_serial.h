#pragma once
// The port "SIM" through the serial calls. Line changes go through the board's UART registers,
// exactly as a driver would set them, so the serial and the port-I/O view never disagree.
// Opening the port powers the board; closing it drops DTR, RTS and the break and cuts power.
// Byte traffic has no partner yet (the card reader will attach here): writes vanish and reads
// time out.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "hardware/serial_port.h"
#include "sim/jdm_board.h"
#include "sim/uart16550.h"

namespace korvane::sim {

class SimSerial final : public ISerialSystem {
public:
    SimSerial(JdmBoard& board, Uart16550& uart) : board_(&board), uart_(&uart) {}
    ~SimSerial() override;

    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override;

    bool is_open() const { return open_; }
    const SerialSettings& settings() const { return settings_; }
    const SerialTimeouts& timeouts() const { return timeouts_; }
    std::uint64_t opens() const { return opens_; }

    // Byte side, for the card reader to come: what the host writes, and bytes for it to read.
    std::function<void(const std::uint8_t*, std::size_t)> on_write;
    void push_rx(const std::uint8_t* data, std::size_t n) { rx_.insert(rx_.end(), data, data + n); }

    // Forgets any open port (its handle stops working) and cuts power.
    void force_close();

private:
    friend class SimSerialPort;
    void close_port();

    JdmBoard* board_;
    Uart16550* uart_;
    // Handles may outlive the bench (a test tearing down in the wrong order); they look here first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool open_ = false;
    std::uint64_t generation_ = 0;   // an open handle works only while this is unchanged
    std::uint64_t opens_ = 0;
    SerialSettings settings_{9600, 8, Parity::None, 1};
    SerialSettings saved_{};
    SerialTimeouts timeouts_{};
    std::deque<std::uint8_t> rx_;
};

} // namespace korvane::sim
