#include "gputils.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <sys/wait.h>

namespace korvane::test {

std::string shell_quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CommandResult run_command(const std::string& command) {
    CommandResult r;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return r;
    std::array<char, 4096> buf{};
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
    const int status = pclose(pipe);
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

bool on_path(const std::string& name) { return run_command("command -v " + shell_quote(name)).status == 0; }

void PrintTo(const DecodedInstruction& d, std::ostream* os) {
    *os << d.mnemonic;
    for (std::size_t i = 0; i < d.operands.size(); ++i) *os << (i ? ", 0x" : " 0x") << std::hex << d.operands[i] << std::dec;
}

int parse_listing_number(const std::string& text) {
    auto parse = [](const std::string& digits, int base) {
        if (digits.empty()) return -1;
        char* end = nullptr;
        const long v = std::strtol(digits.c_str(), &end, base);
        return *end ? -1 : int(v);
    };
    if (text.size() < 3) return -1;
    const std::string prefix = text.substr(0, 2), rest = text.substr(2);
    if (prefix == "0x") return parse(rest, 16);
    if (prefix == "D'") return parse(rest, 10);
    if (prefix == "O'") return parse(rest, 8);
    if (prefix == "B'") return parse(rest, 2);
    return -1;
}

std::map<int, DecodedInstruction> parse_gpdasm(const std::string& output, int limit) {
    // "0004:  0065  tris    0x65" / "0001:  1683  bsf     0x03, 0x5"
    std::map<int, DecodedInstruction> words;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream in(line);
        std::string address, word, mnemonic;
        if (!(in >> address >> word >> mnemonic) || address.size() != 5 || address.back() != ':') continue;
        const int a = int(std::strtol(address.c_str(), nullptr, 16));
        if (a >= limit) continue;
        DecodedInstruction d{mnemonic, {}};
        std::string operand;
        while (std::getline(in >> std::ws, operand, ',')) d.operands.push_back(int(std::strtol(operand.c_str(), nullptr, 0)));
        words[a] = d;
    }
    return words;
}

} // namespace korvane::test
