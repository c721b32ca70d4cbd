#pragma once
// File-name helpers shared by the file commands. Both "\" and "/" separate directories, so names
// from either kind of system work.
#include <string>
#include <string_view>

namespace korvane {

// The name up to and including its last separator; empty when it has none.
std::string directory_part(std::string_view name);

// 1-based position of the last "." of the name, 0 when there is none.
std::size_t last_dot(std::string_view name);

// The up to three characters after the last ".", upper-cased; empty for a name without a dot.
// "image.hexfile" gives "HEX".
std::string file_type(std::string_view name);

// The short form of a full name shown in the status bar: up to 35 characters unchanged, else
// the drive (or the root) + "\..\" + the tail of the path, shortened further around its last dot.
std::string display_name(std::string_view name);

} // namespace korvane
