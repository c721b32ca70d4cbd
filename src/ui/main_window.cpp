#include "ui/main_window.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QToolButton>

#include "app/buffer_compare.h"
#include "hardware/port_available.h"
#include "pic/pic_catalogue.h"
#include "ui/card_side.h"
#include "ui/config_panel.h"
#include "ui/decorations.h"
#include "ui/eeprom_side.h"
#include "ui/icons.h"
#include "ui/mem_grid.h"
#include "ui/pic_side.h"

namespace korvane {

namespace {

constexpr int kClientWidth = 756;
constexpr int kClientHeight = 523;
constexpr int kStatusTop = 505;

QToolButton* tool_button(QWidget* parent, const char* name, const char* icon, const QString& hint,
                         int x, int y) {
    auto* b = new QToolButton(parent);
    b->setObjectName(name);
    b->setGeometry(x, y, 38, 38);
    b->setAutoRaise(true);
    b->setIcon(app_icon(icon));
    b->setIconSize(QSize(30, 30));
    b->setToolTip(hint);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
}

void separator(QWidget* parent, int x) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(x, 8, 4, 34);
}

// ProgBar as the operations see it.
class ProgressAdapter : public IProgressBar {
public:
    explicit ProgressAdapter(QProgressBar* bar) : bar_(bar) {}
    void set_range(int min, int max) override { bar_->setRange(min, std::max(min, max)); }
    void set_step(int step) override { step_ = step; }
    void step_it() override {
        // Past the end the bar starts again, as a stepped bar does.
        int next = bar_->value() + step_;
        if (next > bar_->maximum()) next = bar_->minimum() + (next - bar_->maximum());
        bar_->setValue(next);
    }
    void set_position(int pos) override { bar_->setValue(pos); }

private:
    QProgressBar* bar_;
    int step_ = 1;
};

} // namespace

TMain::TMain(SettingsRecord& settings, std::filesystem::path settings_dir, QWidget* parent)
    : QMainWindow(parent), settings_(settings), settings_dir_(std::move(settings_dir)) {
    setObjectName("Main");
    QFont form_font = QApplication::font();
    form_font.setPointSize(8);
    setFont(form_font);

    client = new QWidget(this);
    client->setObjectName("Client");
    client->setFixedSize(kClientWidth, kClientHeight);
    setCentralWidget(client);

    build_tool_bar();
    build_left_panel();
    build_centre();
    build_bottom_row();
    build_status_bar();
    build_menu();
    progress_ = std::make_unique<ProgressAdapter>(ProgBar);
    port_available = [](const std::string& name) { return port_available_now(default_port_resolver(), name); };

    // Caption: up to and including the version it is held to 39 characters.
    const std::string head = (" -= Korvane [Vantorr Programmer]  v" + settings_.version.str()).substr(0, 39);
    setWindowTitle(QString::fromStdString(head + " =- "));
    setWindowIcon(app_icon("logo"));

    // Creation follows the program's start: PIC mode at once, then buffer 1.
    CompareLine->hide();
    CompareAddr->hide();
    mode_ = requested_mode_ = previous_mode_ = kModeNone;
    asm_view_ = false;
    request_mode(kModePic);
    current_buffer_ = 0;
    btnBuffer[0]->setChecked(true);
    select_buffer(1);
    set_grid_fonts();
    rebuild_recent_files_menu();
    rebuild_recent_device_menu();
    check_device_item();
    btnSmartWizard->hide();
    EditMenu->menuAction()->setVisible(false);
    SmartWizard->setVisible(false);
    Info1->setVisible(false);

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
}

TMain::~TMain() = default;

void TMain::build_tool_bar() {
    btnOpen_File = tool_button(client, "btnOpen_File", "open", "Open File ...", 8, 6);
    btnSaveAs_File = tool_button(client, "btnSaveAs_File", "save", "Save File As ...", 48, 6);
    separator(client, 94);
    btnReadAll = tool_button(client, "btnReadAll", "read", "Read All", 107, 6);
    btnProgramAll = tool_button(client, "btnProgramAll", "program", "Program All", 151, 6);
    btnVerify = tool_button(client, "btnVerify", "verify", "Verify All", 194, 6);
    btnEraseAll = tool_button(client, "btnEraseAll", "erase", "Erase All", 238, 6);
    btnClearCP = tool_button(client, "btnClearCP", "clearcp", "Clear Code Protection", 282, 6);
    separator(client, 326);
    btnCompareBuff = tool_button(client, "btnCompareBuff", "compare", "Compare Buffers", 336, 6);
    btnWrite876Ldr = tool_button(client, "btnWrite876Ldr", "loader", "Write Loader", 336, 6);
    btnWriteLoaderSkip = tool_button(client, "btnWriteLoaderSkip", "skip", "Skip Write Loader", 381, 6);
    btnIsoCard = tool_button(client, "btnIsoCard", "isocard", "Iso Card Selection", 431, 6);
    btnBackWriteLoader = tool_button(client, "btnBackWriteLoader", "back", "Back To Write Loader", 431, 6);
    btnSmartWizard = tool_button(client, "btnSmartWizard", "wizard", "Iso Card Wizard", 431, 6);
    separator(client, 479);
    btnAssembView = tool_button(client, "btnAssembView", "asmview", "Assembler View", 492, 6);
    btnHardware = tool_button(client, "btnHardware", "hardware", "I/O Configuration", 530, 6);
    btnOptions = tool_button(client, "btnOptions", "options", "Options", 569, 6);
    HelpAbout = tool_button(client, "HelpAbout", "help", "Help/About", 608, 6);

    Items_List = new QComboBox(client);
    Items_List->setObjectName("Items_List");
    Items_List->setGeometry(648, 12, 105, 22);
    Items_List->setMaxVisibleItems(12);

    connect(btnOpen_File, &QToolButton::clicked, this, &TMain::cmd_open_file);
    connect(btnSaveAs_File, &QToolButton::clicked, this, &TMain::cmd_save_file_as);
    connect(btnReadAll, &QToolButton::clicked, this, &TMain::cmd_read);
    connect(btnProgramAll, &QToolButton::clicked, this, &TMain::cmd_program);
    connect(btnVerify, &QToolButton::clicked, this, &TMain::cmd_verify);
    connect(btnEraseAll, &QToolButton::clicked, this, &TMain::cmd_erase);
    connect(btnClearCP, &QToolButton::clicked, this, &TMain::cmd_clear_cp);
    connect(btnAssembView, &QToolButton::clicked, this, &TMain::cmd_assembler_view);
    connect(btnCompareBuff, &QToolButton::clicked, this, &TMain::cmd_compare);
    connect(btnHardware, &QToolButton::clicked, this, &TMain::cmd_io_configuration);
    connect(btnOptions, &QToolButton::clicked, this, &TMain::cmd_options);
    connect(btnIsoCard, &QToolButton::clicked, this, &TMain::cmd_iso_card);
    connect(btnWrite876Ldr, &QToolButton::clicked, this, &TMain::cmd_write_loader);
    connect(btnWriteLoaderSkip, &QToolButton::clicked, this, &TMain::cmd_skip_loader);
    connect(btnBackWriteLoader, &QToolButton::clicked, this, &TMain::cmd_back_loader);
    connect(HelpAbout, &QToolButton::clicked, this, &TMain::cmd_about);
    connect(Items_List, &QComboBox::activated, this, [this](int index) {
        if (!filling_list_) change_device(index);
    });
}

void TMain::build_left_panel() {
    paLeft = new GradientPanel(client);
    paLeft->setObjectName("paLeft");
    paLeft->setGeometry(0, 48, 97, 457);

    auto* strip = new QLabel("Tools", paLeft);
    strip->setObjectName("ToolsStrip");
    strip->setGeometry(0, 0, 97, 18);
    strip->setAlignment(Qt::AlignCenter);
    strip->setFrameShape(QFrame::Panel);
    strip->setFrameShadow(QFrame::Raised);
    strip->setStyleSheet("QLabel { color: white; font-weight: bold; background: rgba(0,0,0,60); }");

    const auto mode_button = [this](const char* name, const char* icon, const QString& caption,
                                    const QString& hint, int y) {
        auto* b = new QToolButton(paLeft);
        b->setObjectName(name);
        b->setGeometry(18, y, 60, 60);
        b->setAutoRaise(true);
        b->setIcon(app_icon(icon));
        b->setIconSize(QSize(30, 30));
        b->setText(caption);
        b->setToolTip(hint);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet("QToolButton { color: white; font-weight: bold; }");
        return b;
    };
    btnPICProgramming = mode_button("btnPICProgramming", "pic", "PIC", "PIC Programming", 30);
    btnEEPromProgramming = mode_button("btnEEPromProgramming", "eeprom", "EEProm", "EEProm Programmin", 104);
    btnWizard = mode_button("btnWizard", "card", "Iso Card", "Iso Card Programming", 178);
    btnExit = mode_button("btnExit", "exit", "Exit", "Close Application", 380);

    connect(btnPICProgramming, &QToolButton::clicked, this, [this] {
        // The PIC button takes the listing away even during a task.
        AssemblerWin->hide();
        request_mode(kModePic);
    });
    connect(btnEEPromProgramming, &QToolButton::clicked, this, [this] { request_mode(kModeEEProm); });
    connect(btnWizard, &QToolButton::clicked, this, [this] { request_mode(kModeIsoPic); });
    connect(btnExit, &QToolButton::clicked, this, &TMain::cmd_exit);
}

void TMain::build_centre() {
    const auto grid = [this](const char* name, TBufferType type, int cols, TOrgStep step, QRect geo) {
        auto* g = new TMemGrid(client);
        g->setObjectName(name);
        g->setGeometry(geo);
        g->setTypeOfBuffer(type);
        g->setNumCols(cols);
        g->setOrgStep(step);
        g->setColor(Qt::white);
        g->setAsciiColor(QColor(0xC0, 0xC0, 0xC0));   // light 3-D grey
        g->setAsciiFontColor(Qt::blue);
        g->setEditColor(Qt::red);
        g->setHadrColor(Qt::black);
        QFont fixedsys("Fixedsys");
        fixedsys.setStyleHint(QFont::TypeWriter);
        fixedsys.setPixelSize(12);
        g->setFont(fixedsys);
        g->OnChange = [](TMemGrid* self) { self->set_changed(self->ItemChanged(), true); };
        return g;
    };
    CodeWin = grid("CodeWin", TBufferType::btWord, 16, TOrgStep::ItemsxRow, QRect(101, 48, 538, 259));
    DataWin = grid("DataWin", TBufferType::btByte, 8, TOrgStep::BytesxRow, QRect(101, 311, 538, 140));
    EEPromWin = grid("EEPromWin", TBufferType::btByte, 16, TOrgStep::BytesxRow, QRect(101, 48, 538, 401));
    EEPromWin->hide();

    AssemblerWin = new QPlainTextEdit(client);
    AssemblerWin->setObjectName("AssemblerWin");
    AssemblerWin->setGeometry(101, 48, 538, 401);
    AssemblerWin->setReadOnly(true);
    AssemblerWin->setLineWrapMode(QPlainTextEdit::NoWrap);
    AssemblerWin->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixedsys("Fixedsys");
    fixedsys.setStyleHint(QFont::TypeWriter);
    AssemblerWin->setFont(fixedsys);
    AssemblerWin->hide();

    const auto overlay = [this](const char* name, int x, int w) {
        auto* box = new QLineEdit(client);
        box->setObjectName(name);
        box->setGeometry(x, 80, w, 16);
        box->setReadOnly(true);
        box->setFrame(false);
        box->setStyleSheet("QLineEdit { color: yellow; font-weight: bold; background: palette(highlight); }");
        return box;
    };
    CompareAddr = overlay("CompareAddr", 109, 46);
    CompareLine = overlay("CompareLine", 154, 470);

    ProgBar = new QProgressBar(client);
    ProgBar->setObjectName("ProgBar");
    ProgBar->setGeometry(101, 456, 538, 9);
    ProgBar->setTextVisible(false);
    ProgBar->setRange(0, 100);
    ProgBar->setValue(0);

    config = new ConfigPanel(settings_, client);
    config->setGeometry(640, 48, 116, 400);
    config->is_busy = [this] { return busy_; };
    config->items_list = Items_List;
}

void TMain::build_bottom_row() {
    auto* group = new QButtonGroup(this);
    group->setExclusive(true);
    for (int i = 0; i < 5; ++i) {
        auto* b = new QToolButton(client);
        b->setObjectName(QString("btnBuffer%1").arg(i + 1));
        b->setGeometry(112 + 42 * i, 466, 38, 38);
        b->setCheckable(true);
        b->setAutoRaise(true);
        b->setText(QString::number(i + 1));
        QFont f = b->font();
        f.setPointSize(14);
        f.setBold(true);
        b->setFont(f);
        b->setToolTip(QString("Buffer %1").arg(i + 1));
        b->setProperty("tag", i + 1);
        b->setFocusPolicy(Qt::NoFocus);
        group->addButton(b, i + 1);
        btnBuffer[std::size_t(i)] = b;
        connect(b, &QToolButton::clicked, this, [this, i] {
            select_buffer(i + 1);
            // A refused selection (busy) leaves the active buffer's button down.
            if (current_buffer_ >= 1) btnBuffer[std::size_t(current_buffer_ - 1)]->setChecked(true);
        });
    }
    btnNextDiff = tool_button(client, "btnNextDiff", "nextdiff", "Next Difference", 496, 466);
    btnStopDiff = tool_button(client, "btnStopDiff", "stopdiff", "Stop Difference Analisys", 544, 466);
    btnAbort = tool_button(client, "btnAbort", "abort", "Abort Current Task", 592, 466);
    btnNextDiff->hide();
    btnStopDiff->hide();
    btnAbort->hide();
    btnAbort->setEnabled(false);
    connect(btnAbort, &QToolButton::clicked, this, &TMain::cmd_abort);
    connect(btnNextDiff, &QToolButton::clicked, this, &TMain::cmd_next_difference);
    connect(btnStopDiff, &QToolButton::clicked, this, &TMain::cmd_stop_difference);

    const auto small_label = [this](const QString& text, int x) {
        auto* l = new QLabel(text, client);
        l->setGeometry(x, 466, 17, 13);
        l->setAlignment(Qt::AlignCenter);
        QFont f = l->font();
        f.setPointSize(7);
        l->setFont(f);
    };
    small_label("Tx", 704);
    small_label("Rx", 728);
    LedTX = new LedLamp(QColor(0, 220, 0), client);
    LedTX->setObjectName("LedTX");
    LedTX->setGeometry(704, 480, 17, 17);
    LedRX = new LedLamp(QColor(240, 0, 0), client);
    LedRX->setObjectName("LedRX");
    LedRX->setGeometry(728, 480, 17, 17);
}

void TMain::build_status_bar() {
    auto* bar = new QWidget(client);
    bar->setObjectName("StatusBar");
    bar->setGeometry(0, kStatusTop, kClientWidth, kClientHeight - kStatusTop);
    const int widths[3] = {270, 216, 270};
    int x = 0;
    for (int i = 0; i < 3; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(QString("StatusPanel%1").arg(i));
        panel->setGeometry(x, 0, widths[i], kClientHeight - kStatusTop);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setIndent(3);
        QFont small = panel->font();   // the texts were sized for a narrow 8-point face
        small.setPointSize(7);
        panel->setFont(small);
        if (i == 0) {
            panel->setLayoutDirection(Qt::RightToLeft);
            panel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        } else {
            panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
        status_panels[std::size_t(i)] = panel;
        x += widths[i];
    }
}

void TMain::set_grid_fonts() {
    // The grids draw with IBMPC when it is registered; otherwise they keep the form's family and
    // only take the size and the bold style.
    const auto apply = [](QWidget* w, int points) {
        QFont f = w->font();
        if (QFontDatabase::hasFamily("IBMPC")) f.setFamily("IBMPC");
        f.setPointSize(points);
        f.setBold(true);
        w->setFont(f);
    };
    apply(CodeWin, 9);
    apply(DataWin, 9);
    apply(EEPromWin, 8);
    apply(CompareLine, 10);
    apply(CompareAddr, 10);
}

QString TMain::status_text(int panel) const {
    if (panel < 0 || panel > 2) return {};
    return status_panels[std::size_t(panel)]->text();
}

void TMain::set_status_text(int panel, const std::string& text) {
    if (panel < 0 || panel > 2) return;
    status_panels[std::size_t(panel)]->setText(QString::fromStdString(text));
}

} // namespace korvane
