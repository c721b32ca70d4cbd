// korvane-cli compare, run as the user runs it.
#include <gtest/gtest.h>

#include "cli_runner.h"

using namespace korvane;
using korvane::test::CliRun;

namespace {

using CompareCli = test::CliFiles;

TEST_F(CompareCli, PicRowsWithDifferencesAndTheirCount) {
    // Word 0 = 0x2805 in A; in B word 0 = 0x0805 (high byte only) and word 9 = 0x0000.
    test::write_file(path("a.hex"), ":020000000528D1\r\n:00000001FF\r\n");
    test::write_file(path("b.hex"), ":020000000508F1\r\n:020012000000EC\r\n:00000001FF\r\n");
    const CliRun r = cli("-d 16F84 compare " + q("a.hex") + " " + q("b.hex"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "A 0000 2805 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  (.?.?.?.?.?.?.?.\n"
              "B 0000 0805 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  ..?.?.?.?.?.?.?.\n"
              "A 0008 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  ?.?.?.?.?.?.?.?.\n"
              "B 0008 3FFF 0000 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF  ?...?.?.?.?.?.?.\n"
              "2 differences\n");
}

TEST_F(CompareCli, IdenticalImagesSaySoInTheWindowsWords) {
    test::write_file(path("a.hex"), ":020000000528D1\r\n:00000001FF\r\n");
    const CliRun r = cli("-d 16F84 compare " + q("a.hex") + " " + q("a.hex"));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, " Compare Buffers: No differencies found!\n");
}

TEST_F(CompareCli, EEPromImagesUpToTheLastAddress) {
    std::string a(65536, '\xFF'), b = a;
    b[0xFFF3] = 'Z';
    test::write_file(path("a.bin"), a);
    test::write_file(path("b.bin"), b);
    CliRun r = cli("-d 24C512 compare " + q("a.bin") + " " + q("b.bin"));
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_EQ(r.out,
              "A 00FFF0 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF  ................\n"
              "B 00FFF0 FF FF FF 5A FF FF FF FF FF FF FF FF FF FF FF FF  ...Z............\n"
              "1 difference\n");
    // A 24C16 holds 2048 bytes: the difference lies beyond it.
    r = cli("-d 24C16 compare " + q("a.bin") + " " + q("b.bin"));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, " Compare Buffers: No differencies found!\n");
}

TEST_F(CompareCli, UnreadableFilesAndUsage) {
    test::write_file(path("a.hex"), ":00000001FF\r\n");
    CliRun r = cli("-d 16F84 compare " + q("a.hex") + " " + q("missing.hex"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "PIC 16F84   ERROR!: Invalid File Name\n");
    EXPECT_EQ(r.out, "");
    r = cli("compare " + q("a.hex"));
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("usage: korvane-cli [options] compare A B"), std::string::npos) << r.err;
}

} // namespace
