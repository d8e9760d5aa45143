#include "app/screenshot_run.h"

#include "app/form1.h"
#include "app/message_box.h"

#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QToolButton>

#include <cstdio>

std::unique_ptr<ScreenshotRun> ScreenshotRun::fromEnvironment(TForm1 &form)
{
    const QString path = qEnvironmentVariable(kVariable);
    if (path.isEmpty())
        return nullptr;
    const QString modeName = qEnvironmentVariable(kModeVariable).toUpper();
    std::optional<protocol::MeterMode> mode;
    if (modeName == QLatin1String("RLCD"))
        mode = protocol::MeterMode::Rlcd;
    else if (modeName == QLatin1String("RD"))
        mode = protocol::MeterMode::Rd;
    else if (modeName == QLatin1String("U"))
        mode = protocol::MeterMode::U;
    return std::make_unique<ScreenshotRun>(form, path, mode);
}

ScreenshotRun::ScreenshotRun(TForm1 &form, QString path, std::optional<protocol::MeterMode> mode)
    : m_form(form)
    , m_path(std::move(path))
    , m_mode(mode)
{
    app::setMessageShower([](QWidget *, const QString &caption, const QString &text) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
    });
    connect(&m_form, &TForm1::frameDisplayed, this, &ScreenshotRun::frameShown);
    connect(&m_ticker, &QTimer::timeout, this, &ScreenshotRun::tick);
    m_ticker.start(200);
    m_started.start();
}

void ScreenshotRun::tick()
{
    if (m_done)
        return;
    if (m_started.hasExpired(kDeadlineMs)) {
        std::fprintf(stderr, "vorlant: no reading within %d s\n", kDeadlineMs / 1000);
        finish(1);
        return;
    }
    // Press "connect" as a user would, whenever it is offered.
    if (m_form.B2->isEnabled() && m_form.B2->text() == m_form.lexicons.Dlang_connect.GetItem(0))
        m_form.B2->click();
    // Once linked, switch the meter to the mode asked for with its button.
    if (m_mode && m_form.meterConnected && !m_modePressed) {
        m_modePressed = true;
        if (*m_mode == protocol::MeterMode::Rd)
            m_form.Button1->click();
        else if (*m_mode == protocol::MeterMode::U)
            m_form.Button3->click();
    }
}

void ScreenshotRun::frameShown(protocol::MeterMode mode)
{
    if (m_done || (m_mode && mode != *m_mode))
        return;
    const QImage picture = m_form.grab().toImage();
    if (!picture.save(m_path, "PNG")) {
        std::fprintf(stderr, "vorlant: cannot write %s\n", qPrintable(m_path));
        finish(1);
        return;
    }
    finish(0);
}

void ScreenshotRun::finish(int exitCode)
{
    m_done = true;
    m_exitCode = exitCode;
    m_ticker.stop();
    // Queued: the frame handler that called us finishes first.
    QMetaObject::invokeMethod(&m_form, &QWidget::close, Qt::QueuedConnection);
}
