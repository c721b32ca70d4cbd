#pragma once
// The 16550's registers as far as a bit-banging host uses them: LCR bit 6 (break) is VPP,
// MCR bits 0/1 are DTR/RTS, MSR bit 4 is CTS. Everything else is stored and read back.
#include <cstdint>

#include "sim/jdm_board.h"

namespace korvane::sim {

class Uart16550 {
public:
    enum Reg : std::uint8_t { RBR_THR = 0, IER = 1, IIR_FCR = 2, LCR = 3, MCR = 4, LSR = 5, MSR = 6, SCR = 7 };
    static constexpr std::uint8_t kLcrBreak = 0x40, kLcrDlab = 0x80;
    static constexpr std::uint8_t kMcrDtr = 0x01, kMcrRts = 0x02, kMcrLoop = 0x10;
    static constexpr std::uint8_t kMsrCts = 0x10, kMsrDeltaCts = 0x01;

    explicit Uart16550(JdmBoard& board) : board_(&board) {}

    std::uint8_t read(std::uint8_t reg);
    void write(std::uint8_t reg, std::uint8_t value);

    std::uint8_t lcr() const { return lcr_; }
    std::uint8_t mcr() const { return mcr_; }
    std::uint16_t divisor() const { return std::uint16_t(dll_ | (dlm_ << 8)); }

private:
    void drive_lines();
    bool cts_level() const;

    JdmBoard* board_;
    std::uint8_t ier_ = 0, fcr_ = 0, lcr_ = 0x03, mcr_ = 0, scr_ = 0;
    std::uint8_t dll_ = 0x0C, dlm_ = 0;   // 9600 baud
    bool last_cts_ = false;
    bool delta_cts_ = false;
};

} // namespace korvane::sim
