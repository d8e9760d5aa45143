// The nominal value and tolerance fields: the text as typed (UTF-8 input
// after two bytes choosing the caret and the decimal separator) through the
// typing filters, and the field texts through the readers the judgement uses.
// Each result is checked against what the fields promise.

#include "profiles/text_filters.h"
#include "profiles/tolerance_check.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>

namespace {

// What a nominal value field may hold: digits and at most one separator (it
// may come first when what was typed before it was dropped); the caret
// within the text.
void checkKept(const profiles::EditedText &edited, QStringView kept, QChar separator)
{
    if (edited.caret < 0 || edited.caret > edited.text.size())
        std::abort();
    if (kept.count(separator) > 1)
        std::abort();
    for (const QChar c : kept)
        if (c != separator && !c.isDigit())
            std::abort();
}

// A number read from a field is a number: no infinity or NaN reaches the judgement.
void checkFinite(std::optional<double> value)
{
    if (value && !std::isfinite(*value))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const QChar separator = (data[0] & 1) ? QLatin1Char(',') : QLatin1Char('.');
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    const int caret = int(data[1]) - 8; // a few below zero: the filter holds the caret to the text

    const profiles::EditedText number = profiles::filterNumberText(text, caret, separator);
    checkKept(number, number.text, separator);
    const profiles::EditedText tolerance = profiles::filterToleranceText(text, caret, separator);
    if (!tolerance.text.endsWith(QLatin1Char('%')))
        std::abort();
    checkKept(tolerance, QStringView(tolerance.text).chopped(1), separator);

    checkFinite(profiles::readDecimal(text, separator));
    checkFinite(profiles::readToleranceRule(text, separator).percent);
    checkFinite(profiles::readToleranceRule(tolerance.text, separator).percent);
    return 0;
}
