#pragma once
// TConfiguration ("Configuration"): the programmer type and its programmer record, and the
// "Hardware Check" page that drives the lines by hand. The rules live in IoConfigModel; the
// page's port work in HardwareCheck.
#include <QDialog>
#include <memory>

#include "app/hardware_check.h"
#include "app/io_config.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;

namespace korvane {

class TConfiguration : public QDialog {
    Q_OBJECT
public:
    TConfiguration(SettingsRecord& settings, const PortList& ports, PortAvailability available, IHost& host,
                   PortResolver& resolver, bool eeprom_line_mode, QWidget* parent = nullptr);
    ~TConfiguration() override;

    IoConfigModel& model() { return model_; }
    HardwareCheck& hardware() { return *hardware_; }

    QTabWidget* PageControl;
    QComboBox *Programmer_Type, *COMPort;
    QRadioButton *IODirect, *WinAPI;
    QSlider *SliderIO, *Tset0, *Thld0, *CmdDelay, *BitTime, *EEBittimeSlider;
    QLineEdit *SleepTime, *Tset0Val, *Thld0Val, *CmdDelayVal, *BitTimeVal, *EEBitTimeValue, *MaxRetries;
    QCheckBox *Invert_DataOut, *Invert_DataIn, *Invert_Clock, *Invert_MCLR, *Invert_VCC;
    QCheckBox *EnableDataOut, *EnableClock, *EnableMCLR, *EnableVCC, *EnableVPP, *DataIn;
    QPushButton *OKButton, *CancelButton;

    static constexpr int kHardwarePage = 3;

public slots:
    void reject() override;   // Cancel, Escape and the title bar

private:
    void build_general(QWidget* page);
    void build_pic(QWidget* page);
    void build_eeprom(QWidget* page);
    void build_hardware(QWidget* page);
    void show_record();   // the current record onto the widgets
    void page_changed(int index);
    void ok();

    IoConfigModel model_;
    std::unique_ptr<HardwareCheck> hardware_;
    int page_ = 0;
    bool showing_ = false;
};

} // namespace korvane
