// Every 24Cxx type in the JDM board's socket, reached through the "SIM" port, checked against
// the figures of the datasheets rather than against the simulator's own table.
#include "i2c_host.h"
#include "sim_fixture.h"

namespace korvane::sim::test {
namespace {

struct TypeCase {
    int index;
    const char* part;
    std::uint32_t size;
    std::uint32_t page;
    bool two_address_bytes;
};

const TypeCase kTypes[] = {
    {0, "24C01", 128, 8, false},      {1, "24C02", 256, 8, false},     {2, "24C04", 512, 16, false},
    {3, "24C08", 1024, 16, false},    {4, "24C16", 2048, 16, false},   {5, "24C32", 4096, 32, true},
    {6, "24C64", 8192, 32, true},     {7, "24C65", 8192, 64, true},    {8, "24C128", 16384, 64, true},
    {9, "24C256", 32768, 64, true},   {10, "24C512", 65536, 128, true},
};

std::vector<std::uint8_t> write_address(const TypeCase& t, std::uint32_t a) {
    if (t.two_address_bytes) return {0xA0, std::uint8_t(a >> 8), std::uint8_t(a)};
    return {std::uint8_t(0xA0 | ((a >> 7) & 0x0E)), std::uint8_t(a)};
}

class EepromSocket : public SimTest, public ::testing::WithParamInterface<TypeCase> {
protected:
    I2cMaster& bus() {
        bench().select_target(TargetKind::EEProm, GetParam().index);
        open();
        bus_ = std::make_unique<I2cMaster>(*lines_, bench().clock());
        bus_->power_up();
        return *bus_;
    }
    std::unique_ptr<I2cMaster> bus_;
};

TEST_P(EepromSocket, PageWriteWrapsPollingWaitsAndTheWholeArrayReadsBackWithWrap) {
    const TypeCase& t = GetParam();
    I2cMaster& b = bus();
    ASSERT_NE(bench().eeprom(), nullptr);
    EXPECT_STREQ(bench().eeprom()->model().part, t.part);

    // page + 2 bytes from two before the end of the last page: the last page wraps onto itself.
    const std::uint32_t from = t.size - 2;
    auto tx = write_address(t, from);
    for (std::uint32_t k = 0; k < t.page + 2; ++k) tx.push_back(std::uint8_t(k + 1));
    EXPECT_TRUE(b.write_transaction(tx));
    EXPECT_GT(b.poll(0xA0, 1000), 1);

    std::vector<std::uint8_t> expect(t.size, 0xFF);
    const std::uint32_t base = t.size - t.page;
    for (std::uint32_t k = 0; k < t.page + 2; ++k) expect[base + (from - base + k) % t.page] = std::uint8_t(k + 1);
    expect.push_back(expect[0]);   // one more byte: the read wraps to address 0

    EXPECT_EQ(b.read_random(write_address(t, 0), t.size + 1), expect);
}

TEST_P(EepromSocket, OnlyTheSocketsChipSelectAddressAnswers) {
    const TypeCase& t = GetParam();
    I2cMaster& b = bus();
    const int block_bits = t.size == 512 ? 1 : t.size == 1024 ? 2 : t.size == 2048 ? 3 : 0;
    for (std::uint8_t select = 0; select < 8; ++select) {
        const bool answers = (select >> block_bits) == 0;
        EXPECT_EQ(b.send({std::uint8_t(0xA0 | (select << 1))}), answers ? 1 : 0) << int(select);
        b.stop();
    }
}

INSTANTIATE_TEST_SUITE_P(AllTypes, EepromSocket, ::testing::ValuesIn(kTypes),
                         [](const auto& info) { return std::string("T") + info.param.part; });

} // namespace
} // namespace korvane::sim::test
