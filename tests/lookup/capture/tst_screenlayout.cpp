// Where the answer window goes beside the question region, and how a remembered region is
// held against the screens there are now: single screens with panels, two screens side by
// side and stacked, and screens scaled by 2 beside unscaled ones.
#include "lookup/capture/screenlayout.h"

#include <QTest>

#include <vector>

using namespace capture;

namespace {

using Screens = std::vector<ScreenArea>;

// A screen as Qt describes it in logical pixels: its place on the desktop in device pixels,
// its size divided by its scale.
ScreenArea screen(int x, int y, int width, int height, int scale = 1, int panel = 0)
{
    const QRect geometry(x, y, width / scale, height / scale);
    return {geometry, geometry.adjusted(0, 0, 0, -panel)};
}

const QSize kAnswer(300, 90);

} // namespace

Q_DECLARE_METATYPE(Screens)

class TestScreenLayout : public QObject
{
    Q_OBJECT
private slots:
    void placeBeside_data();
    void placeBeside();
    void fitRegion_data();
    void fitRegion();
};

void TestScreenLayout::placeBeside_data()
{
    QTest::addColumn<Screens>("screens");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QRect>("expected");

    const Screens one{screen(0, 0, 1920, 1080, 1, 40)};
    QTest::newRow("in the middle: below, left edges aligned")
        << one << QRect(600, 400, 500, 40) << kAnswer << QRect(600, 446, 300, 90);
    QTest::newRow("at the top edge: below")
        << one << QRect(600, 0, 500, 40) << kAnswer << QRect(600, 46, 300, 90);
    QTest::newRow("at the bottom edge: above, clear of the panel")
        << one << QRect(600, 990, 500, 40) << kAnswer << QRect(600, 894, 300, 90);
    QTest::newRow("at the right edge: pulled in")
        << one << QRect(1700, 400, 220, 40) << kAnswer << QRect(1620, 446, 300, 90);
    QTest::newRow("partly beyond the left edge: at the edge")
        << one << QRect(-100, 400, 500, 40) << kAnswer << QRect(0, 446, 300, 90);
    QTest::newRow("in the bottom right corner: above, pulled in")
        << one << QRect(1800, 1000, 120, 40) << kAnswer << QRect(1620, 904, 300, 90);
    QTest::newRow("as tall as the screen: over its top edge, on the screen")
        << one << QRect(600, 50, 400, 1000) << kAnswer << QRect(600, 0, 300, 90);
    QTest::newRow("as tall as the screen, lower: over its bottom edge")
        << one << QRect(600, 0, 400, 1000) << kAnswer << QRect(600, 950, 300, 90);
    QTest::newRow("a window wider than a small screen: as wide as the screen")
        << Screens{screen(0, 0, 800, 600)} << QRect(100, 100, 400, 40) << QSize(900, 90)
        << QRect(0, 146, 800, 90);
    QTest::newRow("on no screen: at the edge of the nearest")
        << one << QRect(2500, 300, 200, 40) << kAnswer << QRect(1620, 307, 300, 90);

    const Screens sideBySide{screen(0, 0, 1920, 1080), screen(1920, 0, 1920, 1080)};
    QTest::newRow("two screens: on the second, at its right edge")
        << sideBySide << QRect(3700, 500, 200, 40) << kAnswer << QRect(3540, 546, 300, 90);
    QTest::newRow("two screens: across both, more on the first")
        << sideBySide << QRect(1700, 500, 400, 40) << kAnswer << QRect(1620, 546, 300, 90);
    QTest::newRow("two screens: across both, more on the second")
        << sideBySide << QRect(1800, 500, 400, 40) << kAnswer << QRect(1920, 546, 300, 90);
    const Screens stacked{screen(0, 0, 1920, 1080), screen(0, 1080, 1920, 1080)};
    QTest::newRow("two screens stacked: at the foot of the upper one, above it")
        << stacked << QRect(600, 1030, 400, 40) << kAnswer << QRect(600, 934, 300, 90);
    QTest::newRow("two screens stacked: at the head of the lower one, below it")
        << stacked << QRect(600, 1080, 400, 40) << kAnswer << QRect(600, 1126, 300, 90);

    // Scaled by 2, a 3840x2160 screen is 1920x1080 in Qt's logical pixels: the same places.
    const Screens scaled{screen(0, 0, 3840, 2160, 2)};
    QTest::newRow("scale 2: at the bottom edge, above")
        << scaled << QRect(600, 1000, 500, 40) << kAnswer << QRect(600, 904, 300, 90);
    QTest::newRow("scale 2: at the right edge, pulled in")
        << scaled << QRect(1800, 300, 120, 40) << kAnswer << QRect(1620, 346, 300, 90);
    // An unscaled 1920x1080 screen beside a 2560x1440 one scaled by 2: the second is only
    // 720 high, though the desktop beside it goes down to 1080.
    const Screens mixed{screen(0, 0, 1920, 1080), screen(1920, 0, 2560, 1440, 2)};
    QTest::newRow("scale 1 beside scale 2: at the foot of the scaled one, above it")
        << mixed << QRect(2000, 690, 400, 25) << kAnswer << QRect(2000, 594, 300, 90);
    QTest::newRow("scale 1 beside scale 2: at the right edge of the scaled one")
        << mixed << QRect(3100, 100, 100, 25) << kAnswer << QRect(2900, 131, 300, 90);
    QTest::newRow("scale 1 beside scale 2: on the unscaled one, below")
        << mixed << QRect(1500, 690, 400, 25) << kAnswer << QRect(1500, 721, 300, 90);
}

void TestScreenLayout::placeBeside()
{
    QFETCH(Screens, screens);
    QFETCH(QRect, region);
    QFETCH(QSize, size);
    QFETCH(QRect, expected);
    QCOMPARE(capture::placeBeside(region, size, screens), expected);
}

void TestScreenLayout::fitRegion_data()
{
    QTest::addColumn<Screens>("screens");
    QTest::addColumn<QRect>("region");
    QTest::addColumn<QRect>("clipped");
    QTest::addColumn<bool>("mostlyOff");

    const Screens one{screen(0, 0, 1920, 1080)};
    QTest::newRow("wholly on the screen")
        << one << QRect(100, 100, 400, 40) << QRect(100, 100, 400, 40) << false;
    QTest::newRow("wider than the screen: clipped")
        << one << QRect(0, 500, 3000, 40) << QRect(0, 500, 1920, 40) << false;
    QTest::newRow("half above the top: clipped")
        << one << QRect(100, -30, 400, 60) << QRect(100, 0, 400, 30) << false;
    QTest::newRow("mostly beyond the right edge")
        << one << QRect(1800, 500, 600, 40) << QRect(1800, 500, 120, 40) << true;
    QTest::newRow("off every screen") << one << QRect(5000, 5000, 400, 40) << QRect() << true;
    QTest::newRow("a sliver left on the screen")
        << one << QRect(1915, 500, 9, 40) << QRect(1915, 500, 5, 40) << true;
    QTest::newRow("the whole desktop of a larger screen")
        << one << QRect(0, 0, 3840, 2160) << QRect(0, 0, 1920, 1080) << true;

    const Screens sideBySide{screen(0, 0, 1920, 1080), screen(1920, 0, 1920, 1080)};
    QTest::newRow("across two screens: clipped to the one holding more")
        << sideBySide << QRect(1700, 500, 400, 40) << QRect(1700, 500, 220, 40) << false;
    QTest::newRow("on the second screen")
        << sideBySide << QRect(2000, 500, 400, 40) << QRect(2000, 500, 400, 40) << false;
    const Screens mixed{screen(0, 0, 1920, 1080), screen(1920, 0, 2560, 1440, 2)};
    QTest::newRow("scale 2 beside scale 1: below the scaled screen's foot")
        << mixed << QRect(2000, 700, 400, 60) << QRect(2000, 700, 400, 20) << true;
    QTest::newRow("scale 2 beside scale 1: on the scaled screen")
        << mixed << QRect(2000, 600, 400, 60) << QRect(2000, 600, 400, 60) << false;
    QTest::newRow("no screen at all") << Screens{} << QRect(0, 0, 400, 40) << QRect() << true;
}

void TestScreenLayout::fitRegion()
{
    QFETCH(Screens, screens);
    QFETCH(QRect, region);
    QFETCH(QRect, clipped);
    QFETCH(bool, mostlyOff);
    const RegionFit fit = capture::fitRegion(region, screens);
    QCOMPARE(fit.mostlyOff, mostlyOff);
    if (!clipped.isNull())
        QCOMPARE(fit.region, clipped);
}

QTEST_GUILESS_MAIN(TestScreenLayout)
#include "tst_screenlayout.moc"
