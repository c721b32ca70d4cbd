#pragma once
// A small 24Cxx on the programmer lines, for the host's tests without the simulated bench: it
// decodes START/STOP, control and address bytes, acknowledges, stores page writes at STOP (with
// roll-over inside the page), stays busy for a number of polls after a write, and reads
// sequentially. Every transaction is recorded.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "pic/programmer_lines.h"

namespace korvane::test {

struct Transaction {
    std::vector<std::uint8_t> written;   // every byte the master sent, control byte first
    bool acked_control = false;
    int bytes_read = 0;
    int master_acks = 0;
    int master_nacks = 0;
    bool stopped = false;
};

class Fake24Cxx : public IProgrammerLines {
public:
    // `size` bytes, one or two address bytes, the chip's page size.
    Fake24Cxx(std::uint32_t size, int address_bytes, unsigned page);

    bool present = true;
    bool open_ok = true;
    int busy_polls_after_write = 2;   // control bytes refused after each stored write
    int busy_left = 0;
    std::optional<std::uint32_t> nack_data_at;   // refuses the data byte for this address
    std::vector<std::uint8_t> memory;
    std::vector<Transaction> transactions;
    int writes_stored = 0;
    int target_ons = 0, opens = 0, closes = 0;
    long line_ops = 0;                  // output changes
    std::vector<unsigned> sleeps_ms;
    int eeprom_target = -1;
    // Runs at each line change (tests use it to abort or change the chip mid-task).
    std::function<void()> on_line_change;

    // --- IProgrammerLines ---
    bool open_port(const std::string&) override { ++opens; return open_ok; }
    // Closing the port takes the socket's supply away: the chip lets go of SDA and forgets the
    // transaction it was in.
    void close_port() override {
        ++closes;
        power_down();
    }
    void target_on() override { ++target_ons; }
    void data_high() override { set_sda(true); }
    void data_low() override { set_sda(false); }
    void clock_high() override { set_scl(true); }
    void clock_low() override { set_scl(false); }
    bool read_data_in() override { return node(); }
    void wait_us(unsigned) override {}
    void sleep_ms(unsigned n) override {   // long enough for any write cycle
        sleeps_ms.push_back(n);
        if (n >= 5) busy_left = 0;
    }
    void select_eeprom_target(int index) override { eeprom_target = index; }

    // Control bytes of the transactions that wrote data (page writes), in order.
    std::vector<std::uint8_t> write_controls() const;
    std::vector<Transaction> page_writes() const;

private:
    enum class Mode { Idle, Receive, AckOut, Send, AckIn };
    bool node() const { return drive_ ? *drive_ : sda_; }
    void set_sda(bool v);
    void set_scl(bool v);
    void on_start();
    void power_down();
    void on_stop();
    void byte_received(std::uint8_t b);
    void load_send_byte();

    std::uint32_t size_;
    int address_bytes_;
    unsigned page_;
    bool sda_ = true, scl_ = true;
    std::optional<bool> drive_;
    Mode mode_ = Mode::Idle;
    int bits_ = 0;
    std::uint8_t shift_ = 0;
    bool reading_ = false;
    bool nack_after_ack_ = false;
    int address_seen_ = 0;
    std::uint32_t block_ = 0;
    std::uint32_t pointer_ = 0;     // address counter
    std::uint32_t page_base_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> pending_;
};

} // namespace korvane::test
