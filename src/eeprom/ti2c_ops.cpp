// The read/verify and write routines of TI2C over the I2C bus.
#include <cstdio>

#include "eeprom/ti2c.h"

namespace korvane {

namespace {
constexpr unsigned kSettleMs = 150;           // after target on, before the first transaction
constexpr unsigned kSettleOneByteMs = 300;    // the small types' write routine waits longer
constexpr int kRxLedEvery = 120;              // bytes
constexpr unsigned kTxLedEvery = 5;           // transaction start addresses

std::string fail_address(std::uint32_t a) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "Fail Address = %04Xh", unsigned(a & 0xFFFF));
    return buf;
}
} // namespace

// Dummy write of address 0, repeated start, read control byte; every byte must be acknowledged.
// Only block 0 is addressed: the device's counter runs on through the higher blocks.
bool TI2C::address_for_read() {
    bus_.start();
    bus_.send_byte(i2c_device_address(0, false));
    if (!bus_.check_ack(true)) return false;
    if (two_address_bytes()) {
        bus_.send_byte(0x00);
        if (!bus_.check_ack(true)) return false;
    }
    bus_.send_byte(0x00);
    if (!bus_.check_ack(true)) return false;
    bus_.start();
    bus_.send_byte(i2c_device_address(0, true));
    return bus_.check_ack(true);
}

bool TI2C::read_verify(bool verify) {
    progress_range();
    lines_.target_on();
    lines_.sleep_ms(kSettleMs);
    if (!address_for_read()) {
        progress_reset();
        host_.leds_off();
        return false;
    }
    for (std::int32_t i = 0; i <= last_address; ++i) {
        if (i % kRxLedEvery == 0) host_.toggle_rx_led();
        if (abort_requested) {
            host_.leds_off();
            return false;
        }
        const std::uint8_t b = bus_.receive_byte();
        if (verify) {
            if (b != image[i]) {
                progress_reset();
                error_box(host_, "", {"EEProm Verify Not Successfull", fail_address(std::uint32_t(i))});
                host_.leds_off();
                return false;
            }
        } else {
            image[i] = b;
        }
        progress_step();
        // Master acknowledge for every byte but the last, which gets the closing no-acknowledge.
        bus_.send_bit(i == last_address);
        host_.process_messages();
    }
    bus_.stop();
    progress_reset();
    host_.leds_off();
    // An abort seen at the last byte's pump still counts: no success after "Process Aborted".
    return abort_requested == 0;
}

bool TI2C::write(unsigned n) {
    progress_range();
    lines_.target_on();
    lines_.sleep_ms(two_address_bytes() ? kSettleMs : kSettleOneByteMs);
    auto fail_now = [this] {
        progress_reset();
        host_.leds_off();
        return false;
    };
    std::uint32_t addr = 0;
    const std::uint32_t last = std::uint32_t(last_address);
    while (addr < last && !abort_requested) {
        if (addr % kTxLedEvery == 0) host_.toggle_tx_led();
        // Polling waits out the internal write cycle of the previous transaction.
        const unsigned block = two_address_bytes() ? 0 : addr / 256;
        if (!bus_.ack_polling(block)) {
            bus_.no_ack_message();
            return fail_now();
        }
        // A refused address ends the write here: the data bytes would only repeat the message.
        if (two_address_bytes()) {
            bus_.send_byte(std::uint8_t(addr >> 8));
            if (!bus_.check_ack(true)) return fail_now();
        }
        bus_.send_byte(std::uint8_t(addr));
        if (!bus_.check_ack(true)) return fail_now();
        for (unsigned k = 0; k < n; ++k) {
            bus_.send_byte(image[addr]);
            progress_step();
            if (!bus_.check_ack(true)) return fail_now();
            ++addr;
        }
        bus_.stop();   // starts the device's internal write cycle
        if (!pump()) break;
    }
    // Closing the port takes the socket's supply away: the last page must be in its cells first.
    if (addr > 0) {
        const unsigned block = two_address_bytes() ? 0 : (addr - 1) / 256;
        if (!bus_.ack_polling(block)) {
            bus_.no_ack_message();
            return fail_now();
        }
        bus_.stop();
    }
    progress_reset();
    host_.leds_off();
    return abort_requested == 0;
}

} // namespace korvane
