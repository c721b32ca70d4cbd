#pragma once
// The simulated bench behind the port "SIM".
#include "hardware/ports.h"

namespace korvane {

Endpoint sim_endpoint();
void sim_select_target(TargetKind kind, int index);

} // namespace korvane
