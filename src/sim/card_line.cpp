#include "sim/card_line.h"

#include <algorithm>

#include "trace/line_recorder.h"

namespace korvane::sim {

namespace {
constexpr std::uint64_t kSecondNs = 1000000000ull;

int frame_bits(const SerialSettings& s) {
    return 1 + s.data_bits + (s.parity == Parity::None ? 0 : 1) + s.stop_bits;
}
} // namespace

void CardLine::configure(const SerialSettings& s) { settings_ = s; }

std::uint64_t CardLine::bit_edge(std::uint64_t start, int k) const {
    return start + std::uint64_t(k) * kSecondNs / settings_.baud;
}

void CardLine::send(std::uint8_t byte, std::uint64_t now_ns) {
    const int data = settings_.data_bits;
    std::uint16_t bits = 0;   // bit 0: the start bit, low
    int ones = 0;
    for (int i = 0; i < data; ++i) {
        const bool one = (byte >> i) & 1;
        ones += one;
        if (one) bits = std::uint16_t(bits | (1u << (1 + i)));
    }
    int k = 1 + data;
    if (settings_.parity != Parity::None) {
        const bool parity_one = settings_.parity == Parity::Even ? (ones & 1) : !(ones & 1);
        if (parity_one) bits = std::uint16_t(bits | (1u << k));
        ++k;
    }
    const int count = frame_bits(settings_);
    for (; k < count; ++k) bits = std::uint16_t(bits | (1u << k));
    const std::uint64_t start = std::max(now_ns, host_busy_until());
    tx_.push_back({start, bit_edge(start, count), bits, count});
    trace_to(now_ns);
}

void CardLine::drop_unsent(std::uint64_t now_ns) {
    while (!tx_.empty() && tx_.back().start_ns > now_ns) tx_.pop_back();
}

bool CardLine::host_level(std::uint64_t t) const {
    for (const TxChar& c : tx_) {
        if (t < c.start_ns) return true;
        if (t < c.end_ns) {
            const int k = int((t - c.start_ns) * settings_.baud / kSecondNs);
            return ((c.bits >> std::min(k, c.count - 1)) & 1) != 0;
        }
    }
    return true;
}

void CardLine::card_pull(std::uint64_t t, bool low) {
    t = std::max(t, pos_);
    advance(t);
    card_low_ = low;
    card_changes_.emplace_back(t, low);
    trace_to(t);
}

bool CardLine::host_sending(std::uint64_t t) const {
    return std::any_of(tx_.begin(), tx_.end(), [&](const TxChar& c) { return c.start_ns <= t && t < c.end_ns; });
}

bool CardLine::level(std::uint64_t t) const {
    if (!host_level(t)) return false;
    // The pull in force at t: the last change at or before it.
    bool low = card_before_;
    for (const auto& [when, pull] : card_changes_) {
        if (when > t) break;
        low = pull;
    }
    return !low;
}

std::uint64_t CardLine::next_change(std::uint64_t after) const {
    std::uint64_t next = kNeverNs;
    for (const TxChar& c : tx_) {
        if (c.end_ns <= after) continue;
        if (c.start_ns > after) {
            next = c.start_ns;
        } else {
            const int k = int((after - c.start_ns) * settings_.baud / kSecondNs) + 1;
            next = k < c.count ? bit_edge(c.start_ns, k) : c.end_ns;
            if (next <= after) next = after + 1;
        }
        break;
    }
    for (const auto& [t, low] : card_changes_) {
        if (t > after) {
            next = std::min(next, t);
            break;
        }
    }
    return next;
}

std::uint64_t CardLine::next_look(std::uint64_t after) const {
    if (state_ == State::Frame)
        return frame_start_ + std::uint64_t(2 * next_bit_ + 1) * kSecondNs / (2ull * settings_.baud);
    return next_change(after);
}

void CardLine::sample(std::uint64_t t) {
    const bool high = level(t);
    const int data = settings_.data_bits;
    const bool parity = settings_.parity != Parity::None;
    const int k = next_bit_++;
    if (k == 0) {
        if (high) state_ = State::Idle;   // a glitch, not a start bit
        return;
    }
    if (k <= data) {
        if (high) shift_ = std::uint16_t(shift_ | (1u << (k - 1)));
        return;
    }
    if (parity && k == data + 1) {
        if (high) shift_ = std::uint16_t(shift_ | (1u << data));
        return;
    }
    // The first stop bit ends the character; the receiver does not look at a second one.
    LineByte b;
    b.value = std::uint8_t(shift_);
    b.time_ns = t;
    b.echo = frame_echo_;
    b.framing_error = !high;
    if (parity) {
        int ones = 0;
        for (int i = 0; i <= data; ++i) ones += (shift_ >> i) & 1;
        b.parity_error = settings_.parity == Parity::Even ? (ones & 1) : !(ones & 1);
    }
    received_.push_back(b);
    state_ = State::Idle;
    armed_ = high;
}

void CardLine::advance(std::uint64_t t) {
    while (true) {
        if (state_ == State::Frame) {
            const std::uint64_t s = next_look(pos_);
            if (s > t) break;
            pos_ = s;
            sample(s);
            continue;
        }
        if (level(pos_)) {
            armed_ = true;
        } else if (armed_) {
            // A falling edge: a character begins.
            state_ = State::Frame;
            frame_start_ = pos_;
            frame_echo_ = host_sending(pos_);
            next_bit_ = 0;
            shift_ = 0;
            armed_ = false;
            continue;
        }
        const std::uint64_t next = next_change(pos_);
        if (next > t) {
            pos_ = std::max(pos_, t);
            break;
        }
        pos_ = next;
    }
    trace_to(pos_);
    prune(pos_);
}

void CardLine::prune(std::uint64_t before) {
    while (!tx_.empty() && tx_.front().end_ns <= before) tx_.pop_front();
    while (!card_changes_.empty() && card_changes_.front().first <= before) {
        card_before_ = card_changes_.front().second;
        card_changes_.pop_front();
    }
}

void CardLine::clear(std::uint64_t from_ns) {
    tx_.clear();
    card_changes_.clear();
    card_low_ = false;
    card_before_ = false;
    state_ = State::Idle;
    armed_ = true;
    pos_ = from_ns;
    frame_start_ = 0;
    next_bit_ = 0;
    shift_ = 0;
    received_.clear();
    traced_ns_ = from_ns;
    trace_to(from_ns);
}

void CardLine::trace_to(std::uint64_t t) {
    trace::LineRecorder& recorder = trace::LineRecorder::instance();
    if (!recorder.on()) return;
    // The level at the last point written first: a character queued to start there has begun.
    std::uint64_t x = traced_ns_;
    while (true) {
        recorder.set(trace::Line::CardIo, level(x), x);
        const std::uint64_t next = next_change(x);
        if (next > t) break;
        x = next;
    }
    traced_ns_ = std::max(traced_ns_, t);
}

} // namespace korvane::sim
