#include "disasm/listing_render.h"

#include "disasm/disassembler.h"
#include "disasm/number_format.h"
#include "pic/pic_catalogue.h"

namespace korvane {

namespace {

std::string padded(const std::string& text, std::size_t width) {
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string device_name(int device_index) {
    std::string name = pic_device(device_index).name.str();
    while (!name.empty() && name.back() == ' ') name.pop_back();
    return name;
}

} // namespace

std::string trim_listing_line(std::string line) {
    const auto last = line.find_last_not_of(' ');
    line.resize(last == std::string::npos ? std::min<std::size_t>(line.size(), 1) : last + 1);
    return line;
}

std::vector<std::string> render_listing(const TDisassembler& dis) {
    const ListingOptions& opt = dis.options();
    const std::string device = device_name(dis.device_index());
    const std::string indent(12, ' ');

    std::vector<std::string> out;
    out.push_back("; Source Hex File " + dis.file_name());
    out.emplace_back();
    out.push_back(indent + "LIST      P=" + device + ", F=INHX8M");
    out.push_back(indent + "include  \"P" + device + ".inc\"");
    out.emplace_back();

    const int last = std::min(dis.last_program_address() + TDisassembler::kSectionRoom,
                              TDisassembler::kSlotCount - 1);
    for (int i = 0; i <= last; ++i) {
        const ListingSlot& s = dis.slot(i);
        if (s.mnemonic.empty() && s.label.empty()) continue;

        std::string line(kAddressColumn, ' ');
        if (dis.in_program_section(i)) {
            if (opt.show_offset) line = padded(hex4(std::uint16_t(i)) + "h:", kAddressColumn);
            line += padded(opt.show_opcode ? s.opcode : std::string(), kOpcodeColumn);
            if (s.origin) {
                out.emplace_back(" ");
                out.push_back(std::string(kAddressColumn + kOpcodeColumn + kLabelColumn, ' ') +
                              padded("ORG", kMnemonicColumn) +
                              word_format(std::uint16_t(i), opt.radix));
            }
        }
        if (s.mnemonic == "EOP") continue;
        if (s.mnemonic == "ORG " || s.mnemonic == "DATA") line += std::string(kOpcodeColumn, ' ');

        line += padded(s.label, kLabelColumn);
        line += padded(s.mnemonic, kMnemonicColumn);
        line += padded(s.operand, kOperandColumn);
        if (!s.bit_operand.empty()) line += ", " + padded(s.bit_operand, kOperandColumn);
        if (!s.destination.empty()) line += padded(s.destination, kOperandColumn);
        out.push_back(trim_listing_line(std::move(line)));
    }

    out.emplace_back();
    out.push_back(indent + "        END");
    return out;
}

} // namespace korvane
