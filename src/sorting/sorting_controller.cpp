#include "sorting/sorting_controller.h"

#include "panel/companion_placement.h"
#include "sorting/bin_plan_editor.h"
#include "sorting/sorting_lexicon.h"
#include "sorting/sorting_window.h"
#include "panel/handler_edge.h"
#include "sorting/bin_plan_file.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QSettings>
#include <QTimer>

namespace {

// The program's own settings: ~/.config/vorlant/vorlant.conf (XDG_CONFIG_HOME
// moves it). Not 1.dat, whose layout is fixed and shared by every user.
QSettings programSettings()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("vorlant"), QStringLiteral("vorlant"));
}

const QString kLastPlanKey = QStringLiteral("sorting/lastPlan");

QString askForPlanFile(QWidget *parent, const QString &caption, const QString &filter, bool save)
{
    QFileDialog dialog(parent, caption, QDir::homePath(), filter);
    const QString last = SortingController::lastPlanPath();
    if (!last.isEmpty())
        dialog.setDirectory(QFileInfo(last).absolutePath());
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("json"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

SortingController::SortingController(QWidget *window, QObject *parent)
    : QObject(parent)
    , Dbins(makeSortingLexicon())
    , m_window(window)
    , m_askFileName(askForPlanFile)
{
    m_refresh = new QTimer(this);
    m_refresh->setSingleShot(true);
    m_refresh->setInterval(kRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, &SortingController::refresh);
}

SortingController::~SortingController()
{
    delete m_sortingWindow;
}

QString SortingController::lastPlanPath()
{
    return programSettings().value(kLastPlanKey).toString();
}

void SortingController::rememberPath(const QString &path)
{
    QSettings settings = programSettings();
    settings.setValue(kLastPlanKey, QFileInfo(path).absoluteFilePath());
    settings.sync();
}

void SortingController::takeBin(std::optional<std::uint8_t> bin)
{
    m_latest = bin;
    if (m_sortingWindow && m_sortingWindow->isVisible())
        m_sortingWindow->showBin(m_latest);
}

void SortingController::rowWritten(std::optional<std::uint8_t> bin)
{
    if (!bin || !m_prepared)
        return;
    m_tally.add({*bin, profiles::OutReason::None});
    scheduleRefresh();
}

bool SortingController::applyPlan(const profiles::BinPlan &plan)
{
    profiles::BinPlanProblem problem;
    std::optional<profiles::PreparedBinPlan> prepared = profiles::prepareBinPlan(plan, &problem);
    if (!prepared) {
        if (m_sortingWindow)
            m_sortingWindow->showProblem(
                Dbins.GetItem(sorting_text::PlanRefused).arg(profiles::binPlanProblemText(problem)));
        return false;
    }
    m_plan = plan;
    m_prepared = prepared;
    // Counts under another plan mean other bins.
    m_tally.reset();
    m_latest.reset();
    if (m_sortingWindow) {
        m_sortingWindow->showProblem({});
        m_sortingWindow->editor()->setPlan(plan);
        m_sortingWindow->showBin(std::nullopt);
    }
    scheduleRefresh();
    return true;
}

bool SortingController::openPlan(const QString &path)
{
    profiles::BinPlanProblem problem;
    const std::optional<profiles::BinPlan> plan = profiles::readBinPlanFile(path, &problem);
    if (!plan) {
        if (m_sortingWindow)
            m_sortingWindow->showProblem(QFileInfo(path).fileName() + QStringLiteral(": ") +
                                         Dbins.GetItem(sorting_text::PlanRefused)
                                             .arg(profiles::binPlanProblemText(problem)));
        return false;
    }
    rememberPath(path);
    return applyPlan(*plan);
}

bool SortingController::savePlan(const QString &path)
{
    const profiles::BinPlan plan = m_sortingWindow ? m_sortingWindow->editor()->plan() : m_plan;
    // A plan that cannot be used is not saved: the file could not be opened again.
    if (!applyPlan(plan))
        return false;
    QString error;
    if (!profiles::writeBinPlanFile(path, plan, &error)) {
        emit failed(Dbins.GetItem(sorting_text::SaveFailed), QFileInfo(path).fileName() + QStringLiteral(": ") + error);
        return false;
    }
    rememberPath(path);
    return true;
}

void SortingController::resetTally()
{
    m_tally.reset();
    scheduleRefresh();
}

QString SortingController::tallySummary() const
{
    return m_prepared ? m_tally.summary(m_prepared->binCount) : QString();
}

void SortingController::showWindow()
{
    const bool fresh = !m_sortingWindow;
    if (fresh) {
        m_sortingWindow = new SortingWindow(Dbins, m_window);
        connect(m_sortingWindow, &SortingWindow::applyRequested, this,
                [this] { applyPlan(m_sortingWindow->editor()->plan()); });
        connect(m_sortingWindow, &SortingWindow::resetRequested, this, &SortingController::resetTally);
        connect(m_sortingWindow, &SortingWindow::openRequested, this,
                panel::atEdge(this, &SortingController::openAsked));
        connect(m_sortingWindow, &SortingWindow::saveRequested, this,
                panel::atEdge(this, &SortingController::saveAsked));
        if (m_prepared)
            m_sortingWindow->editor()->setPlan(m_plan);
        else if (const QString last = lastPlanPath(); !last.isEmpty() && QFileInfo(last).isFile())
            openPlan(last);
        panel::placeBeside(m_sortingWindow, m_window, nullptr);
    }
    m_sortingWindow->showTally(m_tally, m_prepared ? m_prepared->binCount : 0);
    m_sortingWindow->showBin(m_latest);
    m_sortingWindow->show();
    m_sortingWindow->raise();
}

void SortingController::openAsked()
{
    const QString path = m_askFileName(m_sortingWindow, Dbins.GetItem(sorting_text::OpenPlan),
                                       Dbins.GetItem(sorting_text::PlanFiles), false);
    if (!path.isEmpty())
        openPlan(path);
}

void SortingController::saveAsked()
{
    const QString path = m_askFileName(m_sortingWindow, Dbins.GetItem(sorting_text::SavePlan),
                                       Dbins.GetItem(sorting_text::PlanFiles), true);
    if (!path.isEmpty())
        savePlan(path);
}

void SortingController::scheduleRefresh()
{
    emit tallyChanged();
    if (!m_refresh->isActive())
        m_refresh->start();
}

void SortingController::refresh()
{
    if (m_sortingWindow && m_sortingWindow->isVisible())
        m_sortingWindow->showTally(m_tally, m_prepared ? m_prepared->binCount : 0);
}
