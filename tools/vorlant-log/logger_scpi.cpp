#include "logger_scpi.h"

namespace vorlantlog {

LoggerScpi::LoggerScpi(MeterLogger &logger)
    : m_access(remote::MeterAccess::Hooks{
          [&logger] { return logger.acceptsSettings(); },
          [&logger] { return logger.settingsRecord(); },
          [&logger](const protocol::MeterSettings &settings) { return logger.sendSettings(settings); },
      })
    , m_server(m_access, remote::ScpiIdentity{})
{
    QObject::connect(&logger, &MeterLogger::rlcReading, &m_access, &remote::MeterAccess::takeReading);
    QObject::connect(&logger, &MeterLogger::linkLost, &m_access, &remote::MeterAccess::takeLinkLoss);
}

bool LoggerScpi::listen(const QString &address, const MeterLogger::Report &report, bool verbose, QString *error)
{
    QString why;
    if (!m_server.listen(address, &why)) {
        *error = QStringLiteral("cannot listen on %1: %2").arg(address, why);
        return false;
    }
    report(QStringLiteral("SCPI: listening on %1").arg(m_server.address()));
    if (verbose) {
        QObject::connect(&m_server, &remote::ScpiServer::clientArrived, &m_server,
                         [report](const QString &peer) { report(QStringLiteral("SCPI: client %1 arrived").arg(peer)); });
        QObject::connect(&m_server, &remote::ScpiServer::clientLeft, &m_server,
                         [report](const QString &peer) { report(QStringLiteral("SCPI: client %1 left").arg(peer)); });
    }
    QObject::connect(&m_server, &remote::ScpiServer::clientRefused, &m_server, [report](const QString &peer) {
        report(QStringLiteral("SCPI: client %1 refused: %2 clients at most").arg(peer).arg(remote::ScpiServer::kMaxClients));
    });
    return true;
}

} // namespace vorlantlog
