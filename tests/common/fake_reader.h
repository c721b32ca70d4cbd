#pragma once
// A scripted card reader holding a card that runs our loader: it plays the loader's side of the
// link (answer to reset, echo, procedure bytes, checksums, status) over a 24Cxx memory, and can
// be told to misbehave. Time is a counter that only the link's waits advance.
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "card/card_frames.h"
#include "hardware/clock.h"
#include "hardware/serial_port.h"

namespace korvane::test {

class CountingClock : public IClock {
public:
    std::uint64_t us = 0;
    std::uint64_t now_us() override { return us; }
    void busy_wait_us(std::uint32_t n) override { us += n; }
    void sleep_ms(std::uint32_t n) override { us += 1000ull * n; }
    std::uint64_t timestamp() override { return us * 1000; }
};

struct FakeCard {
    std::vector<std::uint8_t> memory = std::vector<std::uint8_t>(8192, 0xFF);
    // --- faults ---
    bool silent = false;                       // no answer to reset
    std::optional<std::vector<std::uint8_t>> atr;   // another answer to reset
    bool mute_after_atr = false;               // answers reset, then nothing but echo
    std::map<int, std::uint8_t> procedure_for; // INS -> the procedure byte sent instead
    std::optional<std::uint8_t> init_status;   // instead of 0x90 after Init
    std::optional<std::uint8_t> write_status;  // instead of 0x90 / 0x10
    bool drop_init_status = false;             // no status byte after Init
    bool drop_write_status = false;            // no status byte after a write block
    bool corrupt_read_checksum = false;
    bool drop_read_checksum = false;
    int read_data_cut = -1;                    // send only this many data bytes of a read block
    int stuck_address = -1;                    // a cell whose bit 0 never takes what is written
    int stall_at = -1;                         // the byte the host reads at this position (counted
                                               // from the port's open) is late by one read, once
    bool stalled = false;                      // the late byte happened
    // --- what it saw ---
    std::vector<CardHeader> headers;
    int resets = 0;
    std::vector<std::string> lines;            // "RTS 1", "DTR 1", "purge", ... of the last port
    SerialSettings settings{};
    std::vector<SerialTimeouts> timeouts;      // the first ones set
    int restores = 0;
    int delivered = 0;                         // bytes the host read through the last port
    bool two_byte_addressing = true;
};

class FakeReaderPort : public ISerialPort {
public:
    explicit FakeReaderPort(FakeCard& card) : card_(card) {
        card_.lines.clear();
        card_.delivered = 0;
    }

    bool restore_saved_settings() override { return ++card_.restores, true; }
    bool set_dtr(bool on) override { return line("DTR", on); }
    bool set_rts(bool on) override {
        if (rts_ && !on) reset_released();
        rts_ = on;
        return line("RTS", on);
    }
    bool set_break(bool) override { return true; }
    bool cts() override { return false; }
    bool purge() override {
        rx_.clear();
        card_.lines.push_back("purge");
        return true;
    }
    bool configure(const SerialSettings& s) override {
        card_.settings = s;
        return true;
    }
    bool set_timeouts(const SerialTimeouts& t) override {
        if (card_.timeouts.size() < 64) card_.timeouts.push_back(t);
        return true;
    }
    std::size_t read(std::uint8_t* buf, std::size_t n) override {
        if (!card_.stalled && card_.delivered == card_.stall_at && !rx_.empty()) {
            card_.stalled = true;
            return 0;
        }
        std::size_t k = 0;
        while (k < n && !rx_.empty()) {
            buf[k++] = rx_.front();
            rx_.pop_front();
        }
        card_.delivered += int(k);
        return k;
    }
    std::size_t write(const std::uint8_t* buf, std::size_t n) override {
        for (std::size_t i = 0; i < n; ++i) {
            rx_.push_back(buf[i]);   // I/O is wired to both TXD and RXD
            receive(buf[i]);
        }
        return n;
    }
    std::size_t available() override { return rx_.size(); }

private:
    bool line(const char* name, bool on) {
        if (card_.lines.size() < 200) card_.lines.push_back(std::string(name) + (on ? " 1" : " 0"));
        return true;
    }
    void reset_released();
    void receive(std::uint8_t b);
    void answer_header();
    void finish_write();
    void send(std::uint8_t b) {
        if (!card_.mute_after_atr) rx_.push_back(b);
    }
    std::uint8_t procedure(std::uint8_t ins) {
        auto it = card_.procedure_for.find(ins);
        return it == card_.procedure_for.end() ? ins : it->second;
    }

    FakeCard& card_;
    bool rts_ = false;
    bool running_ = false;
    std::deque<std::uint8_t> rx_;
    std::vector<std::uint8_t> in_;       // header or write data being received
    std::size_t write_expected_ = 0;     // bytes of write data still to come (data + checksum)
    std::uint16_t write_address_ = 0;
};

class FakeReaderSystem : public ISerialSystem {
public:
    FakeCard card;
    bool missing = false;
    int opens = 0;
    std::unique_ptr<ISerialPort> open(const std::string& name, std::string& error) override;
    std::string opened_name;
};

} // namespace korvane::test
