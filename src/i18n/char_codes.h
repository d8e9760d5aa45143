#pragma once

#include <QString>

namespace i18n {

// Stored texts never hold raw control characters: each code 1..31 is written as
// '#<code>' (CR LF becomes '#13''#10'), and code 0 is dropped.
QString EncodeControlChars(const QString &text);

// Turns every '#n' group back into its characters just before a text is shown.
// A group may start with one blank after the apostrophe, carry several "#n"
// numbers (each optionally followed by one blank) and may lack the closing
// apostrophe. A group with a number above 65535 is left as written.
QString DecodeCharCodes(const QString &text);

} // namespace i18n
