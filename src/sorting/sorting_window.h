#pragma once

#include "sorting/bin_rule.h"

#include <QWidget>

#include <optional>

class BinPlanEditor;
class QCPBars;
class QCPItemText;
class QCustomPlot;
class QLabel;
class QPushButton;

namespace i18n {
class TDesignedLexicon;
}

// The Sorting window beside the main window, not modal: the current
// reading's bin in type readable from across the bench (BINn green, AUX
// amber, OUT red), the tally as a bar chart with count and share per bin,
// and the plan's editor. It shows; the sorting controller decides.
class SortingWindow : public QWidget
{
    Q_OBJECT

public:
    SortingWindow(const i18n::TDesignedLexicon &texts, QWidget *parent = nullptr);

    BinPlanEditor *editor() const { return m_editor; }
    // The bin of the latest reading; nullopt shows that no plan sorts.
    void showBin(std::optional<std::uint8_t> bin);
    // The bars of `binCount` bins, AUX and OUT.
    void showTally(const profiles::BinTally &tally, int binCount);
    // Empty: the plan is in use.
    void showProblem(const QString &text);

    QString binText() const;
    QColor binColour() const;
    QCustomPlot *plot() const { return m_plot; }
    QPushButton *applyButton() const { return m_apply; }

    static QColor colourOf(std::uint8_t bin);

signals:
    void openRequested();
    void saveRequested();
    void applyRequested();
    void resetRequested();

private:
    void retranslate();

    const i18n::TDesignedLexicon &m_texts;
    BinPlanEditor *m_editor = nullptr;
    QLabel *m_bin = nullptr;
    QLabel *m_total = nullptr;
    QLabel *m_problem = nullptr;
    QCustomPlot *m_plot = nullptr;
    QList<QCPBars *> m_bars; // the bins, AUX and OUT, each in its colour
    QList<QCPItemText *> m_barTexts;
    QPushButton *m_open = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_apply = nullptr;
    QPushButton *m_reset = nullptr;
    std::optional<std::uint8_t> m_shownBin{std::uint8_t(255)}; // nothing shown yet
};
