#include "panel/panel_field.h"

#include <QMouseEvent>
#include <QSignalSpy>
#include <QtTest>

class TestPanelField : public QObject
{
    Q_OBJECT

private slots:
    void raisedBorderKeepsTheTextInPlace();
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
