// The region file is the player's to edit and to damage. Whatever stands in its place must
// be read at once, within bounds, and either give a sane region or be set aside (so that the
// region is chosen again): text of any kind, binary junk, numbers beyond any screen, a file
// of megabytes, a folder, a pipe, a link that goes nowhere.
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionthumbnail.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Place { File, Directory, Pipe, LinkToItself, Nothing };

QByteArray junk(qsizetype size)
{
    QByteArray bytes(size, '\0');
    QRandomGenerator random(42);
    for (char &c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

const QByteArray kThumbnailHex = QByteArray(capture::kThumbnailCells, '\x2a').toHex();

} // namespace

class TestRegionFile : public QObject
{
    Q_OBJECT
private slots:
    void load_data();
    void load();
    void savedRegionsReadBack();
    void regionsSavedByEarlierVersionsAreRead();

private:
    QTemporaryDir m_dir;
};

void TestRegionFile::load_data()
{
    QTest::addColumn<int>("place");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QRect>("region"); // null: none, the region is chosen again
    QTest::addColumn<bool>("thumbnail");
    QTest::addColumn<bool>("watch");

    const auto file = [](const char *name, const QByteArray &content, QRect region = {},
                         bool thumbnail = false, bool watch = false) {
        QTest::newRow(name) << int(Place::File) << content << region << thumbnail << watch;
    };
    // Set aside: the region is chosen again.
    file("empty", {});
    file("garbage text", "lorem ipsum\n==\n[[[question\nregion region region\n");
    file("binary junk", junk(4096));
    file("binary junk after a good region",
         "[question]\nregion=@Rect(10 10 400 40)\n" + junk(70 * 1024));
    file("huge numbers", "[question]\nregion=@Rect(0 0 2147483647 2147483647)\n");
    file("numbers beyond 64 bits", "[question]\nregion=@Rect(0 0 99999999999999999999999 40)\n");
    file("a position no screen reaches", "[question]\nregion=@Rect(2147483000 0 400 40)\n");
    file("a far negative position", "[question]\nregion=@Rect(-2147483000 0 400 40)\n");
    file("negative sides", "[question]\nregion=@Rect(10 10 -400 -40)\n");
    file("sides of nothing", "[question]\nregion=@Rect(10 10 0 0)\n");
    file("a region too small to hold text", "[question]\nregion=@Rect(10 10 5 40)\n");
    file("sides larger than any screen", "[question]\nregion=@Rect(0 0 40000 40)\n");
    file("three numbers", "[question]\nregion=@Rect(10 10 400)\n");
    file("five numbers", "[question]\nregion=@Rect(10 10 400 40 7)\n");
    file("words for numbers", "[question]\nregion=@Rect(ten 10 400 40)\n");
    file("a region in another section", "[answer]\nregion=@Rect(10 10 400 40)\n");
    QByteArray tenMegabytes = "[question]\nregion=@Rect(10 10 400 40)\n";
    tenMegabytes += QByteArray(10 * 1024 * 1024, 'x');
    file("a 10 MB file", tenMegabytes);
    QTest::newRow("a folder in its place")
        << int(Place::Directory) << QByteArray() << QRect() << false << false;
    QTest::newRow("a pipe in its place")
        << int(Place::Pipe) << QByteArray() << QRect() << false << false;
    QTest::newRow("a link to itself")
        << int(Place::LinkToItself) << QByteArray() << QRect() << false << false;
    QTest::newRow("no file yet") << int(Place::Nothing) << QByteArray() << QRect() << false
                                 << false;

    // Read.
    file("as written", "[question]\nregion=@Rect(10 20 400 40)\n", QRect(10, 20, 400, 40));
    file("with a thumbnail",
         "[question]\nregion=@Rect(10 20 400 40)\nthumbnail=" + kThumbnailHex + "\n",
         QRect(10, 20, 400, 40), true);
    file("a damaged thumbnail: the region alone",
         "[question]\nregion=@Rect(10 20 400 40)\nthumbnail=zz" + kThumbnailHex.mid(2) + "\n",
         QRect(10, 20, 400, 40));
    file("a thumbnail cut short: the region alone",
         "[question]\nregion=@Rect(10 20 400 40)\nthumbnail=" + kThumbnailHex.left(20) + "\n",
         QRect(10, 20, 400, 40));
    file("Windows line ends and spaces", "\r\n [question] \r\n region = @Rect(10 20 400 40) \r\n",
         QRect(10, 20, 400, 40));
    file("in quotes", "[question]\nregion=\"@Rect(10 20 400 40)\"\n", QRect(10, 20, 400, 40));
    file("left of the main screen", "[question]\nregion=@Rect(-1900 20 400 40)\n",
         QRect(-1900, 20, 400, 40));
    file("other sections and keys around it",
         "[general]\nx=1\n[question]\nfoo=bar\nregion=@Rect(10 20 400 40)\n[later]\nregion=junk\n",
         QRect(10, 20, 400, 40));

    // Watch mode: on only when the file says so plainly; anything else leaves it off, as the
    // program starts.
    const QByteArray watched = "[question]\nregion=@Rect(10 20 400 40)\nwatch=";
    file("watch mode on", watched + "true\n", QRect(10, 20, 400, 40), false, true);
    file("watch mode on, as a number", watched + "1\n", QRect(10, 20, 400, 40), false, true);
    file("watch mode on, in capitals", watched + "TRUE\n", QRect(10, 20, 400, 40), false, true);
    file("watch mode off", watched + "false\n", QRect(10, 20, 400, 40));
    file("watch mode damaged: off", watched + "tru\xff\n", QRect(10, 20, 400, 40));
    file("watch mode without a value: off", watched + "\n", QRect(10, 20, 400, 40));
    file("watch mode in another section: off",
         "[question]\nregion=@Rect(10 20 400 40)\n[later]\nwatch=true\n", QRect(10, 20, 400, 40));
    file("watch mode without a region: set aside", "[question]\nwatch=true\n");
}

void TestRegionFile::load()
{
    QFETCH(int, place);
    QFETCH(QByteArray, content);
    QFETCH(QRect, region);
    QFETCH(bool, thumbnail);
    QFETCH(bool, watch);

    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + u".ini"_s);
    switch (Place(place)) {
    case Place::File: {
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(content);
        break;
    }
    case Place::Directory:
        QVERIFY(QDir().mkpath(path));
        break;
    case Place::Pipe:
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        break;
    case Place::LinkToItself:
        QVERIFY(QFile::link(path, path));
        break;
    case Place::Nothing:
        break;
    }

    QElapsedTimer clock;
    clock.start();
    const capture::RegionLoad loaded = capture::loadRegion(path);
    // A pipe nobody writes to would block a reader that waits for it for ever.
    QVERIFY2(clock.elapsed() < 5000, "the region file is read at once");
    if (region.isNull()) {
        QVERIFY2(!loaded.record,
                 qPrintable(u"no region expected, read %1,%2 %3x%4"_s
                                .arg(loaded.record ? loaded.record->region.x() : 0)
                                .arg(loaded.record ? loaded.record->region.y() : 0)
                                .arg(loaded.record ? loaded.record->region.width() : 0)
                                .arg(loaded.record ? loaded.record->region.height() : 0)));
        // Only a missing file goes unremarked.
        QCOMPARE(loaded.problem.isEmpty(), Place(place) == Place::Nothing);
        return;
    }
    QVERIFY2(loaded.record, qPrintable(u"set aside: "_s + loaded.problem));
    QCOMPARE(loaded.record->region, region);
    QCOMPARE(loaded.record->thumbnail.size(), thumbnail ? capture::kThumbnailCells : 0);
    QVERIFY2(loaded.record->watch == watch,
             watch ? "watch mode was read as off" : "watch mode was read as on");
}

void TestRegionFile::savedRegionsReadBack()
{
    const QString path = m_dir.filePath(u"new/folder/capture.ini"_s);
    const QByteArray cells = QByteArray::fromHex(kThumbnailHex);
    QVERIFY(capture::saveRegion(path, {QRect(-5, 7, 640, 33), cells}));
    const capture::RegionLoad loaded = capture::loadRegion(path);
    QVERIFY2(loaded.record, qPrintable(loaded.problem));
    QCOMPARE(loaded.record->region, QRect(-5, 7, 640, 33));
    QCOMPARE(loaded.record->thumbnail, cells);
    // Replaced whole, with nothing left beside it.
    QVERIFY(capture::saveRegion(path, {QRect(1, 2, 300, 40), {}}));
    QCOMPARE(capture::loadRegion(path).record->region, QRect(1, 2, 300, 40));
    QCOMPARE(capture::loadRegion(path).record->thumbnail, QByteArray());
    QCOMPARE(QDir(m_dir.filePath(u"new/folder"_s)).entryList(QDir::Files),
             QStringList{u"capture.ini"_s});
    // Watch mode is remembered with the region, and forgotten when saved off.
    QVERIFY(capture::saveRegion(path, {QRect(1, 2, 300, 40), cells, true}));
    QVERIFY2(capture::loadRegion(path).record->watch, "watch mode saved on was read back off");
    QCOMPARE(capture::loadRegion(path).record->thumbnail, cells);
    QVERIFY(capture::saveRegion(path, {QRect(1, 2, 300, 40), cells, false}));
    QVERIFY2(!capture::loadRegion(path).record->watch, "watch mode saved off was read back on");
}

void TestRegionFile::regionsSavedByEarlierVersionsAreRead()
{
    // Earlier versions wrote the region through QSettings.
    const QString path = m_dir.filePath(u"earlier.ini"_s);
    {
        QSettings settings(path, QSettings::IniFormat);
        settings.setValue(u"question/region"_s, QRect(12, 34, 560, 48));
    }
    const capture::RegionLoad loaded = capture::loadRegion(path);
    QVERIFY2(loaded.record, qPrintable(loaded.problem));
    QCOMPARE(loaded.record->region, QRect(12, 34, 560, 48));
}

QTEST_GUILESS_MAIN(TestRegionFile)
#include "tst_regionfile.moc"
