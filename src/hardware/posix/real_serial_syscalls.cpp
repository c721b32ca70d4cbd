#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "hardware/posix/posix_serial.h"
#include "hardware/system_seams.h"

namespace korvane::posix {

int kernel_get_termios2(int fd, std::uint32_t flags[4], std::uint8_t& line, std::uint8_t* cc, std::size_t ncc,
                        std::uint32_t& ispeed, std::uint32_t& ospeed);
int kernel_set_termios2(int fd, const std::uint32_t flags[4], std::uint8_t line, const std::uint8_t* cc,
                        std::size_t ncc, std::uint32_t ispeed, std::uint32_t ospeed);

namespace {

class RealSerialSyscalls : public SerialSyscalls {
public:
    int open(const std::string& path, int flags) override { return ::open(path.c_str(), flags); }
    int close(int fd) override { return ::close(fd); }
    int ioctl_int(int fd, unsigned long request, int* arg) override { return ::ioctl(fd, request, arg); }
    int ioctl_none(int fd, unsigned long request) override { return ::ioctl(fd, request); }
    int get_flags(int fd) override { return ::fcntl(fd, F_GETFL); }
    int set_flags(int fd, int flags) override { return ::fcntl(fd, F_SETFL, flags); }
    int tcgetattr(int fd, termios* t) override { return ::tcgetattr(fd, t); }
    int tcsetattr(int fd, int action, const termios* t) override { return ::tcsetattr(fd, action, t); }
    int get_termios2(int fd, Termios2& t) override {
        std::uint32_t flags[4];
        const int r = kernel_get_termios2(fd, flags, t.line, t.cc, sizeof t.cc, t.ispeed, t.ospeed);
        if (r == 0) {
            t.iflag = flags[0];
            t.oflag = flags[1];
            t.cflag = flags[2];
            t.lflag = flags[3];
        }
        return r;
    }
    int set_termios2(int fd, const Termios2& t) override {
        const std::uint32_t flags[4] = {t.iflag, t.oflag, t.cflag, t.lflag};
        return kernel_set_termios2(fd, flags, t.line, t.cc, sizeof t.cc, t.ispeed, t.ospeed);
    }
    int tcflush(int fd, int queue) override { return ::tcflush(fd, queue); }
    int poll(int fd, short events, int timeout_ms) override {
        pollfd p{fd, events, 0};
        for (;;) {
            const int r = ::poll(&p, 1, timeout_ms);
            if (r < 0 && errno == EINTR) continue;
            if (r > 0 && (p.revents & (POLLERR | POLLNVAL)) && !(p.revents & events)) {
                errno = EIO;
                return -1;
            }
            return r;
        }
    }
    long read(int fd, void* buf, std::size_t n) override { return long(::read(fd, buf, n)); }
    long write(int fd, const void* buf, std::size_t n) override { return long(::write(fd, buf, n)); }
};

} // namespace

SerialSyscalls& real_serial_syscalls() {
    static RealSerialSyscalls sys;
    return sys;
}

} // namespace korvane::posix

namespace korvane {

ISerialSystem& system_serial() {
    static posix::PosixSerialSystem serial(posix::real_serial_syscalls());
    return serial;
}

std::string platform_device_for(const std::string&) { return {}; }
std::vector<std::string> platform_com_names() { return {}; }

} // namespace korvane
