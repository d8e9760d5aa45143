#include "profiles/text_filters.h"

#include <algorithm>

namespace profiles {

EditedText filterNumberText(QStringView text, int caret, QChar decimalSeparator)
{
    caret = std::clamp(caret, 0, int(text.size()));
    EditedText out;
    bool separatorKept = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        bool keep = c >= QLatin1Char('0') && c <= QLatin1Char('9');
        // Judged by its place in the text as typed, not in the kept text.
        if (c == decimalSeparator && i > 0 && !separatorKept) {
            keep = true;
            separatorKept = true;
        }
        if (!keep)
            continue;
        out.text += c;
        if (i < caret)
            ++out.caret;
    }
    return out;
}

EditedText filterToleranceText(QStringView text, int caret, QChar decimalSeparator)
{
    EditedText out = filterNumberText(text, caret, decimalSeparator);
    out.text += QLatin1Char('%');
    return out;
}

} // namespace profiles
