// GUI tests run on Qt's offscreen platform with one application object for the whole process.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

#include "ui/startup.h"

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    const int font = korvane::register_grid_font();
    const int rc = RUN_ALL_TESTS();
    korvane::unregister_grid_font(font);
    return rc;
}
