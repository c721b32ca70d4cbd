#pragma once
// The file commands' error texts.
#include <cstddef>
namespace korvane {

inline constexpr const char* kFileTypeNotCorrect = "File Type Not Correct";
inline constexpr const char* kInvalidFileName = "Invalid File Name";
inline constexpr const char* kCheckSumNotCorrect = "CheckSum Not Correct";
inline constexpr const char* kCouldntWriteFile = "Couldn't Write File";

// Status-bar panel that shows the active buffer's file.
inline constexpr int kFileStatusPanel = 2;

// File names the settings record can hold.
inline constexpr std::size_t kStoredNameMax = 128;

} // namespace korvane
