#pragma once
// The simulated programmer bench behind the port "SIM": a JDM board with a chip socket, reached
// through the serial calls and through a 16550 at the legacy COM bases, plus the PC timer, on a
// real or virtual clock. One per process (instance()); tests may build their own.
//
// Environment: KORVANE_SIM (faults, see sim_faults.h), KORVANE_SIM_DIR (chip memory),
// KORVANE_SIM_CLOCK=virtual (time moves only when the host waits; default: real time).
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "hardware/ports.h"
#include "sim/card_factory.h"
#include "sim/card_reader.h"
#include "sim/chip_store.h"
#include "sim/eeprom_socket_chip.h"
#include "sim/jdm_board.h"
#include "sim/pic16_chip.h"
#include "sim/pic18_chip.h"
#include "sim/pit_timer.h"
#include "sim/sim_clock.h"
#include "sim/sim_faults.h"
#include "sim/sim_port_io.h"
#include "sim/sim_serial.h"
#include "sim/uart16550.h"

namespace korvane::sim {

class SimBench {
public:
    static SimBench& instance();

    SimBench();    // configured from the environment
    ~SimBench();   // keeps the chip's memory
    SimBench(const SimBench&) = delete;
    SimBench& operator=(const SimBench&) = delete;

    // Re-reads the environment: port closed, clock restarted, counters and trace cleared, socket
    // emptied; chips inserted afterwards load their memory from the (new) state directory.
    // Memory not yet saved is dropped.
    void reset_from_env();

    ISerialSystem& serial() { return serial_; }
    // The smart-card reader beside the programmer (its own port, also named "SIM").
    CardReader& reader() { return reader_; }
    IPortIO& ports() { return port_io_; }
    IClock& clock() { return *clock_; }
    SimClock& sim_clock() { return *clock_; }

    // The chip in the socket follows the device the host selected. Selecting the device already
    // there keeps the chip as it is.
    void select_target(TargetKind kind, int index);
    TargetKind target_kind() const { return kind_; }
    // The card in the reader: PIC catalogue index, EEPROM index.
    void select_card(int pic_index, int eeprom_index) { reader_.select_card(pic_index, eeprom_index); }
    int target_index() const { return index_; }

    // Same syntax as KORVANE_SIM; the chip is taken out and put back with the new faults.
    void set_faults(const std::string& fault_list);
    const SimFaults& faults() const { return faults_; }

    // ---- for tests ----
    LineTrace& trace() { return board_.trace(); }
    SimCounters& counters() { return counters_; }
    void reset_counters() { counters_ = SimCounters{}; }
    // The chip in the socket with its due cycles finished, or null.
    SocketChip* chip();
    Pic16Chip* pic16() { return dynamic_cast<Pic16Chip*>(chip()); }
    Pic18Chip* pic18() { return dynamic_cast<Pic18Chip*>(chip()); }
    I2cEeprom* eeprom();
    // Writes the chip's memory to the state directory now.
    bool save_chip();
    // Blanks the chip in the socket and forgets its saved image.
    void wipe_chip();

    JdmBoard& board() { return board_; }
    Uart16550& uart() { return uart_; }
    PitTimer& pit() { return pit_; }
    SimSerial& sim_serial() { return serial_; }
    const std::filesystem::path& state_dir() const { return store_.dir(); }

private:
    void read_environment();
    void use_clock(SimClock& c);
    void insert_selected();
    std::unique_ptr<IsoCard> make_card(int pic_index, int eeprom_index, std::uint32_t clock_hz);
    void keep_card(IsoCard& card, int pic_index, int eeprom_index, std::uint64_t now_ns);
    void remove_chip();

    VirtualClock virtual_clock_;
    RealClock real_clock_;
    SimClock* clock_ = &real_clock_;
    SimCounters counters_;
    SimFaults faults_;
    ChipStore store_{default_state_dir()};
    TargetKind kind_ = TargetKind::None;
    int index_ = -1;

    JdmBoard board_{real_clock_};
    Uart16550 uart_{board_};
    PitTimer pit_{real_clock_};
    SimPortIO port_io_{uart_, pit_, real_clock_};
    SimSerial serial_{board_, uart_};
    CardReader reader_{real_clock_};
};

} // namespace korvane::sim
