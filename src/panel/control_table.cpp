#include "panel/control_table.h"

#include "panel/panel_colours.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QWidget>

namespace panel {

ControlIndex::ControlIndex(QWidget *root)
{
    add(root);
    const auto named = root->findChildren<QWidget *>();
    for (QWidget *widget : named)
        add(widget);
}

QWidget *ControlIndex::parentFor(const ControlDesign &design) const
{
    QWidget *parent = m_byName.value(QLatin1String(design.parent));
    // The tables are fixed at build time; a wrong parent name is a typo there.
    if (!parent)
        qFatal("window definition: control %s names the unknown parent %s", design.name, design.parent);
    return parent;
}

void ControlIndex::add(QWidget *widget)
{
    if (!widget->objectName().isEmpty())
        m_byName.insert(widget->objectName(), widget);
}

namespace {

void applyText(QWidget *widget, const ControlDesign &design)
{
    const QString text = QString::fromUtf8(design.text);
    const QStringList items = text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));

    if (auto *label = qobject_cast<QLabel *>(widget)) {
        label->setText(text);
        if (design.align)
            label->setAlignment(design.align);
    } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
        button->setText(text);
        button->setCheckable(design.flags & kToggle);
        button->setChecked(design.flags & kDown);
        if (auto *tool = qobject_cast<QToolButton *>(widget))
            tool->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        combo->setEditable(design.flags & kEditable);
        combo->addItems(items);
    } else if (auto *list = qobject_cast<QListWidget *>(widget)) {
        list->addItems(items);
    } else if (auto *edit = qobject_cast<QLineEdit *>(widget)) {
        edit->setText(text);
        if (design.align)
            edit->setAlignment(design.align);
    } else if (auto *memo = qobject_cast<QPlainTextEdit *>(widget)) {
        memo->setPlainText(text);
    }
}

} // namespace

void applyDesign(QWidget *widget, const ControlDesign &design)
{
    widget->setObjectName(QLatin1String(design.name));
    widget->setGeometry(design.geometry);
    if (design.fontPx > 0) {
        // Only the size is set; family and weight come from the parent.
        QFont font;
        font.setPixelSize(design.fontPx);
        widget->setFont(font);
    }
    applyText(widget, design);

    // Plain panels are opaque and get the raised bevel of a panel unless flat.
    if (widget->metaObject() == &QFrame::staticMetaObject) {
        auto *frame = static_cast<QFrame *>(widget);
        frame->setAutoFillBackground(true);
        if (design.flags & kFlat)
            frame->setFrameStyle(QFrame::NoFrame);
        else
            frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    }
    if (design.flags & kDisplay) {
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, displayColour());
        palette.setColor(QPalette::WindowText, Qt::black);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    }
    if (design.flags & kNoMouse)
        widget->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (design.flags & kDisabled)
        widget->setEnabled(false);
    if (design.flags & kHidden)
        widget->setVisible(false);
}

} // namespace panel
