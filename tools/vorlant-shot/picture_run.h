#pragma once

#include "protocol/meter_frame.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class TForm1;

// An unattended run of the window that ends with a picture of it: presses the
// connect button whenever it offers to connect, once linked presses the mode
// button of `mode` (when given), saves a PNG of the window when the first
// reading of that mode (any mode when none is given) is shown, and closes the
// window. Gives up when no such reading comes within the deadline.
class PictureRun : public QObject
{
    Q_OBJECT

public:
    PictureRun(TForm1 &form, QString path, std::optional<protocol::MeterMode> mode, int deadlineMs);
    // Instead of the first reading: sort by the plan in `planPath`, record
    // `rows` rows, and picture the window with the Sorting window beside it.
    void sortInto(const QString &planPath, int rows);

    // 0 once the picture is saved; 1 while it is not.
    int exitCode() const { return m_exitCode; }

private:
    void tick();
    void frameShown(protocol::MeterMode mode);
    void finish(int exitCode);
    bool save(const QImage &picture);

    TForm1 &m_form;
    QString m_path;
    std::optional<protocol::MeterMode> m_mode;
    int m_deadlineMs;
    QTimer m_ticker;
    QElapsedTimer m_started;
    bool m_done = false;
    bool m_modePressed = false;
    int m_exitCode = 1;
    QString m_planPath;
    int m_sortedRows = 0;
    bool m_sortingStarted = false;
};
