#pragma once
#include <gtest/gtest.h>

#include "app/settings.h"
#include "fakes.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"

namespace korvane::test {

// A line interface whose COM1..COM9 lead to recording fakes; the settings hold the defaults (JDM,
// Tset0 = Thld0 = 60 ms, EEPROM bit time 1 us).
class LineFixture : public ::testing::Test {
protected:
    LineFixture() {
        apply_settings_defaults(settings, "/tmp/");
        for (int n = 1; n <= 9; ++n) {
            const std::string name = "COM" + std::to_string(n);
            resolver.register_endpoint(name, Endpoint{&serial, &ports, &clock, false, "dev:" + name});
        }
    }
    ProgrammerParams& rec() { return settings.current_programmer(); }
    void use_direct(bool on) { rec().direct_io = on ? 1 : 0; }
    Trace take() {
        Trace t;
        t.swap(trace);
        return t;
    }
    // Opens COM1 and drops what opening did from the trace.
    void open_clean() {
        ASSERT_TRUE(io.open_port("COM1"));
        take();
    }
    // The trace with every PC-timer wait shown as "pit N" and port reads left out.
    Trace take_condensed();

    Trace trace;
    FakeClock clock{&trace};
    FakeSerialSystem serial{&trace};
    FakePortIO ports{&trace, &clock};
    RecordingHost host;
    SettingsRecord settings{};
    PortResolver resolver{PortRoots{"/nonexistent-dev", "/nonexistent-sys"},
                          [](const std::string&) { return std::string(); },
                          [](const std::string&) { return false; }};
    Serial_IO io{settings, host, resolver};
};

inline Trace LineFixture::take_condensed() {
    Trace out;
    for (const std::string& line : take()) {
        if (line.rfind("W 042=", 0) == 0)
            out.push_back("pit " + line.substr(6));
        else if (line.rfind("W 043", 0) == 0 || line.rfind("W 061", 0) == 0 || line.rfind("R ", 0) == 0)
            continue;
        else
            out.push_back(line);
    }
    return out;
}

} // namespace korvane::test
