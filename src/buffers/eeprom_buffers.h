#pragma once
// The five EEPROM images (buffers 1..5) of the EEPROM and ISO-EEPROM work modes.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane {

constexpr std::size_t kEEPromImageBytes = 65536;

struct EEPromImage {
    std::array<std::uint8_t, kEEPromImageBytes> bytes{};
    std::string marks;        // edit-mark bitmap of the EEPROM grid, see buffers/marks.h
    bool empty = false;
    std::string file_name;
};

class TEEPromBuffers {
public:
    TEEPromBuffers();
    EEPromImage& operator[](int n);   // n = 1..5 (clamped)
    const EEPromImage& operator[](int n) const;

private:
    std::array<std::unique_ptr<EEPromImage>, 5> images_;
};

// Sets bytes 0 .. last address of the type to 0xFF and the empty flag; bytes beyond the last
// address keep what they held.
void clear_eeprom_image(EEPromImage& image, int type_index);
// The same with the last address the EEPROM object holds (an unknown type keeps the old one).
void clear_eeprom_image_to(EEPromImage& image, std::uint32_t last_address);

// Clears all five buffers for the type and empties their marks and file names.
void clear_all_eeprom_buffers(TEEPromBuffers& buffers, int type_index);

} // namespace korvane
