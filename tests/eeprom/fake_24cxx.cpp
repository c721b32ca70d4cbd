#include "fake_24cxx.h"

namespace korvane::test {

Fake24Cxx::Fake24Cxx(std::uint32_t size, int address_bytes, unsigned page)
    : memory(size, 0xFF), size_(size), address_bytes_(address_bytes), page_(page) {}

std::vector<Transaction> Fake24Cxx::page_writes() const {
    std::vector<Transaction> out;
    for (const auto& t : transactions)
        if (t.written.size() > std::size_t(1 + address_bytes_) && !(t.written[0] & 1)) out.push_back(t);
    return out;
}

std::vector<std::uint8_t> Fake24Cxx::write_controls() const {
    std::vector<std::uint8_t> out;
    for (const auto& t : page_writes()) out.push_back(t.written[0]);
    return out;
}

void Fake24Cxx::set_sda(bool v) {
    ++line_ops;
    const bool was = sda_;
    sda_ = v;
    if (scl_ && was != v && !drive_) {
        if (!v) on_start();
        else on_stop();
    }
    if (on_line_change) on_line_change();
}

void Fake24Cxx::set_scl(bool v) {
    ++line_ops;
    const bool rising = v && !scl_;
    const bool falling = !v && scl_;
    scl_ = v;
    if (rising) {
        if (mode_ == Mode::Receive) {
            shift_ = std::uint8_t((shift_ << 1) | (node() ? 1 : 0));
            ++bits_;
        } else if (mode_ == Mode::AckIn) {
            Transaction& t = transactions.back();
            if (node()) { ++t.master_nacks; nack_after_ack_ = true; }
            else ++t.master_acks;
        }
    } else if (falling) {
        switch (mode_) {
        case Mode::Receive:
            if (bits_ == 8) byte_received(shift_);
            break;
        case Mode::AckOut:
            drive_.reset();
            if (reading_) load_send_byte();
            else { mode_ = Mode::Receive; bits_ = 0; shift_ = 0; }
            break;
        case Mode::Send:
            if (++bits_ == 8) { drive_.reset(); mode_ = Mode::AckIn; }
            else drive_ = ((shift_ >> (7 - bits_)) & 1) != 0;
            break;
        case Mode::AckIn:
            if (nack_after_ack_) { mode_ = Mode::Idle; drive_.reset(); }
            else load_send_byte();
            break;
        case Mode::Idle: break;
        }
    }
    if (on_line_change) on_line_change();
}

void Fake24Cxx::on_start() {
    mode_ = Mode::Receive;
    bits_ = 0;
    shift_ = 0;
    reading_ = false;
    nack_after_ack_ = false;
    address_seen_ = 0;
    pending_.clear();
    transactions.push_back({});
}

void Fake24Cxx::power_down() {
    mode_ = Mode::Idle;
    drive_.reset();
    pending_.clear();
    sda_ = scl_ = true;
}

void Fake24Cxx::on_stop() {
    mode_ = Mode::Idle;
    drive_.reset();
    if (!transactions.empty()) transactions.back().stopped = true;
    if (!pending_.empty()) {
        for (auto [a, v] : pending_) memory[a % size_] = v;
        pending_.clear();
        ++writes_stored;
        busy_left = busy_polls_after_write;
    }
}

void Fake24Cxx::byte_received(std::uint8_t b) {
    Transaction& t = transactions.back();
    const bool control = t.written.empty();
    t.written.push_back(b);
    bool ack = present;
    if (control) {
        if ((b & 0xF0) != 0xA0 || busy_left > 0) ack = false;
        if (busy_left > 0) --busy_left;
        t.acked_control = ack && present;
        reading_ = (b & 1) != 0;
        block_ = (b >> 1) & 7;
        if (reading_ && address_bytes_ == 1) pointer_ = (pointer_ & 0xFF) | (block_ << 8);
    } else if (address_seen_ < address_bytes_) {
        if (address_bytes_ == 2 && address_seen_ == 0) pointer_ = std::uint32_t(b) << 8;
        else if (address_bytes_ == 2) pointer_ |= b;
        else pointer_ = (block_ << 8) | b;
        pointer_ %= size_;
        page_base_ = pointer_ - pointer_ % page_;
        ++address_seen_;
    } else {
        if (nack_data_at && *nack_data_at == pointer_) ack = false;
        pending_.push_back({pointer_, b});
        pointer_ = page_base_ + (pointer_ + 1 - page_base_) % page_;
    }
    if (ack) {
        drive_ = false;
        mode_ = Mode::AckOut;
    } else {
        mode_ = Mode::Idle;
    }
}

void Fake24Cxx::load_send_byte() {
    shift_ = memory[pointer_ % size_];
    pointer_ = (pointer_ + 1) % size_;
    ++transactions.back().bytes_read;
    bits_ = 0;
    mode_ = Mode::Send;
    drive_ = (shift_ & 0x80) != 0;
}

} // namespace korvane::test
