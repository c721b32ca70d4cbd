#pragma once
// The 16F configuration word (configuration area word 7) seen as the choices of the configuration
// panel: oscillator, code-protection range and fuse bits, per device. Pure functions of the word;
// the panel model (app/config_panel.h) applies them to the active buffer.
#include <cstdint>
#include <span>

namespace korvane {

// Oscillator choices in list order; the list index is the value of the oscillator bits.
// Empty for a device that is not a 16F device.
std::span<const char* const> oscillator_items(int device);
int decode_oscillator(int device, std::uint16_t w);                       // -1 without a list
// The word after choosing list item `index`; w unchanged for an index outside the list.
std::uint16_t encode_oscillator(int device, std::uint16_t w, int index);

// Code-protection choices in list order ("CP OFF", "CP ON" for the 16F84; ranges otherwise).
std::span<const char* const> code_protect_items(int device);
int decode_code_protect(int device, std::uint16_t w);                     // -1 without a list
std::uint16_t encode_code_protect(int device, std::uint16_t w, int index);

// Fuse check boxes, by bit. "Checked" means the feature is on; PWRT, CPD and DEBUGGER are
// active-low bits.
enum class Fuse { WDT, PWRT, MCLR, BODEN, LVP, CPD, WRT, DEBUGGER };
constexpr int kFuseCount = 8;
constexpr Fuse kAllFuses[kFuseCount] = {Fuse::WDT, Fuse::PWRT, Fuse::MCLR, Fuse::BODEN,
                                        Fuse::LVP, Fuse::CPD,  Fuse::WRT,  Fuse::DEBUGGER};
struct FuseInfo {
    const char* control;     // "WDT", ... as the form names the check box
    std::uint16_t bit;
    bool active_low;
};
const FuseInfo& fuse_info(Fuse f);
// Whether the device has the fuse; boxes of fuses it lacks are disabled and keep their state.
bool fuse_enabled(int device, Fuse f);
bool fuse_checked(std::uint16_t w, Fuse f);
// Sets or clears the bit for a new check state. Clearing uses a 14-bit mask, so bits 15..14
// come out clear whenever a bit is cleared.
std::uint16_t encode_fuse(std::uint16_t w, Fuse f, bool checked);

// Whether programming this word enables code protection (the protect confirmation asks then):
// 16F84 (w & 0x3FF0) != 0x3FF0, 16F628 (w & 0x3D00) != 0x3D00, 16F876/877 (w & 0x3130) != 0x3130.
// Never for 18F devices.
bool config_word_protects(int device, std::uint16_t w);

// Key filter shared by every word edit box: the key upper-cased when it is "0".."9", "A".."F"
// or Backspace ('\b'), else '\0' (the key is dropped).
char config_key_filter(char key);

} // namespace korvane
