#include "ui/config_panel.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "pic/pic_catalogue.h"
#include "app/config_word.h"

namespace korvane {

namespace {

// Shared key filter of the word boxes: keys that type a character go through the model's filter
// (upper-cased hex digits pass, anything else is dropped); keys that type nothing (arrows,
// Delete, Tab) keep their usual effect.
class HexKeyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        if (key->key() == Qt::Key_Backspace || text.isEmpty() || !text.at(0).isPrint()) return false;
        const QChar typed = text.at(0);
        const char c = typed.unicode() < 128 ? config_key_filter(char(typed.unicode())) : '\0';
        if (c == '\0') return true;
        if (QChar(c) != typed) {
            // Retype the key upper-cased, so the box sees an ordinary user edit.
            QKeyEvent upper(QEvent::KeyPress, key->key(), key->modifiers(), QString(QChar(c)));
            QCoreApplication::sendEvent(watched, &upper);
            return true;
        }
        return false;
    }
};

QString qs(const std::string& s) { return QString::fromStdString(s); }

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
    PICID->setFocusPolicy(Qt::NoFocus);
    Lab_ID12 = label("Lab_ID12", "ID Words 1-2", kLeft, 302, 105);
    IDWord[0] = make_word_box("IDWord1", kLeft, 317, 50);
    IDWord[1] = make_word_box("IDWOrd2", kLeft + 55, 317, 50);
    Lab_ID34 = label("Lab_ID34", "ID Words 3-4", kLeft, 346, 105);
    IDWord[2] = make_word_box("IDWord3", kLeft, 361, 50);
    IDWord[3] = make_word_box("IDWord4", kLeft + 55, 361, 50);

    for (QLineEdit* box : {Config[0], Config[1], Config[2], Config[3], Config[4], Config[5],
                           ConfigWord, IDWord[0], IDWord[1], IDWord[2], IDWord[3]})
        box->installEventFilter(filter);

    // A refused choice (busy) puts the list back on the word's value, as a refused fuse click does.
    connect(Oscillator, &QComboBox::activated, this, [this](int index) {
        if (model_.OscillatorChange(index, busy())) draw_config_word();
        else Oscillator->setCurrentIndex(model_.view().oscillator_index);
    });
    connect(CodeProtect, &QComboBox::activated, this, [this](int index) {
        if (model_.CodeProtectChange(index, busy(), settings_)) draw_config_word();
        else CodeProtect->setCurrentIndex(model_.view().code_protect_index);
    });
    const auto boxes = fuses();
    for (int f = 0; f < kFuseCount; ++f)
        connect(boxes[std::size_t(f)], &QCheckBox::clicked, this, [this, f](bool checked) {
            if (model_.FuseClick(kAllFuses[f], checked, busy())) draw_config_word();
            else fuses()[std::size_t(f)]->setChecked(!checked);   // refused: show the word's state
        });
    connect(ConfigWord, &QLineEdit::textEdited, this,
            [this](const QString& t) { model_.ConfigWordChange(t.toStdString()); });
    for (int k = 0; k < 6; ++k)
        connect(Config[std::size_t(k)], &QLineEdit::textEdited, this,
                [this, k](const QString& t) { model_.ConfigChange(k + 1, t.toStdString()); });
    for (int k = 0; k < 4; ++k)
        connect(IDWord[std::size_t(k)], &QLineEdit::textEdited, this,
                [this, k](const QString& t) { model_.IDWordChange(k + 1, t.toStdString()); });
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
    std::array<QCheckBox*, 8> boxes{};
    for (int f = 0; f < kFuseCount; ++f) {
        const char* name = fuse_info(kAllFuses[f]).control;
        for (QCheckBox* b : {WDT, PWRT, MCLR, BODEN, LVP, CPD, WRT, DEBUGGER})
            if (b->objectName() == name) boxes[std::size_t(f)] = b;
    }
    return boxes;
}

void ConfigPanel::bind(PicImage* image, int value_device, int choice_device) {
    model_.bind(image, value_device, choice_device);
}

void ConfigPanel::rebuild() {
    model_.rebuild();
    draw();
}

void ConfigPanel::lock() {
    model_.lock();
    draw_enabled_states();
}

void ConfigPanel::set_pic_id(std::uint16_t id) {
    model_.set_pic_id(id);
    PICID->setText(qs(model_.view().pic_id));
}

void ConfigPanel::draw_config_word() { ConfigWord->setText(qs(model_.view().config_word)); }

void ConfigPanel::draw_enabled_states() {
    const ConfigPanelView& v = model_.view();
    if (items_list) items_list->setEnabled(v.items_list_enabled);
    Oscillator->setEnabled(v.oscillator_enabled);
    CodeProtect->setEnabled(v.code_protect_enabled);
    const auto boxes = fuses();
    for (int f = 0; f < kFuseCount; ++f) boxes[std::size_t(f)]->setEnabled(v.fuses[std::size_t(f)].enabled);
}

void ConfigPanel::draw() {
    const ConfigPanelView& v = model_.view();
    const bool f16 = v.layout == ConfigLayout::Pic16F;
    const bool f18 = v.layout == ConfigLayout::Pic18F;
    for (QWidget* w : {static_cast<QWidget*>(Lab_Oscillator), static_cast<QWidget*>(Oscillator),
                       static_cast<QWidget*>(Lab_Code_Prot), static_cast<QWidget*>(CodeProtect)})
        w->setVisible(f16);
    const auto boxes = fuses();
    for (QCheckBox* box : boxes) box->setVisible(f16);
    for (int k = 0; k < 6; ++k) {
        Config[std::size_t(k)]->setVisible(f18);
        ConfigLab[std::size_t(k)]->setVisible(f18);
        Config[std::size_t(k)]->setText(qs(v.config[std::size_t(k)]));
    }
    Lab_Conf_Word->setText(qs(v.conf_word_caption));
    ConfigWord->setText(qs(v.config_word));
    for (int k = 0; k < 4; ++k) IDWord[std::size_t(k)]->setText(qs(v.id_words[std::size_t(k)]));
    PICID->setText(qs(v.pic_id));
    if (f16) {
        Oscillator->clear();
        for (const auto& item : v.oscillator_items) Oscillator->addItem(qs(item));
        Oscillator->setCurrentIndex(v.oscillator_index);
        CodeProtect->clear();
        for (const auto& item : v.code_protect_items) CodeProtect->addItem(qs(item));
        CodeProtect->setCurrentIndex(v.code_protect_index);
        for (int f = 0; f < kFuseCount; ++f) boxes[std::size_t(f)]->setChecked(v.fuses[std::size_t(f)].checked);
    }
    draw_enabled_states();
}

} // namespace korvane
