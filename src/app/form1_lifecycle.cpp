// Start-up, first showing, size rules and closing of the main window.

#include "app/form1.h"

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "link/port_finder.h"
#include "journal/journal_controller.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <utility>

namespace {

// The window's outer size (frame included) never drops below this.
constexpr int kMinOuterWidth = 1024;
constexpr int kMinOuterHeight = 600;

constexpr int kUnexposedProbeDelayMs = 1000;

// Calls `exposed` once, when the watched window first comes on the screen,
// and goes. The window paints itself while it handles that event, so work
// the caller queues from here runs after the first paint.
class FirstExposeWatch : public QObject
{
public:
    FirstExposeWatch(QWindow *watched, std::function<void()> exposed)
        : QObject(watched)
        , m_exposed(std::move(exposed))
    {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_exposed && static_cast<QWindow *>(watched)->isExposed()) {
            std::exchange(m_exposed, nullptr)();
            watched->removeEventFilter(this);
            deleteLater();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_exposed;
};

} // namespace

void TForm1::FormCreate()
{
    Memo1->clear();
    // The navigator's up arrow goes to the line above (a lower number).
    SE2->setIncrement(-1);
    Button_Add->setEnabled(false);
    Button_DEL->setEnabled(false);
    SB4->hide();
    LangCombo1->hide();
    setDefaultLanguage();
    Panel5->resize(Panel5->width(), 85);

    portFinder = std::make_unique<PortFinder>(options.finderLibrary);
    dongleLink->setPortFinder(portFinder.get());

    if (loadSettings()) {
        SB3->setEnabled(true);
        SB4->setEnabled(true);
    }
    applyDefaultSettings();
    selectListsFromSettings();

    JvP1->setText(lexicons.D1.GetItem(6));
    JvP11->setText(lexicons.D1.GetItem(1));
    CBox10->setCurrentIndex(0);
    showSinglePartHeaders();
    // linkUp enables it.
    SP1->setEnabled(false);
    // Said after the language set-up has taken the window's design texts, so
    // this run-time line is never taken for one.
    if (!portFinder->isLoaded())
        reportFinderMissing();
}

void TForm1::reportFinderMissing()
{
    // Without the finder no dongle is ever found; say so once, or the connect
    // button would just grey out without a word.
    const QString text = QStringLiteral("Port finder not loaded: ") + portFinder->loadError();
    Memo1->appendPlainText(text);
    std::fprintf(stderr, "vorlant: %s\n", qPrintable(text));
    std::fflush(stderr);
}

void TForm1::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (shown_ || event->spontaneous())
        return;
    shown_ = true;
    // The probe blocks the window's thread for its pauses. It waits until the
    // window is on the screen and painted, or the screen would show a black
    // frame meanwhile; a window that never comes on the screen (started
    // minimised) is probed a moment later all the same.
    if (QWindow *window = windowHandle()) {
        new FirstExposeWatch(window, [this] {
            QMetaObject::invokeMethod(this, &TForm1::FormShow, Qt::QueuedConnection);
        });
    }
    QTimer::singleShot(kUnexposedProbeDelayMs, this, &TForm1::FormShow);
}

void TForm1::FormShow()
{
    if (probed_)
        return;
    probed_ = true;
    // Before the dongle: no reading is written while the question is open.
    offerLogRestore();
    probeDongle();
}

void TForm1::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    FormResize();
}

void TForm1::FormResize()
{
    // A window manager may force another size on the fixed border. The
    // design client area always comes back; with a frame, the outer size
    // also stays at least 1024 x 600. Without one (no window manager) the
    // outer size is the client area and the design size stands.
    const QSize frame = frameGeometry().size() - size();
    QSize least(kClientWidth, kClientHeight);
    if (frame.width() > 0)
        least.setWidth(std::max(least.width(), kMinOuterWidth - frame.width()));
    if (frame.height() > 0)
        least.setHeight(std::max(least.height(), kMinOuterHeight - frame.height()));
    const QSize wanted = size().expandedTo(least);
    if (wanted != size() || minimumSize() != wanted || maximumSize() != wanted)
        setFixedSize(wanted);
}

void TForm1::closeEvent(QCloseEvent *event)
{
    FormCloseQuery();
    // Closing is always allowed.
    event->accept();
    FormClose();
}

void TForm1::FormCloseQuery()
{
    T2->stop();
    T3->stop();
    P5->setEnabled(false);
    multiLogPrepared = false;
    journalController->journal()->closeNormally();
}

void TForm1::FormClose()
{
    P5->setEnabled(false);
}
