#include "batch/log_context_menu.h"

#include "batch/batch_lexicon.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTableView>

LogContextMenu::LogContextMenu(QTableView *SG, QWidget *window, const i18n::TDesignedLexicon &texts,
                               QObject *parent)
    : QObject(parent)
    , m_SG(SG)
    , m_texts(texts)
{
    m_menu = new QMenu(SG);
    m_menu->setObjectName(QStringLiteral("logMenu"));
    const auto add = [&](const char *name, const QKeySequence &keys) {
        auto *action = new QAction(window);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        // Added to the window as well, so the shortcut works without the menu.
        window->addAction(action);
        m_menu->addAction(action);
        return action;
    };
    m_statistics = add("statisticsAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    m_chart = add("chartAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    m_sorting = add("sortingAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B));
    m_menu->addSeparator();
    m_csv = add("csvAction", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E));
    // The texts are looked up when the menu opens: a look-up while the window
    // is being built would start the language engine too early.

    SG->viewport()->installEventFilter(this);
    SG->installEventFilter(this);
}

void LogContextMenu::retranslate()
{
    m_statistics->setText(m_texts.GetItem(batch_text::Statistics));
    m_chart->setText(m_texts.GetItem(batch_text::TrendChart));
    m_csv->setText(m_texts.GetItem(batch_text::SaveCsv));
    m_sorting->setText(m_texts.GetItem(batch_text::Sorting));
}

void LogContextMenu::popup(const QPoint &globalPosition)
{
    retranslate();
    m_menu->popup(globalPosition);
}

bool LogContextMenu::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick: {
        if (watched != m_SG->viewport())
            return false;
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::RightButton)
            return false;
        if (event->type() == QEvent::MouseButtonPress)
            popup(mouse->globalPosition().toPoint());
        return true; // the table never sees the right button
    }
    case QEvent::ContextMenu: {
        auto *menuEvent = static_cast<QContextMenuEvent *>(event);
        // The mouse already opened it on the press; the menu key opens it at the current cell.
        if (menuEvent->reason() == QContextMenuEvent::Keyboard) {
            const QRect cell = m_SG->visualRect(m_SG->currentIndex());
            const QPoint at = cell.isValid() ? cell.center() : m_SG->viewport()->rect().center();
            popup(m_SG->viewport()->mapToGlobal(at));
        }
        return true;
    }
    default:
        return false;
    }
}
