#pragma once
// Bench helpers for the simulated bench: a fresh start with its own state directory, the count of
// simulated port accesses, and the bench as a Linux user without port access sees it. The
// simulator's port I/O is always ready, so every microsecond wait would take the PC timer method
// and pay its eight or more port accesses; a user without CAP_SYS_RAWIO gets the clock's busy wait.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "hardware/port_io.h"
#include "hardware/ports.h"
#include "sim/sim_bench.h"
#include "sim/sim_port_io.h"

namespace korvane {

// Restarts the bench with no faults, its memory in the temporary directory `dir_name`, on the
// virtual or the real clock.
inline void restart_bench_sim(const char* dir_name, bool virtual_clock) {
    const auto dir = std::filesystem::temp_directory_path() / dir_name;
    std::filesystem::create_directories(dir);
    setenv("KORVANE_SIM_DIR", dir.c_str(), 1);
    if (virtual_clock) setenv("KORVANE_SIM_CLOCK", "virtual", 1);
    else unsetenv("KORVANE_SIM_CLOCK");
    unsetenv("KORVANE_SIM");
    sim::SimBench::instance().reset_from_env();
}

// Port accesses of the bench so far (UART registers and PC timer), 1 us each on the real clock.
inline std::uint64_t sim_port_accesses() {
    return dynamic_cast<sim::SimPortIO&>(sim::SimBench::instance().ports()).accesses();
}


class PortsNotReady final : public IPortIO {
public:
    explicit PortsNotReady(IPortIO& inner) : inner_(inner) {}
    std::uint8_t read_byte(std::uint16_t port) override { return inner_.read_byte(port); }
    void write_byte(std::uint16_t port, std::uint8_t value) override { inner_.write_byte(port, value); }
    std::uint16_t read_word(std::uint16_t port) override { return inner_.read_word(port); }
    void write_word(std::uint16_t port, std::uint16_t value) override { inner_.write_word(port, value); }
    bool driver_ready() const override { return false; }
    bool direct() const override { return false; }
    void enable_direct(bool) override {}
    std::string last_error() const override { return "Operation not permitted"; }

private:
    IPortIO& inner_;
};

// Registers "SIMN": the simulated bench with port access refused. Returns the name to use.
inline const char* register_sim_without_port_access(PortResolver& resolver) {
    static std::unique_ptr<PortsNotReady> ports;
    Endpoint ep = resolver.resolve("SIM");
    ports = std::make_unique<PortsNotReady>(*ep.ports);
    ep.ports = ports.get();
    resolver.register_endpoint("SIMN", ep);
    return "SIMN";
}

} // namespace korvane
