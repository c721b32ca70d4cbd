#pragma once
// What the core needs from whoever shows it: the Qt window, the command line, or a test's
// recording fake. The core never calls a user interface directly.
#include <string>
#include <vector>

namespace korvane {

enum class MsgKind { Warning = 0, Error = 1, Information = 2, Question = 3, None = 4 };

// Button codes of the message box; captions "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes",
// "No", "All", any other code "Ok".
enum ButtonCode : int { mbOK = 1, mbCancel = 2, mbAbort = 3, mbRetry = 4, mbIgnore = 5, mbYes = 6, mbNo = 7, mbAll = 8 };

class IProgressBar {
public:
    virtual ~IProgressBar() = default;
    virtual void set_range(int min, int max) = 0;
    virtual void set_step(int step) = 0;
    virtual void step_it() = 0;
    virtual void set_position(int pos) = 0;
};

class IHost {
public:
    virtual ~IHost() = default;
    // lines[0] is the caption; the rest are body lines (a line may carry a "prefix~" format).
    // An empty button list shows a self-closing box and returns 1.
    virtual int message_box(const std::vector<std::string>& lines, MsgKind kind,
                            const std::vector<int>& buttons) = 0;
    // Status-bar panels 0 (mode), 1 (connection), 2 (file).
    virtual void set_status_text(int panel, const std::string& text) = 0;
    // Keeps the window alive during long operations; the Abort handler runs from here.
    virtual void process_messages() {}
    virtual void toggle_rx_led() {}
    virtual void toggle_tx_led() {}
    virtual void leds_off() {}
    // LedRX / LedTX switched to a given state (the card operations start and end with them off).
    virtual void set_rx_led(bool /*on*/) {}
    virtual void set_tx_led(bool /*on*/) {}
    virtual void set_busy_cursor(bool /*busy*/) {}
};

// Shorthands for the four forms the program uses.
int error_box(IHost& host, const std::string& device_title, const std::vector<std::string>& body);
bool confirm_box(IHost& host, const std::string& question);   // "Confirm", Yes/No -> true on Yes
void info_box(IHost& host, const std::string& caption, const std::vector<std::string>& body);

} // namespace korvane
