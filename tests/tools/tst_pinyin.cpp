// Pinyin initials against readings checked by hand in the Unihan data that Debian ships.
#include "tools/pinyin.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestPinyin : public QObject
{
    Q_OBJECT

private slots:
    void initials_data();
    void initials();
    void hanInitial_data();
    void hanInitial();
    void everyLetterIsAnInitial();
};

void TestPinyin::initials_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");

    // Han characters
    QTest::newRow("world cup") << u"世界杯"_s << u"sjb"_s;
    QTest::newRow("Chinese football") << u"中国足球"_s << u"zgzq"_s;
    QTest::newRow("first of two kMandarin readings: 万 wàn mò") << u"万"_s << u"w"_s;
    QTest::newRow("first of two kMandarin readings: 乾 qián gān") << u"乾坤"_s << u"qk"_s;
    QTest::newRow("initial vowel with tone mark: 鹅 é") << u"鹅"_s << u"e"_s;
    QTest::newRow("initial vowel with tone mark: 欧 ōu") << u"欧洲"_s << u"oz"_s;
    QTest::newRow("syllabic n with tone mark: 嗯 ń") << u"嗯"_s << u"n"_s;
    QTest::newRow("syllabic m with tone mark: 呣 ḿ") << u"呣"_s << u"m"_s;
    QTest::newRow("outside the BMP: 𠀀 hē") << u"𠀀"_s << u"h"_s;
    QTest::newRow("no kMandarin, falls back to kHanyuPinyin: 𢣵 chú") << u"𢣵"_s << u"c"_s;
    QTest::newRow("Han character without reading dropped: 㐂") << u"㐂喜"_s << u"x"_s;
    QTest::newRow("ideographic zero has no Unihan reading") << u"二〇二二"_s << u"eee"_s;

    // Words read as players say them, where Unihan's one reading is the rarer one
    QTest::newRow("长 cháng by default") << u"明长城与长江"_s << u"mccycj"_s;
    QTest::newRow("长 zhǎng in listed words") << u"阿根廷队长"_s << u"agtdz"_s;
    QTest::newRow("longest word wins: 银行行长") << u"银行行长"_s << u"yhhz"_s;
    QTest::newRow("行 xíng outside listed words") << u"举行进行曲"_s << u"jxjxq"_s;
    QTest::newRow("乐 yuè in music, lè elsewhere") << u"欢乐颂是音乐"_s << u"hlssyy"_s;
    QTest::newRow("重 chóng in 重庆, zhòng in 重要") << u"重庆很重要"_s << u"cqhzy"_s;
    QTest::newRow("藏 zàng in 西藏, cáng in 收藏") << u"西藏收藏"_s << u"xzsc"_s;
    QTest::newRow("传 zhuàn in titles") << u"《水浒传》与《阿Q正传》"_s << u"shzyaqzz"_s;
    QTest::newRow("壳 qiào, 率 lǜ and shuài") << u"地壳频率率领"_s << u"dqplsl"_s;
    QTest::newRow("弹 tán and dàn") << u"对牛弹琴子弹"_s << u"dntqzd"_s;
    QTest::newRow("word cut by punctuation is not a word") << u"银，行"_s << u"yx"_s;

    // Latin letters and digits
    QTest::newRow("digits kept") << u"2022年"_s << u"2022n"_s;
    QTest::newRow("upper-case ASCII lowered") << u"FIFA世界杯"_s << u"fifasjb"_s;
    QTest::newRow("full-width letters and digits as ASCII") << u"ＦＩＦＡ２０ｂ"_s << u"fifa20b"_s;
    QTest::newRow("accented Latin letter dropped") << u"Café"_s << u"caf"_s;
    QTest::newRow("other scripts dropped") << u"Москва αβ"_s << u""_s;

    // everything else
    QTest::newRow("Chinese punctuation dropped") << u"“谁”是冠军？！（2）"_s << u"ssgj2"_s;
    QTest::newRow("ASCII punctuation and spaces dropped")
        << u"a b,c.d'e\"f%g_h-1+2"_s << u"abcdefgh12"_s;
    QTest::newRow("full-width punctuation dropped") << u"＂％＿"_s << u""_s;
    QTest::newRow("emoji dropped") << u"⚽足球🏆"_s << u"zq"_s;
    QTest::newRow("empty") << u""_s << u""_s;
    QTest::newRow("lone surrogate dropped") << QString(QChar(0xD800)) + u"球"_s << u"q"_s;
}

void TestPinyin::initials()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(tools::pinyin::initials(text), expected);
}

void TestPinyin::hanInitial_data()
{
    QTest::addColumn<uint>("codePoint");
    QTest::addColumn<char>("expected");

    // Edges of the table and of its segments: a lookup one off either way shows here.
    QTest::newRow("before the first Han code point") << 0x33FFu << '\0';
    QTest::newRow("U+3400, first in Unihan: qiū") << 0x3400u << 'q';
    QTest::newRow("U+3401 tiàn") << 0x3401u << 't';
    QTest::newRow("U+3402 has no reading") << 0x3402u << '\0';
    QTest::newRow("U+4E00 一 yī") << 0x4E00u << 'y';
    QTest::newRow("U+9FA5 龥 yù") << 0x9FA5u << 'y';
    QTest::newRow("U+30EDE 𰻞 biáng, last with a reading") << 0x30EDEu << 'b';
    QTest::newRow("after the last") << 0x30EDFu << '\0';
    QTest::newRow("ASCII letter is not Han") << uint('a') << '\0';
    QTest::newRow("highest code point") << 0x10FFFFu << '\0';
}

void TestPinyin::hanInitial()
{
    QFETCH(uint, codePoint);
    QFETCH(char, expected);
    QCOMPARE(tools::pinyin::hanInitial(char32_t(codePoint)), expected);
}

// Every code point in the table maps to a letter a pinyin syllable can start with:
// pinyin syllables never start with i, u or v.
void TestPinyin::everyLetterIsAnInitial()
{
    int found = 0;
    for (char32_t cp = 0x3000; cp < 0x32000; ++cp) {
        const char c = tools::pinyin::hanInitial(cp);
        if (c == 0)
            continue;
        ++found;
        QVERIFY2(c >= 'a' && c <= 'z' && c != 'i' && c != 'u' && c != 'v',
                 qPrintable(u"U+%1 -> %2"_s.arg(uint(cp), 0, 16).arg(QLatin1Char(c))));
    }
    // Unihan 15 gives 41,421 code points a Mandarin reading.
    QVERIFY2(found > 40000, qPrintable(QString::number(found)));
}

QTEST_APPLESS_MAIN(TestPinyin)
#include "tst_pinyin.moc"
