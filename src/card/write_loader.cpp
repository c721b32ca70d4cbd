#include "card/write_loader.h"

#include "app/process_priority.h"
#include "app/task_frame.h"
#include "card/setup_loader.h"
#include "files/hex_text.h"
#include "pic/tpic.h"
#include "trace/task_trace.h"

namespace korvane {

namespace {

// Restores the cursor and rebuilds (so unlocks) the configuration panel.
class ProgrammingScope {
public:
    ProgrammingScope(IHost& host, IPicTaskView& view) : host_(host), view_(view) {
        host_.set_busy_cursor(true);
        view_.lock_config_panel();
    }
    ~ProgrammingScope() {
        try {
            host_.set_busy_cursor(false);
            view_.refresh_views(false);
        } catch (...) {
        }
    }
    ProgrammingScope(const ProgrammingScope&) = delete;
    ProgrammingScope& operator=(const ProgrammingScope&) = delete;

private:
    IHost& host_;
    IPicTaskView& view_;
};

} // namespace

LoaderWriter::LoaderWriter(SettingsRecord& settings, IHost& host, IPicTaskView& view, TPIC& pic, bool* busy_flag,
                           PortResolver* resolver)
    : set_priority(set_process_priority), loader_source(loader_text), settings_(settings), host_(host), view_(view),
      pic_(pic), resolver_(resolver), busy_(busy_flag ? busy_flag : &own_busy_) {}

bool LoaderWriter::run(PicImage& active) {
    if (*busy_) return false;
    if (settings_.confirm_program && !confirm_box(host_, "Really want to program the Device ?")) return false;
    // Put back in reverse order: the programmer is closed first, then the busy period ends.
    BusyPeriod period(*busy_, true, host_, view_, set_priority, settings_.priority);
    trace::TaskTrace line_trace(
        {trace::Group::HostPort, trace::Group::Icsp, trace::Group::Board, trace::Group::Card});
    if (resolver_) resolver_->select_card(settings_.iso_pic_device, settings_.iso_eeprom_device);
    pic_.select_image(active);
    pic_.load_programmer_params();
    ProgrammerSession session(pic_);
    if (!pic_.open_programmer()) return false;
    return program_loader(active);
}

bool LoaderWriter::program_loader(PicImage& active) {
    const int device = pic_.device_index;
    pic_.device_id_read = 0x3FFF;
    if (settings_.check_pic && !pic_.device_check()) {
        error_box(host_, pic_.title(), {"Wrong PIC Type Selected"});
        return false;
    }
    view_.show_pic_id(hex_word_text(pic_.device_id_read));
    load_loader_text(loader_source ? loader_source(device) : std::string(), active, device);
    view_.refresh_views(true);
    ProgrammingScope scope(host_, view_);
    // Either family: verified while written, erased first, no success box of its own, whatever
    // the options say.
    return pic_.program_all(true, false, true);
}

} // namespace korvane
