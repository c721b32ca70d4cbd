#include "cli/cli_trace.h"

#include <iostream>

#include "trace/line_recorder.h"

namespace korvane::cli {

int run_traced(Context& ctx, TraceKind kind, PortResolver& resolver, const std::function<int()>& body) {
    if (ctx.trace_file.empty()) return body();
    using trace::Group;
    const bool sim = resolver.resolve(ctx.settings.current_programmer().port_name.str()).simulated;
    trace::LineRecorder& recorder = trace::LineRecorder::instance();
    bool started = false;
    switch (kind) {
    case TraceKind::Pic:
        started = sim ? recorder.start(ctx.trace_file, {Group::HostPort, Group::Icsp, Group::Board})
                      : recorder.start(ctx.trace_file, {Group::HostPort, Group::Icsp});
        break;
    case TraceKind::Eeprom:
        started = sim ? recorder.start(ctx.trace_file, {Group::HostPort, Group::I2c, Group::Socket24})
                      : recorder.start(ctx.trace_file, {Group::HostPort, Group::I2c});
        break;
    case TraceKind::Card:
        started = sim || resolver.resolve_reader(ctx.settings.card_reader_port.str()).simulated
                      ? recorder.start(ctx.trace_file, {Group::HostPort, Group::Icsp, Group::Board, Group::Card})
                      : recorder.start(ctx.trace_file, {Group::HostPort, Group::Icsp});
        break;
    }
    if (!started) {
        std::cerr << "korvane-cli: cannot create the trace: " << recorder.error() << "\n";
        return kExitFailure;
    }
    const int rc = body();
    if (!recorder.stop()) {
        std::cerr << "korvane-cli: the trace was not written: " << recorder.error() << "\n";
        return kExitFailure;
    }
    return rc;
}

} // namespace korvane::cli
