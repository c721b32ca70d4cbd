#pragma once
// Running gpasm and gpdasm from the tests, and reading gpdasm's output.
#include <cstdint>
#include <filesystem>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace korvane::test {

// Whether the shell finds `name` on PATH.
bool on_path(const std::string& name);

struct CommandResult {
    int status = -1;
    std::string output;   // stdout and stderr together
};
CommandResult run_command(const std::string& command);

// Quotes a path for the shell.
std::string shell_quote(const std::string& s);

// One decoded instruction, with every operand as a number: register, bit or destination (0 W,
// 1 f), literal, or target address.
struct DecodedInstruction {
    std::string mnemonic;   // lower case; "dw" for a word that is no instruction
    std::vector<int> operands;
    bool operator==(const DecodedInstruction&) const = default;
};

// "goto 0x425" in test failure messages.
void PrintTo(const DecodedInstruction& d, std::ostream* os);

// Program words of `gpdasm -p` output by word address (addresses below `limit` only).
std::map<int, DecodedInstruction> parse_gpdasm(const std::string& output, int limit);

// Our number formats: D'12, 0x0C, O'014, B'00001100; -1 for anything else.
int parse_listing_number(const std::string& text);

} // namespace korvane::test
