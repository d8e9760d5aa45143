#include "link/dongle_reply.h"

#include <QtTest>

Q_DECLARE_METATYPE(DongleRead)

class TestDongleReply : public QObject
{
    Q_OBJECT

private slots:
    void readsAreToldApart_data();
    void readsAreToldApart();
};

void TestDongleReply::readsAreToldApart_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("held");
    QTest::addColumn<DongleRead>("expected");

    const QByteArray frame = QByteArray(15, '\x00') + QByteArray("\x01\x31\x0A", 3);
    const QByteArray linkUpPrefix("OK+CONNLOK+CONN\r\n");

    QTest::newRow("request accepted") << QByteArray("OK+CONNL") << false << DongleRead::Connecting;
    QTest::newRow("attempt error") << QByteArray("OK+CONNE") << false << DongleRead::AttemptEnded;
    QTest::newRow("attempt failed") << QByteArray("OK+CONNF") << false << DongleRead::AttemptEnded;
    QTest::newRow("error then failure") << QByteArray("OK+CONNEOK+CONNF") << false << DongleRead::AttemptEnded;
    QTest::newRow("no meter") << QByteArray("OK+CONNN") << false << DongleRead::NoConnection;
    QTest::newRow("linked") << QByteArray("OK+CONN\r\n") << false << DongleRead::LinkUp;
    QTest::newRow("linked without line end") << QByteArray("OK+CONN") << false << DongleRead::Garbage;
    QTest::newRow("request and link, one byte more") << linkUpPrefix + "x" << false << DongleRead::LinkUp;
    // The first frame can follow in the same read; it is dropped with the rest.
    QTest::newRow("request and link with a frame") << linkUpPrefix + frame << false << DongleRead::LinkUp;
    // A fast meter's first readings can follow the reply itself within 10 ms; they are kept.
    QTest::newRow("link and two frames") << QByteArray("OK+CONN\r\n") + frame + frame << false
                                         << DongleRead::LinkUpThenFrames;
    QTest::newRow("link and 17 bytes") << QByteArray("OK+CONN\r\n") + frame.left(17) << false << DongleRead::Garbage;
    QTest::newRow("request and link alone") << linkUpPrefix << false << DongleRead::Garbage;
    QTest::newRow("lost") << QByteArray("OK+LOST") << false << DongleRead::LinkLost;
    QTest::newRow("idle answer") << QByteArray("OK") << false << DongleRead::Ok;
    QTest::newRow("lower case") << QByteArray("ok") << false << DongleRead::Garbage;
    QTest::newRow("reply with line end") << QByteArray("OK+LOST\r\n") << false << DongleRead::Garbage;
    QTest::newRow("empty read") << QByteArray() << false << DongleRead::Garbage;
    QTest::newRow("frame") << frame << false << DongleRead::Frame;
    QTest::newRow("frame while held") << frame << true << DongleRead::HeldFrame;
    QTest::newRow("17 bytes") << frame.left(17) << false << DongleRead::Garbage;
    // Readings that waited for the port share a read; whole ones are kept.
    QTest::newRow("two frames in one read") << frame + frame << false << DongleRead::Frame;
    QTest::newRow("three frames while held") << frame + frame + frame << true << DongleRead::HeldFrame;
    QTest::newRow("two frames and 5 bytes") << frame + frame + "\x01\x02\x03\x31\x0A" << false
                                            << DongleRead::Garbage;
    QByteArray badSecond = frame + frame;
    badSecond[35] = '\x0D';
    QTest::newRow("second end marks bad") << badSecond << false << DongleRead::Garbage;
    QTest::newRow("first end marks bad") << badSecond.right(18) + frame << false << DongleRead::Garbage;
    // A lone frame is one whatever its end marks: the dispatch drops a bad one.
    QTest::newRow("one frame, end marks bad") << badSecond.right(18) << false << DongleRead::Frame;
    // Replies win over the hold: the link state follows the dongle at all times.
    QTest::newRow("reply while held") << QByteArray("OK+LOST") << true << DongleRead::LinkLost;
}

void TestDongleReply::readsAreToldApart()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, held);
    QFETCH(DongleRead, expected);

    QCOMPARE(classifyDongleRead(QString::fromLatin1(bytes), held), expected);
}

QTEST_APPLESS_MAIN(TestDongleReply)
#include "tst_dongle_reply.moc"
