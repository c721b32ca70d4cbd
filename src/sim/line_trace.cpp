#include "sim/line_trace.h"

namespace korvane::sim {

void LineTrace::enable(std::size_t capacity) {
    enabled_ = true;
    capacity_ = capacity == 0 ? 1 : capacity;
    while (entries_.size() > capacity_) {
        entries_.pop_front();
        ++dropped_;
    }
}

void LineTrace::record(const TraceEntry& e) {
    if (!enabled_) return;
    if (entries_.size() >= capacity_) {
        entries_.pop_front();
        ++dropped_;
    }
    entries_.push_back(e);
}

} // namespace korvane::sim
