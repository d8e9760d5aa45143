#include "app/form1.h"
#include "app/repaint_limiter.h"

#include "app/com_port_design.h"
#include "i18n/lang_combo.h"
#include "i18n/lang_man_client.h"
#include "i18n/lang_man_engine.h"
#include "link/com_port.h"
#include "link/link_timers.h"
#include "link/port_finder.h"
#include "log/log_controller.h"
#include "log/log_header_view.h"
#include "log/log_table_model.h"
#include "panel/button_pictures.h"
#include "panel/caption_strip.h"
#include "panel/control_table.h"
#include "panel/drop_down.h"
#include "panel/handler_edge.h"
#include "panel/menu_controller.h"
#include "panel/panel_colours.h"
#include "panel/spin_edit.h"
#include "vorlant_version.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSpinBox>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include <span>
#include <utility>

std::span<const panel::ControlRow<TForm1>> form1Rows();

namespace {

// Calibri where it is installed; its metric twin Carlito everywhere else.
QFont windowFont()
{
    QFont::insertSubstitution(QStringLiteral("Calibri"), QStringLiteral("Carlito"));
    QFont font(QStringLiteral("Calibri"));
    font.setPixelSize(15);
    font.setBold(true);
    return font;
}

} // namespace

TForm1::TForm1(Form1Options options, QWidget *parent)
    : QWidget(parent)
    , ComPort(std::make_unique<TComPort>())
    , dongleLink(std::make_unique<DongleLink>(*ComPort))
    , options(std::move(options))
    , meterConnected(dongleLink->meterConnected())
    , portReady(dongleLink->portReady())
    , frameHold(dongleLink->frameHold())
{
    if (this->options.lexiconTranslator)
        lexicons.attachEngine(this->options.lexiconTranslator);
    applyWindowDesign();
    panel::buildControls(*this, this, form1Rows());
    panel::buildFrontPanel(*this, Panel4);

    // Design values the tables do not carry.
    CBox5->setMaxVisibleItems(16);
    CBox51->setMaxVisibleItems(16);
    CBox6->setMaxVisibleItems(20);
    CBox6->lineEdit()->setMaxLength(18);
    E2->setMaxLength(7);
    E11->setMaxLength(7);
    SE2->setRange(1, 2);
    SE2->setValue(1);
    SE1->setRange(1, 100000);
    SE1->setValue(1);
    CB1->setCurrentIndex(1);
    Memo1->setReadOnly(true);
    Memo1->setMaximumBlockCount(kStatusLines);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    buildLogGrid();
    createProfileControllers();
    // Readings come up to 74 times a second; the window paints what they
    // changed at most 10 times a second (at once after the user's input).
    new RepaintLimiter(this, kRepaintIntervalMs);
    createTimers();
    createComPort();
    bindLink();
    bindHandlers();
    bindExport();
    createJournal();
    createScpi();
    // The supervision runs from the start; the other timers wait for their cause.
    enableTimer(T3);
    // Before FormCreate, whose first lexicon look-up starts the engine.
    createLanguageEngine();
    FormCreate();
    // Started already, unless FormCreate looked nothing up.
    LangManClient1->FormCreated();
    // After FormCreate has cleared Memo1, where it says it listens.
    startScpi();
}

TForm1::~TForm1()
{
    for (QTimer *timer : {T2, T3, T4, Timer_TX, portWatch})
        timer->stop();
    // Closing a present dongle's port writes "AT" (a live link drops) and
    // blanks the display, so it happens before any control is destroyed.
    dongleLink->shutDown();
    ComPort.reset();
}

void TForm1::applyWindowDesign()
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Регистратор данных для RLC метра Vorlant версия ") + QLatin1String(kProgramVersion));
    setWindowIcon(panel::meterIcon());
    setFont(windowFont());

    QPalette face = palette();
    face.setColor(QPalette::Window, panel::buttonFaceColour());
    face.setColor(QPalette::Button, panel::buttonFaceColour());
    setPalette(face);
    setAutoFillBackground(true);

    // A fixed single border: the client area keeps its design size.
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect placed = rect();
        placed.moveCenter(screen->availableGeometry().center());
        move(placed.topLeft());
    }
}

void TForm1::buildLogGrid()
{
    // The header row comes from the model; there are no fixed columns. Rows
    // have one fixed height, so a long log costs the view nothing to lay out.
    SG->setHorizontalHeader(new LogHeaderView(kLogRowHeight, SG));
    SG->verticalHeader()->hide();
    SG->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SG->verticalHeader()->setDefaultSectionSize(kLogRowHeight);
    // Scrolling by pixels: scrolling by rows makes the table measure every
    // row again whenever one is added, which a long recording does 74 times
    // a second.
    SG->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    SG->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SG->horizontalHeader()->setHighlightSections(false);
    SG->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SG->setShowGrid(true);
    SG->setWordWrap(false);
    SG->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Not reachable with the Tab key, and Tab inside it does not walk cells.
    SG->setFocusPolicy(Qt::ClickFocus);
    SG->setTabKeyNavigation(false);

    // The headers and rows come with showSinglePartHeaders in FormCreate: no
    // lexicon is looked up before then.
    logController = new LogController({SG, SE1, SP1, SP3, Memo1, CBox10, SE2, this}, lexicons, this);
    logModel = logController->model();
    for (int column = 0; column < LogTableModel::kColumns; ++column)
        SG->horizontalHeader()->resizeSection(column, kLogColumnWidths[column]);
    bindLogHandlers();
    bindBatchViews();
}

void TForm1::createTimers()
{
    // All stopped here: each starts once its handler is connected. The
    // link's timers get their intervals where they are bound to the link.
    const std::pair<QTimer *TForm1::*, const char *> timers[] = {
        {&TForm1::T2, "T2"}, {&TForm1::T3, "T3"}, {&TForm1::T4, "T4"},
        {&TForm1::Timer_TX, "Timer_TX"}, {&TForm1::portWatch, "portWatch"},
    };
    for (const auto &[member, name] : timers) {
        auto *timer = new QTimer(this);
        timer->setObjectName(QLatin1String(name));
        this->*member = timer;
    }
    Timer_TX->setInterval(1000);
    Timer_TX->setSingleShot(true);
}

void TForm1::createComPort()
{
    // Closed, with the window's design settings; the port is chosen when the
    // dongle is found.
    LoadComPortDesign(*ComPort);
    ComPort->OnAfterOpen = [this](TCustomComPort *sender) { ComPortAfterOpen(sender); };
    ComPort->OnBeforeClose = [this](TCustomComPort *sender) { ComPortBeforeClose(sender); };
    ComPort->OnRxChar = [this](TCustomComPort *sender, int count) { ComPortRxChar(sender, count); };
    ComPort->OnException = [this](TCustomComPort *sender, TComExceptions exception, const QString &message,
                                  qint64 winError, const QString &winMessage) {
        ComPortException(sender, exception, message, winError, winMessage);
    };
}

void TForm1::bindHandlers()
{
    connect(T2, &QTimer::timeout, this, &TForm1::T2Timer);
    connect(T3, &QTimer::timeout, this, &TForm1::T3Timer);
    connect(T4, &QTimer::timeout, this, &TForm1::T4Timer);
    connect(Timer_TX, &QTimer::timeout, this, &TForm1::Timer_TXTimer);
    connect(portWatch, &QTimer::timeout, this, &TForm1::portWatchTimer);
    // While a selection menu is open, frames would change the display under the pointer.
    menus = new panel::MenuController(*this, this);
    connect(menus, &panel::MenuController::framesHeld, this, [this] { frameHold.hold(FrameHold::Reason::MenuOpen); });
    connect(menus, &panel::MenuController::framesReleased, &frameHold, &FrameHold::menusClosed);
    // Timer_TX is the hold-off's release timer.
    connect(&frameHold, &FrameHold::releaseTimerWanted, this, [this] { enableTimer(Timer_TX); });
    bindRemoteHandlers();
    // Clicks only: setting a control's state from code runs no handler.
    connect(B2, &QToolButton::clicked, this, panel::atEdge(this, &TForm1::B2Click));
    connect(CheckBox_connect_auto, &QCheckBox::clicked, this, panel::atEdge(this, &TForm1::CheckBox_connect_autoClick));
}

void TForm1::enableTimer(QTimer *timer)
{
    ::enableTimer(*timer);
}
