#pragma once
// The smart-card reader on the port "SIM", beside the programmer: RTS holds the card in reset,
// the card's I/O contact is wired to both TXD and RXD (every host byte comes back), and the
// reader's oscillator clocks the card. Opening the port powers the reader and the card; closing
// it powers them down. The card runs on the bench clock: it catches up whenever the host touches
// the port, and reads wait on that clock (instantly on the virtual clock).
//
// The host's serial stack hands each received byte on four character times after its stop bit,
// as a 16550's receive FIFO time-out does, so the host never answers inside the card's guard time.
//
// The reader's oscillator follows the host: 6.00 MHz when the host's rate is nearer 16129 baud
// (6.00 MHz / 372), else 3.579545 MHz; the fault `cardclock=HZ` fixes it.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "hardware/serial_port.h"
#include "sim/card_line.h"
#include "sim/iso_card.h"
#include "sim/link_watch.h"
#include "sim/sim_clock.h"
#include "sim/sim_faults.h"

namespace korvane::sim {

struct CardReaderCounters {
    std::uint64_t opens = 0;
    std::uint64_t resets = 0;           // RST pulses the card saw (RTS on with the card powered)
    std::uint64_t host_bytes = 0;       // bytes the host wrote
    std::uint64_t echo_bytes = 0;       // bytes the host received that began while it was sending
    std::uint64_t card_bytes = 0;       // bytes the host received from the card
    std::uint64_t parity_errors = 0;    // received with a wrong parity bit (delivered anyway)
    std::uint64_t framing_errors = 0;   // received with a low stop bit (delivered anyway)
    std::uint64_t corrupted = 0;        // bytes a fault changed
};

class CardReader final : public ISerialSystem {
public:
    explicit CardReader(SimClock& clock) : clock_(&clock) {}
    ~CardReader() override;
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    std::unique_ptr<ISerialPort> open(const std::string& port_name, std::string& error) override;

    // The bench builds the card when the reader powers up, and keeps its memory when it powers
    // down. Without a maker the reader holds no card: the host hears only its own echo.
    using CardMaker = std::function<std::unique_ptr<IsoCard>(int pic_index, int eeprom_index, std::uint32_t clock_hz)>;
    using CardKeeper = std::function<void(IsoCard& card, int pic_index, int eeprom_index, std::uint64_t now_ns)>;
    void set_card_maker(CardMaker make, CardKeeper keep);

    void set_clock(SimClock& clock) { clock_ = &clock; }
    void set_faults(const SimFaults& faults) { faults_ = faults; }
    // The card the host selected: PIC catalogue index and EEPROM index. Takes effect at the next
    // power-up of the reader.
    void select_card(int pic_index, int eeprom_index);
    int card_pic() const { return pic_index_; }
    int card_eeprom() const { return eeprom_index_; }

    // ---- for tests ----
    bool is_open() const { return open_; }
    bool rts() const { return rts_; }
    bool dtr() const { return dtr_; }
    const SerialSettings& settings() const { return settings_; }
    const SerialTimeouts& timeouts() const { return timeouts_; }
    // The card in the reader while it is powered, or null.
    IsoCard* card() { return card_.get(); }
    // The oscillator feeding the card now.
    std::uint32_t card_clock_hz() const;
    CardReaderCounters& counters() { return counters_; }
    // The last bytes the host received (at most 4096), with their times and flags.
    const std::deque<LineByte>& history() const { return history_; }
    // Lets the card and the line run up to the clock's present.
    void catch_up();
    // Forgets any open port (its handle stops working) and powers the card down.
    void force_close();
    // As a reader just plugged in: closed, no card selected, the port's first settings, counters
    // and history cleared. The bench restarts it with its clock.
    void restart();

private:
    friend class CardReaderPort;
    void close_port();
    void power_up(std::uint64_t now);
    void power_down(std::uint64_t now);
    // Runs card and line to `t`; with `stop_on_byte`, returns at the first byte for the host.
    void advance_to(std::uint64_t t, bool stop_on_byte);
    bool deliver();
    void set_rts(bool on);
    void configure(const SerialSettings& s);
    void send(const std::uint8_t* data, std::size_t n);
    std::size_t read(std::uint8_t* buf, std::size_t n);
    void purge();

    SimClock* clock_;
    CardMaker make_card_;
    CardKeeper keep_card_;
    SimFaults faults_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    bool open_ = false;
    std::uint64_t generation_ = 0;
    bool rts_ = false, dtr_ = false;
    int pic_index_ = -1, eeprom_index_ = -1;
    static constexpr SerialSettings kFirstSettings{9600, 8, Parity::None, 1};
    SerialSettings settings_ = kFirstSettings;
    SerialSettings saved_{};
    SerialTimeouts timeouts_{};

    std::unique_ptr<IsoCard> card_;
    int card_pic_ = -1, card_eeprom_ = -1;   // the type of the card powered now
    CardLine line_;
    LinkWatch watch_;
    std::uint64_t sim_ns_ = 0;          // card and line have run up to here
    int card_bytes_since_reset_ = 0;
    std::deque<LineByte> pending_;   // received, not yet handed to the host
    std::deque<std::uint8_t> rx_;
    std::deque<LineByte> history_;
    CardReaderCounters counters_;
};

} // namespace korvane::sim
