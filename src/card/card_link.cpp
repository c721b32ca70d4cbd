// The link half of TEE_THRU_IO: the reader port, reset and answer to reset, Init, the byte reader
// and the one error message per operation.
#include <array>

#include "card/card_frames.h"
#include "card/card_messages.h"
#include "card/ee_thru_io.h"
#include "eeprom/eeprom_catalogue.h"

namespace korvane {

namespace {
constexpr int kResetAttempts = 10;
constexpr std::uint32_t kAtrWaitMs = 50;
constexpr int kByteRetries = 2;
constexpr int kEEProm24C16 = 4;
} // namespace

SerialSettings card_reader_settings(int reader_clock) {
    SerialSettings s;
    s.baud = reader_clock == 1 ? 16457 : 9600;
    s.data_bits = 8;
    s.parity = Parity::Even;
    s.stop_bits = 2;
    return s;
}

SerialTimeouts card_reader_timeouts(std::size_t bytes_requested) {
    return SerialTimeouts{10, std::uint32_t(20 + 10 * bytes_requested), 0};
}

std::size_t card_write_block_length(int eeprom_type) {
    static constexpr std::size_t lengths[kEEPromTypeCount] = {2, 2, 8, 16, 16, 32, 32, 64, 64, 64, 128};
    return eeprom_index_valid(eeprom_type) ? lengths[eeprom_type] : 2;
}

std::size_t card_read_block_length(int eeprom_type) { return eeprom_type <= 1 ? 64 : 128; }


TEE_THRU_IO::TEE_THRU_IO(SettingsRecord& settings, IHost& host, PortResolver& resolver)
    : settings_(settings), host_(host), resolver_(resolver) {}

TEE_THRU_IO::~TEE_THRU_IO() { close_reader_port(); }

void TEE_THRU_IO::set_image(std::uint8_t* image, std::uint32_t last_address) {
    image_ = image;
    last_address_ = last_address;
}

std::string TEE_THRU_IO::port_name() const { return settings_.card_reader_port.str(); }

bool TEE_THRU_IO::open_reader_port() {
    close_reader_port();
    // The simulated reader holds the card chosen in the selection dialog.
    resolver_.select_card(settings_.iso_pic_device, settings_.iso_eeprom_device);
    endpoint_ = resolver_.resolve_reader(port_name());
    if (!endpoint_.serial) return false;
    std::string error;
    port_ = endpoint_.serial->open(endpoint_.device, error);
    if (!port_) return false;
    // No handshake of any kind: RTS and DTR are ours (RTS is the card's reset).
    if (!port_->configure(card_reader_settings(settings_.card_reader_clock))) {
        close_reader_port();
        return false;
    }
    port_->purge();
    return true;
}

void TEE_THRU_IO::close_reader_port() {
    if (port_) port_->restore_saved_settings();
    port_.reset();
}

std::size_t TEE_THRU_IO::read_raw(std::uint8_t* buf, std::size_t n) {
    if (!port_) return 0;
    port_->set_timeouts(card_reader_timeouts(n));
    return port_->read(buf, n);
}

bool TEE_THRU_IO::reset_and_answer() {
    if (!open_reader_port()) {
        report_error(kCardCannotOpen);
        return false;
    }
    for (int attempt = 0; attempt < kResetAttempts; ++attempt) {
        port_->purge();
        // A reset pulse on RTS with DTR held on.
        port_->set_rts(true);
        port_->set_dtr(true);
        port_->set_rts(false);
        port_->set_dtr(true);
        if (endpoint_.clock) endpoint_.clock->sleep_ms(kAtrWaitMs);
        std::array<std::uint8_t, kAtrLength> answer{};
        const std::size_t got = read_raw(answer.data(), answer.size());
        if (atr_accepted(std::span(answer.data(), got))) return true;
    }
    return false;
}

void TEE_THRU_IO::send(std::span<const std::uint8_t> bytes) {
    if (port_) port_->write(bytes.data(), bytes.size());
    // The card's I/O is wired to both TXD and RXD: everything sent comes back.
    for (std::size_t i = 0; i < bytes.size(); ++i) read_one_byte();
}

bool TEE_THRU_IO::init_command() {
    send(init_header(settings_.iso_eeprom_device == kEEProm24C16));
    if (const int err = procedure_error(read_one_byte(), kInsInit)) return !report_error(err);
    if (const int err = init_status_error(read_one_byte())) return !report_error(err);
    return true;
}

std::uint8_t TEE_THRU_IO::read_one_byte() {
    std::uint8_t b = kNoByte;
    std::size_t got = read_raw(&b, 1);
    for (int retries = 0; got == 0 && !abort_requested && retries < kByteRetries; ++retries) {
        got = read_raw(&b, 1);
        host_.process_messages();
    }
    if (abort_requested || got == 0) return kNoByte;
    return b;
}

bool TEE_THRU_IO::report_error(int code) {
    if (!abort_requested && !error_reported) {
        error_box(host_, "", {card_error_text(code, port_name())});
        error_reported = 1;
    }
    return true;
}

void TEE_THRU_IO::abort() {
    if (task_running) abort_requested = 1;
}

} // namespace korvane
