#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>

#include "hardware/fake_serial_syscalls.h"
#include "hardware/posix/posix_serial.h"

namespace korvane::posix {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class PosixSerial : public ::testing::Test {
protected:
    std::unique_ptr<ISerialPort> open_port() {
        std::string error;
        auto port = system.open("/dev/fake-serial0", error);
        EXPECT_TRUE(port) << error;
        sys.calls.clear();
        return port;
    }
    FakeSyscalls sys;
    PosixSerialSystem system{sys};
};

TEST_F(PosixSerial, OpensExclusivelyThenBlocking) {
    sys.attrs.c_cflag = B9600 | CS7;
    std::string error;
    auto port = system.open("/dev/fake-serial0", error);
    ASSERT_TRUE(port);
    EXPECT_THAT(sys.calls, ElementsAre("open /dev/fake-serial0 RDWR NOCTTY NONBLOCK", "TIOCEXCL", "tcgetattr",
                                       "F_GETFL", "F_SETFL"));
}

TEST_F(PosixSerial, FailuresGiveTheSystemTextAndLeaveNothingOpen) {
    std::string error;
    sys.open_errno = EACCES;
    EXPECT_FALSE(system.open("/dev/fake-serial0", error));
    EXPECT_THAT(error, HasSubstr(std::strerror(EACCES)));
    EXPECT_THAT(error, HasSubstr("dialout"));   // the group that grants access
    sys.open_errno = ENOENT;
    for (const char* path : {"/dev/fake-serial0", ""}) {
        EXPECT_FALSE(system.open(path, error));
        EXPECT_EQ(error, std::strerror(ENOENT)) << path;
    }
    EXPECT_EQ(sys.closed, 0);
    sys.open_errno = 0;
    sys.excl_errno = EBUSY;   // in use by another program
    EXPECT_FALSE(system.open("/dev/fake-serial0", error));
    EXPECT_EQ(error, std::strerror(EBUSY));
    EXPECT_EQ(sys.closed, 1);
}

TEST_F(PosixSerial, OneCallPerLineChange) {
    auto port = open_port();
    EXPECT_TRUE(port->set_dtr(true));
    EXPECT_TRUE(port->set_rts(true));
    EXPECT_TRUE(port->set_dtr(false));
    EXPECT_TRUE(port->set_break(true));
    EXPECT_TRUE(port->set_break(false));
    EXPECT_THAT(sys.calls, ElementsAre("TIOCMBIS DTR", "TIOCMBIS RTS", "TIOCMBIC DTR", "TIOCSBRK", "TIOCCBRK"));
    EXPECT_EQ(sys.modem_bits, TIOCM_RTS);
}

TEST_F(PosixSerial, ClearToSendFromTheModemStatus) {
    auto port = open_port();
    sys.modem_bits = TIOCM_CTS | TIOCM_DSR;
    EXPECT_TRUE(port->cts());
    sys.modem_bits = TIOCM_DSR | TIOCM_CD;
    EXPECT_FALSE(port->cts());
    EXPECT_TRUE(port->purge());
    EXPECT_THAT(sys.calls, ElementsAre("TIOCMGET", "TIOCMGET", "tcflush TCIOFLUSH"));
}

TEST_F(PosixSerial, AnyIntegerRateThroughTermios2) {
    if (!kHaveTermios2) GTEST_SKIP() << "no termios2 here";
    auto port = open_port();
    sys.t2.cflag = B9600 | CRTSCTS | CS7 | PARODD | HUPCL;
    sys.t2.iflag = IXON | IXOFF | ICRNL;
    sys.t2.lflag = ICANON | ECHO | ISIG;
    SerialSettings s;
    s.baud = 16457;
    s.data_bits = 8;
    s.parity = Parity::Even;
    s.stop_bits = 2;
    ASSERT_TRUE(port->configure(s));
    EXPECT_THAT(sys.calls, ElementsAre("TCGETS2", "TCSETS2"));
    expect_raw_8e2(sys.t2, 16457);
    EXPECT_TRUE(sys.t2.cflag & HUPCL) << "untouched bits stay";

    s.baud = 115200;
    s.parity = Parity::None;
    s.stop_bits = 1;
    ASSERT_TRUE(port->configure(s));
    EXPECT_FALSE(sys.t2.cflag & (PARENB | CSTOPB));
    EXPECT_EQ(sys.t2.ospeed, 115200u);
}

TEST_F(PosixSerial, SavedSettingsComeBackOnRestoreAndOnClose) {
    auto untouched = open_port();
    untouched.reset();
    EXPECT_THAT(sys.calls, ElementsAre("TIOCNXCL", "close 7")) << "nothing changed: only released";

    sys.attrs.c_cflag = B9600 | CS7 | CRTSCTS;
    auto port = open_port();
    sys.attrs.c_cflag = 0;   // as if something changed them
    EXPECT_TRUE(port->restore_saved_settings());
    EXPECT_EQ(sys.attrs.c_cflag, tcflag_t(B9600 | CS7 | CRTSCTS));
    port->configure(SerialSettings{});
    sys.calls.clear();
    port.reset();
    EXPECT_THAT(sys.calls, ElementsAre("tcsetattr TCSANOW", "TIOCNXCL", "close 7"));
}

TEST_F(PosixSerial, ReadsWithTimeouts) {
    auto port = open_port();
    std::uint8_t buf[8] = {};
    // Both time-outs 0: what is already there, without waiting.
    sys.input = {"ab"};
    EXPECT_EQ(port->read(buf, 8), 2u);
    EXPECT_THAT(sys.calls, ElementsAre("poll IN 0", "read", "poll IN 0"));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 2), "ab");

    // A total time-out bounds the whole read; a silent port returns what came.
    port->set_timeouts(SerialTimeouts{0, 500, 0});
    sys.calls.clear();
    sys.input = {"x", "yz"};
    EXPECT_EQ(port->read(buf, 8), 3u);
    ASSERT_EQ(sys.calls.size(), 5u);
    EXPECT_EQ(sys.calls[4].rfind("poll IN ", 0), 0u);

    // An interval alone also bounds the wait for the first byte.
    port->set_timeouts(SerialTimeouts{20, 0, 0});
    sys.calls.clear();
    sys.input.clear();
    EXPECT_EQ(port->read(buf, 8), 0u);
    EXPECT_THAT(sys.calls, ElementsAre("poll IN 20"));

    // Enough bytes end the read at once.
    sys.calls.clear();
    sys.input = {"0123456789"};
    EXPECT_EQ(port->read(buf, 4), 4u);
    EXPECT_THAT(sys.calls, ElementsAre("poll IN 20", "read"));
    EXPECT_EQ(port->available(), 6u);
}

TEST_F(PosixSerial, CardReaderTimeoutsBoundTheGapBetweenBytes) {
    // The card link's read of 16: 10 ms between bytes, 180 ms for the whole read.
    auto port = open_port();
    port->set_timeouts(SerialTimeouts{10, 180, 0});
    sys.input = {"a", "b"};
    std::uint8_t buf[16] = {};
    EXPECT_EQ(port->read(buf, 16), 2u);
    ASSERT_EQ(sys.calls.size(), 5u);
    const int first_wait = std::stoi(sys.calls[0].substr(8));
    EXPECT_GT(first_wait, 10) << "the first byte may take the whole total";
    EXPECT_THAT(std::vector<std::string>(sys.calls.begin() + 1, sys.calls.end()),
                ElementsAre("read", "poll IN 10", "read", "poll IN 10"));
}

TEST_F(PosixSerial, WritesEverything) {
    auto port = open_port();
    const std::uint8_t data[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(port->write(data, 5), 5u);
    EXPECT_THAT(sys.calls, ElementsAre("poll OUT -1", "write 5"));
}

} // namespace
} // namespace korvane::posix
