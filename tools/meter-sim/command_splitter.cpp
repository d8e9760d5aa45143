#include "command_splitter.h"

#include <algorithm>
#include <cstring>

namespace metersim {

namespace {

constexpr char kConnect[] = "AT+CONNL";
constexpr std::size_t kConnectSize = sizeof(kConnect) - 1;
constexpr std::size_t kBinarySize = 5;
constexpr std::uint8_t kTerminator = 0x0A;
constexpr std::uint8_t kBrightnessOff = 0x40;

bool isSettingsLead(std::uint8_t b)
{
    return (b & ~kBrightnessOff) == 0x01;
}

bool isModeLead(std::uint8_t b)
{
    const int rest = b & ~kBrightnessOff;
    return rest >= 0x81 && rest <= 0x83;
}

void append(std::vector<ReceivedCommand> &out, ReceivedCommand::Kind kind, const std::uint8_t *data, std::size_t n)
{
    const auto *chars = reinterpret_cast<const char *>(data);
    // Consecutive dropped bytes are reported as one piece.
    if (kind == ReceivedCommand::Kind::Garbage && !out.empty() && out.back().kind == kind) {
        out.back().bytes.append(chars, qsizetype(n));
        return;
    }
    out.push_back({kind, QByteArray(chars, qsizetype(n))});
}

} // namespace

std::vector<ReceivedCommand> CommandSplitter::feed(std::span<const std::uint8_t> bytes, Clock::time_point now)
{
    std::vector<ReceivedCommand> out;
    if (bytes.empty())
        return out;
    m_lastByte = now;
    // Cut as we go so the buffer never grows past one partial command.
    for (std::uint8_t b : bytes) {
        m_buffer.push_back(b);
        cut(false, out);
    }
    return out;
}

std::vector<ReceivedCommand> CommandSplitter::expire(Clock::time_point now)
{
    std::vector<ReceivedCommand> out;
    if (!m_buffer.empty() && now - m_lastByte >= kQuietTime)
        cut(true, out);
    return out;
}

std::optional<Clock::time_point> CommandSplitter::deadline() const
{
    if (m_buffer.empty())
        return std::nullopt;
    return m_lastByte + kQuietTime;
}

void CommandSplitter::cut(bool final, std::vector<ReceivedCommand> &out)
{
    using Kind = ReceivedCommand::Kind;
    std::size_t pos = 0;
    auto consume = [&](Kind kind, std::size_t n) {
        append(out, kind, m_buffer.data() + pos, n);
        pos += n;
    };

    while (pos < m_buffer.size()) {
        const std::uint8_t *p = m_buffer.data() + pos;
        const std::size_t left = m_buffer.size() - pos;

        if (p[0] == 'A' && (left < 2 || p[1] == 'T')) {
            if (left < 2) {
                if (!final)
                    break;
                consume(Kind::Garbage, 1);
                continue;
            }
            if (left == 2) {
                if (!final)
                    break;
                consume(Kind::At, 2);
                continue;
            }
            if (p[2] != '+') {
                consume(Kind::At, 2);
                continue;
            }
            const std::size_t n = std::min(left, kConnectSize);
            const auto mismatch = std::mismatch(p, p + n, kConnect);
            const std::size_t matched = std::size_t(mismatch.first - p);
            if (matched == kConnectSize) {
                consume(Kind::ConnectRequest, kConnectSize);
            } else if (matched < n) {
                // "AT+" then something else: drop what matched, look again
                // from the byte that did not.
                consume(Kind::Garbage, matched);
            } else if (final) {
                consume(Kind::Garbage, left);
            } else {
                break;
            }
            continue;
        }

        if (isSettingsLead(p[0]) || isModeLead(p[0])) {
            if (left < kBinarySize) {
                if (!final)
                    break;
                consume(Kind::Garbage, 1);
                continue;
            }
            const bool settings = isSettingsLead(p[0]);
            const bool ends = p[4] == kTerminator;
            const bool modeBody = p[1] == 1 && p[2] == 1 && p[3] == 1;
            if (ends && (settings || modeBody))
                consume(settings ? Kind::Settings : Kind::Mode, kBinarySize);
            else
                consume(Kind::Garbage, 1);
            continue;
        }

        consume(Kind::Garbage, 1);
    }
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + std::ptrdiff_t(pos));
}

} // namespace metersim
