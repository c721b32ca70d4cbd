#include "hardware/sim_endpoint.h"

#include "hardware/system_seams.h"

#if __has_include("sim/sim_bench.h")
#include "sim/sim_bench.h"
#define KORVANE_HAVE_SIM 1
#endif

namespace korvane {

#ifdef KORVANE_HAVE_SIM

Endpoint sim_endpoint() {
    auto& bench = sim::SimBench::instance();
    return Endpoint{&bench.serial(), &bench.ports(), &bench.clock(), true, "SIM"};
}

void sim_select_target(TargetKind kind, int index) { sim::SimBench::instance().select_target(kind, index); }

#else

namespace {
class NoSimSerial : public ISerialSystem {
public:
    std::unique_ptr<ISerialPort> open(const std::string&, std::string& error) override {
        error = "the simulator is not available in this build";
        return nullptr;
    }
};
class NoSimPorts : public IPortIO {
public:
    std::uint8_t read_byte(std::uint16_t) override { return 0xFF; }
    void write_byte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t read_word(std::uint16_t) override { return 0xFFFF; }
    void write_word(std::uint16_t, std::uint16_t) override {}
    bool driver_ready() const override { return false; }
    bool direct() const override { return false; }
    void enable_direct(bool) override {}
    std::string last_error() const override { return "the simulator is not available in this build"; }
};
} // namespace

Endpoint sim_endpoint() {
    static NoSimSerial serial;
    static NoSimPorts ports;
    return Endpoint{&serial, &ports, &system_clock(), true, "SIM"};
}

void sim_select_target(TargetKind, int) {}

#endif

} // namespace korvane
