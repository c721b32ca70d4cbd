#include "cli/cli.h"

#include <iostream>

namespace korvane::cli {

int CliHost::message_box(const std::vector<std::string>& lines, MsgKind kind,
                         const std::vector<int>& buttons) {
    ++boxes_;
    if (kind == MsgKind::Error) ++errors_;
    std::string out = lines.empty() ? std::string() : lines[0];
    out += ":";
    for (std::size_t i = 1; i < lines.size(); ++i) {
        // Drop a "prefix~" format marker: it only matters in the window.
        std::string line = lines[i];
        if (auto t = line.find('~'); t != std::string::npos) line.erase(0, t + 1);
        out += (i == 1 ? " " : "; ") + line;
    }
    std::cerr << out << std::endl;
    if (kind == MsgKind::Question) return mbYes;
    return buttons.empty() ? 1 : buttons.front();
}

} // namespace korvane::cli
