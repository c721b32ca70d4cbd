#pragma once
// The EEPROM modes' file commands, once the window's dialog has given a name. The format follows
// the name's type: "BIN" raw binary, "HEX" INHX8. Failures are reported in the error box captioned
// with the EEPROM device title.
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/eeprom_buffers.h"

namespace korvane {

struct EEPromFileContext {
    EEPromImage& image;        // the active buffer
    int type_index;            // the EEPROM type selected for it
    SettingsRecord& settings;  // last EEPROM directory, recent EEPROM files
    IHost& host;
};

// Open File after the dialog, and the recent EEPROM files menu: loads into the image without
// clearing it first (the callers clear). The buffer takes the name, and the last EEPROM directory
// its directory, before the type and the file are checked; once the file opens its name is added
// to the recent EEPROM files (callers need not add it). True when the whole file was read.
bool load_eeprom_file_by_name(const EEPromFileContext& ctx, const std::string& name);

// Save File As after the dialog. A type other than BIN or HEX is refused ("File Type Not
// Correct") and nothing changes; otherwise the buffer takes the name and the last EEPROM directory
// its directory, and the file is written. A failed write is reported ("Couldn't Write File" and
// the name) and leaves no file behind. Saving does not touch the recent list.
bool save_eeprom_file(const EEPromFileContext& ctx, const std::string& name);

} // namespace korvane
