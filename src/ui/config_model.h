#pragma once
// The window's view of the 16F configuration-word encodings (oscillator, code protection, fuses).
#include <cstdint>
#include <string>
#include <vector>

namespace korvane {

std::vector<std::string> oscillator_items(int device);
int decode_oscillator(int device, std::uint16_t w);
std::uint16_t encode_oscillator(int device, std::uint16_t w, int index);

std::vector<std::string> protection_items(int device);
int decode_protection(int device, std::uint16_t w);
std::uint16_t encode_protection(int device, std::uint16_t w, int index);

// Fuses in bit order: 0 WDT, 1 PWRT, 2 MCLR, 3 BODEN, 4 LVP, 5 CPD, 6 WRT, 7 DEBUGGER.
bool fuse_enabled(int device, int fuse);
bool fuse_checked(int fuse, std::uint16_t w);
std::uint16_t encode_fuse(int fuse, std::uint16_t w, bool checked);

} // namespace korvane
