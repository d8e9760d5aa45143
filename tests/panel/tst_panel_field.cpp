#include "panel/panel_field.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

class TestPanelField : public QObject
{
    Q_OBJECT

private slots:
    void raisedBorderKeepsTheTextInPlace();
    void raisedBorderDrawsTheSameText_data();
    void raisedBorderDrawsTheSameText();
    void clickNeedsPressAndReleaseOfTheLeftButtonOverIt_data();
    void clickNeedsPressAndReleaseOfTheLeftButtonOverIt();
    void reportsThePointerComingAndGoing();
};

namespace {

QRect textArea(const QLabel &label)
{
    const int m = label.margin();
    return label.contentsRect().marginsRemoved(QMargins(m, m, m, m));
}

} // namespace

void TestPanelField::raisedBorderKeepsTheTextInPlace()
{
    panel::PanelField field;
    field.setGeometry(0, 0, 129, 26);
    QVERIFY(!field.isRaised());
    QCOMPARE(field.frameStyle(), int(QFrame::NoFrame));
    const QRect flat = textArea(field);

    field.setRaised(true);
    QVERIFY(field.isRaised());
    QCOMPARE(field.frameShape(), QFrame::Panel);
    QCOMPARE(field.frameShadow(), QFrame::Raised);
    QCOMPARE(textArea(field), flat);

    field.setRaised(false);
    QCOMPARE(field.frameStyle(), int(QFrame::NoFrame));
    QCOMPARE(textArea(field), flat);
}

void TestPanelField::raisedBorderDrawsTheSameText_data()
{
    QTest::addColumn<QRect>("geometry");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<int>("alignment");
    QTest::addColumn<QString>("text");
    // Big letters in narrow fields, as on the display: any shift shows.
    QTest::newRow("primary letter, left") << QRect(0, 0, 34, 57) << 60 << int(Qt::AlignLeft | Qt::AlignVCenter)
                                          << QStringLiteral("C");
    QTest::newRow("secondary letter, right") << QRect(0, 0, 30, 42) << 40 << int(Qt::AlignRight | Qt::AlignVCenter)
                                             << QStringLiteral("D");
    QTest::newRow("level caption, right") << QRect(0, 0, 129, 26) << 27 << int(Qt::AlignRight | Qt::AlignVCenter)
                                          << QStringLiteral(" 0.5 Вскз");
    QTest::newRow("auto marker, top left") << QRect(0, 0, 13, 25) << 19 << int(Qt::AlignLeft | Qt::AlignTop)
                                           << QStringLiteral("A");
}

// Inside the border the highlighted field shows exactly the pixels of the
// flat one: the text neither moves nor gets cut.
void TestPanelField::raisedBorderDrawsTheSameText()
{
    QFETCH(QRect, geometry);
    QFETCH(int, pixelSize);
    QFETCH(int, alignment);
    QFETCH(QString, text);

    panel::PanelField field;
    field.setGeometry(geometry);
    QFont font = field.font();
    font.setPixelSize(pixelSize);
    field.setFont(font);
    field.setAlignment(Qt::Alignment(alignment));
    field.setText(text);
    QPalette palette = field.palette();
    palette.setColor(QPalette::Window, QColor(185, 209, 234));
    field.setPalette(palette);
    field.setAutoFillBackground(true);

    const QRect inside = field.rect().adjusted(1, 1, -1, -1);
    const QImage flat = field.grab().toImage().copy(inside);
    field.setRaised(true);
    const QImage raised = field.grab().toImage().copy(inside);
    QCOMPARE(raised, flat);
}

void TestPanelField::clickNeedsPressAndReleaseOfTheLeftButtonOverIt_data()
{
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("releaseAt");
    QTest::addColumn<bool>("clicked");
    QTest::newRow("left, released inside") << int(Qt::LeftButton) << QPoint(10, 10) << true;
    QTest::newRow("left, released outside") << int(Qt::LeftButton) << QPoint(200, 10) << false;
    QTest::newRow("right button") << int(Qt::RightButton) << QPoint(10, 10) << false;
}

void TestPanelField::clickNeedsPressAndReleaseOfTheLeftButtonOverIt()
{
    QFETCH(int, button);
    QFETCH(QPoint, releaseAt);
    QFETCH(bool, clicked);

    panel::PanelField field;
    field.setGeometry(0, 0, 109, 26);
    field.show();
    QVERIFY(QTest::qWaitForWindowExposed(&field));
    QSignalSpy spy(&field, &panel::PanelField::clicked);

    QTest::mousePress(&field, Qt::MouseButton(button), {}, QPoint(10, 10));
    QTest::mouseRelease(&field, Qt::MouseButton(button), {}, releaseAt);
    QCOMPARE(spy.count(), clicked ? 1 : 0);

    // A release without a press before it is no click.
    QTest::mouseRelease(&field, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(spy.count(), clicked ? 1 : 0);
}

void TestPanelField::reportsThePointerComingAndGoing()
{
    panel::PanelField field;
    QSignalSpy entered(&field, &panel::PanelField::entered);
    QSignalSpy left(&field, &panel::PanelField::left);

    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
    QCoreApplication::sendEvent(&field, &enter);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(left.count(), 0);

    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(&field, &leave);
    QCOMPARE(left.count(), 1);
}

QTEST_MAIN(TestPanelField)
#include "tst_panel_field.moc"
