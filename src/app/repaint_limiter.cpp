#include "app/repaint_limiter.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

RepaintLimiter::RepaintLimiter(QWidget *window, int intervalMs)
    : QObject(window)
    , m_window(window)
    , m_intervalMs(intervalMs)
    , m_held(new QTimer(this))
{
    m_held->setSingleShot(true);
    m_held->setTimerType(Qt::PreciseTimer);
    connect(m_held, &QTimer::timeout, this, &RepaintLimiter::paintNow);
    // The application's filter sees input to every control of the window.
    QCoreApplication::instance()->installEventFilter(this);
}

RepaintLimiter::~RepaintLimiter()
{
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

void RepaintLimiter::paintNow()
{
    // The window paints everything that changed since its last painting.
    m_sending = true;
    m_input = false;
    QEvent request(QEvent::UpdateRequest);
    QCoreApplication::sendEvent(m_window, &request);
    m_sending = false;
    m_sincePaint.start();
}

bool RepaintLimiter::isInputToWindow(QObject *watched, const QEvent *event) const
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Enter:
    case QEvent::Leave:
        break;
    default:
        return false;
    }
    return watched->isWidgetType() && static_cast<QWidget *>(watched)->window() == m_window;
}

bool RepaintLimiter::eventFilter(QObject *watched, QEvent *event)
{
    if (isInputToWindow(watched, event)) {
        m_input = true;
        // A painting already held back comes as soon as the input is handled.
        if (m_held->isActive())
            m_held->start(0);
        return false;
    }
    if (watched != m_window || event->type() != QEvent::UpdateRequest || m_sending)
        return false;
    if (m_held->isActive())
        return true; // already due
    const qint64 since = m_sincePaint.isValid() ? m_sincePaint.elapsed() : m_intervalMs;
    if (m_input || since >= m_intervalMs) {
        m_input = false;
        m_sincePaint.start();
        return false; // paints now
    }
    m_held->start(int(m_intervalMs - since));
    return true;
}
