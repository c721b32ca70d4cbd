#include "ui/config_model.h"

namespace korvane {

namespace {
struct Fuse {
    std::uint16_t bit;
    bool active_low;
    unsigned devices;   // bit d set: enabled for 16F device d
};
constexpr Fuse kFuses[8] = {
    {0x0004, false, 0b1111},   // WDT
    {0x0008, true, 0b1111},    // PWRT
    {0x0020, false, 0b0010},   // MCLR
    {0x0040, false, 0b1110},   // BODEN
    {0x0080, false, 0b1110},   // LVP
    {0x0100, true, 0b1110},    // CPD
    {0x0200, false, 0b1100},   // WRT
    {0x0800, true, 0b1100},    // DEBUGGER
};
} // namespace

std::vector<std::string> oscillator_items(int device) {
    if (device == 1)
        return {"LP", "XT", "HS", "ExtClk", "IntRC I/O", "IntRC CLKOUT", "ER I/O", "ER CLKOUT"};
    return {"LP", "XT", "HS", "RC"};
}

int decode_oscillator(int device, std::uint16_t w) {
    if (device == 1) return (w & 3) + 4 * ((w >> 4) & 1);
    return w & 3;
}

std::uint16_t encode_oscillator(int device, std::uint16_t w, int index) {
    w &= 0x3FFC;
    if (device == 1) {
        w = index < 4 ? (w & 0x3FEF) : (w | 0x10);
        w &= 0x3FFC;
        return std::uint16_t(w | (index & 3));
    }
    return std::uint16_t(w | (index & 3));
}

std::vector<std::string> protection_items(int device) {
    switch (device) {
    case 0: return {"CP OFF", "CP ON"};
    case 1: return {"CP 0000h - 07FFh", "CP 0200h - 07FFh", "CP 0400h - 07FFh", "CP OFF"};
    default: return {"CP 0000h - 1FFFh", "CP 1000h - 1FFFh", "CP 1F00h - 1FFFh", "CP OFF"};
    }
}

int decode_protection(int device, std::uint16_t w) {
    switch (device) {
    case 0: return (w & 0x3FF0) == 0 ? 1 : 0;
    case 1: return (w & 0x0C00) >> 10;
    default: return (w & 0x0030) >> 4;
    }
}

std::uint16_t encode_protection(int device, std::uint16_t w, int index) {
    const unsigned i = unsigned(index) & 3;
    switch (device) {
    case 0: return index == 0 ? std::uint16_t(w | 0x3FF0) : std::uint16_t(w % 16);
    case 1: return std::uint16_t((w % 1024) | (i << 10) | (i << 12));
    default: return std::uint16_t((w & 0x0FCF) | (i << 4) | (i << 12));
    }
}

bool fuse_enabled(int device, int fuse) {
    return device >= 0 && device <= 3 && (kFuses[fuse].devices >> device) & 1;
}

bool fuse_checked(int fuse, std::uint16_t w) {
    const bool set = w & kFuses[fuse].bit;
    return kFuses[fuse].active_low ? !set : set;
}

std::uint16_t encode_fuse(int fuse, std::uint16_t w, bool checked) {
    const Fuse& f = kFuses[fuse];
    const bool set_bit = f.active_low ? !checked : checked;
    // The clearing masks are 14-bit: bits 14 and 15 end up clear.
    return set_bit ? std::uint16_t(w | f.bit) : std::uint16_t(w & (0x3FFF & ~f.bit));
}

} // namespace korvane
