#pragma once

#include "batch/batch_statistics.h"
#include "batch/batch_tolerance.h"

#include <QWidget>

class QGridLayout;
class QLabel;
class QTableWidget;

namespace i18n {
class TDesignedLexicon;
struct WindowLexicons;
}

// The batch's figures in a window of their own beside the main window, not
// modal: the counts and yield, and per value group the mean, spread (the
// sample standard deviation, n - 1) and range formatted as the display
// formats values, with the tolerance figures where a tolerance judges that
// group. Ratios (D, Q) and the tolerance figures get four significant digits.
class StatisticsWindow : public QWidget
{
    Q_OBJECT

public:
    StatisticsWindow(const i18n::TDesignedLexicon &texts, const i18n::WindowLexicons &lexicons,
                     QWidget *parent = nullptr);

    void showFigures(const BatchStatistics &statistics, const BatchTolerances &tolerances);
    // The bin sorting's tally ("BIN1 3 (60.0 %), ..."); empty hides the row.
    void showTally(const QString &summary);

    // The shown texts, for a test or a picture: the counts by name
    // ("rows", "passed", "rejected", "yield") and the figures table.
    QString countText(const QString &name) const;
    QTableWidget *figures() const { return m_figures; }

private:
    QLabel *addCount(QGridLayout *grid, const char *name);
    void retranslate();
    void fitColumns();

    const i18n::TDesignedLexicon &m_texts;
    const i18n::WindowLexicons &m_lexicons;
    QList<QLabel *> m_countCaptions;
    QLabel *m_rows = nullptr;
    QLabel *m_passed = nullptr;
    QLabel *m_rejected = nullptr;
    QLabel *m_yield = nullptr;
    QLabel *m_bins = nullptr;
    QTableWidget *m_figures = nullptr;
};
