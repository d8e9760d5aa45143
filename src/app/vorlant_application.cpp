#include "app/vorlant_application.h"

#include "app/message_box.h"

#include <exception>

VorlantApplication::VorlantApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vorlant"));
}

bool VorlantApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        showException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        showException(QStringLiteral("Unknown exception"));
    }
    return false;
}

void VorlantApplication::showException(const QString &text)
{
    try {
        app::showMessage(activeWindow(), applicationName(), text);
    } catch (...) {
        // A box that fails must not take the program down with it.
    }
}
