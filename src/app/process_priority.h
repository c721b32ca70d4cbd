#pragma once
// The process priority class of a busy period: 0 normal, 1 high, 2 real time. Best effort: on
// POSIX nice 0 / nice -10 / SCHED_FIFO; a refusal by the system is silent.
namespace korvane {

void set_process_priority(int level);

} // namespace korvane
