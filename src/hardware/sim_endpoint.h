#pragma once
// The simulated bench behind the port "SIM": the programmer, and the smart-card reader beside it.
#include "hardware/ports.h"

namespace korvane {

Endpoint sim_endpoint();
void sim_select_target(TargetKind kind, int index);

Endpoint sim_reader_endpoint();
void sim_select_card(int pic_index, int eeprom_index);

} // namespace korvane
