// korvane: the window program. Start-up loads the settings, checks port access, registers the
// grid font and runs the main window; shutdown (in the window) saves the settings.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/program_dir.h"
#include "app/settings.h"
#include "hardware/micro_timers.h"
#include "hardware/ports.h"
#include "hardware/system_seams.h"
#include "ui/main_window.h"
#include "ui/msg_form.h"
#include "ui/startup.h"
#include "trace/task_trace.h"

namespace {

// Reports of the start-up steps that come before the window.
class StartupHost : public korvane::IHost {
public:
    int message_box(const std::vector<std::string>& lines, korvane::MsgKind kind,
                    const std::vector<int>& buttons) override {
        if (std::getenv("KORVANE_SCREENSHOT")) {   // nobody there to press OK
            for (const auto& line : lines) std::fprintf(stderr, "korvane: %s\n", line.c_str());
            return buttons.empty() ? 1 : buttons.front();
        }
        return korvane::TMsgForm::run(nullptr, lines, kind, buttons);
    }
    void set_status_text(int, const std::string&) override {}
};

// scripts/screenshot: KORVANE_SCREENSHOT=<png> grabs the window (after opening
// KORVANE_SCREENSHOT_HEX into buffer 1 when given) and quits. KORVANE_SCREENSHOT_DIALOG=io, options
// or compare grabs that dialog instead.
void arm_screenshot(korvane::TMain& window) {
    const char* png = std::getenv("KORVANE_SCREENSHOT");
    if (!png || !*png) return;
    const QString target = QString::fromLocal8Bit(png);
    const char* hex = std::getenv("KORVANE_SCREENSHOT_HEX");
    const QString file = hex ? QString::fromLocal8Bit(hex) : QString();
    QTimer::singleShot(300, &window, [&window, target, file] {
        if (!file.isEmpty()) {
            window.file_dialog_hook = [file](const korvane::TMain::FileDialogRequest&) { return file; };
            window.cmd_open_file();
            window.file_dialog_hook = nullptr;
        }
        const char* which = std::getenv("KORVANE_SCREENSHOT_DIALOG");
        const QString dialog = which ? QString::fromLocal8Bit(which) : QString();
        QTimer::singleShot(300, &window, [&window, target, dialog] {
            if (dialog.isEmpty()) {
                window.grab().save(target, "PNG");
            } else {
                window.dialog_hook = [target](QDialog& d) {
                    d.show();
                    QApplication::processEvents();
                    d.grab().save(target, "PNG");
                    d.reject();
                };
                if (dialog == "io") window.cmd_io_configuration();
                else if (dialog == "options") window.cmd_options();
                else if (dialog == "compare" && window.pic_buffers()) {
                    // Two more buffers holding data, so the dialog has a choice to offer.
                    (*window.pic_buffers())[2].empty = false;
                    (*window.pic_buffers())[4].empty = false;
                    window.cmd_compare();
                }
                window.dialog_hook = nullptr;
            }
            window.close();
        });
    });
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    using namespace korvane;

    static SettingsRecord settings{};
    const std::string program_dir = program_directory();
    const auto settings_dir = settings_directory(program_dir);
    load_settings(settings_dir, program_dir, settings);
    QApplication::setApplicationName(QString::fromStdString(application_title(settings)));
    trace::enable_task_traces(std::getenv("KORVANE_TRACE"));

    // The ports offered by the dialogs, then port access for the Direct I/O backend.
    const PortList ports = default_port_resolver().port_list();
    StartupHost startup_host;
    MicroTimers timers(system_clock(), system_port_io());
    check_direct_io(settings, startup_host, timers);

    const int font_id = register_grid_font();
    int rc = 0;
    {
        TMain window(settings, settings_dir);
        window.port_list = ports;
        window.show();
        arm_screenshot(window);
        rc = QApplication::exec();
    }
    unregister_grid_font(font_id);
    return rc;
}
