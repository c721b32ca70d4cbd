#pragma once
// The configuration panel on the right of the window: oscillator, code protection and fuses of a
// 16F device, the raw configuration words of an 18F device, the ID words and the device ID read.
// The active buffer is its only store; the controls are a view of it.
#include <QWidget>
#include <array>
#include <functional>

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

    // The image shown and edited, the device index of the PIC object (value edits and the layout),
    // and whether the panel serves the ISO-PIC mode (its fuse controls follow the ISO PIC device).
    void set_image(PicImage* image) { image_ = image; }
    void set_device(int index) { device_ = index; }
    void set_iso_mode(bool iso) { iso_ = iso; }
    std::function<bool()> is_busy;

    // Brings every control in line with the image.
    void rebuild();
    // Disables the lists and the fuse boxes (a task is reading or writing the device).
    void lock();
    void set_pic_id(const QString& text);

    // The 16F device whose oscillator, protection and fuse controls are shown.
    int control_device() const;

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
    std::array<QCheckBox*, 8> fuses() const;
    std::uint16_t& config_word_16f() { return image_->config[7]; }
    void show_word(std::uint16_t w);
    void set_text_silently(QLineEdit* box, std::uint16_t value);

    void OscillatorChange(int index);
    void CodeProtectChange(int index);
    void FuseClick(int fuse, bool checked);
    void ConfigWordChange(const QString& text);
    void ConfigChange(int k, const QString& text);
    void IDWordChange(int k, const QString& text);

    SettingsRecord& settings_;
    PicImage* image_ = nullptr;
    int device_ = 0;
    bool iso_ = false;
    bool filling_ = false;
};

} // namespace korvane
