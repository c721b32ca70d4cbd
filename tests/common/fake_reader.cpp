#include "common/fake_reader.h"

namespace korvane::test {

void FakeReaderPort::reset_released() {
    ++card_.resets;
    running_ = !card_.silent;
    in_.clear();
    write_expected_ = 0;
    card_.two_byte_addressing = true;
    if (!running_) return;
    const auto standard = loader_atr();
    const std::vector<std::uint8_t> atr = card_.atr ? *card_.atr : std::vector<std::uint8_t>(standard.begin(), standard.end());
    rx_.insert(rx_.end(), atr.begin(), atr.end());
}

void FakeReaderPort::receive(std::uint8_t b) {
    if (!running_) return;
    in_.push_back(b);
    if (write_expected_) {
        if (in_.size() == write_expected_) finish_write();
        return;
    }
    if (in_.size() == 5) answer_header();
}

void FakeReaderPort::answer_header() {
    CardHeader h{};
    std::copy(in_.begin(), in_.end(), h.begin());
    in_.clear();
    card_.headers.push_back(h);
    if (h[0] != kCardClass) return send(0x6E);
    const std::size_t n = h[4] ? std::size_t(h[4] - 1) : 0;
    const std::uint16_t address = std::uint16_t((h[2] << 8) | h[3]);
    switch (h[1]) {
    case kInsInit:
        card_.two_byte_addressing = h[3] == 0;
        send(procedure(kInsInit));
        if (procedure(kInsInit) == kInsInit && !card_.drop_init_status) send(card_.init_status.value_or(kCardStatusOk));
        return;
    case kInsReadBlock: {
        send(procedure(kInsReadBlock));
        if (procedure(kInsReadBlock) != kInsReadBlock) return;
        std::uint8_t sum = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t v = card_.memory[(address + i) % card_.memory.size()];
            sum ^= v;
            if (card_.read_data_cut < 0 || int(i) < card_.read_data_cut) send(v);
        }
        if (card_.read_data_cut >= 0) return;
        if (!card_.drop_read_checksum) send(card_.corrupt_read_checksum ? std::uint8_t(sum ^ 0x5A) : sum);
        return;
    }
    case kInsWriteBlock:
        send(procedure(kInsWriteBlock));
        if (procedure(kInsWriteBlock) != kInsWriteBlock) return;
        write_expected_ = n + 1;
        write_address_ = address;
        return;
    default: send(0x6D); return;
    }
}

void FakeReaderPort::finish_write() {
    const std::size_t n = write_expected_ - 1;
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum ^= in_[i];
    const bool good = sum == in_[n];
    if (good) {
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t at = (write_address_ + i) % card_.memory.size();
            card_.memory[at] = int(at) == card_.stuck_address ? std::uint8_t(in_[i] ^ 0x01) : in_[i];
        }
    }
    in_.clear();
    write_expected_ = 0;
    if (!card_.drop_write_status) send(card_.write_status ? *card_.write_status : good ? kCardStatusOk : kCardStatusBadChecksum);
}

std::unique_ptr<ISerialPort> FakeReaderSystem::open(const std::string& name, std::string& error) {
    opened_name = name;
    if (missing) {
        error = "No such file or directory";
        return nullptr;
    }
    ++opens;
    return std::make_unique<FakeReaderPort>(card);
}

} // namespace korvane::test
