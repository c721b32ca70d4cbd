#pragma once
// The four operations of the ISO-EEPROM mode, read, write, verify and erase through the loader,
// on the active EEPROM buffer, and the task frame the window and the command line run them in.
#include <functional>

#include "app/host.h"
#include "app/settings.h"
#include "app/task_frame.h"
#include "buffers/eeprom_buffers.h"
#include "card/ee_thru_io.h"

namespace korvane {

// What the card operations need from the window besides IHost and the Abort button.
class ICardView : public ITaskWidgets {
public:
    virtual void set_device_list_enabled(bool enabled) = 0;   // Items_List
    virtual void refresh_eeprom_grid(bool clear_marks) = 0;   // EEPromWin
};

class CardEEPromFlows {
public:
    CardEEPromFlows(TEE_THRU_IO& io, IHost& host, ICardView& view, int eeprom_type);

    // Each flow works on `image`, which is the active buffer; the result is true on success.
    bool read_through(EEPromImage& image);
    bool write_through(EEPromImage& image, bool show_message);
    bool verify_through(EEPromImage& image, bool show_message);
    bool erase_through(EEPromImage& image);

    // The card link always runs at normal priority; tests replace the call.
    std::function<void(int)> set_priority;

private:
    void point_at(EEPromImage& image);
    void clear_image(EEPromImage& image);
    void aborted_box();

    TEE_THRU_IO& io_;
    IHost& host_;
    ICardView& view_;
    int eeprom_type_;
};

enum class CardTask { Read, Program, Verify, Erase };
enum class CardTaskResult { NotRun, Done, Failed, Aborted };

// The task frame of Read, Program, Verify and Erase in the ISO-EEPROM mode: busy guard,
// confirmations, the busy period with its Abort button, the hour-glass cursor.
class CardTaskRunner {
public:
    // `busy_flag` is the task controller's, shared with the other modes; null: the runner's own.
    CardTaskRunner(SettingsRecord& settings, IHost& host, ICardView& view, TEE_THRU_IO& io,
                   bool* busy_flag = nullptr);

    bool busy() const { return *busy_; }
    CardTaskResult run(CardTask task, EEPromImage& active);
    // The Abort command of the ISO-EEPROM mode.
    void abort() { io_.abort(); }
    bool task_running() const { return io_.task_running != 0; }

    // Sets the process priority class (0 normal, 1 high, 2 real time); tests replace it.
    std::function<void(int)> set_priority;

private:
    bool confirm(CardTask task);

    SettingsRecord& settings_;
    IHost& host_;
    ICardView& view_;
    TEE_THRU_IO& io_;
    bool own_busy_ = false;
    bool* busy_;
};

} // namespace korvane
