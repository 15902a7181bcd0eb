// The shared result type: each side holds what it was made with, a value that can only move
// moves out, and the void case says only success or why not.
#include "shared/result.h"

#include <QString>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Refusal
{
    int code = 0;
    QString why;
};

shared::Result<int, Refusal> half(int n)
{
    if (n % 2)
        return Refusal{n, u"odd"_s};
    return n / 2;
}

shared::Result<void, Refusal> even(int n)
{
    if (n % 2)
        return Refusal{n, u"odd"_s};
    return {};
}

// A step that can fail, chained the way the engines chain theirs.
shared::Result<void, Refusal> quarterIsEven(int n)
{
    const auto h = half(n);
    if (!h)
        return h.error();
    const auto q = half(*h);
    if (!q)
        return q.error();
    return even(*q);
}

} // namespace

class TestResult : public QObject
{
    Q_OBJECT
private slots:
    void valueOrError_data();
    void valueOrError();
    void moveOnlyValueMovesOut();
    void voidResult_data();
    void voidResult();
    void errorMovesOut();
};

void TestResult::valueOrError_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("value");
    QTest::newRow("even: the value") << 10 << true << 5;
    QTest::newRow("zero is even") << 0 << true << 0;
    QTest::newRow("odd: the error") << 7 << false << 0;
    QTest::newRow("negative odd: the error") << -3 << false << 0;
}

void TestResult::valueOrError()
{
    QFETCH(int, n);
    QFETCH(bool, ok);
    QFETCH(int, value);
    const shared::Result<int, Refusal> r = half(n);
    QCOMPARE(r.ok(), ok);
    QCOMPARE(bool(r), ok);
    if (ok) {
        QCOMPARE(*r, value);
        QCOMPARE(r.value(), value);
    } else {
        QCOMPARE(r.error().code, n);
        QCOMPARE(r.error().why, u"odd"_s);
    }
}

void TestResult::moveOnlyValueMovesOut()
{
    shared::Result<std::unique_ptr<QString>, Refusal> r = std::make_unique<QString>(u"kept"_s);
    QVERIFY2(r.ok(), "a value was given");
    QCOMPARE(*r->get(), u"kept"_s);
    std::unique_ptr<QString> taken = *std::move(r);
    QVERIFY2(taken, "the value moved out");
    QCOMPARE(*taken, u"kept"_s);
}

void TestResult::voidResult_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("failedAt"); // the number the first failing step refused
    QTest::newRow("every step succeeds") << 8 << true << 0;
    QTest::newRow("the first step fails") << 9 << false << 9;
    QTest::newRow("the second step fails") << 6 << false << 3;
    QTest::newRow("the last, void step fails") << 12 << false << 3;
}

void TestResult::voidResult()
{
    QFETCH(int, n);
    QFETCH(bool, ok);
    QFETCH(int, failedAt);
    const shared::Result<void, Refusal> r = quarterIsEven(n);
    QCOMPARE(r.ok(), ok);
    QCOMPARE(bool(r), ok);
    if (!ok)
        QCOMPARE(r.error().code, failedAt);
}

void TestResult::errorMovesOut()
{
    shared::Result<void, std::unique_ptr<QString>> r = std::make_unique<QString>(u"why"_s);
    QCOMPARE(r.ok(), false);
    std::unique_ptr<QString> why = std::move(r).error();
    QVERIFY2(why, "the error moved out");
    QCOMPARE(*why, u"why"_s);
}

QTEST_GUILESS_MAIN(TestResult)
#include "tst_result.moc"
