#include "remote/scpi_status.h"

namespace remote {

QString scpiErrorText(ScpiError error)
{
    switch (error) {
    case ScpiError::None: return QStringLiteral("No error");
    case ScpiError::Command: return QStringLiteral("Command error");
    case ScpiError::Syntax: return QStringLiteral("Syntax error");
    case ScpiError::DataType: return QStringLiteral("Data type error");
    case ScpiError::ParameterNotAllowed: return QStringLiteral("Parameter not allowed");
    case ScpiError::MissingParameter: return QStringLiteral("Missing parameter");
    case ScpiError::UndefinedHeader: return QStringLiteral("Undefined header");
    case ScpiError::InvalidSuffix: return QStringLiteral("Invalid suffix");
    case ScpiError::Execution: return QStringLiteral("Execution error");
    case ScpiError::DataOutOfRange: return QStringLiteral("Data out of range");
    case ScpiError::TooMuchData: return QStringLiteral("Too much data");
    case ScpiError::IllegalParameterValue: return QStringLiteral("Illegal parameter value");
    case ScpiError::DataStale: return QStringLiteral("Data stale");
    case ScpiError::QueueOverflow: return QStringLiteral("Queue overflow");
    case ScpiError::QueryInterrupted: return QStringLiteral("Query INTERRUPTED");
    case ScpiError::QueryUnterminated: return QStringLiteral("Query UNTERMINATED");
    }
    return QStringLiteral("Error");
}

QByteArray ScpiErrorEntry::toAnswer() const
{
    QString text = scpiErrorText(error);
    if (!detail.isEmpty())
        text += QLatin1Char(';') + detail;
    // A quote inside a string is doubled.
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QByteArray::number(int(error)) + ",\"" + text.toUtf8() + '"';
}

void ScpiStatus::push(ScpiError error, const QString &detail)
{
    const int code = int(error);
    if (code <= -100 && code > -200)
        m_events |= kCommandError;
    else if (code <= -200 && code > -300)
        m_events |= kExecutionError;
    else if (code <= -300 && code > -400)
        m_events |= kDeviceError;
    else if (code <= -400 && code > -500)
        m_events |= kQueryError;

    if (int(m_queue.size()) >= kQueueSize) {
        // The newest entry gives way to -350; after that errors are lost until the queue is read.
        if (m_queue.back().error != ScpiError::QueueOverflow) {
            m_queue.back() = {ScpiError::QueueOverflow, {}};
            m_events |= kDeviceError;
        }
        return;
    }
    m_queue.push_back({error, detail});
}

ScpiErrorEntry ScpiStatus::next()
{
    if (m_queue.empty())
        return {};
    ScpiErrorEntry entry = m_queue.front();
    m_queue.pop_front();
    return entry;
}

void ScpiStatus::clear()
{
    m_queue.clear();
    m_events = 0;
}

std::uint8_t ScpiStatus::takeEvents()
{
    const std::uint8_t events = m_events;
    m_events = 0;
    return events;
}

std::uint8_t ScpiStatus::statusByte() const
{
    std::uint8_t stb = 0;
    if (!m_queue.empty())
        stb |= kErrorAvailable;
    if (m_events & m_eventEnable)
        stb |= kEventSummary;
    if (stb)
        stb |= kServiceSummary;
    return stb;
}

} // namespace remote
