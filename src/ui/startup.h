#pragma once
// Start-up and shutdown pieces of the window program that do not need the window itself.
#include <QString>

#include "app/host.h"
#include "app/settings.h"

namespace korvane {

class IPortIO;

// Registers the grids' fixed-pitch font under the family "IBMPC" from the compiled-in data;
// nothing is written to disk. Returns the font id, -1 when it could not be registered.
int register_grid_font();
void unregister_grid_font(int id);

// When the current programmer asks for Direct I/O and port access cannot be had, reports it once
// and switches that programmer to the operating system's serial calls (saved at exit).
// Returns true when the box was shown.
bool check_direct_io(SettingsRecord& settings, IHost& host, IPortIO& ports);

} // namespace korvane
