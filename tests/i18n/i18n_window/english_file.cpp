#include "english_file.h"

#include "app/form1.h"
#include "i18n/lang_man_client.h"

WindowTexts captureWindowTexts()
{
    Form1Options options;
    options.finderLibrary = QStringLiteral("/nonexistent/libportvane.so");
    TForm1 form(options);
    WindowTexts texts;
    for (const auto &[key, line] : form.LangManClient1->DesignTexts())
        texts.properties.emplace(key, line);
    // Every lexicon that asks the engine, the window's seven and any a feature adds.
    for (const i18n::TDesignedLexicon *lexicon : form.LangMan->Lexicons()) {
        QMap<int, QString> items;
        for (int i = 0; i < lexicon->count(); ++i) {
            if (lexicon->IsDefined(i))
                items.insert(i, lexicon->GetLocStr(i));
        }
        texts.lexicons.append({lexicon->LexiconFullName(), items});
    }
    return texts;
}

QString sourceLangFile()
{
    return qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/lang/eng.lng");
}
