#include "hardware/serial_io.h"

#include "trace/line_recorder.h"

namespace korvane {

namespace {
constexpr std::uint8_t kDataBit = 0x01;    // DTR
constexpr std::uint8_t kClockBit = 0x02;   // RTS
constexpr std::uint8_t kBreakBit = 0x40;   // line control: TXD held in break
constexpr std::uint8_t kCtsBit = 0x10;     // modem status
// Line control values: 8 data bits, 2 stop bits, no parity, with and without break.
constexpr std::uint8_t kLcrBreak = 0x47, kLcrIdle = 0x07, kLcrBreakOnly = 0x40, kLcrClear = 0x00;
} // namespace

Serial_IO::Serial_IO(SettingsRecord& settings, IHost& host, PortResolver& resolver)
    : settings_(settings), host_(host), resolver_(resolver) {}

Serial_IO::~Serial_IO() { close_port(); }

void Serial_IO::use_endpoint(Endpoint ep) {
    endpoint_ = std::move(ep);
    timers_.emplace(*endpoint_->clock, *endpoint_->ports);
}

const Endpoint& Serial_IO::endpoint() {
    if (!endpoint_) use_endpoint(resolver_.resolve(record().port_name.str()));
    return *endpoint_;
}

MicroTimers& Serial_IO::timers() {
    endpoint();
    return *timers_;
}

// ---- serial calls ----

void Serial_IO::call_dtr(bool on) {
    if (!port_) return;
    ++serial_calls_;
    port_->set_dtr(on);
    dtr_level_ = on;
    if (trace::LineRecorder::instance().on()) trace_dtr(on);
}

void Serial_IO::call_rts(bool on) {
    if (!port_) return;
    ++serial_calls_;
    port_->set_rts(on);
    rts_level_ = on;
    if (trace::LineRecorder::instance().on()) trace_rts(on);
}

void Serial_IO::call_break(bool on) {
    if (!port_) return;
    ++serial_calls_;
    port_->set_break(on);
    if (trace::LineRecorder::instance().on()) trace_break(on);
}

bool Serial_IO::call_cts() {
    if (!port_) return false;   // a failed status read leaves the level low
    ++serial_calls_;
    const bool level = port_->cts();
    if (trace::LineRecorder::instance().on()) trace_cts(level);
    return level;
}

void Serial_IO::call_purge() {
    if (!port_) return;
    ++serial_calls_;
    port_->purge();
}

// ---- UART registers ----

std::uint8_t Serial_IO::read_reg(std::uint16_t reg) {
    const Endpoint& ep = endpoint();
    if (!ep.ports->driver_ready()) return 0xFF;
    const std::uint8_t value = ep.ports->read_byte(std::uint16_t(base_ + reg));
    if (reg == kMSR && trace::LineRecorder::instance().on()) trace_cts((value & kCtsBit) != 0);
    return value;
}

void Serial_IO::write_reg(std::uint16_t reg, std::uint8_t value) {
    const Endpoint& ep = endpoint();
    if (!ep.ports->driver_ready()) return;
    ep.ports->write_byte(std::uint16_t(base_ + reg), value);
    if (!trace::LineRecorder::instance().on()) return;
    if (reg == kMCR) {
        trace_dtr((value & kDataBit) != 0);
        trace_rts((value & kClockBit) != 0);
    } else if (reg == kLCR) {
        trace_break((value & kBreakBit) != 0);
    }
}

// ---- trace ----
// Each port line as driven or sampled, and under its name for the mode at work: ICSP lines after
// the inversions in force, the I2C lines as they are (the EEPROM line mode uses no inversions).

std::uint64_t Serial_IO::trace_now() { return endpoint().clock->now_ns(); }

void Serial_IO::trace_dtr(bool level) {
    trace::LineRecorder& r = trace::LineRecorder::instance();
    const std::uint64_t t = trace_now();
    r.set(trace::Line::Dtr, level, t);
    if (eeprom_line_mode_)
        r.set(trace::Line::Sda, level, t);
    else
        r.set(trace::Line::DataOut, level != (record().invert_data_out != 0), t);
}

void Serial_IO::trace_rts(bool level) {
    trace::LineRecorder& r = trace::LineRecorder::instance();
    const std::uint64_t t = trace_now();
    r.set(trace::Line::Rts, level, t);
    if (eeprom_line_mode_)
        r.set(trace::Line::Scl, level, t);
    else
        r.set(trace::Line::Clock, level != (record().invert_clock != 0), t);
}

void Serial_IO::trace_break(bool level) {
    trace::LineRecorder& r = trace::LineRecorder::instance();
    const std::uint64_t t = trace_now();
    r.set(trace::Line::TxdBreak, level, t);
    if (!eeprom_line_mode_) r.set(trace::Line::MclrVpp, level != (record().invert_mclr != 0), t);
}

void Serial_IO::trace_cts(bool level) {
    trace::LineRecorder& r = trace::LineRecorder::instance();
    const std::uint64_t t = trace_now();
    r.sample_cts(level, t);
    if (!eeprom_line_mode_) r.set(trace::Line::DataIn, level != (record().invert_data_in != 0), t);
}

// ---- port ----

bool Serial_IO::open_port(const std::string& port_name) {
    if (port_) close_port();   // one programmer port at a time
    use_endpoint(resolver_.resolve(port_name));
    const bool use_direct = direct();
    if (use_direct) {
        base_ = uart_base_for(port_name);
        shadow_ = 0;
    }
    dtr_level_.reset();
    rts_level_.reset();

    std::string error;
    port_ = endpoint_->serial ? endpoint_->serial->open(endpoint_->device, error) : nullptr;
    if (!port_) {
        std::vector<std::string> body{"Couldn't get a handle to the COM port"};
        if (!error.empty()) body.push_back(error);
        error_box(host_, "", body);
        return false;
    }

    if (use_direct) {
        // Without port access every register access would fault.
        if (!endpoint_->ports->driver_ready()) {
            error_box(host_, "", {"I/O ERROR: Privileged Instruction"});
            ++serial_calls_;
            port_->restore_saved_settings();
            port_.reset();
            return false;
        }
        write_reg(kLCR, read_reg(kLCR) & 0x3F);   // divisor latch access and break off
        write_reg(kIER, 0);
        write_reg(kFCR, 0);
        return true;
    }

    SerialSettings s;
    s.baud = 115200;
    s.data_bits = 8;
    s.parity = Parity::None;
    s.stop_bits = 1;
    ++serial_calls_;
    if (!port_->configure(s)) {
        close_port();
        error_box(host_, "", {"Cannot Set COM Port"});
        return false;
    }
    ++serial_calls_;
    port_->set_timeouts(SerialTimeouts{});
    call_purge();
    return true;
}

void Serial_IO::close_port() {
    if (port_ && direct()) {
        write_reg(kLCR, read_reg(kLCR) & 0x3F);
        data_high();
        clock_high();
        if (!eeprom_line_mode_) {
            write_reg(kLCR, kLcrIdle);
            sleep_ms(100);
        }
    }
    if (port_) {
        call_break(false);
        call_purge();
        ++serial_calls_;
        port_->restore_saved_settings();
        port_.reset();
    }
    dtr_level_.reset();
    rts_level_.reset();
}

// ---- lines ----

void Serial_IO::set_shadow_bit(std::uint8_t bit, bool high, bool inverted) {
    const bool set = eeprom_line_mode_ ? high : (high != inverted);
    shadow_ = set ? std::uint8_t(shadow_ | bit) : std::uint8_t(shadow_ & ~bit);
    apply_lines();
}

void Serial_IO::data_high() { set_shadow_bit(kDataBit, true, record().invert_data_out != 0); }
void Serial_IO::data_low() { set_shadow_bit(kDataBit, false, record().invert_data_out != 0); }
void Serial_IO::clock_high() { set_shadow_bit(kClockBit, true, record().invert_clock != 0); }
void Serial_IO::clock_low() { set_shadow_bit(kClockBit, false, record().invert_clock != 0); }

void Serial_IO::apply_lines() {
    if (direct()) {
        write_reg(kMCR, shadow_);
    } else {
        const bool rts = (shadow_ & kClockBit) != 0;
        const bool dtr = (shadow_ & kDataBit) != 0;
        if (!skip_unchanged_ || rts_level_ != rts) call_rts(rts);
        if (!skip_unchanged_ || dtr_level_ != dtr) call_dtr(dtr);
    }
    if (eeprom_line_mode_) wait_us(record().eeprom_bit_time_us);
}

void Serial_IO::mclr_on() {
    const bool inverted = record().invert_mclr != 0;
    if (direct())
        write_reg(kLCR, inverted ? kLcrIdle : kLcrBreak);
    else
        call_break(!inverted);
}

void Serial_IO::mclr_off() {
    const bool inverted = record().invert_mclr != 0;
    if (direct())
        write_reg(kLCR, inverted ? kLcrBreak : kLcrIdle);
    else
        call_break(inverted);
}

bool Serial_IO::read_data_in() {
    const bool raw = direct() ? (read_reg(kMSR) & kCtsBit) != 0 : call_cts();
    return raw != (record().invert_data_in != 0);
}

// ---- target on ----

void Serial_IO::target_on() {
    if (!direct())
        target_on_serial_calls();
    else if (eeprom_line_mode_)
        target_on_direct_eeprom();
    else
        target_on_direct_pic();
}

// The outputs are switched directly; the Data and Clock inversions and the shadow are not used.
void Serial_IO::target_on_serial_calls() {
    const bool inv = record().invert_mclr != 0;
    call_rts(inv);
    call_dtr(inv);
    call_break(inv);
    sleep_ms(50);
    call_rts(!inv);
    call_dtr(!inv);
    sleep_ms(record().tset0_ms);
    call_rts(inv);
    call_dtr(inv);
    call_break(!inv);
    sleep_ms(record().thld0_ms);
}

// Leaves MCLR/VPP applied and Data and Clock low.
void Serial_IO::target_on_direct_pic() {
    if ((read_reg(kLCR) & kBreakBit) == 0) {   // a target already held in reset needs no settling
        write_reg(kLCR, kLcrBreak);
        sleep_ms(350);
    }
    data_low();
    clock_low();
    write_reg(kLCR, kLcrIdle);
    sleep_ms(50);
    data_high();
    clock_high();
    sleep_ms(record().tset0_ms);
    data_low();
    clock_low();
    write_reg(kLCR, kLcrBreak);
    sleep_ms(record().thld0_ms);
}

// Powers the EEPROM socket (its supply is the break state) and leaves the bus idle high.
void Serial_IO::target_on_direct_eeprom() {
    write_reg(kLCR, kLcrClear);
    data_low();
    clock_low();
    apply_lines();
    sleep_ms(30);
    write_reg(kLCR, kLcrBreakOnly);
    data_high();
    clock_high();
    apply_lines();
    write_reg(kLCR, kLcrClear);
    data_low();
    clock_low();
    apply_lines();
    sleep_ms(10);
    write_reg(kLCR, kLcrBreakOnly);
    sleep_ms(300);
    data_high();
    clock_high();
    apply_lines();
}

// ---- timing ----

void Serial_IO::wait_us(unsigned n) { timers().wait_us(n); }
void Serial_IO::sleep_ms(unsigned n) { timers().sleep_ms(n); }

} // namespace korvane
