#pragma once
// The JDM programmer: DTR drives the data node through its resistor, RTS is the clock, the TXD
// break is VPP (and the EEPROM socket's supply), CTS senses the data node. The chip wins the
// node when it drives it; otherwise the node follows DTR, so an empty socket echoes DTR.
#include <cstdint>
#include <functional>
#include <memory>

#include "sim/line_trace.h"
#include "sim/sim_clock.h"
#include "sim/socket_chip.h"

namespace korvane::sim {

class JdmBoard {
public:
    explicit JdmBoard(SimClock& clock) : clock_(&clock) {}

    void set_power(bool on);
    void set_dtr(bool on) { dtr_ = on; propagate(); }
    void set_rts(bool on) { rts_ = on; propagate(); }
    void set_break(bool on) { brk_ = on; propagate(); }

    bool power() const { return power_; }
    bool dtr() const { return dtr_; }
    bool rts() const { return rts_; }
    bool brk() const { return brk_; }
    // What CTS reads.
    bool cts() const { return node(); }

    // Puts a chip in the socket (null empties it) and gives back the one that was there.
    std::unique_ptr<SocketChip> insert(std::unique_ptr<SocketChip> chip);
    SocketChip* chip() const { return chip_.get(); }

    // Called after the supply went off (the bench keeps the chip's memory then).
    std::function<void()> on_power_off;

    LineTrace& trace() { return trace_; }
    SimClock& clock() { return *clock_; }
    void set_clock(SimClock& clock) { clock_ = &clock; }

private:
    bool node() const;
    void propagate();

    SimClock* clock_;
    std::unique_ptr<SocketChip> chip_;
    bool power_ = false, dtr_ = false, rts_ = false, brk_ = false;
    Pins last_pins_{};
    TraceEntry last_trace_{};
    LineTrace trace_;
};

} // namespace korvane::sim
