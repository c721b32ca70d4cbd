#include "app/config_word.h"

#include <cctype>

#include "pic/pic_catalogue.h"

namespace korvane {

namespace {

constexpr int k16F84 = 0;
constexpr int k16F628 = 1;

constexpr const char* kOsc4[] = {"LP", "XT", "HS", "RC"};
constexpr const char* kOsc628[] = {"LP",        "XT",           "HS",     "ExtClk",
                                   "IntRC I/O", "IntRC CLKOUT", "ER I/O", "ER CLKOUT"};
constexpr const char* kCp84[] = {"CP OFF", "CP ON"};
constexpr const char* kCp628[] = {"CP 0000h - 07FFh", "CP 0200h - 07FFh", "CP 0400h - 07FFh", "CP OFF"};
constexpr const char* kCp87x[] = {"CP 0000h - 1FFFh", "CP 1000h - 1FFFh", "CP 1F00h - 1FFFh", "CP OFF"};

constexpr FuseInfo kFuses[kFuseCount] = {
    {"WDT", 0x0004, false},  {"PWRT", 0x0008, true}, {"MCLR", 0x0020, false}, {"BODEN", 0x0040, false},
    {"LVP", 0x0080, false},  {"CPD", 0x0100, true},  {"WRT", 0x0200, false},  {"DEBUGGER", 0x0800, true},
};

bool in_list(std::span<const char* const> items, int index) {
    return index >= 0 && std::size_t(index) < items.size();
}

} // namespace

std::span<const char* const> oscillator_items(int device) {
    if (device == k16F628) return kOsc628;
    if (is_pic16f(device)) return kOsc4;
    return {};
}

int decode_oscillator(int device, std::uint16_t w) {
    if (device == k16F628) return (w & 3) + 4 * ((w >> 4) & 1);
    if (is_pic16f(device)) return w & 3;
    return -1;
}

std::uint16_t encode_oscillator(int device, std::uint16_t w, int index) {
    if (!in_list(oscillator_items(device), index)) return w;
    w &= 0x3FFC;
    if (device == k16F628) {
        w = index < 4 ? (w & 0x3FEF) : (w | 0x0010);
        return std::uint16_t((w & 0x3FFC) | (index & 3));
    }
    return std::uint16_t(w | index);
}

std::span<const char* const> code_protect_items(int device) {
    if (device == k16F84) return kCp84;
    if (device == k16F628) return kCp628;
    if (is_pic16f(device)) return kCp87x;
    return {};
}

int decode_code_protect(int device, std::uint16_t w) {
    if (device == k16F84) return (w & 0x3FF0) == 0 ? 1 : 0;
    if (device == k16F628) return (w & 0x0C00) >> 10;
    if (is_pic16f(device)) return (w & 0x0030) >> 4;
    return -1;
}

std::uint16_t encode_code_protect(int device, std::uint16_t w, int index) {
    if (!in_list(code_protect_items(device), index)) return w;
    const unsigned i = unsigned(index);
    if (device == k16F84) return index == 0 ? std::uint16_t(w | 0x3FF0) : std::uint16_t(w % 16);
    if (device == k16F628) return std::uint16_t((w % 1024) | (i << 10) | (i << 12));
    return std::uint16_t((w & 0x0FCF) | (i << 4) | (i << 12));
}

const FuseInfo& fuse_info(Fuse f) { return kFuses[int(f)]; }

bool fuse_enabled(int device, Fuse f) {
    if (!is_pic16f(device)) return false;
    switch (f) {
    case Fuse::WDT:
    case Fuse::PWRT: return true;
    case Fuse::MCLR: return device == k16F628;
    case Fuse::BODEN:
    case Fuse::LVP:
    case Fuse::CPD: return device != k16F84;
    case Fuse::WRT:
    case Fuse::DEBUGGER: return device >= 2;
    }
    return false;
}

bool fuse_checked(std::uint16_t w, Fuse f) {
    const FuseInfo& fi = fuse_info(f);
    return ((w & fi.bit) != 0) != fi.active_low;
}

std::uint16_t encode_fuse(std::uint16_t w, Fuse f, bool checked) {
    const FuseInfo& fi = fuse_info(f);
    const bool set = checked != fi.active_low;
    return set ? std::uint16_t(w | fi.bit) : std::uint16_t(w & (0x3FFF & ~fi.bit));
}

bool config_word_protects(int device, std::uint16_t w) {
    switch (device) {
    case 0: return (w & 0x3FF0) != 0x3FF0;
    case 1: return (w & 0x3D00) != 0x3D00;
    case 2:
    case 3: return (w & 0x3130) != 0x3130;
    default: return false;
    }
}

char config_key_filter(char key) {
    if (key == '\b') return key;
    const char up = char(std::toupper(static_cast<unsigned char>(key)));
    if ((up >= '0' && up <= '9') || (up >= 'A' && up <= 'F')) return up;
    return '\0';
}

} // namespace korvane
