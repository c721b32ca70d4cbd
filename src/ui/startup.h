#pragma once
// Start-up and shutdown pieces of the window program that do not need the window itself.
#include <QString>

#include "app/host.h"
#include "app/settings.h"

namespace korvane {

class MicroTimers;

// Registers the grids' fixed-pitch font under the family "IBMPC" from the compiled-in data;
// nothing is written to disk. Returns the font id, -1 when it could not be registered.
int register_grid_font();
void unregister_grid_font(int id);

// Asks for direct port access on the timers' port I/O, whatever the programmer uses (the PC timer
// waits need it too). Without it the loop delay is calibrated; when the current programmer asks
// for Direct I/O it is reported once and that programmer is switched to the operating system's
// serial calls (saved at exit). Returns true when the box was shown.
bool check_direct_io(SettingsRecord& settings, IHost& host, MicroTimers& timers);

} // namespace korvane
