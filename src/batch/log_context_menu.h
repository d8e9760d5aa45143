#pragma once

#include <QObject>

class QAction;
class QMenu;
class QTableView;
class QWidget;

namespace i18n {
class TDesignedLexicon;
}

// The log table's context menu: statistics, trend chart, bin sorting and CSV, with their
// keyboard shortcuts (which work anywhere in the window and are shown in the
// menu). The right mouse button only opens the menu: the table never sees
// it, so it neither moves the selection nor applies a profile line.
class LogContextMenu : public QObject
{
    Q_OBJECT

public:
    LogContextMenu(QTableView *SG, QWidget *window, const i18n::TDesignedLexicon &texts, QObject *parent = nullptr);

    QAction *statisticsAction() const { return m_statistics; }
    QAction *chartAction() const { return m_chart; }
    QAction *csvAction() const { return m_csv; }
    QAction *sortingAction() const { return m_sorting; }
    QMenu *menu() const { return m_menu; }

    // Opens the menu at a global position; it does not wait for a choice.
    void popup(const QPoint &globalPosition);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void retranslate();

    QTableView *m_SG;
    const i18n::TDesignedLexicon &m_texts;
    QMenu *m_menu = nullptr;
    QAction *m_statistics = nullptr;
    QAction *m_chart = nullptr;
    QAction *m_csv = nullptr;
    QAction *m_sorting = nullptr;
};
