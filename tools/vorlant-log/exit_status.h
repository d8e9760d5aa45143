#pragma once

namespace vorlantlog {

// The program's exit statuses; scripts rely on them, so their numbers never change.
enum class ExitStatus : int {
    Ok = 0,
    Internal = 1,          // an unexpected failure
    BadArguments = 2,      // including a profile that cannot be used
    NoDongle = 3,          // no dongle found
    NoAnswer = 4,          // the dongle did not answer
    LinkFailed = 5,        // the link to the meter was refused, not made in time, or lost
    OutputNotWritable = 6,
    Rejected = 7,          // readings were rejected, with --fail-on-reject
    BrokerRefused = 8,     // the MQTT broker refused the credentials
    BrokerTls = 9,         // TLS to the MQTT broker could not be set up
    SortedOut = 10,        // readings went to OUT, with --fail-on-out
};

inline int code(ExitStatus status)
{
    return static_cast<int>(status);
}

} // namespace vorlantlog
