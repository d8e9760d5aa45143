// Steps of the window that belong to features still to come. Each is called
// where and when its feature needs it; until the feature exists it does
// nothing and reports nothing.

#include "app/form1.h"

// Localization: gives the language engine its default language, "English".
void TForm1::setDefaultLanguage() {}

// Tolerance check: the verdict on the last RLCD reading (0 pass). No verdict
// exists yet, so the display keeps its colour.
std::optional<std::int32_t> TForm1::judgeReading()
{
    return std::nullopt;
}

// Profiles: lists the open profile's line names in CBox6 and applies line 1
// to the editor and the meter.
void TForm1::fillLineNames() {}
