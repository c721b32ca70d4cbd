#pragma once
// The port drop-down lists of the I/O configuration and Options dialogs: one item per port with
// its device beside the name, image 0 for a port that can be opened now, image 1 for one that
// cannot (missing or in use).
#include <vector>

#include "app/io_config.h"

class QComboBox;

namespace korvane {

inline constexpr int kPortAvailableRole = 0x0100 + 1;   // Qt::UserRole + 1: bool

void fill_port_combo(QComboBox* combo, const std::vector<PortChoice>& ports, int selected);

} // namespace korvane
