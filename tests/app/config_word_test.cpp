#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/config_word.h"

namespace korvane {
namespace {

std::vector<std::string> texts(std::span<const char* const> items) { return {items.begin(), items.end()}; }

TEST(ConfigWordLists, ItemsPerDevice) {
    EXPECT_EQ(texts(oscillator_items(0)), (std::vector<std::string>{"LP", "XT", "HS", "RC"}));
    EXPECT_EQ(texts(oscillator_items(1)),
              (std::vector<std::string>{"LP", "XT", "HS", "ExtClk", "IntRC I/O", "IntRC CLKOUT", "ER I/O",
                                        "ER CLKOUT"}));
    EXPECT_EQ(texts(oscillator_items(3)), texts(oscillator_items(0)));
    EXPECT_EQ(texts(code_protect_items(0)), (std::vector<std::string>{"CP OFF", "CP ON"}));
    EXPECT_EQ(texts(code_protect_items(1)),
              (std::vector<std::string>{"CP 0000h - 07FFh", "CP 0200h - 07FFh", "CP 0400h - 07FFh", "CP OFF"}));
    EXPECT_EQ(texts(code_protect_items(2)),
              (std::vector<std::string>{"CP 0000h - 1FFFh", "CP 1000h - 1FFFh", "CP 1F00h - 1FFFh", "CP OFF"}));
    EXPECT_TRUE(oscillator_items(10).empty());
    EXPECT_TRUE(code_protect_items(4).empty());
    EXPECT_EQ(decode_oscillator(10, 0x3FFF), -1);
    EXPECT_EQ(decode_code_protect(-1, 0x3FFF), -1);
}

TEST(ConfigWord16F84, DecodeAndCodeProtectRoundTrip) {
    EXPECT_EQ(decode_oscillator(0, 0x3FF9), 1);   // "XT"
    EXPECT_EQ(decode_code_protect(0, 0x3FF9), 0); // "CP OFF"
    EXPECT_FALSE(fuse_checked(0x3FF9, Fuse::WDT));
    EXPECT_FALSE(fuse_checked(0x3FF9, Fuse::PWRT));   // bit 3 set: power-up timer off
    EXPECT_EQ(encode_code_protect(0, 0x3FF9, 1), 0x0009);
    EXPECT_EQ(decode_code_protect(0, 0x0009), 1);
    EXPECT_EQ(encode_code_protect(0, 0x0009, 0), 0x3FF9);
    EXPECT_EQ(decode_code_protect(0, 0x3F09), 0);     // partly protected reads as "CP OFF"
    EXPECT_EQ(encode_oscillator(0, 0x3FF9, 3), 0x3FFB);
    EXPECT_EQ(encode_oscillator(0, 0xFFF9, 0), 0x3FF8);   // bits 15..14 dropped
    EXPECT_EQ(encode_oscillator(0, 0x3FF9, 4), 0x3FF9);   // not in the list: unchanged
}

TEST(ConfigWord16F628, OscillatorUsesBit4ForTheUpperHalf) {
    EXPECT_EQ(encode_oscillator(1, 0x3F08, 4), 0x3F18);   // "IntRC I/O"
    EXPECT_EQ(decode_oscillator(1, 0x3F18), 4);
    EXPECT_EQ(encode_oscillator(1, 0x3F18, 7), 0x3F1B);
    EXPECT_EQ(decode_oscillator(1, 0x3F1B), 7);
    EXPECT_EQ(encode_oscillator(1, 0x3F1B, 2), 0x3F0A);   // back below 4 clears bit 4
    EXPECT_EQ(decode_oscillator(1, 0x3F08), 0);
}

TEST(ConfigWord16F628, CodeProtectRanges) {
    EXPECT_EQ(encode_code_protect(1, 0x3F18, 1), 0x1718);
    EXPECT_EQ(decode_code_protect(1, 0x1718), 1);
    EXPECT_EQ(encode_code_protect(1, 0x1718, 3), 0x3F18);
    EXPECT_EQ(decode_code_protect(1, 0x3F08), 3);   // a cleared buffer is unprotected
    EXPECT_EQ(encode_code_protect(1, 0x3F18, 0), 0x0318);
}

TEST(ConfigWord16F87x, CodeProtectAndFuses) {
    EXPECT_EQ(decode_code_protect(3, 0x3D38), 3);
    EXPECT_EQ(encode_code_protect(3, 0x3D38, 0), 0x0D08);
    EXPECT_EQ(encode_code_protect(2, 0x0D08, 2), 0x2D28);
    EXPECT_EQ(decode_code_protect(2, 0x2D28), 2);
    EXPECT_EQ(encode_code_protect(3, 0xFD08, 3), 0x3D38);
    EXPECT_EQ(encode_fuse(0x3D38, Fuse::DEBUGGER, true), 0x3538);
    EXPECT_TRUE(fuse_checked(0x3538, Fuse::DEBUGGER));
    EXPECT_EQ(encode_fuse(0x3538, Fuse::DEBUGGER, false), 0x3D38);
}

TEST(ConfigWordFuses, BitsPolarityAndFourteenBitClearing) {
    struct Case { Fuse f; std::uint16_t bit; bool low; const char* name; };
    const Case cases[] = {{Fuse::WDT, 0x004, false, "WDT"},      {Fuse::PWRT, 0x008, true, "PWRT"},
                          {Fuse::MCLR, 0x020, false, "MCLR"},    {Fuse::BODEN, 0x040, false, "BODEN"},
                          {Fuse::LVP, 0x080, false, "LVP"},      {Fuse::CPD, 0x100, true, "CPD"},
                          {Fuse::WRT, 0x200, false, "WRT"},      {Fuse::DEBUGGER, 0x800, true, "DEBUGGER"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_STREQ(fuse_info(c.f).control, c.name);
        const std::uint16_t on = encode_fuse(0xC000, c.f, true);
        const std::uint16_t off = encode_fuse(0xFFFF, c.f, false);
        EXPECT_TRUE(fuse_checked(on, c.f));
        EXPECT_FALSE(fuse_checked(off, c.f));
        if (c.low) {
            EXPECT_EQ(encode_fuse(0xFFFF, c.f, true), 0x3FFF & ~c.bit);   // cleared: 14-bit mask
            EXPECT_EQ(off, 0xFFFF);                                     // set: OR keeps bits 15..14
        } else {
            EXPECT_EQ(on, 0xC000 | c.bit);
            EXPECT_EQ(off, 0x3FFF & ~c.bit);
        }
    }
}

TEST(ConfigWordFuses, EnabledPerDevice) {
    auto enabled = [](int dev) {
        std::string s;
        for (Fuse f : kAllFuses)
            if (fuse_enabled(dev, f)) s += std::string(fuse_info(f).control) + " ";
        return s;
    };
    EXPECT_EQ(enabled(0), "WDT PWRT ");
    EXPECT_EQ(enabled(1), "WDT PWRT MCLR BODEN LVP CPD ");
    EXPECT_EQ(enabled(2), "WDT PWRT BODEN LVP CPD WRT DEBUGGER ");
    EXPECT_EQ(enabled(3), enabled(2));
    EXPECT_EQ(enabled(10), "");
}

TEST(ConfigWordProtect, ConditionPerDevice) {
    EXPECT_FALSE(config_word_protects(0, 0x3FFF));
    EXPECT_TRUE(config_word_protects(0, 0x000F));
    EXPECT_FALSE(config_word_protects(0, 0x3FF8));
    EXPECT_FALSE(config_word_protects(1, 0x3F08));
    EXPECT_TRUE(config_word_protects(1, 0x3E08));    // CPD on (bit 8 clear)
    EXPECT_TRUE(config_word_protects(1, 0x1718));
    EXPECT_FALSE(config_word_protects(2, 0x3D38));
    EXPECT_TRUE(config_word_protects(3, 0x3D28));
    EXPECT_TRUE(config_word_protects(3, 0x3C38));    // CPD on
    EXPECT_FALSE(config_word_protects(3, 0x3938));   // bit 10 is not part of the 87x mask
    for (int d = 4; d < 12; ++d) EXPECT_FALSE(config_word_protects(d, 0x0000)) << d;
}

TEST(ConfigWordKeys, OnlyHexDigitsAndBackspacePass) {
    EXPECT_EQ(config_key_filter('a'), 'A');
    EXPECT_EQ(config_key_filter('F'), 'F');
    EXPECT_EQ(config_key_filter('7'), '7');
    EXPECT_EQ(config_key_filter('\b'), '\b');
    EXPECT_EQ(config_key_filter('g'), '\0');
    EXPECT_EQ(config_key_filter('G'), '\0');
    EXPECT_EQ(config_key_filter(' '), '\0');
    EXPECT_EQ(config_key_filter('x'), '\0');
    EXPECT_EQ(config_key_filter('\r'), '\0');
    EXPECT_EQ(config_key_filter(char(0xE4)), '\0');
}

} // namespace
} // namespace korvane
