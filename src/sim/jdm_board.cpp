#include "sim/jdm_board.h"

#include "trace/line_recorder.h"

namespace korvane::sim {

bool JdmBoard::node() const {
    if (chip_ && power_) {
        if (auto drive = chip_->data_drive()) return *drive;
    }
    return dtr_;
}

void JdmBoard::set_power(bool on) {
    const bool was = power_;
    power_ = on;
    propagate();
    if (was && !on && on_power_off) on_power_off();
}

std::unique_ptr<SocketChip> JdmBoard::insert(std::unique_ptr<SocketChip> chip) {
    auto old = std::move(chip_);
    if (old) old->pins_changed(Pins{}, clock_->now_ns());
    chip_ = std::move(chip);
    last_pins_ = Pins{};
    propagate();
    return old;
}

void JdmBoard::propagate() {
    const std::uint64_t now = clock_->now_ns();
    // A chip answering an edge may start or stop driving the node, which it then sees as input
    // too; two rounds settle that.
    for (int round = 0; round < 3; ++round) {
        Pins p{power_, brk_, rts_, node()};
        if (p == last_pins_) break;
        last_pins_ = p;
        if (chip_) chip_->pins_changed(p, now);
    }
    // The lines as the chip sees them; the recorder drops repeats.
    if (trace::LineRecorder::instance().on()) {
        trace::record_line(trace::Line::ChipClock, rts_, [now] { return now; });
        trace::record_line(trace::Line::ChipData, node(), [now] { return now; });
        trace::record_line(trace::Line::ChipVpp, brk_, [now] { return now; });
    }
    if (trace_.enabled()) {
        TraceEntry e{now, power_, dtr_, rts_, brk_, node()};
        TraceEntry cmp = e;
        cmp.time_ns = last_trace_.time_ns;
        if (!(cmp == last_trace_) || trace_.entries().empty()) {
            trace_.record(e);
            last_trace_ = e;
        }
    }
}

} // namespace korvane::sim
