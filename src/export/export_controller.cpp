#include "export/export_controller.h"

#include "export/spreadsheet_launcher.h"

#include <QProgressDialog>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <utility>

namespace {

constexpr int kPollMs = 100;

} // namespace

ExportController::ExportController(QPushButton *button, QWidget *window, const QString &exportFolder,
                                   QObject *parent)
    : QObject(parent)
    , button_(button)
    , window_(window)
    , files_(exportFolder)
    , launcher_(new SpreadsheetLauncher(this))
    , poll_(new QTimer(this))
{
    poll_->setInterval(kPollMs);
    connect(poll_, &QTimer::timeout, this, &ExportController::pollProgress);
    connect(launcher_, &SpreadsheetLauncher::failed, this, [this](const QString &file, const ExportProblem &problem) {
        files_.keep(file);
        emit openFailed(describe(problem));
    });
}

ExportController::~ExportController()
{
    if (thread_) {
        thread_->wait();
        delete thread_;
    }
    delete dialog_;
}

bool ExportController::start(SheetTexts texts)
{
    if (busy())
        return false;
    if (button_)
        button_->setEnabled(false);

    ExportProblem problem;
    file_ = files_.nextFile(&problem);
    if (file_.isEmpty()) {
        if (button_)
            button_->setEnabled(true);
        emit writeFailed(describe(problem));
        emit finished();
        return true;
    }

    rows_ = texts.size();
    rowsWritten_ = 0;
    result_ = {};
    thread_ = QThread::create([this, writer = writer_, texts = std::move(texts), file = file_,
                               folder = files_.folder()] {
        result_ = writer(file, texts, folder, [this](qsizetype rows) { rowsWritten_ = rows; });
    });
    connect(thread_, &QThread::finished, this, &ExportController::writingDone);
    clock_.start();
    poll_->start();
    thread_->start();
    return true;
}

QProgressDialog *ExportController::progressDialog() const
{
    return dialog_;
}

void ExportController::pollProgress()
{
    if (!dialog_) {
        if (clock_.elapsed() < kProgressDelay.count())
            return;
        dialog_ = new QProgressDialog(window_);
        dialog_->setWindowTitle(QStringLiteral("Vorlant"));
        dialog_->setLabelText(messages_.GetItem(int(ExportItem::Copying)));
        // No way to cancel: the export is short and a half-written workbook helps nobody.
        dialog_->setCancelButton(nullptr);
        dialog_->setWindowModality(Qt::WindowModal);
        dialog_->setAutoClose(false);
        dialog_->setAutoReset(false);
        dialog_->setMinimumDuration(0);
        dialog_->setRange(0, int(qMax<qsizetype>(rows_, 1)));
        dialog_->show();
    }
    const qsizetype written = rowsWritten_;
    if (written >= rows_) {
        // Every row is in; packing the file takes a while longer and tells no progress.
        dialog_->setRange(0, 0);
    } else {
        dialog_->setValue(int(written));
    }
}

void ExportController::writingDone()
{
    thread_->wait();
    delete thread_;
    thread_ = nullptr;
    poll_->stop();
    delete dialog_;

    const SheetWriteResult result = std::exchange(result_, {});
    if (button_)
        button_->setEnabled(true);
    if (!result.ok) {
        files_.discard(file_);
        emit writeFailed(describe(result.problem));
        emit finished();
        return;
    }
    SpreadsheetFiles::seal(file_);
    launcher_->open(file_);
    emit finished();
}

QString ExportController::describe(const ExportProblem &problem) const
{
    return describeExportProblem(problem, messages_);
}
