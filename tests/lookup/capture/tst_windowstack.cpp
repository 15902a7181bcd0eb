// The pure part of reading the screen window by window: which parts of which windows are read,
// X pixel layouts to QImage, logical to device pixels.
#include "lookup/capture/windowstack.h"

#include <QTest>

using namespace capture;

using Stack = QList<StackedWindow>;
Q_DECLARE_METATYPE(Stack)

namespace {
StackedWindow game(const QRect &r, bool opaque = true)
{
    return {1, r, false, opaque};
}
StackedWindow ours(const QRect &r)
{
    return {2, r, true, true};
}
} // namespace

class TestWindowStack : public QObject
{
    Q_OBJECT
private slots:
    void plan_data();
    void plan();
    void pixels_data();
    void pixels();
    void devicePixels_data();
    void devicePixels();
};

void TestWindowStack::plan_data()
{
    QTest::addColumn<Stack>("stack"); // bottom to top
    QTest::addColumn<QRegion>("vacated");
    QTest::addColumn<QList<int>>("windows"); // the windows read, bottom to top
    QTest::addColumn<QList<QRegion>>("visible");
    QTest::addColumn<QRegion>("covered"); // of the lowest window read
    QTest::addColumn<QRegion>("vacatedPart");
    QTest::addColumn<QRegion>("bare");
    const QRect region(100, 100, 200, 40), left(100, 100, 100, 40), right(200, 100, 100, 40);
    QTest::newRow("the game alone under the region")
        << Stack{game({0, 0, 800, 600})} << QRegion() << QList<int>{0} << QList<QRegion>{region}
        << QRegion() << QRegion() << QRegion();
    QTest::newRow("our window over its right half: read from the game, marked covered")
        << Stack{game({0, 0, 800, 600}), ours({200, 0, 500, 500})} << QRegion() << QList<int>{0}
        << QList<QRegion>{region} << QRegion(right) << QRegion() << QRegion();
    QTest::newRow("our window beneath the game covers nothing")
        << Stack{ours({200, 0, 500, 500}), game({0, 0, 800, 600})} << QRegion() << QList<int>{1}
        << QList<QRegion>{region} << QRegion() << QRegion() << QRegion();
    QTest::newRow("another program's window over the left half hides the game there")
        << Stack{game({0, 0, 800, 600}), game({0, 0, 200, 600})} << QRegion() << QList<int>{0, 1}
        << QList<QRegion>{right, left} << QRegion() << QRegion() << QRegion();
    QTest::newRow("a translucent frame over the game lets it show through")
        << Stack{game({0, 0, 800, 600}), game({150, 0, 500, 600}, false)} << QRegion()
        << QList<int>{0, 1} << QList<QRegion>{region, QRegion(150, 100, 150, 40)} << QRegion()
        << QRegion() << QRegion();
    QTest::newRow("half over the bare desktop")
        << Stack{game({0, 0, 200, 600})} << QRegion() << QList<int>{0} << QList<QRegion>{left}
        << QRegion() << QRegion() << QRegion(right);
    QTest::newRow("where our menu just was, not where our window still is")
        << Stack{game({0, 0, 800, 600}), ours({250, 0, 100, 500})} << QRegion(0, 0, 300, 120)
        << QList<int>{0} << QList<QRegion>{region} << QRegion(250, 100, 50, 40)
        << QRegion(100, 100, 150, 20) << QRegion();
    QTest::newRow("nothing of another program there")
        << Stack{ours({0, 0, 800, 600})} << QRegion() << QList<int>{} << QList<QRegion>{}
        << QRegion() << QRegion() << QRegion(region);
}

void TestWindowStack::plan()
{
    QFETCH(Stack, stack);
    QFETCH(QRegion, vacated);
    QFETCH(QList<int>, windows);
    QFETCH(QList<QRegion>, visible);
    QFETCH(QRegion, covered);
    QFETCH(QRegion, vacatedPart);
    QFETCH(QRegion, bare);
    const ReadPlan p = planRead({100, 100, 200, 40}, {stack.begin(), stack.end()}, vacated);
    QCOMPARE(int(p.parts.size()), windows.size());
    for (int i = 0; i < windows.size(); ++i) {
        QCOMPARE(int(p.parts[size_t(i)].window), windows[i]);
        QCOMPARE(p.parts[size_t(i)].visible, visible[i]);
    }
    if (!windows.isEmpty()) {
        QCOMPARE(p.parts[0].covered, covered);
        QCOMPARE(p.parts[0].vacated, vacatedPart);
        QCOMPARE(p.ours, covered + vacatedPart);
    }
    QCOMPARE(p.bare, bare);
}

void TestWindowStack::pixels_data()
{
    QTest::addColumn<int>("depth");
    QTest::addColumn<int>("bitsPerPixel");
    QTest::addColumn<bool>("msbFirst");
    QTest::addColumn<QList<quint32>>("masks"); // red, green, blue
    QTest::addColumn<QByteArray>("data");      // two pixels, one line
    QTest::addColumn<QList<QRgb>>("pixels");   // empty: no image
    const QList<quint32> rgb888{0xff0000, 0xff00, 0xff};
    QTest::newRow("24-bit, least significant byte first (Xvfb, XWayland)")
        << 24 << 32 << false << rgb888 << QByteArray("\x30\x20\x10\x00\xff\x00\x00\x77", 8)
        << QList<QRgb>{qRgb(0x10, 0x20, 0x30), qRgb(0, 0, 0xff)};
    QTest::newRow("24-bit, most significant byte first")
        << 24 << 32 << true << rgb888 << QByteArray("\x00\x10\x20\x30\x77\xff\x00\x00", 8)
        << QList<QRgb>{qRgb(0x10, 0x20, 0x30), qRgb(0xff, 0, 0)};
    QTest::newRow("32-bit with alpha, kept premultiplied")
        << 32 << 32 << false << rgb888 << QByteArray("\x40\x00\x00\x80\x00\x00\x00\x00", 8)
        << QList<QRgb>{qRgba(0, 0, 0x40, 0x80), qRgba(0, 0, 0, 0)};
    QTest::newRow("16-bit 5-6-5, widened by repeating the top bits")
        << 16 << 16 << false << QList<quint32>{0xf800, 0x7e0, 0x1f}
        << QByteArray("\x1f\xf8\x10\x84", 4)
        << QList<QRgb>{qRgb(0xff, 0, 0xff), qRgb(0x84, 0x82, 0x84)};
    QTest::newRow("30-bit, ten bits a colour, narrowed to the top eight")
        << 30 << 32 << false << QList<quint32>{0x3ff00000, 0xffc00, 0x3ff}
        << QByteArray("\xff\x03\x08\x20\x00\x00\x00\x00", 8)
        << QList<QRgb>{qRgb(0x80, 0x80, 0xff), qRgb(0, 0, 0)};
    QTest::newRow("data shorter than the picture")
        << 24 << 32 << false << rgb888 << QByteArray("\x30\x20\x10", 3) << QList<QRgb>{};
    QTest::newRow("a layout this reader does not know: 4 bits a pixel")
        << 4 << 4 << false << QList<quint32>{0x8, 0x4, 0x2} << QByteArray("\x12", 1)
        << QList<QRgb>{};
}

void TestWindowStack::pixels()
{
    QFETCH(int, depth);
    QFETCH(int, bitsPerPixel);
    QFETCH(bool, msbFirst);
    QFETCH(QList<quint32>, masks);
    QFETCH(QByteArray, data);
    QFETCH(QList<QRgb>, pixels);
    const PixelLayout layout{depth, bitsPerPixel, 32, msbFirst, masks[0], masks[1], masks[2]};
    const QImage image = imageFromPixels(layout, reinterpret_cast<const uchar *>(data.constData()),
                                         data.size(), 2, 1);
    QCOMPARE(image.isNull(), pixels.isEmpty());
    for (int x = 0; x < pixels.size(); ++x)
        QCOMPARE(QString::number(image.pixel(x, 0), 16), QString::number(pixels[x], 16));
}

void TestWindowStack::devicePixels_data()
{
    QTest::addColumn<QRect>("logical");
    QTest::addColumn<QPoint>("screen");
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<QRect>("device");
    QTest::newRow("scale 1") << QRect(10, 20, 30, 40) << QPoint() << 1.0 << QRect(10, 20, 30, 40);
    QTest::newRow("scale 2") << QRect(10, 20, 30, 40) << QPoint() << 2.0 << QRect(20, 40, 60, 80);
    QTest::newRow("scale 2 on a second screen keeps its corner")
        << QRect(2000, 10, 100, 50) << QPoint(1920, 0) << 2.0 << QRect(2080, 20, 200, 100);
    QTest::newRow("scale 1.5 takes partly covered pixels whole")
        << QRect(1, 1, 3, 3) << QPoint() << 1.5 << QRect(1, 1, 5, 5);
}

void TestWindowStack::devicePixels()
{
    QFETCH(QRect, logical);
    QFETCH(QPoint, screen);
    QFETCH(qreal, dpr);
    QFETCH(QRect, device);
    QCOMPARE(toDevicePixels(logical, screen, dpr), device);
}

QTEST_APPLESS_MAIN(TestWindowStack)
#include "tst_windowstack.moc"
