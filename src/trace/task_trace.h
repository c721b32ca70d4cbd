#pragma once
// KORVANE_TRACE=FILE.vcd for the window: each device task records its lines into the next numbered
// file, FILE-1.vcd, FILE-2.vcd, ... A task started while a trace is already on (korvane-cli
// --trace) leaves that trace alone.
#include <initializer_list>
#include <string>

#include "trace/line_recorder.h"

namespace korvane::trace {

// Called once at the window's start-up with the variable's value (null or empty: no traces).
void enable_task_traces(const char* file);

// FILE.vcd and n -> FILE-n.vcd.
std::string numbered_trace_file(const std::string& file, unsigned n);

// For the length of one task.
class TaskTrace {
public:
    explicit TaskTrace(std::initializer_list<Group> groups);
    ~TaskTrace();
    TaskTrace(const TaskTrace&) = delete;
    TaskTrace& operator=(const TaskTrace&) = delete;

private:
    bool started_ = false;
};

} // namespace korvane::trace
