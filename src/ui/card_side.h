#pragma once
// The ISO-EEPROM mode's device side of the window: TEE_THRU_IO with its task frame, working on
// the card's EEPROM through the loader, seen from the window.
#include <memory>

#include "app/settings.h"
#include "buffers/eeprom_buffers.h"
#include "card/card_flows.h"

namespace korvane {

class TMain;

class CardSide {
public:
    CardSide(TMain& window, SettingsRecord& settings);
    ~CardSide();

    // One task on the active EEPROM buffer; returns when the busy period is over.
    CardTaskResult run(CardTask task, EEPromImage& active);
    void abort();
    bool task_running() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace korvane
