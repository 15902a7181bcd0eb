// File names between bytes and text: valid UTF-8 reads as Qt reads it, and every other byte
// comes back as itself, so that a name from the command line opens the file it names.
#include "lookup/filename.h"

#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFileName : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void validUtf8ReadsAsQtReadsIt_data();
    void validUtf8ReadsAsQtReadsIt();
};

void TestFileName::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("escaped"); // bytes kept as lone surrogates
    QTest::newRow("ASCII") << "shot.png"_ba << 0;
    QTest::newRow("Chinese") << "题目截图.png"_ba << 0;
    QTest::newRow("outside the BMP") << "\xF0\x9F\x98\x80.png"_ba << 0;
    QTest::newRow("0xFF 0xFE") << "\xFF\xFE.png"_ba << 2;
    QTest::newRow("Latin-1 name") << "caf\xE9.png"_ba << 1;
    QTest::newRow("GBK name") << "\xCC\xE2\xC4\xBF.png"_ba << 2;
    QTest::newRow("lead byte at the end") << "a\xE4\xB8"_ba << 2;
    QTest::newRow("overlong slash") << "\xC0\xAF"_ba << 2;
    QTest::newRow("encoded surrogate") << "\xED\xA0\x80"_ba << 3;
    QTest::newRow("past U+10FFFF") << "\xF4\x90\x80\x80"_ba << 4;
    QTest::newRow("stray continuation bytes") << "\x80\xBF"_ba << 2;
    QTest::newRow("valid beside invalid") << "题\xFF目"_ba << 1;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestFileName::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, escaped);
    const QString name = lookup::fileNameFromBytes(bytes);
    QCOMPARE(lookup::fileNameToBytes(name), bytes);
    int lone = 0;
    for (const QChar c : name)
        lone += c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF;
    QCOMPARE(lone, escaped);
    // Qt's own reading loses the bytes that are not UTF-8.
    if (escaped > 0)
        QVERIFY(QFile::encodeName(QFile::decodeName(bytes)) != bytes);
}

void TestFileName::validUtf8ReadsAsQtReadsIt_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ASCII") << u"crvt.dat"_s;
    QTest::newRow("Chinese and full width") << u"题库　ＡＢＣ.dat"_s;
    QTest::newRow("emoji") << u"😀 shot.png"_s;
    QTest::newRow("a real surrogate pair next to U+DC80's neighbours") << u"\U0001F600\u00FF"_s;
}

void TestFileName::validUtf8ReadsAsQtReadsIt()
{
    QFETCH(QString, name);
    QCOMPARE(lookup::fileNameFromBytes(name.toUtf8()), name);
    QCOMPARE(lookup::fileNameToBytes(name), name.toUtf8());
}

QTEST_GUILESS_MAIN(TestFileName)
#include "tst_filename.moc"
