#pragma once

// The link's status lines as the window writes them into Memo1: the link
// names a status, the lexicon Dlang_connect words it.

#include "link/dongle_link.h"

#include <QString>

namespace i18n {
class TDesignedLexicon;
}

namespace app {

// The text of a status line in the language in effect.
QString linkStatusText(DongleLink::Status status, const i18n::TDesignedLexicon &Dlang_connect);

} // namespace app
