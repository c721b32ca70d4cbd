// Random and mutated input for the record parser, the line reader and the EEPROM readers: nothing
// may crash or touch memory outside the images (the sanitizer build checks the latter).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>

#include "files/eeprom_image_files.h"
#include "files/hex_record.h"
#include "files/line_reader.h"
#include "files/pic_hex_reader.h"
#include "files/pic_hex_writer.h"
#include "images.h"

using namespace korvane;

namespace {

// Guard bytes around an image catch writes that run past it.
template <class Image>
struct Guarded {
    std::array<std::uint8_t, 64> before;
    Image image;
    std::array<std::uint8_t, 64> after;
    Guarded() {
        before.fill(0xA5);
        after.fill(0x5A);
    }
    bool intact() const {
        return std::all_of(before.begin(), before.end(), [](auto b) { return b == 0xA5; }) &&
               std::all_of(after.begin(), after.end(), [](auto b) { return b == 0x5A; });
    }
};

std::string random_line(std::mt19937& rng) {
    static const std::string alphabet = ":0123456789ABCDEFabcdefxyz \t\r\x1A";
    std::string s(rng() % 600, '\0');
    const bool hexish = rng() % 4 != 0;
    for (auto& c : s) c = hexish ? alphabet[rng() % alphabet.size()] : char(rng());
    return s;
}

// A valid record of one of the interesting shapes, then a few random edits.
std::string mutated_record(std::mt19937& rng) {
    static const char* seeds[] = {":020000040030CA", ":0200000400F00A", ":020000040020DA", ":03000100220C0EC0",
                                  ":02400E00F13F80", ":10420000010002000300040005000600070008008A",
                                  ":100000000528FF3FFF3FFF3FFF3FFF3FFF3FFF3F11", ":00000001FF", ":FF7FF000"};
    std::string s = seeds[rng() % std::size(seeds)];
    for (int edits = int(rng() % 4); edits >= 0; --edits) {
        switch (rng() % 4) {
        case 0: if (!s.empty()) s[rng() % s.size()] = "0123456789ABCDEF"[rng() % 16]; break;
        case 1: s.resize(rng() % (s.size() + 1)); break;
        case 2: s += std::string(rng() % 40, "0F"[rng() % 2]); break;
        default: if (s.size() > 1) s[1 + rng() % 2] = 'F'; break;   // huge LL
        }
    }
    return s;
}

} // namespace

TEST(Fuzz, RecordParserStaysInsideTheImage) {
    std::mt19937 rng(20240601);
    auto g = std::make_unique<Guarded<PicImage>>();
    for (int i = 0; i < 20000; ++i) {
        const int device = int(rng() % 12);
        const std::string line = (i % 2) ? random_line(rng) : mutated_record(rng);
        static const std::uint32_t uppers[] = {0, 0x200000, 0x300000, 0xF00000};
        const std::uint32_t upper = (rng() % 3 == 0) ? std::uint32_t(rng()) : uppers[rng() % 4];
        record_checksum_ok(line);
        parse_pic_record(line, upper, g->image, device, rng() % 2);
        parse_pic_record(line, 0xF00000u, g->image, device);
        parse_pic_record(line, 0x300000u, g->image, device);
        ASSERT_TRUE(g->intact()) << line;
    }
}

TEST(Fuzz, ReadersOnRandomStreams) {
    std::mt19937 rng(7);
    auto pic = std::make_unique<Guarded<PicImage>>();
    auto ee = std::make_unique<Guarded<EEPromImage>>();
    for (int i = 0; i < 300; ++i) {
        std::string text;
        const int lines = int(rng() % 40);
        for (int l = 0; l < lines; ++l) {
            text += (rng() % 2) ? mutated_record(rng) : random_line(rng);
            text += (rng() % 3 == 0) ? "\n" : (rng() % 2 ? "\r\n" : "");
        }
        std::istringstream a(text), b(text), c(text);
        read_pic_hex(a, pic->image, int(rng() % 12), rng() % 2);
        read_eeprom_hex(b, ee->image, int(rng() % 11));
        read_eeprom_bin(c, ee->image, int(rng() % 11));
        ASSERT_TRUE(pic->intact());
        ASSERT_TRUE(ee->intact());
    }
}

TEST(Fuzz, EveryRecordOfAValidFileSurvivesRandomCuts) {
    // Files cut at random places (as a crashed writer leaves them) still read without harm.
    const std::string text = pic_hex_text(*test::blank_pic(test::k18F452), test::k18F452);
    std::mt19937 rng(3);
    for (int i = 0; i < 200; ++i) {
        std::istringstream in(text.substr(0, rng() % text.size()));
        auto back = std::make_unique<Guarded<PicImage>>();
        const auto r = read_pic_hex(in, back->image, test::k18F452);
        EXPECT_TRUE(r == HexReadResult::Ok || r == HexReadResult::BadChecksum);
        ASSERT_TRUE(back->intact());
    }
}
