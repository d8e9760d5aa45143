#include "app/lang_check.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <cstdio>
#include <cstdlib>
#include <sys/socket.h>
#include <unistd.h>

QString langCheckPathFor(const QString &directory)
{
    return directory + QStringLiteral("/lang/eng.lng");
}

bool langFilePresent(const QString &directory)
{
    // A directory of that name is not a file.
    return QFileInfo(langCheckPathFor(directory)).isFile();
}

namespace {

int g_signalPair[2] = {-1, -1};

void onTerminationSignal(int)
{
    const char byte = 1;
    // Only async-signal-safe work here: wake the event loop.
    if (::write(g_signalPair[0], &byte, 1) < 0) {
    }
}

// While it lives, SIGTERM, SIGINT and SIGHUP call `onSignal` on the GUI thread.
class TerminationWatch
{
public:
    explicit TerminationWatch(const std::function<void()> &onSignal)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPair) != 0)
            return;
        m_notifier = new QSocketNotifier(g_signalPair[1], QSocketNotifier::Read);
        QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, onSignal);
        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int i = 0; i < kSignals; ++i)
            ::sigaction(kWatched[i], &action, &m_previous[i]);
    }

    ~TerminationWatch()
    {
        if (!m_notifier)
            return;
        for (int i = 0; i < kSignals; ++i)
            ::sigaction(kWatched[i], &m_previous[i], nullptr);
        delete m_notifier;
        ::close(g_signalPair[0]);
        ::close(g_signalPair[1]);
        g_signalPair[0] = g_signalPair[1] = -1;
    }

    TerminationWatch(const TerminationWatch &) = delete;
    TerminationWatch &operator=(const TerminationWatch &) = delete;

private:
    static constexpr int kSignals = 3;
    static constexpr int kWatched[kSignals] = {SIGTERM, SIGINT, SIGHUP};
    QSocketNotifier *m_notifier = nullptr;
    struct sigaction m_previous[kSignals] = {};
};

} // namespace

int reportLangFileMissing()
{
    const QString message = QStringLiteral("Lang file is missing");
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Vorlant"), message, QMessageBox::Ok);
    // Watching before the message goes out: whoever reads it may ask the
    // program to end at once, and that request must close the box, not kill
    // the program.
    TerminationWatch watch([&box] { box.reject(); });
    std::fprintf(stderr, "%s\n", qPrintable(message));
    std::fflush(stderr);
    box.exec();
    return EXIT_FAILURE;
}
