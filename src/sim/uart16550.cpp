#include "sim/uart16550.h"

namespace korvane::sim {

bool Uart16550::cts_level() const {
    // In loopback the modem inputs are wired to the outputs inside the UART: CTS <- RTS.
    if (mcr_ & kMcrLoop) return (mcr_ & kMcrRts) != 0;
    return board_->cts();
}

void Uart16550::drive_lines() {
    // Loopback forces the modem outputs inactive; break is still applied to TXD.
    const bool loop = (mcr_ & kMcrLoop) != 0;
    const bool dtr = !loop && (mcr_ & kMcrDtr);
    const bool rts = !loop && (mcr_ & kMcrRts);
    const bool brk = (lcr_ & kLcrBreak) != 0;
    if (board_->dtr() != dtr) board_->set_dtr(dtr);
    if (board_->rts() != rts) board_->set_rts(rts);
    if (board_->brk() != brk) board_->set_break(brk);
}

std::uint8_t Uart16550::read(std::uint8_t reg) {
    const bool dlab = (lcr_ & kLcrDlab) != 0;
    switch (reg & 7) {
    case RBR_THR: return dlab ? dll_ : 0;
    case IER: return dlab ? dlm_ : ier_;
    case IIR_FCR: return std::uint8_t(0x01 | ((fcr_ & 1) ? 0xC0 : 0));   // no interrupt pending
    case LCR: return lcr_;
    case MCR: return mcr_;
    case LSR: return 0x60;   // transmitter empty, nothing received
    case MSR: {
        const bool cts = cts_level();
        if (cts != last_cts_) delta_cts_ = true;
        last_cts_ = cts;
        std::uint8_t v = cts ? kMsrCts : 0;
        if (mcr_ & kMcrLoop) {
            if (mcr_ & kMcrDtr) v |= 0x20;   // DSR
            if (mcr_ & 0x04) v |= 0x40;      // RI <- OUT1
            if (mcr_ & 0x08) v |= 0x80;      // DCD <- OUT2
        }
        if (delta_cts_) v |= kMsrDeltaCts;
        delta_cts_ = false;
        return v;
    }
    default: return scr_;
    }
}

void Uart16550::write(std::uint8_t reg, std::uint8_t value) {
    const bool dlab = (lcr_ & kLcrDlab) != 0;
    switch (reg & 7) {
    case RBR_THR:
        if (dlab) dll_ = value;
        break;   // transmitted bytes leave through TXD, which the JDM board does not use
    case IER:
        if (dlab) dlm_ = value;
        else ier_ = value & 0x0F;
        break;
    case IIR_FCR: fcr_ = value; break;
    case LCR:
        lcr_ = value;
        drive_lines();
        break;
    case MCR:
        mcr_ = value & 0x1F;
        drive_lines();
        break;
    case LSR:
    case MSR: break;   // read-only
    default: scr_ = value; break;
    }
}

} // namespace korvane::sim
