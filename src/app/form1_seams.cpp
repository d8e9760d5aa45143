// Steps of the window that belong to features still to come. Each is called
// where and when its feature needs it; until the feature exists it does
// nothing and reports nothing.

#include "app/form1.h"

// Localization: gives the language engine its default language, "English".
void TForm1::setDefaultLanguage() {}

// Settings file: reads the stored profile path, language and auto option;
// true when a settings file was read. No settings file is read yet.
bool TForm1::loadSettings()
{
    return false;
}

// Settings file: stores the auto option.
void TForm1::storeAutoConnect(bool) {}

// Measurement log: empties the log and puts the single-part headers back.
void TForm1::showSinglePartHeaders() {}

// Tolerance check: the verdict on the last RLCD reading (0 pass). No verdict
// exists yet, so the display keeps its colour.
std::optional<std::int32_t> TForm1::judgeReading()
{
    return std::nullopt;
}

// Measurement log: writes the reading just shown as a row.
void TForm1::appendLogRow() {}
