#pragma once
// A fuzz input is a selector byte (device, type, mode) followed by the file's bytes, so one
// corpus covers every device and the seeds say which device they were written for.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace korvane::fuzz {

struct Input {
    std::uint8_t selector = 0;
    std::string_view bytes;
};

inline Input split(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return {};
    return {data[0], std::string_view(reinterpret_cast<const char*>(data + 1), size - 1)};
}

// A broken property is a finding like a crash: libFuzzer saves the input when the process aborts.
inline void require(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

// Whole-image checks write and read back up to 64 KB of HEX text, a hundred times the cost of
// reading the input: they run on every 64th input, and always on the first, so that running a
// saved finding on its own repeats its check.
inline bool whole_image_check_due() {
    static unsigned count = 0;
    return count++ % 64 == 0;
}

} // namespace korvane::fuzz
