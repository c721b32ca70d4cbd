#include "gpsim/lib/gpsim_process.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace korvane::gpsim {

namespace {

constexpr const char* kPrompt = "**gpsim> ";

std::string hex_record(std::uint16_t address, std::uint8_t type, const std::uint8_t* data, std::size_t n) {
    char buf[16];
    unsigned sum = unsigned(n) + (address >> 8) + (address & 0xFF) + type;
    std::snprintf(buf, sizeof buf, ":%02X%04X%02X", unsigned(n), address, type);
    std::string line = buf;
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(buf, sizeof buf, "%02X", data[i]);
        line += buf;
        sum += data[i];
    }
    std::snprintf(buf, sizeof buf, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + buf;
}

// Bytes at consecutive addresses from `start`, as data records with the upper address records.
void append_bytes(std::string& out, std::uint32_t start, const std::vector<std::uint8_t>& bytes,
                  std::uint32_t& upper) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint32_t address = start + std::uint32_t(i);
        if ((address >> 16) != upper) {
            upper = address >> 16;
            const std::uint8_t ext[2] = {std::uint8_t(upper >> 8), std::uint8_t(upper)};
            out += hex_record(0, 4, ext, 2);
        }
        // A record stays within one 64 KiB segment.
        const std::size_t room = 0x10000 - (address & 0xFFFF);
        const std::size_t n = std::min<std::size_t>({16, bytes.size() - i, room});
        out += hex_record(std::uint16_t(address), 0, bytes.data() + i, n);
        i += n;
    }
}

bool reports_error(const std::string& reply) {
    return reply.find("***ERROR") != std::string::npos || reply.find("Error:") != std::string::npos ||
           reply.find("syntax error") != std::string::npos;
}

std::string trim(std::string s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
    std::size_t b = 0;
    while (b < s.size() && (s[b] == '\n' || s[b] == ' ')) ++b;
    return s.substr(b);
}

} // namespace

std::string program_hex(const std::vector<std::uint16_t>& words, const std::vector<HexWord>& extra) {
    std::string out;
    std::uint32_t upper = 0;
    std::vector<std::uint8_t> bytes;
    bytes.reserve(words.size() * 2);
    for (auto w : words) {
        bytes.push_back(std::uint8_t(w));
        bytes.push_back(std::uint8_t(w >> 8));
    }
    append_bytes(out, 0, bytes, upper);
    for (const auto& e : extra) append_bytes(out, e.byte_address, {std::uint8_t(e.word), std::uint8_t(e.word >> 8)}, upper);
    out += hex_record(0, 1, nullptr, 0);
    return out;
}

void write_program_hex(const std::filesystem::path& file, const std::vector<std::uint16_t>& words,
                       const std::vector<HexWord>& extra) {
    std::ofstream f(file, std::ios::binary | std::ios::trunc);
    f << program_hex(words, extra);
    f.close();
    if (!f) throw GpsimError("cannot write the hex file " + file.string());
}

std::uint32_t reply_value(const std::string& reply) {
    const auto eq = reply.rfind('=');
    if (eq == std::string::npos) throw GpsimError("gpsim gave no value: '" + reply + "'");
    std::size_t i = eq + 1;
    while (i < reply.size() && reply[i] == ' ') ++i;
    int base = 10;
    if (reply.compare(i, 2, "0x") == 0) {
        base = 16;
        i += 2;
    } else if (i < reply.size() && reply[i] == '$') {
        base = 16;
        i += 1;
    }
    char* end = nullptr;
    const unsigned long long v = std::strtoull(reply.c_str() + i, &end, base);
    if (end == reply.c_str() + i) throw GpsimError("gpsim gave no number: '" + reply + "'");
    return std::uint32_t(v);
}

std::string GpsimProcess::unavailable_reason(const std::string& executable) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        const auto colon = dirs.find(':', start);
        const std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!dir.empty() && ::access((dir + "/" + executable).c_str(), X_OK) == 0) return "";
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return executable + " is not installed (Debian package gpsim; scripts/deps.sh installs it)";
}

GpsimProcess::GpsimProcess(const std::string& processor, const std::filesystem::path& hex, std::string executable)
    : processor_(processor) {
    if (const std::string why = unavailable_reason(executable); !why.empty()) throw GpsimError(why);
    if (!std::filesystem::exists(hex)) throw GpsimError("no hex file " + hex.string());
    // Commands go through a socket so that writing to a gpsim that died reports EPIPE instead
    // of raising SIGPIPE in the test; replies (stdout and stderr) come through a pipe.
    int in[2], out[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, in) != 0) throw GpsimError("socketpair failed");
    if (::pipe2(out, O_CLOEXEC) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        throw GpsimError("pipe failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[1], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    const std::string hex_path = hex.string();
    // The hex is loaded by command: given on the command line, its messages follow the first prompt.
    std::vector<std::string> args = {executable, "-i", "-p", processor};
    // A test killed in the middle of a run (a ctest time-out, ^C) must not leave gpsim spinning:
    // while it runs, gpsim does not read its input, so it never sees the end of it.
    if (unavailable_reason("setpriv").empty()) args.insert(args.begin(), {"setpriv", "--pdeathsig", "KILL"});
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = ::posix_spawnp(&pid_, args.front().c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[1]);
    ::close(out[1]);
    to_child_ = in[0];
    from_child_ = out[0];
    if (rc != 0) {
        pid_ = -1;
        close_process();
        throw GpsimError("cannot start " + executable + ": " + std::strerror(rc));
    }
    try {
        read_until_prompt("start");
        const std::string loaded = command("load " + hex_path);
        if (loaded.find("LoadProgramFile") == std::string::npos)
            throw GpsimError("gpsim did not load " + hex_path + " for " + processor + ": " + loaded);
        // An unknown part loads nothing and leaves no processor: then there is no PC.
        value("pc");
    } catch (...) {
        close_process();
        throw;
    }
}

GpsimProcess::~GpsimProcess() { close_process(); }

void GpsimProcess::close_process(bool kill_now) {
    if (to_child_ >= 0) {
        const char quit[] = "quit\n";
        (void)::send(to_child_, quit, sizeof quit - 1, MSG_NOSIGNAL);
        ::close(to_child_);
        to_child_ = -1;
    }
    if (from_child_ >= 0) {
        ::close(from_child_);
        from_child_ = -1;
    }
    if (pid_ > 0) {
        // gpsim quits at once on "quit" or end of input; one that does not is ended.
        for (int i = 0; i < (kill_now ? 0 : 200); ++i) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            ::usleep(5000);
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

void GpsimProcess::write_all(const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::send(to_child_, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw GpsimError("gpsim stopped reading commands: " + std::string(std::strerror(errno)));
        done += std::size_t(n);
    }
}

std::string GpsimProcess::read_until_prompt(const std::string& context) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms_);
    for (;;) {
        if (const auto at = pending_.find(kPrompt); at != std::string::npos) {
            std::string reply = pending_.substr(0, at);
            pending_.erase(0, at + std::strlen(kPrompt));
            return reply;
        }
        if (from_child_ < 0) throw GpsimError("gpsim is no longer running ('" + context + "')");
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            // A gpsim that runs on without a break point never reads again: end it now.
            const std::string said = pending_;
            close_process(true);
            throw GpsimError("gpsim did not answer '" + context + "' in time; it said: " + said);
        }
        pollfd p{from_child_, POLLIN, 0};
        const int r = ::poll(&p, 1, int(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) continue;
        char buf[8192];
        const ssize_t n = ::read(from_child_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw GpsimError("gpsim ended during '" + context + "'; it said: " + pending_);
        for (ssize_t i = 0; i < n; ++i)
            if (buf[i] != '\0') pending_ += buf[i];
    }
}

std::vector<std::string> GpsimProcess::commands(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\n";
    write_all(text);
    return read_replies(lines);
}

std::vector<std::string> GpsimProcess::run_then(const std::vector<std::string>& queries,
                                                const std::vector<std::string>& before) {
    std::string text;
    for (const auto& l : before) text += l + "\n";
    text += "run\n";
    for (const auto& l : queries) text += l + "\n";
    write_all(text);
    std::vector<std::string> replies = read_replies(before);
    for (auto& r : read_replies({"run"})) replies.push_back(std::move(r));
    read_until_prompt("run");   // the second prompt, after a repeated "run"
    for (auto& r : read_replies(queries)) replies.push_back(std::move(r));
    return replies;
}

std::vector<std::string> GpsimProcess::read_replies(const std::vector<std::string>& lines) {
    std::vector<std::string> replies;
    replies.reserve(lines.size());
    for (const auto& l : lines) {
        std::string reply = read_until_prompt(l);
        // gpsim echoes each line it reads from a pipe.
        if (reply.compare(0, l.size(), l) == 0 && (reply.size() == l.size() || reply[l.size()] == '\n'))
            reply.erase(0, std::min(reply.size(), l.size() + 1));
        if (reports_error(reply)) throw GpsimError("gpsim rejected '" + l + "': " + trim(reply));
        replies.push_back(trim(reply));
    }
    return replies;
}

std::string GpsimProcess::command(const std::string& line) { return commands({line}).front(); }

void GpsimProcess::step(std::uint64_t count) {
    if (count > 0) command("step " + std::to_string(count));
}

void GpsimProcess::reset() { command("reset"); }

std::uint64_t GpsimProcess::cycles() {
    return reply_cycles(command("cycles"));
}

std::uint32_t GpsimProcess::value(const std::string& symbol) { return reply_value(command(symbol)); }

void GpsimProcess::set(const std::string& symbol, std::uint32_t value) {
    command(symbol + " = " + std::to_string(value));
}

std::uint8_t GpsimProcess::ram(std::uint32_t address) {
    return std::uint8_t(reply_value(command("ramData[" + std::to_string(address) + "]")));
}

std::vector<int> GpsimProcess::ram_dump() {
    const std::string reply = command("dump r");
    auto regs = parse_ram_dump(reply);
    if (regs.empty()) throw GpsimError("gpsim's dump had no registers: " + reply);
    return regs;
}

std::vector<int> parse_ram_dump(const std::string& reply) {
    std::vector<int> regs;
    std::size_t pos = 0;
    while (pos < reply.size()) {
        auto eol = reply.find('\n', pos);
        if (eol == std::string::npos) eol = reply.size();
        const std::string line = reply.substr(pos, eol - pos);
        pos = eol + 1;
        // "0080:  00 ff 03 18 00 3f ff -- ...    ascii"
        const auto colon = line.find(':');
        if (colon == std::string::npos || colon > 8) continue;
        char* end = nullptr;
        const unsigned long base = std::strtoul(line.c_str(), &end, 16);
        if (end != line.c_str() + colon) continue;
        std::size_t i = colon + 1;
        for (unsigned k = 0; k < 16; ++k) {
            while (i < line.size() && line[i] == ' ') ++i;
            if (i + 2 > line.size()) break;
            const std::string cell = line.substr(i, 2);
            i += 2;
            if (regs.size() < base + k + 1) regs.resize(base + k + 1, -1);
            regs[base + k] = cell == "--" ? -1 : int(std::strtoul(cell.c_str(), nullptr, 16));
        }
    }
    return regs;
}

std::uint64_t reply_cycles(const std::string& reply) {
    const auto x = reply.rfind("0x");
    if (x == std::string::npos) throw GpsimError("gpsim gave no cycle count: '" + reply + "'");
    return std::strtoull(reply.c_str() + x + 2, nullptr, 16);
}

std::uint16_t GpsimProcess::program_word(std::uint32_t address) {
    return std::uint16_t(reply_value(command("romData[" + std::to_string(address) + "]")));
}

void GpsimProcess::set_program_word(std::uint32_t address, std::uint16_t word) {
    command("romData[" + std::to_string(address) + "] = " + std::to_string(word));
}

int GpsimProcess::pin(const std::string& pin) {
    // "... Driving=OUT drivingState=1 drivenState=0 bitState=0": an output's level is what it
    // drives; an input's is the state of the node, Z when nothing drives it.
    const std::string reply = command(pin);
    const bool output = reply.find("Driving=OUT") != std::string::npos;
    const std::string key = output ? "drivingState=" : "bitState=";
    const auto at = reply.find(key);
    if (at == std::string::npos || at + key.size() >= reply.size())
        throw GpsimError("gpsim gave no pin state for " + pin + ": " + reply);
    const char c = reply[at + key.size()];
    if (c == '1' || c == 'H' || c == 'W') return 1;
    if (c == '0' || c == 'L' || c == 'w') return 0;
    return -1;
}

} // namespace korvane::gpsim
