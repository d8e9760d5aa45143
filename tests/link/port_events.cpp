#include "port_events.h"

void PortEvents::attach(TCustomComPort &port, bool withException)
{
    const auto note = [this](const QString &word) { return [this, word](TCustomComPort *) { log << word; }; };
    port.OnBeforeOpen = note(QStringLiteral("BeforeOpen"));
    port.OnAfterOpen = note(QStringLiteral("AfterOpen"));
    port.OnBeforeClose = note(QStringLiteral("BeforeClose"));
    port.OnAfterClose = note(QStringLiteral("AfterClose"));
    const auto line = [this](const QString &name) {
        return [this, name](TCustomComPort *, bool on) { log << name + (on ? QLatin1Char('1') : QLatin1Char('0')); };
    };
    port.OnCTSChange = line(QStringLiteral("CTS"));
    port.OnDSRChange = line(QStringLiteral("DSR"));
    port.OnRLSDChange = line(QStringLiteral("RLSD"));
    if (withException) {
        port.OnException = [this](TCustomComPort *, TComExceptions kind, const QString &message, qint64 winError,
                                  const QString &winMessage) {
            log << QStringLiteral("E%1").arg(int(kind) + 1);
            failures.append({kind, message, winError, winMessage});
        };
    } else {
        port.OnException = nullptr;
    }
}

QList<int> PortEvents::codes() const
{
    QList<int> out;
    for (const Failure &f : failures)
        out << int(f.kind) + 1;
    return out;
}

void PortEvents::clear()
{
    log.clear();
    failures.clear();
}
