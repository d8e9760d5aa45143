// Failures escaping a handler reach the error box and the program goes on.

#include "app/message_box.h"
#include "app/vorlant_application.h"

#include <QTimer>
#include <QtTest>

#include <stdexcept>

class TestVorlantApplication : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void escapingFailureIsShownAndTheLoopGoesOn_data();
    void escapingFailureIsShownAndTheLoopGoesOn();

private:
    QStringList m_boxes;
    app::MessageShower m_previous;
};

void TestVorlantApplication::init()
{
    m_boxes.clear();
    m_previous = app::setMessageShower([this](QWidget *, const QString &caption, const QString &text) {
        m_boxes << caption + QLatin1String(": ") + text;
    });
}

void TestVorlantApplication::cleanup()
{
    app::setMessageShower(m_previous);
}

void TestVorlantApplication::escapingFailureIsShownAndTheLoopGoesOn_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("box");

    QTest::newRow("standard exception") << 0 << QStringLiteral("Vorlant: Access violation at 0");
    QTest::newRow("anything else") << 1 << QStringLiteral("Vorlant: Unknown exception");
}

void TestVorlantApplication::escapingFailureIsShownAndTheLoopGoesOn()
{
    QFETCH(int, kind);
    QFETCH(QString, box);

    bool laterRan = false;
    QTimer::singleShot(0, this, [kind] {
        if (kind == 0)
            throw std::runtime_error("Access violation at 0");
        throw 42;
    });
    QTimer::singleShot(0, this, [&laterRan] { laterRan = true; });

    QTRY_VERIFY(laterRan);
    QCOMPARE(m_boxes, QStringList{box});
}

int main(int argc, char *argv[])
{
    VorlantApplication app(argc, argv);
    TestVorlantApplication test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_vorlant_application.moc"
