// Our two loaders (src/resources/loader) on virtual cards, frame by frame: the answers to bad
// headers, empty blocks, the two addressing forms, and the 18F452 loader on the PIC18 core.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "card_link_host.h"
#include "gpasm_program.h"
#include "sim/pic18_core.h"
#include "sim_fixture.h"

namespace korvane::sim::test {
namespace {

using ::testing::ElementsAreArray;

const std::vector<std::uint8_t> kAtr = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0x90, 0x00};
const std::string kLoaderDir = KORVANE_TEST_DATA_DIR "/../../src/resources/loader/";
constexpr int k16F877 = 3, k18F452 = 10, k24C16 = 4, k24C64 = 6, k24C256 = 9;

std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = std::uint8_t(i * 13 + seed * 7);
    return v;
}

// The headers every loader must refuse with one byte, and still answer the next header after.
void expect_refusals(CardLinkHost& host) {
    EXPECT_EQ(host.header(0xC0, 0x01, 0x00, 0x00, 0x11), 0x6E);   // class
    EXPECT_EQ(host.header(0xC1, 0x03, 0x00, 0x00, 0x11), 0x6D);   // instruction
    EXPECT_EQ(host.header(0xC1, 0xB0, 0x00, 0x00, 0x11), 0x6D);
    EXPECT_EQ(host.header(0xC1, 0x01, 0x00, 0x00, 0x00), 0x67);   // length 0 and above 129
    EXPECT_EQ(host.header(0xC1, 0x02, 0x00, 0x00, 0x82), 0x67);
    EXPECT_EQ(host.header(0xC1, 0x01, 0x00, 0x00, 0xFF), 0x67);
    EXPECT_TRUE(host.read(1).empty()) << "a single answer byte, never a second";
    // An empty block: procedure byte, then just the checksum 0 (read) or the status (write).
    EXPECT_EQ(host.read_block(0x0000, 0), std::vector<std::uint8_t>{});
    EXPECT_EQ(host.write_block(0x0000, {}), 0x90);
    EXPECT_EQ(host.read_block(0x0000, 129 - 1).value_or(std::vector<std::uint8_t>{}).size(), 128u);
}

class LoaderFrames16F : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
    }
    // The loader in a 16F877 card with the configuration word the programmer gives it.
    CardLinkHost& card(int eeprom) {
        static const AssembledProgram loader = assemble_file(kLoaderDir + "loader16f.asm", false, 8192);
        EXPECT_TRUE(loader.ok()) << loader.listing_error;
        bench().select_target(TargetKind::Pic, k16F877);
        Pic16Chip& chip = *bench().pic16();
        for (std::uint32_t a = 0; a < chip.model().code_words; ++a) chip.set_program_word(a, loader.words[a]);
        chip.set_config_word(0x3D39);
        EXPECT_TRUE(bench().save_chip());
        bench().select_card(k16F877, eeprom);
        std::string error;
        port_ = bench().reader().open("SIM", error);
        EXPECT_TRUE(port_) << error;
        host_ = std::make_unique<CardLinkHost>(*port_, bench().clock());
        host_->configure(9600);
        EXPECT_THAT(host_->reset(), ElementsAreArray(kAtr));
        return *host_;
    }
    I2cEeprom& eeprom() { return *bench().reader().card()->eeprom(); }
    void TearDown() override {
        host_.reset();
        port_.reset();
        SimTest::TearDown();
    }
    std::unique_ptr<ISerialPort> port_;
    std::unique_ptr<CardLinkHost> host_;
};

TEST_F(LoaderFrames16F, BadHeadersGetOneByteAndTheLoaderGoesOn) {
    CardLinkHost& host = card(k24C64);
    expect_refusals(host);
    EXPECT_TRUE(host.init(false));
}

TEST_F(LoaderFrames16F, TwoAddressBytesUntilInitAsksForThe24C16Form) {
    CardLinkHost& host = card(k24C64);
    // No Init yet: P1:P2 go out as two address bytes.
    EXPECT_EQ(host.write_block(0x1234, pattern(4, 1)), 0x90);
    EXPECT_EQ(eeprom().byte(0x1234), pattern(4, 1)[0]);
    EXPECT_EQ(eeprom().byte(0x1237), pattern(4, 1)[3]);
    host_.reset();
    port_.reset();

    CardLinkHost& small = card(k24C16);
    ASSERT_TRUE(small.init(true));
    // 24C16: address bits 10..8 in the control byte; a read runs on across the 256-byte blocks.
    EXPECT_EQ(small.write_block(0x05F0, pattern(16, 2)), 0x90);
    EXPECT_EQ(small.write_block(0x0600, pattern(16, 3)), 0x90);
    EXPECT_EQ(eeprom().byte(0x05F0), pattern(16, 2)[0]);
    EXPECT_EQ(eeprom().byte(0x0600), pattern(16, 3)[0]);
    auto expect = pattern(16, 2);
    const auto second = pattern(16, 3);
    expect.insert(expect.end(), second.begin(), second.end());
    EXPECT_EQ(small.read_block(0x05F0, 32), expect);
}

TEST_F(LoaderFrames16F, AWrongChecksumLeavesThePageAsItWas) {
    CardLinkHost& host = card(k24C64);
    ASSERT_TRUE(host.init(false));
    EXPECT_EQ(host.write_block(0x0400, pattern(32, 4)), 0x90);
    EXPECT_EQ(host.write_block(0x0400, pattern(32, 5), 0x80), 0x10);
    EXPECT_EQ(host.read_block(0x0400, 32), pattern(32, 4));
}

// ---- the 18F452 card: the loader on the PIC18 core, wired as the 18F card is ----

class Pic18CardCore final : public ICardCore {
public:
    Pic18CardCore(ICorePins& pins, double instruction_hz, const AssembledProgram& image)
        : memory_(*pic18_model(k18F452)), core_(memory_.model(), memory_) {
        for (const auto& [a, v] : image.bytes) {
            if (a < memory_.program.size()) memory_.program[a] = v;
            else if (a >= 0x300000 && a < 0x300000 + memory_.config.size()) memory_.config[a - 0x300000] = v;
        }
        core_.pin_reader = [this, &pins](int port) { return pins.read_port(port, cycles()); };
        core_.on_port_change = [this, &pins](int port) {
            pins.drive_changed(port, core_.latch(port), core_.tris(port), cycles());
        };
        set_instruction_hz(instruction_hz);
    }
    void reset(CoreReset kind) override {
        core_.reset(kind == CoreReset::PowerOn ? Pic18Reset::PowerOn : Pic18Reset::Mclr);
        base_ = core_.cycles();
    }
    void run(std::uint64_t until) override {
        stop_ = false;
        while (!stop_ && cycles() < until) core_.step();
    }
    void stop() override { stop_ = true; }
    std::uint64_t cycles() const override { return core_.cycles() - base_; }
    std::uint64_t instructions() const override { return 0; }
    void set_instruction_hz(double hz) override { core_.set_oscillator_hz(std::uint32_t(hz * 4)); }
    const std::vector<std::uint8_t>& data_eeprom() const override { return memory_.eeprom; }
    bool data_eeprom_written() const override { return false; }

private:
    Pic18Memory memory_;
    Pic18Core core_;
    std::uint64_t base_ = 0;
    bool stop_ = false;
};

class LoaderFrames18F : public ::testing::Test {
protected:
    void SetUp() override {
        if (!have_gpasm()) GTEST_SKIP() << "gpasm not found: install gputils";
        static const AssembledProgram loader = assemble_file(kLoaderDir + "loader18f.asm", true, 16384);
        ASSERT_TRUE(loader.ok()) << loader.listing_error;
        reader_.set_card_maker(
            [this](int, int eeprom, std::uint32_t hz) {
                auto card = std::make_unique<IsoCard>(k18FCardWiring, CardStartup{},
                                                      std::make_unique<I2cEeprom>(*eeprom24_model(eeprom), faults_));
                eeprom_ = card->eeprom();
                card->attach_core(
                    [](ICorePins& pins, double hz) { return std::make_unique<Pic18CardCore>(pins, hz, loader); }, hz);
                return card;
            },
            [](IsoCard&, int, int, std::uint64_t) {});
        reader_.select_card(k18F452, k24C256);
    }
    CardLinkHost& open(std::uint32_t baud) {
        std::string error;
        port_ = reader_.open("SIM", error);
        EXPECT_TRUE(port_) << error;
        host_ = std::make_unique<CardLinkHost>(*port_, clock_);
        host_->configure(baud);
        EXPECT_THAT(host_->reset(), ElementsAreArray(kAtr));
        return *host_;
    }

    VirtualClock clock_;
    SimFaults faults_;
    CardReader reader_{clock_};
    I2cEeprom* eeprom_ = nullptr;
    std::unique_ptr<ISerialPort> port_;
    std::unique_ptr<CardLinkHost> host_;
};

TEST_F(LoaderFrames18F, BlocksGoInAndComeBackAtEitherClock) {
    for (std::uint32_t baud : {9600u, 16457u}) {
        SCOPED_TRACE(baud);
        CardLinkHost& host = open(baud);
        ASSERT_TRUE(host.init(false)) << host.last_error;
        for (std::uint16_t a : {0x0000, 0x3FC0, 0x7FC0}) {
            EXPECT_EQ(host.write_block(a, pattern(64, a + baud)), 0x90) << a << " " << host.last_error;
            EXPECT_EQ(eeprom_->byte(a + 63u), pattern(64, a + baud)[63]);
        }
        for (std::uint16_t a : {0x0000, 0x3FC0, 0x7FC0}) EXPECT_EQ(host.read_block(a, 64), pattern(64, a + baud)) << a;
        EXPECT_EQ(host.echo_mismatches, 0);
        host_.reset();
        port_.reset();
    }
}

TEST_F(LoaderFrames18F, BadHeadersAndChecksums) {
    CardLinkHost& host = open(9600);
    expect_refusals(host);
    ASSERT_TRUE(host.init(false));
    EXPECT_EQ(host.write_block(0x0100, pattern(64, 1)), 0x90);
    EXPECT_EQ(host.write_block(0x0100, pattern(64, 2), 0x01), 0x10);
    EXPECT_EQ(host.read_block(0x0100, 64), pattern(64, 1));
}

} // namespace
} // namespace korvane::sim::test
