// The menu bar of the main window and the two recent lists it shows.
#include <QActionGroup>
#include <QMenuBar>
#include <QToolButton>

#include "app/recent_lists.h"
#include "eeprom/eeprom_catalogue.h"
#include "pic/pic_catalogue.h"
#include "ui/main_window.h"

namespace korvane {

namespace {
QAction* item(QMenu* menu, const char* name, const QString& text, const QKeySequence& key = {}) {
    QAction* a = menu->addAction(text);
    a->setObjectName(name);
    if (!key.isEmpty()) a->setShortcut(key);
    return a;
}
} // namespace

void TMain::build_menu() {
    QMenuBar* bar = menuBar();

    QMenu* file = bar->addMenu("&File");
    OpenFile = item(file, "OpenFile", "Open File ...", QKeySequence("Ctrl+O"));
    SaveFileAs = item(file, "SaveFileAs", "Save File As ...", QKeySequence("Ctrl+S"));
    file->addSeparator();
    RecentFiles = file->addMenu("Recent Files");
    RecentFiles->menuAction()->setObjectName("RecentFiles");
    for (int i = 0; i < 20; ++i) {
        if (i == 10) RecentFiles->addSeparator()->setObjectName("RecentSeparator");
        RecentList[std::size_t(i)] = item(RecentFiles, QString("RecentList%1").arg(i + 1).toLatin1(), "");
        RecentList[std::size_t(i)]->setVisible(false);
        connect(RecentList[std::size_t(i)], &QAction::triggered, this, [this, i] { cmd_recent_file(i + 1); });
    }
    file->addSeparator();
    Exit1 = item(file, "Exit1", "Exit", QKeySequence("Ctrl+Q"));

    EditMenu = bar->addMenu("&Edit");
    item(EditMenu, "FillCodeBuffer", "Fill Code Buffer");
    item(EditMenu, "FillCodeBufferFrom", "Fill Code Buffer From ...");
    EditMenu->addSeparator();
    item(EditMenu, "FillDataBuffer", "Fill Data Buffer");
    item(EditMenu, "FillDataBufferFrom", "Fill Data Buffer From ...");

    QMenu* buffer = bar->addMenu("&Buffer");
    QMenu* active = buffer->addMenu("Active Buffer");
    for (int i = 0; i < 5; ++i) {
        QAction* a = item(active, QString("Buffer%11").arg(i + 1).toLatin1(), QString("Buffer %1").arg(i + 1),
                          QKeySequence(QString("Ctrl+%1").arg(i + 1)));
        a->setCheckable(true);
        BufferItems[std::size_t(i)] = a;
        // The menu item presses the matching button and runs the same command.
        connect(a, &QAction::triggered, this, [this, i] {
            if (!busy_) btnBuffer[std::size_t(i)]->click();
            else BufferItems[std::size_t(i)]->setChecked(current_buffer_ == i + 1);
        });
    }
    Compare = item(buffer, "Compare", "Compare");

    QMenu* settings = bar->addMenu("&Settings");
    QMenu* device = settings->addMenu("Device");
    QMenu* ee = device->addMenu("I²C EEprom");
    // Radio items, one group a family; check_device_item() sets the marks after every choice.
    auto* ee_group = new QActionGroup(this);
    ee_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int t = 0; t < kEEPromTypeCount; ++t) {
        QAction* a = item(ee, QString("EE%1").arg(eeprom_type(t).list_name).toLatin1(), eeprom_type(t).list_name);
        a->setCheckable(true);
        a->setData(t);
        ee_group->addAction(a);
        EEPromDeviceItems[std::size_t(t)] = a;
        connect(a, &QAction::triggered, this, [this, t] { cmd_device_menu(true, t); });
    }
    QMenu* mc = device->addMenu("MicroChip");
    auto* pic_group = new QActionGroup(this);
    pic_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    for (int d = 0; d < kPicDeviceCount; ++d) {
        const QString name = QString::fromStdString(pic_device(d).name.str()).trimmed();
        QAction* a = item(mc, QString("PIC%1").arg(name).toLatin1(), "PIC " + name);
        a->setCheckable(true);
        a->setData(d);
        pic_group->addAction(a);
        PicDeviceItems[std::size_t(d)] = a;
        connect(a, &QAction::triggered, this, [this, d] { cmd_device_menu(false, d); });
    }
    RecentDevice = settings->addMenu("Recent Device");
    RecentDevice->menuAction()->setObjectName("RecentDevice");
    for (int i = 0; i < 10; ++i) {
        QAction* a = item(RecentDevice, QString("RecentDev%1").arg(i + 1).toLatin1(), "");
        a->setVisible(false);
        RecentDev[std::size_t(i)] = a;
    }
    settings->addSeparator();
    IOConfiguration = item(settings, "IOConfiguration", "I/O Configuration", QKeySequence(Qt::Key_F3));
    settings->addSeparator();
    Options2 = item(settings, "Options2", "Options", QKeySequence(Qt::Key_F4));

    QMenu* command = bar->addMenu("&Command");
    ReadAll1 = item(command, "ReadAll1", "Read All", QKeySequence(Qt::Key_F5));
    ProgramAll1 = item(command, "ProgramAll1", "Program All", QKeySequence(Qt::Key_F6));
    Verify1 = item(command, "Verify1", "Verify", QKeySequence(Qt::Key_F7));
    EraseAll1 = item(command, "EraseAll1", "Erase All", QKeySequence(Qt::Key_F8));
    command->addSeparator();
    ProgramCodeArea = item(command, "ProgramCodeArea", "Program Code Area", QKeySequence("Ctrl+F9"));
    ProgramDataArea = item(command, "ProgramDataArea", "Program Data Area", QKeySequence("Ctrl+F10"));
    ProgramConfig = item(command, "ProgramConfig", "Program Config", QKeySequence("Ctrl+F11"));
    ClearCP1 = item(command, "ClearCP1", "Clear CP", QKeySequence("Ctrl+F12"));
    command->addSeparator();
    SmartWizard = item(command, "SmartWizard", "Smart Wizard", QKeySequence(Qt::Key_F9));

    QMenu* view = bar->addMenu("&View");
    Assembler1 = item(view, "Assembler1", "Assembler");

    QMenu* help = bar->addMenu("&Help");
    Info1 = item(help, "Info1", "Info");
    help->addSeparator();
    About1 = item(help, "About1", "About");

    connect(OpenFile, &QAction::triggered, this, &TMain::cmd_open_file);
    connect(SaveFileAs, &QAction::triggered, this, &TMain::cmd_save_file_as);
    connect(Exit1, &QAction::triggered, this, &TMain::cmd_exit);
    connect(ReadAll1, &QAction::triggered, this, &TMain::cmd_read);
    connect(ProgramAll1, &QAction::triggered, this, &TMain::cmd_program);
    connect(Verify1, &QAction::triggered, this, &TMain::cmd_verify);
    connect(EraseAll1, &QAction::triggered, this, &TMain::cmd_erase);
    connect(ProgramCodeArea, &QAction::triggered, this, &TMain::cmd_program_code);
    connect(ProgramDataArea, &QAction::triggered, this, &TMain::cmd_program_data);
    connect(ProgramConfig, &QAction::triggered, this, &TMain::cmd_program_config);
    connect(ClearCP1, &QAction::triggered, this, &TMain::cmd_clear_cp);
    connect(Assembler1, &QAction::triggered, this, &TMain::cmd_assembler_view);
    connect(About1, &QAction::triggered, this, &TMain::cmd_about);
    connect(Compare, &QAction::triggered, this, &TMain::cmd_compare);
    connect(IOConfiguration, &QAction::triggered, this, &TMain::cmd_io_configuration);
    connect(Options2, &QAction::triggered, this, &TMain::cmd_options);
    for (int i = 0; i < 10; ++i)
        connect(RecentDev[std::size_t(i)], &QAction::triggered, this, [this, i] { cmd_recent_device(i + 1); });
}

void TMain::rebuild_recent_files_menu() {
    for (QAction* a : RecentList) a->setVisible(false);
    bool any_pic = false, any_ee = false;
    for (const RecentFileItem& it : recent_file_items(settings_)) {
        QAction* a = RecentList[std::size_t(it.item - 1)];
        // The caption is the path as it is: a "&" must not turn into a mnemonic.
        const QString path = QString::fromStdString(it.path);
        a->setText(QString(path).replace('&', "&&"));
        a->setData(path);
        a->setVisible(true);
        (it.eeprom ? any_ee : any_pic) = true;
    }
    for (QAction* a : RecentFiles->actions())
        if (a->isSeparator()) a->setVisible(any_pic && any_ee);
}

void TMain::rebuild_recent_device_menu() {
    for (QAction* a : RecentDev) a->setVisible(false);
    for (const RecentDeviceItem& it : recent_device_items(settings_)) {
        QAction* a = RecentDev[std::size_t(it.slot - 1)];
        a->setText(QString::fromStdString(it.caption));
        a->setData(it.slot);
        a->setVisible(true);
    }
}

void TMain::check_device_item() {
    const int ee = mode_eeprom_device();
    const int pic = mode_pic_device();
    for (int t = 0; t < kEEPromTypeCount; ++t) EEPromDeviceItems[std::size_t(t)]->setChecked(t == ee);
    for (int d = 0; d < kPicDeviceCount; ++d) PicDeviceItems[std::size_t(d)]->setChecked(d == pic);
}

} // namespace korvane
