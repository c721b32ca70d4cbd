#include "ui/io_config_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include "ui/port_combo.h"

namespace korvane {

namespace {

QLabel* label(QWidget* parent, const QString& text, int x, int y, int w = 110) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(x, y, w, 16);
    return l;
}

QCheckBox* check_box(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 130) {
    auto* b = new QCheckBox(text, parent);
    b->setObjectName(name);
    b->setGeometry(x, y, w, 20);
    return b;
}

// A track bar with its read-only box; tick frequency = page size.
QSlider* slider(QWidget* parent, const char* name, SliderRange range, int x, int y, QLineEdit*& box,
                const char* box_name) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setGeometry(x, y, 170, 26);
    s->setRange(0, range.max);
    s->setPageStep(range.page);
    s->setTickInterval(range.page);
    s->setTickPosition(QSlider::TicksBelow);
    box = new QLineEdit(parent);
    box->setObjectName(box_name);
    box->setGeometry(x + 178, y + 2, 36, 20);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    return s;
}

struct SliderField {
    QSlider* slider;
    QLineEdit* box;
    LE32 ProgrammerParams::* field;
};

std::uint8_t ProgrammerParams::* const kInversions[] = {
    &ProgrammerParams::invert_data_out, &ProgrammerParams::invert_data_in, &ProgrammerParams::invert_clock,
    &ProgrammerParams::invert_mclr, &ProgrammerParams::invert_vcc};

} // namespace

TConfiguration::TConfiguration(SettingsRecord& settings, const PortList& ports, PortAvailability available,
                               IHost& host, PortResolver& resolver, bool eeprom_line_mode, QWidget* parent)
    : QDialog(parent), model_(settings, ports, std::move(available)),
      hardware_(std::make_unique<HardwareCheck>(settings, host, resolver, eeprom_line_mode)) {
    setObjectName("Configuration");
    setWindowTitle("Configuration");
    setFixedSize(430, 320);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    PageControl->setGeometry(6, 6, 418, 272);
    const char* captions[] = {"General", "PIC", "EEProm", "Hardware Check"};
    QWidget* pages[4];
    for (int i = 0; i < 4; ++i) {
        pages[i] = new QWidget;
        PageControl->addTab(pages[i], captions[i]);
    }
    build_general(pages[0]);
    build_pic(pages[1]);
    build_eeprom(pages[2]);
    build_hardware(pages[3]);

    OKButton = new QPushButton("OK", this);
    OKButton->setObjectName("OKButton");
    OKButton->setGeometry(256, 286, 80, 26);
    OKButton->setDefault(true);
    CancelButton = new QPushButton("Cancel", this);
    CancelButton->setObjectName("CancelButton");
    CancelButton->setGeometry(342, 286, 80, 26);
    connect(OKButton, &QPushButton::clicked, this, &TConfiguration::ok);
    connect(CancelButton, &QPushButton::clicked, this, &TConfiguration::reject);

    // Show: the General page, the type of the settings, the port list filled, its parameters.
    PageControl->setCurrentIndex(0);
    model_.show();
    {
        const QSignalBlocker block(Programmer_Type);
        Programmer_Type->setCurrentIndex(model_.type());
    }
    show_record();
    connect(PageControl, &QTabWidget::currentChanged, this, &TConfiguration::page_changed);
}

TConfiguration::~TConfiguration() { hardware_->leave(); }

void TConfiguration::build_general(QWidget* page) {
    auto* type_box = new QGroupBox(page);
    type_box->setGeometry(10, 10, 262, 110);
    Programmer_Type = new QComboBox(type_box);
    Programmer_Type->setObjectName("Programmer_Type");
    Programmer_Type->setGeometry(12, 16, 236, 24);
    Programmer_Type->addItems({"JDM", "X-JDM", "HELL"});
    COMPort = new QComboBox(type_box);
    COMPort->setObjectName("COMPort");
    COMPort->setGeometry(12, 62, 236, 24);
    COMPort->setIconSize(QSize(16, 16));

    auto* backend = new QGroupBox(page);
    backend->setGeometry(10, 130, 262, 60);
    IODirect = new QRadioButton("Direct I/O", backend);
    IODirect->setObjectName("IODirect");
    IODirect->setGeometry(12, 20, 110, 22);
    WinAPI = new QRadioButton("Windows  API", backend);
    WinAPI->setObjectName("WinAPI");
    WinAPI->setGeometry(134, 20, 120, 22);

    connect(Programmer_Type, &QComboBox::activated, this, [this](int index) {
        model_.choose_type(index);
        show_record();
    });
    connect(COMPort, &QComboBox::activated, this, [this](int index) {
        model_.choose_port(index);
        const QSignalBlocker block(COMPort);
        COMPort->setCurrentIndex(model_.selected_port());   // an unavailable port springs back
    });
    connect(IODirect, &QRadioButton::clicked, this, [this] { model_.set_direct_io(IODirect->isChecked()); });
    connect(WinAPI, &QRadioButton::clicked, this, [this] { model_.set_direct_io(!WinAPI->isChecked()); });
}

void TConfiguration::build_pic(QWidget* page) {
    // Track bars on the left, Max Retries and the inversions on the right.
    label(page, "I/O Delay (ms.)", 10, 6);
    SliderIO = slider(page, "SliderIO", kIoDelayRange, 10, 20, SleepTime, "SleepTime");
    label(page, "Tset0 (ms.)", 10, 52);
    Tset0 = slider(page, "Tset0", kTset0Range, 10, 66, Tset0Val, "Tset0Val");
    label(page, "Thld0 (ms.)", 10, 98);
    Thld0 = slider(page, "Thld0", kThld0Range, 10, 112, Thld0Val, "Thld0Val");
    label(page, "Cmd Delay (us.)", 10, 144);
    CmdDelay = slider(page, "CmdDelay", kCmdDelayRange, 10, 158, CmdDelayVal, "CmdDelayVal");
    label(page, "Bit Time (us.)", 10, 190);
    BitTime = slider(page, "BitTime", kBitTimeRange, 10, 204, BitTimeVal, "BitTimeVal");
    label(page, "Max Retries", 248, 6, 80);
    MaxRetries = new QLineEdit(page);
    MaxRetries->setObjectName("MaxRetries");
    MaxRetries->setGeometry(248, 22, 36, 20);
    MaxRetries->setMaxLength(2);
    Invert_DataOut = check_box(page, "Invert_DataOut", "Invert Data Out", 248, 60);
    Invert_DataIn = check_box(page, "Invert_DataIn", "Invert Data In", 248, 84);
    Invert_Clock = check_box(page, "Invert_Clock", "Invert Clock", 248, 108);
    Invert_MCLR = check_box(page, "Invert_MCLR", "Invert MCLR", 248, 132);
    Invert_VCC = check_box(page, "Invert_VCC", "Invert VCC", 248, 156);
    Invert_VCC->setEnabled(false);   // stored, but these programmers have no VCC line

    const SliderField fields[] = {
        {SliderIO, SleepTime, &ProgrammerParams::prog_delay_ms}, {Tset0, Tset0Val, &ProgrammerParams::tset0_ms},
        {Thld0, Thld0Val, &ProgrammerParams::thld0_ms},          {CmdDelay, CmdDelayVal, &ProgrammerParams::cmd_delay_us},
        {BitTime, BitTimeVal, &ProgrammerParams::bit_time_us}};
    for (const SliderField& f : fields)
        connect(f.slider, &QSlider::valueChanged, this, [this, f](int v) {
            if (showing_) return;
            model_.record().*f.field = std::uint32_t(v);
            f.box->setText(QString::number(v));
        });
    connect(MaxRetries, &QLineEdit::textEdited, this,
            [this](const QString& text) { model_.set_max_retries_text(text.toStdString()); });
    QCheckBox* boxes[] = {Invert_DataOut, Invert_DataIn, Invert_Clock, Invert_MCLR, Invert_VCC};
    for (int i = 0; i < 5; ++i) {
        auto field = kInversions[i];
        connect(boxes[i], &QCheckBox::clicked, this,
                [this, field](bool checked) { model_.record().*field = checked ? 1 : 0; });
    }
}

void TConfiguration::build_eeprom(QWidget* page) {
    label(page, "BitTime (usec)", 10, 12);
    EEBittimeSlider = slider(page, "EEBittimeSlider", kEEBitTimeRange, 10, 30, EEBitTimeValue, "EEBitTimeValue");
    connect(EEBittimeSlider, &QSlider::valueChanged, this, [this](int v) {
        if (showing_) return;
        model_.record().eeprom_bit_time_us = std::uint32_t(v);
        EEBitTimeValue->setText(QString::number(v));
    });
}

void TConfiguration::build_hardware(QWidget* page) {
    auto* out = new QGroupBox("Signal Out", page);
    out->setGeometry(10, 10, 262, 150);
    EnableDataOut = check_box(out, "EnableDataOut", "Enable Data Out", 14, 22);
    EnableClock = check_box(out, "EnableClock", "Enable Clock", 14, 46);
    EnableMCLR = check_box(out, "EnableMCLR", "Enable MCLR", 14, 70);
    EnableVCC = check_box(out, "EnableVCC", "Enable VCC", 14, 94);
    EnableVPP = check_box(out, "EnableVPP", "Enable VPP", 14, 118);
    auto* in = new QGroupBox("Signal In", page);
    in->setGeometry(10, 170, 262, 60);
    DataIn = check_box(in, "DataIn", "Data In", 14, 24);
    DataIn->setEnabled(false);   // shows the level, cannot be clicked

    connect(EnableDataOut, &QCheckBox::clicked, this, [this](bool on) { DataIn->setChecked(hardware_->set_data_out(on)); });
    connect(EnableClock, &QCheckBox::clicked, this, [this](bool on) { hardware_->set_clock(on); });
    connect(EnableMCLR, &QCheckBox::clicked, this, [this](bool on) { hardware_->set_mclr(on); });
}

void TConfiguration::show_record() {
    showing_ = true;
    fill_port_combo(COMPort, model_.ports(), model_.selected_port());
    ProgrammerParams& r = model_.record();
    IODirect->setChecked(r.direct_io != 0);
    WinAPI->setChecked(r.direct_io == 0);
    QCheckBox* boxes[] = {Invert_DataOut, Invert_DataIn, Invert_Clock, Invert_MCLR, Invert_VCC};
    for (int i = 0; i < 5; ++i) boxes[i]->setChecked(r.*kInversions[i] != 0);
    const SliderField fields[] = {
        {SliderIO, SleepTime, &ProgrammerParams::prog_delay_ms}, {Tset0, Tset0Val, &ProgrammerParams::tset0_ms},
        {Thld0, Thld0Val, &ProgrammerParams::thld0_ms},          {CmdDelay, CmdDelayVal, &ProgrammerParams::cmd_delay_us},
        {BitTime, BitTimeVal, &ProgrammerParams::bit_time_us},   {EEBittimeSlider, EEBitTimeValue, &ProgrammerParams::eeprom_bit_time_us}};
    for (const SliderField& f : fields) {
        // A value beyond the track bar's range (a damaged file) is shown, and kept, as the bar's end.
        f.slider->setValue(int(std::min<std::uint32_t>(r.*f.field, std::uint32_t(f.slider->maximum()))));
        r.*f.field = std::uint32_t(f.slider->value());
        f.box->setText(QString::number(f.slider->value()));
    }
    MaxRetries->setText(QString::number(std::uint32_t(r.max_retries)));
    model_.set_max_retries_text(MaxRetries->text().toStdString());
    showing_ = false;
}

void TConfiguration::page_changed(int index) {
    const int previous = page_;
    page_ = index;
    if (index == kHardwarePage) {
        // The line interface uses what the dialog shows.
        model_.commit();
        EnableVCC->setEnabled(false);
        EnableVPP->setEnabled(false);
        DataIn->setChecked(hardware_->enter(EnableDataOut->isChecked(), EnableClock->isChecked(), EnableMCLR->isChecked()));
    } else if (previous == kHardwarePage) {
        hardware_->leave();
    }
}

void TConfiguration::ok() {
    if (page_ == kHardwarePage) hardware_->leave();
    model_.commit();
    accept();
}

void TConfiguration::reject() {
    if (page_ == kHardwarePage) hardware_->leave();
    model_.restore_backup();   // also undoes the commit made on entering the hardware page
    QDialog::reject();
}

} // namespace korvane
