#include "app/message_box.h"

#include <QMessageBox>

#include <utility>

namespace app {

namespace {

MessageShower &currentShower()
{
    static MessageShower shower;
    return shower;
}

} // namespace

void showMessage(QWidget *parent, const QString &caption, const QString &text)
{
    // A copy: the shower may replace itself while its box is open.
    if (const MessageShower shower = currentShower()) {
        shower(parent, caption, text);
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
    box.exec();
}

MessageShower setMessageShower(MessageShower shower)
{
    return std::exchange(currentShower(), std::move(shower));
}

} // namespace app
