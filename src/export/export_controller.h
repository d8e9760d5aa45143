#pragma once

#include "i18n/designed_lexicon.h"
#include "export/export_messages.h"
#include "export/spreadsheet_files.h"
#include "export/spreadsheet_writer.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>

class QProgressDialog;
class QPushButton;
class QThread;
class QTimer;
class QWidget;
class SpreadsheetLauncher;

// Copies the log into a spreadsheet: writes the texts into a workbook on a
// thread of its own, so the window keeps repainting, then opens the workbook
// in the desktop's spreadsheet application. The export button is disabled
// while this runs; an export that takes a while shows a progress dialog.
class ExportController : public QObject
{
    Q_OBJECT

public:
    // An export that is still running after this long shows its progress.
    static constexpr std::chrono::milliseconds kProgressDelay{500};

    // button: disabled during an export. window: parent of the progress
    // dialog. exportFolder: the parent of the private folder workbooks go
    // into (see SpreadsheetFiles); empty: the system's temporary folder.
    ExportController(QPushButton *button, QWidget *window, const QString &exportFolder, QObject *parent = nullptr);
    // Waits for a workbook being written; it is then not opened.
    ~ExportController() override;

    // What writes the workbook, on the export's thread; writeSpreadsheet
    // unless a test holds the export at a point of its choosing.
    using Writer = std::function<SheetWriteResult(const QString &path, const SheetTexts &texts,
                                                  const QString &scratchFolder, const SheetProgress &progress)>;
    void setWriter(Writer writer) { writer_ = std::move(writer); }

    // Starts the export of a copy of the texts; false while one still runs.
    bool start(SheetTexts texts);
    bool busy() const { return thread_ != nullptr; }

    // The workbook of the last export (it may have failed); empty before one.
    QString lastFile() const { return file_; }
    // The progress dialog, while it is shown.
    QProgressDialog *progressDialog() const;

    // The texts the user reads (exportMessages()), looked up when shown.
    i18n::TDesignedLexicon &messages() { return messages_; }

signals:
    // The workbook could not be written; nothing was opened.
    void writeFailed(const QString &message);
    // The workbook was written but no application shows it; it is kept and
    // the message names it. May come a while after finished.
    void openFailed(const QString &message);
    // The export is over, whatever the outcome; the button is usable again.
    void finished();

private:
    void pollProgress();
    void writingDone();
    QString describe(const ExportProblem &problem) const;

    QPointer<QPushButton> button_;
    QPointer<QWidget> window_;
    SpreadsheetFiles files_;
    SpreadsheetLauncher *launcher_ = nullptr;
    QTimer *poll_ = nullptr;
    QPointer<QProgressDialog> dialog_;
    i18n::TDesignedLexicon messages_ = exportMessages();

    Writer writer_ = writeSpreadsheet;
    QThread *thread_ = nullptr;
    QElapsedTimer clock_;
    QString file_;
    qsizetype rows_ = 0;
    std::atomic<qsizetype> rowsWritten_{0};
    SheetWriteResult result_; // written by the thread, read after it ended
};
