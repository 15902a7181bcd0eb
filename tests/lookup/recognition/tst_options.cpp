// Finding the option to click in recognised text: the layouts and labels games use, what the
// engine makes of the labels and marks, answers stored with more or fewer words than the
// option shows, and the texts where the option cannot be known.
#include "lookup/recognition/options.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

struct Row
{
    const char *name;
    const char16_t *text; // after the question "中国第一部诗歌总集是？" and a line break
    const char16_t *answer;
    const char *expected; // empty: unknown
};

const Row rows[] = {
    // Layouts and labels.
    {"one a line", u"A.诗经\nB.楚辞\nC.离骚\nD.乐府", u"诗经", "A"},
    {"one line, run together", u"A.诗经B.楚辞C.离骚D.乐府", u"乐府", "D"},
    {"two by two, 、", u"A、黑龙江    B、昆虫\nC、猎豹    D、不能", u"猎豹", "C"},
    {"brackets", u"(A) 诗经 (B) 楚辞 C)离骚 D)乐府", u"楚辞", "B"},
    {"letter and a space", u"A 黑龙江  B 昆虫  C 猎豹  D 不能", u"昆虫", "B"},
    {"numbered 1 to 4", u"1.诗经\n2.楚辞\n3.离骚\n4.乐府", u"楚辞", "2"},
    {"选项 lines", u"选项A：陕西\n选项B：甘肃\n选项C：青海", u"甘肃省", "B"},
    {"full-width and lower-case letters", u"Ａ．诗经 Ｂ．楚辞 c.离骚 d.乐府", u"楚辞", "B"},
    {"letters inside the question", u"FIFA成立于？ A.1904年 B.1930年 C.1896年", u"1904年", "A"},
    {"timer after the last option", u"A.诗经 B.楚辞 C.离骚 D.乐府  倒计时 10秒", u"乐府", "D"},
    // Answers worded otherwise than their option.
    {"stored with more words", u"A.前221年 B.前230年 C.前206年 D.前202年", u"公元前221年", "A"},
    {"stored with fewer words", u"A.甘肃省 B.陕西省 C.青海省 D.宁夏", u"甘肃", "A"},
    {"stored with a note", u"A.陈胜吴广起义 B.黄巾起义 C.赤眉起义", u"陈胜吴广起义（大泽乡起义）",
     "A"},
    {"the whole answer before a part of it", u"A.日 B.日本 C.中国 D.韩国", u"日本", "B"},
    // What the engine does to labels, marks and characters.
    {"a character misread", u"A.诗轻 B.楚辞 C.离骚", u"诗经", "A"},
    {"marks misread, space before", u"A,诗经 B ·楚辞 C;离骚 D。乐府", u"离骚", "C"},
    {"a label lost, a line each", u"A.诗经\n8.楚辞\nC.离骚\nD.乐府", u"楚辞", "B"},
    {"a label lost, the gap kept", u"A.诗经   楚辞   C.离骚   D.乐府", u"楚辞", "B"},
    {"the first label lost", u"、诗经  B、楚辞\nC、离骚  D、乐府", u"诗经", "A"},
    {"marks read away, a line each", u"A)廉\nB云南省\nC牛顿\nD贾宝玉", u"牛顿", "C"},
    {"marks read away, two by two", u"A孙思渺B伊涅斯塔\nC牛顿D脚气病", u"牛顿", "C"},
    {"an option ending in a Latin word before the next label", u"A.SOS B.约37\nCC.5名D.4根",
     u"约37℃", "B"},
    {"a Latin word run into the next label", u"A.SOSB.约37\nC.5名D.4根", u"约37℃", "B"},
    {"a grid's last label lost, an ornament read below it",
     u"A北京语音B塞万提斯\nC有苦说不出《资治通鉴》\nSSS", u"《资治通鉴》", "D"},
    {"a grid's second line without its labels", u"A4个B1945年\nCC02D30岁", u"30岁", "D"},
    {"a grid's second line without its labels, a gap between", u"A4个B1945年\n102  30岁", u"30岁",
     "D"},
    {"marks read away before a title", u"A巴西B德国\nC《论语》D门捷列夫", u"《论语》", "C"},
    {"marks read away, a label lost, a title after", u"A巴西德国\nC《论语》D门捷列夫", u"德国",
     "B"},
    {"an option ending in a digit before the next label", u"A.Cu B.64个\nC.7D.122", u"122", "D"},
    {"a letter inside a word before the options", u"维生素C缺乏\nA坏血病\nB夜盲症", u"夜盲症", "B"},
    {"marks read away, a space before the option", u"A 德国和西班牙B 乌拉圭\nC甲烷D 杜甫",
     u"乌拉圭", "B"},
    {"marks read away, options that are numbers", u"A23对B2根\nC1868年D361个", u"2根", "B"},
    {"scores in the options' texts are no labels",
     u"2010年世界杯金靴奖得主是谁？\n托马斯·穆勒（德国，5球）\n斯塔比菜（阿根廷·8球）\n意大利加时赛"
     u"后2比1捷克斯洛伐克\n巴西3比1捷"
     u"克斯洛伐克",
     u"托马斯·穆勒（德国，5球）", ""},
    {"a label misread as a digit makes no numbered options",
     u"第16题1954年世界杯的最佳射手是谁？\nA贝利\n3科奇什\n斯塔比菜\nTricolore",
     u"科奇什（匈牙利，11球）", ""},
    {"the last labels lost, a line each", u"A、蝌蚪\nB、阿拉伯半岛\n林冲\n四川盆地", u"林冲", "C"},
    {"brackets read as letters", u"Ai二胡\nBi琵琶\nCi古筝\nDi华彦钧", u"华彦钧（阿炳）", "D"},
    {"a word such as Al is no label", u"A.Tango B.Al Rihla C.Jabulani", u"Al Rihla（旅程）", "B"},
    // Labels lost and options run together: the answer at the start or the end of their text.
    {"a label lost, options run together", u"A.诗经楚辞 C.离骚 D.乐府", u"楚辞", "B"},
    {"a label lost, the first of two run together", u"A.诗经楚辞 C.离骚 D.乐府", u"诗经", "A"},
    {"the last label lost, the last two run together", u"A瓦特B鲜料\nC韩国宋江", u"宋江", "D"},
    {"the last label lost, its own option", u"A瓦特B鲜料\nC宋江韩国", u"宋江", "C"},
    {"a label read into the Latin word before it", u"A QuestraB乌拉圭4比2阿根廷\nC 8个小组D1930年",
     u"乌拉圭4比2阿根廷", "B"},
    {"three options in a row, the last", u"A.1904年 B.1930年 C.1896年", u"1896年", "C"},
    {"three options a line each, the last", u"A.1904年\nB.1930年\nC.1896年", u"1896年", "C"},
    // Unknown.
    {"three run together, the answer in the middle", u"A.诗经楚辞离骚 D.乐府", u"楚辞", ""},
    {"run together, the answer at both ends", u"A.诗经诗经 C.离骚 D.乐府", u"诗经", ""},
    {"two resemble the answer alike", u"A.1938年 B.1936年 C.2002年", u"1930年", ""},
    {"the answer is no option", u"A.楚辞 B.离骚 C.乐府 D.汉赋", u"诗经", ""},
    {"no options", u"", u"诗经", ""},
    {"more lines after the last label than options left", u"A.诗经\nB.楚辞\n离骚\n乐府\n汉赋",
     u"离骚", ""},
    {"one label only", u"C罗是哪国球员？ A.葡萄牙", u"葡萄牙", ""},
    {"no answer stored", u"A.诗经 B.楚辞", u"", ""},
};

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT

private slots:
    void optionLetter_data();
    void optionLetter();
};

void TestOptions::optionLetter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("expected");
    for (const Row &row : rows) {
        QTest::newRow(row.name) << u"中国第一部诗歌总集是？\n"_s + QString::fromUtf16(row.text)
                                << QString::fromUtf16(row.answer)
                                << QString::fromUtf8(row.expected);
    }
    QTest::newRow("nothing read") << QString() << u"诗经"_s << QString();
}

void TestOptions::optionLetter()
{
    QFETCH(QString, text);
    QFETCH(QString, answer);
    QFETCH(QString, expected);
    QCOMPARE(recognition::optionLetter(text, answer), expected);
}

QTEST_GUILESS_MAIN(TestOptions)
#include "tst_options.moc"
