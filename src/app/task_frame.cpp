#include "app/task_frame.h"

namespace korvane {

BusyPeriod::BusyPeriod(bool& busy, bool framed, IHost& host, ITaskWidgets& widgets,
                       const std::function<void(int)>& set_priority, int priority)
    : busy_(busy), framed_(framed), host_(host), widgets_(widgets), set_priority_(set_priority) {
    busy_ = true;
    if (!framed_) return;
    widgets_.enable_abort();
    if (set_priority_) set_priority_(priority);
    host_.process_messages();
}

void BusyPeriod::show_busy_cursor() {
    if (!framed_) return;
    host_.set_busy_cursor(true);
    cursor_ = true;
}

BusyPeriod::~BusyPeriod() {
    // Nothing may escape from here: the flag must drop whatever happened.
    try {
        if (cursor_) host_.set_busy_cursor(false);
        if (framed_) {
            if (set_priority_) set_priority_(0);
            widgets_.disable_abort();
        }
    } catch (...) {
    }
    busy_ = false;
    try {
        if (framed_) host_.process_messages();
    } catch (...) {
    }
}

} // namespace korvane
