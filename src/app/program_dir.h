#pragma once
#include <string>

namespace korvane {

// Directory of the running executable, with a trailing path separator.
std::string program_directory();

} // namespace korvane
