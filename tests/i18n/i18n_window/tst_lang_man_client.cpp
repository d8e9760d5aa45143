// The client on a small window of real widgets: what it captures, what a
// language writes back, and the language selector.

#include "i18n/lang_combo.h"
#include "i18n/lang_man_client.h"
#include "i18n/lang_man_engine.h"
#include "i18n/property_ids.h"

#include "../lang_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTest>

#include <stdexcept>

using namespace i18n;

namespace {

// A label whose text the program sets itself, as a caption strip's.
class ProgramText : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
};

// Refuses the English window title by throwing, as a failing control would.
class RefusedTitle : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::WindowTitleChange
            && static_cast<QWidget *>(watched)->windowTitle() == QStringLiteral("Logger"))
            throw std::runtime_error("the title was refused");
        return false;
    }
};

template <class W>
W *make(QWidget *parent, const char *name)
{
    auto *widget = new W(parent);
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// A window with one control of every kind the client knows.
struct TestWindow
{
    TestWindow()
    {
        form.setObjectName(QStringLiteral("Form1"));
        form.setWindowTitle(QStringLiteral("Регистратор"));
        auto *panel = make<QFrame>(&form, "Panel1");
        make<QPushButton>(panel, "B2")->setText(QStringLiteral("Подключить"));
        make<QCheckBox>(panel, "Check")->setText(QStringLiteral("Авто"));
        make<QLabel>(panel, "Label1")->setText(QStringLiteral("Начальная"));
        make<QLabel>(panel, "Label2")->setText(QStringLiteral("Label2"));
        make<QLabel>(panel, "Number")->setText(QStringLiteral("10000"));
        make<QLabel>(panel, "Empty");
        auto *strip = make<ProgramText>(panel, "JvP1");
        strip->setText(QStringLiteral("Данные эталона"));
        strip->setToolTip(QStringLiteral("Подсказка"));
        (new QLabel(QStringLiteral("Без имени"), panel))->setObjectName(QString());
        make<QLineEdit>(panel, "E2")->setText(QStringLiteral("10000"));
        auto *edit = make<QLineEdit>(panel, "E3");
        edit->setText(QStringLiteral("Имя"));
        edit->setPlaceholderText(QStringLiteral("Введите"));
        make<QSpinBox>(panel, "SE1")->setValue(5);

        auto *units = make<QComboBox>(panel, "CBox1");
        units->addItems({QStringLiteral("Ом"), QStringLiteral("кОм"), QStringLiteral("МОм")});
        units->setCurrentIndex(1);
        auto *tolerance = make<QComboBox>(panel, "CBox5");
        tolerance->setEditable(true);
        tolerance->addItems({QStringLiteral("выкл."), QStringLiteral("0,2%"), QStringLiteral(">")});
        tolerance->setCurrentIndex(0);
        auto *languages = make<QComboBox>(panel, "LangCombo1");
        languages->addItem(QStringLiteral("Русский"));
        selector = std::make_unique<TLangCombo>(languages);

        auto *list = make<QListWidget>(panel, "ListBox_freq_RLC");
        list->addItems({QStringLiteral("Автовыбор"), QStringLiteral("100 Гц"), QStringLiteral("1000")});
        auto *memo = make<QPlainTextEdit>(&form, "Memo1");
        memo->setPlainText(QStringLiteral("Строка 1\n12\nСтрока 3"));

        dialog = make<QFileDialog>(&form, "OpenDialog1");
        dialog->setWindowTitle(QStringLiteral("Открыть профиль"));
        dialog->setNameFilters({QStringLiteral("Профили (*.hex1)"), QStringLiteral("*.*")});

        auto *skipped = make<QPushButton>(panel, "Tagged");
        skipped->setText(QStringLiteral("Не трогать"));
        skipped->setProperty(TLangManClient::kTagProperty, -799);

        client.setHintOnly(&ProgramText::staticMetaObject);
    }

    template <class W>
    W *at(const char *name)
    {
        return form.findChild<W *>(QLatin1String(name));
    }

    QWidget form;
    QFileDialog *dialog = nullptr;
    std::unique_ptr<TLangCombo> selector;
    TLangManClient client{&form};
};

QString design(const TLangManClient &client, const char *component, int property, const QString &item = QString(),
               const QString &owner = QStringLiteral("Form1"))
{
    const TFullStructLine *line = client.DesignTexts().find(LineID(QLatin1String(component), owner, quint16(property), item));
    return line ? line->Translation : QStringLiteral("<none>");
}

} // namespace

class TestLangManClient : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void capturesTheDesignTexts();
    void appliesALanguageAndComesBack();
    void aControlThatFailsIsToldOnceAndTheOthersGoOn();
    void appliesOnlyToEntriesThatExist();
    void selectorChangesTheLanguage();
    void joiningLateCatchesUp();

private:
    std::unique_ptr<LangFolder> m_folder;
    std::unique_ptr<TLangManEngine> m_engine;
};

void TestLangManClient::init()
{
    m_folder = std::make_unique<LangFolder>();
    QVERIFY(m_folder->write("eng.lng", langHeader("English", "en") << QStringList{
        "0\t\"Logger\"\t%COMPONENT=Form1;\t%OWNER=;",
        propLine(pnCaption, "B2", "\"Connect\""),
        propLine(pnCaption, "Label1", "\"Start'#13''#10'position\""),
        propLine(pnCaption, "Number", "\"Ten thousand\""),
        propLine(pnCaption, "JvP1", "\"Never shown\""),
        propLine(pnHint, "JvP1", "\"Hint\""),
        propLine(pnText, "E3", "\"Name\""),
        propLine(pnTextHint, "E3", "\"Type here\""),
        propLine(pnItems, "CBox1", "\"Ohm\"", "0"),
        propLine(pnItems, "CBox1", "\"kOhm\"", "1"),
        propLine(pnItems, "CBox5", "\"off\"", "0"),
        propLine(pnText, "CBox5", "\"off\""),
        propLine(pnItems, "LangCombo1", "\"Never\"", "0"),
        propLine(pnItems, "ListBox_freq_RLC", "\"Auto\"", "0"),
        propLine(pnItems, "ListBox_freq_RLC", "\"1 kHz\"", "2"),
        propLine(pnItems, "ListBox_freq_RLC", "\"Fourth\"", "3"),
        propLine(pnLines, "Memo1", "\"Line 1\"", "0"),
        propLine(pnTitle, "OpenDialog1", "\"Open profile\""),
        propLine(pnFilter, "OpenDialog1", "\"Profiles\"", "[*:hex1]"),
        propLine(pnCaption, "Tagged", "\"Touched\""),
    }));
    QVERIFY(m_folder->write("deu.lng", langHeader("Deutsch", "de") << propLine(pnCaption, "B2", "\"Verbinden\"")));
    m_engine = std::make_unique<TLangManEngine>();
    m_engine->setDesignLangISOCode(QStringLiteral("ru"));
    m_engine->setDesignLanguageName(QStringLiteral("Русский"));
    m_engine->setDefaultLanguage(QStringLiteral("English"));
    m_engine->setLangsDir(m_folder->path());
    m_engine->Loaded();
}

void TestLangManClient::cleanup()
{
    m_engine.reset();
    m_folder.reset();
}

void TestLangManClient::capturesTheDesignTexts()
{
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    QVERIFY(!window.client.IsCaptured());
    window.client.FormCreated();
    QVERIFY(window.client.IsCaptured());
    const TLangManClient &client = window.client;

    QCOMPARE(design(client, "Form1", pnCaption, QString(), QString()), QStringLiteral("Регистратор"));
    QCOMPARE(design(client, "B2", pnCaption), QStringLiteral("Подключить"));
    QCOMPARE(design(client, "Check", pnCaption), QStringLiteral("Авто"));
    QCOMPARE(design(client, "JvP1", pnHint), QStringLiteral("Подсказка"));
    QCOMPARE(design(client, "E3", pnText), QStringLiteral("Имя"));
    QCOMPARE(design(client, "E3", pnTextHint), QStringLiteral("Введите"));
    QCOMPARE(design(client, "CBox1", pnItems, "2"), QStringLiteral("МОм"));
    QCOMPARE(design(client, "CBox5", pnItems, "0"), QStringLiteral("выкл."));
    QCOMPARE(design(client, "CBox5", pnText), QStringLiteral("выкл."));
    QCOMPARE(design(client, "ListBox_freq_RLC", pnItems, "1"), QStringLiteral("100 Гц"));
    QCOMPARE(design(client, "Memo1", pnLines, "2"), QStringLiteral("Строка 3"));
    QCOMPARE(design(client, "OpenDialog1", pnTitle), QStringLiteral("Открыть профиль"));
    QCOMPARE(design(client, "OpenDialog1", pnFilter, "[*:hex1]"), QStringLiteral("Профили"));

    // Never captured: the component's own name, digits and signs, empty
    // texts, texts the program sets, the languages, unnamed and tagged
    // controls, the dialog's own parts, and a plain drop-down's text.
    const QStringList never = {
        LineID("Label2", "Form1", pnCaption, ""),  LineID("Number", "Form1", pnCaption, ""),
        LineID("Empty", "Form1", pnCaption, ""),   LineID("JvP1", "Form1", pnCaption, ""),
        LineID("E2", "Form1", pnText, ""),         LineID("SE1", "Form1", pnText, ""),
        LineID("CBox5", "Form1", pnItems, "1"),    LineID("CBox5", "Form1", pnItems, "2"),
        LineID("LangCombo1", "Form1", pnItems, "0"), LineID("LangCombo1", "Form1", pnText, ""),
        LineID("ListBox_freq_RLC", "Form1", pnItems, "2"), LineID("Memo1", "Form1", pnLines, "1"),
        LineID("Tagged", "Form1", pnCaption, ""),  LineID("CBox1", "Form1", pnText, ""),
        LineID("OpenDialog1", "Form1", pnFilter, "[*:*]"),
    };
    for (const QString &key : never)
        QVERIFY2(!client.DesignTexts().find(key), qPrintable(key));
    for (const auto &[key, line] : client.DesignTexts()) {
        QVERIFY2(!key.contains(QLatin1String("fileName")) && !key.contains(QLatin1String("lookIn")), qPrintable(key));
        QCOMPARE(line.Descent, kDesignDescent);
        QCOMPARE(line.Changeable, kHasTranslation);
    }
    QCOMPARE(client.DesignTexts().size(), std::size_t(18));
}

// A control whose new text sets off a failure: the failure is told on
// stderr with the control and the reason, once however often it recurs, and
// every other control is translated all the same.
void TestLangManClient::aControlThatFailsIsToldOnceAndTheOthersGoOn()
{
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    RefusedTitle refused;
    window.form.installEventFilter(&refused);
    QTest::ignoreMessage(QtWarningMsg, "language: translating Form1: the title was refused");
    window.client.FormCreated();
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Connect"));
    QCOMPARE(window.at<QListWidget>("ListBox_freq_RLC")->item(0)->text(), QStringLiteral("Auto"));

    QTest::failOnWarning(QRegularExpression(QStringLiteral("^language: ")));
    QCOMPARE(m_engine->Translate(QStringLiteral("ru")), QStringLiteral("Русский"));
    QCOMPARE(m_engine->Translate(QStringLiteral("English")), QStringLiteral("English"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Connect"));
}

void TestLangManClient::appliesALanguageAndComesBack()
{
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    int announced = 0;
    window.client.OnChangeLanguage = [&](TLangManClient *) { ++announced; };
    window.client.FormCreated();
    QCOMPARE(announced, 1);
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("English"));

    QCOMPARE(window.form.windowTitle(), QStringLiteral("Logger"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Connect"));
    QCOMPARE(window.at<QCheckBox>("Check")->text(), QStringLiteral("Авто"));
    QCOMPARE(window.at<QLabel>("Label1")->text(), QStringLiteral("Start\r\nposition"));
    // A text never captured takes a translation the language has for it, and
    // keeps it: there is no design text to go back to. Texts the program
    // sets itself are never touched.
    QCOMPARE(window.at<QLabel>("Number")->text(), QStringLiteral("Ten thousand"));
    QCOMPARE(window.at<QLineEdit>("E2")->text(), QStringLiteral("10000"));
    QCOMPARE(window.at<QLabel>("JvP1")->text(), QStringLiteral("Данные эталона"));
    QCOMPARE(window.at<QLabel>("JvP1")->toolTip(), QStringLiteral("Hint"));
    QCOMPARE(window.at<QLineEdit>("E3")->text(), QStringLiteral("Name"));
    QCOMPARE(window.at<QLineEdit>("E3")->placeholderText(), QStringLiteral("Type here"));
    QCOMPARE(window.at<QComboBox>("CBox1")->currentText(), QStringLiteral("kOhm"));
    QCOMPARE(window.at<QComboBox>("CBox1")->itemText(2), QStringLiteral("МОм"));
    QCOMPARE(window.at<QComboBox>("CBox5")->currentText(), QStringLiteral("off"));
    QCOMPARE(window.at<QComboBox>("CBox5")->itemText(1), QStringLiteral("0,2%"));
    QCOMPARE(window.at<QComboBox>("LangCombo1")->itemText(0), QStringLiteral("Русский"));
    QCOMPARE(window.at<QListWidget>("ListBox_freq_RLC")->item(0)->text(), QStringLiteral("Auto"));
    QCOMPARE(window.at<QListWidget>("ListBox_freq_RLC")->item(2)->text(), QStringLiteral("1 kHz"));
    QCOMPARE(window.at<QPlainTextEdit>("Memo1")->toPlainText(), QStringLiteral("Line 1\n12\nСтрока 3"));
    QCOMPARE(window.dialog->windowTitle(), QStringLiteral("Open profile"));
    QCOMPARE(window.dialog->nameFilters(), (QStringList{"Profiles (*.hex1)", "*.*"}));
    QCOMPARE(window.at<QPushButton>("Tagged")->text(), QStringLiteral("Не трогать"));

    // Back to the design language: every captured text returns, no file read.
    QCOMPARE(m_engine->Translate(QStringLiteral("ru")), QStringLiteral("Русский"));
    QCOMPARE(announced, 2);
    QCOMPARE(window.form.windowTitle(), QStringLiteral("Регистратор"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Подключить"));
    QCOMPARE(window.at<QLabel>("Label1")->text(), QStringLiteral("Начальная"));
    QCOMPARE(window.at<QLabel>("Number")->text(), QStringLiteral("Ten thousand"));
    QCOMPARE(window.at<QLineEdit>("E2")->text(), QStringLiteral("10000"));
    QCOMPARE(window.at<QComboBox>("CBox1")->currentIndex(), 1);
    QCOMPARE(window.at<QComboBox>("CBox1")->currentText(), QStringLiteral("кОм"));
    QCOMPARE(window.at<QComboBox>("CBox5")->currentText(), QStringLiteral("выкл."));
    QCOMPARE(window.at<QListWidget>("ListBox_freq_RLC")->item(2)->text(), QStringLiteral("1 kHz"));
    QCOMPARE(window.dialog->nameFilters(), (QStringList{"Профили (*.hex1)", "*.*"}));

    // A language that translates less leaves the rest in the design language.
    m_engine->Translate(QStringLiteral("Deutsch"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Verbinden"));
    QCOMPARE(window.at<QLabel>("Label1")->text(), QStringLiteral("Начальная"));
}

void TestLangManClient::appliesOnlyToEntriesThatExist()
{
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    auto *list = window.at<QListWidget>("ListBox_freq_RLC");
    auto *memo = window.at<QPlainTextEdit>("Memo1");
    m_engine->InitializeEngine(false); // captured in Russian
    list->addItems({QStringLiteral("added"), QStringLiteral("added too")});
    memo->clear();

    m_engine->Translate(QStringLiteral("English"));
    QCOMPARE(list->count(), 5);
    QCOMPARE(list->item(3)->text(), QStringLiteral("Fourth"));
    QCOMPARE(list->item(4)->text(), QStringLiteral("added too"));
    QVERIFY(memo->toPlainText().isEmpty());

    list->clear();
    list->addItem(QStringLiteral("one"));
    m_engine->Translate(QStringLiteral("ru"));
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("Автовыбор"));
}

void TestLangManClient::selectorChangesTheLanguage()
{
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    window.selector->setLangManEngine(m_engine.get());
    auto *combo = window.at<QComboBox>("LangCombo1");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->currentText(), QStringLiteral("Русский"));
    int changes = 0;
    window.selector->OnChangeLanguage = [&](TLangCombo *) { ++changes; };

    combo->setCurrentIndex(2);
    emit combo->activated(2);
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("English"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Connect"));
    QCOMPARE(changes, 1);
    emit combo->activated(2);
    QCOMPARE(changes, 1);

    m_engine->Translate(QStringLiteral("de"));
    QCOMPARE(combo->currentText(), QStringLiteral("Deutsch"));
    m_engine.reset();
    QCOMPARE(combo->count(), 0);
}

void TestLangManClient::joiningLateCatchesUp()
{
    m_engine->InitializeEngine(true);
    QCOMPARE(m_engine->CurrentLanguage(), QStringLiteral("English"));
    TestWindow window;
    window.client.setLangManEngine(m_engine.get());
    QVERIFY(window.client.IsCaptured());
    QCOMPARE(design(window.client, "B2", pnCaption), QStringLiteral("Подключить"));
    QCOMPARE(window.at<QPushButton>("B2")->text(), QStringLiteral("Connect"));
}

QTEST_MAIN(TestLangManClient)
#include "tst_lang_man_client.moc"
