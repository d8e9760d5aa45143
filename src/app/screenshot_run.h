#pragma once

#include "protocol/meter_frame.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <optional>

class TForm1;

// The unattended run of `make run` on a machine without a display. With
// VORLANT_SCREENSHOT naming a PNG file, the window presses its own connect
// button once the dongle's port is open, presses the mode button that
// VORLANT_SCREENSHOT_MODE names (RLCD, RD or U) once linked, saves a picture
// of itself when the first reading of that mode (any mode when unset) is
// shown, and closes. Message boxes go to standard
// error instead, so nothing waits for a click. Nothing else reads these.
class ScreenshotRun : public QObject
{
    Q_OBJECT

public:
    static constexpr const char *kVariable = "VORLANT_SCREENSHOT";
    static constexpr const char *kModeVariable = "VORLANT_SCREENSHOT_MODE";
    static constexpr int kDeadlineMs = 60000;

    // Null unless the variable is set.
    static std::unique_ptr<ScreenshotRun> fromEnvironment(TForm1 &form);

    ScreenshotRun(TForm1 &form, QString path, std::optional<protocol::MeterMode> mode = std::nullopt);

    // The program's exit status once the window has closed.
    int exitCode() const { return m_exitCode; }

private:
    void tick();
    void frameShown(protocol::MeterMode mode);
    void finish(int exitCode);

    TForm1 &m_form;
    QString m_path;
    std::optional<protocol::MeterMode> m_mode;
    QTimer m_ticker;
    QElapsedTimer m_started;
    bool m_done = false;
    bool m_modePressed = false;
    int m_exitCode = 1;
};
