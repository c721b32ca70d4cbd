#include "ui/message_format.h"

#include <cctype>

namespace korvane {

LineFormat parse_line_format(const std::string& line) {
    LineFormat f;
    const auto tilde = line.find('~');
    if (tilde == std::string::npos) {
        f.text = line;
        return f;
    }
    const std::string prefix = line.substr(0, tilde);
    f.text = line.substr(tilde + 1);
    if (prefix.find('r') != std::string::npos) f.align = LineAlign::Right;
    else if (prefix.find('l') != std::string::npos) f.align = LineAlign::Left;
    f.bold = prefix.find('b') != std::string::npos;
    f.italic = prefix.find('i') != std::string::npos;
    f.underline = prefix.find('u') != std::string::npos;
    f.strike = prefix.find('s') != std::string::npos;

    std::size_t start = prefix.size();
    while (start > 1 && std::isdigit(static_cast<unsigned char>(prefix[start - 1]))) --start;
    if (start < prefix.size()) {
        // A size of 0, or an absurd one from a long digit run, would give no readable text.
        const std::string digits = prefix.substr(start, 3);
        const int size = digits.size() < prefix.size() - start ? 72 : std::stoi(digits);
        f.point_size = size <= 0 ? 8 : (size > 72 ? 72 : size);
    }
    return f;
}

} // namespace korvane
