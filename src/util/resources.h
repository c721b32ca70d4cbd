#pragma once
#include <span>
#include <string_view>

namespace korvane {

// Files under src/resources/embedded, compiled into the program, and the card loaders built from
// src/resources/loader ("UNIVERSAL_LOADER16F", "UNIVERSAL_LOADER18F"); empty when the name is
// unknown.
std::span<const unsigned char> embedded_resource(std::string_view name);

} // namespace korvane
