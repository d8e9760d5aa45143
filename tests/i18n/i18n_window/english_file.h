#pragma once

// What lang/eng.lng must hold: every text the window's client captures and
// every defined item of the window's lexicons, by key. Shared by the test of
// the file and by its update.

#include "i18n/lang_core_data.h"

#include <QString>
#include <QStringList>

#include <map>

struct WindowTexts
{
    // LineID -> design text, in the key order the writer uses.
    std::map<QString, i18n::TFullStructLine> properties;
    // Lexicon full name -> item number -> design text, lexicons in window order.
    QList<QPair<QString, QMap<int, QString>>> lexicons;
};

// Builds the main window in its design language (no language files, no
// settings file, no port finder) and reads what it would translate.
WindowTexts captureWindowTexts();

QString sourceLangFile(); // lang/eng.lng of the source tree
