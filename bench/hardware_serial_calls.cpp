// Serial calls per line change in the serial-calls backend, with and without leaving out the call
// for a line that keeps its level. The pattern is one ICSP bit: data to the bit, clock high, clock low.
#include <benchmark/benchmark.h>

#include "app/host.h"
#include "app/settings.h"
#include "hardware/serial_io.h"

namespace {

using namespace korvane;

class NullPort : public ISerialPort {
public:
    bool restore_saved_settings() override { return true; }
    bool set_dtr(bool) override { return true; }
    bool set_rts(bool) override { return true; }
    bool set_break(bool) override { return true; }
    bool cts() override { return false; }
    bool purge() override { return true; }
    bool configure(const SerialSettings&) override { return true; }
    bool set_timeouts(const SerialTimeouts&) override { return true; }
    std::size_t read(std::uint8_t*, std::size_t) override { return 0; }
    std::size_t write(const std::uint8_t*, std::size_t n) override { return n; }
    std::size_t available() override { return 0; }
};

class NullSerial : public ISerialSystem {
public:
    std::unique_ptr<ISerialPort> open(const std::string&, std::string&) override { return std::make_unique<NullPort>(); }
};

class NullHost : public IHost {
public:
    int message_box(const std::vector<std::string>&, MsgKind, const std::vector<int>&) override { return mbOK; }
    void set_status_text(int, const std::string&) override {}
};

class NoPorts : public IPortIO {
public:
    std::uint8_t read_byte(std::uint16_t) override { return 0; }
    void write_byte(std::uint16_t, std::uint8_t) override {}
    std::uint16_t read_word(std::uint16_t) override { return 0; }
    void write_word(std::uint16_t, std::uint16_t) override {}
    bool driver_ready() const override { return false; }
    bool direct() const override { return false; }
    void enable_direct(bool) override {}
    std::string last_error() const override { return {}; }
};

class NoClock : public IClock {
public:
    std::uint64_t now_us() override { return 0; }
    void busy_wait_us(std::uint32_t) override {}
    void sleep_ms(std::uint32_t) override {}
    std::uint64_t timestamp() override { return 0; }
};

void BM_SerialCallsPerLineChange(benchmark::State& state) {
    NullSerial serial;
    NoPorts ports;
    NoClock clock;
    NullHost host;
    SettingsRecord settings{};
    apply_settings_defaults(settings, "/tmp/");
    settings.current_programmer().direct_io = 0;
    PortResolver resolver(PortRoots{"/nonexistent", "/nonexistent"}, [](const std::string&) { return std::string(); },
                          [](const std::string&) { return false; });
    resolver.register_endpoint("COM1", Endpoint{&serial, &ports, &clock, false, "null"});
    Serial_IO io(settings, host, resolver);
    io.set_skip_unchanged_lines(state.range(0) != 0);
    io.open_port("COM1");
    io.target_on();
    const auto calls_before = io.serial_call_count();
    std::uint64_t changes = 0;
    std::uint32_t bits = 0x2A5A;   // a 14-bit word, sent over and over
    unsigned i = 0;
    for (auto _ : state) {
        if ((bits >> (i++ % 14)) & 1)
            io.data_high();
        else
            io.data_low();
        io.clock_high();
        io.clock_low();
        changes += 3;
    }
    state.counters["calls_per_line_change"] = double(io.serial_call_count() - calls_before) / double(changes);
    io.close_port();
}
BENCHMARK(BM_SerialCallsPerLineChange)->Arg(0)->Arg(1)->ArgName("skip_unchanged");

} // namespace
