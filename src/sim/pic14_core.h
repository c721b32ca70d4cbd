#pragma once
// The 14-bit PIC core of the 16F cards, at instruction level: the 35 instructions (plus OPTION
// and TRIS) with their cycle counts and STATUS flags, the banked register file of each part with
// its mirrors and unimplemented locations, INDF/FSR, PCL/PCLATH, the 8-level stack, the ports,
// the data EEPROM, TMR0 with its interrupt, and the watchdog as the configuration word asks.
#include <array>
#include <cstdint>
#include <vector>

#include "sim/card_core.h"

namespace korvane::sim {

enum class Pic14Part : std::uint8_t { F84A, F628, F876, F877 };

class Pic14Core final : public ICardCore {
public:
    // `instruction_hz` sets how many cycles the watchdog's 18 ms nominal period lasts.
    Pic14Core(Pic14Part part, ICorePins& pins, double instruction_hz);

    // Program words, configuration word and data EEPROM as programmed.
    void load(const std::vector<std::uint16_t>& program, std::uint16_t config, const std::vector<std::uint8_t>& eeprom);

    void reset(CoreReset kind) override;
    void run(std::uint64_t until) override;
    void stop() override { stop_ = true; }
    std::uint64_t cycles() const override { return cycles_; }
    std::uint64_t instructions() const override { return instructions_; }
    void set_instruction_hz(double hz) override {
        instruction_hz_ = hz;
        schedule();
    }

    // ---- state, for tests and the card ----
    Pic14Part part() const { return part_; }
    std::uint16_t pc() const { return pc_; }
    std::uint8_t w() const { return w_; }
    std::uint8_t status() const { return status_; }
    // A register as the program would read it at a full 9-bit address (bank bits 8..7); ports
    // give their latch, unimplemented locations 0.
    std::uint8_t peek(std::uint16_t address) const;
    // Whether a register answers at the 9-bit address (mirrors included).
    bool implemented(std::uint16_t address) const { return map_[address & 0x1FF] != (kSpecial | UNIMPL); }
    // The return stack: the next push goes to entry stack_pointer() (0..7), wrapping around.
    unsigned stack_pointer() const { return sp_; }
    std::uint16_t stack_entry(unsigned index) const { return stack_[index & 7]; }
    std::uint8_t latch(int port) const { return latch_[std::size_t(port)]; }
    std::uint8_t tris(int port) const { return tris_[std::size_t(port)]; }
    bool sleeping() const { return sleeping_; }
    const std::vector<std::uint8_t>& data_eeprom() const override { return eeprom_; }
    // Whether the program wrote its data EEPROM since load().
    bool data_eeprom_written() const override { return eeprom_written_; }
    std::uint64_t watchdog_resets() const { return wdt_resets_; }
    std::uint16_t code_words() const { return std::uint16_t(program_.size()); }

    static constexpr std::uint8_t kC = 0x01, kDC = 0x02, kZ = 0x04, kPD = 0x08, kTO = 0x10, kRP0 = 0x20,
                                  kRP1 = 0x40, kIRP = 0x80;

private:
    enum Sfr : std::uint8_t {
        INDF, TMR0, PCL, STATUS, FSR, PORTA, PORTB, PORTC, PORTD, PORTE, PCLATH, INTCON, OPTION,
        TRISA, TRISB, TRISC, TRISD, TRISE, EEDATA, EEADR, EECON1, EECON2, EEDATH, EEADRH, UNIMPL = 0xFF
    };
    // map_ entries: a plain storage index, kIrqCell | index (plain, but an interrupt flag or
    // enable register), or kSpecial | Sfr.
    static constexpr std::uint16_t kSpecial = 0x8000, kIrqCell = 0x4000;

    void build_map();
    void map_common_bank(unsigned bank);
    void power_on_values();

    void step();
    // Sets the flags of the TMR0 overflow and the EEPROM write whose cycle has come.
    void latch_flags();
    void service_events();
    void schedule();
    bool interrupt_requested() const;

    std::uint8_t read_f(std::uint8_t f);
    void write_f(std::uint8_t f, std::uint8_t v);
    std::uint8_t read_at(std::uint16_t address);
    void write_at(std::uint16_t address, std::uint8_t v);
    std::uint8_t read_sfr(Sfr id);
    void write_sfr(Sfr id, std::uint8_t v);
    std::uint16_t direct(std::uint8_t f) const { return std::uint16_t(((status_ & bank_bits_) << 2) | f); }
    std::uint16_t indirect() const;

    void set_z(std::uint8_t r) { status_ = std::uint8_t((status_ & ~kZ) | (r == 0 ? kZ : 0)); }
    void set_cdcz(unsigned result, unsigned low_nibbles);
    struct Alu {
        unsigned wide;      // the sum with its carry in bit 8
        unsigned nibbles;   // the low nibbles' sum, the digit carry in bit 4
    };
    static Alu add(std::uint8_t a, std::uint8_t b);
    static Alu sub(std::uint8_t a, std::uint8_t b);   // a - b
    void push(std::uint16_t address);
    std::uint16_t pop();
    void jump_low(std::uint8_t pcl);   // a write to PCL

    void port_written(int port);
    std::uint8_t read_port(int port);
    std::uint8_t tmr0_now() const;
    void tmr0_rebase(std::uint8_t value, std::uint64_t from_cycle);
    void option_written(std::uint8_t v);
    void eecon1_written(std::uint8_t v);
    void eecon2_written(std::uint8_t v);
    void finish_eeprom_write();
    void watchdog_timeout();
    void internal_reset();
    void clear_watchdog();
    std::uint64_t watchdog_deadline() const;

    Pic14Part part_;
    ICorePins* pins_;
    double instruction_hz_;
    std::vector<std::uint16_t> program_;
    std::uint16_t code_mask_ = 0;
    std::uint16_t config_ = 0x3FFF;
    std::vector<std::uint8_t> eeprom_;
    bool eeprom_written_ = false;
    std::uint8_t bank_bits_ = 0;          // RP1:RP0 mask within STATUS (RP0 only on the 16F84A)
    std::uint16_t indirect_mask_ = 0x1FF;
    int port_count_ = 2;
    std::array<std::uint8_t, 5> port_mask_{};
    std::array<std::uint16_t, 512> map_{};
    std::array<std::uint8_t, 512> ram_{};
    std::uint16_t eeif_cell_ = 0;         // where EEIF lives: EECON1 on the 16F84A, PIR1/PIR2 otherwise
    std::uint8_t eeif_bit_ = 0;

    // registers
    std::uint8_t w_ = 0, status_ = 0, fsr_ = 0, pclath_ = 0, intcon_ = 0, option_ = 0xFF;
    std::array<std::uint8_t, 5> latch_{}, tris_{}, driven_latch_{}, driven_tris_{};
    std::uint16_t pc_ = 0;
    std::array<std::uint16_t, 8> stack_{};
    unsigned sp_ = 0;
    bool skip_ = false;                   // the current instruction turned into a NOP (skip taken)
    unsigned extra_cycles_ = 0;           // a write to PCL costs the second cycle

    // execution
    std::uint64_t cycles_ = 0, instructions_ = 0, limit_ = 0;
    std::uint64_t next_event_ = 0;
    bool stop_ = false;
    bool sleeping_ = false;

    // TMR0 counts lazily: its value at tmr0_cycle_ plus one per tmr0_rate_ cycles since.
    std::uint8_t tmr0_value_ = 0;
    std::uint64_t tmr0_cycle_ = 0;
    std::uint32_t tmr0_rate_ = 1;
    bool tmr0_running_ = false;

    // watchdog
    bool wdt_enabled_ = false;
    std::uint64_t wdt_start_ = 0;
    std::uint64_t wdt_resets_ = 0;

    // data EEPROM
    std::uint8_t eedata_ = 0, eeadr_ = 0, eedath_ = 0, eeadrh_ = 0, eecon1_ = 0;
    int unlock_stage_ = 0;                // 1 after 0x55, 2 after 0x55 then 0xAA
    std::uint64_t unlock_at_ = 0;         // instruction count of the last unlock step
    bool ee_busy_ = false;
    std::uint64_t ee_done_ = 0;
    std::uint8_t ee_value_ = 0, ee_address_ = 0;
};

} // namespace korvane::sim
