#pragma once
// Disassebler: turns the program memory, ID words, configuration word and data EEPROM of a 16F
// buffer into a table of listing slots, then renders them as assembler source lines.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "buffers/pic_buffers.h"
#include "disasm/number_format.h"

namespace korvane {

struct ListingOptions {
    Radix radix = Radix::Hexadecimal;
    bool show_fuses = true;    // "Show Fuses": list the configuration word
    bool show_offset = true;   // "Show Offset": slot numbers in the address column
    bool show_opcode = true;   // "Show OPCode": program words in the opcode column
};

// One line's worth of listing material. Texts longer than their limit are cut when stored.
struct ListingSlot {
    static constexpr std::size_t kLabelLimit = 12;
    static constexpr std::size_t kOpcodeLimit = 4;
    static constexpr std::size_t kMnemonicLimit = 9;
    static constexpr std::size_t kOperandLimit = 23;
    // Ten, not nine: a binary bit number (B'00000101) cut to nine would read as another bit.
    static constexpr std::size_t kBitOperandLimit = 10;
    static constexpr std::size_t kDestinationLimit = 5;

    std::string label;
    std::string opcode;
    std::string mnemonic;      // instruction, or "ORG ", "DATA", "EOP", " ", "; ????"
    std::string operand;
    std::string bit_operand;
    std::string destination;   // ", W" or ", f"
    bool origin = false;       // a run of program words starts here
};

class TDisassembler {
public:
    // The largest 16F program memory plus room for the ID, fuse and data sections.
    static constexpr int kSlotCount = 8192 + 500;
    // Rendering stops this many slots after the last program address.
    static constexpr int kSectionRoom = 500;

    // device_index must be a 16F device (0..3); an 18F index is clamped to the 16F877.
    TDisassembler(const PicImage& image, int device_index, const ListingOptions& options);

    // Fills slot `slot` from program word `word`.
    void decode_word(std::uint16_t word, int slot);

    // Builds the slot table and renders it.
    std::vector<std::string> build_listing();

    // Builds the program, ID, fuse and data sections into the slot table.
    void build_slots();

    const ListingSlot& slot(int i) const { return slots_[std::size_t(i)]; }
    int last_program_address() const { return last_program_; }
    int last_data_address() const { return last_data_; }
    int device_index() const { return device_; }
    const ListingOptions& options() const { return options_; }
    const std::string& file_name() const { return image_.file_name; }
    // Slot of the end-of-program marker, or -1 when the program memory is blank.
    int end_of_program_slot() const { return eop_slot_; }
    // True when slot i lies in the program section (it gets the address and opcode columns).
    bool in_program_section(int i) const;

private:
    ListingSlot* at(int i);
    std::string label_of(int target);
    void put(int slot, const char* mnemonic, const std::string& operand = {});
    void separator(int n);
    void build_program_section();
    void build_id_section();
    void build_fuse_section();
    void build_data_section();

    const PicImage& image_;
    int device_;
    ListingOptions options_;
    int last_program_;
    int last_data_;
    int eop_slot_ = -1;
    int cursor_ = 0;
    std::vector<ListingSlot> slots_;
};

} // namespace korvane
