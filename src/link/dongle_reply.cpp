#include "link/dongle_reply.h"

#include "protocol/meter_frame.h"

DongleRead classifyDongleRead(const QString &text, bool holdFrames)
{
    static const QString kLinkUpPrefix = QStringLiteral("OK+CONNLOK+CONN\r\n");

    if (text == QLatin1String("OK+CONNL"))
        return DongleRead::Connecting;
    if (text == QLatin1String("OK+CONNE") || text == QLatin1String("OK+CONNF")
        || text == QLatin1String("OK+CONNEOK+CONNF"))
        return DongleRead::AttemptEnded;
    if (text == QLatin1String("OK+CONNN"))
        return DongleRead::NoConnection;
    // The prefix alone (17 bytes) is not enough: something must follow it.
    if (text == QLatin1String(kLinkUpReply)
        || (text.size() >= 18 && text.startsWith(kLinkUpPrefix)))
        return DongleRead::LinkUp;
    if (text.startsWith(QLatin1String(kLinkUpReply))
        && !framesOfRead(text.mid(qsizetype(sizeof kLinkUpReply) - 1).toLatin1()).empty())
        return DongleRead::LinkUpThenFrames;
    if (text == QLatin1String("OK+LOST"))
        return DongleRead::LinkLost;
    if (text == QLatin1String("OK"))
        return DongleRead::Ok;
    if (framesOfRead(text.toLatin1()).empty())
        return DongleRead::Garbage;
    return holdFrames ? DongleRead::HeldFrame : DongleRead::Frame;
}

std::vector<protocol::MeterFrame> framesOfRead(const QByteArray &bytes)
{
    using protocol::MeterFrame;
    constexpr qsizetype size = MeterFrame::kSize;
    std::vector<MeterFrame> frames;
    if (bytes.isEmpty() || bytes.size() % size != 0)
        return frames;
    // One read of 18 bytes is a frame whatever its end marks (the dispatch
    // drops a bad one); several only when each one carries them.
    const bool single = bytes.size() == size;
    for (qsizetype at = 0; at < bytes.size(); at += size) {
        const auto frame = MeterFrame::fromBytes(bytes.mid(at, size));
        if (!frame || (!single && !frame->hasValidTrailer()))
            return {};
        frames.push_back(*frame);
    }
    return frames;
}
