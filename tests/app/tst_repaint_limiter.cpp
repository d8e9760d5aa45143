// A window whose repaints are gathered: at most one painting per interval
// while changes stream in, none lost, and at once after the user's input.

#include "app/repaint_limiter.h"

#include <QLabel>
#include <QPainter>
#include <QtTest>

namespace {

// Counts its paintings and remembers the text it last painted.
class CountingLabel : public QLabel
{
public:
    using QLabel::QLabel;
    int paints = 0;
    QString painted;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        painted = text();
        QLabel::paintEvent(event);
    }
};

struct Window
{
    explicit Window(int intervalMs)
    {
        window.resize(200, 100);
        label = new CountingLabel(QStringLiteral("0"), &window);
        label->setGeometry(10, 10, 100, 30);
        limiter = new RepaintLimiter(&window, intervalMs);
        window.show();
    }
    bool exposed() { return QTest::qWaitForWindowExposed(&window); }

    QWidget window;
    CountingLabel *label = nullptr;
    RepaintLimiter *limiter = nullptr;
};

} // namespace

class TestRepaintLimiter : public QObject
{
    Q_OBJECT

private slots:
    void changesSoonAfterAPaintingWaitForTheInterval();
    void aBurstOfChangesIsPaintedOnceWithTheLastState();
    void inputPaintsAtOnce();
};

void TestRepaintLimiter::changesSoonAfterAPaintingWaitForTheInterval()
{
    Window w(60 * 1000);
    QVERIFY(w.exposed());
    // A change the user makes (a click here) paints at once...
    w.label->setText(QStringLiteral("1"));
    QTest::mouseClick(w.label, Qt::LeftButton);
    QTRY_COMPARE(w.label->painted, QStringLiteral("1"));
    const int paints = w.label->paints;

    // ... a change without input, within the minute, waits.
    w.label->setText(QStringLiteral("2"));
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
    QCOMPARE(w.label->paints, paints);
    QCOMPARE(w.label->text(), QStringLiteral("2"));
}

void TestRepaintLimiter::aBurstOfChangesIsPaintedOnceWithTheLastState()
{
    Window w(300);
    QVERIFY(w.exposed());
    w.label->setText(QStringLiteral("first"));
    QTest::mouseClick(w.label, Qt::LeftButton);
    QTRY_COMPARE(w.label->painted, QStringLiteral("first"));
    const int paints = w.label->paints;

    for (int i = 0; i < 20; ++i) {
        w.label->setText(QString::number(i));
        QCoreApplication::processEvents();
    }
    // Nothing is lost: the last state is painted when the interval is over.
    QTRY_COMPARE(w.label->painted, QStringLiteral("19"));
    QVERIFY2(w.label->paints - paints <= 2, qPrintable(QString::number(w.label->paints - paints)));
}

void TestRepaintLimiter::inputPaintsAtOnce()
{
    Window w(60 * 1000);
    QVERIFY(w.exposed());
    w.label->setText(QStringLiteral("1"));
    QTest::mouseClick(w.label, Qt::LeftButton);
    QTRY_COMPARE(w.label->painted, QStringLiteral("1"));
    w.label->setText(QStringLiteral("held"));
    QCoreApplication::processEvents();
    QCOMPARE(w.label->painted, QStringLiteral("1"));

    // A click on the window: the held painting comes right away.
    QTest::mouseClick(w.label, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.label->painted, QStringLiteral("held"), 2000);

    // And what the input itself changes is painted at once too.
    w.label->setText(QStringLiteral("typed"));
    QTest::keyClick(w.label, Qt::Key_A);
    QTRY_COMPARE_WITH_TIMEOUT(w.label->painted, QStringLiteral("typed"), 2000);
}

QTEST_MAIN(TestRepaintLimiter)
#include "tst_repaint_limiter.moc"
