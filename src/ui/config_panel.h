#pragma once
// The configuration panel on the right of the window: oscillator, code protection and fuses of a
// 16F device, the raw configuration words of an 18F device, the ID words and the device ID read.
// The active buffer is its only store; the controls are a view of it.
#include <QWidget>
#include <array>
#include <functional>

#include "app/config_panel.h"
#include "app/settings.h"
#include "buffers/pic_buffers.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

namespace korvane {

class ConfigPanel : public QWidget {
    Q_OBJECT
public:
    ConfigPanel(SettingsRecord& settings, QWidget* parent = nullptr);

    // The image shown and edited, the device index of the PIC object (layout and value edits) and
    // the device whose 16F choices are offered (the settings' PIC device, or the ISO PIC device).
    void bind(PicImage* image, int value_device, int choice_device);
    std::function<bool()> is_busy;
    QWidget* items_list = nullptr;   // the window's device list, locked with the panel

    // Brings every control in line with the image.
    void rebuild();
    // Disables the lists and the fuse boxes (a task is reading or writing the device).
    void lock();
    void set_pic_id(std::uint16_t id);
    const TConfigPanel& model() const { return model_; }

    QComboBox* Oscillator;
    QComboBox* CodeProtect;
    QCheckBox* WDT;
    QCheckBox* PWRT;
    QCheckBox* BODEN;
    QCheckBox* LVP;
    QCheckBox* CPD;
    QCheckBox* WRT;
    QCheckBox* DEBUGGER;
    QCheckBox* MCLR;
    std::array<QLineEdit*, 6> Config{};      // Config1 .. Config6
    std::array<QLabel*, 6> ConfigLab{};
    QLabel* Lab_Oscillator;
    QLabel* Lab_Code_Prot;
    QLabel* Lab_Conf_Word;
    QLineEdit* ConfigWord;
    QLabel* Lab_PICID;
    QLineEdit* PICID;
    QLabel* Lab_ID12;
    QLabel* Lab_ID34;
    std::array<QLineEdit*, 4> IDWord{};      // IDWord1, IDWOrd2, IDWord3, IDWord4

private:
    QLineEdit* make_word_box(const char* name, int x, int y, int w);
    QCheckBox* make_fuse(const char* name, int y);
    std::array<QCheckBox*, 8> fuses() const;   // in the model's fuse order
    void draw();                                // the whole view onto the widgets
    void draw_enabled_states();
    void draw_config_word();
    bool busy() const { return is_busy && is_busy(); }

    SettingsRecord& settings_;
    TConfigPanel model_;
};

} // namespace korvane
