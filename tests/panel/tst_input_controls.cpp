#include "panel/drop_down.h"
#include "panel/spin_edit.h"

#include <QAbstractItemView>
#include <QSignalSpy>
#include <QtTest>

namespace {

// Reaches the arrows' enabled state the way the style asks for it.
class ProbeSpinEdit : public panel::SpinEdit
{
public:
    using panel::SpinEdit::stepEnabled;
};

} // namespace

class TestInputControls : public QObject
{
    Q_OBJECT

private slots:
    void arrowsFollowTheSignOfTheStep_data();
    void arrowsFollowTheSignOfTheStep();
    void arrowsStopAtTheBoundTheyRunInto();
    void dropDownAnnouncesItsListBeforeItOpens();
};

void TestInputControls::arrowsFollowTheSignOfTheStep_data()
{
    QTest::addColumn<int>("increment");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("expected");

    QTest::newRow("step 1, up") << 1 << int(Qt::Key_Up) << 4;
    QTest::newRow("step 1, down") << 1 << int(Qt::Key_Down) << 2;
    QTest::newRow("step -1, up lowers") << -1 << int(Qt::Key_Up) << 2;
    QTest::newRow("step -1, down raises") << -1 << int(Qt::Key_Down) << 4;
    QTest::newRow("step -2, page keys too") << -2 << int(Qt::Key_PageUp) << 1;
}

void TestInputControls::arrowsFollowTheSignOfTheStep()
{
    QFETCH(int, increment);
    QFETCH(int, key);
    QFETCH(int, expected);

    panel::SpinEdit spin;
    spin.setRange(1, 10);
    spin.setIncrement(increment);
    spin.setValue(3);
    QCOMPARE(spin.increment(), increment);
    QCOMPARE(spin.singleStep(), std::abs(increment));

    QTest::keyClick(&spin, Qt::Key(key));
    QCOMPARE(spin.value(), expected);
}

void TestInputControls::arrowsStopAtTheBoundTheyRunInto()
{
    ProbeSpinEdit spin;
    spin.setRange(1, 4);
    spin.setIncrement(-1);

    spin.setValue(1);
    QCOMPARE(spin.stepEnabled(), QAbstractSpinBox::StepDownEnabled);
    spin.stepUp();
    QCOMPARE(spin.value(), 1);

    spin.setValue(4);
    QCOMPARE(spin.stepEnabled(), QAbstractSpinBox::StepUpEnabled);
    spin.stepDown();
    QCOMPARE(spin.value(), 4);
    spin.stepUp();
    QCOMPARE(spin.value(), 3);
    QCOMPARE(spin.stepEnabled(), QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled);
}

void TestInputControls::dropDownAnnouncesItsListBeforeItOpens()
{
    panel::DropDown combo;
    combo.addItem(QStringLiteral("R1"));
    combo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&combo));

    int itemsWhenAnnounced = -1;
    bool openWhenAnnounced = true;
    connect(&combo, &panel::DropDown::droppedDown, &combo, [&] {
        openWhenAnnounced = combo.view()->isVisible();
        itemsWhenAnnounced = combo.count();
        // A listener may refill the list before it opens.
        combo.clear();
        combo.addItems({QStringLiteral("R1"), QStringLiteral("C2")});
    });
    QSignalSpy spy(&combo, &panel::DropDown::droppedDown);

    combo.showPopup();
    QCOMPARE(spy.count(), 1);
    QVERIFY(!openWhenAnnounced);
    QCOMPARE(itemsWhenAnnounced, 1);
    QTRY_VERIFY(combo.view()->isVisible());
    QCOMPARE(combo.view()->model()->rowCount(), 2);
    combo.hidePopup();
}

QTEST_MAIN(TestInputControls)
#include "tst_input_controls.moc"
