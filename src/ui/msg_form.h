#pragma once
// The application's one message box: caption line, icon by kind, formatted body lines and a row
// of coded buttons. With no buttons it closes itself after a second and returns 1.
#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "app/host.h"

class QPushButton;

namespace korvane {

QString button_caption(int code);   // 1 "OK" .. 8 "All", anything else "Ok"

class TMsgForm : public QDialog {
    Q_OBJECT
public:
    TMsgForm(QWidget* owner, const std::vector<std::string>& lines, MsgKind kind,
             const std::vector<int>& buttons);

    // Shows the box modally, centred over `owner` (or a 1024 x 768 area without one), on top.
    static int run(QWidget* owner, const std::vector<std::string>& lines, MsgKind kind,
                   const std::vector<int>& buttons);

    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    static constexpr int kSelfCloseMs = 1000;
    // The sound of the box as a system beep type (0x30, 0x10, 0x40, 0x20, 0 by kind); every
    // kind sounds, 0 being the default beep. Tests listen here instead of the speaker.
    static inline std::function<void(unsigned)> beep_hook;

protected:
    void reject() override;   // no title-bar buttons: Escape does not end the box
    void showEvent(QShowEvent* e) override;

private:
    QWidget* owner_;
    std::vector<QPushButton*> buttons_;
    bool self_closing_;
};

} // namespace korvane
