#pragma once
// The Assembler View command without its window: the 18F refusal and the listing of the active
// buffer. The window checks the busy flag, hides its tool buttons, shows the lines and sets its
// assembler-view flag.
#include <optional>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"
#include "disasm/disassembler.h"

namespace korvane {

// The listing options in force: "Radix Type", "Show Fuses", "Show Offset", "Show OPCode".
ListingOptions listing_options(const SettingsRecord& settings);

// For an 18F device shows the "Warning" box (" Not Available For 16 Bits PIC !") and returns false.
bool assembler_view_available(IHost& host, int device_index);

// The listing of a 16F image; the image is only read.
std::vector<std::string> disassemble_image(const PicImage& image, int device_index,
                                           const ListingOptions& options);

// Both steps: nothing (after the warning) for an 18F device, the listing otherwise.
std::optional<std::vector<std::string>> assembler_view_listing(IHost& host, const PicImage& image,
                                                               int device_index,
                                                               const SettingsRecord& settings);

} // namespace korvane
