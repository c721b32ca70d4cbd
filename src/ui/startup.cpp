#include "ui/startup.h"

#include <QFile>
#include <QFontDatabase>

#include "hardware/micro_timers.h"

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

bool check_direct_io(SettingsRecord& settings, IHost& host, MicroTimers& timers) {
    IPortIO& ports = timers.ports();
    ports.enable_direct(true);
    if (ports.driver_ready()) return false;
    ProgrammerParams& prog = settings.current_programmer();
    // Only a programmer that asks for Direct I/O hears about it (on Linux a user without port
    // access is the normal case).
    const bool report = prog.direct_io != 0;
    if (report) {
        error_box(host, "", {"Could not start Direct I/O Driver!", ports.last_error(), "Switching to Windows API"});
        prog.direct_io = 0;
    }
    ports.enable_direct(false);
    timers.calibrate_loop_delay();
    return report;
}

} // namespace korvane
