#include "disasm/disassembler.h"

#include <algorithm>

#include "disasm/instruction_set.h"
#include "disasm/listing_render.h"
#include "pic/pic_catalogue.h"

namespace korvane {

namespace {

constexpr std::uint16_t kBlankWord = 0x3FFF;
constexpr std::uint16_t kIdAddress = 0x2000;
constexpr std::uint16_t kConfigAddress = 0x2007;
constexpr std::uint16_t kDataAddress = 0x2100;
constexpr int kConfigWordIndex = 7;

// ID and EEPROM bytes of 0xFF or 0x7F count as unprogrammed and are left out of the listing.
bool blank_byte(std::uint8_t b) { return b == 0xFF || b == 0x7F; }

void store(std::string& field, std::string text, std::size_t limit) {
    if (text.size() > limit) text.resize(limit);
    field = std::move(text);
}

} // namespace

TDisassembler::TDisassembler(const PicImage& image, int device_index, const ListingOptions& options)
    : image_(image), device_(std::clamp(device_index, 0, kPic16FLast)), options_(options),
      last_program_(int(pic_device(device_).code_size) - 1),
      last_data_(int(pic_device(device_).data_size) - 1), slots_(std::size_t(kSlotCount)) {}

ListingSlot* TDisassembler::at(int i) {
    return i >= 0 && i < kSlotCount ? &slots_[std::size_t(i)] : nullptr;
}

std::string TDisassembler::label_of(int target) {
    ListingSlot* s = at(target);
    std::string label = "L" + hex4(std::uint16_t(target));
    if (!s) return label;
    if (s->label.empty()) store(s->label, label, ListingSlot::kLabelLimit);
    return s->label;
}

void TDisassembler::decode_word(std::uint16_t word, int slot) {
    ListingSlot* s = at(slot);
    if (!s) return;
    store(s->opcode, hex4(word), ListingSlot::kOpcodeLimit);
    s->operand.clear();
    s->bit_operand.clear();
    s->destination.clear();

    const Instruction* ins = find_instruction(word);
    if (!ins) {
        s->mnemonic = "; ????";
        s->label.clear();
        return;
    }
    store(s->mnemonic, ins->mnemonic, ListingSlot::kMnemonicLimit);

    const Radix radix = options_.radix;
    const auto f = std::uint8_t(word & 0x7F);
    std::string operand;
    switch (ins->kind) {
    case OperandKind::None: break;
    case OperandKind::File: operand = register_name(f, radix); break;
    case OperandKind::FileDest:
        operand = register_name(f, radix);
        s->destination = (word & 0x80) ? ", f" : ", W";
        break;
    case OperandKind::FileBit:
        operand = register_name(f, radix);
        store(s->bit_operand, bit_name(f, std::uint8_t((word & 0x380) >> 7), radix),
              ListingSlot::kBitOperandLimit);
        break;
    case OperandKind::Literal: operand = byte_format(std::uint8_t(word & 0xFF), radix); break;
    case OperandKind::Address: {
        const int t = word & 0x7FF;
        operand = label_of(t);
        // Four program pages: the target depends on PCLATH, which is not tracked.
        if (device_ == 2 || device_ == 3)
            operand += "." + label_of(t + 0x800) + "." + label_of(t + 0x1000) + "." + label_of(t + 0x1800);
        break;
    }
    case OperandKind::Tris: operand = register_name(std::uint8_t(word & 0x07), radix); break;
    }
    store(s->operand, operand, ListingSlot::kOperandLimit);
}

void TDisassembler::put(int slot, const char* mnemonic, const std::string& operand) {
    ListingSlot* s = at(slot);
    if (!s) return;
    s->mnemonic = mnemonic;
    store(s->operand, operand, ListingSlot::kOperandLimit);
}

void TDisassembler::separator(int n) {
    for (int i = 0; i <= n; ++i) put(cursor_++, " ");
}

void TDisassembler::build_program_section() {
    int k = -1;
    for (int i = last_program_; i >= 0; --i)
        if (image_.code[std::size_t(i)] != kBlankWord) {
            k = i;
            break;
        }
    if (k < 0) {
        put(0, "EOP");
        eop_slot_ = -1;
        cursor_ = 0;
        return;
    }
    bool gap = true;
    for (int i = 0; i <= k; ++i) {
        const std::uint16_t w = image_.code[std::size_t(i)];
        if (w == kBlankWord) {
            gap = true;
            continue;
        }
        if (gap) {
            slots_[std::size_t(i)].origin = true;
            gap = false;
        }
        decode_word(w, i);
    }
    eop_slot_ = k + 4;
    put(eop_slot_, "EOP");
    cursor_ = k + 5;
    separator(1);
}

void TDisassembler::build_id_section() {
    std::uint8_t ids[4];
    bool any = false;
    for (int i = 0; i < 4; ++i) {
        ids[i] = std::uint8_t(image_.config[std::size_t(i)] & 0xFF);
        any = any || !blank_byte(ids[i]);
    }
    if (!any) return;
    put(cursor_, "ORG ", word_format(kIdAddress, options_.radix));
    for (std::uint8_t id : ids) put(++cursor_, "DATA", word_format(id, options_.radix));
}

void TDisassembler::build_fuse_section() {
    if (!options_.show_fuses) return;
    put(++cursor_, "ORG ", word_format(kConfigAddress, options_.radix));
    put(++cursor_, "DATA", word_format(image_.config[kConfigWordIndex], options_.radix));
}

void TDisassembler::build_data_section() {
    int m = -1;
    for (int j = last_data_; j >= 0; --j)
        if (!blank_byte(image_.data[std::size_t(j)])) {
            m = j;
            break;
        }
    if (m < 0) return;
    for (int j = 0; j <= m; ++j) {
        if (j % 8 == 0) {
            ++cursor_;
            separator(0);
            put(cursor_, "ORG ", word_format(std::uint16_t(kDataAddress + j), options_.radix));
        }
        put(++cursor_, "DATA", byte_format(image_.data[std::size_t(j)], options_.radix));
    }
    ++cursor_;
    separator(0);
}

void TDisassembler::build_slots() {
    std::fill(slots_.begin(), slots_.end(), ListingSlot{});
    cursor_ = 0;
    build_program_section();
    build_id_section();
    ++cursor_;
    separator(1);
    build_fuse_section();
    ++cursor_;
    separator(1);
    build_data_section();
}

bool TDisassembler::in_program_section(int i) const {
    return eop_slot_ >= 0 && i >= 0 && i <= last_program_ && i < eop_slot_;
}

std::vector<std::string> TDisassembler::build_listing() {
    build_slots();
    return render_listing(*this);
}

} // namespace korvane
