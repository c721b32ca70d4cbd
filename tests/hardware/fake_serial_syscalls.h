#pragma once
// The serial system calls as a recording fake: every call as text, and a tiny tty behind them.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <gtest/gtest.h>

#include "hardware/posix/serial_syscalls.h"

namespace korvane::posix {

// Records every system call as text and plays a tiny tty: modem bits, pending input.
class FakeSyscalls : public SerialSyscalls {
public:
    std::vector<std::string> calls;
    int open_errno = 0;
    int excl_errno = 0;
    int termios2_errno = 0;   // TCSETS2 refused (a driver that takes no such rate)
    int modem_bits = 0;
    termios attrs{};
    Termios2 t2{};
    int flags = O_RDWR | O_NONBLOCK;
    std::deque<std::string> input;   // one chunk per successful poll
    int closed = 0;

    // Records one call; `result` is what the call returns.
    int call(const std::string& text, int result = 0) {
        calls.push_back(text);
        return result;
    }

    int open(const std::string& path, int f) override {
        std::string text = "open " + path;
        if (f & O_RDWR) text += " RDWR";
        if (f & O_NOCTTY) text += " NOCTTY";
        if (f & O_NONBLOCK) text += " NONBLOCK";
        calls.push_back(text);
        if (open_errno) {
            errno = open_errno;
            return -1;
        }
        return 7;
    }
    int close(int fd) override {
        ++closed;
        return call("close " + std::to_string(fd));
    }
    int ioctl_int(int, unsigned long request, int* arg) override {
        auto lines = [](int bits) {
            std::string s;
            if (bits & TIOCM_DTR) s += " DTR";
            if (bits & TIOCM_RTS) s += " RTS";
            return s;
        };
        if (request == TIOCMBIS) return modem_bits |= *arg, call("TIOCMBIS" + lines(*arg));
        if (request == TIOCMBIC) return modem_bits &= ~*arg, call("TIOCMBIC" + lines(*arg));
        if (request == TIOCMGET) return *arg = modem_bits, call("TIOCMGET");
        if (request == FIONREAD) return *arg = input.empty() ? 0 : int(input.front().size()), call("FIONREAD");
        return call("ioctl ?");
    }
    int ioctl_none(int, unsigned long request) override {
        const char* name = request == TIOCEXCL   ? "TIOCEXCL"
                           : request == TIOCNXCL ? "TIOCNXCL"
                           : request == TIOCSBRK ? "TIOCSBRK"
                           : request == TIOCCBRK ? "TIOCCBRK"
                                                 : "ioctl ?";
        calls.push_back(name);
        if (request == TIOCEXCL && excl_errno) {
            errno = excl_errno;
            return -1;
        }
        return 0;
    }
    int get_flags(int) override { return call("F_GETFL", flags); }
    int set_flags(int, int f) override {
        flags = f;
        return call(std::string("F_SETFL") + ((f & O_NONBLOCK) ? " NONBLOCK" : ""));
    }
    int tcgetattr(int, termios* t) override { return *t = attrs, call("tcgetattr"); }
    int tcsetattr(int, int action, const termios* t) override {
        attrs = *t;
        return call(action == TCSANOW ? "tcsetattr TCSANOW" : "tcsetattr");
    }
    int get_termios2(int, Termios2& t) override { return t = t2, call("TCGETS2"); }
    int set_termios2(int, const Termios2& t) override {
        if (termios2_errno) {
            errno = termios2_errno;
            return call("TCSETS2", -1);
        }
        return t2 = t, call("TCSETS2");
    }
    int tcflush(int, int queue) override { return call(queue == TCIOFLUSH ? "tcflush TCIOFLUSH" : "tcflush"); }
    int poll(int, short events, int timeout_ms) override {
        calls.push_back(std::string("poll ") + (events == POLLIN ? "IN " : "OUT ") + std::to_string(timeout_ms));
        if (events == POLLOUT) return 1;
        return input.empty() ? 0 : 1;
    }
    long read(int, void* buf, std::size_t n) override {
        calls.push_back("read");
        if (input.empty()) return 0;
        std::string chunk = input.front();
        input.pop_front();
        const std::size_t k = std::min(n, chunk.size());
        std::memcpy(buf, chunk.data(), k);
        if (k < chunk.size()) input.push_front(chunk.substr(k));
        return long(k);
    }
    long write(int, const void*, std::size_t n) override {
        calls.push_back("write " + std::to_string(n));
        return long(n);
    }
};

// What configure() must leave for a rate of `baud` with 8E2: the rate through BOTHER (input
// following output), receiver on, no modem control, no handshake, raw input that never waits.
inline void expect_raw_8e2(const Termios2& t, std::uint32_t baud) {
    EXPECT_EQ(t.cflag & kCbaud, kBother);
    EXPECT_EQ(t.cflag & kCibaud, 0u);
    EXPECT_EQ(t.ospeed, baud);
    EXPECT_EQ(t.ispeed, baud);
    EXPECT_EQ(t.cflag & CSIZE, std::uint32_t(CS8));
    EXPECT_TRUE(t.cflag & PARENB);
    EXPECT_FALSE(t.cflag & PARODD);
    EXPECT_TRUE(t.cflag & CSTOPB);
    EXPECT_TRUE(t.cflag & CREAD);
    EXPECT_TRUE(t.cflag & CLOCAL);
    EXPECT_FALSE(t.cflag & CRTSCTS);
    EXPECT_FALSE(t.iflag & (IXON | IXOFF | ICRNL));
    EXPECT_FALSE(t.lflag & (ICANON | ECHO | ISIG));
    EXPECT_EQ(t.cc[VMIN], 0);
    EXPECT_EQ(t.cc[VTIME], 0);
}

} // namespace korvane::posix
