#include "sim/card_reader.h"

namespace korvane::sim {

class CardReaderPort final : public ISerialPort {
public:
    CardReaderPort(CardReader& r, std::uint64_t generation) : r_(&r), alive_(r.alive_), generation_(generation) {}
    ~CardReaderPort() override {
        if (live()) r_->close_port();
    }

    bool restore_saved_settings() override {
        if (!live()) return false;
        r_->settings_ = r_->saved_;
        return true;
    }
    bool set_dtr(bool on) override {
        if (!live()) return false;
        r_->dtr_ = on;
        return true;
    }
    bool set_rts(bool on) override {
        if (!live()) return false;
        r_->rts_ = on;
        return true;
    }
    bool set_break(bool) override { return live(); }
    bool cts() override { return false; }
    bool purge() override {
        if (!live()) return false;
        r_->rx_.clear();
        return true;
    }
    bool configure(const SerialSettings& st) override {
        if (!live()) return false;
        if (st.baud == 0 || st.data_bits < 5 || st.data_bits > 8 || st.stop_bits < 1 || st.stop_bits > 2)
            return false;
        r_->settings_ = st;
        return true;
    }
    bool set_timeouts(const SerialTimeouts& t) override {
        if (!live()) return false;
        r_->timeouts_ = t;
        return true;
    }
    std::size_t read(std::uint8_t* buf, std::size_t n) override {
        if (!live()) return 0;
        std::size_t got = 0;
        while (got < n && !r_->rx_.empty()) {
            buf[got++] = r_->rx_.front();
            r_->rx_.pop_front();
        }
        if (got < n) {
            const auto& t = r_->timeouts_;
            const std::uint32_t wait = t.read_total_ms ? t.read_total_ms : t.read_interval_ms;
            if (wait) r_->clock_->sleep_ms(wait);
        }
        return got;
    }
    std::size_t write(const std::uint8_t* buf, std::size_t n) override {
        if (!live()) return 0;
        // The I/O contact is on TXD and RXD: the host hears its own bytes.
        r_->rx_.insert(r_->rx_.end(), buf, buf + n);
        return n;
    }
    std::size_t available() override { return live() ? r_->rx_.size() : 0; }

private:
    bool live() const { return *alive_ && r_->open_ && r_->generation_ == generation_; }

    CardReader* r_;
    std::shared_ptr<bool> alive_;
    std::uint64_t generation_;
};

CardReader::~CardReader() { *alive_ = false; }

std::unique_ptr<ISerialPort> CardReader::open(const std::string&, std::string& error) {
    if (open_) {
        error = "Device or resource busy";
        return nullptr;
    }
    open_ = true;
    ++generation_;
    saved_ = settings_;
    rx_.clear();
    // Opening a serial port raises DTR and RTS: the card starts held in reset.
    dtr_ = rts_ = true;
    return std::make_unique<CardReaderPort>(*this, generation_);
}

void CardReader::close_port() {
    dtr_ = rts_ = false;
    open_ = false;
    ++generation_;
}

void CardReader::force_close() {
    if (open_) close_port();
}

void CardReader::select_card(int pic_index, int eeprom_index) {
    pic_index_ = pic_index;
    eeprom_index_ = eeprom_index;
}

} // namespace korvane::sim
