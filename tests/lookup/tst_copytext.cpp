// The copy form of the display pair.
#include "lookup/copytext.h"
#include "siteconfig.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCopyText : public QObject
{
    Q_OBJECT
private slots:
    void threeLinesJoinedByLoneCarriageReturns_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("expected");
        const QString tail = u"(此答题内容来至ZembrikCorvanth智能答题器 http://"_s +
                             QString::fromUtf16(site::zoneHost) + u")"_s;
        QTest::newRow("a match") << u"长城有多长？"_s << u"两万多公里"_s
                                 << u"题目：长城有多长？\r答案：两万多公里\r"_s + tail;
        QTest::newRow("nothing shown") << QString() << QString() << u"题目：\r答案：\r"_s + tail;
        QTest::newRow("texts kept as they are")
            << u" a\"b' "_s << u"%_"_s << u"题目： a\"b' \r答案：%_\r"_s + tail;
    }
    void threeLinesJoinedByLoneCarriageReturns()
    {
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QString, expected);
        const QString text = lookup::copyText(question, answer);
        QCOMPARE(text, expected);
        QVERIFY(!text.contains(u'\n'));
        QVERIFY(!text.endsWith(u'\r'));
        QCOMPARE(text.count(u'\r'), 2);
    }
};

QTEST_APPLESS_MAIN(TestCopyText)
#include "tst_copytext.moc"
