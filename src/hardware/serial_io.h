#pragma once
// The programmer line interface (module Serial_IO): the only code that touches the programmer's
// port. Four logical lines over the modem-control lines of a serial port:
//   Data Out = DTR, Clock = RTS, MCLR/VPP = TXD held in break, Data In = CTS.
// Two backends: serial calls ("Windows API", the ISerialPort seam) and Direct I/O (the UART's
// registers through the port-I/O seam). The programmer record in force is read afresh from the
// settings on every operation, so a change in the I/O configuration applies at the next call.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/host.h"
#include "app/settings.h"
#include "hardware/micro_timers.h"
#include "hardware/ports.h"

namespace korvane {

class Serial_IO {
public:
    Serial_IO(SettingsRecord& settings, IHost& host, PortResolver& resolver);
    ~Serial_IO();
    Serial_IO(const Serial_IO&) = delete;
    Serial_IO& operator=(const Serial_IO&) = delete;

    bool open_port(const std::string& port_name);   // shows its own error boxes
    void close_port();                               // safe when closed
    bool is_open() const { return port_ != nullptr; }

    void target_on();

    void data_high();
    void data_low();
    void clock_high();
    void clock_low();
    void mclr_on();
    void mclr_off();
    bool read_data_in();
    void apply_lines();

    void set_eeprom_line_mode(bool on) { eeprom_line_mode_ = on; }
    bool eeprom_line_mode() const { return eeprom_line_mode_; }

    void wait_us(unsigned n);     // MicroTimers wait on the endpoint's clock / PC timer
    void sleep_ms(unsigned n);    // on the endpoint's clock

    // Calls made through ISerialPort since construction (benchmarks).
    std::uint64_t serial_call_count() const { return serial_calls_; }
    // In the serial-calls backend, apply lines leaves out the call for a line already at the
    // wanted level (on by default).
    void set_skip_unchanged_lines(bool on) { skip_unchanged_ = on; }

    std::uint16_t uart_base() const { return base_; }
    std::uint8_t line_shadow() const { return shadow_; }
    MicroTimers& timers();
    const Endpoint& endpoint();   // the endpoint of the last open (or of the record's port)

    // UART registers, relative to the base.
    static constexpr std::uint16_t kIER = 1, kFCR = 2, kLCR = 3, kMCR = 4, kMSR = 6;

private:
    const ProgrammerParams& record() const { return settings_.current_programmer(); }
    bool direct() const { return record().direct_io != 0; }
    void use_endpoint(Endpoint ep);

    // Serial calls (counted); each does nothing when the port is closed.
    void call_dtr(bool on);
    void call_rts(bool on);
    void call_break(bool on);
    bool call_cts();
    void call_purge();

    std::uint8_t read_reg(std::uint16_t reg);
    void write_reg(std::uint16_t reg, std::uint8_t value);
    void set_shadow_bit(std::uint8_t bit, bool high, bool inverted);

    // While a trace is on: the port line as driven / sampled and its logical name.
    std::uint64_t trace_now();
    void trace_dtr(bool level);
    void trace_rts(bool level);
    void trace_break(bool level);
    void trace_cts(bool level);

    void target_on_serial_calls();
    void target_on_direct_pic();
    void target_on_direct_eeprom();

    SettingsRecord& settings_;
    IHost& host_;
    PortResolver& resolver_;
    std::optional<Endpoint> endpoint_;
    std::optional<MicroTimers> timers_;
    std::unique_ptr<ISerialPort> port_;
    std::uint16_t base_ = 0x3F8;
    std::uint8_t shadow_ = 0;
    bool eeprom_line_mode_ = false;
    bool skip_unchanged_ = true;
    // Levels last set through serial calls; unknown after open.
    std::optional<bool> dtr_level_;
    std::optional<bool> rts_level_;
    std::uint64_t serial_calls_ = 0;
};

} // namespace korvane
