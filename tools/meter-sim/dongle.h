#pragma once

#include "command_splitter.h"

#include <QByteArray>

#include <chrono>
#include <optional>

namespace metersim {

// How connection attempts end when they are made to fail.
enum class ConnectFailure {
    None,
    NotFound, // "OK+CONNL", then after the connect delay "OK+CONNF"
    Error,    // "OK+CONNE" at once
    NoAddress // "OK+CONNN" at once
};

struct DongleConfig
{
    std::chrono::milliseconds connectDelay{300};
    ConnectFailure failure = ConnectFailure::None;
    int failCount = 0; // attempts that fail before one succeeds; 0 = every attempt
};

// The Bluetooth dongle's side of the text protocol. Replies are returned, not
// written: the caller queues them so each goes out as its own write.
//   idle:       "AT" -> "OK";  "AT+CONNL" -> "OK+CONNL", a moment later "OK+CONN\r\n"
//   connecting: "AT" cancels the attempt -> "OK"; "AT+CONNL" is ignored
//   linked:     "AT" drops the link -> "OK+LOST"; "AT+CONNL" is ignored
class Dongle
{
public:
    enum class State { Idle, Connecting, Linked };

    explicit Dongle(DongleConfig config = {}) : m_config(config) {}

    QByteArray onAt();
    QByteArray onConnectRequest(Clock::time_point now);
    // When onDeadline() must run (the end of a connection attempt).
    std::optional<Clock::time_point> deadline() const;
    // Ends the pending attempt: "OK+CONN\r\n" (now linked) or "OK+CONNF".
    QByteArray onDeadline();
    // Pulled out of the USB socket: every state is lost.
    void unplug();

    State state() const { return m_state; }
    bool linked() const { return m_state == State::Linked; }

private:
    bool attemptFails();

    DongleConfig m_config;
    State m_state = State::Idle;
    std::optional<Clock::time_point> m_attemptEnds;
    bool m_attemptFails = false;
    int m_failed = 0;
};

} // namespace metersim
