#pragma once
// Decoding line traces with sigrok-cli, the judge of our waveforms that we did not write.
#include <filesystem>
#include <string>
#include <vector>

namespace korvane::test {

// Runs `sigrok-cli -I vcd -i VCD -P DECODERS -A ANNOTATIONS` and returns its output lines
// ("decoder-1: text"). Records a test failure, with the reason, when sigrok-cli is missing or
// fails. `input_options` are the VCD reader's ("downsample=10": a coarser sample rate for long
// traces). `environment` holds NAME=VALUE pairs for sigrok-cli ("SIGROKDECODE_DIR=...": our own
// decoders).
std::vector<std::string> sigrok_decode(const std::filesystem::path& vcd, const std::string& decoders,
                                       const std::string& annotations, const std::string& input_options = {},
                                       const std::vector<std::string>& environment = {});

// The text after "decoder-N: " of each line.
std::vector<std::string> annotation_texts(const std::vector<std::string>& lines);

} // namespace korvane::test
