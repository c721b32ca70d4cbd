#pragma once
// The 18F operations of TPIC: device check, read/verify, the programming runner with its code
// (multi-panel or block by block), data EEPROM, ID and configuration phases, and bulk erase.
// TPIC's family-neutral operations call these for catalogue indexes 4..11.
#include <cstdint>

#include "pic/pic18_link.h"

namespace korvane {

class TPIC;

class Pic18Ops {
public:
    Pic18Ops(TPIC& pic, Pic18Link& link) : pic_(pic), link_(link) {}

    bool device_check();
    bool read_all(bool verify, bool after_program);
    bool program_all(bool write_verify, bool report, bool erase_first);
    bool program_code_area(bool write_verify, bool report, bool erase_first);
    bool program_data_area(bool write_verify, bool report, bool erase_first);
    bool program_configuration(bool write_verify, bool report);
    void erase(bool remove_protection, bool report, unsigned code);

    // The bits configuration word k (bytes 0x300000 + 2k, + 2k + 1) implements on the device;
    // the others read 0 whatever was written, so they are not compared.
    static std::uint16_t config_compare_mask(int device_index, int k);

private:
    // Runs the selected areas' phases in order; false when one failed or an abort came.
    bool run_programming(bool write_verify, bool report);
    bool code_phase_multi_panel(bool write_verify);
    bool code_phase_blocks(bool write_verify);
    bool data_phase(bool write_verify);
    bool id_phase(bool write_verify);
    bool config_phase(bool write_verify);

    void write_8_bytes(std::uint32_t address, bool last);
    // Data EEPROM byte write, waiting until the target reports the write done.
    void write_data_byte(unsigned address, std::uint8_t value);
    std::uint8_t read_data_byte(unsigned address);
    bool blank_block(std::int32_t first_word) const;
    void select_areas(bool code, bool data, bool id, bool config);

    TPIC& pic_;
    Pic18Link& link_;
};

} // namespace korvane
