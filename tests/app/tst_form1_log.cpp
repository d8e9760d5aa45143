// The measurement log on the window, with a pseudo-terminal playing the dongle
// and the meter: rows from frames and the space bar, start and stop, clearing,
// the table's growth and its colours.

#include "app/form1.h"
#include "app/scpi_front.h"
#include "profiles/tolerance_check.h"
#include "dongle_rig.h"

#include "i18n/lexicon_translator.h"
#include "link/com_port.h"
#include "log/log_cell_delegate.h"
#include "log/log_controller.h"
#include "log/log_table_model.h"
#include "panel/drop_down.h"
#include "panel/panel_field.h"
#include "panel/spin_edit.h"
#include "protocol/frame_encoder.h"

#include <QHeaderView>
#include <QScreen>
#include <QLineEdit>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include <chrono>
#include <thread>

#include <memory>
#include <optional>

using protocol::MeterSettings;

namespace {

const QStringList kSinglePartHeaders = {QStringLiteral("Позиция"),       QStringLiteral("Время"),
                                        QStringLiteral("Основной"),      QStringLiteral("Дополнительн."),
                                        QStringLiteral("Схема"),         QStringLiteral("Частота"),
                                        QStringLiteral("Уровень"),       QStringLiteral("Брак"),
                                        QStringLiteral("Основ.% откл."), QStringLiteral("Допол.% откл.")};

QStringList headers(const LogTableModel &model)
{
    QStringList texts;
    for (int column = 0; column < LogTableModel::kColumns; ++column)
        texts << model.headerText(column);
    return texts;
}

// Row `row` as the log counts it (1 = first data row).
QStringList rowTexts(const LogTableModel &model, int row)
{
    QStringList texts;
    for (int column = 0; column < LogTableModel::kColumns; ++column)
        texts << model.cell(row - 1, column);
    return texts;
}

MeterSettings captured(bool capture)
{
    MeterSettings s;
    s.capture = capture ? 1 : 0;
    return s;
}

// Records every look-up the lexicons make and answers with the design text.
class RecordingTranslator : public i18n::LexiconTranslator
{
public:
    QString TranslateString(const QString &designText, const i18n::TDesignedLexicon &lexicon, int index) override
    {
        calls << QStringLiteral("%1[%2]").arg(lexicon.name()).arg(index);
        return designText;
    }
    QStringList calls;
};

} // namespace

class TestForm1Log : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void noLexiconLookUpBeforeFormCreate();
    void threeFramesWhileRecordingGiveThreeRows();
    void startPositionFarDownGrowsTheTable();
    void positionsStopAtTheLastRow();
    void framesGiveRowsByCaptureAndRecording_data();
    void framesGiveRowsByCaptureAndRecording();
    void spaceBarRecordsOneRow_data();
    void spaceBarRecordsOneRow();
    void clearWhileRecording();
    void stoppedSinglePartTableTakesNoSelection();
    void multiPartRowsBelongToProfileLines();
    void rowColoursFollowTheVerdicts();
    void whatTheScreenShowsKeepsUpWithTheRows();
    void aRowJustAddedCanBeScrolledToAtOnce();
    void rowsOfFramesThatWaitedKeepTheirTime();

private:
    // Sends bytes as one read and waits until the window has read them.
    void deliver(const QByteArray &bytes);
    void frame(const MeterSettings &settings = {}, double r = 4700.0, double x = 0.001);
    void bringLinkUp();

    std::unique_ptr<DongleRig> m_rig;
    std::unique_ptr<TForm1> m_form;
};

void TestForm1Log::init()
{
    m_rig = std::make_unique<DongleRig>();
    QVERIFY(m_rig->isValid());
    m_form = std::make_unique<TForm1>();
    m_rig->countReads(*m_form);
}

void TestForm1Log::cleanup()
{
    m_form.reset();
    m_rig.reset();
}

void TestForm1Log::deliver(const QByteArray &bytes)
{
    const int before = m_rig->reads();
    QVERIFY(m_rig->send(bytes));
    QTRY_COMPARE(m_rig->reads(), before + 1);
}

void TestForm1Log::frame(const MeterSettings &settings, double r, double x)
{
    deliver(protocol::encodeRlcFrame(settings, r, x, true).toByteArray());
}

void TestForm1Log::bringLinkUp()
{
    TForm1 &f = *m_form;
    f.B2->click();
    QCOMPARE(m_rig->readUntil("AT+CONNL"), QByteArray("AT+CONNL"));
    deliver("OK+CONNL");
    deliver("OK+CONN\r\n");
    QVERIFY(f.meterConnected);
    QVERIFY(f.SP1->isEnabled());
    // The settings command a second later would hold frames for another
    // second; these tests are about the rows.
    f.T4->stop();
}

void TestForm1Log::noLexiconLookUpBeforeFormCreate()
{
    // Construction runs FormCreate once. Every look-up made while the window
    // was built must be one FormCreate makes: running it again makes the
    // same ones, so a look-up made before it shows up as a difference.
    RecordingTranslator translator;
    Form1Options options;
    options.finderLibrary = QStringLiteral("no-finder-in-this-test.so");
    options.lexiconTranslator = &translator;
    TForm1 form(options);
    const QStringList duringConstruction = translator.calls;
    QVERIFY(!duringConstruction.isEmpty());

    translator.calls.clear();
    form.FormCreate();
    QCOMPARE(duringConstruction, translator.calls);
    QCOMPARE(headers(*form.logModel), kSinglePartHeaders);
}

void TestForm1Log::threeFramesWhileRecordingGiveThreeRows()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    QCOMPARE(f.SP1->text(), QStringLiteral("Пуск"));
    QCOMPARE(f.logController->tableRows(), 16);

    f.SP1->click();
    QVERIFY(f.SP1->isChecked());
    QCOMPARE(f.SP1->text(), QStringLiteral("Стоп"));
    QVERIFY(!f.SG->isEnabled());
    QVERIFY(!f.SP3->isEnabled());
    QCOMPARE(f.focusWidget(), f.Memo1);

    MeterSettings series;
    series.seriesCircuit = 1;
    frame(MeterSettings{}, 4700.0, 0.001);
    frame(series, 100.0, 0.002);
    frame(MeterSettings{}, 33.0, 0.003);

    QCOMPARE(f.nextLogRow, 4);
    QTRY_COMPARE(f.SE1->value(), 4);
    QCOMPARE(f.logController->tableRows(), 16);
    QTRY_COMPARE(f.SG->currentIndex(), f.logModel->index(2, 0));
    const QRegularExpression time(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    for (int row = 1; row <= 3; ++row) {
        const QStringList texts = rowTexts(*f.logModel, row);
        QCOMPARE(texts.at(0), QString::number(row));
        QVERIFY2(time.match(texts.at(1)).hasMatch(), qPrintable(texts.at(1)));
        QCOMPARE(texts.at(4), row == 2 ? QStringLiteral("S") : QStringLiteral("P"));
        QCOMPARE(texts.at(5), QStringLiteral("10 кГц"));
        QCOMPARE(texts.at(6), QStringLiteral("1.0 Вскз"));
        // Both tolerances are off: no verdict, no deviations.
        QCOMPARE(texts.mid(7), (QStringList{QString(), QString(), QString()}));
        QVERIFY(f.logModel->reading(row - 1));
    }
    // The last row shows what the display shows.
    QCOMPARE(f.logModel->cell(2, 2), f.L_Prim_RLC->text() + QLatin1Char(' ') + f.L_prim_n->text());
    QCOMPARE(f.logModel->cell(2, 3), f.L_Sec_RLC->text() + QLatin1Char(' ') + f.L_sec_n->text());
    // And keeps the numbers behind it.
    const reading::Reading &second = *f.logModel->reading(1);
    QCOMPARE(second.settings, series);
    QCOMPARE(second.reading.seriesResistance, 100.0);
    QCOMPARE(second.reading.frequencyHz, 10000);
    QVERIFY(!second.judged);
    QVERIFY(rowTexts(*f.logModel, 4).join(QString()).isEmpty());
    // Unjudged for the SCPI front too.
    QCOMPARE(f.scpiFront->meter().latestReading()->verdictCode(), profiles::kNotJudged);
}

void TestForm1Log::startPositionFarDownGrowsTheTable()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    f.SP1->click();
    frame();
    // Set right after a row, before the field has caught up with it.
    f.SE1->setValue(40);

    frame();

    QCOMPARE(f.logController->tableRows(), 41);
    QCOMPARE(f.logModel->cell(39, 0), QStringLiteral("40"));
    QTRY_COMPARE(f.SG->currentIndex().row(), 39);
    QCOMPARE(f.nextLogRow, 41);
    QTRY_COMPARE(f.SE1->value(), 41);
    QCOMPARE(f.logModel->cell(1, 0), QString());
}

void TestForm1Log::positionsStopAtTheLastRow()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    f.SP1->click();
    f.SE1->setValue(100000);

    frame(MeterSettings{}, 1.0, 0.001);
    QCOMPARE(f.logController->tableRows(), 100001);
    QCOMPARE(f.SE1->value(), 100000);
    QCOMPARE(f.nextLogRow, 100001);

    // The next row goes to row 100000 again.
    frame(MeterSettings{}, 2.0, 0.001);
    QCOMPARE(f.logController->tableRows(), 100001);
    QCOMPARE(f.logModel->reading(99999)->reading.seriesResistance, 2.0);
    QCOMPARE(f.logModel->cell(99999, 0), QStringLiteral("100000"));
}

void TestForm1Log::framesGiveRowsByCaptureAndRecording_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<bool>("capture");
    QTest::addColumn<bool>("rows");

    QTest::newRow("recording, live values") << true << false << true;
    QTest::newRow("recording, captured value") << true << true << false;
    QTest::newRow("stopped, live values") << false << false << false;
    QTest::newRow("stopped, captured value") << false << true << true;
}

void TestForm1Log::framesGiveRowsByCaptureAndRecording()
{
    QFETCH(bool, recording);
    QFETCH(bool, capture);
    QFETCH(bool, rows);

    TForm1 &f = *m_form;
    bringLinkUp();
    if (recording)
        f.SP1->click();
    for (int i = 0; i < 3; ++i)
        frame(captured(capture));

    QTRY_COMPARE(f.SE1->value(), rows ? 4 : 1);
    QCOMPARE(f.logModel->cell(2, 0), rows ? QStringLiteral("3") : QString());
    // Stopped in single-part mode, a new row does not become the current one.
    QTRY_VERIFY(!f.logController->currentRowPending());
    QCOMPARE(f.SG->currentIndex().isValid(), rows && recording);
}

void TestForm1Log::spaceBarRecordsOneRow_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<bool>("row");

    QTest::newRow("stopped, linked") << "stopped" << true;
    QTest::newRow("recording") << "recording" << false;
    QTest::newRow("frames held") << "held" << false;
    QTest::newRow("link down") << "down" << false;
    QTest::newRow("a held key repeating") << "repeat" << false;
    QTest::newRow("another key") << "other" << false;
    // Handed from the label up to each of its parents: still one press.
    QTest::newRow("a control that takes no keys") << "label" << true;
    // Two presses, the second in the memory of the first: to the field, which
    // takes it, then to the window around it. Two presses, though the second
    // looks like a hand-over of the first.
    QTest::newRow("a second press where the first was") << "same place" << true;
}

void TestForm1Log::spaceBarRecordsOneRow()
{
    QFETCH(QString, state);
    QFETCH(bool, row);

    TForm1 &f = *m_form;
    bringLinkUp();
    frame(); // a reading to record
    if (state == QLatin1String("recording"))
        f.SP1->click();
    if (state == QLatin1String("held"))
        f.frameHold.hold(FrameHold::Reason::SettingChange);
    if (state == QLatin1String("down"))
        deliver("OK+LOST");
    QCOMPARE(f.SE1->value(), 1);

    // The key goes to a text field several levels down the window.
    QLineEdit *name = f.CBox6->lineEdit();
    name->setText(QStringLiteral("R1"));
    name->setCursorPosition(2);
    const Qt::Key key = state == QLatin1String("other") ? Qt::Key_X : Qt::Key_Space;
    if (state == QLatin1String("same place")) {
        std::optional<QKeyEvent> press;
        for (QWidget *to : {static_cast<QWidget *>(name), static_cast<QWidget *>(&f)}) {
            press.emplace(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QApplication::sendEvent(to, &*press);
            QKeyEvent release(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
            QApplication::sendEvent(to, &release);
        }
        QTRY_COMPARE(f.SE1->value(), 3);
        return;
    }
    if (state == QLatin1String("label")) {
        QTest::keyClick(f.Label1, Qt::Key_Space);
        QCOMPARE(f.logModel->cell(1, 0), QString());
        QTRY_COMPARE(f.SE1->value(), 2);
        return;
    }
    if (state == QLatin1String("repeat")) {
        QKeyEvent repeated(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
        QApplication::sendEvent(name, &repeated);
    } else {
        QTest::keyClick(name, key);
    }

    QCOMPARE(f.logModel->cell(0, 0), row ? QStringLiteral("1") : QString());
    QTRY_COMPARE(f.SE1->value(), row ? 2 : 1);
    QCOMPARE(f.nextLogRow, row ? 2 : 0);
    // The key was not taken away from the field.
    QCOMPARE(name->text(), state == QLatin1String("other") ? QStringLiteral("R1x") : QStringLiteral("R1 "));
}

void TestForm1Log::clearWhileRecording()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    f.SP1->click();
    f.SE1->setValue(20);
    frame();
    frame();
    QCOMPARE(f.logController->tableRows(), 22);

    f.B5->click();

    QVERIFY(!f.SP1->isChecked());
    QCOMPARE(f.SP1->text(), QStringLiteral("Пуск"));
    QVERIFY(f.SG->isEnabled());
    QVERIFY(f.SP3->isEnabled());
    QCOMPARE(f.focusWidget(), f.Memo1);
    QCOMPARE(f.logController->tableRows(), 16);
    QCOMPARE(f.SE1->value(), 1);
    for (int row = 0; row < f.logModel->rowCount(); ++row) {
        QVERIFY(rowTexts(*f.logModel, row + 1).join(QString()).isEmpty());
        QVERIFY(!f.logModel->reading(row));
    }
    QCOMPARE(headers(*f.logModel), kSinglePartHeaders);
    // Recording stopped: frames give no rows.
    frame();
    QCOMPARE(f.SE1->value(), 1);
}

void TestForm1Log::stoppedSinglePartTableTakesNoSelection()
{
    TForm1 &f = *m_form;
    const auto clickCell = [&f](int row, int column) {
        const QPoint centre = f.SG->visualRect(f.logModel->index(row, column)).center();
        QTest::mouseClick(f.SG->viewport(), Qt::LeftButton, {}, centre);
    };
    clickCell(2, 3);
    QTest::keyClick(f.SG, Qt::Key_Down);
    QVERIFY(!f.SG->currentIndex().isValid());
    QVERIFY(f.SG->selectionModel()->selectedIndexes().isEmpty());

    // Multi part: the user picks a line's row.
    f.CBox10->setCurrentIndex(1);
    clickCell(2, 3);
    QCOMPARE(f.SG->currentIndex(), f.logModel->index(2, 3));
    // And back in single part, nothing moves it.
    f.CBox10->setCurrentIndex(0);
    clickCell(4, 1);
    QCOMPARE(f.SG->currentIndex(), f.logModel->index(2, 3));
}

void TestForm1Log::multiPartRowsBelongToProfileLines()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    // A profile of three lines, as the profile side leaves it.
    f.lineCount = 3;
    f.CBox6->clear();
    f.CBox6->addItems({QStringLiteral("R1"), QStringLiteral("C7")});
    f.SE2->setRange(1, 4);
    f.CBox10->setCurrentIndex(1);
    f.Button_Add->setEnabled(true);
    f.Button_DEL->setEnabled(true);

    f.SP1->click();

    QVERIFY(f.multiLogPrepared);
    QVERIFY(!f.Button_Add->isEnabled());
    QVERIFY(!f.Button_DEL->isEnabled());
    QCOMPARE(f.logController->tableRows(), 4);
    QCOMPARE(headers(*f.logModel).mid(2), kSinglePartHeaders.mid(2));
    QCOMPARE(rowTexts(*f.logModel, 1).mid(0, 3), (QStringList{"1", "R1", ""}));
    QCOMPARE(rowTexts(*f.logModel, 3).mid(0, 3), (QStringList{"3", "", ""}));

    f.SE2->setValue(2);
    frame();
    frame(MeterSettings{}, 47.0, 0.001);

    // Only line 2's row, with its name kept; the start position is not used.
    const QStringList second = rowTexts(*f.logModel, 2);
    QCOMPARE(second.mid(0, 2), (QStringList{"2", "C7"}));
    QCOMPARE(second.at(2), f.L_Prim_RLC->text() + QLatin1Char(' ') + f.L_prim_n->text());
    QCOMPARE(f.logModel->reading(1)->reading.seriesResistance, 47.0);
    QVERIFY(!f.logModel->reading(0));
    QVERIFY(!f.logModel->reading(2));
    QCOMPARE(f.SE1->value(), 1);
    QCOMPARE(f.nextLogRow, 3);
}

void TestForm1Log::rowColoursFollowTheVerdicts()
{
    TForm1 &f = *m_form;
    // Rows as the tolerance check leaves them: a reject of the primary value,
    // a pass, a reject whose verdict came while both tolerances were off.
    LogTableModel &model = *f.logModel;
    LogTableModel::Cells reject, pass;
    reject[0] = QStringLiteral("1");
    reject[7] = QStringLiteral("+");
    reject[8] = QStringLiteral("12.00");
    reject[9] = QStringLiteral("0.50");
    pass[0] = QStringLiteral("2");
    pass[7] = QStringLiteral("-");
    pass[8] = QStringLiteral("0.10");
    model.writeRow(0, reject, reading::Reading{});
    model.writeRow(1, pass, reading::Reading{});

    const auto colourAt = [&f](int row, int column) {
        const QRect cell = f.SG->visualRect(f.logModel->index(row, column));
        // A corner of the cell away from its text.
        return f.SG->viewport()->grab().toImage().pixelColor(cell.right() - 3, cell.bottom() - 3);
    };
    const QColor base = colourAt(2, 8);
    QVERIFY(base != LogCellDelegate::rejectColour());

    f.logController->setLatestJudgeResult(1);
    QCOMPARE(colourAt(0, 7), LogCellDelegate::rejectColour());
    QCOMPARE(colourAt(0, 8), LogCellDelegate::rejectColour());
    QCOMPARE(colourAt(0, 9), base);
    QCOMPARE(colourAt(1, 7), LogCellDelegate::passColour());
    QCOMPARE(colourAt(1, 8), base);
    QCOMPARE(colourAt(0, 6), base);

    // The latest verdict, not the row's own, colours the deviation cells.
    f.logController->setLatestJudgeResult(2);
    QCOMPARE(colourAt(0, 8), base);
    QCOMPARE(colourAt(0, 9), LogCellDelegate::rejectColour());
    f.logController->setLatestJudgeResult(0);
    QCOMPARE(colourAt(0, 9), base);
    QCOMPARE(colourAt(0, 7), LogCellDelegate::rejectColour());

    // While recording the table is disabled, and still draws its colours
    // and its text as it does otherwise.
    const auto darkestIn = [&f](int row, int column) {
        const QRect cell = f.SG->visualRect(f.logModel->index(row, column)).adjusted(0, 0, -2, -2);
        const QImage image = f.SG->viewport()->grab().toImage();
        int darkest = 255;
        for (int y = cell.top(); y <= cell.bottom(); ++y)
            for (int x = cell.left(); x <= cell.right(); ++x)
                darkest = std::min(darkest, qGray(image.pixel(x, y)));
        return darkest;
    };
    const int enabledText = darkestIn(0, 0);
    f.SG->setEnabled(false);
    QCOMPARE(colourAt(0, 7), LogCellDelegate::rejectColour());
    QCOMPARE(colourAt(1, 7), LogCellDelegate::passColour());
    QCOMPARE(darkestIn(0, 0), enabledText);

    // The text starts 2 px right of and below the cell's corner.
    const QRect cell = f.SG->visualRect(model.index(0, 7));
    const QImage image = f.SG->viewport()->grab().toImage();
    int left = cell.right(), top = cell.bottom();
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x) {
            if (image.pixelColor(x, y) != LogCellDelegate::rejectColour() && x < cell.right() - 1
                && y < cell.bottom() - 1) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
        }
    }
    QVERIFY2(left >= cell.left() + LogCellDelegate::kTextInset, qPrintable(QString::number(left - cell.left())));
    QVERIFY2(top >= cell.top() + LogCellDelegate::kTextInset, qPrintable(QString::number(top - cell.top())));
    QVERIFY(left < cell.left() + 10);
}

void TestForm1Log::whatTheScreenShowsKeepsUpWithTheRows()
{
    TForm1 &f = *m_form;
    // The first showing probes the dongle; it answers.
    std::future<QByteArray> probe = m_rig->answerAttention({"OK", "OK"});
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    QTRY_VERIFY(probe.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
    QVERIFY(f.ComPort->Connected());
    bringLinkUp();
    f.SP1->click();

    // The table as painted on the screen, against the table drawn afresh:
    // rows painted only where they changed must add up to the same picture.
    QWidget *viewport = f.SG->viewport();
    const auto onScreen = [&f, viewport] {
        const QRect area(viewport->mapTo(&f, QPoint(0, 0)), viewport->size());
        return f.screen()->grabWindow(f.winId(), area.x(), area.y(), area.width(), area.height()).toImage();
    };
    const auto drawnAfresh = [viewport] { return viewport->grab().toImage(); };
    const auto same = [&] {
        const QImage a = onScreen().convertToFormat(QImage::Format_RGB32);
        const QImage b = drawnAfresh().convertToFormat(QImage::Format_RGB32);
        return a.size() == b.size() && a == b;
    };

    for (int i = 0; i < 30; ++i)
        frame(MeterSettings{}, 100.0 + i, 0.001);
    // Row 30 comes into view.
    QTRY_VERIFY(viewport->rect().contains(f.SG->visualRect(f.logModel->index(29, 0))));
    QTRY_VERIFY(same());

    // One more row scrolls the picture: the rows in view that did not change
    // are moved, not painted again.
    struct PaintedArea : QObject
    {
        QRegion region;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                region += static_cast<QPaintEvent *>(event)->region();
            return false;
        }
    } painted;
    viewport->installEventFilter(&painted);
    frame(MeterSettings{}, 200.0, 0.001);
    QTRY_VERIFY(viewport->rect().contains(f.SG->visualRect(f.logModel->index(30, 0))));
    QTRY_VERIFY(painted.region.contains(f.SG->visualRect(f.logModel->index(30, 0))));
    qint64 area = 0;
    for (const QRect &r : painted.region)
        area += qint64(r.width()) * r.height();
    const qint64 whole = qint64(viewport->width()) * viewport->height();
    QVERIFY2(area < whole / 2, qPrintable(QStringLiteral("%1 of %2 pixels painted").arg(area).arg(whole)));
    viewport->removeEventFilter(&painted);
    QTRY_VERIFY(same());

    f.SE1->setValue(60);
    frame();
    QTRY_VERIFY(viewport->rect().contains(f.SG->visualRect(f.logModel->index(59, 0))));
    QTRY_VERIFY(same());

    f.B5->click();
    QTRY_VERIFY(same());
}

// The table measures its scroll range late while rows pour in; scrolling to
// a row added a moment ago must still bring it into view.
void TestForm1Log::aRowJustAddedCanBeScrolledToAtOnce()
{
    TForm1 &f = *m_form;
    f.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f));
    const int rows = f.logModel->rowCount();
    f.logModel->setRowCount(rows + 200);
    const QModelIndex last = f.logModel->index(rows + 199, 0);
    f.SG->scrollTo(last);
    QVERIFY(f.SG->viewport()->rect().contains(f.SG->visualRect(last)));
}

// The window is busy while three readings arrive 60 ms apart: they become
// three rows, in order, each with the time its reading reached the port; a
// block that is neither a reply nor whole readings is counted on the status.
void TestForm1Log::rowsOfFramesThatWaitedKeepTheirTime()
{
    TForm1 &f = *m_form;
    bringLinkUp();
    f.SP1->click();
    QVERIFY(f.Memo1->toolTip().isEmpty());

    const QList<double> values = {101.0, 102.0, 103.0};
    std::vector<qint64> sentMs;
    std::thread peer([&] {
        for (const double r : values) {
            if (!sentMs.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(60));
            sentMs.push_back(QDateTime::currentMSecsSinceEpoch());
            m_rig->send(protocol::encodeRlcFrame({}, r, 0.001, true).toByteArray());
        }
    });
    // Busy: nothing is handled here meanwhile.
    peer.join();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const qint64 busyUntil = QDateTime::currentMSecsSinceEpoch();

    QTRY_COMPARE(f.nextLogRow, 4);
    for (int row = 0; row < 3; ++row) {
        const reading::Reading *reading = f.logModel->reading(row);
        QVERIFY(reading);
        QCOMPARE(reading->reading.seriesResistance, values.at(row));
        const qint64 at = reading->time.toMSecsSinceEpoch();
        QVERIFY2(at >= sentMs[row] - 1 && at < busyUntil - 100,
                 qPrintable(QStringLiteral("row %1: sent %2, time %3, handled after %4")
                                .arg(row).arg(sentMs[row]).arg(at).arg(busyUntil)));
    }

    deliver(QByteArray(20, 'x'));
    QCOMPARE(f.Memo1->toolTip(), QStringLiteral("Отброшено принятых блоков (не ответ модема и не целые показания): 1"));
}

QTEST_MAIN(TestForm1Log)
#include "tst_form1_log.moc"
