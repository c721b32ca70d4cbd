#include "hardware/port_available.h"

namespace korvane {

bool port_available_now(PortResolver& resolver, const std::string& port_name) {
    const Endpoint ep = resolver.resolve(port_name);
    if (!ep.serial || ep.device.empty()) return false;
    std::string error;
    std::unique_ptr<ISerialPort> port = ep.serial->open(ep.device, error);
    if (!port) return false;
    port->restore_saved_settings();
    return true;
}

} // namespace korvane
