#pragma once
// The PIC18 processor: the 75 instructions of the standard set (no extended set), the data
// memory with its access bank, BSR and three FSRs, the 31-level return stack, table reads and
// writes, the data EEPROM and flash write control, the I/O ports, Timer0 on the instruction
// clock, interrupts and the watchdog. Other peripherals are plain registers.
//
// It runs in two ways. In the programmer's socket the ICSP interface feeds it single instruction
// words (execute()) and table operations, with time given by the bench (set_now_ns()). In a
// card or any other circuit, step() fetches from program memory on the oscillator's clock,
// with the pins connected through a reader callback and a change callback.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "sim/pic18_flash.h"
#include "sim/pic18_memory.h"

namespace korvane::sim {

// Special function register addresses (data memory, 12 bits).
namespace sfr {
constexpr std::uint16_t PORTA = 0xF80, PORTB = 0xF81, PORTC = 0xF82, PORTD = 0xF83, PORTE = 0xF84;
constexpr std::uint16_t LATA = 0xF89, TRISA = 0xF92;
constexpr std::uint16_t PIR2 = 0xFA1, EECON1 = 0xFA6, EECON2 = 0xFA7, EEDATA = 0xFA8, EEADR = 0xFA9;
constexpr std::uint16_t EEADRH = 0xFAA;
constexpr std::uint16_t RCON = 0xFD0, WDTCON = 0xFD1, T0CON = 0xFD5, TMR0L = 0xFD6, TMR0H = 0xFD7, STATUS = 0xFD8;
constexpr std::uint16_t FSR2L = 0xFD9, PLUSW2 = 0xFDB, INDF2 = 0xFDF, BSR = 0xFE0;
constexpr std::uint16_t FSR1L = 0xFE1, PLUSW1 = 0xFE3, INDF1 = 0xFE7, WREG = 0xFE8;
constexpr std::uint16_t FSR0L = 0xFE9, PLUSW0 = 0xFEB, INDF0 = 0xFEF;
constexpr std::uint16_t INTCON = 0xFF2, PRODL = 0xFF3, PRODH = 0xFF4, TABLAT = 0xFF5;
constexpr std::uint16_t TBLPTRL = 0xFF6, TBLPTRH = 0xFF7, TBLPTRU = 0xFF8;
constexpr std::uint16_t PCL = 0xFF9, PCLATH = 0xFFA, PCLATU = 0xFFB, STKPTR = 0xFFC;
constexpr std::uint16_t TOSL = 0xFFD, TOSH = 0xFFE, TOSU = 0xFFF;
} // namespace sfr

// STATUS bits.
namespace flag {
constexpr std::uint8_t C = 0x01, DC = 0x02, Z = 0x04, OV = 0x08, N = 0x10;
}

enum class Pic18Reset : std::uint8_t { PowerOn, Mclr, Watchdog, Instruction, Stack };

// The table-pointer step of TBLRD / TBLWT and of the ICSP table commands.
enum class TableMode : std::uint8_t { Plain, PostIncrement, PostDecrement, PreIncrement };

class Pic18Core {
public:
    static constexpr int kPorts = 5;   // A..E
    static constexpr int kStackDepth = 31;

    Pic18Core(const Pic18Model& model, Pic18Memory& memory);

    // ---- running ----
    void reset(Pic18Reset kind = Pic18Reset::PowerOn);
    // Executes the instruction at the PC (or sleeps a cycle, or takes an interrupt) and returns
    // the instruction cycles used. Also lets the watchdog and the EEPROM write timer run.
    unsigned step();
    // Instruction cycle = 4 oscillator periods.
    void set_oscillator_hz(std::uint32_t hz);
    std::uint64_t cycles() const { return cycles_; }
    bool sleeping() const { return sleeping_; }

    // ---- the programming interface ----
    // Executes one instruction word fed from outside (ICSP command 0000). The first word of a
    // two-word instruction waits for the next call; a skip discards the next instruction fed.
    void execute(std::uint16_t word);
    // Table read into TABLAT with the pointer step; returns TABLAT.
    std::uint8_t table_read(TableMode mode);
    // ICSP table write of a 16-bit payload: the low byte at the even address, the high byte at the
    // odd one; then TBLPTR steps by 2 (post-increment/decrement), or not.
    void table_write_word(std::uint16_t payload, TableMode mode);
    // The programming interface reads through code protection; code running reads past it.
    void set_external_access(bool on) { external_ = on; }
    bool external_access() const { return external_; }
    // Time for the EEPROM write timer when nobody steps the core (ICSP).
    void set_now_ns(std::uint64_t ns);
    std::uint64_t now_ns() const { return now_ps_ / 1000; }
    bool eeprom_write_busy() const { return eeprom_write_.has_value(); }

    // ---- pins ----
    // Input levels of a port (bit n = pin n); the reader, when set, is asked instead.
    void set_inputs(int port, std::uint8_t levels) { inputs_[std::size_t(port)] = levels; }
    std::function<std::uint8_t(int port)> pin_reader;
    // Called after a port's latch or direction changed.
    std::function<void(int port)> on_port_change;
    // The level a pin drives, or nothing when it is an input (TRIS bit set).
    std::optional<bool> pin_output(int port, int bit) const;
    std::uint8_t latch(int port) const;
    std::uint8_t tris(int port) const;

    // ---- state, for the programming interface and for tests ----
    std::uint32_t pc() const { return pc_; }
    void set_pc(std::uint32_t pc) { pc_ = pc & 0x1FFFFE; }
    std::uint8_t w() const { return w_; }
    void set_w(std::uint8_t v) { w_ = v; }
    std::uint8_t status() const { return read_raw(sfr::STATUS); }
    std::uint32_t tblptr() const { return tblptr_; }
    void set_tblptr(std::uint32_t v) { tblptr_ = v & 0x3FFFFF; }
    std::uint8_t tablat() const { return tablat_; }
    int stack_pointer() const { return stkptr_ & 0x1F; }
    std::uint32_t top_of_stack() const;
    // A return-stack entry, 1..31 (1 is the first pushed).
    std::uint32_t stack_entry(int level) const { return stack_[std::size_t(level) % stack_.size()]; }
    // Whether a data address holds a register on this part: the RAM, and the special function
    // registers of the FXX2/FXX8 map (no PORTD/PORTE on the 28-pin parts).
    bool implemented(std::uint16_t address) const;
    // A data memory location as an instruction reads it (with side effects) or writes it.
    std::uint8_t read_file(std::uint16_t address);
    void write_file(std::uint16_t address, std::uint8_t value);
    // The stored value without side effects.
    std::uint8_t peek(std::uint16_t address) const { return read_raw(address); }

    Pic18Flash& flash() { return flash_; }
    const Pic18Memory& memory() const { return mem_; }

    // The write times; the `tprog=` fault stretches them.
    void set_eeprom_write_us(std::uint32_t us) { eeprom_write_us_ = us; }

private:
    struct Source;

    // instruction execution (pic18_core.cpp)
    unsigned run(std::uint16_t op, std::uint16_t second, bool fetched);
    unsigned byte_op(std::uint16_t op, bool fetched);
    unsigned bit_op(std::uint16_t op, bool fetched);
    unsigned literal_or_control(std::uint16_t op, bool fetched);
    unsigned control(std::uint16_t op);
    unsigned branch_or_long(std::uint16_t op, std::uint16_t second);
    void daw();
    std::uint16_t file_address(std::uint16_t op) const;
    void store(std::uint16_t op, std::uint16_t ea, std::uint8_t value, bool sets_flags);
    unsigned skip_if(bool condition, bool fetched);
    bool two_word(std::uint16_t op) const;
    std::uint16_t fetch(std::uint32_t address) const;
    void set_flags(std::uint8_t mask, std::uint8_t value);
    std::uint8_t add(std::uint8_t a, std::uint8_t b, bool carry_in);
    void set_zn(std::uint8_t r);
    void jump(std::uint32_t target) { pc_ = target & 0x1FFFFE; }
    void push(std::uint32_t address);
    std::uint32_t pop();
    void save_shadow();
    void restore_shadow();
    void table_write_byte(TableMode mode);

    // data memory and special registers (pic18_registers.cpp)
    std::uint8_t& reg(std::uint16_t address);
    std::uint8_t reg(std::uint16_t address) const;
    std::uint8_t read_raw(std::uint16_t address) const;
    std::uint16_t resolve(std::uint16_t address);
    std::uint8_t load(std::uint16_t ea);
    void put(std::uint16_t ea, std::uint8_t value);
    std::uint16_t& fsr(int n) { return fsr_[std::size_t(n)]; }
    bool cfgs() const;
    void set_rcon(std::uint8_t mask, std::uint8_t value);
    void set_prod(unsigned product);
    std::uint8_t port_mask(int port) const;
    void set_latch(int port, std::uint8_t value);
    std::uint8_t read_port(int port) const;
    void write_eecon1(std::uint8_t value);
    void start_write();
    void finish_eeprom_write();
    void advance(unsigned cycles);
    void write_timer0(std::uint16_t address, std::uint8_t value);
    void run_timer0(unsigned cycles);
    bool watchdog_enabled() const;
    std::uint64_t watchdog_period_ps() const;
    void clear_watchdog();
    // 0x08 or 0x18 when an interrupt is to be taken, -1 when one may only wake the part, else 0.
    int pending_vector() const;
    bool interrupt_pending() const;
    unsigned take_interrupt();

    const Pic18Model& model_;
    Pic18Memory& mem_;
    Pic18Flash flash_;

    std::vector<std::uint8_t> ram_;             // general-purpose RAM
    std::array<std::uint8_t, 128> sfr_{};       // 0xF80..0xFFF, those without a field below
    std::uint32_t pc_ = 0;
    std::uint8_t w_ = 0;
    std::uint8_t bsr_ = 0;
    std::array<std::uint16_t, 3> fsr_{};
    std::uint32_t tblptr_ = 0;
    std::uint8_t tablat_ = 0;
    std::uint8_t pclath_ = 0, pclatu_ = 0;
    std::array<std::uint32_t, kStackDepth + 1> stack_{};   // entry 0 unused: STKPTR 0 is empty
    std::uint8_t stkptr_ = 0;
    struct Shadow { std::uint8_t w, status, bsr; } shadow_{};

    std::array<std::uint8_t, kPorts> lat_{}, tris_{}, inputs_{};

    // EEPROM and flash writes
    int unlock_ = 0;   // 1 after 0x55 to EECON2, 2 after 0xAA
    struct EepromWrite { std::uint8_t address, value; std::uint64_t done_ps; };
    std::optional<EepromWrite> eeprom_write_;

    // two-word instructions fed from outside, and skips
    std::optional<std::uint16_t> pending_first_;
    bool skip_next_ = false;

    std::uint32_t executing_at_ = 0;   // address of the instruction being executed
    bool pcl_written_ = false;
    bool stack_reset_ = false;
    unsigned stall_cycles_ = 0;
    std::uint32_t eeprom_write_us_ = 0;
    std::uint32_t self_write_us_ = 0;

    bool external_ = false;
    bool sleeping_ = false;
    std::uint64_t cycles_ = 0;
    std::uint64_t now_ps_ = 0;
    std::uint64_t cycle_ps_ = 1'000'000;   // 4 MHz oscillator
    std::uint64_t watchdog_start_ps_ = 0;

    // Timer0: its count, the prescaler's count, the TMR0H buffer, and the two cycles a write holds it.
    std::uint16_t tmr0_ = 0;
    std::uint32_t tmr0_prescale_ = 0;
    std::uint8_t tmr0h_buffer_ = 0;
    bool tmr0_written_ = false;
    unsigned tmr0_hold_ = 0;
};

} // namespace korvane::sim
