#include "app/scpi_front.h"

namespace {

i18n::TDesignedLexicon makeScpiLexicon()
{
    return i18n::TDesignedLexicon(QStringLiteral("Dscpi"), QStringLiteral("Form1"),
                                  {
                                      QStringLiteral("SCPI: ожидание клиентов на %1"),
                                      QStringLiteral("SCPI: клиент %1 подключился"),
                                      QStringLiteral("SCPI: клиент %1 отключился"),
                                      QStringLiteral("SCPI: клиент %1 отклонён, клиентов не более %2"),
                                      QStringLiteral("SCPI: не удалось открыть %1: %2"),
                                  });
}

} // namespace

ScpiFront::ScpiFront(remote::MeterAccess::Hooks hooks, std::function<void(const QString &)> say, QObject *parent)
    : QObject(parent)
    , Dscpi(makeScpiLexicon())
    , m_say(std::move(say))
    , m_meter(std::move(hooks))
    , m_server(m_meter, remote::ScpiIdentity{})
{
    connect(&m_server, &remote::ScpiServer::clientArrived, this,
            [this](const QString &peer) { m_say(Dscpi.GetItem(Arrived).arg(peer)); });
    connect(&m_server, &remote::ScpiServer::clientLeft, this,
            [this](const QString &peer) { m_say(Dscpi.GetItem(Left).arg(peer)); });
    connect(&m_server, &remote::ScpiServer::clientRefused, this, [this](const QString &peer) {
        m_say(Dscpi.GetItem(Refused).arg(peer).arg(remote::ScpiServer::kMaxClients));
    });
}

bool ScpiFront::listen(const QString &address)
{
    QString why;
    if (!m_server.listen(address, &why)) {
        m_say(Dscpi.GetItem(CannotListen).arg(address, why));
        return false;
    }
    m_say(Dscpi.GetItem(Listening).arg(m_server.address()));
    return true;
}
