#include <gtest/gtest.h>

#include <sstream>
#include <streambuf>

#include "files/line_reader.h"

using namespace korvane;

namespace {

std::vector<std::string> all_lines(const std::string& text) {
    std::istringstream in(text);
    LineReader r(in);
    std::vector<std::string> lines;
    std::string line;
    while (r.read_line(line)) lines.push_back(line);
    return lines;
}

using Lines = std::vector<std::string>;

// An endless run of one character without any line end, up to `size` bytes.
class GeneratedInput : public std::streambuf {
public:
    GeneratedInput(char c, std::uint64_t size) : size_(size) { block_.assign(1 << 16, c); }
    std::uint64_t served() const { return served_; }

protected:
    int_type underflow() override {
        if (served_ >= size_) return traits_type::eof();
        const auto n = std::min<std::uint64_t>(block_.size(), size_ - served_);
        served_ += n;
        setg(block_.data(), block_.data(), block_.data() + n);
        return traits_type::to_int_type(block_[0]);
    }

private:
    std::string block_;
    std::uint64_t size_;
    std::uint64_t served_ = 0;
};

} // namespace

TEST(LineReader, LineEndsTrimmingEndMarkAnd512ByteLimit) {
    const std::string a512(512, 'A'), c512(512, 'C'), e511(511, 'E');
    const struct {
        std::string text;
        Lines lines;
    } cases[] = {
        {":00000001FF\r\n", {":00000001FF"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\r\n\r\nb", {"a", "", "b"}},
        {"a\rb\r\nc", {"a\rb", "c"}},   // a CR without LF stays inside the line
        {"", {}},
        // The last line without a line end is trimmed; lines with one are not.
        {"a\r\n  :00000001FF \t\r", {"a", ":00000001FF"}},
        {std::string("x\n\0\0:01\0", 8), {"x", ":01"}},
        {" a \n", {" a "}},
        // The end mark ends the file; a lone trailing one is trimmed away as a control character.
        {"a\r\n\x1A\r\nb\r\n", {"a"}},
        {"a\r\n\x1A" "bc\r\nd\r\n", {"a"}},
        {"a\r\n\x1A", {"a", ""}},
        // At most 512 bytes make one line.
        {std::string(1200, 'A') + "\r\nB\r\n", {a512, a512, std::string(176, 'A'), "B"}},
        {c512 + "\nD\n", {c512, "", "D"}},   // the line end right after 512 bytes starts an empty line
        {e511 + "\nF", {e511, "F"}},
        // A CR LF split by the limit: the LF gives an empty line, not a line that begins with it.
        {std::string(510, 'A') + "\r\n:00000001FF\r\n", {std::string(510, 'A'), ":00000001FF"}},
        {std::string(511, 'A') + "\r\n:00000001FF\r\n", {std::string(511, 'A'), "", ":00000001FF"}},
    };
    for (const auto& c : cases) EXPECT_EQ(all_lines(c.text), c.lines) << c.text;
}

TEST(LineReader, ManyLinesAcrossBufferRefills) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += std::to_string(i) + (i % 2 ? "\r\n" : "\n");
    const Lines lines = all_lines(text);
    ASSERT_EQ(lines.size(), 20000u);
    for (int i = 0; i < 20000; ++i) ASSERT_EQ(lines[std::size_t(i)], std::to_string(i));
}

TEST(LineReader, HugeInputWithoutLineEndsIsReadPieceByPiece) {
    GeneratedInput gen('A', std::uint64_t(1) << 30);   // 1 GB, never held in memory
    std::istream in(&gen);
    LineReader r(in);
    std::string line;
    ASSERT_TRUE(r.read_line(line));
    EXPECT_EQ(line.size(), 512u);
    EXPECT_LT(gen.served(), std::uint64_t(1) << 20);   // only what the first line needed was read
}
