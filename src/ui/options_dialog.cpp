#include "ui/options_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"
#include "ui/port_combo.h"

namespace korvane {

TApplOption::TApplOption(SettingsRecord& settings, const PortList& ports, PortAvailability available, QWidget* parent)
    : QDialog(parent), model_(settings, ports, std::move(available)) {
    setObjectName("ApplOption");
    setWindowTitle("Options");
    setFixedSize(360, 300);
    model_.show();

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->setGeometry(6, 6, 348, 252);

    QWidget* general = add_page("General", "Options:");
    ShowProgress = option_box(general, "ShowProgress", "Show Progress Bar", 20, 30, &OptionValues::show_progress);
    auto* priority = new QGroupBox("Process Priority", general);
    priority->setGeometry(12, 60, 200, 100);
    PriorityNormal = value_button(priority, "PriorityNormal", "Normal", 12, 20, &OptionValues::priority, 0);
    PriorityHigh = value_button(priority, "PriorityHigh", "High", 12, 44, &OptionValues::priority, 1);
    PriorityRealTime = value_button(priority, "PriorityRealTime", "Real-Time", 12, 68, &OptionValues::priority, 2);

    QWidget* confirmation = add_page("Confirmation", "Confirmation on:");
    ConfirmProgram = option_box(confirmation, "ConfirmProgram", "Device Programming", 20, 30, &OptionValues::confirm_program);
    ConfirmErase = option_box(confirmation, "ConfirmErase", "Device Erasing", 20, 54, &OptionValues::confirm_erase);
    ConfirmCP = option_box(confirmation, "ConfirmCP", "Code/Data Protection", 20, 78, &OptionValues::confirm_cp);
    UnprotectDev = option_box(confirmation, "UnprotectDev", "Code/Data UnProtection", 20, 102, &OptionValues::unprotect_dev);

    QWidget* pic = add_page("PIC", "Options:");
    WriteVerify = option_box(pic, "WriteVerify", "Verify During Programming", 20, 30, &OptionValues::write_verify);
    VerifyAfter = option_box(pic, "VerifyAfter", "Verify After    Programming", 20, 54, &OptionValues::verify_after);
    EraseBefore = option_box(pic, "EraseBefore", "Erase/Clear CP Before Write", 20, 78, &OptionValues::erase_before);
    CheckPIC = option_box(pic, "CheckPIC", "Check Pic Type", 20, 102, &OptionValues::check_pic);
    Skip_3FFF = option_box(pic, "Skip_3FFF", "Skip Writing H'3FFF Locations", 20, 126, &OptionValues::skip_3fff);

    QWidget* eeprom = add_page("EEProm", "Options:");
    EPromVerifyAfter = option_box(eeprom, "EPromVerifyAfter", "Verify After Programming", 20, 30, &OptionValues::eprom_verify_after);

    QWidget* card = add_page("Iso Card", "Options:");
    (new QLabel("Pic Type", card))->setGeometry(12, 28, 90, 16);
    PicList = new QComboBox(card);
    PicList->setObjectName("PicList");
    PicList->setGeometry(12, 44, 110, 24);
    for (int d = 0; d < kPicDeviceCount; ++d) PicList->addItem(QString::fromStdString(pic_device(d).name.str()).trimmed());
    PicList->setCurrentIndex(model_.values().iso_pic_device);
    (new QLabel("EEProm Type", card))->setGeometry(12, 76, 90, 16);
    EEPromList = new QComboBox(card);
    EEPromList->setObjectName("EEPromList");
    EEPromList->setGeometry(12, 92, 110, 24);
    for (int t = 0; t < kEEPromTypeCount; ++t) EEPromList->addItem(eeprom_type(t).list_name);
    EEPromList->setCurrentIndex(model_.values().iso_eeprom_device);
    auto* frequency = new QGroupBox("Frequency", card);
    frequency->setGeometry(140, 28, 190, 76);
    SMouse_357 = value_button(frequency, "SMouse_357", "3.57 Mhz", 12, 20, &OptionValues::reader_clock, 0);
    SMouse_600 = value_button(frequency, "SMouse_600", "6.00 Mhz", 12, 44, &OptionValues::reader_clock, 1);
    auto* mouse = new QGroupBox("Smart Mouse", card);
    mouse->setGeometry(140, 110, 190, 60);
    (new QLabel("COM", mouse))->setGeometry(12, 26, 30, 16);
    COMPortSM = new QComboBox(mouse);
    COMPortSM->setObjectName("COMPortSM");
    COMPortSM->setGeometry(44, 22, 134, 24);
    fill_port_combo(COMPortSM, model_.ports(), model_.chosen_port());
    set_up_clock_buttons();

    QWidget* asm_view = add_page("Asm View", "Options:");
    auto* radix = new QGroupBox("Radix Type", asm_view);
    radix->setGeometry(12, 28, 190, 122);
    RxDecimal = value_button(radix, "RxDecimal", "( D' )  Decimal", 12, 20, &OptionValues::radix, 0);
    RxHexDec = value_button(radix, "RxHexDec", "( 0x )  Hexadecimal", 12, 44, &OptionValues::radix, 1);
    RxOctal = value_button(radix, "RxOctal", "( O' )  Octal", 12, 68, &OptionValues::radix, 2);
    RxBinary = value_button(radix, "RxBinary", "( B' )  Binary", 12, 92, &OptionValues::radix, 3);
    DisFuses = option_box(asm_view, "DisFuses", "Show Fuses", 214, 40, &OptionValues::dis_fuses);
    ShowOff = option_box(asm_view, "ShowOff", "Show Offset", 214, 64, &OptionValues::show_off);
    ShowOPCode = option_box(asm_view, "ShowOPCode", "Show OPCode", 214, 88, &OptionValues::show_opcode);

    connect(PicList, &QComboBox::activated, this, [this](int index) {
        model_.choose_pic_type(index);
        set_up_clock_buttons();
    });
    connect(EEPromList, &QComboBox::activated, this, [this](int index) { model_.choose_eeprom_type(index); });
    connect(COMPortSM, &QComboBox::activated, this, [this](int index) {
        model_.choose_port(index);
        const QSignalBlocker block(COMPortSM);
        COMPortSM->setCurrentIndex(model_.chosen_port());   // a port in use springs back
    });

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(186, 266, 80, 26);
    OKButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(272, 266, 80, 26);
    connect(OKButton, &QPushButton::clicked, this, [this] {
        model_.commit();
        accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    PageControl->setCurrentIndex(0);
}

QWidget* TApplOption::add_page(const QString& caption, const QString& heading) {
    auto* page = new QWidget;
    auto* title = new QLabel(heading, page);
    title->setGeometry(8, 6, 200, 16);
    QFont f = title->font();
    f.setBold(true);
    title->setFont(f);
    auto* status = new QLabel(page);   // the page's (empty) status bar
    status->setObjectName("StatusBar");
    status->setGeometry(0, 206, 344, 18);
    status->setFrameShape(QFrame::Panel);
    status->setFrameShadow(QFrame::Sunken);
    PageControl->addTab(page, caption);
    return page;
}

QCheckBox* TApplOption::option_box(QWidget* page, const char* name, const QString& text, int x, int y,
                                   std::uint8_t OptionValues::* field) {
    auto* b = new QCheckBox(text, page);
    b->setObjectName(name);
    b->setGeometry(x, y, 240 - (x - 20), 20);
    b->setChecked(model_.values().*field != 0);
    connect(b, &QCheckBox::clicked, this, [this, field](bool on) { model_.values().*field = on ? 1 : 0; });
    return b;
}

QRadioButton* TApplOption::value_button(QWidget* parent, const char* name, const QString& text, int x, int y,
                                        std::uint8_t OptionValues::* field, int value) {
    auto* b = new QRadioButton(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 170, 20);
    b->setChecked(model_.values().*field == value);
    connect(b, &QRadioButton::clicked, this, [this, b, field, value] {
        if (!b->isChecked()) return;
        if (field == &OptionValues::reader_clock) model_.choose_clock(value);
        else model_.values().*field = std::uint8_t(value);
    });
    return b;
}

void TApplOption::set_up_clock_buttons() {
    const bool six = model_.clock_600_enabled();
    SMouse_600->setEnabled(six);
    (model_.values().reader_clock == 1 && six ? SMouse_600 : SMouse_357)->setChecked(true);
}

} // namespace korvane
