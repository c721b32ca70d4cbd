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

// Sets bytes 0 .. last address of the type to 0xFF and the empty flag.
void clear_eeprom_image(EEPromImage& image, int type_index);

} // namespace korvane
