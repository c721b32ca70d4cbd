#include "card_link_host.h"

namespace korvane::sim::test {

std::vector<std::uint8_t> CardLinkHost::read(std::size_t n) {
    port_.set_timeouts({10, std::uint32_t(20 + 10 * n), 0});
    std::vector<std::uint8_t> buf(n);
    buf.resize(port_.read(buf.data(), n));
    return buf;
}

std::vector<std::uint8_t> CardLinkHost::reset() {
    port_.purge();
    port_.set_rts(true);
    port_.set_dtr(true);
    port_.set_rts(false);
    port_.set_dtr(true);
    clock_.sleep_ms(50);
    return read(16);
}

bool CardLinkHost::send(const std::vector<std::uint8_t>& bytes) {
    port_.write(bytes.data(), bytes.size());
    const auto echo = read(bytes.size());
    if (echo.size() != bytes.size()) {
        last_error = "echo of " + std::to_string(bytes.size()) + " bytes: got " + std::to_string(echo.size());
        return false;
    }
    if (echo != bytes) ++echo_mismatches;
    return true;
}

std::optional<std::uint8_t> CardLinkHost::header(std::uint8_t cla, std::uint8_t ins, std::uint8_t p1,
                                                 std::uint8_t p2, std::uint8_t p3) {
    if (!send({cla, ins, p1, p2, p3})) return std::nullopt;
    const auto b = read(1);
    if (b.empty()) {
        last_error = "no byte after the header";
        return std::nullopt;
    }
    return b[0];
}

bool CardLinkHost::init(bool addressing_24c16) {
    const auto proc = header(0xC1, 0x00, 0x00, addressing_24c16 ? 0x01 : 0x00, 0x00);
    if (proc != 0x00) return false;
    const auto status = read(1);
    return status.size() == 1 && status[0] == 0x90;
}

std::optional<std::vector<std::uint8_t>> CardLinkHost::read_block(std::uint16_t address, std::size_t n) {
    const auto proc = header(0xC1, 0x01, std::uint8_t(address >> 8), std::uint8_t(address), std::uint8_t(n + 1));
    if (proc != 0x01) {
        if (proc) last_error = "procedure byte " + std::to_string(*proc);
        return std::nullopt;
    }
    auto data = read(n + 1);
    if (data.size() != n + 1) {
        last_error = "read block: " + std::to_string(data.size()) + " of " + std::to_string(n + 1) + " bytes";
        return std::nullopt;
    }
    std::uint8_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum ^= data[i];
    if (sum != data[n]) {
        last_error = "read block: checksum";
        return std::nullopt;
    }
    data.pop_back();
    return data;
}

std::optional<std::uint8_t> CardLinkHost::write_block(std::uint16_t address, const std::vector<std::uint8_t>& data,
                                                      std::uint8_t checksum_delta) {
    const auto proc =
        header(0xC1, 0x02, std::uint8_t(address >> 8), std::uint8_t(address), std::uint8_t(data.size() + 1));
    if (proc != 0x02) {
        if (proc) last_error = "procedure byte " + std::to_string(*proc);
        return std::nullopt;
    }
    std::vector<std::uint8_t> out = data;
    std::uint8_t sum = 0;
    for (std::uint8_t b : data) sum ^= b;
    out.push_back(std::uint8_t(sum ^ checksum_delta));
    if (!send(out)) return std::nullopt;
    const auto status = read(1);
    if (status.empty()) {
        last_error = "no status byte";
        return std::nullopt;
    }
    return status[0];
}

} // namespace korvane::sim::test
