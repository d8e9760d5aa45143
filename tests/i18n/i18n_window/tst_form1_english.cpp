// The main window with language files: it starts in English from lang/eng.lng,
// keeps its selections, rebuilds the log in English and stores the language
// index; other files translate what they have and leave the rest Russian.
//
// With VORLANT_SHOT_DIR set, pictures of the English and Russian window (with
// a reading and a log) are saved there for a person to look at.

#include "app/form1.h"
#include "app/message_box.h"
#include "i18n/lang_man_client.h"
#include "i18n/lang_man_engine.h"
#include "log/log_table_model.h"
#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/panel_field.h"
#include "protocol/frame_encoder.h"
#include "vorlant_version.h"

#include "../lang_fixture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace i18n;

namespace {

QByteArray sourceEnglishFile()
{
    QFile file(qEnvironmentVariable("VORLANT_SOURCE_DIR") + QStringLiteral("/lang/eng.lng"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString header(const TForm1 &form, int column)
{
    return form.logModel->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
}

// A capacitor of about 1.6 μF at 1 kHz: the display uses the micro prefix.
void showReading(TForm1 &form)
{
    protocol::MeterSettings settings = protocol::MeterSettings::defaults();
    settings.freqAuto = 0;
    settings.freqCode = 3;
    settings.primaryAuto = 0;
    settings.primaryCode = 2;
    settings.secondaryAuto = 0;
    settings.secondaryCode = 1;
    form.dispatchFrame(protocol::encodeRlcFrame(settings, 0.35, -100.0, true));
}

std::int32_t languageIndexIn(const QString &settingsFolder)
{
    QFile file(settingsFolder + QStringLiteral("/1.dat"));
    if (!file.open(QIODevice::ReadOnly))
        return -100;
    const QByteArray bytes = file.readAll();
    if (bytes.size() < 204)
        return -101;
    return std::int32_t(quint8(bytes[200]) | quint8(bytes[201]) << 8 | quint8(bytes[202]) << 16
                        | quint32(quint8(bytes[203])) << 24);
}

} // namespace

class TestForm1English : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void startsInEnglish();
    void showsReadingsAndLogInEnglish();
    void dropDownsKeepTheirSelection();
    void changeEmptiesTheLogWithEnglishHeaders();
    void storesTheLanguageIndex();
    void withoutAnEnglishFileStaysRussian();
    void partialFileLeavesTheRestRussian();
    void anyMicroAndOhmTranslationShowsTheSymbols();
    void badEnglishFilesKeepTheWindowUsable_data();
    void badEnglishFilesKeepTheWindowUsable();
    void pictures();

private:
    std::unique_ptr<TForm1> makeForm();

    std::unique_ptr<LangFolder> m_lang;
    std::unique_ptr<QTemporaryDir> m_settings;
    QList<QString> m_messages;
    app::MessageShower m_previousShower;
};

void TestForm1English::init()
{
    m_lang = std::make_unique<LangFolder>();
    m_settings = std::make_unique<QTemporaryDir>();
    const QByteArray english = sourceEnglishFile();
    QVERIFY(!english.isEmpty());
    QVERIFY(m_lang->writeBytes(QStringLiteral("eng.lng"), english));
    m_messages.clear();
    m_previousShower = app::setMessageShower(
        [this](QWidget *, const QString &, const QString &text) { m_messages << text; });
}

void TestForm1English::cleanup()
{
    app::setMessageShower(m_previousShower);
    m_lang.reset();
    m_settings.reset();
}

std::unique_ptr<TForm1> TestForm1English::makeForm()
{
    Form1Options options;
    options.settingsFolder = m_settings->path();
    options.languageFolder = m_lang->path();
    // No port finder: the link never opens, no device is touched.
    options.finderLibrary = QStringLiteral("/nonexistent/libportvane.so");
    return std::make_unique<TForm1>(options);
}

void TestForm1English::startsInEnglish()
{
    const auto form = makeForm();
    QCOMPARE(form->LangMan->CurrentLanguage(), QStringLiteral("English"));
    QCOMPARE(form->windowTitle(), QStringLiteral("Data logger for the Vorlant RLC meter, version 1.5"));
    QCOMPARE(form->B2->text(), QStringLiteral("Connect"));
    QCOMPARE(form->B2->text(), form->lexicons.Dlang_connect.GetItem(0));
    QCOMPARE(form->CheckBox_connect_auto->text(), QStringLiteral("Auto"));
    QCOMPARE(form->SB1->text(), QStringLiteral("Create"));
    QCOMPARE(form->SP1->text(), QStringLiteral("Start"));
    QCOMPARE(form->Label3->text(), QStringLiteral("Recording"));
    QCOMPARE(form->SText_freq_RLC->text(), QStringLiteral(" Test signal frequency"));
    QCOMPARE(form->ListBox_freq_RLC->item(3)->text(), QStringLiteral("1kHz"));
    QCOMPARE(form->ListBox_freq_RLC->count(), 12);
    QCOMPARE(form->ListBox_prim_RLC->item(2)->text(), QStringLiteral("C capacitance"));
    QCOMPARE(form->CBox10->itemText(0), QStringLiteral("Measure one part"));
    QCOMPARE(form->CBox4->itemText(2), QStringLiteral("μF"));
    QCOMPARE(form->CBox5->currentText(), QStringLiteral("off"));
    QCOMPARE(form->CBox5->itemText(1), QStringLiteral("0,2%"));
    // Captions the program writes from the lexicons.
    QCOMPARE(form->JvP1->text(), QStringLiteral("Reference data"));
    QCOMPARE(form->JvP11->text(), QStringLiteral("Data recording"));
    QCOMPARE(form->JvP8->text(), QStringLiteral("Profile"));
    QCOMPARE(header(*form, 0), QStringLiteral("Position"));
    QCOMPARE(header(*form, 9), QStringLiteral("Sec. % dev."));
    // Indicators set by the first look-up's own step are English too.
    QVERIFY2(form->L_Level_RLC->text().contains(QLatin1String("Vrms")), qPrintable(form->L_Level_RLC->text()));
    QCOMPARE(form->lexicons.Dlang_connect.GetItem(2), QStringLiteral("Connecting..."));
    QCOMPARE(form->lexicons.D1.GetItem(5), QStringLiteral("Failed!"));
    QVERIFY(m_messages.isEmpty());
    // The selector lists the languages and stays hidden.
    QCOMPARE(form->LangCombo1->count(), 2);
    QCOMPARE(form->LangCombo1->currentText(), QStringLiteral("English"));
    QVERIFY(form->LangCombo1->isHidden());
}

void TestForm1English::showsReadingsAndLogInEnglish()
{
    const auto form = makeForm();
    showReading(*form);
    QVERIFY2(form->L_prim_n->text().contains(QStringLiteral("μF")), qPrintable(form->L_prim_n->text()));
    QVERIFY2(form->L_sec_n->text().contains(QStringLiteral("Ω")), qPrintable(form->L_sec_n->text()));
    QCOMPARE(form->L_freq_RLC->text().trimmed(), QStringLiteral("1 kHz"));
    form->appendLogRow();
    const QString row = form->logModel->data(form->logModel->index(0, 2)).toString();
    QVERIFY2(row.contains(QStringLiteral("μF")), qPrintable(row));
}

void TestForm1English::dropDownsKeepTheirSelection()
{
    const auto form = makeForm();
    const QList<QComboBox *> combos = {form->CB1,  form->CBox51, form->CBox5, form->CBox31, form->CBox11, form->CBox2,
                                       form->CBox10, form->CBox1, form->CBox3, form->CBox4};
    // Selections other than the design ones, without running their handlers.
    QList<int> chosen;
    for (QComboBox *combo : combos) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(combo->count() - 1);
        chosen << combo->currentIndex();
    }
    for (const QString &language : {QStringLiteral("ru"), QStringLiteral("en")}) {
        form->LangMan->Translate(language);
        for (int i = 0; i < combos.size(); ++i)
            QVERIFY2(combos[i]->currentIndex() == chosen[i], qPrintable(combos[i]->objectName() + " in " + language));
    }
    QCOMPARE(form->CBox1->currentText(), QStringLiteral("MΩ"));
    QCOMPARE(form->comboIndexBackup[0], 2);
}

void TestForm1English::changeEmptiesTheLogWithEnglishHeaders()
{
    const auto form = makeForm();
    showReading(*form);
    form->appendLogRow();
    QVERIFY(!form->logModel->data(form->logModel->index(0, 0)).toString().isEmpty());
    form->LangMan->Translate(QStringLiteral("ru"));
    QCOMPARE(header(*form, 1), QStringLiteral("Время"));
    form->LangMan->Translate(QStringLiteral("English"));
    QCOMPARE(header(*form, 1), QStringLiteral("Time"));
    QVERIFY(form->logModel->data(form->logModel->index(0, 0)).toString().isEmpty());
    QCOMPARE(form->JvP8->text(), QStringLiteral("Profile"));
}

void TestForm1English::storesTheLanguageIndex()
{
    // A settings file from an earlier run that says 7.
    QByteArray earlier(205, '\0');
    earlier[200] = 7;
    QFile file(m_settings->filePath(QStringLiteral("1.dat")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(earlier);
    file.close();

    const auto form = makeForm();
    QCOMPARE(languageIndexIn(m_settings->path()), 0);
}

void TestForm1English::withoutAnEnglishFileStaysRussian()
{
    QVERIFY(QFile::remove(m_lang->filePath(QStringLiteral("eng.lng"))));
    QVERIFY(m_lang->write(QStringLiteral("deu.lng"), langHeader("Deutsch", "de") << propLine(0, "B2", "\"Verbinden\"")));
    const auto form = makeForm();
    QCOMPARE(form->LangMan->CurrentLanguage(), QStringLiteral("Русский"));
    QCOMPARE(form->B2->text(), QStringLiteral("Подключить"));
    QCOMPARE(header(*form, 0), QStringLiteral("Позиция"));
    QCOMPARE(form->lexicons.Dlang1.GetItem(3), QStringLiteral("мк"));
    // The query ran all the same.
    QCOMPARE(languageIndexIn(m_settings->path()), 0);
}

void TestForm1English::partialFileLeavesTheRestRussian()
{
    QVERIFY(m_lang->write(QStringLiteral("eng.lng"), langHeader("English", "en") << QStringList{
        propLine(0, "B2", "\"Connect\""),
        propLine(33, "ListBox_freq_RLC", "\"Auto\"", "0"),
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.D2"),
        "1\t\"Position\"",
        lexLine("Form1.D1"),
        "0\t\"Profile\"",
    }));
    const auto form = makeForm();
    QCOMPARE(form->B2->text(), QStringLiteral("Connect"));
    QCOMPARE(form->SB1->text(), QStringLiteral("Создать"));
    QCOMPARE(form->ListBox_freq_RLC->item(0)->text(), QStringLiteral("Auto"));
    QCOMPARE(form->ListBox_freq_RLC->item(1)->text(), QStringLiteral("100 Гц"));
    QCOMPARE(header(*form, 0), QStringLiteral("Position"));
    QCOMPARE(header(*form, 1), QStringLiteral("Время"));
    QCOMPARE(form->JvP8->text(), QStringLiteral("Profile"));
    QCOMPARE(form->JvP1->text(), QStringLiteral("Данные эталона"));
    QCOMPARE(form->windowTitle(),
             QStringLiteral("Регистратор данных для RLC метра Vorlant версия ") + QLatin1String(kProgramVersion));
}

void TestForm1English::anyMicroAndOhmTranslationShowsTheSymbols()
{
    QVERIFY(m_lang->write(QStringLiteral("eng.lng"), langHeader("English", "en") << QStringList{
        "0\t%LEXICON_STRINGS",
        lexLine("Form1.Dlang1"),
        "3\t\"u\"",
        lexLine("Form1.Dlang3"),
        "3\t\"Ohm\"",
    }));
    const auto form = makeForm();
    showReading(*form);
    QVERIFY2(form->L_prim_n->text().contains(QStringLiteral("μФ")), qPrintable(form->L_prim_n->text()));
    QVERIFY2(form->L_sec_n->text().contains(QStringLiteral("Ω")), qPrintable(form->L_sec_n->text()));
}

void TestForm1English::badEnglishFilesKeepTheWindowUsable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("b2");
    const QByteArray english = sourceEnglishFile();
    QByteArray noise(20000, Qt::Uninitialized);
    QRandomGenerator random(7);
    for (char &b : noise)
        b = char(random.bounded(256));
    QTest::newRow("random bytes") << noise << QStringLiteral("Подключить");
    QTest::newRow("random after the header") << english.left(english.indexOf(QByteArray("\r\0\n\0", 4)) + 4) + noise
                                             << QStringLiteral("Подключить");
    // Cut in the middle of a code unit, after the first component lines.
    QTest::newRow("truncated UTF-16") << english.left(english.size() / 3 | 1) << QStringLiteral("Connect");
    QTest::newRow("megabyte line")
        << encodeLanguageText((langHeader("English", "en") << propLine(0, "B2", '"' + QString(1 << 20, 'x') + '"'))
                                  .join("\r\n"),
                              TLFEncoding::Unicode)
        << QString(1 << 20, 'x');
    QTest::newRow("escape past 65535")
        << encodeLanguageText((langHeader("English", "en") << propLine(0, "B2", "\"'#70000'\"")).join("\r\n"),
                              TLFEncoding::UTF8)
        << QStringLiteral("'#70000'");
    QTest::newRow("superior loop")
        << encodeLanguageText((langHeader("English", "en", "English") << propLine(0, "B2", "\"Loop\"")).join("\r\n"),
                              TLFEncoding::Unicode)
        << QStringLiteral("Loop");
}

void TestForm1English::badEnglishFilesKeepTheWindowUsable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, b2);
    QVERIFY(m_lang->writeBytes(QStringLiteral("eng.lng"), bytes));
    const auto form = makeForm();
    QCOMPARE(form->B2->text(), b2);
    // The window still works: a reading shows and the log headers exist.
    showReading(*form);
    QVERIFY(!form->L_prim_n->text().isEmpty());
    QVERIFY(!header(*form, 0).isEmpty());
}

void TestForm1English::pictures()
{
    const QString folder = qEnvironmentVariable("VORLANT_SHOT_DIR");
    if (folder.isEmpty())
        QSKIP("set VORLANT_SHOT_DIR to save pictures of the window");
    for (const bool english : {true, false}) {
        if (!english)
            QVERIFY(QFile::remove(m_lang->filePath(QStringLiteral("eng.lng"))));
        const auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        showReading(*form);
        for (int i = 0; i < 4; ++i)
            form->appendLogRow();
        const QString name = english ? QStringLiteral("english") : QStringLiteral("russian");
        QVERIFY(form->grab().save(folder + QStringLiteral("/window_") + name + QStringLiteral(".png")));
        // Every selection menu open, for the longest texts.
        for (QFrame *menu : {form->P_prim_RLC, form->P_sec_RLC, form->P_ser_per, form->P_level_RLC, form->P_freq_RLC}) {
            menu->show();
            menu->raise();
            for (QListWidget *list : menu->findChildren<QListWidget *>())
                list->show();
            QVERIFY(form->P5->grab().save(folder + QStringLiteral("/menu_") + menu->objectName() + QLatin1Char('_')
                                          + name + QStringLiteral(".png")));
            menu->hide();
        }
        // The other two displays, with the lexicons' marks and units.
        protocol::RdStatus diode;
        diode.state = 1;
        diode.secondCurrent = true;
        form->dispatchFrame(protocol::encodeRdFrame(650.0, 1000.0, 250.0, diode, true));
        QVERIFY(form->P5->grab().save(folder + QStringLiteral("/display_RD_") + name + QStringLiteral(".png")));
        form->dispatchFrame(protocol::encodeUFrame(1.234, 3.49, 1.2, true));
        QVERIFY(form->P5->grab().save(folder + QStringLiteral("/display_U_") + name + QStringLiteral(".png")));
    }
}

QTEST_MAIN(TestForm1English)
#include "tst_form1_english.moc"
