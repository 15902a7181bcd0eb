// The question ranking on recognised texts as the engine damages them: wrong, missing and
// extra characters, punctuation and width, text around the question, a question cut short,
// and text that holds no question at all.
#include "lookup/recognition/ranker.h"
#include "lookup/recognition/textmatch.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QStringList questions = {
    u"秦始皇统一六国是在哪一年？"_s,                 // 0
    u"五四运动发生在哪一年？"_s,                     // 1
    u"FIFA成立于哪一年？"_s,                         // 2
    u"“长风破浪会有时，直挂云帆济沧海”的作者是？"_s, // 3
    u"简称“陇”或“甘”的省是？"_s,                     // 4
    u"简称“秦”或“陕”的省是？"_s,                     // 5
    u"世界杯冠军最多的国家是？"_s,                   // 6
    u"世界杯冠军最多的国家是哪个大洲的？"_s,         // 7
    u"五四运动发生在哪一年？"_s,                     // 8: the same question again
    u"中国第一部诗歌总集是？"_s,                     // 9
    u"泰山位于哪个省？"_s,                           // 10
};

// Questions that differ in one character, a digit or a letter, questions inside others, and
// short ones.
const QStringList twinQuestions = {
    u"黄山位于哪个省？"_s,                    // 0
    u"泰山位于哪个省？"_s,                    // 1
    u"简称“冀”的省是？"_s,                    // 2
    u"简称“鄂”的省是？"_s,                    // 3
    u"西汉的开国皇帝是？"_s,                  // 4
    u"西晋的开国皇帝是？"_s,                  // 5
    u"1930年世界杯的冠军是哪支球队？"_s,      // 6
    u"1934年世界杯的冠军是哪支球队？"_s,      // 7
    u"FIFA成立于哪一年？"_s,                  // 8
    u"UEFA成立于哪一年？"_s,                  // 9
    u"离地球最近的恒星是？"_s,                // 10
    u"除太阳外离地球最近的恒星是？"_s,        // 11
    u"问题000999 秦始皇统一六国是在哪一年"_s, // 12
    u"问题009999 秦始皇统一六国是在哪一年"_s, // 13
    u"问题099999 秦始皇统一六国是在哪一年"_s, // 14
    u"日本的首都是？"_s,                      // 15
    u"1938年世界杯的季军是哪支球队？"_s,      // 16
    u"1998年世界杯的季军是哪支球队？"_s,      // 17
};

} // namespace

class TestRanker : public QObject
{
    Q_OBJECT

private slots:
    void normalise_data();
    void normalise();
    void withoutCountdown_data();
    void withoutCountdown();
    void bestQuestion_data();
    void bestQuestion();
    void tiesKeepStoreOrder();
    void topLimitsTheRows();
    void twinsAndWholeQuestions_data();
    void twinsAndWholeQuestions();
};

void TestRanker::normalise_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("full-width punctuation dropped") << u"是在哪一年？"_s << u"是在哪一年"_s;
    QTest::newRow("half-width punctuation dropped") << u"是在哪一年?"_s << u"是在哪一年"_s;
    QTest::newRow("spaces the engine puts between characters")
        << u"秦 始 皇\t统一\n六国"_s << u"秦始皇统一六国"_s;
    QTest::newRow("full-width letters and digits, any case")
        << u"ＦＩＦＡ成立于１９０４年"_s << u"fifa成立于1904年"_s;
    QTest::newRow("quotes and brackets") << u"“长风”《记》【题】"_s << u"长风记题"_s;
    QTest::newRow("nothing but punctuation") << u"？！……"_s << QString();
}

void TestRanker::normalise()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(recognition::normalise(text), expected);
}

void TestRanker::withoutCountdown_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("named countdown between a question's lines")
        << u"简称“皖”倒计时 7秒\n的省是？"_s << u"简称“皖”\n的省是？"_s;
    QTest::newRow("time left with a full-width colon")
        << u"第11题捷克剩余时间：12\n的首都是？"_s << u"第11题捷克\n的首都是？"_s;
    QTest::newRow("time left misread without its seconds")
        << u"捷克剩余时间：\n的首都是？"_s << u"捷克\n的首都是？"_s;
    QTest::newRow("seconds alone at a line's end")
        << u"亚圣是谁？8s\nA.孟子"_s << u"亚圣是谁？\nA.孟子"_s;
    QTest::newRow("seconds in Chinese at the end") << u"亚圣是谁？ 15秒"_s << u"亚圣是谁？"_s;
    QTest::newRow("a clock at a line's end")
        << u"亚圣是谁？00:07\nA.孟子"_s << u"亚圣是谁？\nA.孟子"_s;
    QTest::newRow("a number inside a question stays")
        << u"1930年世界杯共有13支球队参加吗"_s << u"1930年世界杯共有13支球队参加吗"_s;
    QTest::newRow("seconds inside a question stay")
        << u"百米跑进10秒的第一人是谁"_s << u"百米跑进10秒的第一人是谁"_s;
    QTest::newRow("a Latin word after a countdown's number stays whole")
        << u"倒计时 9Sony是哪国公司"_s << u"Sony是哪国公司"_s;
    QTest::newRow("the word for the rest without a number stays")
        << u"剩余价值学说的提出者是？"_s << u"剩余价值学说的提出者是？"_s;
    QTest::newRow("a bare number at the end stays") << u"是多少？19"_s << u"是多少？19"_s;
    QTest::newRow("seconds glued to a year: two digits go, the year stays")
        << u"【每日答题】199430s\n年世界杯金球奖得主是谁？"_s
        << u"【每日答题】1994\n年世界杯金球奖得主是谁？"_s;
    QTest::newRow("seconds a space after a year go, the year stays")
        << u"1994 30s\n年世界杯金球奖得主是谁？"_s << u"1994\n年世界杯金球奖得主是谁？"_s;
    QTest::newRow("a clock glued to a year goes, the year stays")
        << u"199400:07\n年世界杯金球奖得主是谁？"_s << u"1994\n年世界杯金球奖得主是谁？"_s;
}

void TestRanker::withoutCountdown()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(recognition::withoutCountdown(text), expected);
}

void TestRanker::bestQuestion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // -1: nothing recognised

    QTest::newRow("exact") << u"秦始皇统一六国是在哪一年？"_s << 0;
    QTest::newRow("two characters wrong") << u"秦始皇统一六困是在哪一羊?"_s << 0;
    QTest::newRow("characters missing") << u"长风破会有时直挂帆济沧海的者是"_s << 3;
    QTest::newRow("characters added") << u"五四运动人发生在了哪一年年？"_s << 1;
    QTest::newRow("wrong, missing and added together")
        << u"“长风被浪会有时，直挂云帆帆沧海”作者是"_s << 3;
    QTest::newRow("short question, two characters wrong") << u"泰山位干哪个首?"_s << 10;
    QTest::newRow("short question, end missing") << u"【每日答题】泰山位于哪,"_s << 10;
    QTest::newRow("half-width and lower case") << u"fifa 成立于哪一年?"_s << 2;
    QTest::newRow("number and title before, timer after")
        << u"【每日答题】第3题：简称“陇”或“甘”的省是？ 倒计时 12秒"_s << 4;
    QTest::newRow("countdown between the question's lines, a character misread")
        << u"简称“陇”或“廿”倒计时 7秒\n的省是？"_s << 4;
    QTest::newRow("time left between the lines of a short question")
        << u"泰山位于剩余时间：3\n哪个省？"_s << 10;
    QTest::newRow("answer options on a second line")
        << u"中国第一部诗歌总集是？\nA.诗经 B.楚辞 C.离骚 D.乐府"_s << 9;
    QTest::newRow("one character tells two questions apart") << u"简称秦或陕的省是"_s << 5;
    QTest::newRow("cut short") << u"第5题 “长风破浪会有时，直挂云"_s << 3;
    QTest::newRow("cut short and damaged") << u"秦始皇统一六困是在"_s << 0;
    QTest::newRow("whole question beats a longer one it starts")
        << u"世界杯冠军最多的国家是？"_s << 6;
    QTest::newRow("the longer question when its end is there")
        << u"世界杯冠军最多的国家是哪个大洲的"_s << 7;
    QTest::newRow("no question: everyday text") << u"今天天气很好我们去公园散步吧"_s << -1;
    QTest::newRow("no question: only the title and timer")
        << u"【每日答题】第3题 倒计时 10秒"_s << -1;
    QTest::newRow("no question: a common phrase only") << u"是在哪一年"_s << -1;
    QTest::newRow("no question: punctuation") << u"？，。“”"_s << -1;
    QTest::newRow("no question: empty") << QString() << -1;
}

void TestRanker::bestQuestion()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    const recognition::Ranker ranker(questions);
    const auto ranked = ranker.match(text);
    if (expected < 0) {
        QVERIFY2(ranked.empty(),
                 qPrintable(ranked.empty() ? QString() : questions[ranked.front().row]));
        return;
    }
    QVERIFY(!ranked.empty());
    QCOMPARE(ranked.front().row, qsizetype(expected));
    QVERIFY(ranked.front().confidence >= recognition::Ranker::kThreshold);
    for (size_t i = 1; i < ranked.size(); ++i)
        QVERIFY(ranked[i - 1].score >= ranked[i].score);
}

void TestRanker::tiesKeepStoreOrder()
{
    const recognition::Ranker ranker(questions);
    const auto ranked = ranker.match(u"五四运动发生在哪一年"_s);
    QVERIFY(ranked.size() >= 2);
    QCOMPARE(ranked[0].row, 1);
    QCOMPARE(ranked[1].row, 8);
    QCOMPARE(ranked[0].score, ranked[1].score);
}

void TestRanker::topLimitsTheRows()
{
    const recognition::Ranker ranker(questions);
    QCOMPARE(ranker.size(), questions.size());
    QCOMPARE(ranker.match(u"五四运动发生在哪一年"_s, 1).size(), size_t(1));
    QVERIFY(ranker.match(u"五四运动发生在哪一年"_s, 0).empty());
    QVERIFY(recognition::Ranker().match(u"五四运动发生在哪一年"_s).empty());
}

void TestRanker::twinsAndWholeQuestions_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected"); // the first row; -1: nothing recognised
    QTest::addColumn<int>("twins");    // 1: the best two shown as twins
    const struct
    {
        const char *name;
        const char16_t *text;
        int expected, twins;
    } rows[] = {
        {"twin told apart by its first character", u"泰山位于哪个省？", 1, 0},
        {"...although its last character is misread", u"泰山位于哪个首", 1, 0},
        {"telling character misread: twins, store order", u"寅山位于哪个省", 0, 1},
        {"telling character lost: twins", u"山位于哪个省？", 0, 1},
        {"twin told apart in the middle", u"简称“鄂”的省是？", 3, 0},
        {"middle character misread: twins", u"简称“翼”的省是？", 2, 1},
        {"twin told apart by a digit", u"1934年世界杯的冠军是哪支球队？", 7, 0},
        {"telling digit misread: twins", u"1938年世界杯的冠军是哪支球队？", 6, 1},
        {"doubled digit read once: its question first, still twins",
         u"198年世界杯的季军是哪支球队？", 17, 1},
        {"telling digit glued to a countdown", u"【每日答题】193430s\n年世界杯的冠军是哪支球队？",
         7, 0},
        {"twin told apart by Latin letters", u"UEFA成立于哪一年", 9, 0},
        {"numbered: the exact number", u"问题009999 秦始皇统一六国是在哪一年", 13, 0},
        {"numbered: a character misread elsewhere", u"问题099999 秦始皇统一六困是在哪一年", 14, 0},
        {"numbered: a digit misread", u"问题0O9999 秦始皇统一六国是在哪一年", 13, 1},
        {"held whole, a longer one held whole too", u"除太阳外离地球最近的恒星是？", 11, 0},
        {"held whole before a longer one read wrong", u"除太阳处离地球最近的恒星是？", 10, 1},
        {"held whole before one that resembles more", u"日本的首都是哪座城市？日本的首都是", 15, 0},
        {"short question, three of eight misread", u"西汊的开困皇帚是", 4, 1},
        {"short question among other text", u"【每日答题】第7题 日本的首都是？ 00:09", 15, 0},
        {"short question, half of it misread", u"西汊的升困皇帚足", -1, 0},
        {"a phrase numbered questions share", u"秦始皇统一六国", -1, 0},
    };
    for (const auto &row : rows)
        QTest::newRow(row.name) << QString::fromUtf16(row.text) << row.expected << row.twins;
}

void TestRanker::twinsAndWholeQuestions()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QFETCH(int, twins);
    const recognition::Ranker ranker(twinQuestions);
    const auto ranked = ranker.match(text);
    if (expected < 0) {
        QVERIFY2(ranked.empty(),
                 qPrintable(ranked.empty() ? QString() : twinQuestions[ranked.front().row]));
        return;
    }
    QVERIFY2(!ranked.empty(), "nothing recognised");
    QVERIFY2(ranked.front().row == expected, qPrintable(twinQuestions[ranked.front().row]));
    QCOMPARE(recognition::nearTwins(ranked), twins == 1);
}

QTEST_GUILESS_MAIN(TestRanker)
#include "tst_ranker.moc"
