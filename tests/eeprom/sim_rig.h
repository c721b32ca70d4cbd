#pragma once
// The EEPROM tasks on the simulated bench: the real line interface (either backend) in EEPROM
// line mode over port "SIM" on the virtual clock, TI2C, the runner and a recording host.
#include <memory>

#include "app/eeprom_tasks.h"
#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "ee_rig.h"
#include "eeprom/ti2c.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "sim/sim_bench.h"

namespace korvane::test {

struct EESimRig {
    EESimRig(int type, bool direct_io, const std::string& faults = "") {
        sim::SimBench::instance().reset_from_env();
        sim::SimBench::instance().set_faults(faults);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.current_programmer().direct_io = direct_io ? 1 : 0;
        settings.confirm_program = settings.confirm_erase = 0;
        settings.eprom_verify_after = 1;
        io.set_eeprom_line_mode(true);
        ee.load_programmer_params();
        ee.set_type(type);
        ee.image = image->bytes.data();
        runner.set_priority = nullptr;
        clear_eeprom_image(*image, type);
    }
    ~EESimRig() { sim::SimBench::instance().set_faults(""); }

    TaskResult run(EEPromTask t) { return runner.run(t, *image); }
    void fill_random(unsigned seed) { test::fill_random(*image, ee.last_address, seed); }

    SettingsRecord settings{};
    FakeHost host;
    RecordingView view;
    PortResolver& resolver = default_port_resolver();
    Serial_IO io{settings, host, resolver};
    SerialIoLines lines{io, resolver};
    TI2C ee{settings, host, lines};
    EEPromTaskRunner runner{settings, host, view, ee};
    std::unique_ptr<EEPromImage> image = std::make_unique<EEPromImage>();
};

} // namespace korvane::test
