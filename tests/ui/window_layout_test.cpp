#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QToolButton>

#include "ui/config_panel.h"
#include "ui/mem_grid.h"
#include "ui_fixture.h"

namespace korvane::test {
namespace {

using LayoutTest = WindowTest;

TEST_F(LayoutTest, ClientAreaCaptionAndToolBarPlaces) {
    EXPECT_EQ(window->client->size(), QSize(756, 523));
    EXPECT_EQ(window->windowTitle(), " -= Korvane [Vantorr Programmer]  v1.08 =- ");
    const std::pair<QToolButton*, QPoint> places[] = {
        {window->btnOpen_File, {8, 6}},      {window->btnSaveAs_File, {48, 6}},
        {window->btnReadAll, {107, 6}},      {window->btnProgramAll, {151, 6}},
        {window->btnVerify, {194, 6}},       {window->btnEraseAll, {238, 6}},
        {window->btnClearCP, {282, 6}},      {window->btnCompareBuff, {336, 6}},
        {window->btnWrite876Ldr, {336, 6}},  {window->btnWriteLoaderSkip, {381, 6}},
        {window->btnIsoCard, {431, 6}},      {window->btnAssembView, {492, 6}},
        {window->btnHardware, {530, 6}},     {window->btnOptions, {569, 6}},
        {window->HelpAbout, {608, 6}},       {window->btnBuffer[0], {112, 466}},
        {window->btnBuffer[4], {280, 466}},  {window->btnNextDiff, {496, 466}},
        {window->btnStopDiff, {544, 466}},   {window->btnAbort, {592, 466}},
    };
    for (const auto& [button, pos] : places) {
        EXPECT_EQ(button->geometry(), QRect(pos, QSize(38, 38))) << button->objectName().toStdString();
        EXPECT_FALSE(button->icon().isNull() && button->text().isEmpty()) << button->objectName().toStdString();
    }
    EXPECT_EQ(window->btnReadAll->toolTip(), "Read PIC");
    EXPECT_EQ(window->btnEEPromProgramming->toolTip(), "EEProm Programmin");
    EXPECT_EQ(window->btnStopDiff->toolTip(), "Stop Difference Analisys");
    EXPECT_EQ(window->CodeWin->geometry(), QRect(101, 48, 538, 259));
    EXPECT_EQ(window->DataWin->geometry(), QRect(101, 311, 538, 140));
    EXPECT_EQ(window->EEPromWin->geometry(), QRect(101, 48, 538, 401));
    EXPECT_EQ(window->ProgBar->geometry(), QRect(101, 456, 538, 9));
    EXPECT_EQ(window->Items_List->geometry().topLeft(), QPoint(648, 12));
    EXPECT_EQ(window->Items_List->width(), 105);
}

TEST_F(LayoutTest, StartsInPicModeWithBufferOneAndStatusTexts) {
    EXPECT_EQ(window->work_mode(), kModePic);
    EXPECT_EQ(window->current_buffer(), 1);
    EXPECT_TRUE(window->btnBuffer[0]->isChecked());
    EXPECT_TRUE(window->BufferItems[0]->isChecked());
    EXPECT_TRUE(window->PicDeviceItems[0]->isChecked());
    EXPECT_TRUE(window->EEPromDeviceItems[4]->isChecked());
    EXPECT_EQ(window->status_text(0), "PIC Programming on JDM");
    EXPECT_EQ(window->status_text(1), "I/O - SIM    Delay : 11ms    Windows API");
    EXPECT_EQ(window->status_panels[0]->width(), 270);
    EXPECT_EQ(window->status_panels[1]->width(), 216);
    EXPECT_EQ(window->status_panels[2]->width(), 270);
    EXPECT_EQ(window->status_panels[0]->layoutDirection(), Qt::RightToLeft);
    EXPECT_EQ(window->Items_List->count(), 12);
    EXPECT_EQ(window->Items_List->currentText(), "16F84");
    EXPECT_EQ(window->config->PICID->text(), "3FFF");
    EXPECT_EQ(window->CodeWin->ByteSize(), 2048);
    EXPECT_EQ(window->DataWin->ByteSize(), 64);
    EXPECT_FALSE(window->btnSmartWizard->isVisibleTo(window.get()));
    EXPECT_FALSE(window->EditMenu->menuAction()->isVisible());
    EXPECT_FALSE(window->SmartWizard->isVisible());
    EXPECT_FALSE(window->Info1->isVisible());
}

TEST_F(LayoutTest, MenuShortcuts) {
    const std::pair<QAction*, const char*> keys[] = {
        {window->OpenFile, "Ctrl+O"},        {window->SaveFileAs, "Ctrl+S"},
        {window->Exit1, "Ctrl+Q"},           {window->BufferItems[0], "Ctrl+1"},
        {window->BufferItems[4], "Ctrl+5"},  {window->IOConfiguration, "F3"},
        {window->Options2, "F4"},            {window->ReadAll1, "F5"},
        {window->ProgramAll1, "F6"},         {window->Verify1, "F7"},
        {window->EraseAll1, "F8"},           {window->ProgramCodeArea, "Ctrl+F9"},
        {window->ProgramDataArea, "Ctrl+F10"}, {window->ProgramConfig, "Ctrl+F11"},
        {window->ClearCP1, "Ctrl+F12"},      {window->SmartWizard, "F9"},
    };
    for (const auto& [action, key] : keys)
        EXPECT_EQ(action->shortcut(), QKeySequence(key)) << action->objectName().toStdString();
    EXPECT_EQ(window->PicDeviceItems[10]->text(), "PIC 18F452");
    EXPECT_EQ(window->EEPromDeviceItems[10]->text(), "24C512");
}

TEST_F(LayoutTest, AboutIsAFixedToolWindowCentredOnTheScreen) {
    window->show();
    window->move(0, 0);
    QRect about_geometry;
    QString about_title;
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "AboutBox" && w->isVisible()) {
                about_geometry = w->geometry();
                about_title = w->windowTitle();
                w->close();
            }
    });
    window->HelpAbout->click();
    EXPECT_EQ(about_title, " About ");
    EXPECT_EQ(about_geometry.size(), QSize(400, 210));
    const QPoint centre = QApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((about_geometry.center() - centre).manhattanLength(), 2);
}

} // namespace
} // namespace korvane::test
