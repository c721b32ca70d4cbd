#pragma once
// The Write Loader command of the ISO-PIC mode: the card's PIC is programmed with the loader
// image of its family. On success the window moves on to the ISO-EEPROM mode.
#include <functional>
#include <string>

#include "app/host.h"
#include "app/pic_tasks.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"
#include "hardware/ports.h"

namespace korvane {

class TPIC;

class LoaderWriter {
public:
    // `busy_flag` is the task controller's; null: the writer keeps its own.
    // `resolver` (optional) is told the card type, so a simulated card holds the right PIC.
    LoaderWriter(SettingsRecord& settings, IHost& host, IPicTaskView& view, TPIC& pic, bool* busy_flag = nullptr,
                 PortResolver* resolver = nullptr);

    // Runs the command on the active buffer (which afterwards holds the loader image). True when
    // the loader was programmed: the caller then switches to the ISO-EEPROM mode.
    bool run(PicImage& active);

    std::function<void(int)> set_priority;
    // The loader text for a device index: the image the program carries; tests give their own.
    std::function<std::string(int)> loader_source;

private:
    bool program_loader(PicImage& active);

    SettingsRecord& settings_;
    IHost& host_;
    IPicTaskView& view_;
    TPIC& pic_;
    PortResolver* resolver_;
    bool own_busy_ = false;
    bool* busy_;
};

} // namespace korvane
