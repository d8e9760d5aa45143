#pragma once

#include <QApplication>

// The application object. An exception that escapes an event handler ends
// that handler only: its text is shown in the standard error box and the
// program goes on with the next event. Handlers connected through
// panel::atEdge report to the same box.
class VorlantApplication : public QApplication
{
    Q_OBJECT

public:
    VorlantApplication(int &argc, char **argv);
    ~VorlantApplication() override;

    bool notify(QObject *receiver, QEvent *event) override;

    // Shows the error box for a failure that escaped a handler.
    static void showException(const QString &text);
};
