#pragma once
// The line recorder: while a trace is on, every programmer line the host drives or samples, the
// same lines under their names for the mode at work, and (on the simulated bench) the lines as
// the chip sees them go to a VCD file. One per process; off until start(). Callers check on()
// first, so an idle recorder costs one load per line change.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <mutex>
#include <string>

#include "trace/vcd_writer.h"

namespace korvane::trace {

// Every wire a trace can hold, with its scope and name in the file (trace_lines.cpp).
enum class Line : std::uint8_t {
    // host: the serial port's lines as driven, and CTS as sampled (CTS_SAMPLE toggles at each
    // sample, so repeated samples of one level show)
    Dtr, Rts, TxdBreak, Cts, CtsSample,
    // host: ICSP lines after the inversions
    Clock, DataOut, DataIn, MclrVpp,
    // host: I2C lines
    Scl, Sda,
    // simulated JDM board: the data node (PGD), the clock (PGC) and VPP at the socket
    ChipData, ChipClock, ChipVpp,
    // simulated 24Cxx in the socket
    EeScl, EeSda,
    // simulated card reader and card: reset, the I/O contact, the card's EEPROM pins
    CardRst, CardIo, CardEeScl, CardEeSda,
    Count
};

// Groups of wires a trace declares; a trace holds only the groups its command uses.
enum class Group : std::uint8_t { HostPort, Icsp, I2c, Board, Socket24, Card };

struct LineInfo {
    Group group;
    const char* scope;
    const char* name;
};
const LineInfo& line_info(Line line);

class LineRecorder {
public:
    static LineRecorder& instance();

    // Creates the file with the wires of `groups`; false with error() set when it cannot.
    // Times in the file count from the first change recorded.
    bool start(const std::filesystem::path& file, std::initializer_list<Group> groups);
    // Closes the file; false when a write failed (error() says why). Safe when off.
    bool stop();
    bool on() const { return on_.load(std::memory_order_relaxed); }
    const std::string& error() const { return error_; }
    const std::filesystem::path& file() const { return file_; }

    // `line` is at `level` at `time_ns` (any monotonic clock of the process); written only when
    // the level changed, or first seen. Lines of groups not declared are ignored.
    void set(Line line, bool level, std::uint64_t time_ns);
    // CTS sampled by the host: the level, and a toggle of CTS_SAMPLE.
    void sample_cts(bool level, std::uint64_t time_ns);

    // The number of changes written since start() (tests, benchmarks).
    std::uint64_t changes() const { return changes_; }

private:
    void put(Line line, bool level, std::uint64_t time_ns);

    std::atomic<bool> on_{false};
    std::mutex mutex_;
    VcdWriter writer_;
    std::filesystem::path file_;
    std::string error_;
    int index_[std::size_t(Line::Count)] = {};
    signed char level_[std::size_t(Line::Count)] = {};   // -1: not yet written
    bool sample_toggle_ = false;
    bool have_origin_ = false;
    std::uint64_t origin_ns_ = 0;
    std::uint64_t changes_ = 0;
};

// Shorthand for the hot paths: records only while a trace is on; `now_ns` is evaluated only then.
template <class NowNs>
inline void record_line(Line line, bool level, NowNs&& now_ns) {
    LineRecorder& r = LineRecorder::instance();
    if (r.on()) r.set(line, level, now_ns());
}

} // namespace korvane::trace
