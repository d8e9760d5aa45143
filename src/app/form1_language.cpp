// The window's languages: the translation engine, the window's client and
// the language selector, set up as the window is built, and the handlers
// around the one language change of a run. The first lexicon look-up of
// FormCreate starts the engine, which switches to English when a language
// file of the language folder declares it.

#include "app/form1.h"
#include "app/scpi_front.h"

#include "app/message_box.h"
#include "i18n/lang_combo.h"
#include "i18n/lang_man_client.h"
#include "i18n/lang_man_engine.h"
#include "link/com_port.h"
#include "batch/batch_controller.h"
#include "export/export_controller.h"
#include "journal/journal_controller.h"
#include "sorting/sorting_controller.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/panel_field.h"
#include "profiles/profiles_controller.h"

#include <QCoreApplication>
#include <QTimer>

#include <exception>

namespace {

const QString kDesignLanguageCode = QStringLiteral("ru - Russian");
const QString kDesignLanguageName = QStringLiteral("Русский");
const QString kDefaultLanguage = QStringLiteral("English");

// The drop-downs whose selections a change must not move, in the order they
// are saved into comboIndexBackup; they are restored in the reverse order.
// CBox31 takes two slots.
using ComboMember = panel::DropDown *TForm1::*;
constexpr std::array<ComboMember, 12> kBackedUpCombos = {
    &TForm1::CB1,    &TForm1::CBox51, &TForm1::CBox5,  &TForm1::CBox31, &TForm1::CBox11, &TForm1::CBox2,
    &TForm1::CBox6,  &TForm1::CBox10, &TForm1::CBox31, &TForm1::CBox1,  &TForm1::CBox3,  &TForm1::CBox4,
};

} // namespace

void TForm1::createLanguageEngine()
{
    LangMan = std::make_unique<i18n::TLangManEngine>(QStringLiteral("LangMan"));
    LangMan->setDesignLangISOCode(kDesignLanguageCode);
    LangMan->setDesignLanguageName(kDesignLanguageName);
    LangMan->setDefaultLanguage(kDefaultLanguage);
    // Empty: no language files, the window stays in its design language.
    LangMan->setLangsDir(options.languageFolder);
    LangMan->setLangFileExtension(QStringLiteral(".lng"));
    LangMan->setLangFileSignature(QStringLiteral("LANGUAGE_FILE"));
    LangMan->OnChangeLangQuery = [this](i18n::TLangManEngine *sender, bool &Continue) {
        LangManChangeLangQuery(sender, Continue);
    };
    LangMan->OnChangeLanguage = [this](i18n::TLangManEngine *sender) { LangManChangeLanguage(sender); };

    LangManClient1 = std::make_unique<i18n::TLangManClient>(this);
    // Caption strips and display fields show what the program writes into them.
    LangManClient1->setHintOnly(&panel::CaptionStrip::staticMetaObject);
    LangManClient1->setHintOnly(&panel::PanelField::staticMetaObject);
    LangManClient1->setLangManEngine(LangMan.get());

    langSelector = std::make_unique<i18n::TLangCombo>(LangCombo1);
    langSelector->setLangManEngine(LangMan.get());

    // Settings read: the language list is built and the selector shows it.
    LangMan->Loaded();
    // A test that watches the look-ups keeps its own translator on the
    // lexicons; the engine then starts when FormCreate has ended.
    if (!options.lexiconTranslator) {
        lexicons.attachEngine(LangMan.get());
        profilesController->messages().setLangManEngine(LangMan.get());
        batchViews->Dstat.setLangManEngine(LangMan.get());
        sorting->Dbins.setLangManEngine(LangMan.get());
        journalController->Djournal.setLangManEngine(LangMan.get());
        scpiFront->Dscpi.setLangManEngine(LangMan.get());
        exporter->messages().setLangManEngine(LangMan.get());
    }
}

void TForm1::setDefaultLanguage()
{
    if (LangMan)
        LangMan->setDefaultLanguage(kDefaultLanguage);
}

void TForm1::LangManChangeLangQuery(i18n::TLangManEngine *, bool &Continue)
{
    // A settings file that cannot be written is reported; the change goes on.
    if (const app::SettingsWriteProblem problem = storeLanguageIndex(LangCombo1->currentIndex()))
        app::showMessage(this, QCoreApplication::applicationName(), problem.text());
    // A live link drops; a closed port only reports the write as failed.
    ComPort->WriteStr(QStringLiteral("AT"));
    enableTimer(T3);
    for (std::size_t slot = 0; slot < kBackedUpCombos.size(); ++slot)
        comboIndexBackup[slot] = (this->*kBackedUpCombos[slot])->currentIndex();
    Continue = true;
}

void TForm1::LangManChangeLanguage(i18n::TLangManEngine *)
{
    for (std::size_t slot = kBackedUpCombos.size(); slot-- > 0;)
        (this->*kBackedUpCombos[slot])->setCurrentIndex(comboIndexBackup[slot]);
    JvP8->setText(lexicons.D1.GetItem(0) + profileDisplayName);
    JvP1->setText(lexicons.D1.GetItem(6));
    JvP11->setText(lexicons.D1.GetItem(1));
    showSinglePartHeaders();
    if (dongleLink)
        showDroppedBlocks(dongleLink->droppedBlocks());
}
