#pragma once

// What a SCPI client can learn about its own commands: the error queue read
// by SYSTem:ERRor?, and the standard event status register (*ESR?, *ESE)
// with the status byte built from them (*STB?). Each client has its own, so
// one script never reads another's errors.

#include <QString>

#include <cstdint>
#include <deque>

namespace remote {

// The codes this server reports; the texts are the standard ones.
enum class ScpiError : int {
    None = 0,
    Command = -100,
    Syntax = -102,
    DataType = -104,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    InvalidSuffix = -131,
    Execution = -200,
    DataOutOfRange = -222,
    TooMuchData = -223,
    IllegalParameterValue = -224,
    DataStale = -230,
    QueueOverflow = -350,
    QueryInterrupted = -410,
    QueryUnterminated = -420,
};

// "No error", "Undefined header", ...
QString scpiErrorText(ScpiError error);

struct ScpiErrorEntry
{
    ScpiError error = ScpiError::None;
    QString detail; // after the standard text, separated by ';'

    // The answer to SYSTem:ERRor?: -113,"Undefined header"
    QByteArray toAnswer() const;
};

class ScpiStatus
{
public:
    static constexpr int kQueueSize = 20;

    // Event status register bits.
    static constexpr std::uint8_t kOperationComplete = 0x01;
    static constexpr std::uint8_t kQueryError = 0x04;
    static constexpr std::uint8_t kDeviceError = 0x08;
    static constexpr std::uint8_t kExecutionError = 0x10;
    static constexpr std::uint8_t kCommandError = 0x20;
    // Status byte bits.
    static constexpr std::uint8_t kErrorAvailable = 0x04;
    static constexpr std::uint8_t kEventSummary = 0x20;
    static constexpr std::uint8_t kServiceSummary = 0x40;

    // Queues the error and sets its class's event bit. An error that finds
    // the queue full replaces its newest entry by -350; later ones are lost
    // until it is read.
    void push(ScpiError error, const QString &detail = {});
    // The oldest entry, removed; "0,No error" when the queue is empty.
    ScpiErrorEntry next();
    int count() const { return int(m_queue.size()); }

    // *CLS: the queue and the event register.
    void clear();
    void setOperationComplete() { m_events |= kOperationComplete; }
    // *ESR?: read and cleared.
    std::uint8_t takeEvents();
    std::uint8_t events() const { return m_events; }
    void setEventEnable(std::uint8_t mask) { m_eventEnable = mask; }
    std::uint8_t eventEnable() const { return m_eventEnable; }
    // *STB?: error available, event summary and the summary of both.
    std::uint8_t statusByte() const;

private:
    std::deque<ScpiErrorEntry> m_queue;
    std::uint8_t m_events = 0;
    std::uint8_t m_eventEnable = 0;
};

} // namespace remote
