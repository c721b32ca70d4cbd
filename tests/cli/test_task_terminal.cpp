// korvane-cli task commands as a terminal user meets them: the progress bar on a terminal's stderr,
// and the card loader aborted by signal.
#include <gtest/gtest.h>

#if __has_include("sim/sim_bench.h")

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "buffers/pic_buffers.h"
#include "cli_runner.h"
#include "files/pic_hex_writer.h"

namespace korvane::test {
namespace {

// A pseudo-terminal in raw mode (no CR added to LF); `name` is the path of its terminal side.
class RawTerminal {
public:
    RawTerminal() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        name = ::ptsname(master_);
        // Held open here, so the terminal side never hangs up between runs.
        slave_ = ::open(name.c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        if (slave_ < 0 || ::tcgetattr(slave_, &t) != 0) return;
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
    }
    ~RawTerminal() {
        if (slave_ >= 0) ::close(slave_);
        if (master_ >= 0) ::close(master_);
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;
    bool ok() const { return slave_ >= 0; }

    // Runs the shell line with stderr on the terminal; `shown` gets what was written there.
    int run(const std::string& cmd, std::string& shown) {
        shown.clear();
        std::atomic<bool> done{false};
        std::thread reader([&] {
            char buf[4096];
            for (;;) {
                pollfd p{master_, POLLIN, 0};
                if (::poll(&p, 1, 50) > 0) {
                    const ssize_t n = ::read(master_, buf, sizeof buf);
                    if (n > 0) { shown.append(buf, std::size_t(n)); continue; }
                }
                if (done) break;   // the command has ended and nothing more came within 50 ms
            }
        });
        const int rc = std::system((cmd + " 2>" + shell_quote(name)).c_str());
        done = true;
        reader.join();
        return rc;
    }

    std::string name;

private:
    int master_ = -1, slave_ = -1;
};

class TaskTerminal : public SimCli {
protected:
    // The shell line for the terminal, on the virtual clock.
    std::string command(const std::string& args) const {
        return env() + " " + shell_quote(KORVANE_CLI_PATH) + " " + args;
    }
};

const std::string kFullBar = "\r[" + std::string(40, '#') + "] 100%";
const std::string kClearLine = "\r\033[K";

TEST_F(TaskTerminal, TheBarFillsAndIsClearedBeforeTheClosingMessage) {
    RawTerminal term;
    ASSERT_TRUE(term.ok());
    auto image = std::make_unique<PicImage>();
    clear_pic_image(*image, 0);
    for (int i = 0; i < 64; ++i) image->code[std::size_t(i)] = std::uint16_t(i);
    write_file(path("in.hex"), pic_hex_text(*image, 0));
    std::string shown;
    EXPECT_EQ(term.run(command("-d 16F84 program " + shell_quote(path("in.hex"))), shown), 0) << shown;
    EXPECT_NE(shown.find("\r[" + std::string(40, '.') + "]   0%"), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r[" + std::string(20, '#') + std::string(20, '.') + "]  50%"), std::string::npos) << shown;
    EXPECT_NE(shown.find("%" + kClearLine + "PIC 16F84  : PIC Programming"), std::string::npos) << shown;

    write_file(path("in.bin"), std::string(2048, 'k'));
    EXPECT_EQ(term.run(command("-d 24C16 program " + shell_quote(path("in.bin"))), shown), 0) << shown;
    EXPECT_NE(shown.find(kFullBar + kClearLine), std::string::npos) << shown;
    EXPECT_NE(shown.find("EEProm Write Successfully Completed"), std::string::npos) << shown;

    // Not on a terminal: no bar at all.
    EXPECT_EQ(cli("-d 24C16 verify " + shell_quote(path("in.bin"))), 0) << err;
    EXPECT_EQ(err.find('['), std::string::npos) << err;
}

// SIGTERM too: killed half-way, the card would be left with part of a loader and its PIC powered.
TEST_F(TaskTerminal, CtrlCOrSigtermAbortsTheCardLoaderWhichThenWritesInAnotherRun) {
    for (const char* signal : {"INT", "TERM"}) {
        EXPECT_EQ(interrupted("card goldcard loader", signal), 1) << signal;
        EXPECT_NE(err.find("Process Aborted"), std::string::npos) << err;
        EXPECT_EQ(err.find("loader written"), std::string::npos) << err;
        ASSERT_EQ(cli("card goldcard loader"), 0) << err;
        EXPECT_NE(err.find(": loader written"), std::string::npos) << err;
    }
}

} // namespace
} // namespace korvane::test
#endif
