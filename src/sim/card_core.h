#pragma once
// What the virtual ISO card needs of a PIC core, so the 14-bit and the 16-bit core both fit: run
// the written program for a number of instruction cycles, reset it, and see its port pins.
#include <cstdint>
#include <vector>

namespace korvane::sim {

// The core's window on its port pins. Ports are numbered 0 = A, 1 = B, 2 = C, ...
class ICorePins {
public:
    virtual ~ICorePins() = default;
    // The levels on the port's pins as the core reads them, at instruction cycle `cycle`.
    virtual std::uint8_t read_port(int port, std::uint64_t cycle) = 0;
    // The port's output latch or direction changed: a pin with its TRIS bit 0 drives its latch
    // bit, a pin with TRIS bit 1 is released.
    virtual void drive_changed(int port, std::uint8_t latch, std::uint8_t tris, std::uint64_t cycle) = 0;
};

enum class CoreReset : std::uint8_t { PowerOn, Mclr };

class ICardCore {
public:
    virtual ~ICardCore() = default;
    // Puts the core in its reset state; the cycle count starts again at 0.
    virtual void reset(CoreReset kind) = 0;
    // Executes until the cycle count reaches `until` (an instruction may end one cycle past it)
    // or stop() was called from a pin callback.
    virtual void run(std::uint64_t until) = 0;
    virtual void stop() = 0;
    virtual std::uint64_t cycles() const = 0;
    // Instructions executed since the last reset, for tests and traces.
    virtual std::uint64_t instructions() const = 0;
    // The instruction rate changed (the reader's clock): timers on their own oscillator, such as
    // the watchdog, now last another number of cycles.
    virtual void set_instruction_hz(double hz) = 0;
    // The part's data EEPROM, and whether the program wrote it (the card then keeps it).
    virtual const std::vector<std::uint8_t>& data_eeprom() const = 0;
    virtual bool data_eeprom_written() const = 0;
};

} // namespace korvane::sim
