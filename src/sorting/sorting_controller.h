#pragma once

#include "i18n/designed_lexicon.h"
#include "sorting/sorting_window.h"
#include "sorting/bin_rule.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <optional>

class QTimer;
class QWidget;

// Bin sorting on the window: the active plan, the bin of the latest reading,
// the tally of the logged rows, and the Sorting window that shows them. The
// window tells it each RLC reading and each row written; a reading costs the
// rule and, while the bin changes, one label. The tally's chart is redrawn at
// most ten times a second. The last plan file's path is kept in the
// program's settings (~/.config/vorlant/vorlant.conf) and read again when the
// Sorting window first opens.
class SortingController : public QObject
{
    Q_OBJECT

public:
    static constexpr int kRefreshMs = 100;

    using FileNameAsker = std::function<QString(QWidget *parent, const QString &caption, const QString &filter,
                                                bool save)>;

    SortingController(QWidget *window, QObject *parent = nullptr);
    ~SortingController() override;

    i18n::TDesignedLexicon Dbins;

    void setFileNameAsker(FileNameAsker asker) { m_askFileName = std::move(asker); }

    // The plan readings are sorted by; null while none is in use.
    const profiles::PreparedBinPlan *preparedPlan() const { return m_prepared ? &*m_prepared : nullptr; }
    // The bin the latest RLC reading was given (none without a plan), shown in the Sorting window.
    void takeBin(std::optional<std::uint8_t> bin);
    // The latest reading's bin; none while no plan is in use.
    std::optional<std::uint8_t> latestBin() const { return m_latest; }
    // A log row was written with this reading's bin.
    void rowWritten(std::optional<std::uint8_t> bin);

    // Uses `plan` when it can be used; false with the window showing why otherwise.
    bool applyPlan(const profiles::BinPlan &plan);
    bool openPlan(const QString &path);
    bool savePlan(const QString &path);
    void resetTally();

    void showWindow();
    SortingWindow *window() const { return m_sortingWindow; }

    bool active() const { return m_prepared.has_value(); }
    const profiles::BinPlan &plan() const { return m_plan; }
    const profiles::BinTally &tally() const { return m_tally; }
    // "BIN1 3 (60.0 %), ..." for the statistics window; empty while no plan is in use.
    QString tallySummary() const;

    // The settings key of the last plan's path.
    static QString lastPlanPath();

signals:
    // The tally changed (a row, a reset, a new plan).
    void tallyChanged();
    // A file could not be written; the owner shows the message.
    void failed(const QString &caption, const QString &text);

private:
    void scheduleRefresh();
    void refresh();
    void rememberPath(const QString &path);
    void openAsked();
    void saveAsked();

    QWidget *m_window;
    profiles::BinPlan m_plan;
    std::optional<profiles::PreparedBinPlan> m_prepared;
    profiles::BinTally m_tally;
    std::optional<std::uint8_t> m_latest;
    QPointer<SortingWindow> m_sortingWindow;
    QTimer *m_refresh = nullptr;
    FileNameAsker m_askFileName;
};
