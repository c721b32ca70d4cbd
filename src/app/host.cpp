#include "app/host.h"

namespace korvane {

int error_box(IHost& host, const std::string& device_title, const std::vector<std::string>& body) {
    std::vector<std::string> lines{device_title + " ERROR!"};
    lines.insert(lines.end(), body.begin(), body.end());
    return host.message_box(lines, MsgKind::Error, {mbOK});
}

bool confirm_box(IHost& host, const std::string& question) {
    return host.message_box({"Confirm", question}, MsgKind::Question, {mbYes, mbNo}) == mbYes;
}

void info_box(IHost& host, const std::string& caption, const std::vector<std::string>& body) {
    std::vector<std::string> lines{caption};
    lines.insert(lines.end(), body.begin(), body.end());
    host.message_box(lines, MsgKind::Information, {mbOK});
}

} // namespace korvane
