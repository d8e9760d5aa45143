// The window and its settings file, in a temporary shared folder: the first
// start, the auto option across starts, the reopened profile, the frequency
// list, and a settings file someone else planted.

#include "app/form1.h"
#include "app/message_box.h"
#include "app/settings_file.h"
#include "app/vorlant_application.h"
#include "file_bytes.h"
#include "file_size_limit.h"

#include "panel/caption_strip.h"
#include "panel/drop_down.h"
#include "panel/spin_edit.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

const QStringList kFrequencies = {
    QStringLiteral("Автовыбор"), QStringLiteral("100 Гц"), QStringLiteral("120 Гц"), QStringLiteral("1кГц"),
    QStringLiteral("10кГц"),     QStringLiteral("100кГц"), QStringLiteral("20кГц"),  QStringLiteral("30кГц"),
    QStringLiteral("40кГц"),     QStringLiteral("50кГц"),  QStringLiteral("60кГц"),  QStringLiteral("75kHz")};

} // namespace

class TestForm1Settings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void firstStartMakesAnEmptySettingsFile();
    void frequencyListEndsIn75kHzAfterEveryLoad();
    void autoOptionIsStoredAndReappliedAtStart();
    void lastProfileIsReopened();
    void aProfileThatIsGoneIsNotReopened();
    void aProfileThatFailsItsCheckIsNotTakenAsOpen();
    void aPathTooLongToRememberIsReported();
    void aFileThatCannotTakeTheAutoOptionBackEndsTheReading();
    void plantedSettingsFileIsNeverWrittenThrough();

private:
    Form1Options options() const;
    std::unique_ptr<TForm1> start() { return std::make_unique<TForm1>(options()); }
    QString folder() const { return m_dir->filePath(QStringLiteral("RLC_Data")); }
    QString settingsPath() const { return folder() + QStringLiteral("/1.dat"); }
    QString writeProfile(const char *name, std::int32_t lines);

    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_boxes;
    QStringList m_captions;
    app::MessageShower m_previousShower;
};

void TestForm1Settings::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_boxes.clear();
    m_captions.clear();
    m_previousShower = app::setMessageShower([this](QWidget *, const QString &caption, const QString &text) {
        m_captions << caption;
        m_boxes << text;
    });
}

void TestForm1Settings::cleanup()
{
    app::setMessageShower(m_previousShower);
    m_dir.reset();
}

Form1Options TestForm1Settings::options() const
{
    Form1Options o;
    o.settingsFolder = folder();
    // No dongle is looked for.
    o.finderLibrary = QStringLiteral("no-finder-in-this-test.so");
    return o;
}

QString TestForm1Settings::writeProfile(const char *name, std::int32_t lines)
{
    const QString path = m_dir->filePath(QString::fromUtf8(name));
    writeAll(path, le32(lines) + QByteArray(96 + 72 * lines, '\0'));
    return path;
}

void TestForm1Settings::firstStartMakesAnEmptySettingsFile()
{
    const auto form = start();
    // Empty but for the language index (0) the start-up language change stores.
    QCOMPARE(readAll(settingsPath()), QByteArray(204, '\0'));
    QVERIFY(!form->CheckBox_connect_auto->isChecked());
    QVERIFY(!form->SB3->isEnabled());
    QCOMPARE(items(form->ListBox_freq_RLC), kFrequencies);
    QVERIFY(!form->loadSettings());
}

void TestForm1Settings::frequencyListEndsIn75kHzAfterEveryLoad()
{
    // Also with no settings folder at all.
    TForm1 form(Form1Options{});
    QCOMPARE(items(form.ListBox_freq_RLC), kFrequencies);
    for (int i = 0; i < 3; ++i)
        QVERIFY(!form.loadSettings());
    QCOMPARE(items(form.ListBox_freq_RLC), kFrequencies);
}

void TestForm1Settings::autoOptionIsStoredAndReappliedAtStart()
{
    {
        const auto form = start();
        QTest::mouseClick(form->CheckBox_connect_auto, Qt::LeftButton);
        QVERIFY(form->CheckBox_connect_auto->isChecked());
        QVERIFY(!form->B2->isEnabled());
        const QByteArray bytes = readAll(settingsPath());
        QCOMPARE(bytes.size(), 205);
        QCOMPARE(bytes.left(204), QByteArray(204, '\0'));
        QCOMPARE(bytes.at(204), '\x01');
    }
    {
        // The next start checks the box through its click handling.
        const auto form = start();
        QVERIFY(form->CheckBox_connect_auto->isChecked());
        QVERIFY(!form->B2->isEnabled());
        QVERIFY(m_boxes.isEmpty());

        QTest::mouseClick(form->CheckBox_connect_auto, Qt::LeftButton);
        QVERIFY(form->B2->isEnabled());
        QCOMPARE(readAll(settingsPath()).at(204), '\0');
    }
    const auto third = start();
    QVERIFY(!third->CheckBox_connect_auto->isChecked());
}

void TestForm1Settings::lastProfileIsReopened()
{
    const QString profile = writeProfile("resistors.hex1", 3);
    {
        const auto form = start();
        QVERIFY(form->storeProfilePath(profile));
        QVERIFY(form->loadSettings());
    }
    const auto form = start();
    QCOMPARE(form->currentProfilePath, profile);
    QCOMPARE(form->profileDisplayName, QStringLiteral(" resistors"));
    QCOMPARE(form->JvP8->text(), QStringLiteral("Профиль resistors"));
    QCOMPARE(form->lineCount, 3);
    QCOMPARE(form->SE2->maximum(), 4);
    QVERIFY(form->SB3->isEnabled());
    QCOMPARE(items(form->ListBox_freq_RLC), kFrequencies);
}

void TestForm1Settings::aProfileThatIsGoneIsNotReopened()
{
    const QString profile = writeProfile("gone.hex1", 2);
    const auto form = start();
    QVERIFY(form->storeProfilePath(profile));
    QVERIFY(QFile::remove(profile));

    QVERIFY(!form->loadSettings());
    QCOMPARE(form->JvP8->text(), QStringLiteral("Профиль"));
    QVERIFY(form->currentProfilePath.isEmpty());
    QCOMPARE(form->lineCount, 0);
}

void TestForm1Settings::aProfileThatFailsItsCheckIsNotTakenAsOpen()
{
    const QString good = writeProfile("good.hex1", 3);
    const QString bad = m_dir->filePath(QStringLiteral("bad.hex1"));
    writeAll(bad, le32(-1) + QByteArray(96 + 72, '\0'));
    const auto form = start();
    QVERIFY(form->storeProfilePath(good));
    QVERIFY(form->loadSettings());

    QVERIFY(form->storeProfilePath(bad));
    QVERIFY(!form->loadSettings());
    QCOMPARE(form->currentProfilePath, good);
    QCOMPARE(form->profileDisplayName, QStringLiteral(" good"));
    QCOMPARE(form->JvP8->text(), QStringLiteral("Профиль good"));
    QCOMPARE(form->lineCount, 3);
}

void TestForm1Settings::aPathTooLongToRememberIsReported()
{
    const QString fits = writeProfile("short.hex1", 1);
    const auto form = start();
    QVERIFY(form->storeProfilePath(fits));
    QVERIFY(!form->storeLanguageIndex(0));
    const QByteArray before = readAll(settingsPath());

    const QString longPath = QLatin1Char('/') + QString(200, QLatin1Char('p')) + QStringLiteral(".hex1");
    QVERIFY(!form->storeProfilePath(longPath));

    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes.first(), form->lexicons.D1.GetItem(9));
    QCOMPARE(readAll(settingsPath()), before);
    QVERIFY(form->loadSettings());
    QCOMPARE(form->currentProfilePath, fits);
}

void TestForm1Settings::aFileThatCannotTakeTheAutoOptionBackEndsTheReading()
{
    const QString profile = writeProfile("resistors.hex1", 3);
    const auto form = start();
    QVERIFY(form->storeProfilePath(profile));
    // 204 bytes: no auto byte, which reads as "off", while the box is on.
    QCOMPARE(readAll(settingsPath()).size(), 204);
    form->CheckBox_connect_auto->setChecked(true);

    {
        // Writing the auto byte back would grow the file.
        const FileSizeLimit full(204);
        QVERIFY(full.active());
        QTest::ignoreMessage(QtWarningMsg,
                             QRegularExpression(QStringLiteral("^settings: Cannot open file \".*/1\\.dat\"\\. .+$")));
        QVERIFY(!form->loadSettings());
    }
    // The box and B2 follow the file; the profile is not reopened; nothing
    // went to a box.
    QVERIFY(!form->CheckBox_connect_auto->isChecked());
    QVERIFY(form->B2->isEnabled());
    QVERIFY(form->currentProfilePath.isEmpty());
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(readAll(settingsPath()).size(), 204);

    // Once the box agrees with the file, nothing is written and the file is read to its end.
    QVERIFY(form->loadSettings());
    QCOMPARE(form->currentProfilePath, profile);
}

void TestForm1Settings::plantedSettingsFileIsNeverWrittenThrough()
{
    // Another user aims 1.dat at a file of this user's.
    QVERIFY(QDir().mkpath(folder()));
    const QString target = m_dir->filePath(QStringLiteral("precious"));
    const QByteArray original = QByteArray(204, 'x') + QByteArray(1, '\0') + QByteArray("tail");
    QVERIFY(writeAll(target, original));
    QVERIFY(QFile::link(target, settingsPath()));

    // The window starts as without settings, and says why on stderr, once;
    // storing the language index at the start-up language change fails into
    // the error box.
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("^settings: Cannot open file \".*/1\\.dat\"\\. It is a "
                                                           "symbolic link\\.$")));
    const auto form = start();
    QTest::failOnWarning(QRegularExpression(QStringLiteral("^settings: ")));
    QVERIFY(!form->loadSettings());
    QVERIFY(!form->CheckBox_connect_auto->isChecked());
    QCOMPARE(items(form->ListBox_freq_RLC), kFrequencies);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_captions.first(), QStringLiteral("Vorlant"));
    m_boxes.clear();
    m_captions.clear();

    // A click keeps its new state; the failure goes to the error box and
    // the program goes on.
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick(form->CheckBox_connect_auto, Qt::LeftButton, {},
                      form->CheckBox_connect_auto->rect().bottomLeft() + QPoint(8, -8));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(form->CheckBox_connect_auto->isChecked());
    QVERIFY(!form->B2->isEnabled());
    QVERIFY2(m_boxes.first().startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(settingsPath())),
             qPrintable(m_boxes.first()));
    QCOMPARE(m_captions.first(), QStringLiteral("Vorlant"));

    // Remembering a profile says so in a box of the window's own.
    QVERIFY(!form->storeProfilePath(QStringLiteral("/p.hex1")));
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(m_boxes.last(), m_boxes.first());
    QCOMPARE(m_captions.last(), form->windowTitle());

    const app::SettingsWriteProblem problem = form->storeLanguageIndex(0);
    QCOMPARE(problem.kind, app::SettingsWriteProblem::CannotWrite);
    QCOMPARE(problem.text(), m_boxes.first());
    QCOMPARE(readAll(target), original);
}

int main(int argc, char *argv[])
{
    // The program's application: a failure escaping a handler reaches the error box.
    VorlantApplication app(argc, argv);
    TestForm1Settings test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_form1_settings.moc"
