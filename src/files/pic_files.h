#pragma once
// The PIC mode's file commands, once the window's dialog has given a name. Failures are reported
// in the error box captioned with the device title; status-bar panel 2 shows the loaded file.
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"

namespace korvane {

struct PicFileContext {
    PicImage& image;          // the active buffer
    int device_index;         // the device selected for it
    SettingsRecord& settings; // last PIC directory, recent PIC files
    IHost& host;
};

// Open File after the dialog (the window clears the buffer before the dialog and refreshes the
// views afterwards): a name whose type is not HEX is refused, any other is loaded by name and
// added to the recent PIC files. True when the whole file was read.
bool open_pic_file(const PicFileContext& ctx, const std::string& name);

// Loads the file into the image without clearing it first (the callers clear). The buffer takes
// the name even when the file cannot be opened.
bool load_pic_file_by_name(const PicFileContext& ctx, const std::string& name, bool add_to_recent);

// Save File As after the dialog: writes the whole image as HEX under the name. A file that cannot
// be created or written is reported ("Couldn't Write File" and the name) and not left behind.
// Changes neither the last PIC directory nor the buffer's file name.
bool save_pic_file(const PicFileContext& ctx, const std::string& name);

} // namespace korvane
