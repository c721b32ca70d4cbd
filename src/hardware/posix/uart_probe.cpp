#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#if defined(__linux__)
#include <linux/serial.h>
#endif

#include "hardware/system_seams.h"

namespace korvane {

// Opened without waiting for carrier and closed at once; only asks the driver what it has.
bool probe_uart(const std::string& device_path) {
#if defined(__linux__)
    const int fd = ::open(device_path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    serial_struct info{};
    const bool real = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return real;
#else
    (void)device_path;
    return true;
#endif
}

} // namespace korvane
