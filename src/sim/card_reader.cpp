#include "sim/card_reader.h"

#include <algorithm>
#include <cstdlib>

#include "trace/line_recorder.h"

namespace korvane::sim {

namespace {
constexpr std::uint32_t kClock357 = 3579545, kClock600 = 6000000;
constexpr std::uint64_t kMsNs = 1000000;
constexpr std::size_t kHistory = 4096;
constexpr int kAtrCorruptedByte = 14;   // the 0x90 of the loader's answer
constexpr std::uint64_t kFifoTimeoutChars = 4;
} // namespace

class CardReaderPort final : public ISerialPort {
public:
    CardReaderPort(CardReader& r, std::uint64_t generation) : r_(&r), alive_(r.alive_), generation_(generation) {}
    ~CardReaderPort() override {
        if (live()) r_->close_port();
    }

    bool restore_saved_settings() override {
        if (!live()) return false;
        r_->configure(r_->saved_);
        return true;
    }
    bool set_dtr(bool on) override {
        if (!live()) return false;
        r_->dtr_ = on;   // not wired on this reader
        return true;
    }
    bool set_rts(bool on) override {
        if (!live()) return false;
        r_->set_rts(on);
        return true;
    }
    bool set_break(bool) override { return live(); }
    bool cts() override { return false; }
    bool purge() override {
        if (!live()) return false;
        r_->purge();
        return true;
    }
    bool configure(const SerialSettings& st) override {
        if (!live()) return false;
        if (st.baud == 0 || st.data_bits < 5 || st.data_bits > 8 || st.stop_bits < 1 || st.stop_bits > 2)
            return false;
        r_->configure(st);
        return true;
    }
    bool set_timeouts(const SerialTimeouts& t) override {
        if (!live()) return false;
        r_->timeouts_ = t;
        return true;
    }
    std::size_t read(std::uint8_t* buf, std::size_t n) override { return live() ? r_->read(buf, n) : 0; }
    std::size_t write(const std::uint8_t* buf, std::size_t n) override {
        if (!live()) return 0;
        r_->send(buf, n);
        return n;
    }
    std::size_t available() override {
        if (!live()) return 0;
        r_->catch_up();
        return r_->rx_.size();
    }

private:
    bool live() const { return *alive_ && r_->open_ && r_->generation_ == generation_; }

    CardReader* r_;
    std::shared_ptr<bool> alive_;
    std::uint64_t generation_;
};

CardReader::~CardReader() {
    force_close();
    *alive_ = false;
}

void CardReader::set_card_maker(CardMaker make, CardKeeper keep) {
    make_card_ = std::move(make);
    keep_card_ = std::move(keep);
}

void CardReader::select_card(int pic_index, int eeprom_index) {
    pic_index_ = pic_index;
    eeprom_index_ = eeprom_index;
}

std::uint32_t CardReader::card_clock_hz() const {
    if (faults_.card_clock_hz) return *faults_.card_clock_hz;
    // 372 clocks per etu: the oscillator whose rate is nearer the host's.
    const std::int64_t want = std::int64_t(settings_.baud) * 372;
    return std::llabs(want - kClock357) <= std::llabs(want - kClock600) ? kClock357 : kClock600;
}

std::unique_ptr<ISerialPort> CardReader::open(const std::string&, std::string& error) {
    if (open_) {
        error = "Device or resource busy";
        return nullptr;
    }
    open_ = true;
    ++generation_;
    ++counters_.opens;
    saved_ = settings_;
    rx_.clear();
    pending_.clear();
    // Opening a serial port raises DTR and RTS: the card powers up held in reset.
    dtr_ = rts_ = true;
    power_up(clock_->now_ns());
    trace::record_line(trace::Line::CardRst, false, [&] { return sim_ns_; });
    return std::make_unique<CardReaderPort>(*this, generation_);
}

void CardReader::power_up(std::uint64_t now) {
    sim_ns_ = now;
    line_.clear(now);
    line_.configure(settings_);
    watch_.reset();
    card_bytes_since_reset_ = 0;
    card_.reset();
    if (!make_card_) return;
    card_pic_ = pic_index_;
    card_eeprom_ = eeprom_index_;
    card_ = make_card_(card_pic_, card_eeprom_, card_clock_hz());
    if (!card_) return;
    card_->host_io = [this](std::uint64_t t) { return line_.host_level(t); };
    card_->trace_io_to = [this](std::uint64_t t) { line_.trace_to(t); };
    card_->on_io = [this](std::uint64_t t, bool low) {
        if (faults_.silent) return;   // the card's I/O contact reaches nothing
        const bool was_receiving = line_.receiving();
        line_.card_pull(t, low);
        // A start bit from the card: let the reader plan the receiver's samples.
        if (low && !was_receiving) card_->stop();
    };
    card_->set_rst_low(rts_, now);
    card_->set_power(true, now);
}

void CardReader::power_down(std::uint64_t now) {
    if (!card_) return;
    card_->set_power(false, now);
    if (keep_card_) keep_card_(*card_, card_pic_, card_eeprom_, now);
    card_.reset();
}

void CardReader::close_port() {
    catch_up();
    power_down(sim_ns_);
    dtr_ = rts_ = false;
    open_ = false;
    ++generation_;
    rx_.clear();
    pending_.clear();
    line_.clear(sim_ns_);
}

void CardReader::force_close() {
    if (open_) close_port();
}

void CardReader::restart() {
    force_close();
    select_card(-1, -1);
    settings_ = saved_ = kFirstSettings;
    timeouts_ = SerialTimeouts{};
    counters_ = CardReaderCounters{};
    history_.clear();
}

void CardReader::catch_up() {
    if (open_) advance_to(clock_->now_ns(), false);
}

void CardReader::advance_to(std::uint64_t t, bool stop_on_byte) {
    while (sim_ns_ < t) {
        std::uint64_t target = std::min(t, line_.next_look(sim_ns_));
        if (!pending_.empty()) target = std::min(target, pending_.front().time_ns);
        if (target <= sim_ns_) target = sim_ns_ + 1;
        if (card_) {
            const std::uint64_t reached = card_->run_until(target);
            target = std::min(target, std::max(reached, sim_ns_ + 1));
        }
        sim_ns_ = target;
        line_.advance(sim_ns_);
        if (deliver() && stop_on_byte) return;
    }
}

// Takes what the host's receiver decoded, through the faults, and hands the bytes that are due
// to the host; true when the host got any.
bool CardReader::deliver() {
    const std::uint64_t frame_ns = std::uint64_t(1 + settings_.data_bits + (settings_.parity != Parity::None) +
                                                 settings_.stop_bits) * 1000000000ull / settings_.baud;
    for (LineByte& b : line_.received()) {
        if (b.echo) {
            ++counters_.echo_bytes;
        } else {
            ++counters_.card_bytes;
            const int index = card_bytes_since_reset_++;
            const bool checksum = watch_.card_byte();
            if ((faults_.badatr && index == kAtrCorruptedByte) || (faults_.cardchk && checksum)) {
                b.value ^= 0x01;
                ++counters_.corrupted;
            }
        }
        counters_.parity_errors += b.parity_error;
        counters_.framing_errors += b.framing_error;
        history_.push_back(b);
        if (history_.size() > kHistory) history_.pop_front();
        b.time_ns += kFifoTimeoutChars * frame_ns;
        pending_.push_back(b);
    }
    line_.received().clear();
    bool any = false;
    while (!pending_.empty() && pending_.front().time_ns <= sim_ns_) {
        rx_.push_back(pending_.front().value);
        pending_.pop_front();
        any = true;
    }
    return any;
}

void CardReader::set_rts(bool on) {
    catch_up();
    rts_ = on;
    // RTS on holds RST low.
    trace::record_line(trace::Line::CardRst, !on, [&] { return sim_ns_; });
    if (on) {
        watch_.reset();
        card_bytes_since_reset_ = 0;
        if (card_) ++counters_.resets;
    }
    if (card_) card_->set_rst_low(on, sim_ns_);
}

void CardReader::configure(const SerialSettings& s) {
    catch_up();
    settings_ = s;
    line_.configure(s);
    if (card_) card_->set_clock_hz(card_clock_hz(), sim_ns_);
}

void CardReader::send(const std::uint8_t* data, std::size_t n) {
    catch_up();
    for (std::size_t i = 0; i < n; ++i) {
        std::uint8_t b = data[i];
        // A write block's checksum gets to the card damaged.
        if (watch_.host_byte(b) && faults_.cardchk) {
            b ^= 0x01;
            ++counters_.corrupted;
        }
        line_.send(b, sim_ns_);
    }
    counters_.host_bytes += n;
}

void CardReader::purge() {
    catch_up();
    rx_.clear();
    pending_.clear();
    line_.drop_unsent(sim_ns_);
}

// Time-outs as the comm calls define them (see the POSIX port): a total for the whole read, a
// longest gap between bytes that also bounds the wait for the first byte when there is no total.
std::size_t CardReader::read(std::uint8_t* buf, std::size_t n) {
    catch_up();
    std::size_t got = 0;
    auto take = [&] {
        while (got < n && !rx_.empty()) {
            buf[got++] = rx_.front();
            rx_.pop_front();
        }
    };
    take();
    const SerialTimeouts t = timeouts_;
    if (got == n || (t.read_total_ms == 0 && t.read_interval_ms == 0)) return got;
    const std::uint64_t start = clock_->now_ns();
    const bool has_total = t.read_total_ms != 0;
    const std::uint64_t deadline = has_total ? start + t.read_total_ms * kMsNs : kNeverNs;
    std::uint64_t last = start;
    while (got < n) {
        std::uint64_t limit = deadline;
        if (t.read_interval_ms != 0 && (!has_total || got > 0))
            limit = std::min(limit, last + t.read_interval_ms * kMsNs);
        const std::size_t before = got;
        if (clock_->is_virtual()) {
            advance_to(limit, true);
            const std::uint64_t now = clock_->now_ns();
            if (sim_ns_ > now) clock_->advance_ns(sim_ns_ - now);
        } else {
            catch_up();
            if (rx_.empty() && clock_->now_ns() < limit) clock_->sleep_ms(1);
        }
        take();
        if (got > before) last = clock_->now_ns();
        if (clock_->now_ns() >= limit) break;
    }
    return got;
}

} // namespace korvane::sim
