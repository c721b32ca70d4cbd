#pragma once
// An IEEE 1364 Value Change Dump of one-bit wires, streamed to a file: the header first, then
// one "#time" line per instant and one "0x"/"1x" line per change. Only a small buffer is held,
// so a trace of any length costs bounded memory.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace korvane::trace {

class VcdWriter {
public:
    VcdWriter() = default;
    ~VcdWriter();
    VcdWriter(const VcdWriter&) = delete;
    VcdWriter& operator=(const VcdWriter&) = delete;

    // Declares a wire in a scope (module); scopes appear in the order first used. Returns its
    // index for change(). Only before begin().
    int declare(std::string_view scope, std::string_view name);
    // Closes any file and forgets the wires.
    void reset();

    // Creates the file and writes the header with a 1 ns timescale. False with error() set when
    // the file cannot be created.
    bool begin(const std::filesystem::path& file);
    bool is_open() const { return file_ != nullptr; }

    // Wire `index` takes `level` at `time_ns` (times never go back; an earlier time is taken as
    // the last one written).
    void change(int index, bool level, std::uint64_t time_ns);

    // Flushes and closes; false when any write failed (error() says why).
    bool finish();
    const std::string& error() const { return error_; }

    static constexpr std::size_t kBufferBytes = 64 * 1024;

private:
    struct Wire {
        std::string scope;
        std::string name;
        std::string code;   // the identifier code of the value lines
    };
    void flush();
    static std::string code_for(std::size_t index);

    std::vector<Wire> wires_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    std::uint64_t last_time_ = 0;
    bool time_written_ = false;
    bool failed_ = false;
    std::string error_;
};

} // namespace korvane::trace
