#include "sim/sim_serial.h"

namespace korvane::sim {

class SimSerialPort final : public ISerialPort {
public:
    SimSerialPort(SimSerial& s, std::uint64_t generation) : s_(&s), alive_(s.alive_), generation_(generation) {}
    ~SimSerialPort() override {
        if (live()) s_->close_port();
    }

    bool restore_saved_settings() override {
        if (!live()) return false;
        s_->settings_ = s_->saved_;
        return true;
    }
    bool set_dtr(bool on) override { return set_mcr_bit(Uart16550::kMcrDtr, on); }
    bool set_rts(bool on) override { return set_mcr_bit(Uart16550::kMcrRts, on); }
    bool set_break(bool on) override {
        if (!live()) return false;
        const std::uint8_t lcr = s_->uart_->lcr();
        s_->uart_->write(Uart16550::LCR, on ? std::uint8_t(lcr | Uart16550::kLcrBreak)
                                            : std::uint8_t(lcr & ~Uart16550::kLcrBreak));
        return true;
    }
    bool cts() override {
        if (!live()) return false;
        return (s_->uart_->read(Uart16550::MSR) & Uart16550::kMsrCts) != 0;
    }
    bool purge() override {
        if (!live()) return false;
        s_->rx_.clear();
        return true;
    }
    bool configure(const SerialSettings& st) override {
        if (!live()) return false;
        if (st.baud == 0 || st.data_bits < 5 || st.data_bits > 8 || st.stop_bits < 1 || st.stop_bits > 2)
            return false;
        s_->settings_ = st;
        return true;
    }
    bool set_timeouts(const SerialTimeouts& t) override {
        if (!live()) return false;
        s_->timeouts_ = t;
        return true;
    }
    std::size_t read(std::uint8_t* buf, std::size_t n) override {
        if (!live()) return 0;
        std::size_t got = 0;
        while (got < n && !s_->rx_.empty()) {
            buf[got++] = s_->rx_.front();
            s_->rx_.pop_front();
        }
        if (got < n) {
            // Nothing more will come: the host waits out its time-out.
            const auto& t = s_->timeouts_;
            const std::uint32_t wait = t.read_total_ms ? t.read_total_ms : t.read_interval_ms;
            if (wait) s_->board_->clock().sleep_ms(wait);
        }
        return got;
    }
    std::size_t write(const std::uint8_t* buf, std::size_t n) override {
        if (!live()) return 0;
        if (s_->on_write) s_->on_write(buf, n);
        return n;
    }
    std::size_t available() override { return live() ? s_->rx_.size() : 0; }

private:
    bool live() const { return *alive_ && s_->open_ && s_->generation_ == generation_; }
    bool set_mcr_bit(std::uint8_t bit, bool on) {
        if (!live()) return false;
        const std::uint8_t mcr = s_->uart_->mcr();
        s_->uart_->write(Uart16550::MCR, on ? std::uint8_t(mcr | bit) : std::uint8_t(mcr & ~bit));
        return true;
    }

    SimSerial* s_;
    std::shared_ptr<bool> alive_;
    std::uint64_t generation_;
};

SimSerial::~SimSerial() { *alive_ = false; }

std::unique_ptr<ISerialPort> SimSerial::open(const std::string& /*port_name*/, std::string& error) {
    if (open_) {
        error = "Device or resource busy";
        return nullptr;
    }
    open_ = true;
    ++generation_;
    ++opens_;
    saved_ = settings_;
    rx_.clear();
    board_->set_power(true);
    // Opening a serial port raises DTR and RTS, as the operating systems do.
    uart_->write(Uart16550::MCR, std::uint8_t(uart_->mcr() | Uart16550::kMcrDtr | Uart16550::kMcrRts));
    return std::make_unique<SimSerialPort>(*this, generation_);
}

void SimSerial::close_port() {
    // The break ends and the modem lines drop on close; with them goes the board's supply.
    uart_->write(Uart16550::LCR, std::uint8_t(uart_->lcr() & ~Uart16550::kLcrBreak));
    uart_->write(Uart16550::MCR, std::uint8_t(uart_->mcr() & ~(Uart16550::kMcrDtr | Uart16550::kMcrRts)));
    board_->set_power(false);
    open_ = false;
    ++generation_;
}

void SimSerial::force_close() {
    if (open_) close_port();
}

} // namespace korvane::sim
