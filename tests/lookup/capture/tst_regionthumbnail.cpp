// The thumbnail of the question region tells a game that has moved (the region shows
// something else) from a question that was not recognised (the same panel, other text or
// none): pairs of rendered pictures, the one at the time the region was chosen and the one
// of a later capture.
#include "lookup/capture/regionthumbnail.h"

#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;
const QSize kRegion(420, 34);
const QColor kPanel(30, 40, 70);

// What the region shows: the game's question panel, as its window draws it, moved down by
// `shift` pixels over what lies beneath (`beneath`), brightened by `lighter` and with noise
// of up to `noise` grey levels.
struct Scene
{
    QString text;
    int shift = 0;
    QColor beneath = Qt::black;
    int lighter = 0;
    int noise = 0;
    bool panel = true;
    bool textured = false; // the panel drawn with a fine, busy pattern, as many games have
};

QImage render(const Scene &scene)
{
    static const int id = QFontDatabase::addApplicationFont(kFontFile);
    QImage image(kRegion, QImage::Format_RGB32);
    image.fill(scene.beneath);
    QPainter p(&image);
    if (scene.panel) {
        const QRect panel(0, scene.shift, kRegion.width(), kRegion.height());
        p.fillRect(panel, kPanel.lighter(100 + scene.lighter));
        for (int x = 0; scene.textured && x < kRegion.width(); x += 3)
            p.fillRect(QRect(x, scene.shift, 1, kRegion.height()), QColor(60, 52, 80));
        for (int y = 0; scene.textured && y < kRegion.height(); y += 5)
            p.fillRect(QRect(0, scene.shift + y, kRegion.width(), 1), QColor(20, 24, 44));
        QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
        font.setPixelSize(18);
        p.setFont(font);
        p.setPen(QColor(250, 230, 160));
        p.drawText(panel.adjusted(8, 0, -8, 0), Qt::AlignVCenter, scene.text);
    }
    p.end();
    QRandomGenerator random(7);
    for (int y = 0; scene.noise && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int d = int(random.bounded(2 * scene.noise + 1)) - scene.noise;
            image.setPixelColor(x, y,
                                QColor(qBound(0, c.red() + d, 255), qBound(0, c.green() + d, 255),
                                       qBound(0, c.blue() + d, 255)));
        }
    return image;
}

const QString kQuestion = u"第3题 世界上最高的山峰是哪一座？"_s;

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestRegionThumbnail : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void looksAlike_data();
    void looksAlike();
    void thumbnailsOfOlderOrDamagedFiles();
};

void TestRegionThumbnail::initTestCase()
{
    QVERIFY2(QFile::exists(kFontFile), "fonts-wqy-zenhei (scripts/setup-debian.sh)");
}

void TestRegionThumbnail::looksAlike_data()
{
    QTest::addColumn<Scene>("then");
    QTest::addColumn<Scene>("now");
    QTest::addColumn<bool>("alike");

    const Scene chosen{kQuestion};
    QTest::newRow("the same picture") << chosen << chosen << true;
    QTest::newRow("another question on the panel")
        << chosen << Scene{u"第4题 长城东起哪座关隘？"_s} << true;
    QTest::newRow("a question that fills the line")
        << chosen << Scene{u"第5题 中国古代四大发明中，哪一项最早传入欧洲并改变了战争？"_s} << true;
    QTest::newRow("no question on the panel") << chosen << Scene{} << true;
    QTest::newRow("noise") << chosen << Scene{kQuestion, 0, Qt::black, 0, 14} << true;
    const Scene busy{kQuestion, 0, Qt::black, 0, 0, true, true};
    QTest::newRow("another question on a busy panel")
        << busy << Scene{u"第4题 长城东起哪座关隘？"_s, 0, Qt::black, 0, 0, true, true} << true;
    QTest::newRow("a busy panel moved down by a quarter")
        << busy << Scene{kQuestion, 9, QColor(200, 200, 205), 0, 0, true, true} << false;
    QTest::newRow("a little brighter") << chosen << Scene{kQuestion, 0, Qt::black, 30} << true;
    QTest::newRow("the game moved down by a third")
        << chosen << Scene{kQuestion, 12, QColor(200, 200, 205)} << false;
    QTest::newRow("the game moved down by half over a dark desktop")
        << chosen << Scene{kQuestion, 17, Qt::black} << false;
    QTest::newRow("the game is gone: a dark desktop")
        << chosen << Scene{{}, 0, Qt::black, 0, 0, false} << false;
    QTest::newRow("another window over the region")
        << chosen << Scene{{}, 0, QColor(236, 236, 236), 0, 0, false} << false;
    QTest::newRow("chosen over a desktop, now the panel")
        << Scene{{}, 0, QColor(236, 236, 236), 0, 0, false} << chosen << false;
}

void TestRegionThumbnail::looksAlike()
{
    QFETCH(Scene, then);
    QFETCH(Scene, now);
    QFETCH(bool, alike);
    const QByteArray before = capture::makeThumbnail(render(then));
    const QByteArray after = capture::makeThumbnail(render(now));
    QCOMPARE(before.size(), capture::kThumbnailCells);
    QCOMPARE(capture::looksAlike(before, after), alike);
}

void TestRegionThumbnail::thumbnailsOfOlderOrDamagedFiles()
{
    // A file from before thumbnails, or with a damaged one, cannot tell that anything moved.
    const QByteArray now = capture::makeThumbnail(render(Scene{kQuestion}));
    QVERIFY2(capture::looksAlike({}, now), "no thumbnail at all");
    QVERIFY2(capture::looksAlike(QByteArray(10, 'x'), now), "a thumbnail of the wrong size");
    QVERIFY2(capture::makeThumbnail(QImage()).isEmpty(), "a null picture has no thumbnail");
    // A picture smaller than the grid still gives a full thumbnail.
    QImage tiny(3, 2, QImage::Format_RGB32);
    tiny.fill(Qt::white);
    QCOMPARE(capture::makeThumbnail(tiny), QByteArray(capture::kThumbnailCells, char(255)));
}

QTEST_MAIN(TestRegionThumbnail)
#include "tst_regionthumbnail.moc"
