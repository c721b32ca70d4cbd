// The smart-card reader on "SIM": its own port beside the programmer, RTS as the card's reset,
// the I/O contact on both TXD and RXD.
#include <gtest/gtest.h>

#include "sim_fixture.h"

namespace korvane::sim::test {
namespace {

class CardReaderTest : public SimTest {
protected:
    std::unique_ptr<ISerialPort> open_reader() {
        std::string error;
        auto port = bench().reader().open("SIM", error);
        EXPECT_TRUE(port) << error;
        return port;
    }
};

TEST_F(CardReaderTest, OpensBesideTheProgrammerButOnlyOnce) {
    open_with_pic(3);
    auto reader = open_reader();
    ASSERT_TRUE(reader);
    std::string error;
    EXPECT_FALSE(bench().reader().open("SIM", error));
    EXPECT_EQ(error, "Device or resource busy");
    EXPECT_TRUE(bench().reader().rts()) << "opening raises RTS: the card starts in reset";
    reader.reset();
    EXPECT_FALSE(bench().reader().is_open());
    EXPECT_TRUE(open_reader());
}

} // namespace
} // namespace korvane::sim::test
