#pragma once

#include <QByteArray>

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace metersim {

using Clock = std::chrono::steady_clock;

// One unit cut from the byte stream the program writes to the dongle.
struct ReceivedCommand
{
    enum class Kind {
        At,             // "AT"
        ConnectRequest, // "AT+CONNL"
        Settings,       // 5-byte settings command (lead 0x01 / 0x41)
        Mode,           // 5-byte mode command (lead 0x81..0x83 / 0xC1..0xC3, then 01 01 01)
        Garbage,        // bytes that start no command; dropped
    };
    Kind kind;
    QByteArray bytes;

    bool operator==(const ReceivedCommand &) const = default;
};

// Cuts the stream into commands. The program sends its text commands bare
// ("AT", "AT+CONNL", no line end) and its binary commands as five bytes ending
// in 0x0A, each in one write, but a pty may still deliver a write in pieces or
// two writes together. So:
//  - "AT+CONNL" is recognised as soon as its eighth byte arrives;
//  - "AT" followed by anything but "+" is an "AT" at once; "AT" alone at the
//    end of the buffer is an "AT" after a quiet time with no further byte
//    (it might still become "AT+CONNL");
//  - a binary command is five bytes from a valid lead byte with 0x0A last;
//  - anything else is dropped one byte at a time, so the cut re-aligns on the
//    next command; an incomplete command that stays incomplete for the quiet
//    time is dropped too. At most seven bytes are ever held.
// A settings command with brightness off starts with 0x41, which is "A": when
// "T" follows it is read as text (the program never sends frequency code 20,
// the only settings byte 1 equal to "T").
class CommandSplitter
{
public:
    static constexpr std::chrono::milliseconds kQuietTime{30};

    // Appends received bytes and returns every command now complete.
    std::vector<ReceivedCommand> feed(std::span<const std::uint8_t> bytes, Clock::time_point now);
    // Resolves what is held once the quiet time has passed since the last byte.
    std::vector<ReceivedCommand> expire(Clock::time_point now);
    // When expire() has work to do; nullopt while nothing is held.
    std::optional<Clock::time_point> deadline() const;
    std::size_t held() const { return m_buffer.size(); }
    void clear() { m_buffer.clear(); }

private:
    void cut(bool final, std::vector<ReceivedCommand> &out);

    std::vector<std::uint8_t> m_buffer;
    Clock::time_point m_lastByte{};
};

} // namespace metersim
