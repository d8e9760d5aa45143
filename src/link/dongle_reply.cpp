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
    if (text == QLatin1String("OK+CONN\r\n")
        || (text.size() >= 18 && text.startsWith(kLinkUpPrefix)))
        return DongleRead::LinkUp;
    if (text == QLatin1String("OK+LOST"))
        return DongleRead::LinkLost;
    if (text == QLatin1String("OK"))
        return DongleRead::Ok;
    if (text.size() != qsizetype(protocol::MeterFrame::kSize))
        return DongleRead::Garbage;
    return holdFrames ? DongleRead::HeldFrame : DongleRead::Frame;
}
