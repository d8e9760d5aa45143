// Things a user tripped over: menus that stayed open, menus floating over
// another display, old readings that looked live, a port finder that failed
// without a word, and a black window during the start-up probe.

#include "app/form1.h"
#include "dongle_rig.h"

#include "link/com_port.h"
#include "panel/menu_controller.h"
#include "panel/panel_field.h"
#include "protocol/frame_encoder.h"

#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryFile>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

#include <chrono>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

// Standard error, caught in a file while it lives.
class StderrCapture
{
public:
    StderrCapture()
    {
        if (!m_file.open())
            return;
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    QByteArray text()
    {
        restore();
        m_file.seek(0);
        return m_file.readAll();
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }

    QTemporaryFile m_file;
    int m_saved = -1;
};

// Counts the paints of one widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

QStringList memoLines(const QPlainTextEdit *memo)
{
    const QString text = memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(QLatin1Char('\n'));
}

enum class Outside { Escape, Memo1, TopBand, Log, MenuCaption, MenuList, OtherField };

} // namespace

Q_DECLARE_METATYPE(Outside)

class TestForm1StaleDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void escapeOrAPressOutsideClosesTheMenus_data();
    void escapeOrAPressOutsideClosesTheMenus();
    void displaySwitchClosesTheMenus_data();
    void displaySwitchClosesTheMenus();
    void linkEndBlanksEveryReading_data();
    void linkEndBlanksEveryReading();
    void unusableFinderIsNamedOnce_data();
    void unusableFinderIsNamedOnce();
    void windowIsPaintedBeforeTheProbe();

private:
    // Sends bytes as one read and waits until the window has read them.
    void deliver(const QByteArray &bytes);
    QStringList openMenus() const;

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1StaleDisplay::init()
{
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    m_form = std::make_unique<TForm1>();
    m_rig->countReads(*m_form);
}

void TestForm1StaleDisplay::cleanup()
{
    m_form.reset();
    m_rig.reset();
}

void TestForm1StaleDisplay::deliver(const QByteArray &bytes)
{
    const int before = m_rig->reads();
    QVERIFY(m_rig->send(bytes));
    QTRY_COMPARE(m_rig->reads(), before + 1);
}

QStringList TestForm1StaleDisplay::openMenus() const
{
    QStringList open;
    for (QFrame *menu : {m_form->P_prim_RLC, m_form->P_sec_RLC, m_form->P_ser_per, m_form->P_level_RLC,
                         m_form->P_freq_RLC}) {
        if (!menu->isHidden())
            open << menu->objectName();
    }
    return open;
}

void TestForm1StaleDisplay::escapeOrAPressOutsideClosesTheMenus_data()
{
    QTest::addColumn<Outside>("where");
    QTest::addColumn<QStringList>("openAfter");

    const QStringList none;
    QTest::newRow("Escape") << Outside::Escape << none;
    QTest::newRow("status box") << Outside::Memo1 << none;
    QTest::newRow("top band") << Outside::TopBand << none;
    QTest::newRow("log") << Outside::Log << none;
    QTest::newRow("the menu's caption") << Outside::MenuCaption << QStringList{"P_prim_RLC"};
    QTest::newRow("the menu's list") << Outside::MenuList << QStringList{"P_prim_RLC"};
    // Another field opens its menu beside the first one, as before.
    QTest::newRow("another field") << Outside::OtherField << QStringList{"P_prim_RLC", "P_freq_RLC"};
}

void TestForm1StaleDisplay::escapeOrAPressOutsideClosesTheMenus()
{
    QFETCH(Outside, where);
    QFETCH(QStringList, openAfter);

    TForm1 &f = *m_form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));

    // Opened by a click; the pointer never goes into the list.
    QTest::mouseClick(f.L_Prim_RLC, Qt::LeftButton);
    QCOMPARE(openMenus(), QStringList{"P_prim_RLC"});
    QCOMPARE(f.frameHold.holdFrames(), 1);

    switch (where) {
    case Outside::Escape:
        QTest::keyClick(&f, Qt::Key_Escape);
        break;
    case Outside::Memo1:
        QTest::mouseClick(f.Memo1->viewport(), Qt::LeftButton);
        break;
    case Outside::TopBand:
        QTest::mouseClick(f.Panel_top, Qt::LeftButton, {}, QPoint(f.Panel_top->width() - 3, 3));
        break;
    case Outside::Log:
        QTest::mouseClick(f.SG->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
        break;
    case Outside::MenuCaption:
        QTest::mouseClick(f.P_prim_RLC, Qt::LeftButton, {}, QPoint(f.P_prim_RLC->width() / 2, 6));
        break;
    case Outside::MenuList:
        QTest::mouseClick(f.ListBox_prim_RLC->viewport(), Qt::LeftButton, {}, QPoint(20, 5));
        break;
    case Outside::OtherField:
        QTest::mouseClick(f.L_freq_RLC, Qt::LeftButton);
        break;
    }

    QCOMPARE(openMenus(), openAfter);
    if (openAfter.isEmpty()) {
        QCOMPARE(f.frameHold.holdFrames(), 0);
        QVERIFY(f.ListBox_prim_RLC->isHidden());
    }
    // Closed menus stop watching: a later press or Escape changes nothing.
    f.menus->L_Level_RLCClick();
    QTest::mouseClick(f.P_level_RLC, Qt::LeftButton, {}, QPoint(f.P_level_RLC->width() / 2, 6));
    QVERIFY(!f.P_level_RLC->isHidden());
}

void TestForm1StaleDisplay::displaySwitchClosesTheMenus_data()
{
    QTest::addColumn<QByteArray>("frame"); // empty: the RD mode button is pressed instead
    QTest::addColumn<bool>("closes");

    QTest::newRow("RD frame") << protocol::encodeRdFrame(650.0, 1000.0, 0.0, {}, true).toByteArray() << true;
    QTest::newRow("U frame") << protocol::encodeUFrame(1.0, 2.0, 1.0, true).toByteArray() << true;
    QTest::newRow("RLCD frame") << protocol::encodeRlcFrame({}, 4700.0, 0.001, true).toByteArray() << false;
    QTest::newRow("mode button") << QByteArray() << true;
}

void TestForm1StaleDisplay::displaySwitchClosesTheMenus()
{
    QFETCH(QByteArray, frame);
    QFETCH(bool, closes);

    TForm1 &f = *m_form;
    QVERIFY(f.findAndOpenDongle());
    f.menus->L_Sec_RLCClick();
    f.menus->L_freq_RLCClick();
    // A choice was sent a second ago: its timer let the frames through again
    // while the menus are still open.
    f.Timer_TXTimer();
    QCOMPARE(f.frameHold.holdFrames(), 0);

    if (frame.isEmpty())
        f.Button1->click();
    else
        deliver(frame);

    QCOMPARE(openMenus().isEmpty(), closes);
    QCOMPARE(f.ListBox_sec_RLC->isHidden(), closes);
    QCOMPARE(f.ListBox_freq_RLC->isHidden(), closes);
}

void TestForm1StaleDisplay::linkEndBlanksEveryReading_data()
{
    QTest::addColumn<bool>("portCloses"); // else the dongle reports the link lost
    QTest::newRow("link lost") << false;
    QTest::newRow("port closed") << true;
}

void TestForm1StaleDisplay::linkEndBlanksEveryReading()
{
    QFETCH(bool, portCloses);

    TForm1 &f = *m_form;
    QVERIFY(f.findAndOpenDongle());
    protocol::RdStatus second;
    second.secondCurrent = true;
    deliver(protocol::encodeRdFrame(4700.0, 500.0, 4.5, second, true).toByteArray());
    deliver(protocol::encodeUFrame(1.0, 2.8, -1.0, true).toByteArray());
    QLabel *readings[] = {f.RD_Prim, f.RD_J, f.RD_J1, f.U_Prim, f.U_vrm, f.U_pp};
    for (QLabel *field : readings)
        QVERIFY2(!field->text().trimmed().isEmpty(), qPrintable(field->objectName()));
    const QString voltage = f.RD_V->text();
    const QString letter = f.RD_prim_R->text();

    if (portCloses)
        f.ComPort->Close();
    else
        deliver("OK+LOST");

    for (QLabel *field : readings)
        QVERIFY2(field->text().isEmpty(), qPrintable(field->objectName()));
    // What is measured and how stays shown.
    QCOMPARE(f.RD_V->text(), voltage);
    QCOMPARE(f.RD_prim_R->text(), letter);
}

void TestForm1StaleDisplay::unusableFinderIsNamedOnce_data()
{
    QTest::addColumn<QString>("library");
    QTest::addColumn<QStringList>("named"); // what the line says; empty: no line
    const QString noEntry = QCoreApplication::applicationDirPath() + QStringLiteral("/libportvane_noentry.so");
    QTest::newRow("missing") << QStringLiteral("/nonexistent/libportvane.so")
                             << QStringList{"Port finder not loaded", "/nonexistent/libportvane.so"};
    QTest::newRow("no entry point") << noEntry << QStringList{"Port finder not loaded", noEntry, "gets"};
    QTest::newRow("usable") << QStringLiteral("libportvane.so") << QStringList();
}

void TestForm1StaleDisplay::unusableFinderIsNamedOnce()
{
    QFETCH(QString, library);
    QFETCH(QStringList, named);

    m_form.reset();
    Form1Options options;
    options.finderLibrary = library;
    StderrCapture capture;
    m_form = std::make_unique<TForm1>(options);
    const QString errors = QString::fromLocal8Bit(capture.text());

    const QStringList lines = memoLines(m_form->Memo1);
    if (named.isEmpty()) {
        QCOMPARE(lines, QStringList());
        QVERIFY2(!errors.contains(QLatin1String("Port finder")), qPrintable(errors));
        return;
    }
    QCOMPARE(lines.size(), 1);
    for (const QString &part : named)
        QVERIFY2(lines.first().contains(part), qPrintable(lines.first()));
    QCOMPARE(errors.count(lines.first()), 1);

    // Searches that follow fail without another word.
    m_form->B2->click();
    m_form->T3Timer();
    QCOMPARE(memoLines(m_form->Memo1).size(), 1);
}

void TestForm1StaleDisplay::windowIsPaintedBeforeTheProbe()
{
    TForm1 &f = *m_form;
    // The window itself is covered by its panels; the display is painted with it.
    PaintCounter counter(f.Panel_RLCD);
    int paintsWhenProbed = -1;
    bool exposedWhenProbed = false;
    // The probe opens the port first, then pauses twice.
    f.ComPort->OnBeforeOpen = [&](TCustomComPort *) {
        paintsWhenProbed = counter.paints;
        exposedWhenProbed = f.windowHandle()->isExposed();
    };

    std::future<QByteArray> peer = m_rig->answerAttention({"OK", "OK"});
    f.show();
    QTRY_VERIFY(peer.wait_for(0s) == std::future_status::ready);
    QCOMPARE(peer.get(), QByteArray("ATAT"));
    QVERIFY(exposedWhenProbed);
    QVERIFY(paintsWhenProbed > 0);
    QVERIFY(f.portReady);
}

QTEST_MAIN(TestForm1StaleDisplay)
#include "tst_form1_stale_display.moc"
