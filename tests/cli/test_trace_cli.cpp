// korvane-cli --trace: the device commands record their lines to a VCD file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "cli_runner.h"

namespace korvane {
namespace {

using test::read_file;
using TraceCli = test::SimCli;

TEST_F(TraceCli, DeviceCommandsWriteTheirGroupsOthersRefuseTheOption) {
    ASSERT_EQ(cli("-d 24C02 --trace " + path("e.vcd") + " erase"), 0) << err;
    const std::string e = read_file(path("e.vcd"));
    for (const char* wire : {" DTR ", " RTS ", " TXD_BREAK ", " CTS ", " SCL ", " SDA "})
        EXPECT_NE(e.find(wire), std::string::npos) << wire;
    EXPECT_EQ(e.find(" CLOCK "), std::string::npos);
    EXPECT_GT(e.size(), 10000u);

    ASSERT_EQ(cli("-d 16F84 erase --trace " + path("p.vcd")), 0) << err;   // after the command too
    const std::string p = read_file(path("p.vcd"));
    for (const char* wire : {" CLOCK ", " DATA_OUT ", " DATA_IN ", " MCLR_VPP ", " CTS_SAMPLE "})
        EXPECT_NE(p.find(wire), std::string::npos) << wire;
    EXPECT_EQ(p.find(" SCL "), std::string::npos);

    EXPECT_EQ(cli("devices --trace " + path("d.vcd")), 2);
    EXPECT_NE(err.find("--trace works with the device and card commands only"), std::string::npos) << err;
    EXPECT_EQ(cli("-d 16F84 erase --trace"), 2);
}

TEST_F(TraceCli, AFileThatCannotBeCreatedOrWrittenFailsTheCommand) {
    EXPECT_EQ(cli("-d 24C02 erase --trace /nonexistent-dir/t.vcd"), 1);
    EXPECT_NE(err.find("cannot create the trace: "), std::string::npos) << err;
    EXPECT_EQ(err.find("Erase Successfully"), std::string::npos) << err;   // the device was not touched
    EXPECT_EQ(cli("-d 24C02 erase --trace /dev/full"), 1);
    EXPECT_NE(err.find("the trace was not written"), std::string::npos) << err;
}

} // namespace
} // namespace korvane
