#pragma once
// Field types for byte-exact records (catalogues, settings file): little-endian integers and
// length-prefixed texts stored as plain bytes, so a record's layout never depends on the host.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane {

struct LE16 {
    std::uint8_t b[2]{};
    constexpr LE16() = default;
    constexpr LE16(std::uint16_t v) : b{std::uint8_t(v), std::uint8_t(v >> 8)} {}
    constexpr operator std::uint16_t() const { return std::uint16_t(b[0] | (b[1] << 8)); }
};
static_assert(sizeof(LE16) == 2);

struct LE32 {
    std::uint8_t b[4]{};
    constexpr LE32() = default;
    constexpr LE32(std::uint32_t v)
        : b{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)} {}
    constexpr operator std::uint32_t() const {
        return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
               (std::uint32_t(b[3]) << 24);
    }
};
static_assert(sizeof(LE32) == 4);

// A text of capacity N: one length byte, then N character bytes. A stored length above N
// (a damaged file) reads as N.
template <std::size_t N>
struct PString {
    std::uint8_t len = 0;
    char chars[N]{};
    constexpr PString() = default;
    constexpr PString(std::string_view s) { assign(s); }
    constexpr void assign(std::string_view s) {
        len = std::uint8_t(std::min(s.size(), N));
        for (std::size_t i = 0; i < N; ++i) chars[i] = i < len ? s[i] : chars[i];
    }
    constexpr std::string_view view() const { return {chars, std::min<std::size_t>(len, N)}; }
    std::string str() const { return std::string(view()); }
    static constexpr std::size_t capacity = N;
};

} // namespace korvane
