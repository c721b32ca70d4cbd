#pragma once
// The system calls the POSIX serial port is made of, behind one small interface so tests can
// check the exact call sequence without a device. Calls return what the system call returns and
// leave the reason in errno.
#include <cstddef>
#include <cstdint>
#include <string>

#include <termios.h>

namespace korvane::posix {

// The kernel's termios2 (Linux), which carries any integer baud rate with BOTHER.
struct Termios2 {
    std::uint32_t iflag = 0, oflag = 0, cflag = 0, lflag = 0;
    std::uint8_t line = 0;
    std::uint8_t cc[19] = {};
    std::uint32_t ispeed = 0, ospeed = 0;
};

// Control flag bits of termios2 that <termios.h> does not spell.
extern const std::uint32_t kCbaud;    // CBAUD
extern const std::uint32_t kCibaud;   // CIBAUD: the input rate field
extern const std::uint32_t kBother;   // BOTHER: the rate is in ispeed/ospeed
extern const bool kHaveTermios2;      // false where the kernel has no termios2

class SerialSyscalls {
public:
    virtual ~SerialSyscalls() = default;
    virtual int open(const std::string& path, int flags) = 0;
    virtual int close(int fd) = 0;
    // TIOCMBIS, TIOCMBIC, TIOCMGET, FIONREAD: an int argument.
    virtual int ioctl_int(int fd, unsigned long request, int* arg) = 0;
    // TIOCEXCL, TIOCNXCL, TIOCSBRK, TIOCCBRK: no argument.
    virtual int ioctl_none(int fd, unsigned long request) = 0;
    virtual int get_flags(int fd) = 0;              // fcntl F_GETFL
    virtual int set_flags(int fd, int flags) = 0;   // fcntl F_SETFL
    virtual int tcgetattr(int fd, termios* t) = 0;
    virtual int tcsetattr(int fd, int action, const termios* t) = 0;
    virtual int get_termios2(int fd, Termios2& t) = 0;          // TCGETS2
    virtual int set_termios2(int fd, const Termios2& t) = 0;    // TCSETS2
    virtual int tcflush(int fd, int queue) = 0;
    // Waits for `events` on fd: > 0 ready, 0 time-out, < 0 error. timeout_ms < 0 waits for ever.
    virtual int poll(int fd, short events, int timeout_ms) = 0;
    virtual long read(int fd, void* buf, std::size_t n) = 0;
    virtual long write(int fd, const void* buf, std::size_t n) = 0;
};

SerialSyscalls& real_serial_syscalls();

} // namespace korvane::posix
