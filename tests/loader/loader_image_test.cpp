// The two card loaders as the program carries them: reassembled from their sources, and the HEX
// layout the PIC buffer reader and the programmer rely on.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "common/test_env.h"
#include "util/resources.h"

namespace korvane::test {
namespace {

std::string resource_text(const char* name) {
    auto bytes = embedded_resource(name);
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// What gpasm makes of the source now, with CR LF line ends.
std::string reassemble(const std::string& source) {
    TempDir dir;
    const auto hex = dir.path() / "out.hex";
    const std::string command = std::string("'") + KORVANE_GPASM + "' -q -a inhx32 -o '" + hex.string() + "' '" +
                                KORVANE_LOADER_SOURCE_DIR + "/" + source + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command;
    std::string crlf;
    for (char c : read_file(hex)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    return crlf;
}

struct Record {
    std::uint8_t type;
    std::uint32_t address;   // the extended linear address included
    std::vector<std::uint8_t> data;
};

std::uint8_t hex_byte(const std::string& s, std::size_t at) { return std::uint8_t(std::stoul(s.substr(at, 2), nullptr, 16)); }

// Every line checked as it is read: CR LF, a valid checksum, at most 16 data bytes.
std::vector<Record> records(const std::string& text) {
    std::vector<Record> out;
    std::uint32_t upper = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t cr = text.find("\r\n", pos);
        EXPECT_NE(cr, std::string::npos) << "line without CR LF at " << pos;
        if (cr == std::string::npos) break;
        const std::string line = text.substr(pos, cr - pos);
        pos = cr + 2;
        EXPECT_EQ(line.find('\n'), std::string::npos);
        EXPECT_EQ(line[0], ':');
        const std::uint8_t n = hex_byte(line, 1);
        EXPECT_EQ(line.size(), 11u + 2u * n) << line;
        EXPECT_LE(n, 16) << line;
        std::uint8_t sum = 0;
        for (std::size_t k = 1; k + 1 < line.size(); k += 2) sum = std::uint8_t(sum + hex_byte(line, k));
        EXPECT_EQ(sum, 0) << line;
        Record r{hex_byte(line, 7), upper + (std::uint32_t(hex_byte(line, 3)) << 8 | hex_byte(line, 5)), {}};
        for (std::size_t k = 0; k < n; ++k) r.data.push_back(hex_byte(line, 9 + 2 * k));
        if (r.type == 4) upper = std::uint32_t(r.data.at(0) << 8 | r.data.at(1)) << 16;
        out.push_back(std::move(r));
    }
    return out;
}

// Data bytes by address.
std::map<std::uint32_t, std::uint8_t> memory(const std::vector<Record>& recs) {
    std::map<std::uint32_t, std::uint8_t> m;
    for (const auto& r : recs)
        if (r.type == 0)
            for (std::size_t k = 0; k < r.data.size(); ++k) m[r.address + std::uint32_t(k)] = r.data[k];
    return m;
}

void expect_framing(const std::vector<Record>& recs, const std::string& text) {
    ASSERT_GE(recs.size(), 3u);
    EXPECT_EQ(recs.front().type, 4);
    EXPECT_EQ(recs.front().data, (std::vector<std::uint8_t>{0, 0}));
    EXPECT_TRUE(text.ends_with("\r\n:00000001FF\r\n"));
    for (std::size_t k = 0; k + 1 < recs.size(); ++k) EXPECT_TRUE(recs[k].type == 0 || recs[k].type == 4);
}

TEST(LoaderImages, AreTheirSourcesAsAssembledNow) {
    EXPECT_EQ(resource_text("UNIVERSAL_LOADER16F"), reassemble("loader16f.asm"));
    EXPECT_EQ(resource_text("UNIVERSAL_LOADER18F"), reassemble("loader18f.asm"));
}

TEST(LoaderImages, SixteenFImageFitsEveryCardAndKeepsTheHexLayout) {
    const std::string text = resource_text("UNIVERSAL_LOADER16F");
    const auto recs = records(text);
    expect_framing(recs, text);
    for (const auto& r : recs) EXPECT_EQ(r.address >> 16, 0u);   // one extended address record
    const auto mem = memory(recs);
    std::vector<std::uint8_t> eeprom;
    for (const auto& [a, v] : mem) {
        if (a < 0x4000) {
            EXPECT_LT(a, 0x0800u) << "past the 16F84's 1K words";
        } else if (a >= 0x4200) {
            if (a % 2) {
                EXPECT_EQ(v, 0) << "data EEPROM: one byte per word";
            } else {
                eeprom.push_back(v);
            }
        } else {
            EXPECT_TRUE(a == 0x400E || a == 0x400F) << std::hex << a;
        }
    }
    EXPECT_EQ(mem.at(0x400E) | mem.at(0x400F) << 8, 0x3FF1);
    EXPECT_EQ(std::string(eeprom.begin(), eeprom.end()), "Korvane card loader 16F 1.0");
    // 14-bit program words.
    for (std::uint32_t a = 1; a < 0x0800; a += 2) {
        if (mem.count(a)) {
            EXPECT_LE(mem.at(a), 0x3F);
        }
    }
}

TEST(LoaderImages, EighteenFImageConfigurationAndLayout) {
    const std::string text = resource_text("UNIVERSAL_LOADER18F");
    const auto recs = records(text);
    expect_framing(recs, text);
    // The configuration in one record from 0x300000, so the reader's word pairs line up.
    std::vector<std::uint8_t> config;
    for (const auto& r : recs)
        if (r.type == 0 && r.address >= 0x300000 && r.address < 0x310000) {
            EXPECT_EQ(r.address, 0x300000u);
            config = r.data;
        }
    ASSERT_EQ(config.size(), 14u);
    EXPECT_EQ(config[1] & 0x07, 0x04);   // EC: the card's clock drives OSC1, no PLL
    EXPECT_EQ(config[1] & 0x20, 0x20);   // no oscillator switching
    EXPECT_EQ(config[2] & 0x01, 0x01);   // no power-up timer before the answer to reset
    EXPECT_EQ(config[3] & 0x01, 0x00);   // watchdog off
    EXPECT_EQ(config[6] & 0x04, 0x00);   // no low-voltage programming
    EXPECT_EQ(config[6] & 0x80, 0x80);   // no debugger on RB6/RB7
    for (int k : {8, 9, 10, 11, 12, 13}) EXPECT_EQ(config[std::size_t(k)], 0xFF) << k;   // nothing protected

    std::vector<std::uint8_t> eeprom;
    for (const auto& [a, v] : memory(recs)) {
        if (a >= 0xF00000) {
            if (a % 2) {
                EXPECT_EQ(v, 0) << "data EEPROM: one byte per word";
            } else {
                eeprom.push_back(v);
            }
        } else {
            EXPECT_TRUE(a < 0x8000 || (a >= 0x200000 && a < 0x200008) || (a >= 0x300000 && a < 0x30000E))
                << std::hex << a;
        }
    }
    EXPECT_EQ(std::string(eeprom.begin(), eeprom.end()), "Korvane card loader 18F 1.0");
}

} // namespace
} // namespace korvane::test
