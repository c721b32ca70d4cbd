#pragma once
// The PIC modes' device side of the window: the PIC object with its programmer lines and the
// task runner, seen from the window.
#include <memory>

#include "app/host.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"

namespace korvane {

class TMain;

class PicSide {
public:
    enum class Task { Read, Program, Verify, Erase, ClearCP, ProgramCode, ProgramData, ProgramConfig };

    PicSide(TMain& window, SettingsRecord& settings, bool iso_mode);
    ~PicSide();

    int device() const;
    // Gives the PIC object its device (which resizes the code and data grids).
    void set_device(int index);
    void select_image(PicImage& image);
    void load_programmer_params();
    void set_progress_bar(IProgressBar* bar);

    // One task on the active image; returns when it has ended (the busy period is over).
    void run(Task task, PicImage& active);
    // The Abort button: acts only while a task of the PIC object runs.
    void abort();
    bool task_running() const;
    // The Write Loader command of the ISO-PIC mode; true when the loader was programmed.
    bool write_loader(PicImage& active);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvane
