#include "remote/scpi_session.h"

#include "remote/scpi_parser.h"

namespace remote {

ScpiSession::ScpiSession(MeterAccess &meter, const ScpiIdentity &identity, QObject *parent)
    : QObject(parent)
    , m_meter(meter)
    , m_identity(identity)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ScpiSession::onTimeout);
    connect(&m_meter, &MeterAccess::readingArrived, this, &ScpiSession::onReading);
    connect(&m_meter, &MeterAccess::linkLost, this, &ScpiSession::onLinkLost);
}

void ScpiSession::execute(QByteArrayView line)
{
    if (m_waiting) {
        m_waiting = false;
        m_timer.stop();
        push(ScpiError::QueryInterrupted);
    }
    ScpiMessage message = parseScpiMessage(line);
    m_commands = std::move(message.commands);
    m_trailingError = message.error;
    m_trailingDetail = message.detail;
    m_next = 0;
    m_prefix.clear();
    m_answers.clear();
    run();
}

void ScpiSession::report(ScpiError error, const QString &detail)
{
    push(error, detail);
}

void ScpiSession::push(ScpiError error, const QString &detail)
{
    m_status.push(error, detail);
    emit errorQueued(int(error), ScpiErrorEntry{error, detail}.toAnswer());
}

void ScpiSession::run()
{
    CommandContext context{m_meter, m_status, m_identity, m_timeoutMs, m_answers};
    for (; m_next < m_commands.size(); ++m_next) {
        const ScpiCommand &command = m_commands[m_next];
        const CommandEntry *entry = findCommand(command, m_prefix);
        if (!entry) {
            // The rest of the message may depend on this one: none of it runs.
            push(ScpiError::UndefinedHeader, command.nodes.join(QLatin1Char(':')));
            m_trailingError = ScpiError::None;
            m_next = m_commands.size();
            break;
        }
        if (!command.common) {
            // A following command without a leading ':' may continue from here.
            m_prefix = command.nodes;
            m_prefix.removeLast();
        }
        const Outcome outcome = (command.query ? entry->query : entry->set)(context, command);
        if (outcome == Outcome::AwaitReading) {
            m_waiting = true;
            m_timer.start(m_timeoutMs);
            return;
        }
    }
    if (m_trailingError != ScpiError::None) {
        push(m_trailingError, m_trailingDetail);
        m_trailingError = ScpiError::None;
    }
    m_commands.clear();
    if (!m_answers.isEmpty()) {
        const QByteArray line = m_answers.join(';') + '\n';
        m_answers.clear();
        emit answerReady(line);
    }
    emit messageDone();
}

void ScpiSession::resume()
{
    m_waiting = false;
    m_timer.stop();
    ++m_next;
    run();
}

void ScpiSession::onReading()
{
    if (!m_waiting)
        return;
    m_answers.append(fetchAnswer(m_meter));
    resume();
}

void ScpiSession::onLinkLost()
{
    if (!m_waiting)
        return;
    push(ScpiError::Execution, QStringLiteral("No meter linked"));
    resume();
}

void ScpiSession::onTimeout()
{
    if (!m_waiting)
        return;
    push(ScpiError::DataStale, QStringLiteral("no fresh reading in time"));
    resume();
}

} // namespace remote
