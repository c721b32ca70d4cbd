#pragma once
#include <QIcon>
#include <QString>

namespace korvane {

// One of the window's own glyphs (":/icons/<name>.svg"), drawn sharp at every size and pixel
// ratio; a null icon when there is no such glyph.
QIcon app_icon(const QString& name);

} // namespace korvane
