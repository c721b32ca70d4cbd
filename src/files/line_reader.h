#pragma once
// Reads the lines of a HEX text file. A line ends at CR LF or at a lone LF. A line is never longer
// than 512 bytes: when the next 512 bytes hold no line end they are taken as one line, trimmed of
// blanks and control characters. A line beginning with 0x1A (the DOS end mark) ends the file.
// Memory use is bounded whatever the input.
#include <istream>
#include <string>
#include <vector>

namespace korvane {

class LineReader {
public:
    static constexpr std::size_t kMaxLine = 512;

    explicit LineReader(std::istream& in);
    // False at the end of the input, on a read error or at the end mark.
    bool read_line(std::string& line);

private:
    void fill();

    std::istream& in_;
    std::vector<char> buf_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool at_end_ = false;
};

} // namespace korvane
