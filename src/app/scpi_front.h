#pragma once

// vorlant --serve: the SCPI server speaking for the window's link, and what
// the window says about it in Memo1 (the server listening, each client's
// arrival and departure), in the language in effect.

#include "i18n/designed_lexicon.h"
#include "remote/meter_access.h"
#include "remote/scpi_server.h"

#include <QObject>

#include <functional>

class ScpiFront : public QObject
{
    Q_OBJECT

public:
    enum Text { Listening, Arrived, Left, Refused, CannotListen };

    // `say` writes a line where the link's news go.
    ScpiFront(remote::MeterAccess::Hooks hooks, std::function<void(const QString &)> say, QObject *parent = nullptr);

    // Texts of the server's lines ("Form1.Dscpi" in a language file).
    i18n::TDesignedLexicon Dscpi;

    // Listens on "[HOST:]PORT" and says so, or says why not.
    bool listen(const QString &address);
    QString address() const { return m_server.address(); }
    bool listening() const { return m_server.listening(); }

    remote::MeterAccess &meter() { return m_meter; }

private:
    std::function<void(const QString &)> m_say;
    remote::MeterAccess m_meter;
    remote::ScpiServer m_server;
};
