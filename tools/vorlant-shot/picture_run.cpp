#include "picture_run.h"

#include "app/form1.h"
#include "link/dongle_link.h"

#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include <cstdio>

PictureRun::PictureRun(TForm1 &form, QString path, std::optional<protocol::MeterMode> mode, int deadlineMs)
    : m_form(form)
    , m_path(std::move(path))
    , m_mode(mode)
    , m_deadlineMs(deadlineMs)
{
    connect(&m_form, &TForm1::frameDisplayed, this, &PictureRun::frameShown);
    connect(&m_ticker, &QTimer::timeout, this, &PictureRun::tick);
    m_ticker.start(200);
    m_started.start();
}

void PictureRun::tick()
{
    if (m_done)
        return;
    if (m_started.hasExpired(m_deadlineMs)) {
        std::fprintf(stderr, "vorlant-shot: no reading within %d s\n", m_deadlineMs / 1000);
        finish(1);
        return;
    }
    // Press "connect" as a user would, whenever it is offered.
    if (m_form.B2->isEnabled() && m_form.dongleLink->offer() == DongleLink::Offer::Connect)
        m_form.B2->click();
    // Once linked, switch the meter to the mode asked for with its button.
    if (m_mode && m_form.meterConnected && !m_modePressed) {
        m_modePressed = true;
        switch (*m_mode) {
        case protocol::MeterMode::Rlcd:
            m_form.Button2->click();
            break;
        case protocol::MeterMode::Rd:
            m_form.Button1->click();
            break;
        case protocol::MeterMode::U:
            m_form.Button3->click();
            break;
        }
    }
}

void PictureRun::frameShown(protocol::MeterMode mode)
{
    if (m_done || (m_mode && mode != *m_mode))
        return;
    const QImage picture = m_form.grab().toImage();
    if (!picture.save(m_path, "PNG")) {
        std::fprintf(stderr, "vorlant-shot: cannot write %s\n", qPrintable(m_path));
        finish(1);
        return;
    }
    finish(0);
}

void PictureRun::finish(int exitCode)
{
    m_done = true;
    m_exitCode = exitCode;
    m_ticker.stop();
    // Queued: the frame handler that called us finishes first.
    QMetaObject::invokeMethod(&m_form, &QWidget::close, Qt::QueuedConnection);
}
