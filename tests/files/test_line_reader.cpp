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

TEST(LineReader, CrLfAndLoneLfLines) {
    EXPECT_EQ(all_lines(":00000001FF\r\n"), Lines{":00000001FF"});
    EXPECT_EQ(all_lines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(all_lines("a\nb\n"), (Lines{"a", "b"}));
    EXPECT_EQ(all_lines("a\r\n\r\nb"), (Lines{"a", "", "b"}));
    // A CR without LF stays inside the line (only the last piece is trimmed).
    EXPECT_EQ(all_lines("a\rb\r\nc"), (Lines{"a\rb", "c"}));
    EXPECT_EQ(all_lines(""), Lines{});
}

TEST(LineReader, LastLineWithoutLineEndIsTrimmed) {
    EXPECT_EQ(all_lines("a\r\n  :00000001FF \t\r"), (Lines{"a", ":00000001FF"}));
    EXPECT_EQ(all_lines(std::string("x\n\0\0:01\0", 8)), (Lines{"x", ":01"}));
    // Lines that end with a line end are not trimmed.
    EXPECT_EQ(all_lines(" a \n"), Lines{" a "});
}

TEST(LineReader, EndMarkEndsTheFile) {
    EXPECT_EQ(all_lines("a\r\n\x1A\r\nb\r\n"), Lines{"a"});
    EXPECT_EQ(all_lines("a\r\n\x1A" "bc\r\nd\r\n"), Lines{"a"});
    // A lone trailing end mark is trimmed away as a control character.
    EXPECT_EQ(all_lines("a\r\n\x1A"), (Lines{"a", ""}));
}

TEST(LineReader, AtMost512BytesMakeOneLine) {
    const std::string long_text(1200, 'A');
    const Lines lines = all_lines(long_text + "\r\nB\r\n");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], std::string(512, 'A'));
    EXPECT_EQ(lines[1], std::string(512, 'A'));
    EXPECT_EQ(lines[2], std::string(176, 'A'));
    EXPECT_EQ(lines[3], "B");
    // A line end right after 512 bytes: the next line begins with it and is empty.
    EXPECT_EQ(all_lines(std::string(512, 'C') + "\nD\n"), (Lines{std::string(512, 'C'), "", "D"}));
    // 511 bytes and an LF fit.
    EXPECT_EQ(all_lines(std::string(511, 'E') + "\nF"), (Lines{std::string(511, 'E'), "F"}));
}

TEST(LineReader, CrLfSplitByThe512Limit) {
    // The CR falls in the first piece, the LF in the next: the LF gives an empty line, not a
    // line that begins with it.
    const Lines fits = all_lines(std::string(510, 'A') + "\r\n:00000001FF\r\n");
    EXPECT_EQ(fits, (Lines{std::string(510, 'A'), ":00000001FF"}));
    const Lines split = all_lines(std::string(511, 'A') + "\r\n:00000001FF\r\n");
    EXPECT_EQ(split, (Lines{std::string(511, 'A'), "", ":00000001FF"}));
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
