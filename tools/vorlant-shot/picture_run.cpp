#include "picture_run.h"

#include "app/form1.h"
#include "link/dongle_link.h"
#include "sorting/sorting_controller.h"

#include <QPainter>

#include <qcustomplot.h>

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

void PictureRun::sortInto(const QString &planPath, int rows)
{
    m_planPath = planPath;
    m_sortedRows = rows;
}

void PictureRun::frameShown(protocol::MeterMode mode)
{
    if (m_done || (m_mode && mode != *m_mode))
        return;
    if (m_planPath.isEmpty()) {
        save(m_form.grab().toImage());
        return;
    }
    SortingController &sorting = *m_form.sorting;
    if (!m_sortingStarted) {
        m_sortingStarted = true;
        sorting.showWindow();
        if (!sorting.openPlan(m_planPath)) {
            std::fprintf(stderr, "vorlant-shot: the plan %s cannot be used\n", qPrintable(m_planPath));
            finish(1);
            return;
        }
        m_form.SP1->click(); // record: every reading becomes a row
        return;
    }
    if (sorting.tally().total() < m_sortedRows)
        return;
    // The two windows side by side, as they stand on the screen.
    SortingWindow *window = sorting.window();
    window->showTally(sorting.tally(), int(sorting.plan().bins.size()));
    window->plot()->replot(); // now, not at the next pass of the event loop
    const QImage main = m_form.grab().toImage();
    const QImage side = window->grab().toImage();
    QImage both(main.width() + side.width(), std::max(main.height(), side.height()), QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, 0, main);
    painter.drawImage(main.width(), 0, side);
    painter.end();
    save(both);
}

bool PictureRun::save(const QImage &picture)
{
    if (!picture.save(m_path, "PNG")) {
        std::fprintf(stderr, "vorlant-shot: cannot write %s\n", qPrintable(m_path));
        finish(1);
        return false;
    }
    finish(0);
    return true;
}

void PictureRun::finish(int exitCode)
{
    m_done = true;
    m_exitCode = exitCode;
    m_ticker.stop();
    // Queued: the frame handler that called us finishes first.
    QMetaObject::invokeMethod(&m_form, &QWidget::close, Qt::QueuedConnection);
}
