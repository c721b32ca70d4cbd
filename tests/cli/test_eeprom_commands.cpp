// korvane-cli with -d 24Cxx against the persisted simulator, one process per command.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cli_runner.h"

namespace korvane {
namespace {

using test::read_file;
using test::shell_quote;
using test::write_file;

using EEPromCommands = test::SimCli;

TEST_F(EEPromCommands, UsageErrorsExitWithTwoBeforeAnythingRuns) {
    struct Case { const char* args; const char* message; };
    for (Case c : {Case{"-d 24C16 read", "read needs one .bin or .hex file"},
                   Case{"-d 24C16 read a.txt", "a.txt: the file must be .bin or .hex"},
                   Case{"-d 24C16 erase a.bin", "erase takes no file"},
                   Case{"-d 24C16 clearcp", "clearcp works on PIC devices only"},
                   Case{"-d 24C16 program --erase a.bin", "--erase is not an option for EEPROMs"},
                   Case{"-d 24C16 verify --bit-time 300 a.bin", "--bit-time takes microseconds, 0 to 255: 300"}}) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(cli(c.args), 2);
        EXPECT_NE(err.find(c.message), std::string::npos) << err;
    }
    EXPECT_FALSE(std::filesystem::exists(path("a.txt")));
}

TEST_F(EEPromCommands, AnEmptySocketOrAMissingFileExitsWithOne) {
    EXPECT_EQ(cli("-d 24C02 read " + path("out.bin"), "KORVANE_SIM=empty"), 1);
    EXPECT_NE(err.find(" ERROR!: EEProm No Acknowledge Received"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(path("out.bin")));
    EXPECT_EQ(cli("-d 24C02 verify " + path("missing.bin")), 1);
    EXPECT_NE(err.find("EEProm 24C02 ERROR!: Invalid File Name"), std::string::npos) << err;
}

TEST_F(EEPromCommands, A24C512BinProgramsReadsBackAndAChangedByteFailsTheVerify) {
    std::string bytes(65536, '\0');
    std::mt19937 rng(512);
    for (char& c : bytes) c = char(rng());
    write_file(path("in.bin"), bytes);
    ASSERT_EQ(cli("-d 24C512 program --verify-after " + path("in.bin")), 0) << err;
    EXPECT_NE(err.find(" EEProm: EEProm Write Successfully Completed"), std::string::npos) << err;

    ASSERT_EQ(cli("-d 24c512 read " + path("back.bin")), 0) << err;
    EXPECT_NE(err.find("EEProm 24C512: read into "), std::string::npos) << err;
    EXPECT_TRUE(read_file(path("back.bin")) == bytes);
    ASSERT_EQ(cli("-d 24C512 read " + path("back.hex")), 0) << err;
    ASSERT_EQ(cli("-d 24C512 verify " + path("back.hex")), 0) << err;
    EXPECT_NE(err.find("EEProm Verify Successfully Completed"), std::string::npos) << err;

    bytes[0x1234] = char(bytes[0x1234] ^ 0x40);
    write_file(path("changed.bin"), bytes);
    EXPECT_EQ(cli("-d 24C512 verify " + path("changed.bin")), 1);
    EXPECT_NE(err.find(" ERROR!: EEProm Verify Not Successfull; Fail Address = 1234h"), std::string::npos) << err;

    ASSERT_EQ(cli("-d 24C512 erase"), 0) << err;
    EXPECT_NE(err.find("EEProm Erase Successfully Completed"), std::string::npos) << err;
}

// Ctrl-C or SIGTERM: the task ends through its end steps and the next run works. Real time: the
// write cycles alone take over a second, the signal comes after half a second.
TEST_F(EEPromCommands, InterruptOrSigtermAbortsTheTaskAndTheNextRunWorks) {
    write_file(path("in.bin"), std::string(8192, '\x33'));
    for (const char* signal : {"INT", "TERM"}) {
        SCOPED_TRACE(signal);
        EXPECT_EQ(interrupted("-d 24C64 program --verify-after " + shell_quote(path("in.bin")), signal), 1);
        EXPECT_NE(err.find("EEProm 24C64: Process Aborted"), std::string::npos) << err;
        EXPECT_EQ(err.find("Successfully"), std::string::npos) << err;
        EXPECT_EQ(cli("-d 24C64 read " + path("out.bin")), 0) << err;
    }
}

} // namespace
} // namespace korvane
