#include "trace/task_trace.h"

#include <filesystem>
#include <iostream>

namespace korvane::trace {

namespace {
std::string g_file;
unsigned g_count = 0;
} // namespace

void enable_task_traces(const char* file) {
    g_file = file ? file : "";
    g_count = 0;
}

std::string numbered_trace_file(const std::string& file, unsigned n) {
    const std::filesystem::path p(file);
    const std::string ext = p.has_extension() ? p.extension().string() : ".vcd";
    return (p.parent_path() / (p.stem().string() + "-" + std::to_string(n) + ext)).string();
}

// A trace that cannot be written never stops the task; the reason goes to stderr.
TaskTrace::TaskTrace(std::initializer_list<Group> groups) {
    LineRecorder& r = LineRecorder::instance();
    if (g_file.empty() || r.on()) return;
    const std::string file = numbered_trace_file(g_file, ++g_count);
    started_ = r.start(file, groups);
    if (!started_) std::cerr << "korvane: no line trace: " << r.error() << "\n";
}

TaskTrace::~TaskTrace() {
    LineRecorder& r = LineRecorder::instance();
    if (started_ && !r.stop()) std::cerr << "korvane: line trace incomplete: " << r.error() << "\n";
}

} // namespace korvane::trace
