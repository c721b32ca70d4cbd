#pragma once
// A host that records message boxes, LEDs and progress, and can run an action at a given pump;
// the PIC task view that records what the window was told.
#include <functional>
#include <string>
#include <vector>

#include "app/host.h"
#include "app/pic_tasks.h"

namespace korvane::test {

struct Box {
    std::vector<std::string> lines;
    MsgKind kind;
    std::vector<int> buttons;
};

class FakeProgress : public IProgressBar {
public:
    int min = 0, max = 0, step = 0, position = 0, steps = 0;
    void set_range(int a, int b) override { min = a; max = b; }
    void set_step(int s) override { step = s; }
    void step_it() override { position += step; ++steps; }
    void set_position(int p) override { position = p; }
};

class FakeHost : public IHost {
public:
    std::vector<Box> boxes;
    std::vector<std::string> questions;
    int answer = mbYes;
    int pumps = 0;
    int rx_toggles = 0, tx_toggles = 0;
    std::vector<bool> cursor;   // set_busy_cursor calls
    std::string status[3];
    // Runs once when the pump counter reaches `at_pump` (1-based).
    int at_pump = 0;
    std::function<void()> on_pump;

    int message_box(const std::vector<std::string>& lines, MsgKind kind,
                    const std::vector<int>& buttons) override {
        if (kind == MsgKind::Question) {
            questions.push_back(lines.size() > 1 ? lines[1] : "");
            return answer;
        }
        boxes.push_back({lines, kind, buttons});
        return buttons.empty() ? 1 : buttons.front();
    }
    void set_status_text(int panel, const std::string& text) override {
        if (panel >= 0 && panel < 3) status[panel] = text;
    }
    void process_messages() override {
        ++pumps;
        if (on_pump && pumps == at_pump) on_pump();
    }
    void toggle_rx_led() override { ++rx_toggles; }
    void toggle_tx_led() override { ++tx_toggles; }
    void leds_off() override {}
    void set_busy_cursor(bool busy) override { cursor.push_back(busy); }

    // The lines of every box shown, in order.
    std::vector<std::vector<std::string>> box_lines() const {
        std::vector<std::vector<std::string>> out;
        for (const Box& b : boxes) out.push_back(b.lines);
        return out;
    }
};

class FakePicView : public IPicTaskView {
public:
    std::string id;                    // the last PICID shown
    std::vector<std::string> ids, calls;
    int locks = 0, enables = 0, disables = 0;
    std::vector<bool> refreshes;
    void show_pic_id(const std::string& s) override {
        id = s;
        ids.push_back(s);
        calls.push_back("id " + s);
    }
    void lock_config_panel() override { ++locks, calls.push_back("lock"); }
    void refresh_views(bool clear) override {
        refreshes.push_back(clear);
        calls.push_back(clear ? "refresh clear" : "refresh");
    }
    void enable_abort() override { ++enables, calls.push_back("abort on"); }
    void disable_abort() override { ++disables, calls.push_back("abort off"); }
};

} // namespace korvane::test
