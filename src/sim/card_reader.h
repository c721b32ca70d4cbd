#pragma once
// The smart-card reader on the port "SIM", beside the programmer: RTS holds the card in reset,
// the card's I/O contact is wired to both TXD and RXD (every host byte comes back), and the
// reader's oscillator clocks the card. Opening the port powers the reader and the card.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "hardware/serial_port.h"
#include "sim/sim_clock.h"

namespace korvane::sim {

class CardReader final : public ISerialSystem {
public:
    explicit CardReader(SimClock& clock) : clock_(&clock) {}
    ~CardReader() override;
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override;

    void set_clock(SimClock& clock) { clock_ = &clock; }
    // The card the host selected: PIC catalogue index and EEPROM index.
    void select_card(int pic_index, int eeprom_index);
    int card_pic() const { return pic_index_; }
    int card_eeprom() const { return eeprom_index_; }

    // ---- for tests ----
    bool is_open() const { return open_; }
    bool rts() const { return rts_; }
    bool dtr() const { return dtr_; }
    const SerialSettings& settings() const { return settings_; }
    const SerialTimeouts& timeouts() const { return timeouts_; }
    // Forgets any open port (its handle stops working) and powers the card down.
    void force_close();

private:
    friend class CardReaderPort;
    void close_port();

    SimClock* clock_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool open_ = false;
    std::uint64_t generation_ = 0;
    bool rts_ = false, dtr_ = false;
    int pic_index_ = -1, eeprom_index_ = -1;
    SerialSettings settings_{9600, 8, Parity::None, 1};
    SerialSettings saved_{};
    SerialTimeouts timeouts_{};
    std::deque<std::uint8_t> rx_;
};

} // namespace korvane::sim
