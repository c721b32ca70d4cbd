// The block half of TEE_THRU_IO: the card's EEPROM written and read (or verified) block by block.
#include <vector>

#include "card/card_frames.h"
#include "card/card_messages.h"
#include "card/ee_thru_io.h"

namespace korvane {

void TEE_THRU_IO::progress_start(std::size_t n) {
    if (!progress_bar) return;
    progress_bar->set_range(0, int((last_address_ - 1) / n));
    progress_bar->set_step(1);
}

void TEE_THRU_IO::progress_step() {
    if (progress_bar) progress_bar->step_it();
}

void TEE_THRU_IO::progress_end() {
    if (progress_bar) progress_bar->set_position(0);
}

void TEE_THRU_IO::begin_routine() {
    task_running = 1;
    abort_requested = 0;
    error_reported = 0;
}

// Reset, answer to reset and Init; false when the routine cannot go on (the error is shown).
bool TEE_THRU_IO::reset_and_init() {
    if (!reset_and_answer()) return !report_error(kCardNoAtr);
    return init_command();
}

bool TEE_THRU_IO::write_blocks(std::size_t n) {
    host_.set_tx_led(false);
    progress_start(n);
    bool failed = false;
    begin_routine();
    failed = !reset_and_init();
    for (std::uint32_t addr = 0; addr < last_address_ && !failed && !abort_requested;) {
        host_.process_messages();
        if (addr % 16 == 0) host_.toggle_tx_led();
        send(write_block_header(std::uint16_t(addr), n));
        const std::uint8_t procedure = read_one_byte();
        if (const int err = procedure_error(procedure, kInsWriteBlock)) {
            failed = report_error(err);
            break;
        }
        std::vector<std::uint8_t> data(image_ + addr, image_ + addr + n);
        data.push_back(block_checksum(data));
        send(data);
        if (const int err = write_status_error(read_one_byte())) {
            failed = report_error(err);
            break;
        }
        addr += std::uint32_t(n);
        progress_step();
    }
    progress_end();
    close_reader_port();
    task_running = 0;
    host_.set_tx_led(false);
    return !failed && !abort_requested;
}

// One read block at addr: false when the routine fails (the error or verify box is shown).
bool TEE_THRU_IO::read_one_block(std::uint32_t addr, std::size_t n, bool verify) {
    send(read_block_header(std::uint16_t(addr), n));
    std::vector<std::uint8_t> received{read_one_byte()};
    if (received[0] == kInsReadBlock) {
        for (std::size_t i = 0; i < n; ++i) {
            received.push_back(read_one_byte());
            // A verify stops reading its block at the first difference.
            if (verify && received.back() != image_[addr + i]) break;
        }
        if (received.size() == n + 1) {
            // The card's checksum: one plain read, no retries.
            std::uint8_t checksum = 0;
            if (read_raw(&checksum, 1) == 1) received.push_back(checksum);
        }
    }
    const ReadBlockReply reply = decode_read_block(received, n, verify ? image_ + addr : nullptr);
    if (!verify)
        for (std::size_t i = 0; i < reply.data.size(); ++i) image_[addr + i] = reply.data[i];
    if (reply.verify_failed) {
        // After an abort the byte reader gives 0x23 for everything: that is no difference.
        if (!abort_requested && !error_reported) {
            error_box(host_, "", {kCardVerifyFailed, card_fail_address(addr)});
            error_reported = 1;
        }
        return false;
    }
    if (reply.error != kCardOk) return !report_error(reply.error);
    return true;
}

bool TEE_THRU_IO::read_blocks(std::size_t n, bool verify) {
    host_.set_rx_led(false);
    progress_start(n);
    begin_routine();
    bool failed = !reset_and_init();
    for (std::uint32_t addr = 0; addr < last_address_ && !failed && !abort_requested;) {
        host_.process_messages();
        if (addr % 16 == 0) host_.toggle_rx_led();
        if (!read_one_block(addr, n, verify)) {
            failed = true;
            break;
        }
        addr += std::uint32_t(n);
        progress_step();
        if (endpoint_.clock) endpoint_.clock->sleep_ms(1);
    }
    progress_end();
    close_reader_port();
    task_running = 0;
    host_.set_rx_led(false);
    return !failed && !abort_requested;
}

} // namespace korvane
