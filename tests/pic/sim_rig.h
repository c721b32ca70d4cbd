#pragma once
// A PIC task rig on the simulated bench: the real line interface (both backends) over port "SIM"
// on the virtual clock, the task runner and a recording host.
#include <memory>
#include <random>

#include "app/pic_tasks.h"
#include "app/settings.h"
#include "fake_host.h"
#include "hardware/ports.h"
#include "hardware/serial_io.h"
#include "pic/serial_io_lines.h"
#include "pic/tpic.h"
#include "sim/sim_bench.h"

namespace korvane::test {

// Counts the samples of Data In (14 per word read) on the way to the real lines.
class CountingLines : public ForwardingLines {
public:
    using ForwardingLines::ForwardingLines;
    long samples = 0;
    bool read_data_in() override {
        ++samples;
        return inner_.read_data_in();
    }
};

struct SimRig {
    explicit SimRig(int device, bool direct_io = true, const std::string& faults = "") {
        sim::SimBench::instance().reset_from_env();
        sim::SimBench::instance().set_faults(faults);
        apply_settings_defaults(settings, "/tmp/");
        settings.current_programmer().port_name.assign("SIM");
        settings.current_programmer().direct_io = direct_io ? 1 : 0;
        settings.confirm_program = settings.confirm_erase = settings.confirm_cp = settings.unprotect_dev = 0;
        settings.pic_device = std::uint8_t(device);
        pic.load_settings();
        clear_pic_image(*image, device);
        pic.select_image(*image);
        runner.set_priority = nullptr;
    }
    ~SimRig() { sim::SimBench::instance().set_faults(""); }

    TaskResult run(PicTask t) { return runner.run(t, *image); }

    void fill_random(unsigned seed) {
        std::mt19937 rng(seed);
        for (int i = 0; i < pic.code_size; ++i) image->code[std::size_t(i)] = std::uint16_t(rng() & 0x3FFF);
        for (int i = 0; i < pic.data_size; ++i) image->data[std::size_t(i)] = std::uint8_t(rng());
        for (int k = 0; k < 4; ++k) image->config[std::size_t(k)] = std::uint16_t(rng() & 0x3FFF);
    }

    SettingsRecord settings{};
    FakeHost host;
    FakePicView view;
    PortResolver& resolver = default_port_resolver();
    Serial_IO io{settings, host, resolver};
    SerialIoLines real_lines{io, resolver};
    CountingLines lines{real_lines};
    TPIC pic{settings, host, lines};
    PicTaskRunner runner{settings, host, view, pic};
    std::unique_ptr<PicImage> image = std::make_unique<PicImage>();
};

} // namespace korvane::test
