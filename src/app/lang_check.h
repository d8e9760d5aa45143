#pragma once

#include <QString>

// The program starts only when a language file "lang/eng.lng" lies below the
// directory it was started from (not the program's own folder).
QString langCheckPathFor(const QString &directory);
bool langFilePresent(const QString &directory);

// Shows "Lang file is missing" in a modal box (and on standard error) and
// returns the program's exit status. A termination request closes the box, so
// the program still ends with that status.
int reportLangFileMissing();
