// The calculator's number rules and estimates, apart from the window.
#include "levelling/levelling.h"
#include "levelling/leveltable.h"

#include <QTest>

#include <cmath>

using namespace Qt::StringLiterals;
using namespace levelling;

namespace {

QStringList tableTexts()
{
    QStringList texts;
    for (std::int32_t entry : kLevelTable)
        texts << QString::number(entry);
    return texts;
}

} // namespace

class TestLevelling : public QObject
{
    Q_OBJECT

private slots:
    void readNumber_data();
    void readNumber();
    void wholePart_data();
    void wholePart();
    void roundHalfEven_data();
    void roundHalfEven();
    void toInt32_data();
    void toInt32();

    void table();
    void requiredExperience_data();
    void requiredExperience();
    void requiredExperienceFailsOnBadList_data();
    void requiredExperienceFailsOnBadList();

    void groupedForm_data();
    void groupedForm();
    void plainText_data();
    void plainText();

    void killCount_data();
    void killCount();
    void hourlyTime_data();
    void hourlyTime();
    void perSecondTime_data();
    void perSecondTime();
    void minutesExperience_data();
    void minutesExperience();
};

void TestLevelling::readNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reads");
    QTest::addColumn<double>("value");

    QTest::newRow("digit") << u"7"_s << true << 7.0;
    QTest::newRow("leading zeros") << u"007"_s << true << 7.0;
    QTest::newRow("zero") << u"0"_s << true << 0.0;
    QTest::newRow("minus sign") << u"-3"_s << true << -3.0;
    QTest::newRow("plus sign") << u"+4"_s << true << 4.0;
    QTest::newRow("fraction") << u"2.5"_s << true << 2.5;
    QTest::newRow("point first") << u".5"_s << true << 0.5;
    QTest::newRow("point last") << u"5."_s << true << 5.0;
    QTest::newRow("spaces around") << u" 12 "_s << true << 12.0;
    QTest::newRow("beyond 32 bits") << u"99999999999"_s << true << 99999999999.0;

    QTest::newRow("empty") << QString() << false << 0.0;
    QTest::newRow("only spaces") << u"  "_s << false << 0.0;
    QTest::newRow("lone minus") << u"-"_s << false << 0.0;
    QTest::newRow("lone point") << u"."_s << false << 0.0;
    QTest::newRow("sign and point") << u"-."_s << false << 0.0;
    QTest::newRow("letters") << u"abc"_s << false << 0.0;
    QTest::newRow("digits then letter") << u"12a"_s << false << 0.0;
    QTest::newRow("grouping comma") << u"1,000"_s << false << 0.0;
    QTest::newRow("exponent") << u"1e3"_s << false << 0.0;
    QTest::newRow("two points") << u"1.2.3"_s << false << 0.0;
    QTest::newRow("trailing minus") << u"3-"_s << false << 0.0;
    QTest::newRow("space inside") << u"- 3"_s << false << 0.0;
    QTest::newRow("full-width digits") << u"１２"_s << false << 0.0;
    QTest::newRow("infinity") << u"inf"_s << false << 0.0;
    QTest::newRow("not a number") << u"nan"_s << false << 0.0;
    QTest::newRow("hex") << u"0x10"_s << false << 0.0;
}

void TestLevelling::readNumber()
{
    QFETCH(QString, text);
    QFETCH(bool, reads);
    QFETCH(double, value);
    const auto read = levelling::readNumber(text);
    QCOMPARE(read.has_value(), reads);
    if (reads)
        QCOMPARE(*read, value);
}

void TestLevelling::wholePart_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("whole");
    QTest::newRow("positive fraction") << 2.7 << 2.0;
    QTest::newRow("negative fraction toward zero") << -2.7 << -2.0;
    QTest::newRow("whole stays") << 5.0 << 5.0;
    QTest::newRow("just below one") << 0.999 << 0.0;
}

void TestLevelling::wholePart()
{
    QFETCH(double, value);
    QFETCH(double, whole);
    QCOMPARE(levelling::wholePart(value), whole);
}

void TestLevelling::roundHalfEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("half down to even 0") << 0.5 << 0.0;
    QTest::newRow("half up to even 2") << 1.5 << 2.0;
    QTest::newRow("half down to even 2") << 2.5 << 2.0;
    QTest::newRow("half up to even 4") << 3.5 << 4.0;
    QTest::newRow("negative half to even") << -2.5 << -2.0;
    QTest::newRow("negative half to even -2") << -1.5 << -2.0;
    QTest::newRow("below half") << 2.4999 << 2.0;
    QTest::newRow("above half") << 2.6 << 3.0;
    QTest::newRow("per-second rate") << 514.2857142857 << 514.0;
}

void TestLevelling::roundHalfEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(levelling::roundHalfEven(value) + 0.0, rounded);
}

void TestLevelling::toInt32_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::newRow("highest") << 2147483647.0 << true;
    QTest::newRow("one above highest") << 2147483648.0 << false;
    QTest::newRow("lowest") << -2147483648.0 << true;
    QTest::newRow("one below lowest") << -2147483649.0 << false;
    QTest::newRow("zero") << 0.0 << true;
}

void TestLevelling::toInt32()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    const auto converted = levelling::toInt32(value);
    QCOMPARE(converted.has_value(), fits);
    if (fits)
        QCOMPARE(double(*converted), value);
}

void TestLevelling::table()
{
    QCOMPARE(kLevelTable.size(), std::size_t(61));
    QCOMPARE(kLevelTable.front(), 0);
    QCOMPARE(kLevelTable.back(), 177870000);
    std::int64_t sum = 0;
    for (int level = 0; level < kMaxLevel; ++level) {
        QVERIFY2(kLevelTable[level] < kLevelTable[level + 1] || level == 0,
                 qPrintable(QString::number(level)));
        sum += kLevelTable[level];
    }
    QCOMPARE(sum, 1527515785);
}

void TestLevelling::requiredExperience_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<double>("sum");
    QTest::newRow("1 to 60") << 1.0 << 60.0 << 1527515785.0;
    QTest::newRow("0 to 60 adds entry 0, which is 0") << 0.0 << 60.0 << 1527515785.0;
    QTest::newRow("1 to 2") << 1.0 << 2.0 << 36.0;
    QTest::newRow("0 to 1") << 0.0 << 1.0 << 0.0;
    QTest::newRow("1 to 6") << 1.0 << 6.0 << 36.0 + 131 + 382 + 747 + 1275;
    QTest::newRow("59 to 60, entry 60 never summed") << 59.0 << 60.0 << 163590000.0;
    QTest::newRow("start equal to end") << 7.0 << 7.0 << 0.0;
    QTest::newRow("start above end") << 10.0 << 3.0 << 0.0;
    // Indexes 0.5 and 1.5 round to 0 and 2 (halves to even), not 1 and 2.
    QTest::newRow("pasted fraction, halves to even") << 0.5 << 3.0 << 0.0 + 131;
    QTest::newRow("pasted fraction 1.5 to 4") << 1.5 << 4.0 << 131.0 + 131;
    QTest::newRow("fractional end bounds the loop") << 1.0 << 3.5 << 36.0 + 131;
}

void TestLevelling::requiredExperience()
{
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(double, sum);
    const auto got = levelling::requiredExperience(start, end, tableTexts());
    QVERIFY(got);
    QCOMPARE(*got, sum);
}

void TestLevelling::requiredExperienceFailsOnBadList_data()
{
    QTest::addColumn<QStringList>("entries");
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("end");
    QTest::addColumn<bool>("reads");
    QStringList bad = tableTexts();
    bad[3] = u"x"_s;
    QTest::newRow("unreadable entry inside the range") << bad << 1.0 << 5.0 << false;
    QTest::newRow("unreadable entry outside the range") << bad << 4.0 << 6.0 << true;
    QTest::newRow("list too short") << tableTexts().mid(0, 10) << 1.0 << 20.0 << false;
    QTest::newRow("negative start") << tableTexts() << -1.0 << 3.0 << false;
}

void TestLevelling::requiredExperienceFailsOnBadList()
{
    QFETCH(QStringList, entries);
    QFETCH(double, start);
    QFETCH(double, end);
    QFETCH(bool, reads);
    QCOMPARE(levelling::requiredExperience(start, end, entries).has_value(), reads);
}

void TestLevelling::groupedForm_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero is a single space") << 0.0 << u" "_s;
    QTest::newRow("two digits") << 36.0 << u"36 "_s;
    QTest::newRow("three digits, no comma") << 999.0 << u"999 "_s;
    QTest::newRow("first comma") << 1000.0 << u"1,000 "_s;
    QTest::newRow("six digits") << 100000.0 << u"100,000 "_s;
    QTest::newRow("kill count") << 1527516.0 << u"1,527,516 "_s;
    QTest::newRow("1 to 60") << 1527515785.0 << u"1,527,515,785 "_s;
    QTest::newRow("beyond 32 bits") << 12345678901.0 << u"12,345,678,901 "_s;
    QTest::newRow("negative") << -1234.0 << u"-1,234 "_s;
}

void TestLevelling::groupedForm()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(levelling::groupedForm(value), text);
}

void TestLevelling::plainText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << u"0"_s;
    QTest::newRow("negative zero") << -0.0 << u"0"_s;
    QTest::newRow("no grouping") << 1527515785.0 << u"1527515785"_s;
    QTest::newRow("no exponent") << 1e20 << u"100000000000000000000"_s;
    QTest::newRow("negative") << -42.0 << u"-42"_s;
}

void TestLevelling::plainText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(levelling::plainText(value), text);
}

void TestLevelling::killCount_data()
{
    QTest::addColumn<double>("required");
    QTest::addColumn<double>("perKill");
    QTest::addColumn<bool>("computes");
    QTest::addColumn<double>("kills");
    QTest::newRow("exact division still adds one") << 100.0 << 50.0 << true << 3.0;
    QTest::newRow("remainder truncated, plus one") << 5.0 << 3.0 << true << 2.0;
    QTest::newRow("nothing required") << 0.0 << 5.0 << true << 1.0;
    QTest::newRow("1 to 60 at 1000") << 1527515785.0 << 1000.0 << true << 1527516.0;
    QTest::newRow("pasted fraction per kill") << 10.0 << 0.5 << true << 21.0;
    QTest::newRow("zero per kill fails") << 100.0 << 0.0 << false << 0.0;
}

void TestLevelling::killCount()
{
    QFETCH(double, required);
    QFETCH(double, perKill);
    QFETCH(bool, computes);
    QFETCH(double, kills);
    const auto got = levelling::killCount(required, perKill);
    QCOMPARE(got.has_value(), computes);
    if (computes)
        QCOMPARE(*got, kills);
}

void TestLevelling::hourlyTime_data()
{
    QTest::addColumn<double>("required");
    QTest::addColumn<double>("perHour");
    QTest::addColumn<QString>("time"); // empty: the estimate fails

    QTest::newRow("5600 at 1000") << 5600.0 << 1000.0 << u"0天5小时35分钟"_s;
    QTest::newRow("100000 at 1000") << 100000.0 << 1000.0 << u"4天4小时0分钟"_s;
    QTest::newRow("1 to 60 at 100000") << 1527515785.0 << 100000.0 << u"636天11小时9分钟"_s;
    QTest::newRow("nothing required") << 0.0 << 1000.0 << u"0天0小时0分钟"_s;
    // 1527515785 hours still fit 32 bits: 63646491 days and 1 hour.
    QTest::newRow("1 to 60 at 1 per hour") << 1527515785.0 << 1.0 << u"63646491天1小时0分钟"_s;
    // Rate 2.5 counts as 2 (halves to even): 101 mod 2 leaves 1 experience, 1 minute.
    QTest::newRow("rate rounded halves to even") << 101.0 << 2.5 << u"1天16小时1分钟"_s;
    // Experience 2.5 counts as 2: nothing left after the whole hour.
    QTest::newRow("experience rounded halves to even") << 2.5 << 2.0 << u"0天1小时0分钟"_s;

    QTest::newRow("zero per hour") << 5600.0 << 0.0 << QString();
    QTest::newRow("hours beyond 32 bits") << 1527515785.0 << 0.7 << QString();
    QTest::newRow("rate beyond 32 bits") << 5000.0 << 3e9 << QString();
    QTest::newRow("experience beyond 32 bits") << 3e9 << 2e9 << QString();
    QTest::newRow("rate rounds to zero") << 100.0 << 0.5 << QString();
}

void TestLevelling::hourlyTime()
{
    QFETCH(double, required);
    QFETCH(double, perHour);
    QFETCH(QString, time);
    const auto got = levelling::hourlyTime(required, perHour);
    QCOMPARE(got.value_or(QString()), time);
}

void TestLevelling::perSecondTime_data()
{
    QTest::addColumn<double>("required");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("experience");
    QTest::addColumn<QString>("time"); // empty: the step fails

    // P2 = 514.2857..., Q1 = 514, X = 486, Pm = 9.
    QTest::newRow("1000 at 1 per 7 s") << 1000.0 << 7.0 << 1.0 << u"0天1小时54分钟"_s;
    QTest::newRow("nothing required") << 0.0 << 7.0 << 1.0 << u"0天0小时0分钟"_s;
    QTest::newRow("5600 at 10 per 36 s is 1000 per hour")
        << 5600.0 << 36.0 << 10.0 << u"0天5小时35分钟"_s;
    QTest::newRow("zero seconds") << 1000.0 << 0.0 << 1.0 << QString();
    QTest::newRow("zero experience") << 1000.0 << 7.0 << 0.0 << QString();
}

void TestLevelling::perSecondTime()
{
    QFETCH(double, required);
    QFETCH(double, seconds);
    QFETCH(double, experience);
    QFETCH(QString, time);
    QCOMPARE(levelling::perSecondTime(required, seconds, experience).value_or(QString()), time);
}

void TestLevelling::minutesExperience_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("experience");
    QTest::addColumn<double>("minutes");
    QTest::addColumn<bool>("computes");
    QTest::addColumn<double>("gained");
    QTest::newRow("10 s, 50 exp, 30 min") << 10.0 << 50.0 << 30.0 << true << 9000.0;
    // 1/3 * 5 * 60 in doubles is just below 100.
    QTest::newRow("3 s, 1 exp, 5 min: order of operations") << 3.0 << 1.0 << 5.0 << true << 99.0;
    QTest::newRow("no experience") << 7.0 << 0.0 << 5.0 << true << 0.0;
    QTest::newRow("zero seconds") << 0.0 << 1.0 << 5.0 << false << 0.0;
}

void TestLevelling::minutesExperience()
{
    QFETCH(double, seconds);
    QFETCH(double, experience);
    QFETCH(double, minutes);
    QFETCH(bool, computes);
    QFETCH(double, gained);
    const auto got = levelling::minutesExperience(seconds, experience, minutes);
    QCOMPARE(got.has_value(), computes);
    if (computes)
        QCOMPARE(*got, gained);
}

QTEST_GUILESS_MAIN(TestLevelling)
#include "tst_levelling.moc"
