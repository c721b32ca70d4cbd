// The hardware-check page's line work on the simulated JDM board.
#include <gtest/gtest.h>

#include "app/hardware_check.h"
#include "sim/sim_bench.h"

namespace korvane {
namespace {

class Boxes : public IHost {
public:
    int message_box(const std::vector<std::string>& lines, MsgKind, const std::vector<int>&) override {
        shown.push_back(lines);
        return mbOK;
    }
    void set_status_text(int, const std::string&) override {}
    std::vector<std::vector<std::string>> shown;
};

class HardwareCheckOnSim : public ::testing::TestWithParam<bool> {   // Direct I/O or serial calls
protected:
    HardwareCheckOnSim() {
        bench().reset_from_env();
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.current_programmer().direct_io = GetParam() ? 1 : 0;
    }
    static sim::SimBench& bench() { return sim::SimBench::instance(); }
    SettingsRecord settings{};
    Boxes host;
    PortResolver resolver;
};

TEST_P(HardwareCheckOnSim, DataInEchoesDataOutWhileNoChipDrivesTheLine) {
    HardwareCheck check(settings, host, resolver, false);
    EXPECT_TRUE(check.enter(true, false, false));
    EXPECT_TRUE(bench().sim_serial().is_open());
    EXPECT_TRUE(bench().board().dtr());
    EXPECT_FALSE(bench().board().rts());
    EXPECT_FALSE(check.set_data_out(false));
    EXPECT_FALSE(bench().board().dtr());
    check.set_clock(true);
    EXPECT_TRUE(bench().board().rts());
    check.set_mclr(true);
    EXPECT_TRUE(bench().board().brk());
    check.set_mclr(false);
    EXPECT_FALSE(bench().board().brk());
    check.leave();
    EXPECT_FALSE(bench().sim_serial().is_open());
    EXPECT_TRUE(host.shown.empty());
}

TEST_P(HardwareCheckOnSim, TheInversionsMakeTheBoxesLogicalLevels) {
    ProgrammerParams& p = settings.current_programmer();
    p.invert_data_out = 1;
    p.invert_clock = 1;
    p.invert_mclr = 1;
    HardwareCheck check(settings, host, resolver, false);
    // Enable Data Out with the output inverted: DTR low, and CTS reads that low back.
    EXPECT_FALSE(check.enter(true, true, true));
    EXPECT_FALSE(bench().board().dtr());
    EXPECT_FALSE(bench().board().rts());
    EXPECT_FALSE(bench().board().brk());
    p.invert_data_in = 1;
    EXPECT_TRUE(check.set_data_out(true));
    check.leave();
}

TEST_P(HardwareCheckOnSim, InEEPromLineModeTheOutputInversionsAreIgnored) {
    settings.current_programmer().invert_data_out = 1;
    HardwareCheck check(settings, host, resolver, true);
    EXPECT_TRUE(check.enter(true, false, false));
    EXPECT_TRUE(bench().board().dtr());
    check.leave();
}

INSTANTIATE_TEST_SUITE_P(Backends, HardwareCheckOnSim, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "DirectIO" : "SerialCalls"; });

TEST(HardwareCheck, APortThatDoesNotOpenIsReportedOnceAndTheBoxesDoNothing) {
    SettingsRecord settings{};
    apply_settings_defaults(settings, "/tmp/");
    settings.current_programmer().port_name.assign("SIM");
    settings.current_programmer().direct_io = 0;
    sim::SimBench::instance().reset_from_env();
    PortResolver resolver;
    Boxes other, host;
    HardwareCheck holder(settings, other, resolver, false);
    holder.enter(false, false, false);   // another user of the port
    HardwareCheck check(settings, host, resolver, false);
    check.enter(true, true, true);
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0].at(1), "Couldn't get a handle to the COM port");
    EXPECT_FALSE(check.is_open());
    EXPECT_FALSE(check.set_data_out(true));
    holder.leave();
}

} // namespace
} // namespace korvane
