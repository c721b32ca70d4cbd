#pragma once
// A bounded record of the programmer lines, one entry per change, for tests that compare
// waveforms. Off until enabled; when full the oldest entries give way.
#include <cstddef>
#include <cstdint>
#include <deque>

namespace korvane::sim {

struct TraceEntry {
    std::uint64_t time_ns = 0;
    bool power = false;   // port open
    bool dtr = false;
    bool rts = false;
    bool brk = false;     // TXD break: VPP
    bool data = false;    // the data node, i.e. what CTS reads
    bool operator==(const TraceEntry&) const = default;
};

class LineTrace {
public:
    void enable(std::size_t capacity = 100000);
    void disable() { enabled_ = false; }
    bool enabled() const { return enabled_; }
    void clear() { entries_.clear(); dropped_ = 0; }
    void record(const TraceEntry& e);
    const std::deque<TraceEntry>& entries() const { return entries_; }
    std::uint64_t dropped() const { return dropped_; }
private:
    bool enabled_ = false;
    std::size_t capacity_ = 100000;
    std::deque<TraceEntry> entries_;
    std::uint64_t dropped_ = 0;
};

} // namespace korvane::sim
