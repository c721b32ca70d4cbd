#pragma once
// A main window on fresh settings, with the message box and file dialogs answered by the test.
#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "common/test_env.h"
#include "sim/sim_bench.h"
#include "ui/main_window.h"
#include "ui/mem_grid.h"

namespace korvane::test {

struct ShownBox {
    std::vector<std::string> lines;
    MsgKind kind;
    std::vector<int> buttons;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        config_dir = std::filesystem::path(std::getenv("KORVANE_CONFIG_DIR")) / std::to_string(++counter());
        std::filesystem::create_directories(config_dir);
        load_settings(config_dir, config_dir.string() + "/", settings);
        settings.current_programmer().port_name.assign("SIM");
        settings.current_programmer().direct_io = 0;
        make_window();
    }
    void TearDown() override { window.reset(); }

    void make_window() {
        window = std::make_unique<TMain>(settings, config_dir);
        window->message_hook = [this](const std::vector<std::string>& lines, MsgKind kind,
                                      const std::vector<int>& buttons) {
            boxes.push_back({lines, kind, buttons});
            if (answers.empty()) return buttons.empty() ? 1 : buttons.front();
            const int a = answers.front();
            answers.erase(answers.begin());
            return a;
        };
        window->file_dialog_hook = [this](const TMain::FileDialogRequest& r) {
            dialogs.push_back(r);
            return next_file;
        };
    }

    static int& counter() {
        static int n = 0;
        return n;
    }

    // How many shown boxes carry `body` as one of their body lines.
    int count_boxes(const std::string& body) const {
        int n = 0;
        for (const auto& b : boxes)
            for (std::size_t i = 1; i < b.lines.size(); ++i) n += b.lines[i] == body;
        return n;
    }

    // Presses Abort from inside the running task; `seen_busy` tells whether it was running, with
    // Abort shown and the buffers and `grid` locked.
    void abort_while_busy(TMemGrid* grid, bool& seen_busy) {
        QTimer::singleShot(0, window.get(), [this, grid, &seen_busy] {
            seen_busy = window->busy() && window->btnAbort->isVisibleTo(window.get()) &&
                        !window->btnBuffer[1]->isEnabled() && grid->ReadOnly();
            window->btnAbort->click();
        });
    }
    // After a task: idle, Abort hidden, the buffers and `grid` usable again.
    void expect_idle(TMemGrid* grid) const {
        EXPECT_FALSE(window->busy());
        EXPECT_FALSE(window->btnAbort->isVisibleTo(window.get()));
        for (QToolButton* b : window->btnBuffer) EXPECT_TRUE(b->isEnabled());
        EXPECT_FALSE(grid->ReadOnly());
    }

    std::filesystem::path config_dir;
    SettingsRecord settings{};
    std::unique_ptr<TMain> window;
    std::vector<ShownBox> boxes;
    std::vector<int> answers;
    std::vector<TMain::FileDialogRequest> dialogs;
    QString next_file;
};

// PIC mode on the simulated programmer, the priority changes recorded.
class SimWindowTest : public WindowTest {
protected:
    void SetUp() override {
        sim::SimBench::instance().reset_from_env();
        WindowTest::SetUp();
        window->priority_hook = [this](int level) { priorities.push_back(level); };
        install_hooks();
        // The task runner takes the hooks with the PIC object: enter the mode afresh.
        window->btnEEPromProgramming->click();
        window->btnPICProgramming->click();
    }
    virtual void install_hooks() {}
    std::vector<int> priorities;
};

} // namespace korvane::test
