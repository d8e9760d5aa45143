// The nominal value and tolerance fields: the text as typed (UTF-8 input
// after two bytes choosing the caret and the decimal separator) through the
// typing filters, and the field texts through the readers the judgement uses.

#include "profiles/text_filters.h"
#include "profiles/tolerance_check.h"

#include <QString>

#include <cstdint>
#include <cstdlib>

namespace {

void checkCaret(const profiles::EditedText &edited)
{
    if (edited.caret < 0 || edited.caret > edited.text.size())
        std::abort(); // the field would place its caret outside the text
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const QChar separator = (data[0] & 1) ? QLatin1Char(',') : QLatin1Char('.');
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const int caret = int(data[1]) - 8; // a few below zero: the filter holds the caret to the text

    checkCaret(profiles::filterNumberText(text, caret, separator));
    const profiles::EditedText tolerance = profiles::filterToleranceText(text, caret, separator);
    checkCaret(tolerance);

    profiles::readDecimal(text, separator);
    profiles::readToleranceRule(text, separator);
    profiles::readToleranceRule(tolerance.text, separator);
    return 0;
}
