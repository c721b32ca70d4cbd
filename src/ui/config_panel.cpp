#include "ui/config_panel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "files/hex_text.h"
#include "pic/pic_catalogue.h"
#include "ui/config_model.h"

namespace korvane {

namespace {

// Shared key filter of the word boxes: upper-cases the key and lets only hex digits and
// Backspace through; keys that type nothing (arrows, Delete, Tab) keep their usual effect.
class HexKeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint()) return false;
        const QChar c = text.at(0).toUpper();
        const bool hex = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
        if (hex && c != text.at(0)) {
            static_cast<QLineEdit*>(watched)->insert(QString(c));
            return true;
        }
        return !hex;
    }
};

QString word_text(std::uint16_t v) { return QString::fromStdString(hex_word_text(v)); }
std::uint16_t parse_word(const QString& text) { return hex_word(text.toStdString()); }

constexpr int kLeft = 8;   // panel x 640 + 8 = the device list's left edge

} // namespace

ConfigPanel::ConfigPanel(SettingsRecord& settings, QWidget* parent)
    : QWidget(parent), settings_(settings) {
    setObjectName("ConfigPanel");
    auto* filter = new HexKeyFilter(this);
    const auto label = [this](const char* name, const QString& caption, int x, int y, int w) {
        auto* l = new QLabel(caption, this);
        l->setObjectName(name);
        l->setGeometry(x, y, w, 14);
        return l;
    };

    Lab_Oscillator = label("Lab_Oscillator", "Oscillator", kLeft, 4, 105);
    Oscillator = new QComboBox(this);
    Oscillator->setObjectName("Oscillator");
    Oscillator->setGeometry(kLeft, 19, 105, 21);
    Lab_Code_Prot = label("Lab_Code_Prot", "Code Protection", kLeft, 46, 105);
    CodeProtect = new QComboBox(this);
    CodeProtect->setObjectName("CodeProtect");
    CodeProtect->setGeometry(kLeft, 61, 105, 21);

    WDT = make_fuse("WDT", 90);
    PWRT = make_fuse("PWRT", 107);
    BODEN = make_fuse("BODEN", 124);
    LVP = make_fuse("LVP", 141);
    CPD = make_fuse("CPD", 158);
    WRT = make_fuse("WRT", 175);
    DEBUGGER = make_fuse("DEBUGGER", 192);
    MCLR = make_fuse("MCLR", 209);

    for (int k = 0; k < 6; ++k) {
        const int y = 8 + k * 28;
        ConfigLab[std::size_t(k)] = label(QString("Config%1_Lab").arg(k + 1).toLatin1().constData(),
                                          QString("Config %1").arg(k + 1), kLeft, y + 3, 52);
        Config[std::size_t(k)] =
            make_word_box(QString("Config%1").arg(k + 1).toLatin1().constData(), kLeft + 60, y, 45);
    }

    Lab_Conf_Word = label("Lab_Conf_Word", "Conf Word", kLeft, 243, 58);
    ConfigWord = make_word_box("ConfigWord", kLeft + 60, 240, 45);
    Lab_PICID = label("Lab_PICID", "PICID", kLeft, 273, 58);
    PICID = make_word_box("PICID", kLeft + 60, 270, 45);
    PICID->setReadOnly(true);
    PICID->setText("3FFF");
    Lab_ID12 = label("Lab_ID12", "ID Words 1-2", kLeft, 302, 105);
    IDWord[0] = make_word_box("IDWord1", kLeft, 317, 50);
    IDWord[1] = make_word_box("IDWOrd2", kLeft + 55, 317, 50);
    Lab_ID34 = label("Lab_ID34", "ID Words 3-4", kLeft, 346, 105);
    IDWord[2] = make_word_box("IDWord3", kLeft, 361, 50);
    IDWord[3] = make_word_box("IDWord4", kLeft + 55, 361, 50);

    for (QLineEdit* box : {Config[0], Config[1], Config[2], Config[3], Config[4], Config[5],
                           ConfigWord, IDWord[0], IDWord[1], IDWord[2], IDWord[3]})
        box->installEventFilter(filter);

    connect(Oscillator, &QComboBox::activated, this, &ConfigPanel::OscillatorChange);
    connect(CodeProtect, &QComboBox::activated, this, &ConfigPanel::CodeProtectChange);
    const auto boxes = fuses();
    for (int f = 0; f < 8; ++f)
        connect(boxes[std::size_t(f)], &QCheckBox::clicked, this,
                [this, f](bool checked) { FuseClick(f, checked); });
    connect(ConfigWord, &QLineEdit::textChanged, this, &ConfigPanel::ConfigWordChange);
    for (int k = 0; k < 6; ++k)
        connect(Config[std::size_t(k)], &QLineEdit::textChanged, this,
                [this, k](const QString& t) { ConfigChange(k, t); });
    for (int k = 0; k < 4; ++k)
        connect(IDWord[std::size_t(k)], &QLineEdit::textChanged, this,
                [this, k](const QString& t) { IDWordChange(k, t); });
}

QLineEdit* ConfigPanel::make_word_box(const char* name, int x, int y, int w) {
    auto* box = new QLineEdit(this);
    box->setObjectName(name);
    box->setGeometry(x, y, w, 21);
    box->setMaxLength(4);
    return box;
}

QCheckBox* ConfigPanel::make_fuse(const char* name, int y) {
    auto* box = new QCheckBox(name, this);
    box->setObjectName(name);
    box->setGeometry(kLeft, y, 105, 17);
    return box;
}

std::array<QCheckBox*, 8> ConfigPanel::fuses() const {
    // In the order of the fuse table of the model.
    return {WDT, PWRT, MCLR, BODEN, LVP, CPD, WRT, DEBUGGER};
}

int ConfigPanel::control_device() const {
    return iso_ ? settings_.iso_pic_device : settings_.pic_device;
}

void ConfigPanel::set_text_silently(QLineEdit* box, std::uint16_t value) {
    // Storing the same value back is all the handler would do.
    const bool was = box->blockSignals(true);
    box->setText(word_text(value));
    box->blockSignals(was);
}

void ConfigPanel::show_word(std::uint16_t w) { set_text_silently(ConfigWord, w); }

void ConfigPanel::set_pic_id(const QString& text) { PICID->setText(text); }

void ConfigPanel::lock() {
    Oscillator->setEnabled(false);
    CodeProtect->setEnabled(false);
    for (QCheckBox* box : fuses()) box->setEnabled(false);
}

void ConfigPanel::rebuild() {
    filling_ = true;
    const bool f16 = is_pic16f(device_);
    for (QWidget* w : {static_cast<QWidget*>(Lab_Oscillator), static_cast<QWidget*>(Oscillator),
                       static_cast<QWidget*>(Lab_Code_Prot), static_cast<QWidget*>(CodeProtect)})
        w->setVisible(f16);
    for (QCheckBox* box : fuses()) box->setVisible(f16);
    for (int k = 0; k < 6; ++k) {
        Config[std::size_t(k)]->setVisible(!f16);
        ConfigLab[std::size_t(k)]->setVisible(!f16);
    }
    Lab_Conf_Word->setText(f16 ? "Conf Word" : "Config 7");

    if (image_) {
        if (f16) {
            Oscillator->setEnabled(true);
            CodeProtect->setEnabled(true);
            for (int k = 0; k < 4; ++k) set_text_silently(IDWord[std::size_t(k)], image_->config[std::size_t(k)]);
            set_text_silently(ConfigWord, image_->config[7]);
        } else {
            for (int k = 0; k < 6; ++k) set_text_silently(Config[std::size_t(k)], image_->config[std::size_t(k)]);
            set_text_silently(ConfigWord, image_->config[6]);
            for (int k = 0; k < 4; ++k)
                set_text_silently(IDWord[std::size_t(k)],
                                  std::uint16_t(image_->id[std::size_t(2 * k + 1)] * 256 +
                                                image_->id[std::size_t(2 * k)]));
        }
        const int dev = control_device();
        if (f16 && is_pic16f(dev)) {
            const std::uint16_t w = image_->config[7];
            const auto boxes = fuses();
            for (int f = 0; f < 8; ++f) {
                const bool enabled = fuse_enabled(dev, f);
                boxes[std::size_t(f)]->setEnabled(enabled);
                if (enabled) boxes[std::size_t(f)]->setChecked(fuse_checked(f, w));
            }
            Oscillator->clear();
            for (const auto& item : oscillator_items(dev)) Oscillator->addItem(QString::fromStdString(item));
            Oscillator->setCurrentIndex(decode_oscillator(dev, w));
            CodeProtect->clear();
            for (const auto& item : protection_items(dev)) CodeProtect->addItem(QString::fromStdString(item));
            CodeProtect->setCurrentIndex(decode_protection(dev, w));
        }
    }
    filling_ = false;
}

void ConfigPanel::OscillatorChange(int index) {
    if (!image_ || (is_busy && is_busy()) || index < 0) return;
    std::uint16_t& w = config_word_16f();
    w = encode_oscillator(control_device(), w, index);
    show_word(w);
}

void ConfigPanel::CodeProtectChange(int index) {
    if (!image_ || (is_busy && is_busy()) || index < 0) return;
    std::uint16_t& w = config_word_16f();
    w = encode_protection(control_device(), w, index);
    show_word(w);
    // A protected device reads back protected: a verify after programming would fail.
    settings_.verify_after = 0;
}

void ConfigPanel::FuseClick(int fuse, bool checked) {
    if (!image_) return;
    if (is_busy && is_busy()) {
        // A refused click must not leave the box showing a state the word does not hold.
        fuses()[std::size_t(fuse)]->setChecked(!checked);
        return;
    }
    std::uint16_t& w = config_word_16f();
    w = encode_fuse(fuse, w, checked);
    show_word(w);
}

void ConfigPanel::ConfigWordChange(const QString& text) {
    if (!image_ || filling_) return;
    if (is_pic16f(device_)) image_->config[7] = parse_word(text);
    else if (is_pic18f(device_)) image_->config[6] = parse_word(text);
}

void ConfigPanel::ConfigChange(int k, const QString& text) {
    if (!image_ || filling_ || !is_pic18f(device_)) return;
    image_->config[std::size_t(k)] = parse_word(text);
}

void ConfigPanel::IDWordChange(int k, const QString& text) {
    if (!image_ || filling_) return;
    const std::uint16_t v = parse_word(text);
    if (is_pic16f(device_)) {
        image_->config[std::size_t(k)] = v;
    } else if (is_pic18f(device_)) {
        image_->id[std::size_t(2 * k)] = std::uint8_t(v & 0xFF);
        image_->id[std::size_t(2 * k + 1)] = std::uint8_t(v >> 8);
    }
}

} // namespace korvane
