#include "ui/startup.h"

#include <QFile>
#include <QFontDatabase>

#include "hardware/port_io.h"

namespace korvane {

int register_grid_font() {
    QFile file(":/fonts/IBMPC.ttf");
    if (!file.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = file.readAll();
    if (data.isEmpty()) return -1;
    return QFontDatabase::addApplicationFontFromData(data);
}

void unregister_grid_font(int id) {
    if (id >= 0) QFontDatabase::removeApplicationFont(id);
}

bool check_direct_io(SettingsRecord& settings, IHost& host, IPortIO& ports) {
    ports.enable_direct(true);
    ProgrammerParams& prog = settings.current_programmer();
    // Without Direct I/O in the current programmer there is nothing to report (on Linux a user
    // without port access is the normal case).
    if (!prog.direct_io || ports.driver_ready()) return false;
    error_box(host, "", {"Could not start Direct I/O Driver!", ports.last_error(), "Switching to Windows API"});
    prog.direct_io = 0;
    ports.enable_direct(false);
    return true;
}

} // namespace korvane
