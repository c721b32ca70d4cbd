#pragma once
// The configuration panel of the main window without widgets. The buffer is the only store: the
// panel model turns the active PIC buffer into what each control shows (`view()`), and turns each
// control's change into an edit of that buffer. The Qt panel only maps widgets to it:
//
//  - after every refresh (buffer, device, file, task) call bind() then rebuild(), and draw view();
//  - connect only user-action signals (list `activated`, check box `clicked`, edit `textEdited`)
//    to the handlers below, so drawing the view never feeds back into the buffer; after a list or
//    check-box handler redraw `ConfigWord` from view().config_word; after an edit-box handler
//    nothing needs redrawing (the view keeps the typed text);
//  - run every key typed into a word edit box through config_key_filter() (app/config_word.h)
//    and limit the boxes to 4 characters;
//  - lock() while a task runs (the task controller's "lock panel"); rebuild() enables again.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/config_word.h"

namespace korvane {

struct PicImage;
struct SettingsRecord;

enum class ConfigLayout { None, Pic16F, Pic18F };

struct FuseBox {
    bool enabled = false;
    bool checked = false;    // kept as it was while the box is disabled
};

struct ConfigPanelView {
    ConfigLayout layout = ConfigLayout::None;
    // 16F: `Lab_Oscillator`, `Oscillator`, `Lab_Code_Prot`, `CodeProtect` and the eight fuse boxes
    // are visible, `Config1..6` with their labels hidden; 18F the other way round.
    std::string conf_word_caption = "Conf Word";   // `Lab_Conf_Word`: "Conf Word" or "Config 7"
    std::string config_word = "0000";              // `ConfigWord`
    std::array<std::string, 6> config{};           // `Config1` .. `Config6` (18F)
    std::array<std::string, 4> id_words{};         // `IDWord1`, `IDWOrd2`, `IDWord3`, `IDWord4`
    std::string pic_id = "3FFF";                   // `PICID`, read-only
    bool items_list_enabled = true;                // `Items_List`
    bool oscillator_enabled = true;
    bool code_protect_enabled = true;
    std::vector<std::string> oscillator_items;     // 16F list contents and selection
    int oscillator_index = -1;
    std::vector<std::string> code_protect_items;
    int code_protect_index = -1;
    std::array<FuseBox, kFuseCount> fuses{};       // indexed by int(Fuse)
};

class TConfigPanel {
public:
    // The panel edits `image` (the active buffer; nullptr: nothing is stored). `value_device` is
    // the device index of the PIC object (layout and word edits); `choice_device` is the PIC
    // device of the settings, or the ISO PIC device outside the PIC mode (the 16F choices).
    void bind(PicImage* image, int value_device, int choice_device);

    // Brings the whole view in line with the buffer.
    void rebuild();
    // Disables `Items_List`, `Oscillator`, `CodeProtect` and the fuse boxes.
    void lock();

    // List and check-box handlers; each is ignored while a task runs (`busy`) and returns
    // whether the buffer changed.
    bool OscillatorChange(int index, bool busy);
    // Also switches VerifyAfter off: a protected device would fail the verify after programming.
    bool CodeProtectChange(int index, bool busy, SettingsRecord& settings);
    bool FuseClick(Fuse fuse, bool checked, bool busy);

    // Edit-box handlers, also while a task runs. The text is read as a four-digit hex word
    // (missing digits count as 0: "3F" is 0x3F00). They do not update the 16F choices.
    void ConfigWordChange(std::string_view text);
    void ConfigChange(int k, std::string_view text);     // Config1 .. Config6, k = 1..6
    void IDWordChange(int k, std::string_view text);     // ID word k = 1..4

    // `PICID` shows the device ID read by the last task; "3FFF" after a mode change.
    void set_pic_id(std::uint16_t id);

    const ConfigPanelView& view() const { return view_; }

private:
    std::uint16_t* config_word_slot();   // the word `ConfigWord` edits, or nullptr
    void show_config_word();

    PicImage* image_ = nullptr;
    int value_device_ = -1;
    int choice_device_ = -1;
    ConfigPanelView view_;
};

} // namespace korvane
