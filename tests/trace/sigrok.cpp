#include "trace/sigrok.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/shell.h"

namespace korvane::test {

std::vector<std::string> sigrok_decode(const std::filesystem::path& vcd, const std::string& decoders,
                                       const std::string& annotations, const std::string& input_options,
                                       const std::vector<std::string>& environment) {
    if (!on_path("sigrok-cli")) {
        ADD_FAILURE() << "sigrok-cli is not installed (scripts/test installs the sigrok-cli package)";
        return {};
    }
    const std::string input = input_options.empty() ? "vcd" : "vcd:" + input_options;
    std::string command = environment.empty() ? "" : "env ";
    for (const std::string& variable : environment) command += quote_for_shell(variable) + " ";
    command += "sigrok-cli -I " + quote_for_shell(input) + " -i " + quote_for_shell(vcd.string()) + " -P " +
               quote_for_shell(decoders) + " -A " + quote_for_shell(annotations);
    const CommandResult result = run_command(command + " 2>&1");
    if (result.status != 0) {
        ADD_FAILURE() << command << " exited with " << result.status << ":\n" << result.output;
        return {};
    }
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) lines.push_back(line);
    return lines;
}

std::vector<std::string> annotation_texts(const std::vector<std::string>& lines) {
    std::vector<std::string> texts;
    for (const std::string& line : lines) {
        const auto colon = line.find(": ");
        texts.push_back(colon == std::string::npos ? line : line.substr(colon + 2));
    }
    return texts;
}

} // namespace korvane::test
