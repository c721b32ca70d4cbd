#pragma once
// The bytes of the card link, without any port: command headers, checksums, the answer to reset
// and the judgement of what the loader sent back. Pure functions, so every reply can be checked
// (and fuzzed) without a reader.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace korvane {

inline constexpr std::uint8_t kCardClass = 0xC1;
inline constexpr std::uint8_t kInsInit = 0x00;
inline constexpr std::uint8_t kInsReadBlock = 0x01;
inline constexpr std::uint8_t kInsWriteBlock = 0x02;
inline constexpr std::uint8_t kCardStatusOk = 0x90;
inline constexpr std::uint8_t kCardStatusBadChecksum = 0x10;
// What the byte reader gives for a byte that never came (and after an abort).
inline constexpr std::uint8_t kNoByte = 0x23;
inline constexpr std::size_t kAtrLength = 16;
inline constexpr std::size_t kMaxBlock = 128;

// Error codes of the link; a wrong procedure byte is itself used as the code.
enum CardError : int {
    kCardOk = 0,
    kCardChecksum = 1,
    kCardNoAtr = 2,
    kCardStatusUnknown = 3,
    kCardCannotOpen = 16,
    kCardNoAck = 0x23,
    // A procedure byte 0x00 where another instruction was due: the byte itself would read as
    // success. No byte gives this code; its text is "Unknown Error".
    kCardZeroProcedure = 0x100,
};

using CardHeader = std::array<std::uint8_t, 5>;

// C1 00 00 F 00: F = 1 selects the one-address-byte (24C16) addressing of the loader.
CardHeader init_header(bool eeprom_24c16);
// C1 01|02 addrH addrL n+1.
CardHeader read_block_header(std::uint16_t address, std::size_t n);
CardHeader write_block_header(std::uint16_t address, std::size_t n);

// Exclusive OR of the bytes (0 for none).
std::uint8_t block_checksum(std::span<const std::uint8_t> bytes);

// The loader's answer to reset: 01 02 .. 0E 90 00 as the first 16 bytes received.
bool atr_accepted(std::span<const std::uint8_t> received);
std::array<std::uint8_t, kAtrLength> loader_atr();

// The error for a procedure byte: 0 when it is the instruction expected, else the byte itself
// (kCardZeroProcedure for a wrong 0x00).
int procedure_error(std::uint8_t procedure, std::uint8_t expected_ins);
// The status byte after Init: 0 for 0x90, else code 3.
int init_status_error(std::uint8_t status);
// The status byte after a write block's data: 0 for 0x90, 1 for 0x10, else 3.
int write_status_error(std::uint8_t status);

// What came back for a read block after the header echo: the procedure byte, the data bytes and
// the checksum byte, in that order. `received` may be short (bytes that never came are missing).
struct ReadBlockReply {
    int error = kCardOk;             // a link error code, 0 when none
    bool verify_failed = false;      // verifying: a data byte differed from `expected`
    std::size_t first_difference = 0;
    std::vector<std::uint8_t> data;  // the n data bytes, kNoByte for the missing ones
};

// Judges a read block of n bytes. With `expected` (n bytes) it verifies: the first data byte that
// differs ends the block with verify_failed before the checksum is looked at.
ReadBlockReply decode_read_block(std::span<const std::uint8_t> received, std::size_t n,
                                 const std::uint8_t* expected = nullptr);

} // namespace korvane
