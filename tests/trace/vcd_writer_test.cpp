#include <gtest/gtest.h>

#include "common/test_env.h"
#include "trace/line_recorder.h"

using namespace korvane::trace;
using korvane::test::read_file;

TEST(VcdWriter, HeaderGroupsScopesAndWritesChangesInTimeOrder) {
    korvane::test::TempDir dir;
    VcdWriter w;
    const int a = w.declare("host", "DTR");
    const int b = w.declare("sim", "PGD");
    const int c = w.declare("host", "RTS");
    ASSERT_TRUE(w.begin(dir.path() / "t.vcd"));
    w.change(a, true, 0);
    w.change(c, false, 0);
    w.change(b, true, 1500);
    w.change(a, false, 1000);   // earlier than the last instant: taken as that instant
    ASSERT_TRUE(w.finish());
    EXPECT_EQ(read_file(dir.path() / "t.vcd"),
              "$version Korvane line trace $end\n$timescale 1 ns $end\n"
              "$scope module host $end\n$var wire 1 ! DTR $end\n$var wire 1 # RTS $end\n$upscope $end\n"
              "$scope module sim $end\n$var wire 1 \" PGD $end\n$upscope $end\n"
              "$enddefinitions $end\n#0\n1!\n0#\n#1500\n1\"\n0!\n");
}

TEST(VcdWriter, UnwritableFileIsAnErrorWithTheName) {
    VcdWriter w;
    w.declare("host", "DTR");
    EXPECT_FALSE(w.begin("/nonexistent-dir/t.vcd"));
    EXPECT_NE(w.error().find("/nonexistent-dir/t.vcd"), std::string::npos);
}

TEST(LineRecorder, WritesOnlyChangesOfDeclaredGroupsFromTheFirstChange) {
    korvane::test::TempDir dir;
    LineRecorder& r = LineRecorder::instance();
    ASSERT_TRUE(r.start(dir.path() / "r.vcd", {Group::HostPort}));
    record_line(Line::Dtr, true, [] { return 5000u; });
    r.set(Line::Dtr, true, 6000);        // no change
    r.set(Line::Clock, true, 6000);      // group not declared
    r.sample_cts(false, 7000);
    r.sample_cts(false, 8000);           // same level: only the sample toggle
    EXPECT_EQ(r.changes(), 4u);
    ASSERT_TRUE(r.stop());
    EXPECT_FALSE(r.on());
    const std::string text = read_file(dir.path() / "r.vcd");
    EXPECT_EQ(text.find("CLOCK"), std::string::npos);
    EXPECT_NE(text.find("$enddefinitions $end\n#0\n1!\n#2000\n0$\n1%\n#3000\n0%\n"), std::string::npos) << text;
    record_line(Line::Dtr, false, []() -> std::uint64_t { ADD_FAILURE() << "clock read while off"; return 0; });
}
