#pragma once
// The five PIC images (buffers 1..5) of the PIC and ISO-PIC work modes.
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace korvane {

constexpr int kBufferCount = 5;
constexpr std::size_t kPicCodeWords = 16384;   // the largest device: 32 KB of 18F program memory
constexpr std::size_t kPicDataBytes = 257;
constexpr std::size_t kPicConfigWords = 8;
constexpr std::size_t kPicIdBytes = 8;

struct PicImage {
    // 16F: word k of the configuration area is PIC address 0x2000 + k (0..3 IDs, 6 device ID,
    // 7 configuration word). 18F: word k (0..6) is configuration word k + 1; word 7 is unused.
    std::array<std::uint16_t, kPicCodeWords> code{};
    std::array<std::uint8_t, kPicDataBytes> data{};
    std::array<std::uint16_t, kPicConfigWords> config{};
    std::array<std::uint8_t, kPicIdBytes> id{};   // 18F ID locations 0x200000 + k
    std::string code_marks;                        // edit-mark bitmaps, see buffers/marks.h
    std::string data_marks;
    bool empty = false;
    std::string file_name;
};

class TPicBuffers {
public:
    TPicBuffers();
    // n is the buffer number 1..5 (clamped into range).
    PicImage& operator[](int n);
    const PicImage& operator[](int n) const;

private:
    std::array<std::unique_ptr<PicImage>, kBufferCount> images_;
};

// Writes the device's blank values into the image in the fixed order (code, data, configuration
// words 0..6, ID bytes, then the 16F configuration word 7) and sets the empty flag.
void clear_pic_image(PicImage& image, int device_index);

// Clears all five buffers for the device and empties their marks and file names.
void clear_all_pic_buffers(TPicBuffers& buffers, int device_index);

} // namespace korvane
