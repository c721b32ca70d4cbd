#include "trace/line_recorder.h"

#include <algorithm>
#include <array>

namespace korvane::trace {

namespace {
constexpr std::array<LineInfo, std::size_t(Line::Count)> kLines{{
    {Group::HostPort, "host", "DTR"},
    {Group::HostPort, "host", "RTS"},
    {Group::HostPort, "host", "TXD_BREAK"},
    {Group::HostPort, "host", "CTS"},
    {Group::HostPort, "host", "CTS_SAMPLE"},
    {Group::Icsp, "icsp", "CLOCK"},
    {Group::Icsp, "icsp", "DATA_OUT"},
    {Group::Icsp, "icsp", "DATA_IN"},
    {Group::Icsp, "icsp", "MCLR_VPP"},
    {Group::I2c, "i2c", "SCL"},
    {Group::I2c, "i2c", "SDA"},
    {Group::Board, "board", "PGD"},
    {Group::Board, "board", "PGC"},
    {Group::Board, "board", "VPP"},
    {Group::Socket24, "eeprom", "EE_SCL"},
    {Group::Socket24, "eeprom", "EE_SDA"},
    {Group::Card, "card", "CARD_RST"},
    {Group::Card, "card", "CARD_IO"},
    {Group::Card, "card", "CARD_EE_SCL"},
    {Group::Card, "card", "CARD_EE_SDA"},
}};
} // namespace

const LineInfo& line_info(Line line) { return kLines[std::size_t(line)]; }

LineRecorder& LineRecorder::instance() {
    static LineRecorder recorder;
    return recorder;
}

bool LineRecorder::start(const std::filesystem::path& file, std::initializer_list<Group> groups) {
    stop();
    std::lock_guard lock(mutex_);
    writer_.reset();
    for (std::size_t i = 0; i < kLines.size(); ++i) {
        const LineInfo& info = kLines[i];
        const bool wanted = std::find(groups.begin(), groups.end(), info.group) != groups.end();
        index_[i] = wanted ? writer_.declare(info.scope, info.name) : -1;
        level_[i] = -1;
    }
    sample_toggle_ = false;
    have_origin_ = false;
    changes_ = 0;
    file_ = file;
    if (!writer_.begin(file)) {
        error_ = writer_.error();
        return false;
    }
    error_.clear();
    on_.store(true, std::memory_order_relaxed);
    return true;
}

bool LineRecorder::stop() {
    std::lock_guard lock(mutex_);
    if (!on_.exchange(false)) return error_.empty();
    if (!writer_.finish()) error_ = file_.string() + ": " + writer_.error();
    return error_.empty();
}

void LineRecorder::set(Line line, bool level, std::uint64_t time_ns) {
    std::lock_guard lock(mutex_);
    if (on()) put(line, level, time_ns);
}

void LineRecorder::sample_cts(bool level, std::uint64_t time_ns) {
    std::lock_guard lock(mutex_);
    if (!on()) return;
    put(Line::Cts, level, time_ns);
    sample_toggle_ = !sample_toggle_;
    put(Line::CtsSample, sample_toggle_, time_ns);
}

void LineRecorder::put(Line line, bool level, std::uint64_t time_ns) {
    const std::size_t i = std::size_t(line);
    if (index_[i] < 0 || level_[i] == static_cast<signed char>(level)) return;
    if (!have_origin_) {
        origin_ns_ = time_ns;
        have_origin_ = true;
    }
    level_[i] = static_cast<signed char>(level);
    writer_.change(index_[i], level, time_ns >= origin_ns_ ? time_ns - origin_ns_ : 0);
    ++changes_;
}

} // namespace korvane::trace
