#pragma once
// Our loaders (src/resources/loader, reassembled here) written into a card's PIC through the
// bench, and the simulated reader opened on that card.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "card_link_host.h"
#include "gpasm_program.h"
#include "sim/pic18_memory.h"
#include "sim_fixture.h"

namespace korvane::sim::test {

inline const std::vector<std::uint8_t> kAtr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0x90, 0x00};
// The ZenCard: the 18F loader on the 18F452, its 24C256 on RC4/RC3.
constexpr int kZenPic = 10, kZenEeprom = 9;

// KORVANE_TEST_LOADER16F and KORVANE_TEST_LOADER18F name other sources to try instead.
inline std::filesystem::path loader_source(const char* variable, const char* file) {
    if (const char* other = std::getenv(variable); other && *other) return other;
    return std::filesystem::path(KORVANE_TEST_DATA_DIR "/../../src/resources/loader/") / file;
}
inline std::filesystem::path loader16f_source() { return loader_source("KORVANE_TEST_LOADER16F", "loader16f.asm"); }
inline std::filesystem::path loader18f_source() { return loader_source("KORVANE_TEST_LOADER18F", "loader18f.asm"); }

inline std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t((i * 7 + seed * 31 + (i >> 8)) & 0xFF);
    return v;
}

// What the host's receiver got, for a failure message.
inline std::string received(SimBench& bench) {
    std::string out;
    for (const LineByte& b : bench.reader().history()) {
        char text[48];
        std::snprintf(text, sizeof text, "%02X%s%s%s ", b.value, b.echo ? "(echo)" : "", b.parity_error ? "(parity)" : "",
                      b.framing_error ? "(framing)" : "");
        out += text;
    }
    return out;
}

class CardLoaderTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
        if (!std::filesystem::exists(loader16f_source())) GTEST_SKIP() << "no 16F loader source yet";
    }
    // The 16F loader in the card's PIC with `config`, as the Write Loader command leaves it.
    void write_loader(int pic, std::uint16_t config, int eeprom) {
        static const AssembledProgram loader = assemble_file(loader16f_source().string(), false, 8192);
        ASSERT_TRUE(loader.ok()) << loader.listing_error;
        bench().select_target(TargetKind::Pic, pic);
        Pic16Chip& chip = *bench().pic16();
        for (std::uint32_t a = 0; a < chip.model().code_words; ++a) chip.set_program_word(a, loader.words[a]);
        for (std::uint32_t a = 0; a < loader.eeprom.size() && a < chip.model().data_bytes; ++a)
            chip.set_data_byte(a, loader.eeprom[a]);
        chip.set_config_word(config);
        ASSERT_TRUE(bench().save_chip());
        bench().select_card(pic, eeprom);
    }
    // The 18F loader in the ZenCard's 18F452.
    void write_loader_18f() {
        static const AssembledProgram loader = assemble_file(loader18f_source().string(), true, 0);
        ASSERT_TRUE(loader.ok()) << loader.listing_error;
        bench().select_target(TargetKind::Pic, kZenPic);
        Pic18Memory& m = bench().pic18()->memory();
        for (const auto& [address, value] : loader.bytes) {
            if (address < m.program.size()) m.program[address] = value;
            else if (address >= 0x300000 && address < 0x300000 + kConfigBytes) m.config[address - 0x300000] = value;
            else if (address >= 0xF00000 && !(address & 1) && (address - 0xF00000) / 2 < m.eeprom.size())
                m.eeprom[(address - 0xF00000) / 2] = value;
        }
        ASSERT_TRUE(bench().save_chip());
        bench().select_card(kZenPic, kZenEeprom);
    }
    CardLinkHost& open_card(std::uint32_t baud = 9600) {
        std::string error;
        port_ = bench().reader().open("SIM", error);
        EXPECT_TRUE(port_) << error;
        host_ = std::make_unique<CardLinkHost>(*port_, bench().clock());
        host_->configure(baud);
        return *host_;
    }
    // Opened and past the answer to reset.
    CardLinkHost& started_card(std::uint32_t baud = 9600) {
        CardLinkHost& host = open_card(baud);
        EXPECT_THAT(host.reset(), ::testing::ElementsAreArray(kAtr)) << received(bench());
        return host;
    }
    void close_card() {
        host_.reset();
        port_.reset();
    }
    // The card's EEPROM as the bench keeps it.
    std::vector<std::uint8_t> card_eeprom(int eeprom_index) {
        return std::vector<std::uint8_t>(*ChipStore(bench().state_dir()).load(card_eeprom_file(eeprom_index)));
    }
    I2cEeprom& eeprom() { return *bench().reader().card()->eeprom(); }
    void TearDown() override {
        close_card();
        SimTest::TearDown();
    }

    std::unique_ptr<ISerialPort> port_;
    std::unique_ptr<CardLinkHost> host_;
};

class ZenCardTest : public CardLoaderTest {
protected:
    void SetUp() override {
        CardLoaderTest::SetUp();
        if (!IsSkipped() && !std::filesystem::exists(loader18f_source())) GTEST_SKIP() << "no 18F loader source yet";
    }
};

} // namespace korvane::sim::test
