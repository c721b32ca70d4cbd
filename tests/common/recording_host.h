#pragma once
// A host that records every message box and status text it is given.
#include <map>
#include <string>
#include <vector>

#include "app/host.h"

namespace korvane::test {

class RecordingHost : public IHost {
public:
    struct Box {
        std::vector<std::string> lines;
        MsgKind kind;
        std::vector<int> buttons;
    };
    int message_box(const std::vector<std::string>& lines, MsgKind kind, const std::vector<int>& buttons) override {
        boxes.push_back({lines, kind, buttons});
        return mbOK;
    }
    void set_status_text(int panel, const std::string& text) override { status[panel] = text; }

    std::vector<Box> boxes;
    std::map<int, std::string> status;
};

} // namespace korvane::test
