#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QToolButton>

#include "hardware/micro_timers.h"
#include "hardware/port_io.h"
#include "ui/mem_grid.h"
#include "ui/startup.h"
#include "ui_fixture.h"
#include "common/recording_host.h"

namespace korvane::test {
namespace {

class FakePorts : public IPortIO {
public:
    explicit FakePorts(bool ready) : ready_(ready) {}
    std::uint8_t read_byte(std::uint16_t) override { return 0; }
    void write_byte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t read_word(std::uint16_t) override { return 0; }
    void write_word(std::uint16_t, std::uint16_t) override {}
    bool driver_ready() const override { return ready_ && direct_; }
    bool direct() const override { return direct_; }
    void enable_direct(bool on) override { direct_ = on; }
    std::string last_error() const override { return ready_ ? "" : "Operation not permitted"; }

private:
    bool ready_;
    bool direct_ = false;
};

using test::RecordingHost;

// Each time-stamp read is one microsecond later (at 100 ticks a microsecond).
class SteppingClock : public IClock {
public:
    std::uint64_t now_us() override { return ticks_ / 100; }
    void busy_wait_us(std::uint32_t n) override { ticks_ += 100ull * n; }
    void sleep_ms(std::uint32_t n) override { ticks_ += 100000ull * n; }
    std::uint64_t timestamp() override { return ticks_ += 100; }

private:
    std::uint64_t ticks_ = 0;
};

// One start-up port check: port access granted or not, Direct I/O asked for or not.
struct PortCheck {
    PortCheck(bool ports_ready, bool wants_direct_io) : ports(ports_ready) {
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().direct_io = wants_direct_io ? 1 : 0;
    }
    bool run() { return check_direct_io(settings, host, timers); }
    SettingsRecord settings{};
    FakePorts ports;
    SteppingClock clock;
    CpuFigure figure{[] { return std::optional<double>(100.0); }};
    MicroTimers timers{clock, ports, figure};
    RecordingHost host;
};

TEST(Startup, MissingPortAccessIsReportedOnceAndSwitchesToSerialCalls) {
    PortCheck none(false, true);
    EXPECT_TRUE(none.run());
    ASSERT_EQ(none.host.boxes.size(), 1u);
    EXPECT_EQ(none.host.boxes[0].lines, (std::vector<std::string>{" ERROR!", "Could not start Direct I/O Driver!",
                                                            "Operation not permitted", "Switching to Windows API"}));
    EXPECT_EQ(none.settings.current_programmer().direct_io, 0);
    EXPECT_FALSE(none.ports.direct());
    EXPECT_GT(none.timers.loops_per_us(), 0u);   // the loop delay was calibrated
    // The next start finds the flag cleared and stays silent.
    EXPECT_FALSE(none.run());
    EXPECT_EQ(none.host.boxes.size(), 1u);
}

TEST(Startup, PortAccessIsAskedForWhateverTheProgrammerUses) {
    // The PC timer waits use port access even when the programmer uses the serial calls.
    PortCheck serial_calls(true, false);
    EXPECT_FALSE(serial_calls.run());
    EXPECT_TRUE(serial_calls.ports.driver_ready());
    EXPECT_EQ(serial_calls.settings.current_programmer().direct_io, 0);
    EXPECT_EQ(serial_calls.timers.loops_per_us(), 0u);

    PortCheck direct(true, true);
    EXPECT_FALSE(direct.run());
    EXPECT_TRUE(direct.ports.driver_ready());
    EXPECT_EQ(direct.settings.current_programmer().direct_io, 1);
    EXPECT_TRUE(direct.host.boxes.empty());

    // Refused and not asked for: silent, but the loop delay is calibrated all the same.
    PortCheck refused(false, false);
    EXPECT_FALSE(refused.run());
    EXPECT_TRUE(refused.host.boxes.empty());
    EXPECT_GT(refused.timers.loops_per_us(), 0u);
}

TEST(Startup, GridFontIsRegisteredFromMemory) {
    EXPECT_TRUE(QFontDatabase::hasFamily("IBMPC"));
    QFont f("IBMPC");
    f.setPointSize(9);
    f.setBold(true);
    EXPECT_TRUE(QFontInfo(f).fixedPitch());
    EXPECT_EQ(QFontInfo(f).family(), "IBMPC");
}

using StartWindow = WindowTest;

TEST_F(StartWindow, GridsDrawWithIbmpcAndNothingLandsInTheCurrentDirectory) {
    EXPECT_EQ(window->CodeWin->font().family(), "IBMPC");
    EXPECT_EQ(window->CodeWin->font().pointSize(), 9);
    EXPECT_TRUE(window->CodeWin->font().bold());
    EXPECT_EQ(window->EEPromWin->font().pointSize(), 8);
    EXPECT_FALSE(std::filesystem::exists("IBMPC.FON"));
    EXPECT_FALSE(std::filesystem::exists("Korvane.INI"));
}

TEST_F(StartWindow, AssemblerViewListsAndSavesAndThePicButtonTakesItAway) {
    window->btnAssembView->click();
    EXPECT_TRUE(window->assembler_view());
    EXPECT_TRUE(window->AssemblerWin->isVisibleTo(window.get()));
    EXPECT_FALSE(window->btnReadAll->isVisibleTo(window.get()));
    EXPECT_FALSE(window->OpenFile->isEnabled());
    EXPECT_FALSE(window->AssemblerWin->toPlainText().isEmpty());

    TempDir dir;
    next_file = QString::fromStdString((dir.path() / "listing").string());
    window->SaveFileAs->trigger();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].default_suffix, "asm");
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "listing.asm"));
    const std::string text = read_file(dir.path() / "listing.asm");
    EXPECT_NE(text.find("\r\n"), std::string::npos);

    // A listing that cannot be written is reported, not passed over.
    next_file = QString::fromStdString((dir.path() / "missing-dir" / "listing").string());
    window->SaveFileAs->trigger();
    EXPECT_EQ(count_boxes("Couldn't Write File"), 1);

    window->btnPICProgramming->click();
    EXPECT_FALSE(window->assembler_view());
    EXPECT_FALSE(window->AssemblerWin->isVisibleTo(window.get()));
    EXPECT_TRUE(window->btnReadAll->isVisibleTo(window.get()));
    EXPECT_TRUE(window->OpenFile->isEnabled());
}

} // namespace
} // namespace korvane::test
