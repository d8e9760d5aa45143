#pragma once

// Records what a port raises, in order, as short words: "BeforeOpen",
// "AfterOpen", "BeforeClose", "AfterClose", "CTS0"/"CTS1", "DSR0", "RLSD0",
// "E<code>" for OnException. Failures keep their full arguments.

#include "link/com_port.h"

#include <QList>
#include <QStringList>

struct PortEvents {
    struct Failure {
        TComExceptions kind;
        QString message;
        qint64 winError;
        QString winMessage;
    };

    QStringList log;
    QList<Failure> failures;

    // Hooks every event but OnRxChar; withException=false leaves OnException
    // unassigned so failures are thrown.
    void attach(TCustomComPort &port, bool withException = true);
    // Codes of the failures so far, e.g. {1, 9, 7, 8, 11}.
    QList<int> codes() const;
    void clear();
};
