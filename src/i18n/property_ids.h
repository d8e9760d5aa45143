#pragma once

#include <QtGlobal>

namespace i18n {

// Which property of a control a language file line translates: a category
// base plus the property's place in its category. Only the identifiers the
// window uses are named; the numbers of the others stay free as they are.
enum PropertyID : quint16 {
    // Single texts, base 0.
    pnCaption = 0,
    pnHint = 1,
    pnTextHint = 2,
    pnEditLabelHint = 3,
    pnEditLabelCaption = 4,
    pnText = 5,
    pnTitle = 6,
    pnValueName = 7,
    pnHelpKeyword = 8,
    pnBalloonHint = 9,
    pnBalloonTitle = 10,
    pnSimpleText = 11,
    // Lists of texts, base 32.
    pnLines = 32,
    pnItems = 33,
    // Structured properties, base 64 (none on this window).
    pnPanels = 64,
    // Other properties, base 96.
    pnFilter = 96,
};

} // namespace i18n
