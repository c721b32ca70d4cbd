#include "files/file_names.h"

#include <cctype>

namespace korvane {
namespace {

constexpr std::size_t kDisplayMax = 35;

bool is_separator(char c) { return c == '\\' || c == '/'; }

} // namespace

std::string directory_part(std::string_view name) {
    for (std::size_t i = name.size(); i > 0; --i)
        if (is_separator(name[i - 1])) return std::string(name.substr(0, i));
    return {};
}

std::size_t last_dot(std::string_view name) {
    const auto p = name.rfind('.');
    return p == std::string_view::npos ? 0 : p + 1;
}

std::string file_type(std::string_view name) {
    const std::size_t dot = last_dot(name);
    if (dot == 0) return {};
    std::string t(name.substr(dot, 3));
    for (auto& c : t) c = char(std::toupper(static_cast<unsigned char>(c)));
    return t;
}

std::string display_name(std::string_view name) {
    if (name.size() <= kDisplayMax) return std::string(name);
    // Windows names keep their drive ("C:") in front; POSIX names keep only the root "/".
    const bool windows = name.find('\\') != std::string_view::npos && name.find('/') == std::string_view::npos;
    const char sep = windows ? '\\' : '/';
    const std::string drive = windows ? std::string(name.substr(0, 2)) : std::string();
    std::string rest(name);
    while (rest.size() > kDisplayMax) {
        const auto p = rest.find(sep);
        if (p == std::string::npos) break;
        rest.erase(0, p + 1);
    }
    if (rest.size() > kDisplayMax) {
        if (const auto dot = rest.rfind('.'); dot != std::string::npos)
            rest = rest.substr(0, 30) + "..." + rest.substr(dot + 1);
        else
            rest.resize(kDisplayMax);
    }
    return drive + sep + ".." + sep + rest;
}

} // namespace korvane
