#include "sim/pic14_core.h"

#include <algorithm>
#include <initializer_list>
#include <limits>

namespace korvane::sim {

namespace {
constexpr std::uint64_t kNever = std::numeric_limits<std::uint64_t>::max();
constexpr double kWatchdogPeriodS = 0.018;   // nominal, without prescaler
constexpr double kEepromWriteS = 0.004;      // typical data EEPROM write cycle

constexpr std::uint8_t kGIE = 0x80, kPEIE = 0x40, kT0IF = 0x04;
constexpr std::uint8_t kRD = 0x01, kWR = 0x02, kWREN = 0x04, kWRERR = 0x08, kEEPGD = 0x80;

// Register addresses of the peripherals the card does not use: plain storage with reset values.
constexpr std::uint16_t kPir1 = 0x0C, kPir2 = 0x0D, kPie1 = 0x8C, kPie2 = 0x8D;
} // namespace

Pic14Core::Pic14Core(Pic14Part part, ICorePins& pins, double instruction_hz)
    : part_(part), pins_(&pins), instruction_hz_(instruction_hz) {
    switch (part_) {
    case Pic14Part::F84A:
        program_.assign(1024, 0x3FFF);
        eeprom_.assign(64, 0xFF);
        bank_bits_ = kRP0;          // RP1 and IRP are plain bits here
        indirect_mask_ = 0xFF;
        port_count_ = 2;
        port_mask_ = {0x1F, 0xFF, 0, 0, 0};
        eeif_cell_ = 0;             // EEIF is EECON1 bit 4, kept in eecon1_
        eeif_bit_ = 0x10;
        break;
    case Pic14Part::F628:
        program_.assign(2048, 0x3FFF);
        eeprom_.assign(128, 0xFF);
        bank_bits_ = kRP0 | kRP1;
        port_count_ = 2;
        port_mask_ = {0xFF, 0xFF, 0, 0, 0};
        eeif_cell_ = kPir1;
        eeif_bit_ = 0x80;
        break;
    case Pic14Part::F876:
    case Pic14Part::F877:
        program_.assign(8192, 0x3FFF);
        eeprom_.assign(256, 0xFF);
        bank_bits_ = kRP0 | kRP1;
        port_count_ = part_ == Pic14Part::F877 ? 5 : 3;
        port_mask_ = {0x3F, 0xFF, 0xFF, std::uint8_t(part_ == Pic14Part::F877 ? 0xFF : 0),
                      std::uint8_t(part_ == Pic14Part::F877 ? 0x07 : 0)};
        eeif_cell_ = kPir2;
        eeif_bit_ = 0x10;
        break;
    }
    code_mask_ = std::uint16_t(program_.size() - 1);
    build_map();
    reset(CoreReset::PowerOn);
}

void Pic14Core::load(const std::vector<std::uint16_t>& program, std::uint16_t config,
                     const std::vector<std::uint8_t>& eeprom) {
    std::fill(program_.begin(), program_.end(), 0x3FFF);
    for (std::size_t i = 0; i < program.size() && i < program_.size(); ++i) program_[i] = program[i] & 0x3FFF;
    std::fill(eeprom_.begin(), eeprom_.end(), 0xFF);
    std::copy_n(eeprom.begin(), std::min(eeprom.size(), eeprom_.size()), eeprom_.begin());
    eeprom_written_ = false;
    config_ = config & 0x3FFF;
    wdt_enabled_ = (config_ & 0x0004) != 0;
    reset(CoreReset::PowerOn);
}

// ---- register file ----

void Pic14Core::map_common_bank(unsigned bank) {
    const std::uint16_t b = std::uint16_t(bank << 7);
    map_[b | 0x00] = kSpecial | INDF;
    map_[b | 0x01] = kSpecial | ((bank & 1) ? OPTION : TMR0);
    map_[b | 0x02] = kSpecial | PCL;
    map_[b | 0x03] = kSpecial | STATUS;
    map_[b | 0x04] = kSpecial | FSR;
    map_[b | 0x0A] = kSpecial | PCLATH;
    map_[b | 0x0B] = kSpecial | INTCON;
}

void Pic14Core::build_map() {
    map_.fill(kSpecial | UNIMPL);
    auto gpr = [&](std::uint16_t from, std::uint16_t to, std::uint16_t storage) {
        for (std::uint16_t a = from; a <= to; ++a) map_[a] = std::uint16_t(storage + (a - from));
    };
    auto sfr = [&](std::uint16_t a, Sfr id) { map_[a] = std::uint16_t(kSpecial | id); };
    auto plain = [&](std::initializer_list<std::uint16_t> list) {
        for (auto a : list) map_[a] = a;
    };
    auto irq_cell = [&](std::uint16_t a) { map_[a] = std::uint16_t(kIrqCell | a); };

    switch (part_) {
    case Pic14Part::F84A:
        map_common_bank(0);
        map_common_bank(1);
        sfr(0x05, PORTA);
        sfr(0x06, PORTB);
        sfr(0x08, EEDATA);
        sfr(0x09, EEADR);
        gpr(0x0C, 0x4F, 0x0C);
        sfr(0x85, TRISA);
        sfr(0x86, TRISB);
        sfr(0x88, EECON1);
        sfr(0x89, EECON2);
        gpr(0x8C, 0xCF, 0x0C);
        // No RP1: banks 2 and 3 are banks 0 and 1 again.
        for (std::uint16_t a = 0x100; a < 0x200; ++a) map_[a] = map_[a & 0xFF];
        break;
    case Pic14Part::F628:
        for (unsigned bank = 0; bank < 4; ++bank) map_common_bank(bank);
        sfr(0x05, PORTA);
        sfr(0x06, PORTB);
        irq_cell(kPir1);
        plain({0x0E, 0x0F, 0x10, 0x11, 0x12, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1F});
        gpr(0x20, 0x7F, 0x20);
        sfr(0x85, TRISA);
        sfr(0x86, TRISB);
        irq_cell(kPie1);
        plain({0x8E, 0x92, 0x98, 0x99, 0x9F});
        sfr(0x9A, EEDATA);
        sfr(0x9B, EEADR);
        sfr(0x9C, EECON1);
        sfr(0x9D, EECON2);
        gpr(0xA0, 0xEF, 0xA0);
        gpr(0xF0, 0xFF, 0x70);
        sfr(0x106, PORTB);
        gpr(0x120, 0x14F, 0x120);
        gpr(0x170, 0x17F, 0x70);
        sfr(0x186, TRISB);
        gpr(0x1F0, 0x1FF, 0x70);
        break;
    case Pic14Part::F876:
    case Pic14Part::F877: {
        const bool big = part_ == Pic14Part::F877;
        for (unsigned bank = 0; bank < 4; ++bank) map_common_bank(bank);
        sfr(0x05, PORTA);
        sfr(0x06, PORTB);
        sfr(0x07, PORTC);
        if (big) {
            sfr(0x08, PORTD);
            sfr(0x09, PORTE);
        }
        irq_cell(kPir1);
        irq_cell(kPir2);
        for (std::uint16_t a = 0x0E; a <= 0x1F; ++a) map_[a] = a;
        gpr(0x20, 0x7F, 0x20);
        sfr(0x85, TRISA);
        sfr(0x86, TRISB);
        sfr(0x87, TRISC);
        if (big) {
            sfr(0x88, TRISD);
            sfr(0x89, TRISE);
        }
        irq_cell(kPie1);
        irq_cell(kPie2);
        plain({0x8E, 0x91, 0x92, 0x93, 0x94, 0x98, 0x99, 0x9E, 0x9F});
        gpr(0xA0, 0xEF, 0xA0);
        gpr(0xF0, 0xFF, 0x70);
        sfr(0x106, PORTB);
        sfr(0x10C, EEDATA);
        sfr(0x10D, EEADR);
        sfr(0x10E, EEDATH);
        sfr(0x10F, EEADRH);
        gpr(0x110, 0x16F, 0x110);
        gpr(0x170, 0x17F, 0x70);
        sfr(0x186, TRISB);
        sfr(0x18C, EECON1);
        sfr(0x18D, EECON2);
        gpr(0x190, 0x1EF, 0x190);
        gpr(0x1F0, 0x1FF, 0x70);
        break;
    }
    }
}

// Values the data sheets leave unknown after power-on come from a fixed pattern, not zero, so a
// program that forgets to initialise something does not work by luck. Port latches power up
// high: a loader that never clears its I/O latch then drives the line high instead of low.
void Pic14Core::power_on_values() {
    std::uint32_t seed = 0x2F6B1D35u;
    for (auto& cell : ram_) {
        seed = seed * 1664525u + 1013904223u;
        cell = std::uint8_t(seed >> 24);
    }
    if (part_ != Pic14Part::F84A) {
        // Peripheral registers the card leaves alone: their power-on values.
        for (std::uint16_t a = 0x0C; a <= 0x1F; ++a) ram_[a] = 0;
        for (std::uint16_t a = 0x8C; a <= 0x9F; ++a) ram_[a] = 0;
        ram_[0x92] = 0xFF;   // PR2
        ram_[0x98] = 0x02;   // TXSTA: TRMT
        if (part_ == Pic14Part::F628) ram_[0x8E] = 0x08;   // PCON: OSCF
    }
    w_ = std::uint8_t(seed >> 8);
    fsr_ = std::uint8_t(seed >> 16);
    latch_.fill(0xFF);
    eedata_ = 0xFF;
    eeadr_ = 0xFF;
    eedath_ = 0x3F;
    eeadrh_ = 0x1F;
    status_ = kTO | kPD;
    eecon1_ = 0;
    intcon_ = 0;
}

void Pic14Core::reset(CoreReset kind) {
    if (kind == CoreReset::PowerOn) {
        power_on_values();
    } else {
        // MCLR: TO and PD as they were, or 1 and 0 when the reset woke the part from sleep.
        status_ = std::uint8_t(status_ & (kTO | kPD | kZ | kDC | kC));
        if (sleeping_) status_ = std::uint8_t((status_ & ~(kTO | kPD)) | kTO);
        intcon_ &= 0x01;
    }
    cycles_ = 0;
    instructions_ = 0;
    tmr0_cycle_ = 0;
    internal_reset();
}

// What every reset does, at the current cycle.
void Pic14Core::internal_reset() {
    if (ee_busy_) {
        // A reset cuts the write short: the byte is not written, WRERR tells.
        ee_busy_ = false;
        eecon1_ |= kWRERR;
    }
    eecon1_ &= std::uint8_t(kWRERR | (part_ == Pic14Part::F84A ? 0x10 : kEEPGD));
    unlock_stage_ = 0;
    pc_ = 0;
    pclath_ = 0;
    intcon_ &= 0x01;
    status_ &= std::uint8_t(~(kIRP | kRP1 | kRP0));
    option_written(0xFF);
    for (int p = 0; p < 5; ++p) tris_[std::size_t(p)] = port_mask_[std::size_t(p)];
    if (part_ == Pic14Part::F628 || part_ == Pic14Part::F876 || part_ == Pic14Part::F877) {
        ram_[kPir1] = 0;
        ram_[kPie1] = 0;
        ram_[kPir2] = 0;
        ram_[kPie2] = 0;
    }
    sleeping_ = false;
    skip_ = false;
    tmr0_rebase(tmr0_now(), cycles_);
    wdt_start_ = cycles_;
    driven_tris_.fill(0);   // force a report of every port
    for (int p = 0; p < port_count_; ++p) port_written(p);
    schedule();
}

std::uint16_t Pic14Core::indirect() const {
    return std::uint16_t((((status_ & kIRP) << 1) | fsr_) & indirect_mask_);
}

std::uint8_t Pic14Core::read_f(std::uint8_t f) { return read_at(direct(f)); }
void Pic14Core::write_f(std::uint8_t f, std::uint8_t v) { write_at(direct(f), v); }

std::uint8_t Pic14Core::read_at(std::uint16_t address) {
    const std::uint16_t m = map_[address];
    if (!(m & kSpecial)) return ram_[m & 0x1FF];
    const Sfr id = Sfr(m & 0xFF);
    if (id == INDF) {
        const std::uint16_t target = indirect();
        // INDF through FSR pointing at INDF reads 0.
        if ((map_[target] & (kSpecial | 0xFF)) == (kSpecial | INDF)) return 0;
        return read_at(target);
    }
    return read_sfr(id);
}

void Pic14Core::write_at(std::uint16_t address, std::uint8_t v) {
    const std::uint16_t m = map_[address];
    if (!(m & kSpecial)) {
        ram_[m & 0x1FF] = v;
        if (m & kIrqCell) next_event_ = cycles_;   // an interrupt flag or enable changed
        return;
    }
    const Sfr id = Sfr(m & 0xFF);
    if (id == INDF) {
        const std::uint16_t target = indirect();
        if ((map_[target] & (kSpecial | 0xFF)) == (kSpecial | INDF)) return;
        write_at(target, v);
        return;
    }
    write_sfr(id, v);
}

std::uint8_t Pic14Core::peek(std::uint16_t address) const {
    const std::uint16_t m = map_[address & 0x1FF];
    if (!(m & kSpecial)) return ram_[m & 0x1FF];
    switch (Sfr(m & 0xFF)) {
    case TMR0: return tmr0_now();
    case PCL: return std::uint8_t(pc_);
    case STATUS: return status_;
    case FSR: return fsr_;
    case PORTA: case PORTB: case PORTC: case PORTD: case PORTE: return latch_[(m & 0xFF) - PORTA];
    case PCLATH: return pclath_;
    case INTCON: return intcon_;
    case OPTION: return option_;
    case TRISA: case TRISB: case TRISC: case TRISD: case TRISE: return tris_[(m & 0xFF) - TRISA];
    case EEDATA: return eedata_;
    case EEADR: return eeadr_;
    case EECON1: return eecon1_;
    case EEDATH: return eedath_;
    case EEADRH: return eeadrh_;
    default: return 0;
    }
}

std::uint8_t Pic14Core::read_sfr(Sfr id) {
    switch (id) {
    case TMR0: return tmr0_now();
    case PCL: return std::uint8_t(pc_);   // already the next instruction's address
    case STATUS: return status_;
    case FSR: return fsr_;
    case PORTA: case PORTB: case PORTC: case PORTD: case PORTE: return read_port(id - PORTA);
    case PCLATH: return pclath_;
    case INTCON: return intcon_;
    case OPTION: return option_;
    case TRISA: case TRISB: case TRISC: case TRISD: case TRISE: return tris_[std::size_t(id - TRISA)];
    case EEDATA: return eedata_;
    case EEADR: return eeadr_;
    case EECON1: return eecon1_;
    case EEDATH: return eedath_;
    case EEADRH: return eeadrh_;
    default: return 0;   // EECON2 and unimplemented locations
    }
}

void Pic14Core::write_sfr(Sfr id, std::uint8_t v) {
    switch (id) {
    case TMR0: tmr0_rebase(v, cycles_ + 3); break;   // two cycles of inhibit after the write
    case PCL: jump_low(v); break;
    case STATUS: status_ = std::uint8_t((status_ & (kTO | kPD)) | (v & ~(kTO | kPD))); break;
    case FSR: fsr_ = v; break;
    case PORTA: case PORTB: case PORTC: case PORTD: case PORTE:
        latch_[std::size_t(id - PORTA)] = v & port_mask_[std::size_t(id - PORTA)];
        port_written(id - PORTA);
        break;
    case PCLATH: pclath_ = v & 0x1F; break;
    case INTCON:
        intcon_ = v;
        next_event_ = cycles_;
        break;
    case OPTION: option_written(v); break;
    case TRISA: case TRISB: case TRISC: case TRISD: case TRISE:
        tris_[std::size_t(id - TRISA)] = v & port_mask_[std::size_t(id - TRISA)];
        port_written(id - TRISA);
        break;
    case EEDATA: eedata_ = v; break;
    case EEADR: eeadr_ = v; break;
    case EECON1: eecon1_written(v); break;
    case EECON2: eecon2_written(v); break;
    case EEDATH: eedath_ = v & 0x3F; break;
    case EEADRH: eeadrh_ = v & 0x1F; break;
    default: break;
    }
}

// ---- ports ----

void Pic14Core::port_written(int port) {
    const std::size_t p = std::size_t(port);
    // Only what reaches the pins matters: a latch change under an input is not reported.
    const std::uint8_t drive = std::uint8_t(latch_[p] & ~tris_[p]);
    if (tris_[p] == driven_tris_[p] && drive == std::uint8_t(driven_latch_[p] & ~driven_tris_[p])) return;
    driven_tris_[p] = tris_[p];
    driven_latch_[p] = latch_[p];
    pins_->drive_changed(port, latch_[p], tris_[p], cycles_ + 1);
}

std::uint8_t Pic14Core::read_port(int port) {
    return std::uint8_t(pins_->read_port(port, cycles_) & port_mask_[std::size_t(port)]);
}

// ---- TMR0, watchdog ----

std::uint8_t Pic14Core::tmr0_now() const {
    if (!tmr0_running_ || cycles_ < tmr0_cycle_) return tmr0_value_;
    return std::uint8_t(tmr0_value_ + (cycles_ - tmr0_cycle_) / tmr0_rate_);
}

void Pic14Core::tmr0_rebase(std::uint8_t value, std::uint64_t from_cycle) {
    tmr0_value_ = value;
    tmr0_cycle_ = from_cycle;
    schedule();
}

void Pic14Core::option_written(std::uint8_t v) {
    const std::uint8_t now = tmr0_now();
    option_ = v;
    // T0CS = 0: counts instruction cycles; the prescaler goes to TMR0 when PSA = 0.
    tmr0_running_ = (v & 0x20) == 0 && !sleeping_;
    tmr0_rate_ = (v & 0x08) ? 1u : (2u << (v & 7));
    tmr0_rebase(now, cycles_);
}

// The watchdog's own RC oscillator, through the postscaler when PSA = 1.
std::uint64_t Pic14Core::watchdog_deadline() const {
    const std::uint64_t period = std::max<std::uint64_t>(1, std::uint64_t(kWatchdogPeriodS * instruction_hz_));
    const std::uint32_t post = (option_ & 0x08) ? (1u << (option_ & 7)) : 1u;
    return wdt_start_ + period * post;
}

void Pic14Core::clear_watchdog() {
    wdt_start_ = cycles_;
    schedule();
}

void Pic14Core::watchdog_timeout() {
    status_ &= std::uint8_t(~kTO);
    if (sleeping_) {
        // Wakes up and goes on after the SLEEP.
        sleeping_ = false;
        status_ &= std::uint8_t(~kPD);
        option_written(option_);
        wdt_start_ = cycles_;
        schedule();
        return;
    }
    ++wdt_resets_;
    status_ |= kPD;
    internal_reset();
}

// ---- data EEPROM ----

void Pic14Core::eecon2_written(std::uint8_t v) {
    if (v == 0x55) {
        unlock_stage_ = 1;
    } else if (v == 0xAA && unlock_stage_ == 1 && instructions_ - unlock_at_ <= 2) {
        unlock_stage_ = 2;
    } else {
        unlock_stage_ = 0;
    }
    unlock_at_ = instructions_;
}

void Pic14Core::eecon1_written(std::uint8_t v) {
    const bool f84 = part_ == Pic14Part::F84A;
    // RD and WR can only be set by the program; WRERR and EEIF can be cleared.
    const std::uint8_t keep = std::uint8_t(eecon1_ & (kRD | kWR));
    const std::uint8_t writable = std::uint8_t(kWREN | kWRERR | (f84 ? 0x10 : kEEPGD));
    const bool wr_rises = (v & kWR) && !(eecon1_ & kWR);
    eecon1_ = std::uint8_t((v & writable) | keep | (v & (kRD | kWR)));
    if (f84) next_event_ = cycles_;   // EEIF lives here
    if (eecon1_ & kRD) {
        eecon1_ &= std::uint8_t(~kRD);
        if (!f84 && (eecon1_ & kEEPGD)) {
            const std::uint16_t word = program_[((eeadrh_ << 8) | eeadr_) & code_mask_];
            eedata_ = std::uint8_t(word);
            eedath_ = std::uint8_t(word >> 8);
            // The two instructions after the read are ignored while the processor reads.
            pc_ = std::uint16_t((pc_ + 2) & 0x1FFF);
            extra_cycles_ += 2;
        } else {
            eedata_ = eeprom_[eeadr_ % eeprom_.size()];
        }
    }
    if (wr_rises) {
        const bool unlocked = unlock_stage_ == 2 && instructions_ - unlock_at_ <= 2;
        unlock_stage_ = 0;
        // Program memory writes (EEPGD) are not modelled: nothing is written.
        if (!unlocked || !(eecon1_ & kWREN) || ee_busy_ || (!f84 && (eecon1_ & kEEPGD))) {
            if (!ee_busy_) eecon1_ &= std::uint8_t(~kWR);
            return;
        }
        ee_busy_ = true;
        ee_value_ = eedata_;
        ee_address_ = std::uint8_t(eeadr_ % eeprom_.size());
        ee_done_ = cycles_ + std::uint64_t(kEepromWriteS * instruction_hz_);
        schedule();
    }
}

void Pic14Core::finish_eeprom_write() {
    ee_busy_ = false;
    eeprom_[ee_address_] = ee_value_;
    eeprom_written_ = true;
    eecon1_ &= std::uint8_t(~kWR);
    if (part_ == Pic14Part::F84A) eecon1_ |= eeif_bit_;
    else ram_[eeif_cell_] |= eeif_bit_;
}

// ---- interrupts and timed events ----

bool Pic14Core::interrupt_requested() const {
    if ((intcon_ >> 3) & intcon_ & 0x07) return true;   // T0IE/T0IF, INTE/INTF, RBIE/RBIF
    if (!(intcon_ & kPEIE)) return false;               // EEIE on the 16F84A, PEIE otherwise
    if (part_ == Pic14Part::F84A) return (eecon1_ & eeif_bit_) != 0;
    return (ram_[kPir1] & ram_[kPie1]) || (part_ != Pic14Part::F628 && (ram_[kPir2] & ram_[kPie2]));
}

void Pic14Core::schedule() {
    std::uint64_t next = kNever;
    if (tmr0_running_) next = tmr0_cycle_ + std::uint64_t(256 - tmr0_value_) * tmr0_rate_;
    if (wdt_enabled_) next = std::min(next, watchdog_deadline());
    if (ee_busy_) next = std::min(next, ee_done_);
    if (interrupt_requested() && ((intcon_ & kGIE) || sleeping_)) next = cycles_;
    next_event_ = next;
}

void Pic14Core::latch_flags() {
    if (tmr0_running_) {
        const std::uint64_t overflow = tmr0_cycle_ + std::uint64_t(256 - tmr0_value_) * tmr0_rate_;
        if (cycles_ >= overflow) {
            intcon_ |= kT0IF;
            tmr0_value_ = 0;
            tmr0_cycle_ = overflow;
        }
    }
    if (ee_busy_ && cycles_ >= ee_done_) finish_eeprom_write();
}

void Pic14Core::service_events() {
    latch_flags();
    if (wdt_enabled_ && cycles_ >= watchdog_deadline()) {
        watchdog_timeout();
        return;
    }
    if (interrupt_requested()) {
        if (sleeping_) {
            // An enabled interrupt wakes the part whatever GIE says.
            sleeping_ = false;
            option_written(option_);
        }
        if (intcon_ & kGIE) {
            intcon_ &= std::uint8_t(~kGIE);
            push(pc_);
            pc_ = 0x0004;
            cycles_ += 2;
        }
    }
    schedule();
}

// ---- execution ----

void Pic14Core::push(std::uint16_t address) {
    stack_[sp_] = address;
    sp_ = (sp_ + 1) & 7;   // the ninth push overwrites the first
}

std::uint16_t Pic14Core::pop() {
    sp_ = (sp_ + 7) & 7;
    return stack_[sp_];
}

void Pic14Core::jump_low(std::uint8_t pcl) {
    pc_ = std::uint16_t(((pclath_ & 0x1F) << 8) | pcl);
    extra_cycles_ = 1;
}

void Pic14Core::set_cdcz(unsigned result, unsigned low_nibbles) {
    std::uint8_t s = std::uint8_t(status_ & ~(kC | kDC | kZ));
    if (result & 0x100) s |= kC;
    if (low_nibbles & 0x10) s |= kDC;
    if ((result & 0xFF) == 0) s |= kZ;
    status_ = s;
}

Pic14Core::Alu Pic14Core::add(std::uint8_t a, std::uint8_t b) {
    return {unsigned(a) + b, (a & 0x0Fu) + (b & 0x0Fu)};
}

// C and DC are "no borrow": a - b as a + ~b + 1.
Pic14Core::Alu Pic14Core::sub(std::uint8_t a, std::uint8_t b) {
    return {unsigned(a) + std::uint8_t(~b) + 1u, (a & 0x0Fu) + (~b & 0x0Fu) + 1u};
}

void Pic14Core::run(std::uint64_t until) {
    limit_ = until;
    stop_ = false;
    while (cycles_ < limit_ && !stop_) {
        if (cycles_ >= next_event_) {
            service_events();
            continue;
        }
        if (sleeping_) {
            // Nothing runs until the next wake-up source.
            cycles_ = std::min(limit_, next_event_);
            continue;
        }
        step();
    }
    // A TMR0 overflow inside the last instruction shows in T0IF between instructions too, not
    // only once the next one starts.
    if (cycles_ >= next_event_) {
        latch_flags();
        schedule();
    }
}

void Pic14Core::step() {
    const std::uint16_t op = program_[pc_ & code_mask_];
    pc_ = std::uint16_t((pc_ + 1) & 0x1FFF);
    ++instructions_;
    unsigned cost = 1;
    extra_cycles_ = 0;

    const std::uint8_t f = std::uint8_t(op & 0x7F);
    const bool to_f = (op & 0x80) != 0;
    auto store = [&](std::uint8_t v) {
        if (to_f) write_f(f, v);
        else w_ = v;
    };

    switch (op >> 12) {
    case 0: {   // byte-oriented file register operations
        switch ((op >> 8) & 0x0F) {
        case 0x0:
            if (to_f) {
                write_f(f, w_);   // MOVWF
            } else if (op == 0x0008) {   // RETURN
                pc_ = pop();
                cost = 2;
            } else if (op == 0x0009) {   // RETFIE
                pc_ = pop();
                intcon_ |= kGIE;
                next_event_ = cycles_;
                cost = 2;
            } else if (op == 0x0062) {   // OPTION
                option_written(w_);
            } else if (op == 0x0063 && part_ != Pic14Part::F84A && interrupt_requested()) {
                // 16F62x/87x: "If an interrupt occurs before the execution of a SLEEP
                // instruction, the SLEEP instruction will complete as a NOP": TO, PD and the
                // watchdog stay. (The 16F84A's data sheet: "the device will immediately wake-up
                // from sleep. The SLEEP instruction is completely executed.")
            } else if (op == 0x0063) {   // SLEEP
                status_ = std::uint8_t((status_ | kTO) & ~kPD);
                wdt_start_ = cycles_ + 1;
                sleeping_ = true;
                tmr0_rebase(tmr0_now(), cycles_);
                tmr0_running_ = false;
                schedule();
            } else if (op == 0x0064) {   // CLRWDT
                status_ |= kTO | kPD;
                clear_watchdog();
            } else if (op >= 0x0065 && op <= 0x0067) {   // TRIS PORTA..PORTC
                const int port = op - 0x0065;
                if (port < port_count_) {
                    tris_[std::size_t(port)] = w_ & port_mask_[std::size_t(port)];
                    port_written(port);
                }
            }
            // 0x0000 NOP and the other encodings of it do nothing.
            break;
        case 0x1:   // CLRF / CLRW
            store(0);
            status_ |= kZ;
            break;
        case 0x2: {                                     // SUBWF
            // Flags after the store: with STATUS as destination the ALU's C, DC and Z win.
            const Alu r = sub(read_f(f), w_);
            store(std::uint8_t(r.wide));
            set_cdcz(r.wide, r.nibbles);
            break;
        }
        case 0x3: {                                     // DECF
            const std::uint8_t r = std::uint8_t(read_f(f) - 1);
            store(r);
            set_z(r);
            break;
        }
        case 0x4: {                                     // IORWF
            const std::uint8_t r = read_f(f) | w_;
            store(r);
            set_z(r);
            break;
        }
        case 0x5: {                                     // ANDWF
            const std::uint8_t r = read_f(f) & w_;
            store(r);
            set_z(r);
            break;
        }
        case 0x6: {                                     // XORWF
            const std::uint8_t r = read_f(f) ^ w_;
            store(r);
            set_z(r);
            break;
        }
        case 0x7: {                                     // ADDWF
            const Alu r = add(read_f(f), w_);
            store(std::uint8_t(r.wide));
            set_cdcz(r.wide, r.nibbles);
            break;
        }
        case 0x8: {                                     // MOVF
            const std::uint8_t r = read_f(f);
            store(r);
            set_z(r);
            break;
        }
        case 0x9: {                                     // COMF
            const std::uint8_t r = std::uint8_t(~read_f(f));
            store(r);
            set_z(r);
            break;
        }
        case 0xA: {                                     // INCF
            const std::uint8_t r = std::uint8_t(read_f(f) + 1);
            store(r);
            set_z(r);
            break;
        }
        case 0xB: {                                     // DECFSZ
            const std::uint8_t r = std::uint8_t(read_f(f) - 1);
            store(r);
            skip_ = r == 0;
            break;
        }
        case 0xC: {                                     // RRF
            const std::uint8_t v = read_f(f);
            const std::uint8_t r = std::uint8_t((v >> 1) | ((status_ & kC) << 7));
            store(r);
            status_ = std::uint8_t((status_ & ~kC) | (v & 1));
            break;
        }
        case 0xD: {                                     // RLF
            const std::uint8_t v = read_f(f);
            const std::uint8_t r = std::uint8_t((v << 1) | (status_ & kC));
            store(r);
            status_ = std::uint8_t((status_ & ~kC) | (v >> 7));
            break;
        }
        case 0xE: {                                     // SWAPF
            const std::uint8_t v = read_f(f);
            store(std::uint8_t((v << 4) | (v >> 4)));
            break;
        }
        case 0xF: {                                     // INCFSZ
            const std::uint8_t r = std::uint8_t(read_f(f) + 1);
            store(r);
            skip_ = r == 0;
            break;
        }
        }
        break;
    }
    case 1: {   // bit-oriented operations
        const std::uint8_t mask = std::uint8_t(1u << ((op >> 7) & 7));
        switch ((op >> 10) & 3) {
        case 0: write_f(f, std::uint8_t(read_f(f) & ~mask)); break;   // BCF: read-modify-write
        case 1: write_f(f, std::uint8_t(read_f(f) | mask)); break;    // BSF
        case 2: skip_ = (read_f(f) & mask) == 0; break;               // BTFSC
        case 3: skip_ = (read_f(f) & mask) != 0; break;               // BTFSS
        }
        break;
    }
    case 2: {   // CALL, GOTO: 11 address bits, the page from PCLATH<4:3>
        const std::uint16_t target = std::uint16_t(((pclath_ & 0x18) << 8) | (op & 0x7FF));
        if (!(op & 0x0800)) push(pc_);
        pc_ = target;
        cost = 2;
        break;
    }
    case 3: {   // literal operations
        const std::uint8_t k = std::uint8_t(op);
        switch ((op >> 8) & 0x0F) {
        case 0x0: case 0x1: case 0x2: case 0x3: w_ = k; break;              // MOVLW
        case 0x4: case 0x5: case 0x6: case 0x7:                              // RETLW
            w_ = k;
            pc_ = pop();
            cost = 2;
            break;
        case 0x8: w_ |= k; set_z(w_); break;                                 // IORLW
        case 0x9: w_ &= k; set_z(w_); break;                                 // ANDLW
        case 0xA: w_ ^= k; set_z(w_); break;                                 // XORLW
        case 0xB: break;                                                     // not an instruction
        case 0xC: case 0xD: {                                                // SUBLW: k - W
            const Alu r = sub(k, w_);
            w_ = std::uint8_t(r.wide);
            set_cdcz(r.wide, r.nibbles);
            break;
        }
        case 0xE: case 0xF: {                                                // ADDLW
            const Alu r = add(k, w_);
            w_ = std::uint8_t(r.wide);
            set_cdcz(r.wide, r.nibbles);
            break;
        }
        }
        break;
    }
    }

    cost += extra_cycles_;
    if (skip_) {
        // The fetched next instruction is discarded and executed as a NOP.
        skip_ = false;
        pc_ = std::uint16_t((pc_ + 1) & 0x1FFF);
        cost += 1;
    }
    cycles_ += cost;
}

} // namespace korvane::sim
