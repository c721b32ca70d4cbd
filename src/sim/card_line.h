#pragma once
// The card's I/O contact as the reader wires it: the host's TXD pulls it low, so does the card,
// and the host's UART receiver listens to it. The host side sends whole characters at its own
// baud rate and frame; the receiver finds each start edge and samples mid-bit as a UART does,
// so what the host reads (its own echo, the card's bytes, or garbage) follows from the levels.
#include <cstdint>
#include <deque>
#include <limits>

#include "hardware/serial_port.h"

namespace korvane::sim {

constexpr std::uint64_t kNeverNs = std::numeric_limits<std::uint64_t>::max();

struct LineByte {
    std::uint8_t value = 0;
    std::uint64_t time_ns = 0;   // when the receiver sampled the stop bit
    bool echo = false;           // the start edge came while the host was sending
    bool parity_error = false;
    bool framing_error = false;
};

class CardLine {
public:
    void configure(const SerialSettings& s);
    const SerialSettings& settings() const { return settings_; }

    // ---- the host's transmitter ----
    // Queues a character; it starts when the one before has ended, at `now_ns` at the earliest.
    void send(std::uint8_t byte, std::uint64_t now_ns);
    // Drops characters not begun by `now_ns` (a purge of the transmit buffer).
    void drop_unsent(std::uint64_t now_ns);
    // The host's TXD at `t`: false while it pulls the line low.
    bool host_level(std::uint64_t t) const;
    // When the last queued character ends.
    std::uint64_t host_busy_until() const { return tx_.empty() ? 0 : tx_.back().end_ns; }

    // ---- the card ----
    // The card pulls the line low (true) or releases it, from `t` on. Times never go back.
    void card_pull(std::uint64_t t, bool low);
    bool card_low() const { return card_low_; }

    // ---- the host's receiver ----
    // Decodes everything up to `t` (the card's pulls up to `t` must be known).
    void advance(std::uint64_t t);
    // The next moment the receiver must look at the line: a sample point within a character,
    // else the next edge of the host's own transmission; kNeverNs when the line rests.
    std::uint64_t next_look(std::uint64_t after) const;
    bool receiving() const { return state_ != State::Idle; }
    std::deque<LineByte>& received() { return received_; }
    // Forgets the receiver's state and what it holds (the port was closed); decoding starts again
    // at `from_ns`, which may lie before where it had got to (the bench's clock was restarted).
    void clear(std::uint64_t from_ns);

    // While a trace is on: writes the line's level (host and card together) at every change up
    // to `t` as CARD_IO. Only forward; the card's pulls up to `t` must be known.
    void trace_to(std::uint64_t t);

private:
    enum class State : std::uint8_t { Idle, Frame };
    struct TxChar {
        std::uint64_t start_ns, end_ns;
        std::uint16_t bits;   // bit k of the frame, start bit first
        int count;
    };

    std::uint64_t bit_edge(std::uint64_t start, int k) const;   // start of bit k of a frame
    bool level(std::uint64_t t) const;
    bool host_sending(std::uint64_t t) const;
    std::uint64_t next_change(std::uint64_t after) const;
    void sample(std::uint64_t t);
    void prune(std::uint64_t before);

    SerialSettings settings_{9600, 8, Parity::Even, 2};
    std::deque<TxChar> tx_;
    bool card_low_ = false;                                   // the latest pull
    bool card_before_ = false;                                // the pull before card_changes_
    std::deque<std::pair<std::uint64_t, bool>> card_changes_; // (time, low) not yet decoded past

    State state_ = State::Idle;
    bool armed_ = true;            // the line was high since the last frame
    std::uint64_t pos_ = 0;        // decoded up to here
    std::uint64_t frame_start_ = 0;
    bool frame_echo_ = false;
    int next_bit_ = 0;             // index of the next sample in the frame
    std::uint16_t shift_ = 0;
    std::deque<LineByte> received_;
    std::uint64_t traced_ns_ = 0;  // CARD_IO is written up to here
};

} // namespace korvane::sim
