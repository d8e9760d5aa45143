#pragma once

#include <QChar>
#include <QString>
#include <QStringView>

namespace profiles {

// A field's text with its caret (the number of characters before it).
struct EditedText
{
    QString text;
    int caret = 0;

    bool operator==(const EditedText &) const = default;
};

// The nominal value fields keep digits and one decimal separator, never as
// their first character; everything else is dropped. The caret stays after
// the same kept characters it followed, so typing on in the middle of the
// text goes on where it was.
EditedText filterNumberText(QStringView text, int caret, QChar decimalSeparator);

// A typed tolerance: the same characters as a nominal value, then "%". A text
// without digits becomes "%" alone.
EditedText filterToleranceText(QStringView text, int caret, QChar decimalSeparator);

} // namespace profiles
