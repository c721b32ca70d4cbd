#include "gpasm_program.h"

#include <fstream>
#include <sstream>

#include "common/shell.h"
#include "common/test_env.h"

namespace korvane::sim::test {

namespace {
unsigned hex_at(const std::string& line, std::size_t pos, std::size_t digits) {
    return unsigned(std::stoul(line.substr(pos, digits), nullptr, 16));
}

// Intel HEX, data, end and extended linear address records.
std::map<std::uint32_t, std::uint8_t> parse_hex(std::istream& in) {
    std::map<std::uint32_t, std::uint8_t> bytes;
    std::uint32_t upper = 0;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] != ':') continue;
        const unsigned count = hex_at(line, 1, 2), address = hex_at(line, 3, 4), type = hex_at(line, 7, 2);
        if (type == 0) {
            for (unsigned i = 0; i < count; ++i) bytes[upper + address + i] = std::uint8_t(hex_at(line, 9 + 2 * i, 2));
        } else if (type == 4) {
            upper = hex_at(line, 9, 4) << 16;
        } else if (type == 1) {
            break;
        }
    }
    return bytes;
}
} // namespace

bool have_gpasm() { return korvane::test::on_path("gpasm"); }

namespace {
AssembledProgram assemble_path(const std::filesystem::path& asm_path, bool pic18, std::size_t code_words);
}

AssembledProgram assemble(const std::string& processor, const std::string& source, std::size_t code_words) {
    korvane::test::TempDir dir;
    const auto asm_path = dir.path() / "prog.asm";
    korvane::test::write_file(asm_path, "\tprocessor " + processor + "\n\tinclude <p" + processor + ".inc>\n" +
                                            "\terrorlevel -302\n\tradix dec\n" + source + "\n\tend\n");
    return assemble_path(asm_path, processor.rfind("18", 0) == 0, code_words);
}

AssembledProgram assemble_file(const std::string& path, bool pic18, std::size_t code_words) {
    return assemble_path(path, pic18, code_words);
}

namespace {
AssembledProgram assemble_path(const std::filesystem::path& asm_path, bool pic18, std::size_t code_words) {
    AssembledProgram p;
    korvane::test::TempDir dir;
    const auto hex_path = dir.path() / "prog.hex";
    using korvane::test::quote_for_shell;
    const auto r = korvane::test::run_command("gpasm -q -a inhx32 -o " + quote_for_shell(hex_path.string()) + " " +
                                              quote_for_shell(asm_path.string()));
    if (r.status != 0) {
        p.listing_error = r.output.empty() ? "gpasm failed" : r.output;
        return p;
    }
    std::ifstream in(hex_path);
    p.bytes = parse_hex(in);
    p.words.assign(code_words, pic18 ? 0xFFFF : 0x3FFF);
    for (const auto& [address, value] : p.bytes) {
        const std::uint32_t word = address / 2;
        const bool high = address & 1;
        if (pic18) {
            if (word < code_words) {
                std::uint16_t& w = p.words[word];
                w = high ? std::uint16_t((w & 0x00FF) | (value << 8)) : std::uint16_t((w & 0xFF00) | value);
            }
            continue;
        }
        auto put = [&](std::uint16_t& w) {
            w = high ? std::uint16_t((w & 0x00FF) | ((value & 0x3F) << 8)) : std::uint16_t((w & 0x3F00) | value);
        };
        if (word < code_words) put(p.words[word]);
        else if (word == 0x2007) put(p.config);
        else if (word >= 0x2100 && !high) {
            const std::size_t i = word - 0x2100;
            if (p.eeprom.size() <= i) p.eeprom.resize(i + 1, 0xFF);
            p.eeprom[i] = value;
        }
    }
    return p;
}
} // namespace

} // namespace korvane::sim::test
