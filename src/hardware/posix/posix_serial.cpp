#include "hardware/posix/posix_serial.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>

namespace korvane::posix {

std::string open_error_text(int err) {
    std::string text = std::strerror(err);
    if (err == EACCES || err == EPERM)
        text += " (your user must be in the 'dialout' group to use serial ports)";
    return text;
}

std::unique_ptr<ISerialPort> PosixSerialSystem::open(const std::string& port_name, std::string& error) {
    if (port_name.empty()) {
        error = std::strerror(ENOENT);
        return nullptr;
    }
    // Non-blocking so a port waiting for carrier does not hang the open.
    const int fd = sys_.open(port_name, O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        error = open_error_text(errno);
        return nullptr;
    }
    auto fail = [&](int err) -> std::unique_ptr<ISerialPort> {
        error = open_error_text(err);
        sys_.close(fd);
        return nullptr;
    };
    if (sys_.ioctl_none(fd, TIOCEXCL) != 0) return fail(errno);
    termios saved{};
    if (sys_.tcgetattr(fd, &saved) != 0) {
        const int err = errno;
        sys_.ioctl_none(fd, TIOCNXCL);
        return fail(err);
    }
    const int flags = sys_.get_flags(fd);
    if (flags < 0 || sys_.set_flags(fd, flags & ~O_NONBLOCK) != 0) {
        const int err = errno;
        sys_.ioctl_none(fd, TIOCNXCL);
        return fail(err);
    }
    return std::make_unique<PosixSerialPort>(sys_, fd, saved);
}

PosixSerialPort::PosixSerialPort(SerialSyscalls& sys, int fd, const termios& saved)
    : sys_(sys), fd_(fd), saved_(saved) {}

PosixSerialPort::~PosixSerialPort() {
    if (changed_) restore_saved_settings();
    sys_.ioctl_none(fd_, TIOCNXCL);
    sys_.close(fd_);
}

bool PosixSerialPort::restore_saved_settings() {
    if (sys_.tcsetattr(fd_, TCSANOW, &saved_) != 0) return false;
    changed_ = false;
    return true;
}

// One call per line: setting or clearing just that bit never disturbs the other line.
bool PosixSerialPort::modem_bit(bool on, int bit) {
    int arg = bit;
    return sys_.ioctl_int(fd_, on ? TIOCMBIS : TIOCMBIC, &arg) == 0;
}

bool PosixSerialPort::set_dtr(bool on) { return modem_bit(on, TIOCM_DTR); }
bool PosixSerialPort::set_rts(bool on) { return modem_bit(on, TIOCM_RTS); }

bool PosixSerialPort::set_break(bool on) { return sys_.ioctl_none(fd_, on ? TIOCSBRK : TIOCCBRK) == 0; }

bool PosixSerialPort::cts() {
    int bits = 0;
    if (sys_.ioctl_int(fd_, TIOCMGET, &bits) != 0) return false;
    return (bits & TIOCM_CTS) != 0;
}

bool PosixSerialPort::purge() { return sys_.tcflush(fd_, TCIOFLUSH) == 0; }

namespace {

std::uint32_t size_bits(std::uint8_t data_bits) {
    switch (data_bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
    }
}

template <class Flags>
void make_raw(Flags& iflag, Flags& oflag, Flags& lflag, Flags& cflag, const SerialSettings& s) {
    iflag &= ~Flags(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    if (s.parity != Parity::None) iflag |= INPCK;
    oflag &= ~Flags(OPOST);
    lflag &= ~Flags(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    cflag &= ~Flags(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    cflag |= Flags(size_bits(s.data_bits) | CREAD | CLOCAL);
    if (s.parity != Parity::None) cflag |= PARENB;
    if (s.parity == Parity::Odd) cflag |= PARODD;
    if (s.stop_bits == 2) cflag |= CSTOPB;
}

speed_t standard_speed(std::uint32_t baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

} // namespace

bool PosixSerialPort::configure(const SerialSettings& s) {
    if (s.baud == 0) return false;
    changed_ = true;
    if (!kHaveTermios2) return configure_termios(s);
    Termios2 t;
    if (sys_.get_termios2(fd_, t) != 0) return false;
    make_raw(t.iflag, t.oflag, t.lflag, t.cflag, s);
    t.cflag &= ~(kCbaud | kCibaud);   // input rate follows the output rate
    t.cflag |= kBother;
    t.ispeed = s.baud;
    t.ospeed = s.baud;
    t.cc[VMIN] = 0;    // reads are timed by poll()
    t.cc[VTIME] = 0;
    return sys_.set_termios2(fd_, t) == 0;
}

// Systems without termios2: standard rates only.
bool PosixSerialPort::configure_termios(const SerialSettings& s) {
    const speed_t speed = standard_speed(s.baud);
    if (speed == B0) {
        errno = EINVAL;
        return false;
    }
    termios t{};
    if (sys_.tcgetattr(fd_, &t) != 0) return false;
    make_raw(t.c_iflag, t.c_oflag, t.c_lflag, t.c_cflag, s);
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return sys_.tcsetattr(fd_, TCSANOW, &t) == 0;
}

bool PosixSerialPort::set_timeouts(const SerialTimeouts& t) {
    timeouts_ = t;
    return true;
}

namespace {
using Clock = std::chrono::steady_clock;
int ms_until(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left < 0 ? 0 : int(left);
}
} // namespace

// Time-outs as the comm calls define them: a total for the whole read and a longest gap between
// bytes. With both 0 the read returns what is already there. An interval alone also bounds the wait
// for the first byte, so a silent device never blocks for ever.
std::size_t PosixSerialPort::read(std::uint8_t* buf, std::size_t n) {
    std::size_t got = 0;
    const bool has_total = timeouts_.read_total_ms != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.read_total_ms);
    while (got < n) {
        int wait = 0;
        if (has_total) wait = ms_until(deadline);
        if (timeouts_.read_interval_ms != 0 && (!has_total || (got > 0 && int(timeouts_.read_interval_ms) < wait)))
            wait = int(timeouts_.read_interval_ms);
        const int ready = sys_.poll(fd_, POLLIN, wait);
        if (ready <= 0) break;
        const long r = sys_.read(fd_, buf + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += std::size_t(r);
    }
    return got;
}

std::size_t PosixSerialPort::write(const std::uint8_t* buf, std::size_t n) {
    std::size_t done = 0;
    const bool has_total = timeouts_.write_total_ms != 0;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeouts_.write_total_ms);
    while (done < n) {
        const int ready = sys_.poll(fd_, POLLOUT, has_total ? ms_until(deadline) : -1);
        if (ready <= 0) break;
        const long w = sys_.write(fd_, buf + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += std::size_t(w);
    }
    return done;
}

std::size_t PosixSerialPort::available() {
    int count = 0;
    if (sys_.ioctl_int(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
    return std::size_t(count);
}

} // namespace korvane::posix
