#include "app/process_priority.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sched.h>
#include <sys/resource.h>
#endif

namespace korvane {

void set_process_priority(int level) {
#ifdef _WIN32
    const DWORD cls = level == 1 ? HIGH_PRIORITY_CLASS : level == 2 ? REALTIME_PRIORITY_CLASS : NORMAL_PRIORITY_CLASS;
    SetPriorityClass(GetCurrentProcess(), cls);
#else
    if (level == 2) {
        sched_param sp{};
        sp.sched_priority = sched_get_priority_min(SCHED_FIFO);
        if (sched_setscheduler(0, SCHED_FIFO, &sp) == 0) return;
        level = 1;   // no real-time right: fall back to the high class
    } else {
        sched_param sp{};
        sched_setscheduler(0, SCHED_OTHER, &sp);
    }
    setpriority(PRIO_PROCESS, 0, level == 1 ? -10 : 0);
#endif
}

} // namespace korvane
