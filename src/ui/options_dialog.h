#pragma once
// TApplOption ("Options"): progress, priority, confirmations, PIC and EEPROM options, the ISO
// card with its reader, and the listing options. The rules live in OptionsModel.
#include <QDialog>

#include "app/options_model.h"

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class QTabWidget;

namespace korvane {

class TApplOption : public QDialog {
    Q_OBJECT
public:
    TApplOption(SettingsRecord& settings, const PortList& ports, PortAvailability available, QWidget* parent = nullptr);

    OptionsModel& model() { return model_; }

    QTabWidget* PageControl;
    QCheckBox *ShowProgress, *ConfirmProgram, *ConfirmErase, *ConfirmCP, *UnprotectDev, *WriteVerify,
        *VerifyAfter, *EraseBefore, *CheckPIC, *Skip_3FFF, *EPromVerifyAfter, *DisFuses, *ShowOff, *ShowOPCode;
    QRadioButton *PriorityNormal, *PriorityHigh, *PriorityRealTime;
    QRadioButton *RxDecimal, *RxHexDec, *RxOctal, *RxBinary;
    QRadioButton *SMouse_357, *SMouse_600;
    QComboBox *PicList, *EEPromList, *COMPortSM;
    QPushButton *OKButton, *CancelButton;

private:
    QWidget* add_page(const QString& caption, const QString& heading);
    QCheckBox* option_box(QWidget* page, const char* name, const QString& text, int x, int y,
                          std::uint8_t OptionValues::* field);
    QRadioButton* value_button(QWidget* parent, const char* name, const QString& text, int x, int y,
                               std::uint8_t OptionValues::* field, int value);
    void set_up_clock_buttons();   // SetUp_SMouse

    OptionsModel model_;
};

} // namespace korvane
