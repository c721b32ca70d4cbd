#include "pic/pic18_link.h"

namespace korvane {

namespace {
constexpr std::uint16_t kMovlw = 0x0E00;
constexpr std::uint16_t kMovwfTblptrU = 0x6EF8, kMovwfTblptrH = 0x6EF7, kMovwfTblptrL = 0x6EF6;
constexpr std::uint16_t kMovwfEeadr = 0x6EA9, kMovwfEeadrH = 0x6EAA;
constexpr std::uint16_t kBsfEepgd = 0x8EA6, kBcfEepgd = 0x9EA6;
constexpr std::uint16_t kBsfCfgs = 0x8CA6, kBcfCfgs = 0x9CA6, kBsfWren = 0x86A6;
constexpr unsigned kAfterProgrammingUs = 5;   // P10: clock low after programming, before the payload
} // namespace

std::uint8_t Pic18Link::read_byte() {
    lines_.data_low();
    for (int i = 0; i < 8; ++i) clock_pulse();   // the payload's input half, ignored by the target
    lines_.wait_us(1);
    std::uint8_t value = 0;
    for (unsigned i = 0; i < 8; ++i) {
        lines_.clock_high();
        lines_.data_high();   // released: the target drives the line
        wait(bit_time_);
        if (lines_.read_data_in()) value = std::uint8_t(value | (1u << i));
        wait(bit_time_);
        lines_.clock_low();
    }
    return value;
}

std::uint16_t Pic18Link::read_word() {
    const unsigned low = command_read(kTableReadPostInc);
    const unsigned high = command_read(kTableReadPostInc);
    return std::uint16_t(high << 8 | low);
}

void Pic18Link::set_table_pointer(std::uint32_t address) {
    core(std::uint16_t(kMovlw | ((address >> 16) & 0x3F)));
    core(kMovwfTblptrU);
    core(std::uint16_t(kMovlw | ((address >> 8) & 0xFF)));
    core(kMovwfTblptrH);
    core(std::uint16_t(kMovlw | (address & 0xFF)));
    core(kMovwfTblptrL);
}

void Pic18Link::set_eeprom_address(unsigned address) {
    core(std::uint16_t(kMovlw | (address & 0xFF)));
    core(kMovwfEeadr);
    core(std::uint16_t(kMovlw | ((address >> 8) & 0xFF)));
    core(kMovwfEeadrH);
}

void Pic18Link::select_memory(Pic18Memory memory) {
    switch (memory) {
    case Pic18Memory::Program:
        core(kBsfEepgd);
        core(kBcfCfgs);
        break;
    case Pic18Memory::DataEeprom:
        core(kBcfEepgd);
        core(kBcfCfgs);
        break;
    case Pic18Memory::Config:
        core(kBsfEepgd);
        core(kBsfCfgs);
        break;
    case Pic18Memory::ConfigWriteEnabled:
        core(kBsfEepgd);
        core(kBsfCfgs);
        core(kBsfWren);
        break;
    }
}

void Pic18Link::multi_panel_mode(bool on) {
    set_table_pointer(kPic18PanelWriteMode);
    send_instruction(kTableWrite, on ? 0x0040 : 0x0000);
}

void Pic18Link::programming_wait(unsigned ms) {
    lines_.data_low();
    for (int i = 0; i < 3; ++i) clock_pulse();
    lines_.clock_high();
    if (ms) lines_.sleep_ms(ms);
    lines_.clock_low();
    lines_.wait_us(kAfterProgrammingUs);
    send_16(0);
}

void Pic18Link::bulk_erase(unsigned code) {
    select_memory(Pic18Memory::Config);   // the erase control register is in configuration space
    set_table_pointer(kPic18EraseControl);
    send_instruction(kTableWrite, std::uint16_t(code));
    core(0x0000);
    // The erase runs after this NOP's fourth clock; its payload follows the erase time.
    send_command(kCoreInstruction);
    lines_.sleep_ms(kEraseWaitMs);
    send_16(0);
}

} // namespace korvane
