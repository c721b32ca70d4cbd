// The card link over the POSIX serial backend, down to the system calls: the reader's termios
// (any rate through termios2 with BOTHER, 8 data bits, even parity, 2 stop bits, no handshake),
// the reset pulse, the time-outs and the restored settings, with the scripted card behind a fake
// tty instead of a device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "card_rig.h"
#include "hardware/fake_serial_syscalls.h"
#include "hardware/posix/posix_serial.h"

namespace korvane {
namespace {

using ::testing::ElementsAre;
using ::testing::IsSupersetOf;
using test::CardRig;
using Lines = std::vector<std::vector<std::string>>;

// A tty whose other end is the scripted card: modem lines, purge, reads and writes reach it.
class CardTty : public posix::FakeSyscalls {
public:
    test::FakeCard card;
    std::unique_ptr<test::FakeReaderPort> port = std::make_unique<test::FakeReaderPort>(card);

    int ioctl_int(int fd, unsigned long request, int* arg) override {
        if ((request == TIOCMBIS || request == TIOCMBIC) && (*arg & TIOCM_RTS)) port->set_rts(request == TIOCMBIS);
        if ((request == TIOCMBIS || request == TIOCMBIC) && (*arg & TIOCM_DTR)) port->set_dtr(request == TIOCMBIS);
        return FakeSyscalls::ioctl_int(fd, request, arg);
    }
    int tcflush(int fd, int queue) override {
        port->purge();
        return FakeSyscalls::tcflush(fd, queue);
    }
    int poll(int fd, short events, int timeout_ms) override {
        FakeSyscalls::poll(fd, events, timeout_ms);
        return events == POLLOUT || port->available() ? 1 : 0;
    }
    long read(int, void* buf, std::size_t n) override {
        calls.push_back("read");
        return long(port->read(static_cast<std::uint8_t*>(buf), n));
    }
    long write(int, const void* buf, std::size_t n) override {
        calls.push_back("write " + std::to_string(n));
        return long(port->write(static_cast<const std::uint8_t*>(buf), n));
    }
};

class CardOverPosix : public ::testing::Test {
protected:
    CardOverPosix() : rig(4) {
        rig.resolver.register_endpoint("COM2", Endpoint{&system, nullptr, &rig.clock, false, "/dev/fake-reader"});
        tty.card.memory.assign(2048, 0xFF);
    }
    // The waits of the polls for input, in call order.
    std::vector<int> input_waits() const {
        std::vector<int> waits;
        for (const std::string& c : tty.calls)
            if (c.rfind("poll IN ", 0) == 0) waits.push_back(std::stoi(c.substr(8)));
        return waits;
    }

    CardRig rig;
    CardTty tty;
    posix::PosixSerialSystem system{tty};
};

TEST_F(CardOverPosix, ProgramsAndVerifiesAtEitherClock) {
    if (!posix::kHaveTermios2) GTEST_SKIP() << "no termios2 here";
    for (int clock : {0, 1}) {
        SCOPED_TRACE(clock);
        rig.settings.card_reader_clock = std::uint8_t(clock);
        rig.host.boxes.clear();
        tty.calls.clear();
        tty.t2 = {};
        tty.t2.cflag = B38400 | CRTSCTS | CS7 | PARODD | HUPCL;   // what another program left
        tty.t2.iflag = IXON | IXOFF | ICRNL;
        tty.t2.lflag = ICANON | ECHO | ISIG;
        tty.attrs.c_cflag = B38400 | CS7;
        rig.fill_image();
        ASSERT_EQ(rig.runner.run(CardTask::Program, *rig.image), CardTaskResult::Done);
        EXPECT_EQ(rig.boxes(), (Lines{{" EEProm", "EEProm Write Through", "Successfully Completed"}}));
        EXPECT_EQ(tty.card.memory, rig.image_bytes());

        posix::expect_raw_8e2(tty.t2, clock ? 16457 : 9600);

        // Opened exclusively and blocking, set, purged; each routine resets the card the same way.
        ASSERT_GE(tty.calls.size(), 13u);
        EXPECT_THAT(std::vector<std::string>(tty.calls.begin(), tty.calls.begin() + 13),
                    ElementsAre("open /dev/fake-reader RDWR NOCTTY NONBLOCK", "TIOCEXCL", "tcgetattr", "F_GETFL",
                                "F_SETFL", "TCGETS2", "TCSETS2", "tcflush TCIOFLUSH", "tcflush TCIOFLUSH",
                                "TIOCMBIS RTS", "TIOCMBIS DTR", "TIOCMBIC RTS", "TIOCMBIS DTR"));
        EXPECT_EQ(std::count(tty.calls.begin(), tty.calls.end(), "TIOCEXCL"), 2) << "the write, then the verify";
        // The port goes back as it was found, then is released.
        EXPECT_THAT(std::vector<std::string>(tty.calls.end() - 3, tty.calls.end()),
                    ElementsAre("tcsetattr TCSANOW", "TIOCNXCL", "close 7"));
        EXPECT_EQ(tty.attrs.c_cflag, tcflag_t(B38400 | CS7));

        // The answer to reset is one read of 16 (180 ms in all), once per routine; a byte read
        // waits 30 ms at most, 10 ms for each byte after the first.
        const std::vector<int> waits = input_waits();
        ASSERT_FALSE(waits.empty());
        EXPECT_GT(waits[0], 170);
        EXPECT_LE(waits[0], 180);
        EXPECT_EQ(std::count_if(waits.begin(), waits.end(), [](int w) { return w > 30; }), 2);
        EXPECT_GT(std::count_if(waits.begin(), waits.end(), [](int w) { return w > 10 && w <= 30; }), 1000)
            << "the single byte reads";
    }
}

TEST_F(CardOverPosix, APortThatWillNotOpenOrTakeTheSettings) {
    struct Case {
        const char* what;
        int open_errno, excl_errno, termios2_errno;
    };
    const Case cases[] = {{"missing", ENOENT, 0, 0},
                          {"no permission", EACCES, 0, 0},
                          {"in use", 0, EBUSY, 0},
                          {"rate refused", 0, 0, EINVAL}};
    for (const Case& c : cases) {
        if (c.termios2_errno && !posix::kHaveTermios2) continue;
        SCOPED_TRACE(c.what);
        rig.host.boxes.clear();
        tty.calls.clear();
        tty.open_errno = c.open_errno;
        tty.excl_errno = c.excl_errno;
        tty.termios2_errno = c.termios2_errno;
        EXPECT_EQ(rig.runner.run(CardTask::Verify, *rig.image), CardTaskResult::Failed);
        EXPECT_EQ(rig.boxes(), (Lines{{" ERROR!", "Unable To Open COM2"}}));
        EXPECT_EQ(std::count(tty.calls.begin(), tty.calls.end(), "TIOCMBIS RTS"), 0) << "no reset pulse";
        const bool opened = c.open_errno == 0;
        EXPECT_EQ(tty.closed, opened ? 1 : 0) << "what was opened is closed again";
        if (c.termios2_errno) {
            EXPECT_THAT(tty.calls, IsSupersetOf({"tcsetattr TCSANOW", "TIOCNXCL"}));
        }
        tty.closed = 0;
    }
}

} // namespace
} // namespace korvane
