#pragma once
// TEE_THRU_IO (module EE_THRU_IO): the card link to the loader running in an ISO card's PIC, over
// the smart-card reader's own serial port, and the block reads and writes of the card's EEPROM
// built on it. It never owns image memory: it works on the image it is pointed at.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "hardware/ports.h"

namespace korvane {

// The reader's byte settings: 9600 baud with the 3.57 MHz clock, 16457 with 6.00 MHz; 8E2.
SerialSettings card_reader_settings(int reader_clock);
// 10 ms between bytes, 20 ms + 10 ms per byte requested for the whole read.
SerialTimeouts card_reader_timeouts(std::size_t bytes_requested);

// Block lengths per EEPROM type index: what one write block carries, what one read block asks for.
std::size_t card_write_block_length(int eeprom_type);
std::size_t card_read_block_length(int eeprom_type);

class TEE_THRU_IO {
public:
    TEE_THRU_IO(SettingsRecord& settings, IHost& host, PortResolver& resolver);
    ~TEE_THRU_IO();
    TEE_THRU_IO(const TEE_THRU_IO&) = delete;
    TEE_THRU_IO& operator=(const TEE_THRU_IO&) = delete;

    // --- fields, in the program's order ---
    std::uint8_t task_running = 0;
    std::uint8_t abort_requested = 0;
    std::uint8_t error_reported = 0;

    // The window's ProgBar, always (the ShowProgress option does not apply here); may be null.
    IProgressBar* progress_bar = nullptr;

    // The image and last address of the EEPROM object (the card's EEPROM type).
    void set_image(std::uint8_t* image, std::uint32_t last_address);
    std::uint32_t last_address() const { return last_address_; }

    // --- link ---
    bool open_reader_port();
    bool reset_and_answer();
    bool init_command();
    std::uint8_t read_one_byte();
    bool report_error(int code);
    void close_reader_port();

    // --- blocks ---
    bool write_blocks(std::size_t n);
    bool read_blocks(std::size_t n, bool verify);
    // The Abort command: only sets the flag, and only while a routine runs.
    void abort();

private:
    std::string port_name() const;
    // Writes the bytes, then reads back and drops their echo.
    void send(std::span<const std::uint8_t> bytes);
    std::size_t read_raw(std::uint8_t* buf, std::size_t n);
    void begin_routine();
    bool reset_and_init();
    bool read_one_block(std::uint32_t addr, std::size_t n, bool verify);
    void progress_start(std::size_t n);
    void progress_step();
    void progress_end();

    SettingsRecord& settings_;
    IHost& host_;
    PortResolver& resolver_;
    Endpoint endpoint_{};
    std::unique_ptr<ISerialPort> port_;
    std::uint8_t* image_ = nullptr;
    std::uint32_t last_address_ = 0;
};

} // namespace korvane
