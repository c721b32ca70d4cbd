#include "trace/vcd_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvane::trace {

VcdWriter::~VcdWriter() { finish(); }

std::string VcdWriter::code_for(std::size_t index) {
    // Printable identifier codes '!'..'~', several characters once they run out.
    constexpr std::size_t kSpan = '~' - '!' + 1;
    std::string code;
    do {
        code.push_back(char('!' + index % kSpan));
        index /= kSpan;
    } while (index > 0);
    return code;
}

int VcdWriter::declare(std::string_view scope, std::string_view name) {
    wires_.push_back({std::string(scope), std::string(name), code_for(wires_.size())});
    return int(wires_.size() - 1);
}

void VcdWriter::reset() {
    finish();
    wires_.clear();
}

bool VcdWriter::begin(const std::filesystem::path& file) {
    finish();
    failed_ = false;
    error_.clear();
    time_written_ = false;
    last_time_ = 0;
    file_ = std::fopen(file.string().c_str(), "wb");
    if (!file_) {
        error_ = file.string() + ": " + std::strerror(errno);
        return false;
    }
    buffer_.reserve(kBufferBytes + 256);
    buffer_ = "$version Korvane line trace $end\n$timescale 1 ns $end\n";
    // Wires of one scope stay together, scopes in the order first declared.
    std::vector<std::string> scopes;
    for (const Wire& w : wires_)
        if (std::find(scopes.begin(), scopes.end(), w.scope) == scopes.end()) scopes.push_back(w.scope);
    for (const std::string& scope : scopes) {
        buffer_ += "$scope module " + scope + " $end\n";
        for (const Wire& w : wires_)
            if (w.scope == scope) buffer_ += "$var wire 1 " + w.code + " " + w.name + " $end\n";
        buffer_ += "$upscope $end\n";
    }
    buffer_ += "$enddefinitions $end\n";
    flush();
    return !failed_;
}

void VcdWriter::change(int index, bool level, std::uint64_t time_ns) {
    if (!file_ || index < 0 || std::size_t(index) >= wires_.size()) return;
    if (time_ns < last_time_) time_ns = last_time_;
    if (!time_written_ || time_ns != last_time_) {
        buffer_ += '#';
        buffer_ += std::to_string(time_ns);
        buffer_ += '\n';
        last_time_ = time_ns;
        time_written_ = true;
    }
    buffer_ += level ? '1' : '0';
    buffer_ += wires_[std::size_t(index)].code;
    buffer_ += '\n';
    if (buffer_.size() >= kBufferBytes) flush();
}

void VcdWriter::flush() {
    if (!file_ || buffer_.empty()) return;
    if (!failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        failed_ = true;
        error_ = std::strerror(errno);
    }
    buffer_.clear();
}

bool VcdWriter::finish() {
    if (!file_) return !failed_;
    flush();
    if (std::fclose(file_) != 0 && !failed_) {
        failed_ = true;
        error_ = std::strerror(errno);
    }
    file_ = nullptr;
    return !failed_;
}

} // namespace korvane::trace
