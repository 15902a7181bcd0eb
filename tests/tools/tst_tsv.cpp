// The quiz list reader: what it takes as a row, and the first bad line it stops at.
#include "tools/tsv.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestTsv : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void rejected_data();
    void rejected();
};

// One entry as "line|question|answer|pinyin" for readable comparisons.
static QStringList render(const std::vector<tools::tsv::Entry> &entries)
{
    QStringList out;
    for (const auto &e : entries)
        out += u"%1|%2|%3|%4"_s.arg(e.line).arg(e.question, e.answer, e.pinyin);
    return out;
}

void TestTsv::accepted_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("two fields, LF") << "世界杯\t巴西\n"_ba << QStringList{u"1|世界杯|巴西|"_s};
    QTest::newRow("last line without line end")
        << "a\tb\nc\td"_ba << QStringList{u"1|a|b|"_s, u"2|c|d|"_s};
    QTest::newRow("three fields") << "中国\t北京\tzg\n"_ba << QStringList{u"1|中国|北京|zg"_s};
    QTest::newRow("empty third field") << "q\ta\t\n"_ba << QStringList{u"1|q|a|"_s};
    QTest::newRow("CR LF line ends")
        << "q1\ta1\r\nq2\ta2\tp2\r\n"_ba << QStringList{u"1|q1|a1|"_s, u"2|q2|a2|p2"_s};
    QTest::newRow("blank lines skipped, numbers kept")
        << "\nq\ta\n\r\n   \n\t\t\nq2\ta2\n\n"_ba << QStringList{u"2|q|a|"_s, u"6|q2|a2|"_s};
    QTest::newRow("byte order mark at file start dropped")
        << "\xEF\xBB\xBFq\ta\n"_ba << QStringList{u"1|q|a|"_s};
    QTest::newRow("byte order mark of a joined file dropped")
        << "q\ta\n\xEF\xBB\xBFq2\ta2\n"_ba << QStringList{u"1|q|a|"_s, u"2|q2|a2|"_s};
    QTest::newRow("double quotes are ordinary characters")
        << "\"引号\"\t\"a\"\"b\"\t\"\n"_ba << QStringList{u"1|\"引号\"|\"a\"\"b\"|\""_s};
    QTest::newRow("single quote, percent, underscore kept, backslash written as escape")
        << "it's 100%\ta_b\\\\n\n"_ba << QStringList{u"1|it's 100%|a_b\\n|"_s};
    QTest::newRow("escapes read: backslash, tab, line feed, carriage return")
        << "a\\tb\\\\\tc\\nd\\r\tp\\\\\n"_ba << QStringList{u"1|a\tb\\|c\nd\r|p\\"_s};
    QTest::newRow("escaped characters count once towards 255")
        << "q\t"_ba + QByteArray(254, 'a') + "\\n\n"
        << QStringList{u"1|q|"_s + QString(254, u'a') + u"\n|"_s};
    QTest::newRow("spaces around values kept") << " q \t a \n"_ba << QStringList{u"1| q | a |"_s};
    QTest::newRow("255 characters is the limit")
        << QByteArray(255, 'q') + "\t" + QByteArray(255, 'a') + "\t" + QByteArray(255, 'p')
        << QStringList{
               u"1|%1|%2|%3"_s.arg(QString(255, u'q'), QString(255, u'a'), QString(255, u'p'))};
    QTest::newRow("255 Chinese characters")
        << QString(255, QChar(0x4E2D)).toUtf8() + "\ta"
        << QStringList{u"1|%1|a|"_s.arg(QString(255, QChar(0x4E2D)))};
}

void TestTsv::accepted()
{
    QFETCH(QByteArray, input);
    QFETCH(QStringList, expected);
    const auto result = tools::tsv::parse(input);
    if (!result)
        QFAIL(qPrintable(u"line %1: %2"_s.arg(result.error().line).arg(result.error().cause)));
    QCOMPARE(render(*result), expected);
}

void TestTsv::rejected_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<qsizetype>("line");
    QTest::addColumn<QString>("cause");

    QTest::newRow("question only") << "ok\tyes\n世界杯\n"_ba << qsizetype(2) << u"missing answer"_s;
    QTest::newRow("empty answer") << "q\t\n"_ba << qsizetype(1) << u"missing answer"_s;
    QTest::newRow("empty answer with pinyin")
        << "q\t\tp\n"_ba << qsizetype(1) << u"missing answer"_s;
    QTest::newRow("empty question") << "\ta\n"_ba << qsizetype(1) << u"missing question"_s;
    QTest::newRow("four fields") << "\n\nq\ta\tp\tx\n"_ba << qsizetype(3)
                                 << u"more than three fields (4)"_s;
    QTest::newRow("trailing tab makes a fourth field")
        << "q\ta\tp\t\n"_ba << qsizetype(1) << u"more than three fields (4)"_s;
    QTest::newRow("Latin-1 text") << "caf\xE9\ta\n"_ba << qsizetype(1) << u"not valid UTF-8"_s;
    QTest::newRow("UTF-8 cut in the middle of a character")
        << "q\t\xE4\xB8\n"_ba << qsizetype(1) << u"not valid UTF-8"_s;
    QTest::newRow("overlong UTF-8") << "q\t\xC0\xAF\n"_ba << qsizetype(1) << u"not valid UTF-8"_s;
    QTest::newRow("UTF-8 encoded surrogate")
        << "q\t\xED\xA0\x80\n"_ba << qsizetype(1) << u"not valid UTF-8"_s;
    QTest::newRow("lone CR inside a line")
        << "q\ra\tb\n"_ba << qsizetype(1) << u"control character U+000D in the question"_s;
    QTest::newRow("NUL in the answer") << QByteArray("q\ta\0b\n", 6) << qsizetype(1)
                                       << u"control character U+0000 in the answer"_s;
    QTest::newRow("DEL in the pinyin")
        << "q\ta\tp\x7F\n"_ba << qsizetype(1) << u"control character U+007F in the pinyin"_s;
    QTest::newRow("character outside the BMP")
        << "q\t⚽🏆\n"_ba << qsizetype(1)
        << u"character U+1F3C6 outside the Basic Multilingual Plane in the answer"_s;
    QTest::newRow("unpaired surrogate cannot come from UTF-8")
        << "q\ta\t\xED\xB0\x80\n"_ba << qsizetype(1) << u"not valid UTF-8"_s;
    QTest::newRow("byte order mark after a tab")
        << "q\t\xEF\xBB\xBF答\n"_ba << qsizetype(1) << u"byte order mark inside the answer"_s;
    QTest::newRow("question of 256 characters")
        << "q\ta\n"_ba + QByteArray(256, 'x') + "\ta\n"
        << qsizetype(2) << u"question longer than 255 characters (256)"_s;
    QTest::newRow("answer of 256 Chinese characters")
        << "q\t"_ba + QString(256, QChar(0x7B54)).toUtf8() << qsizetype(1)
        << u"answer longer than 255 characters (256)"_s;
    QTest::newRow("backslash before another letter")
        << "C:\\dir\ta\n"_ba << qsizetype(1)
        << u"a backslash in the question starts no escape (\\\\ is a backslash)"_s;
    QTest::newRow("backslash at the end of a value")
        << "q\ta\tp\\\n"_ba << qsizetype(1)
        << u"a backslash in the pinyin starts no escape (\\\\ is a backslash)"_s;
    QTest::newRow("pinyin of 300 characters") << "q\ta\t"_ba + QByteArray(300, 'p') << qsizetype(1)
                                              << u"pinyin longer than 255 characters (300)"_s;
}

void TestTsv::rejected()
{
    QFETCH(QByteArray, input);
    QFETCH(qsizetype, line);
    QFETCH(QString, cause);
    const auto result = tools::tsv::parse(input);
    QVERIFY2(!result, "accepted a bad line");
    QCOMPARE(result.error().line, line);
    QCOMPARE(result.error().cause, cause);
}

QTEST_APPLESS_MAIN(TestTsv)
#include "tst_tsv.moc"
