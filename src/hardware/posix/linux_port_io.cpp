#include "hardware/posix/linux_port_io.h"

#include <cerrno>
#include <cstring>
#include <utility>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__)) && __has_include(<sys/io.h>)
#include <sys/io.h>
#define KORVANE_HAVE_IOPERM 1
#endif

#include "hardware/system_seams.h"

namespace korvane::posix {

namespace {
struct Range {
    unsigned long from, count;
};
constexpr Range kRanges[] = {{0x3F8, 8}, {0x2F8, 8}, {0x3E8, 8}, {0x2E8, 8}, {0x42, 2}, {0x61, 1}};
} // namespace

PortInstructions real_port_instructions() {
    PortInstructions ops;
#ifdef KORVANE_HAVE_IOPERM
    ops.ioperm = [](unsigned long from, unsigned long count, int on) { return ::ioperm(from, count, on); };
    ops.inb = [](std::uint16_t port) { return std::uint8_t(::inb(port)); };
    ops.outb = [](std::uint16_t port, std::uint8_t v) { ::outb(v, port); };
    ops.inw = [](std::uint16_t port) { return std::uint16_t(::inw(port)); };
    ops.outw = [](std::uint16_t port, std::uint16_t v) { ::outw(v, port); };
#else
    ops.ioperm = [](unsigned long, unsigned long, int) {
        errno = ENOSYS;
        return -1;
    };
    ops.inb = [](std::uint16_t) { return std::uint8_t(0xFF); };
    ops.outb = [](std::uint16_t, std::uint8_t) {};
    ops.inw = [](std::uint16_t) { return std::uint16_t(0xFFFF); };
    ops.outw = [](std::uint16_t, std::uint16_t) {};
#endif
    return ops;
}

LinuxPortIO::LinuxPortIO(PortInstructions ops) : ops_(std::move(ops)) {}

bool LinuxPortIO::granted_port(std::uint16_t port) {
    for (const Range& r : kRanges)
        if (port >= r.from && port < r.from + r.count) return true;
    return false;
}

void LinuxPortIO::release() {
    for (const Range& r : kRanges) ops_.ioperm(r.from, r.count, 0);
}

void LinuxPortIO::enable_direct(bool on) {
    if (!on) {
        if (ready_) release();
        ready_ = false;
        return;
    }
    if (ready_) return;
    for (const Range& r : kRanges) {
        if (ops_.ioperm(r.from, r.count, 1) != 0) {
            const int err = errno;
            release();
            error_ = std::strerror(err);
            ready_ = false;
            return;
        }
    }
    error_.clear();
    ready_ = true;
}

// Outside the granted ranges a port instruction would kill the process; such accesses do nothing.
std::uint8_t LinuxPortIO::read_byte(std::uint16_t port) {
    return ready_ && granted_port(port) ? ops_.inb(port) : 0xFF;
}

void LinuxPortIO::write_byte(std::uint16_t port, std::uint8_t value) {
    if (ready_ && granted_port(port)) ops_.outb(port, value);
}

std::uint16_t LinuxPortIO::read_word(std::uint16_t port) {
    return ready_ && granted_port(port) && granted_port(std::uint16_t(port + 1)) ? ops_.inw(port) : 0xFFFF;
}

void LinuxPortIO::write_word(std::uint16_t port, std::uint16_t value) {
    if (ready_ && granted_port(port) && granted_port(std::uint16_t(port + 1))) ops_.outw(port, value);
}

} // namespace korvane::posix

namespace korvane {

IPortIO& system_port_io() {
    static posix::LinuxPortIO io(posix::real_port_instructions());
    return io;
}

} // namespace korvane
