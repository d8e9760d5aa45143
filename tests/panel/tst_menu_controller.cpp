#include "panel/front_panel.h"
#include "panel/menu_controller.h"
#include "panel/panel_field.h"

#include <QFrame>
#include <QListWidget>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

const char *const kMenuPanels[] = {"P_prim_RLC", "P_sec_RLC", "P_ser_per", "P_level_RLC", "P_freq_RLC"};
const char *const kMenuLists[] = {"ListBox_prim_RLC", "ListBox_sec_RLC", "ListBox_ser_per", "ListBox_Level_RLC",
                                  "ListBox_freq_RLC"};

// The window's Panel4 with the front panel on it and the controller over it.
struct Host
{
    Host()
    {
        widget.setObjectName(QStringLiteral("Panel4"));
        widget.resize(620, 200);
        panel::buildFrontPanel(controls, &widget);
        menus = std::make_unique<panel::MenuController>(controls);
    }

    QWidget *find(const QString &name) const
    {
        QWidget *w = widget.findChild<QWidget *>(name);
        if (!w)
            qFatal("no control %s", qPrintable(name));
        return w;
    }

    template <std::size_t N>
    QStringList notHidden(const char *const (&names)[N]) const
    {
        QStringList shown;
        for (const char *name : names) {
            if (!find(QLatin1String(name))->isHidden())
                shown << QLatin1String(name);
        }
        return shown;
    }
    QStringList openMenus() const { return notHidden(kMenuPanels); }
    QStringList shownLists() const { return notHidden(kMenuLists); }

    void openAll()
    {
        menus->L_Prim_RLCClick();
        menus->L_Sec_RLCClick();
        menus->L_SER_PERClick();
        menus->L_Level_RLCClick();
        menus->L_freq_RLCClick();
    }

    void sendEnter(const QString &name)
    {
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(find(name), &enter);
    }

    void sendLeave(const QString &name)
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(find(name), &leave);
    }

    // A point of `name` in Panel4's coordinates.
    QPoint at(const QString &name, QPoint inside) const { return find(name)->mapTo(&widget, inside); }
    QPoint centreOf(const QString &name) const { return at(name, find(name)->rect().center()); }

    QWidget widget;
    panel::FrontPanelControls controls;
    std::unique_ptr<panel::MenuController> menus;
};

QStringList raisedFields(const QWidget &root)
{
    QStringList raised;
    for (const panel::PanelField *field : root.findChildren<panel::PanelField *>()) {
        if (field->isRaised())
            raised << field->objectName();
    }
    return raised;
}

} // namespace

class TestMenuController : public QObject
{
    Q_OBJECT

private slots:
    void pointerRaisesTheFieldItStandsFor_data();
    void pointerRaisesTheFieldItStandsFor();
    void clickOnAFieldOpensItsMenuAndHoldsFrames_data();
    void clickOnAFieldOpensItsMenuAndHoldsFrames();
    void leavingAListClosesEveryMenu_data();
    void leavingAListClosesEveryMenu();
    void frequencyMenuClosesThroughTheArmedDisplay();
    void enteringTheRdOrUDisplayAlwaysCloses_data();
    void enteringTheRdOrUDisplayAlwaysCloses();
    void realPointerOpensScrollsAndCloses();
};

void TestMenuController::pointerRaisesTheFieldItStandsFor_data()
{
    QTest::addColumn<QString>("pointedAt");
    QTest::addColumn<QString>("highlighted"); // empty: nothing lights up

    const char *const selfHighlighting[] = {"L_Prim_RLC", "L_Sec_RLC", "L_SER_PER", "L_SER_PER1",
                                            "L_Level_RLC", "L_freq_RLC", "RD_prim_R", "RD_V"};
    for (const char *name : selfHighlighting)
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(name);
    QTest::newRow("L_RLC_avto stands for L_Prim_RLC") << "L_RLC_avto" << "L_Prim_RLC";
    QTest::newRow("L_RQD_avto") << "L_RQD_avto" << QString();
    QTest::newRow("L_sec_n") << "L_sec_n" << QString();
    QTest::newRow("L_righ1") << "L_righ1" << QString();
    QTest::newRow("RD_J") << "RD_J" << QString();
    QTest::newRow("U_vrm") << "U_vrm" << QString();
}

void TestMenuController::pointerRaisesTheFieldItStandsFor()
{
    QFETCH(QString, pointedAt);
    QFETCH(QString, highlighted);
    Host host;

    host.sendEnter(pointedAt);
    QCOMPARE(raisedFields(host.widget), highlighted.isEmpty() ? QStringList() : QStringList{highlighted});
    host.sendLeave(pointedAt);
    QCOMPARE(raisedFields(host.widget), QStringList());
}

void TestMenuController::clickOnAFieldOpensItsMenuAndHoldsFrames_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("list");
    QTest::newRow("L_Prim_RLC") << "L_Prim_RLC" << "P_prim_RLC" << "ListBox_prim_RLC";
    QTest::newRow("L_RLC_avto") << "L_RLC_avto" << "P_prim_RLC" << "ListBox_prim_RLC";
    QTest::newRow("L_Sec_RLC") << "L_Sec_RLC" << "P_sec_RLC" << "ListBox_sec_RLC";
    QTest::newRow("L_SER_PER") << "L_SER_PER" << "P_ser_per" << "ListBox_ser_per";
    QTest::newRow("L_SER_PER1") << "L_SER_PER1" << "P_ser_per" << "ListBox_ser_per";
    QTest::newRow("L_Level_RLC") << "L_Level_RLC" << "P_level_RLC" << "ListBox_Level_RLC";
    QTest::newRow("L_freq_RLC") << "L_freq_RLC" << "P_freq_RLC" << "ListBox_freq_RLC";
}

void TestMenuController::clickOnAFieldOpensItsMenuAndHoldsFrames()
{
    QFETCH(QString, field);
    QFETCH(QString, menu);
    QFETCH(QString, list);
    Host host;
    host.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host.widget));
    QSignalSpy held(host.menus.get(), &panel::MenuController::framesHeld);
    QSignalSpy released(host.menus.get(), &panel::MenuController::framesReleased);

    QVERIFY(!host.menus->isAnyMenuOpen());
    QTest::mouseClick(host.find(field), Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(host.openMenus(), QStringList{menu});
    QCOMPARE(host.shownLists(), QStringList{list});
    QVERIFY(host.find(list)->isVisible());
    QVERIFY(host.menus->isAnyMenuOpen());
    QCOMPARE(held.count(), 1);

    // The other menus open beside it; none closes another.
    host.openAll();
    QCOMPARE(host.openMenus().size(), 5);
    QCOMPARE(held.count(), 6);
    QCOMPARE(released.count(), 0);
}

void TestMenuController::leavingAListClosesEveryMenu_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<bool>("closes");
    QTest::newRow("primary") << "ListBox_prim_RLC" << true;
    QTest::newRow("secondary") << "ListBox_sec_RLC" << true;
    QTest::newRow("circuit") << "ListBox_ser_per" << true;
    QTest::newRow("level") << "ListBox_Level_RLC" << true;
    // Its scroll bar lies outside the list's items; leaving must not close it.
    QTest::newRow("frequency") << "ListBox_freq_RLC" << false;
}

void TestMenuController::leavingAListClosesEveryMenu()
{
    QFETCH(QString, list);
    QFETCH(bool, closes);
    Host host;
    host.openAll();
    QSignalSpy released(host.menus.get(), &panel::MenuController::framesReleased);

    host.sendLeave(list);
    if (closes) {
        QCOMPARE(host.openMenus(), QStringList());
        QCOMPARE(host.shownLists(), QStringList());
        QCOMPARE(released.count(), 1);
    } else {
        QCOMPARE(host.openMenus().size(), 5);
        QCOMPARE(host.shownLists().size(), 5);
        QCOMPARE(released.count(), 0);
    }
}

void TestMenuController::frequencyMenuClosesThroughTheArmedDisplay()
{
    Host host;
    QSignalSpy released(host.menus.get(), &panel::MenuController::framesReleased);

    // Armed from the start: the first entry closes and disarms.
    QVERIFY(host.menus->isDisplayArmed());
    host.menus->L_freq_RLCClick();
    host.sendEnter(QStringLiteral("Panel_RLCD"));
    QCOMPARE(host.openMenus(), QStringList());
    QCOMPARE(released.count(), 1);
    QVERIFY(!host.menus->isDisplayArmed());

    // Disarmed: the display lets the pointer pass while the menu is open.
    host.menus->L_freq_RLCClick();
    host.sendEnter(QStringLiteral("Panel_RLCD"));
    QCOMPARE(host.openMenus(), QStringList{QStringLiteral("P_freq_RLC")});

    // Into the list and out again (to its scroll bar or caption): still open.
    host.sendEnter(QStringLiteral("ListBox_freq_RLC"));
    QVERIFY(host.menus->isDisplayArmed());
    host.sendLeave(QStringLiteral("ListBox_freq_RLC"));
    QCOMPARE(host.openMenus(), QStringList{QStringLiteral("P_freq_RLC")});
    QCOMPARE(released.count(), 1);

    // Back on the display: closed, and the display disarms itself again.
    host.sendEnter(QStringLiteral("Panel_RLCD"));
    QCOMPARE(host.openMenus(), QStringList());
    QCOMPARE(host.shownLists(), QStringList());
    QCOMPARE(released.count(), 2);
    QVERIFY(!host.menus->isDisplayArmed());
}

void TestMenuController::enteringTheRdOrUDisplayAlwaysCloses_data()
{
    QTest::addColumn<QString>("display");
    QTest::newRow("Panel_RD") << "Panel_RD";
    QTest::newRow("Panel_U") << "Panel_U";
}

void TestMenuController::enteringTheRdOrUDisplayAlwaysCloses()
{
    QFETCH(QString, display);
    Host host;
    host.sendEnter(QStringLiteral("Panel_RLCD")); // disarm it, so only `display` acts
    QSignalSpy released(host.menus.get(), &panel::MenuController::framesReleased);

    for (int round = 1; round <= 2; ++round) {
        host.openAll();
        host.sendEnter(display);
        QCOMPARE(host.openMenus(), QStringList());
        QCOMPARE(released.count(), round);
    }
    QVERIFY(!host.menus->isDisplayArmed());
}

// The same rules as the toolkit reports a real pointer: menus lie over the
// display panel as its siblings, so leaving one onto the display is an entry
// into the display, and a list's scroll bar is still inside the list.
void TestMenuController::realPointerOpensScrollsAndCloses()
{
    Host host;
    host.widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host.widget));
    QWidget *window = &host.widget;
    QSignalSpy held(host.menus.get(), &panel::MenuController::framesHeld);

    // Onto the display (the armed start closes nothing, as nothing is open).
    QTest::mouseMove(window, host.at(QStringLiteral("Panel_RLCD"), QPoint(300, 120)));
    QTRY_VERIFY(!host.menus->isDisplayArmed());
    QTest::mouseMove(window, host.centreOf(QStringLiteral("L_freq_RLC")));
    QTRY_VERIFY(host.controls.L_freq_RLC->isRaised());
    QTest::mouseClick(host.controls.L_freq_RLC, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(host.openMenus(), QStringList{QStringLiteral("P_freq_RLC")});
    QCOMPARE(held.count(), 1);

    QListWidget *freq = host.controls.ListBox_freq_RLC;
    QTest::mouseMove(window, host.at(QStringLiteral("ListBox_freq_RLC"), QPoint(20, 20)));
    QTRY_VERIFY(host.menus->isDisplayArmed());
    QTRY_VERIFY(!host.controls.L_freq_RLC->isRaised());
    QScrollBar *bar = freq->verticalScrollBar();
    QTest::mouseMove(window, bar->mapTo(window, bar->rect().center()));
    bar->setValue(bar->maximum());
    QTest::mouseMove(window, host.centreOf(QStringLiteral("SText_freq_RLC")));
    QCOMPARE(host.openMenus(), QStringList{QStringLiteral("P_freq_RLC")});

    // The primary menu opens under the pointer when its "A" is clicked.
    QTest::mouseMove(window, host.at(QStringLiteral("Panel_RLCD"), QPoint(20, 20)));
    QTRY_COMPARE(host.openMenus(), QStringList());
    QTest::mouseMove(window, host.centreOf(QStringLiteral("L_Prim_RLC")));
    QTest::mouseClick(host.controls.L_Prim_RLC, Qt::LeftButton, {}, QPoint(5, 5));
    host.menus->L_freq_RLCClick();
    QCOMPARE(host.openMenus().size(), 2);
    QTest::mouseMove(window, host.at(QStringLiteral("ListBox_prim_RLC"), QPoint(30, 30)));
    QCOMPARE(host.openMenus().size(), 2);

    // Leaving the primary list closes every menu, the frequency menu too.
    QTest::mouseMove(window, host.at(QStringLiteral("Panel_RLCD"), QPoint(300, 120)));
    QTRY_COMPARE(host.openMenus(), QStringList());
}

QTEST_MAIN(TestMenuController)
#include "tst_menu_controller.moc"
