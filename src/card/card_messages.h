#pragma once
// The texts the card link and the operations through the loader show.
#include <cstdint>
#include <string>

namespace korvane {

// The error text for a link error code; code 16 names the reader's port.
std::string card_error_text(int code, const std::string& port_name);

inline constexpr const char* kCardEEPromCaption = " EEProm";
inline constexpr const char* kCardAborted = "Process Aborted";
inline constexpr const char* kCardVerifyFailed = "EEProm Verify Through Not Successfull";
inline constexpr const char* kCardWriteThrough = "EEProm Write Through";
inline constexpr const char* kCardVerifyThrough = "EEProm Verify Through";
inline constexpr const char* kCardEraseThrough = "EEProm Erase Through";
inline constexpr const char* kCardSuccess = "Successfully Completed";

// "Fail Address = 0100h".
std::string card_fail_address(std::uint32_t address);

} // namespace korvane
