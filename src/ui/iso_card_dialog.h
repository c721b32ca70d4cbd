#pragma once
// The "ISO SmartCard Selection" dialog (form TISOSC_Select): two pages of card buttons with the
// chosen card's name, PIC and EEPROM beside them. The choice itself lives in the Qt-free model.
#include <QDialog>
#include <array>
#include <vector>

#include "card/card_selection.h"

class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace korvane {

struct SettingsRecord;

class IsoCardSelectDialog : public QDialog {
    Q_OBJECT
public:
    explicit IsoCardSelectDialog(QWidget* parent = nullptr);

    const TISOSC_Select& selection() const { return model_; }
    // OK: the chosen card (if any) goes into the settings.
    void store(SettingsRecord& settings) const;

    QTabWidget* SCSelection;
    std::vector<QToolButton*> card_buttons;   // table order: the first page, then the second
    QLabel *SCType_Label, *PIC_Label, *EEProm_Label;
    QLabel *SC18FType_label, *PIC18F_Label, *EEProm18F_label;
    QPushButton *OKButton, *CancelButton;

    QToolButton* card_button(int page, int index) const;

protected:
    void showEvent(QShowEvent* e) override;

private:
    void press(int page, int index);
    void show_labels(int page);

    TISOSC_Select model_;
};

} // namespace korvane
