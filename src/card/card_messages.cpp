#include "card/card_messages.h"

#include <cstdio>

#include "card/card_frames.h"

namespace korvane {

std::string card_error_text(int code, const std::string& port_name) {
    switch (code) {
    case kCardChecksum: return "CheckSum Not Correct";
    case kCardNoAtr: return "No ATR Received";
    case kCardStatusUnknown: return "Status Byte UnKnown";
    case kCardCannotOpen: return "Unable To Open " + port_name;
    case kCardNoAck: return "Ack Not Received";
    case 0x67: return "Message Length Not Correct";
    case 0x6D: return "Instruction not valid";
    case 0x6E: return "Class not valid";
    default: return "Unknown Error";
    }
}

std::string card_fail_address(std::uint32_t address) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Fail Address = %04Xh", unsigned(address & 0xFFFF));
    return buf;
}

} // namespace korvane
