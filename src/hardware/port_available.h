#pragma once
// Whether a port can be opened now: the exclusive open the port lists use to mark ports that
// are missing or in use by another program. The port is closed again at once.
#include <string>

#include "hardware/ports.h"

namespace korvane {

bool port_available_now(PortResolver& resolver, const std::string& port_name);

} // namespace korvane
