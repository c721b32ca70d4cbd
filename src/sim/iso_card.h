#pragma once
// A virtual ISO card: a PIC core running whatever was written into the card's PIC, its contacts
// wired as on the cards (RST on MCLR, CLK on OSC1, I/O on RB7 open drain) and a 24Cxx on two of
// its port pins. The card knows nothing of the protocol: what it says is what its program does.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "sim/card_core.h"
#include "sim/i2c_eeprom.h"

namespace korvane::sim {

// Where the contacts and the EEPROM meet the PIC's ports (0 = A, 1 = B, 2 = C).
struct CardWiring {
    int io_port, io_bit;
    int sda_port, sda_bit;
    int scl_port, scl_bit;
};
constexpr CardWiring k16FCardWiring{1, 7, 1, 4, 1, 5};   // RB7, SDA RB4, SCL RB5
constexpr CardWiring k18FCardWiring{1, 7, 2, 4, 2, 3};   // RB7, SDA RC4, SCL RC3

// What the configuration word makes of power-up and of the contacts.
struct CardStartup {
    std::uint64_t power_up_ns = 0;   // power-up timer and oscillator start-up after power-on
    bool mclr_pin = true;            // false: MCLR is tied inside, RST does nothing
    std::uint32_t internal_osc_hz = 0;   // non-zero: the part runs on its own oscillator, not CLK
    std::uint32_t pll = 1;               // CLK multiplied (the 18F's HS-PLL mode: 4)
};

class IsoCard final : public ICorePins {
public:
    // `eeprom` may be null: a card without its EEPROM.
    IsoCard(CardWiring wiring, CardStartup startup, std::unique_ptr<I2cEeprom> eeprom);
    ~IsoCard() override;

    // The core is made for the card, which is its pins; `make` gets the card and the instruction rate.
    using CoreFactory = std::function<std::unique_ptr<ICardCore>(ICorePins& pins, double instruction_hz)>;
    void attach_core(const CoreFactory& make, std::uint32_t clock_hz);

    // ---- the reader's side ----
    // The level the reader puts on I/O at `t` (high unless the host's TXD pulls it low).
    std::function<bool(std::uint64_t t)> host_io;
    // The card pulls I/O low or releases it.
    std::function<void(std::uint64_t t, bool low)> on_io;
    // While a trace is on, called before the EEPROM's pins are recorded at `t`, so that the
    // reader writes the I/O contact up to then first (a trace's times never go back).
    std::function<void(std::uint64_t t)> trace_io_to;

    void set_clock_hz(std::uint32_t hz, std::uint64_t now_ns);
    void set_power(bool on, std::uint64_t now_ns);
    void set_rst_low(bool low, std::uint64_t now_ns);
    // Runs the program up to `t` and gives the time reached: an instruction may end past `t`, and
    // stop() ends the run early. A card that does not run gives `t`.
    std::uint64_t run_until(std::uint64_t t);
    void stop();
    bool running() const;
    bool pulls_io_low() const { return io_low_; }

    ICardCore& core() { return *core_; }
    I2cEeprom* eeprom() { return eeprom_.get(); }
    std::uint32_t clock_hz() const { return clock_hz_; }
    std::uint64_t resets() const { return resets_; }

    // ICorePins
    std::uint8_t read_port(int port, std::uint64_t cycle) override;
    void drive_changed(int port, std::uint8_t latch, std::uint8_t tris, std::uint64_t cycle) override;

private:
    std::uint32_t osc_hz() const { return startup_.internal_osc_hz ? startup_.internal_osc_hz : clock_hz_ * startup_.pll; }
    std::uint64_t cycle_time(std::uint64_t cycle) const;
    std::uint64_t cycles_until(std::uint64_t t) const;
    bool sda_level() const;
    void eeprom_pins(std::uint64_t t);
    void release(std::uint64_t now_ns);

    CardWiring wiring_;
    CardStartup startup_;
    std::unique_ptr<I2cEeprom> eeprom_;
    std::unique_ptr<ICardCore> core_;
    std::uint32_t clock_hz_ = 3579545;

    bool powered_ = false;
    bool rst_low_ = true;
    std::uint64_t power_on_ns_ = 0;
    std::uint64_t origin_ns_ = 0;   // when instruction cycle 0 begins
    std::array<std::uint8_t, 5> latch_{}, tris_{0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

    bool io_low_ = false;
    bool sda_low_ = false;          // the PIC pulls SDA low
    bool scl_high_ = true;          // SCL as the PIC drives it (released: pulled up)
    std::uint64_t resets_ = 0;
};

} // namespace korvane::sim
