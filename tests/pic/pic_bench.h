#pragma once
// TPIC and the task runner on a fake chip, with the recording host, view and progress bar.
#include <gtest/gtest.h>

#include <memory>
#include <string>

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

// Aborts the task at each of its pumps but the busy period's first and last: one notice and no
// further box, the programmer closed, the busy period over.
template <class Chip>
void expect_abort_at_every_pump(PicBench<Chip>& b, PicTask task, const std::string& title) {
    b.host.on_pump = nullptr;
    b.host.pumps = 0;
    ASSERT_NE(b.run(task), TaskResult::NotRun);
    const int total = b.host.pumps;
    ASSERT_GT(total, 5);
    for (int n = 2; n < total; ++n) {
        SCOPED_TRACE(n);
        b.host.boxes.clear();
        b.host.pumps = 0;
        b.host.at_pump = n;
        b.host.on_pump = [&] { b.runner.abort(); };
        ASSERT_EQ(b.run(task), TaskResult::Aborted);
        ASSERT_EQ(b.host.box_lines(), (std::vector<std::vector<std::string>>{{title, "Process Aborted"}}));
        ASSERT_EQ(b.host.boxes[0].kind, MsgKind::Warning);
        ASSERT_FALSE(b.chip.open);
        ASSERT_EQ(b.pic.task_running, 0);
        ASSERT_FALSE(b.runner.busy());
        ASSERT_EQ(b.view.enables, b.view.disables);
    }
}

} // namespace korvane::test
