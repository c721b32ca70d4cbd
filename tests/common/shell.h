#pragma once
// Running outside tools (gpasm, gpdasm) from tests.
#include <string>

namespace korvane::test {

struct CommandResult {
    int status = -1;      // the exit status, -1 when it did not exit normally
    std::string output;   // stdout and stderr together
};

// Quotes one argument for the shell.
std::string quote_for_shell(const std::string& s);
// Runs `command` through the shell.
CommandResult run_command(const std::string& command);
// Whether the shell finds `name` on PATH.
bool on_path(const std::string& name);

} // namespace korvane::test
