#pragma once
// Drives gpsim, the independent PIC simulator from the gputils tool family, in its command-line
// mode over a pipe: start a processor with a program, send commands, read the replies, step,
// read registers, the cycle counter and pin levels. Every failure (gpsim missing, a command it
// rejects, no reply in time) throws GpsimError with gpsim's own words, so a test fails with the
// reason instead of skipping.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

namespace korvane::gpsim {

class GpsimError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A word at a file (byte) address: the 16F's configuration word at 0x400E (word 0x2007), the
// 18F's configuration bytes from 0x300000 as little-endian pairs.
struct HexWord {
    std::uint32_t byte_address;
    std::uint16_t word;
};

// Intel HEX (INHX32) of program words from address 0, little-endian, as both families' files
// hold them (the 16F's word n at byte 2n, the 18F's at byte 2n), then the extra words.
std::string program_hex(const std::vector<std::uint16_t>& words, const std::vector<HexWord>& extra = {});
// Writes program_hex() to a file; throws GpsimError when it cannot.
void write_program_hex(const std::filesystem::path& file, const std::vector<std::uint16_t>& words,
                       const std::vector<HexWord>& extra = {});

class GpsimProcess {
public:
    // Runs `gpsim -i -p <processor> <hex>` (processor as gpsim names it: "p16f84", "p16f628",
    // "p16f877", "p18f452"; gpsim creates the processor only with a program) and waits for its
    // first prompt. `executable` is looked up on PATH.
    GpsimProcess(const std::string& processor, const std::filesystem::path& hex, std::string executable = "gpsim");
    ~GpsimProcess();
    GpsimProcess(const GpsimProcess&) = delete;
    GpsimProcess& operator=(const GpsimProcess&) = delete;

    // Why gpsim cannot run here ("" when it can): not on PATH.
    static std::string unavailable_reason(const std::string& executable = "gpsim");

    // One command line; returns gpsim's reply without the echoed command and the prompt.
    // Throws GpsimError when the reply reports an error.
    std::string command(const std::string& line);
    // Several command lines written at once (no wait between them), one reply each.
    std::vector<std::string> commands(const std::vector<std::string>& lines);

    // Runs `count` instructions (gpsim's `step N` counts instructions, not cycles; the first
    // after a reset stops one short).
    void step(std::uint64_t count);
    // The `before` lines, `run` until a break point, then the `queries`, all sent at once: one
    // reply per line, in order. gpsim prompts twice after a run.
    std::vector<std::string> run_then(const std::vector<std::string>& queries = {},
                                      const std::vector<std::string>& before = {});
    // gpsim's reset: the processor's power-on state, PC 0. The cycle counter runs on.
    void reset();
    std::uint64_t cycles();

    // A symbol's value: "W", "pc", "status", "fsr0l", "stkptr", ... (as `symbol` lists them).
    std::uint32_t value(const std::string& symbol);
    void set(const std::string& symbol, std::uint32_t value);
    // The file register at a data address (banks included, 16F: 0..0x1FF, 18F: 0..0xFFF).
    std::uint8_t ram(std::uint32_t address);
    // All registers from `dump`: index = address, -1 where gpsim has no register.
    std::vector<int> ram_dump();
    // A program memory word: the 16F's word address, the 18F's byte address (even).
    std::uint16_t program_word(std::uint32_t address);
    void set_program_word(std::uint32_t address, std::uint16_t word);
    // A pin's logic level as gpsim sees it: 1 high, 0 low, -1 floating. `pin` is the symbol
    // of the pin ("portb0", "porta4").
    int pin(const std::string& pin);

    const std::string& processor() const { return processor_; }
    bool running() const { return pid_ > 0; }
    // gpsim's name of the processor as its symbols are prefixed ("p16f84").
    std::string symbol_prefix() const { return processor_; }
    // Replies time out after this long (default 20 s): a hung gpsim fails the caller and is
    // killed; every later command throws.
    void set_timeout_ms(int ms) { timeout_ms_ = ms; }

private:
    std::string read_until_prompt(const std::string& context);
    // One reply per line already sent, echo stripped; throws on a reported error.
    std::vector<std::string> read_replies(const std::vector<std::string>& lines);
    void write_all(const std::string& text);
    void close_process(bool kill_now = false);

    std::string processor_;
    pid_t pid_ = -1;
    int to_child_ = -1, from_child_ = -1;
    std::string pending_;   // read but not yet consumed
    int timeout_ms_ = 20000;
};

// The number after '=' in a reply such as "W = 0x46", "p16f84.ramData[$c] = $12" or
// "5 = 0x00000005"; throws GpsimError when there is none.
std::uint32_t reply_value(const std::string& reply);
// The registers of a `dump r` reply: index = address, -1 where gpsim has no register.
std::vector<int> parse_ram_dump(const std::string& reply);
// The count of a `cycles` reply ("5 = 0x00000005").
std::uint64_t reply_cycles(const std::string& reply);

} // namespace korvane::gpsim
