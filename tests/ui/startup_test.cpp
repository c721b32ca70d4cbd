#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QToolButton>

#include "hardware/port_io.h"
#include "ui/mem_grid.h"
#include "ui/startup.h"
#include "ui_fixture.h"

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

class RecordingHost : public IHost {
public:
    int message_box(const std::vector<std::string>& lines, MsgKind, const std::vector<int>&) override {
        shown.push_back(lines);
        return mbOK;
    }
    void set_status_text(int, const std::string&) override {}
    std::vector<std::vector<std::string>> shown;
};

TEST(Startup, MissingPortAccessIsReportedOnceAndSwitchesToSerialCalls) {
    SettingsRecord s{};
    apply_settings_defaults(s, "/tmp/");
    RecordingHost host;
    FakePorts none(false);
    EXPECT_TRUE(check_direct_io(s, host, none));
    ASSERT_EQ(host.shown.size(), 1u);
    EXPECT_EQ(host.shown[0], (std::vector<std::string>{" ERROR!", "Could not start Direct I/O Driver!",
                                                       "Operation not permitted", "Switching to Windows API"}));
    EXPECT_EQ(s.current_programmer().direct_io, 0);
    EXPECT_FALSE(none.direct());
    // The next start finds the flag cleared and stays silent.
    EXPECT_FALSE(check_direct_io(s, host, none));
    EXPECT_EQ(host.shown.size(), 1u);
    // With port access there is nothing to say.
    SettingsRecord t{};
    apply_settings_defaults(t, "/tmp/");
    FakePorts ready(true);
    EXPECT_FALSE(check_direct_io(t, host, ready));
    EXPECT_EQ(t.current_programmer().direct_io, 1);
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

    window->btnPICProgramming->click();
    EXPECT_FALSE(window->assembler_view());
    EXPECT_FALSE(window->AssemblerWin->isVisibleTo(window.get()));
    EXPECT_TRUE(window->btnReadAll->isVisibleTo(window.get()));
    EXPECT_TRUE(window->OpenFile->isEnabled());
}

} // namespace
} // namespace korvane::test
