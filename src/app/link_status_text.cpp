#include "app/link_status_text.h"

#include "i18n/designed_lexicon.h"

namespace app {

QString linkStatusText(DongleLink::Status status, const i18n::TDesignedLexicon &Dlang_connect)
{
    switch (status) {
    case DongleLink::Status::Connecting:
        return Dlang_connect.GetItem(2);
    case DongleLink::Status::NoConnection:
        return QStringLiteral("NN ") + Dlang_connect.GetItem(3);
    case DongleLink::Status::Connected:
        return Dlang_connect.GetItem(4);
    case DongleLink::Status::Disconnected:
        return Dlang_connect.GetItem(5);
    case DongleLink::Status::Ok:
        return QStringLiteral("OK");
    }
    return {};
}

} // namespace app
