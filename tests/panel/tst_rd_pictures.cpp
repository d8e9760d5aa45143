#include "panel/panel_colours.h"
#include "panel/rd_pictures.h"

#include <QImage>
#include <QtTest>

namespace {

bool isBlack(QRgb pixel) { return qRed(pixel) == 0 && qGreen(pixel) == 0 && qBlue(pixel) == 0; }

int blackInRow(const QImage &image, int y)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x)
        count += isBlack(image.pixel(x, y));
    return count;
}

int blackInColumn(const QImage &image, int x, int fromY, int toY)
{
    int count = 0;
    for (int y = fromY; y <= toY; ++y)
        count += isBlack(image.pixel(x, y));
    return count;
}

} // namespace

class TestRdPictures : public QObject
{
    Q_OBJECT

private slots:
    void picturesAreTwoColoursOnTheDisplayBlue_data();
    void picturesAreTwoColoursOnTheDisplayBlue();
    void diodePointsWhereItsBarIs_data();
    void diodePointsWhereItsBarIs();
    void diodeDownIsDiodeUpTurnedOver();
    void resistorIsAHollowUprightRectangleWithLeads();
};

void TestRdPictures::picturesAreTwoColoursOnTheDisplayBlue_data()
{
    QTest::addColumn<int>("picture");
    QTest::newRow("diode up") << int(panel::kDiodeUp);
    QTest::newRow("diode down") << int(panel::kDiodeDown);
    QTest::newRow("resistor") << int(panel::kResistor);
}

void TestRdPictures::picturesAreTwoColoursOnTheDisplayBlue()
{
    QFETCH(int, picture);
    const QList<QPixmap> list = panel::makeRdPictures();
    QCOMPARE(list.size(), 3);
    const QImage image = list.at(picture).toImage();
    QCOMPARE(image.size(), QSize(60, 80));

    const QRgb blue = panel::displayColour().rgb();
    int black = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (isBlack(pixel))
                ++black;
            else
                QCOMPARE(qRgb(qRed(pixel), qGreen(pixel), qBlue(pixel)), blue);
        }
    }
    QVERIFY(black > 200);
    QCOMPARE(QColor(image.pixel(0, 0)), QColor(185, 209, 234));
    QCOMPARE(QColor(image.pixel(59, 79)), QColor(185, 209, 234));
}

void TestRdPictures::diodePointsWhereItsBarIs_data()
{
    QTest::addColumn<int>("picture");
    QTest::addColumn<bool>("up");
    QTest::newRow("picture 0 points up") << int(panel::kDiodeUp) << true;
    QTest::newRow("picture 1 points down") << int(panel::kDiodeDown) << false;
}

void TestRdPictures::diodePointsWhereItsBarIs()
{
    QFETCH(int, picture);
    QFETCH(bool, up);
    const QImage image = panel::drawRdPicture(panel::RdPicture(picture)).toImage();

    // Walk from the bar's side: the bar is the first wide row met, then the
    // triangle starts narrow at its apex and widens away from the bar.
    const int step = up ? 1 : -1;
    int y = up ? 0 : image.height() - 1;
    while (blackInRow(image, y) < 20)
        y += step;
    while (blackInRow(image, y) >= 20)
        y += step;
    const int afterBar = y;
    const int nearApex = blackInRow(image, afterBar + step);
    const int farFromApex = blackInRow(image, afterBar + 20 * step);
    QVERIFY2(nearApex <= 6, qPrintable(QString::number(nearApex)));
    QVERIFY2(farFromApex >= 3 * nearApex && farFromApex >= 15, qPrintable(QString::number(farFromApex)));
    // The lead runs on beyond the triangle to the far edge.
    QVERIFY(blackInRow(image, up ? 74 : 5) > 0);
}

void TestRdPictures::diodeDownIsDiodeUpTurnedOver()
{
    const QImage up = panel::drawRdPicture(panel::kDiodeUp).toImage();
    const QImage down = panel::drawRdPicture(panel::kDiodeDown).toImage();
    const QImage turned = up.mirrored(false, true);
    int differing = 0;
    for (int y = 0; y < up.height(); ++y)
        for (int x = 0; x < up.width(); ++x)
            differing += isBlack(turned.pixel(x, y)) != isBlack(down.pixel(x, y));
    // Edge pixels of the sloping sides may fall either way.
    QVERIFY2(differing <= 30, qPrintable(QString::number(differing)));
    QVERIFY(up != down);
}

void TestRdPictures::resistorIsAHollowUprightRectangleWithLeads()
{
    const QImage image = panel::drawRdPicture(panel::kResistor).toImage();
    const QRect body(20, 22, 20, 36);

    QVERIFY(body.height() > body.width());
    QVERIFY(!isBlack(image.pixel(body.center())));
    for (int x = body.left(); x <= body.right(); ++x) {
        QVERIFY(isBlack(image.pixel(x, body.top())));
        QVERIFY(isBlack(image.pixel(x, body.bottom())));
    }
    for (int y = body.top(); y <= body.bottom(); ++y) {
        QVERIFY(isBlack(image.pixel(body.left(), y)));
        QVERIFY(isBlack(image.pixel(body.right(), y)));
    }
    QVERIFY(blackInColumn(image, 30, 4, body.top() - 1) >= 15);
    QVERIFY(blackInColumn(image, 30, body.bottom() + 1, 75) >= 15);
    // Nothing beside the leads.
    QCOMPARE(blackInRow(image, 10), 2);
    QCOMPARE(blackInRow(image, 70), 2);
}

QTEST_MAIN(TestRdPictures)
#include "tst_rd_pictures.moc"
