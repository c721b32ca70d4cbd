#include "disasm/number_format.h"

namespace korvane {

namespace {

std::string digits(unsigned value, unsigned base, int width) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    do {
        s.insert(s.begin(), kDigits[value % base]);
        value /= base;
    } while (value != 0);
    if (int(s.size()) < width) s.insert(0, std::size_t(width) - s.size(), '0');
    return s;
}

std::string format(unsigned value, Radix radix, int hex_w, int oct_w, int bin_w) {
    switch (radix) {
    case Radix::Decimal: return "D'" + digits(value, 10, 1);
    case Radix::Octal: return "O'" + digits(value, 8, oct_w);
    case Radix::Binary: return "B'" + digits(value, 2, bin_w);
    case Radix::Hexadecimal: break;
    }
    return "0x" + digits(value, 16, hex_w);
}

} // namespace

Radix radix_from_setting(std::uint8_t value) {
    return value <= 3 ? Radix(value) : Radix::Hexadecimal;
}

std::string word_format(std::uint16_t value, Radix radix) { return format(value, radix, 4, 6, 16); }

std::string byte_format(std::uint8_t value, Radix radix) { return format(value, radix, 2, 3, 8); }

std::string hex4(std::uint16_t value) { return digits(value, 16, 4); }

} // namespace korvane
