#pragma once
// TPIC and the task runner on a fake chip, with the recording host, view and progress bar.
#include <memory>

#include "app/pic_tasks.h"
#include "app/settings.h"
#include "fake_host.h"
#include "pic/tpic.h"

namespace korvane::test {

template <class Chip>
struct PicBench {
    PicBench() {
        apply_settings_defaults(settings, "/tmp/");
        runner.set_priority = nullptr;
    }
    TaskResult run(PicTask t) { return runner.run(t, *image); }
    // At most `n` attempts at each word read back.
    void retries(int n) {
        settings.current_programmer().max_retries = std::uint32_t(n);
        pic.load_programmer_params();
    }

    SettingsRecord settings{};
    FakeHost host;
    Chip chip;
    FakeProgress progress;
    FakePicView view;
    TPIC pic{settings, host, chip};
    PicTaskRunner runner{settings, host, view, pic};
    std::unique_ptr<PicImage> image = std::make_unique<PicImage>();
};

} // namespace korvane::test
