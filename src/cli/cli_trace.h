#pragma once
// --trace FILE.vcd on the device and card commands: the lines of the run go to a VCD file.
#include <functional>
#include <string>

#include "cli/cli.h"
#include "hardware/ports.h"

namespace korvane::cli {

enum class TraceKind { Pic, Eeprom, Card };

// Runs `body` with the trace of ctx.trace_file on (when one was asked for). A file that cannot be
// created is an error before `body` runs; a failed write at the end fails the command.
int run_traced(Context& ctx, TraceKind kind, PortResolver& resolver, const std::function<int()>& body);

} // namespace korvane::cli
