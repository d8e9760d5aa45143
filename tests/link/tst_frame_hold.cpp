// The settings hold-off on its own, with a stepped clock: who holds, what
// ends the hold, and that every path that holds sees its hold end.

#include "link/frame_hold.h"

#include <QSignalSpy>
#include <QTest>

class TestFrameHold : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void releaseComesOneIntervalAfterTheFirstCommand();
    void everyPathThatHoldsEndsItsHold_data();
    void everyPathThatHoldsEndsItsHold();
    void anOpenMenuKeepsItsHold();
    void abandonEndsOnlyItsOwnHold();

private:
    std::int64_t m_now = 0;
    std::unique_ptr<FrameHold> m_hold;
};

void TestFrameHold::init()
{
    m_now = 5000;
    m_hold = std::make_unique<FrameHold>();
    m_hold->setClock([this] { return m_now; });
}

void TestFrameHold::releaseComesOneIntervalAfterTheFirstCommand()
{
    FrameHold &hold = *m_hold;
    QSignalSpy timer(&hold, &FrameHold::releaseTimerWanted);
    hold.hold(FrameHold::Reason::SettingChange);
    hold.commandSent();
    QCOMPARE(timer.size(), 1);
    QCOMPARE(timer.at(0).at(0).toInt(), FrameHold::kReleaseMs);

    // A second choice 300 ms later does not move the release.
    m_now += 300;
    hold.hold(FrameHold::Reason::SettingChange);
    hold.commandSent();
    QCOMPARE(timer.size(), 1);
    QCOMPARE(hold.msUntilRelease(), std::optional<std::int64_t>(700));

    m_now += 699;
    hold.expire();
    QCOMPARE(hold.holdFrames(), 1);
    m_now += 1;
    hold.expire();
    QCOMPARE(hold.holdFrames(), 0);
    QVERIFY(!hold.releasePending());

    // The next command starts a new interval.
    hold.commandSent();
    QCOMPARE(timer.size(), 2);
}

// Each reason a front end holds for, and the event that ends that path.
enum class End { CommandTimer, MenusClosed, Abandoned, LinkUp, DropDownClosed, RunEnds };
Q_DECLARE_METATYPE(End)

void TestFrameHold::everyPathThatHoldsEndsItsHold_data()
{
    QTest::addColumn<FrameHold::Reason>("reason");
    QTest::addColumn<End>("end");
    using R = FrameHold::Reason;
    QTest::newRow("choice sent") << R::SettingChange << End::CommandTimer;
    QTest::newRow("choice without link") << R::SettingChange << End::LinkUp;
    QTest::newRow("menu closed") << R::MenuOpen << End::MenusClosed;
    QTest::newRow("interval box closed without a choice") << R::MenuOpen << End::DropDownClosed;
    QTest::newRow("profile line applied") << R::ProfileLine << End::CommandTimer;
    QTest::newRow("profile line unreadable") << R::ProfileLine << End::Abandoned;
    QTest::newRow("profile line without link") << R::ProfileLine << End::LinkUp;
    QTest::newRow("settings after link-up") << R::LinkSettings << End::CommandTimer;
    QTest::newRow("settings after link-up, link gone") << R::LinkSettings << End::LinkUp;
    QTest::newRow("set-up commands") << R::SetupCommands << End::DropDownClosed;
    QTest::newRow("set-up ended by the run") << R::SetupCommands << End::RunEnds;
}

void TestFrameHold::everyPathThatHoldsEndsItsHold()
{
    QFETCH(FrameHold::Reason, reason);
    QFETCH(End, end);
    FrameHold &hold = *m_hold;
    hold.hold(reason);
    QCOMPARE(hold.holdFrames(), 1);
    QCOMPARE(hold.reason(), reason);
    switch (end) {
    case End::CommandTimer:
        hold.commandSent();
        hold.releaseDue();
        break;
    case End::MenusClosed:
        hold.menusClosed();
        break;
    case End::Abandoned:
        hold.abandon(reason);
        break;
    case End::LinkUp:
        hold.linkUp();
        break;
    case End::DropDownClosed:
        hold.scheduleRelease();
        m_now += FrameHold::kReleaseMs;
        hold.expire();
        break;
    case End::RunEnds:
        hold.release();
        break;
    }
    QCOMPARE(hold.holdFrames(), 0);
    QCOMPARE(hold.reason(), FrameHold::Reason::None);
}

void TestFrameHold::anOpenMenuKeepsItsHold()
{
    FrameHold &hold = *m_hold;
    hold.hold(FrameHold::Reason::MenuOpen);
    // A choice in the menu without a link, then the link comes up: the menu is still open.
    hold.hold(FrameHold::Reason::SettingChange);
    hold.linkUp();
    hold.abandon(FrameHold::Reason::SettingChange);
    QCOMPARE(hold.holdFrames(), 1);
    QCOMPARE(hold.reason(), FrameHold::Reason::MenuOpen);
    // The command's timer ends it though the menu is open.
    hold.commandSent();
    hold.releaseDue();
    QCOMPARE(hold.holdFrames(), 0);
}

void TestFrameHold::abandonEndsOnlyItsOwnHold()
{
    FrameHold &hold = *m_hold;
    // A profile line was applied and sent; the next one fails: the sent one's timer ends the hold.
    hold.hold(FrameHold::Reason::ProfileLine);
    hold.commandSent();
    hold.abandon(FrameHold::Reason::ProfileLine);
    QCOMPARE(hold.holdFrames(), 1);
    hold.releaseDue();
    QCOMPARE(hold.holdFrames(), 0);

    hold.hold(FrameHold::Reason::LinkSettings);
    hold.abandon(FrameHold::Reason::ProfileLine);
    QCOMPARE(hold.holdFrames(), 1);
}

QTEST_GUILESS_MAIN(TestFrameHold)
#include "tst_frame_hold.moc"
