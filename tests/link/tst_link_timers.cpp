// The link's timer requests as every front end runs them: the link's
// intervals on the front end's own timers, starts and stops on request, a
// running timer left alone, and the front end's conditions on a start.

#include "link/com_port.h"
#include "link/dongle_link.h"
#include "link/link_timers.h"

#include <QtTest>

#include <functional>

namespace {

enum class Request { ButtonPause, SupervisionOn, SupervisionOff, SettingsDelay, PortWatchOn, PortWatchOff };

void ask(DongleLink &link, Request request)
{
    switch (request) {
    case Request::ButtonPause:
        emit link.buttonPauseWanted();
        break;
    case Request::SupervisionOn:
        emit link.supervisionWanted(true);
        break;
    case Request::SupervisionOff:
        emit link.supervisionWanted(false);
        break;
    case Request::SettingsDelay:
        emit link.settingsDelayWanted();
        break;
    case Request::PortWatchOn:
        emit link.portWatchWanted(true);
        break;
    case Request::PortWatchOff:
        emit link.portWatchWanted(false);
        break;
    }
}

struct Rig
{
    TComPort port;
    DongleLink link{port};
    QTimer buttonPause, supervision, settingsDelay, portWatch;
    bool allowed = true; // every condition below answers this

    explicit Rig(bool conditions = false)
    {
        LinkTimerConditions when;
        if (conditions) {
            const auto condition = [this] { return allowed; };
            when = {condition, condition, condition, condition};
        }
        bindLinkTimers(link, {&buttonPause, &supervision, &settingsDelay, &portWatch}, when);
    }

    QTimer *timer(Request request)
    {
        switch (request) {
        case Request::ButtonPause:
            return &buttonPause;
        case Request::SupervisionOn:
        case Request::SupervisionOff:
            return &supervision;
        case Request::SettingsDelay:
            return &settingsDelay;
        case Request::PortWatchOn:
        case Request::PortWatchOff:
            return &portWatch;
        }
        return nullptr;
    }
};

bool isStart(Request request)
{
    return request != Request::SupervisionOff && request != Request::PortWatchOff;
}

} // namespace

Q_DECLARE_METATYPE(Request)

class TestLinkTimers : public QObject
{
    Q_OBJECT

private slots:
    void timersTakeTheLinksIntervals();
    void requests_data();
    void requests();
    void aRunningTimerKeepsItsSchedule_data();
    void aRunningTimerKeepsItsSchedule();
    void frontEndConditionsGateStartsOnly_data();
    void frontEndConditionsGateStartsOnly();
    void aMissingTimerIgnoresItsRequests();
};

void TestLinkTimers::timersTakeTheLinksIntervals()
{
    Rig rig;
    const struct
    {
        QTimer *timer;
        int interval;
        bool singleShot;
    } expected[] = {{&rig.buttonPause, 2000, true},
                    {&rig.supervision, 2500, false},
                    {&rig.settingsDelay, 1000, true},
                    {&rig.portWatch, 1000, false}};
    for (const auto &e : expected) {
        QCOMPARE(e.timer->interval(), e.interval);
        QCOMPARE(e.timer->isSingleShot(), e.singleShot);
        QVERIFY(!e.timer->isActive()); // binding starts nothing
    }
}

void TestLinkTimers::requests_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<bool>("runningBefore");
    QTest::addColumn<bool>("runningAfter");
    QTest::newRow("button pause starts") << Request::ButtonPause << false << true;
    QTest::newRow("supervision starts") << Request::SupervisionOn << false << true;
    QTest::newRow("supervision stops") << Request::SupervisionOff << true << false;
    QTest::newRow("supervision stopped stays stopped") << Request::SupervisionOff << false << false;
    QTest::newRow("settings delay starts") << Request::SettingsDelay << false << true;
    QTest::newRow("port watch starts") << Request::PortWatchOn << false << true;
    QTest::newRow("port watch stops") << Request::PortWatchOff << true << false;
}

void TestLinkTimers::requests()
{
    QFETCH(Request, request);
    QFETCH(bool, runningBefore);
    QFETCH(bool, runningAfter);
    Rig rig;
    QTimer *timer = rig.timer(request);
    if (runningBefore)
        timer->start();
    ask(rig.link, request);
    QCOMPARE(timer->isActive(), runningAfter);
    // Only the timer asked for.
    for (QTimer *other : {&rig.buttonPause, &rig.supervision, &rig.settingsDelay, &rig.portWatch})
        if (other != timer)
            QVERIFY(!other->isActive());
}

void TestLinkTimers::aRunningTimerKeepsItsSchedule_data()
{
    QTest::addColumn<Request>("request");
    QTest::newRow("button pause") << Request::ButtonPause;
    QTest::newRow("supervision") << Request::SupervisionOn;
    QTest::newRow("settings delay") << Request::SettingsDelay;
    QTest::newRow("port watch") << Request::PortWatchOn;
}

void TestLinkTimers::aRunningTimerKeepsItsSchedule()
{
    QFETCH(Request, request);
    Rig rig;
    QTimer *timer = rig.timer(request);
    ask(rig.link, request);
    QVERIFY(timer->isActive());
    // A quarter of its time has gone; a restart would give it all back
    // (less at most the slack of a coarse timer, 5 %).
    const int gone = timer->interval() - timer->interval() / 4;
    QTRY_VERIFY(timer->remainingTime() < gone);
    ask(rig.link, request);
    QVERIFY(timer->isActive());
    QVERIFY2(timer->remainingTime() < gone, "a second request restarted the timer");
}

void TestLinkTimers::frontEndConditionsGateStartsOnly_data()
{
    QTest::addColumn<Request>("request");
    QTest::addColumn<bool>("runningBefore");
    QTest::addColumn<bool>("runningAfter");
    QTest::newRow("button pause refused") << Request::ButtonPause << false << false;
    QTest::newRow("supervision refused") << Request::SupervisionOn << false << false;
    QTest::newRow("settings delay refused") << Request::SettingsDelay << false << false;
    QTest::newRow("port watch refused") << Request::PortWatchOn << false << false;
    // A refused start does not stop what runs; a stop needs no consent.
    QTest::newRow("running supervision left running") << Request::SupervisionOn << true << true;
    QTest::newRow("running port watch left running") << Request::PortWatchOn << true << true;
    QTest::newRow("supervision stops anyway") << Request::SupervisionOff << true << false;
    QTest::newRow("port watch stops anyway") << Request::PortWatchOff << true << false;
}

void TestLinkTimers::frontEndConditionsGateStartsOnly()
{
    QFETCH(Request, request);
    QFETCH(bool, runningBefore);
    QFETCH(bool, runningAfter);
    Rig rig(true);
    rig.allowed = false;
    QTimer *timer = rig.timer(request);
    if (runningBefore)
        timer->start();
    ask(rig.link, request);
    QCOMPARE(timer->isActive(), runningAfter);

    // The condition is asked at each request, not once at binding.
    if (isStart(request) && !runningBefore) {
        rig.allowed = true;
        ask(rig.link, request);
        QVERIFY(timer->isActive());
    }
}

void TestLinkTimers::aMissingTimerIgnoresItsRequests()
{
    TComPort port;
    DongleLink link(port);
    QTimer supervision;
    bindLinkTimers(link, {nullptr, &supervision, nullptr, nullptr});
    for (Request request : {Request::ButtonPause, Request::SettingsDelay, Request::PortWatchOn})
        ask(link, request);
    QVERIFY(!supervision.isActive());
    ask(link, Request::SupervisionOn);
    QVERIFY(supervision.isActive());
}

QTEST_GUILESS_MAIN(TestLinkTimers)
#include "tst_link_timers.moc"
