// The war-soul evaluation as a pure function: reading box texts, rounding, the score's text,
// the rating and every failure.
#include "warsoul/evaluation.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;
using warsoul::Failure;

Q_DECLARE_METATYPE(warsoul::Failure)

namespace {

constexpr std::int64_t maxUnits = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t minUnits = std::numeric_limits<std::int64_t>::min();

// What a result holds, for the message of a check that expected the other.
QString describe(const std::variant<warsoul::Fixed4, Failure> &v)
{
    if (const auto *failure = std::get_if<Failure>(&v))
        return u"refused: failure %1"_s.arg(int(*failure));
    return u"read as %1 units"_s.arg(std::get<warsoul::Fixed4>(v).units);
}
QString describe(const std::variant<warsoul::Evaluation, Failure> &v)
{
    if (const auto *failure = std::get_if<Failure>(&v))
        return u"refused: failure %1"_s.arg(int(*failure));
    return u"evaluated: "_s + std::get<warsoul::Evaluation>(v).resultText;
}

warsoul::Entries entries(const QStringList &twelve)
{
    warsoul::Entries e;
    for (std::size_t i = 0; i < warsoul::kStatCount; ++i) {
        e.starting[i] = twelve.at(qsizetype(i));
        e.current[i] = twelve.at(qsizetype(warsoul::kStatCount) + qsizetype(i));
    }
    e.level = twelve.at(10);
    e.affinityLevel = twelve.at(11);
    return e;
}

// Starting stats by the defaults, current stats 60, 55, 50, 45, 40: growth 90.
QStringList workedExample(const QString &level, const QString &affinity)
{
    return {u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"60"_s,
            u"55"_s, u"50"_s, u"45"_s, u"40"_s, level,   affinity};
}

// A growth given by one current stat over zero starting stats, and two level texts.
QStringList growthOver(const QString &growth, const QString &level, const QString &affinity)
{
    return {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, growth,
            u"0"_s, u"0"_s, u"0"_s, u"0"_s, level,  affinity};
}

} // namespace

class TestEvaluation : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("units");

        QTest::newRow("zero") << u"0"_s << qint64(0);
        QTest::newRow("default stat") << u"32"_s << qint64(320000);
        QTest::newRow("clamp value") << u"99999"_s << qint64(999990000);
        QTest::newRow("leading zeros") << u"007"_s << qint64(70000);
        QTest::newRow("many leading zeros") << u"00000000000000000000000000001"_s << qint64(10000);
        QTest::newRow("minus sign") << u"-5"_s << qint64(-50000);
        QTest::newRow("plus sign") << u"+4.5"_s << qint64(45000);
        QTest::newRow("negative zero") << u"-0"_s << qint64(0);
        QTest::newRow("no digit before point") << u".5"_s << qint64(5000);
        QTest::newRow("no digit after point") << u"7."_s << qint64(70000);
        QTest::newRow("four decimals") << u"1.2345"_s << qint64(12345);
        QTest::newRow("blanks around") << u"  12\t"_s << qint64(120000);
        QTest::newRow("fifth decimal above half") << u"1.23456"_s << qint64(12346);
        QTest::newRow("fifth decimal below half") << u"1.23454"_s << qint64(12345);
        QTest::newRow("tie, odd last place rounds up") << u"1.23455"_s << qint64(12346);
        QTest::newRow("tie, even last place stays") << u"1.23445"_s << qint64(12344);
        QTest::newRow("just above tie") << u"1.234450001"_s << qint64(12345);
        QTest::newRow("just below tie") << u"1.2344499999"_s << qint64(12344);
        QTest::newRow("negative tie, odd") << u"-1.23455"_s << qint64(-12346);
        QTest::newRow("negative tie, even") << u"-1.23445"_s << qint64(-12344);
        QTest::newRow("rounding carries into the whole part") << u"0.99995"_s << qint64(10000);
        QTest::newRow("largest") << u"922337203685477.5807"_s << qint64(maxUnits);
        QTest::newRow("largest, rounded down to it")
            << u"922337203685477.58074"_s << qint64(maxUnits);
        QTest::newRow("smallest") << u"-922337203685477.5808"_s << qint64(minUnits);
    }
    void parse()
    {
        QFETCH(QString, text);
        QFETCH(qint64, units);
        const auto parsed = warsoul::parseFixed4(text);
        QVERIFY2(std::holds_alternative<warsoul::Fixed4>(parsed), qPrintable(describe(parsed)));
        QCOMPARE(std::get<warsoul::Fixed4>(parsed).units, units);
    }

    void parseFails_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Failure>("failure");

        QTest::newRow("empty") << u""_s << Failure::Empty;
        QTest::newRow("blank only") << u"  "_s << Failure::NotANumber;
        QTest::newRow("sign only") << u"-"_s << Failure::NotANumber;
        QTest::newRow("point only") << u"."_s << Failure::NotANumber;
        QTest::newRow("two signs") << u"+-1"_s << Failure::NotANumber;
        QTest::newRow("sign after digits") << u"1-"_s << Failure::NotANumber;
        QTest::newRow("two points") << u"1.2.3"_s << Failure::NotANumber;
        QTest::newRow("exponent") << u"1e3"_s << Failure::NotANumber;
        QTest::newRow("digit grouping") << u"1,000"_s << Failure::NotANumber;
        QTest::newRow("blank inside") << u"1 2"_s << Failure::NotANumber;
        QTest::newRow("letters") << u"abc"_s << Failure::NotANumber;
        QTest::newRow("trailing letter") << u"12a"_s << Failure::NotANumber;
        QTest::newRow("hexadecimal") << u"0x10"_s << Failure::NotANumber;
        QTest::newRow("full-width digit") << u"\uFF15"_s << Failure::NotANumber;
        QTest::newRow("chinese number") << u"五"_s << Failure::NotANumber;
        QTest::newRow("line break after digits") << u"5\n"_s << Failure::NotANumber;
        QTest::newRow("one past largest") << u"922337203685477.5808"_s << Failure::OutOfRange;
        QTest::newRow("tie rounding past largest")
            << u"922337203685477.58075"_s << Failure::OutOfRange;
        QTest::newRow("one past smallest") << u"-922337203685477.5809"_s << Failure::OutOfRange;
        QTest::newRow("twenty digits") << u"99999999999999999999"_s << Failure::OutOfRange;
    }
    void parseFails()
    {
        QFETCH(QString, text);
        QFETCH(Failure, failure);
        const auto parsed = warsoul::parseFixed4(text);
        QVERIFY2(std::holds_alternative<Failure>(parsed), qPrintable(describe(parsed)));
        QCOMPARE(std::get<Failure>(parsed), failure);
    }

    void roundToTenth_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("rounded");

        QTest::newRow("whole") << 9.0 << 9.0;
        QTest::newRow("one decimal") << 22.5 << 22.5;
        QTest::newRow("tie 0.25 to even 0.2") << 0.25 << 0.2;
        QTest::newRow("tie 0.75 to even 0.8") << 0.75 << 0.8;
        QTest::newRow("tie 1.25 to 1.2") << 1.25 << 1.2;
        QTest::newRow("tie 1.75 to 1.8") << 1.75 << 1.8;
        QTest::newRow("tie 2.25 to 2.2") << 2.25 << 2.2;
        QTest::newRow("tie 8.95 is no tie as a double") << 8.95 << 8.9; // 8.949999...
        QTest::newRow("negative tie -0.25") << -0.25 << -0.2;
        QTest::newRow("negative tie -0.75") << -0.75 << -0.8;
        QTest::newRow("double just below 0.35") << 0.35 << 0.3;
        QTest::newRow("double just above 0.45") << 0.45 << 0.5;
        QTest::newRow("double just above 0.05") << 0.05 << 0.1;
        QTest::newRow("below half a tenth") << 0.04 << 0.0;
        QTest::newRow("negative below half a tenth") << -0.04 << 0.0;
        QTest::newRow("tiny") << 1e-300 << 0.0;
        QTest::newRow("several decimals") << 123.456 << 123.5;
        QTest::newRow("negative several decimals") << -123.456 << -123.5;
        QTest::newRow("up to a whole number") << 8.985 << 9.0;
        QTest::newRow("large whole") << 1e15 << 1e15;
        QTest::newRow("beyond 2^52") << 0x1p60 << 0x1p60;
    }
    void roundToTenth()
    {
        QFETCH(double, value);
        QFETCH(double, rounded);
        const double got = warsoul::roundToTenth(value);
        QCOMPARE(got, rounded);
        QCOMPARE(std::signbit(got), std::signbit(rounded));
    }

    void plainDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");

        QTest::newRow("nine") << 9.0 << u"9"_s;
        QTest::newRow("twenty-two and a half") << 22.5 << u"22.5"_s;
        QTest::newRow("two tenths, leading zero") << 0.2 << u"0.2"_s;
        QTest::newRow("minus five, hyphen-minus") << -5.0 << u"-5"_s;
        QTest::newRow("minus two tenths") << -0.2 << u"-0.2"_s;
        QTest::newRow("zero") << 0.0 << u"0"_s;
        QTest::newRow("negative zero") << -0.0 << u"0"_s;
        QTest::newRow("no grouping") << 123456789.1 << u"123456789.1"_s;
        QTest::newRow("no exponent, large") << 1e21 << u"1000000000000000000000"_s;
        QTest::newRow("no exponent, small") << 1e-7 << u"0.0000001"_s;
        QTest::newRow("shortest of 0.1 + 0.2") << 0.1 + 0.2 << u"0.30000000000000004"_s;
    }
    void plainDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(warsoul::plainDecimal(value), text);
    }

    void rating_data()
    {
        QTest::addColumn<double>("score");
        QTest::addColumn<QString>("text");

        QTest::newRow("far above") << 1000.0 << u"评价结果为：极品"_s;
        QTest::newRow("20 is top") << 20.0 << u"评价结果为：极品"_s;
        QTest::newRow("19.9 is excellent") << 19.9 << u"评价结果为：优秀"_s;
        QTest::newRow("15 is excellent") << 15.0 << u"评价结果为：优秀"_s;
        QTest::newRow("14.9 is good") << 14.9 << u"评价结果为：良好"_s;
        QTest::newRow("9 is good") << 9.0 << u"评价结果为：良好"_s;
        QTest::newRow("8.9 is poor") << 8.9 << u"评价结果为：差"_s;
        QTest::newRow("zero is poor") << 0.0 << u"评价结果为：差"_s;
        QTest::newRow("negative is poor") << -45.0 << u"评价结果为：差"_s;
    }
    void rating()
    {
        QFETCH(double, score);
        QFETCH(QString, text);
        QCOMPARE(warsoul::ratingText(score), text);
    }

    void evaluate_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QString>("result");
        QTest::addColumn<QString>("rating");

        QTest::newRow("worked example, level 5, affinity 1")
            << workedExample(u"5"_s, u"1"_s) << u"计算结果为：9"_s << u"评价结果为：良好"_s;
        QTest::newRow("worked example, level 3, affinity 0")
            << workedExample(u"3"_s, u"0"_s) << u"计算结果为：22.5"_s << u"评价结果为：极品"_s;
        QTest::newRow("worked example, level 7, affinity 0")
            << workedExample(u"7"_s, u"0"_s) << u"计算结果为：7.5"_s << u"评价结果为：差"_s;
        QTest::newRow("worked example, level 0, affinity 0")
            << workedExample(u"0"_s, u"0"_s) << u"计算结果为：-45"_s << u"评价结果为：差"_s;

        QTest::newRow("tie 0.25 shown as 0.2")
            << growthOver(u"1"_s, u"2"_s, u"1"_s) << u"计算结果为：0.2"_s << u"评价结果为：差"_s;
        QTest::newRow("tie 0.75 shown as 0.8")
            << growthOver(u"3"_s, u"2"_s, u"1"_s) << u"计算结果为：0.8"_s << u"评价结果为：差"_s;
        QTest::newRow("just below 0.35 (growth 7 over 10)")
            << growthOver(u"7"_s, u"10"_s, u"1"_s) << u"计算结果为：0.3"_s << u"评价结果为：差"_s;

        QTest::newRow("exactly 20")
            << growthOver(u"40"_s, u"1"_s, u"1"_s) << u"计算结果为：20"_s << u"评价结果为：极品"_s;
        QTest::newRow("19.9") << growthOver(u"398"_s, u"10"_s, u"1"_s) << u"计算结果为：19.9"_s
                              << u"评价结果为：优秀"_s;
        QTest::newRow("exactly 15")
            << growthOver(u"30"_s, u"1"_s, u"1"_s) << u"计算结果为：15"_s << u"评价结果为：优秀"_s;
        QTest::newRow("14.9") << growthOver(u"298"_s, u"10"_s, u"1"_s) << u"计算结果为：14.9"_s
                              << u"评价结果为：良好"_s;
        QTest::newRow("exactly 9")
            << growthOver(u"18"_s, u"1"_s, u"1"_s) << u"计算结果为：9"_s << u"评价结果为：良好"_s;
        QTest::newRow("8.9") << growthOver(u"178"_s, u"10"_s, u"1"_s) << u"计算结果为：8.9"_s
                             << u"评价结果为：差"_s;
        QTest::newRow("8.985 rounds onto the bound 9 and rates by it")
            << growthOver(u"1797"_s, u"100"_s, u"1"_s) << u"计算结果为：9"_s
            << u"评价结果为：良好"_s;

        QTest::newRow("negative growth")
            << QStringList{u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"10"_s,
                           u"10"_s, u"10"_s, u"10"_s, u"10"_s, u"5"_s,  u"1"_s}
            << u"计算结果为：-11"_s << u"评价结果为：差"_s;
        QTest::newRow("negative growth rounding to zero shows 0")
            << growthOver(u"-0.1"_s, u"20"_s, u"1"_s) << u"计算结果为：0"_s << u"评价结果为：差"_s;
        QTest::newRow("growth 0 over a negative divisor shows 0")
            << growthOver(u"0"_s, u"0"_s, u"0"_s) << u"计算结果为：0"_s << u"评价结果为：差"_s;
        QTest::newRow("totals truncated toward zero, not down")
            << QStringList{u"-0.5"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"2.9"_s,
                           u"0"_s,    u"0"_s, u"0"_s, u"0"_s, u"1"_s, u"1"_s}
            << u"计算结果为：1"_s << u"评价结果为：差"_s;
        QTest::newRow("totals summed before truncation")
            << QStringList{u"0.5"_s, u"0.5"_s, u"0"_s,   u"0"_s,   u"0"_s, u"0.6"_s,
                           u"0.6"_s, u"0.6"_s, u"0.6"_s, u"0.6"_s, u"1"_s, u"1"_s}
            << u"计算结果为：1"_s << u"评价结果为：差"_s;
        QTest::newRow("divisor not truncated") << growthOver(u"90"_s, u"1.5"_s, u"0"_s)
                                               << u"计算结果为：90"_s << u"评价结果为：极品"_s;
        QTest::newRow("clamped stats and levels")
            << QStringList{u"0"_s,     u"0"_s,     u"0"_s,     u"0"_s,     u"0"_s,     u"99999"_s,
                           u"99999"_s, u"99999"_s, u"99999"_s, u"99999"_s, u"99999"_s, u"99999"_s}
            << u"计算结果为：1.3"_s << u"评价结果为：差"_s;
        QTest::newRow("pasted signs and decimals that are numbers")
            << QStringList{u"+32"_s, u"32.0"_s, u" 32"_s, u"32 "_s, u"0032"_s, u"60"_s,
                           u"55"_s,  u"50"_s,   u"45"_s,  u"40"_s,  u"5.0"_s,  u".9999"_s}
            << u"计算结果为：9"_s << u"评价结果为：良好"_s;
    }
    void evaluate()
    {
        QFETCH(QStringList, texts);
        QFETCH(QString, result);
        QFETCH(QString, rating);
        const auto outcome = warsoul::evaluate(entries(texts));
        QVERIFY2(std::holds_alternative<warsoul::Evaluation>(outcome),
                 qPrintable(describe(outcome)));
        const auto &evaluation = std::get<warsoul::Evaluation>(outcome);
        QCOMPARE(evaluation.resultText, result);
        QCOMPARE(evaluation.ratingText, rating);
    }

    void evaluateFails_data()
    {
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<Failure>("failure");

        QTest::newRow("worked example, level 1, affinity 0")
            << workedExample(u"1"_s, u"0"_s) << Failure::ZeroDivisor;
        QTest::newRow("worked example, level 0, affinity 1")
            << workedExample(u"0"_s, u"1"_s) << Failure::ZeroDivisor;
        QTest::newRow("zero divisor with zero growth")
            << growthOver(u"0"_s, u"1"_s, u"0"_s) << Failure::ZeroDivisor;
        QTest::newRow("zero divisor from decimals")
            << growthOver(u"5"_s, u"0.25"_s, u"0.75"_s) << Failure::ZeroDivisor;

        const QStringList names = {u"qs_jx"_s, u"qs_yq"_s, u"qs_qz"_s, u"qs_lq"_s,
                                   u"qs_hp"_s, u"mq_jx"_s, u"mq_yq"_s, u"mq_qz"_s,
                                   u"mq_lq"_s, u"mq_hp"_s, u"mq_dj"_s, u"jy_dj"_s};
        for (int i = 0; i < 12; ++i) {
            QStringList empty = workedExample(u"5"_s, u"1"_s);
            empty[i].clear();
            QTest::addRow("%s empty", qPrintable(names[i])) << empty << Failure::Empty;
            QStringList pasted = workedExample(u"5"_s, u"1"_s);
            pasted[i] = u"abc"_s;
            QTest::addRow("%s pasted letters", qPrintable(names[i]))
                << pasted << Failure::NotANumber;
        }
        QTest::newRow("stat out of range")
            << growthOver(u"99999999999999999999"_s, u"5"_s, u"1"_s) << Failure::OutOfRange;
        QTest::newRow("level out of range")
            << growthOver(u"1"_s, u"99999999999999999999"_s, u"1"_s) << Failure::OutOfRange;
        QTest::newRow("starting sum out of range") << QStringList{u"900000000000000"_s,
                                                                  u"900000000000000"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"0"_s,
                                                                  u"5"_s,
                                                                  u"1"_s}
                                                   << Failure::OutOfRange;
        QTest::newRow("growth out of range") << QStringList{u"-900000000000000"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"900000000000000"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"0"_s,
                                                            u"5"_s,
                                                            u"1"_s}
                                             << Failure::OutOfRange;
        QTest::newRow("level sum out of range")
            << growthOver(u"1"_s, u"900000000000000"_s, u"900000000000000"_s)
            << Failure::OutOfRange;
        QTest::newRow("divisor out of range")
            << growthOver(u"1"_s, u"-922337203685477"_s, u"-0.5808"_s) << Failure::OutOfRange;
    }
    void evaluateFails()
    {
        QFETCH(QStringList, texts);
        QFETCH(Failure, failure);
        const auto outcome = warsoul::evaluate(entries(texts));
        QVERIFY2(std::holds_alternative<Failure>(outcome), qPrintable(describe(outcome)));
        QCOMPARE(std::get<Failure>(outcome), failure);
    }
};

QTEST_APPLESS_MAIN(TestEvaluation)
#include "tst_evaluation.moc"
