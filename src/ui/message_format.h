#pragma once
// The "prefix~text" line format of the message box: alignment, style and size of one body line.
#include <string>

namespace korvane {

enum class LineAlign { Left, Centre, Right };

struct LineFormat {
    LineAlign align = LineAlign::Centre;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int point_size = 8;
    std::string text;
};

// A line without "~" is centred, regular, 8 points. The prefix before the first "~" may hold
// "r" (right) or else "l" (left), "b", "i", "u", "s", and a trailing decimal size; its first
// character never counts as a digit.
LineFormat parse_line_format(const std::string& line);

} // namespace korvane
