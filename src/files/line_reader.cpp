#include "files/line_reader.h"

#include <algorithm>
#include <cstring>

namespace korvane {
namespace {

constexpr std::size_t kBufferSize = 64 * 1024;
constexpr char kEndMark = 0x1A;

bool blank_or_control(char c) { return static_cast<unsigned char>(c) <= 0x20; }

} // namespace

LineReader::LineReader(std::istream& in) : in_(in), buf_(kBufferSize) {}

// Keeps at least kMaxLine bytes ahead of begin_ unless the input has ended.
void LineReader::fill() {
    if (at_end_ || end_ - begin_ >= kMaxLine) return;
    if (begin_ > 0) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    while (!at_end_ && end_ < kMaxLine) {
        in_.read(buf_.data() + end_, std::streamsize(buf_.size() - end_));
        const auto got = std::size_t(std::max<std::streamsize>(in_.gcount(), 0));
        end_ += got;
        if (got == 0 || !in_) at_end_ = true;
    }
}

bool LineReader::read_line(std::string& line) {
    fill();
    const std::size_t avail = std::min(end_ - begin_, kMaxLine);
    if (avail == 0) return false;
    const char* chunk = buf_.data() + begin_;
    const char* lf = static_cast<const char*>(std::memchr(chunk, '\n', avail));
    if (lf) {
        std::size_t len = std::size_t(lf - chunk);
        begin_ += len + 1;
        if (len > 0 && chunk[len - 1] == '\r') --len;
        line.assign(chunk, len);
    } else {
        // No line end within reach: the whole piece is one line, without its blanks.
        std::size_t first = 0, last = avail;
        while (first < last && blank_or_control(chunk[first])) ++first;
        while (last > first && blank_or_control(chunk[last - 1])) --last;
        line.assign(chunk + first, last - first);
        begin_ += avail;
    }
    return line.empty() || line[0] != kEndMark;
}

} // namespace korvane
