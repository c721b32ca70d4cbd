#include <gtest/gtest.h>

#include <algorithm>

#include "disasm/assembler_view.h"
#include "disasm/disassembler.h"
#include "disasm/listing_render.h"
#include "disasm_fixture.h"

namespace korvane {
namespace {

using test::blank_pic;
using test::blanks;
using test::options;

// The five header lines, then `body`.
std::vector<std::string> with_header(const std::string& file, const std::string& device, std::vector<std::string> body) {
    body.insert(body.begin(), {"; Source Hex File " + file, "", blanks(12) + "LIST      P=" + device + ", F=INHX8M",
                               blanks(12) + "include  \"P" + device + ".inc\"", ""});
    return body;
}

// A blank image with the given program words.
std::unique_ptr<PicImage> program(int device, std::initializer_list<std::pair<std::size_t, std::uint16_t>> words) {
    auto image = blank_pic(device);
    for (auto [address, word] : words) image->code[address] = word;
    return image;
}

const ListingOptions kPlain = options(Radix::Hexadecimal, false, false, false);
const ListingOptions kColumns = options(Radix::Hexadecimal, false, true, true);

// The line whose text contains `needle`, or "" when none does.
std::string line_with(const std::vector<std::string>& lines, const std::string& needle) {
    auto it = std::find_if(lines.begin(), lines.end(),
                           [&](const std::string& l) { return l.find(needle) != std::string::npos; });
    return it == lines.end() ? std::string() : *it;
}

TEST(Listing, GotoExampleGivesSixteenLines) {
    auto image = program(0, {{0, 0x2805}});
    image->file_name = "C:\\pic\\test.hex";
    const auto lines = disassemble_image(*image, 0, kPlain);
    const std::vector<std::string> expected = with_header(
        "C:\\pic\\test.hex", "16F84",
        {" ", blanks(28) + "ORG       0x0000", blanks(28) + "GOTO      L0005", blanks(8) + "L0005", " ", " ",
         " ", " ", " ", "", blanks(20) + "END"});
    EXPECT_EQ(lines, expected);
}

TEST(Listing, OffsetAndOpcodeColumns) {
    auto image = program(0, {{0, 0x2805}});
    const auto lines = disassemble_image(*image, 0, kColumns);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[7], "0000h:  2805" + blanks(16) + "GOTO      L0005");
    // Origin and separator lines never carry the columns.
    EXPECT_EQ(lines[6], blanks(28) + "ORG       0x0000");
    EXPECT_EQ(lines[8], blanks(8) + "L0005");
    // Offset alone leaves the opcode column blank.
    EXPECT_EQ(disassemble_image(*image, 0, options(Radix::Hexadecimal, false, true, false))[7],
              "0000h:" + blanks(22) + "GOTO      L0005");
}

TEST(Listing, BitAndFileInstructionColumns) {
    // RETURN has nothing after the mnemonic.
    const auto lines = disassemble_image(*program(0, {{0, 0x1683}, {1, 0x0683}, {2, 0x0008}}), 0, kPlain);
    EXPECT_EQ(line_with(lines, "BSF"), blanks(28) + "BSF       STATUS    , RP0");
    EXPECT_EQ(line_with(lines, "XORWF"), blanks(28) + "XORWF     STATUS    , f");
    EXPECT_EQ(line_with(lines, "RETURN"), blanks(28) + "RETURN");
}

TEST(Listing, LongOperandPushesTheLineInsteadOfBeingCut) {
    const auto lines = disassemble_image(*program(3, {{0, 0x2005}, {5, 0x0008}}), 3, kColumns);   // CALL 5 on a 16F877
    EXPECT_EQ(line_with(lines, "CALL"), "0000h:  2005" + blanks(16) + "CALL      L0005.L0805.L1005.L1805");
    EXPECT_EQ(line_with(lines, "RETURN"), "0005h:  0008    L0005       RETURN");
    // Labels past the end of the program stand alone, without address column.
    EXPECT_NE(std::find(lines.begin(), lines.end(), blanks(8) + "L0805"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), blanks(8) + "L1805"), lines.end());
    EXPECT_EQ(line_with(lines, "0805h:"), "");
}

TEST(Listing, EmptyBuffer) {
    EXPECT_EQ(disassemble_image(*blank_pic(0), 0, kColumns),
              with_header("", "16F84", {" ", " ", " ", " ", "", blanks(20) + "END"}));
}

TEST(Listing, IdWordsWithoutProgramHaveNoColumns) {
    auto image = blank_pic(1);
    for (int i = 0; i < 4; ++i) image->config[std::size_t(i)] = std::uint16_t(0x3F01 + i);
    EXPECT_EQ(disassemble_image(*image, 1, kColumns),
              with_header("", "16F628", {blanks(28) + "ORG       0x2000", blanks(28) + "DATA      0x0001",
                                         blanks(28) + "DATA      0x0002", blanks(28) + "DATA      0x0003",
                                         blanks(28) + "DATA      0x0004", " ", " ", " ", " ", "", blanks(20) + "END"}));
    // The buffer itself is only read.
    EXPECT_EQ(image->config[0], 0x3F01);
}

TEST(Listing, BlankIdBytesAreLeftOut) {
    auto image = blank_pic(0);
    image->config = {0x3F7F, 0x3FFF, 0x007F, 0x00FF, 0x3FFF, 0x3FFF, 0x3FFF, 0x3FF1};
    EXPECT_EQ(line_with(disassemble_image(*image, 0, kPlain), "0x2000"), "");
}

TEST(Listing, FuseSection) {
    auto image = blank_pic(0);
    image->config[7] = 0x3FF1;
    EXPECT_EQ(disassemble_image(*image, 0, options(Radix::Octal, true, true, true)), with_header("", "16F84",
                                 {" ", " ", blanks(28) + "ORG       O'020007", blanks(28) + "DATA      O'037761",
                                  " ", " ", "", blanks(20) + "END"}));
}

TEST(Listing, DataSectionInBlocksOfEight) {
    auto image = blank_pic(0);
    image->data[9] = 0x12;
    image->data[10] = 0x7F;   // after the last programmed byte: left out
    const auto lines = disassemble_image(*image, 0, kPlain);
    std::vector<std::string> body = {" ", " ", " ", " ", " ", blanks(28) + "ORG       0x2100"};
    for (int i = 0; i < 8; ++i) body.push_back(blanks(28) + "DATA      0xFF");
    body.insert(body.end(), {" ", blanks(28) + "ORG       0x2108", blanks(28) + "DATA      0xFF",
                             blanks(28) + "DATA      0x12", " ", "", blanks(20) + "END"});
    EXPECT_EQ(lines, with_header("", "16F84", body));
}

TEST(Listing, GapsStartNewOrigins) {
    // GOTO 4; RETFIE and CLRWDT in one run; GOTO 0 alone at the last address labels the first word.
    const auto lines = disassemble_image(*program(0, {{0, 0x2804}, {4, 0x0009}, {5, 0x0064}, {0x3FF, 0x2800}}), 0,
                               options(Radix::Decimal, false, true, true));
    const auto begin = lines.begin() + 5;
    const std::vector<std::string> body(begin, begin + 10);
    EXPECT_EQ(body, (std::vector<std::string>{
                        " ", blanks(28) + "ORG       D'0", "0000h:  2804    L0000       GOTO      L0004",
                        " ", blanks(28) + "ORG       D'4", "0004h:  0009    L0004       RETFIE",
                        "0005h:  0064" + blanks(16) + "CLRWDT", " ", blanks(28) + "ORG       D'1023",
                        "03FFh:  2800" + blanks(16) + "GOTO      L0000"}));
}

TEST(Listing, LabelOnBlankWordKeepsItsAddressAndUndecodableWordsAreComments) {
    const auto lines = disassemble_image(*program(0, {{0, 0x2802}, {3, 0x0008}}), 0, kColumns);   // GOTO 2, a blank word
    EXPECT_EQ(lines[8], "0002h:" + blanks(10) + "L0002");
    EXPECT_EQ(lines[10], blanks(28) + "ORG       0x0003");
    EXPECT_EQ(disassemble_image(*program(0, {{0, 0x0001}}), 0, kColumns)[7], "0000h:  0001" + blanks(16) + "; ????");
}

TEST(Listing, TrimKeepsOneBlank) {
    EXPECT_EQ(trim_listing_line(blanks(40)), " ");
    EXPECT_EQ(trim_listing_line("  ab  "), "  ab");
    EXPECT_EQ(trim_listing_line(""), "");
}

} // namespace
} // namespace korvane
