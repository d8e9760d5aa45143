#include "app/vorlant_application.h"

#include "app/message_box.h"
#include "panel/handler_edge.h"

VorlantApplication::VorlantApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vorlant"));
    panel::setFailureReport(&VorlantApplication::showException);
}

VorlantApplication::~VorlantApplication()
{
    panel::setFailureReport(nullptr);
}

bool VorlantApplication::notify(QObject *receiver, QEvent *event)
{
    // The last resort: handlers connected to widgets end their failures at
    // their own edge (panel::atEdge); this catches what other handlers let through.
    bool handled = false;
    panel::runAtEdge([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void VorlantApplication::showException(const QString &text)
{
    try {
        app::showMessage(activeWindow(), applicationName(), text);
    } catch (...) {
        // A box that fails must not take the program down with it.
    }
}
