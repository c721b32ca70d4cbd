#pragma once
// The real machine's seams: the platform's serial calls, port I/O and clock (posix/ or win32/).
#include <string>
#include <vector>

#include "hardware/clock.h"
#include "hardware/port_io.h"
#include "hardware/serial_port.h"

namespace korvane {

// Opens device paths ("/dev/ttyUSB0"; on Windows "\\.\COM7").
ISerialSystem& system_serial();
// Not ready until enable_direct(true) has been granted access (Linux: ioperm on the UART bases and
// the PC timer ports, needs CAP_SYS_RAWIO on x86). The start-up code calls it; nothing else does.
IPortIO& system_port_io();
IClock& system_clock();

// The platform device a port name stands for when nothing else maps it ("COM7" -> "\\.\COM7" on
// Windows); empty when the platform has no such fixed mapping.
std::string platform_device_for(const std::string& port_name);

} // namespace korvane

namespace korvane {
// Windows: the "COM" names the system reports (for the start-up list rule); elsewhere empty, the
// ports are scanned from /dev and /sys instead.
std::vector<std::string> platform_com_names();
} // namespace korvane

namespace korvane {
// Whether the kernel reports a UART behind a ttyS device (TIOCGSERIAL type not PORT_UNKNOWN).
bool probe_uart(const std::string& device_path);
} // namespace korvane
