// The application-defined like() against SQLite's own: every case is run on a connection with
// the built-in LIKE and on one with ours, and the results (value, null or error message) must be
// the same. Random cases mix wildcards, both cases of ASCII letters, Chinese, quotes, spaces,
// accented and 4-byte characters, malformed UTF-8 and zero bytes.
#include "lookup/store/sqlitelike.h"

#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

#include <optional>
#include <span>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A bound value: text bytes (any bytes, as SQLite keeps them), a blob, an integer or null.
struct Value
{
    enum Kind { Text, Blob, Integer, Null } kind = Null;
    QByteArray bytes;
    qint64 integer = 0;
    static Value text(const QByteArray &b) { return {Text, b, 0}; }
};

// What a statement gave: the first column of each row as text (null as "<null>"), or the error.
QString outcome(sqlite3 *db, const char *sql, const std::vector<Value> &values)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return u"prepare: "_s + QString::fromUtf8(sqlite3_errmsg(db));
    for (size_t i = 0; i < values.size(); ++i) {
        const Value &v = values[i];
        const int n = int(i) + 1;
        switch (v.kind) {
        case Value::Text:
            sqlite3_bind_text(statement, n, v.bytes.constData(), int(v.bytes.size()),
                              SQLITE_TRANSIENT);
            break;
        case Value::Blob:
            sqlite3_bind_blob(statement, n, v.bytes.constData(), int(v.bytes.size()),
                              SQLITE_TRANSIENT);
            break;
        case Value::Integer:
            sqlite3_bind_int64(statement, n, v.integer);
            break;
        case Value::Null:
            sqlite3_bind_null(statement, n);
            break;
        }
    }
    QString result;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (sqlite3_column_type(statement, 0) == SQLITE_NULL)
            result += u"<null>;"_s;
        else
            result += QString::fromLatin1(
                          reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))) +
                      u';';
    }
    if (rc != SQLITE_DONE)
        result += u"error: "_s + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return result;
}

// Pieces random texts and patterns are made of.
const char *const kPieces[] = {
    "%",
    "_",
    "a",
    "A",
    "b",
    "B",
    "z",
    "Z",
    "q",
    "1",
    "'",
    " ",
    "\\",
    "中",
    "国",
    "人",
    "？",
    "é",
    "É",
    "ß",
    "𝄞",
    "\x80",
    "\xC3",
    "\xE4\xB8",
    "\xFF",
    "\xE0\x84\xB8\xAD",
    "\xC2\x80",
    "\xED\xA0\x80",
    "\xEF\xBF\xBD",
    "\xF8\x88\x80\x80\x80",
    "\xE4\xB8\xAD\x80",
};
// Pieces free of wildcards: the literal part of '%' || T || '%'.
const char *const kLiteralPieces[] = {
    "a",
    "Z",
    "x",
    "1",
    "'",
    " ",
    "中",
    "国",
    "人",
    "？",
    "é",
    "𝄞",
    "\xE4\xB8",
    "\x80",
    "\xE0\x84\xB8\xAD",
    "\xEF\xBF\xBD",
    "\xE4\xB8\xAD\x80",
};
// Text is mostly plain Chinese and ASCII, as in a store, with the odd malformed byte.
const char *const kTextPieces[] = {
    "中",
    "国",
    "人",
    "的",
    "是",
    "？",
    "，",
    "a",
    "z",
    "Z",
    "x",
    " ",
    "'",
    "%",
    "_",
    "1",
    "9",
    "中国",
    "国人",
    "é",
    "𝄞",
    "\xE4\xB8",
    "\x80",
    "\xE0\x84\xB8\xAD",
    "\xE4\xB8\xAD\x80",
    "\xED\xA0\x80",
    "\xC3",
};

QByteArray randomText(QRandomGenerator &random, std::span<const char *const> pieces, int maxPieces)
{
    QByteArray text;
    const int count = int(random.bounded(maxPieces + 1));
    for (int i = 0; i < count; ++i)
        text += pieces[random.bounded(int(pieces.size()))];
    return text;
}

// Random texts of up to `most` pieces.
struct Texts
{
    std::span<const char *const> pieces;
    int most = 0;
};

// A statement of a random query over a table, with what is bound after the random text.
struct Query
{
    const char *sql = nullptr;
    QList<QByteArray> more;
};

Value randomValue(QRandomGenerator &random, const QByteArray &text)
{
    switch (random.bounded(40)) {
    case 0:
        return {Value::Null, {}, 0};
    case 1:
        return {Value::Blob, text, 0};
    case 2:
        return {Value::Integer, {}, qint64(random.bounded(1000))};
    case 3:
        return Value::text(text + QByteArray(1, '\0') + "z中");
    default:
        return Value::text(text);
    }
}

} // namespace

Q_DECLARE_METATYPE(Texts)
Q_DECLARE_METATYPE(Query)

class TestSqliteLike : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void semantics_data();
    void semantics();
    void randomPairs();
    void randomOverTable_data();
    void randomOverTable();

private:
    void compare(const char *sql, const std::vector<Value> &values);

    sqlite3 *m_stock = nullptr;
    sqlite3 *m_ours = nullptr;
};

void TestSqliteLike::init()
{
    QCOMPARE(sqlite3_open(":memory:", &m_stock), SQLITE_OK);
    QCOMPARE(sqlite3_open(":memory:", &m_ours), SQLITE_OK);
    QCOMPARE(store::registerLike(m_ours), SQLITE_OK);
}

void TestSqliteLike::cleanup()
{
    sqlite3_close(m_stock);
    sqlite3_close(m_ours);
}

void TestSqliteLike::compare(const char *sql, const std::vector<Value> &values)
{
    const QString stock = outcome(m_stock, sql, values);
    const QString ours = outcome(m_ours, sql, values);
    if (stock != ours) {
        QStringList shown;
        for (const Value &v : values)
            shown << (v.kind == Value::Null      ? u"NULL"_s
                      : v.kind == Value::Integer ? QString::number(v.integer)
                                                 : QString::fromLatin1(v.bytes.toHex(' ')));
        QFAIL(qPrintable(QString::fromUtf8(sql) + u" with ["_s + shown.join(u" | "_s) +
                         u"]: built-in "_s + stock + u", ours "_s + ours));
    }
}

void TestSqliteLike::semantics_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<QByteArray>("escape"); // empty: no ESCAPE clause
    QTest::addColumn<QString>("expected");

    QTest::newRow("ASCII letters fold") << "Zhong"_ba
                                        << "%zH%"_ba
                                        << ""_ba << u"1;"_s;
    QTest::newRow("accented letters do not fold") << "É"_ba
                                                  << "é"_ba
                                                  << ""_ba << u"0;"_s;
    QTest::newRow("_ is one character, not one byte") << "中"_ba
                                                      << "_"_ba
                                                      << ""_ba << u"1;"_s;
    QTest::newRow("__ needs two characters") << "中"_ba
                                             << "__"_ba
                                             << ""_ba << u"0;"_s;
    QTest::newRow("_ on a 4-byte character") << "𝄞"_ba
                                             << "_"_ba
                                             << ""_ba << u"1;"_s;
    QTest::newRow("% matches the empty text") << ""_ba
                                              << "%"_ba
                                              << ""_ba << u"1;"_s;
    QTest::newRow("_ needs a character") << ""_ba
                                         << "_"_ba
                                         << ""_ba << u"0;"_s;
    QTest::newRow("quote is a plain character") << "it's"_ba
                                                << "%'%"_ba
                                                << ""_ba << u"1;"_s;
    QTest::newRow("spaces are searched as spaces") << "a b"_ba
                                                   << "% %"_ba
                                                   << ""_ba << u"1;"_s;
    QTest::newRow("Chinese inside text") << "中国人"_ba
                                         << "%国%"_ba
                                         << ""_ba << u"1;"_s;
    QTest::newRow("Chinese not inside text") << "中国人"_ba
                                             << "%的%"_ba
                                             << ""_ba << u"0;"_s;
    QTest::newRow("whole text only without %") << "中国"_ba
                                               << "中"_ba
                                               << ""_ba << u"0;"_s;
    QTest::newRow("escaped % is a literal") << "100%"_ba
                                            << "100\\%"_ba
                                            << "\\"_ba << u"1;"_s;
    QTest::newRow("escaped % does not match other text") << "1000"_ba
                                                         << "100\\%"_ba
                                                         << "\\"_ba << u"0;"_s;
    QTest::newRow("escape with nothing after it") << "a"_ba
                                                  << "a\\"_ba
                                                  << "\\"_ba << u"0;"_s;
    QTest::newRow("escape % makes %% a literal %") << "%"_ba
                                                   << "%%"_ba
                                                   << "%"_ba << u"1;"_s;
    QTest::newRow("escape _ makes __ a literal _") << "x"_ba
                                                   << "__"_ba
                                                   << "_"_ba << u"0;"_s;
    QTest::newRow("escape of two characters is an error")
        << "a"_ba
        << "a"_ba
        << "ab"_ba << u"error: ESCAPE expression must be a single character"_s;
    QTest::newRow("pattern over the length limit is an error")
        << "a"_ba << QByteArray(50001, '%') << ""_ba
        << u"error: LIKE or GLOB pattern too complex"_s;
    QTest::newRow("text ends at a zero byte") << QByteArray("ab\0cd", 5) << "%c%"_ba
                                              << ""_ba << u"0;"_s;
    QTest::newRow("stray continuation byte is a character") << "\x80"_ba
                                                            << "\xC2\x80"_ba
                                                            << ""_ba << u"1;"_s;
    QTest::newRow("overlong bytes read as the character") << "\xE0\x84\xB8\xAD"_ba
                                                          << "%中%"_ba
                                                          << ""_ba << u"1;"_s;
    QTest::newRow("extra continuation byte changes the character") << "\xE4\xB8\xAD\x80"_ba
                                                                   << "%中%"_ba
                                                                   << ""_ba << u"0;"_s;
}

void TestSqliteLike::semantics()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, pattern);
    QFETCH(QByteArray, escape);
    QFETCH(QString, expected);
    const char *sql = escape.isEmpty() ? "SELECT ?1 LIKE ?2" : "SELECT ?1 LIKE ?2 ESCAPE ?3";
    std::vector<Value> values{Value::text(text), Value::text(pattern)};
    if (!escape.isEmpty())
        values.push_back(Value::text(escape));
    QCOMPARE(outcome(m_ours, sql, values), expected);
    compare(sql, values);
}

void TestSqliteLike::randomPairs()
{
    QRandomGenerator random(20240611);
    // The pattern length limit is part of the behaviour: a lower one is exercised too.
    sqlite3_limit(m_stock, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 16);
    sqlite3_limit(m_ours, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 16);
    for (int i = 0; i < 60000; ++i) {
        const Value text = randomValue(random, randomText(random, kTextPieces, 14));
        const Value pattern = randomValue(random, randomText(random, kPieces, 7));
        if (i % 3 == 0) {
            const char *const escapes[] = {"\\", "%", "_", "a", "中", "", "ab", "\x80"};
            const Value escape =
                random.bounded(50) == 0 ? Value{} : Value::text(escapes[random.bounded(8)]);
            compare("SELECT ?1 LIKE ?2 ESCAPE ?3", {text, pattern, escape});
        } else if (i % 3 == 1) {
            compare("SELECT like(?2, ?1)", {text, pattern});
        } else {
            compare("SELECT ?1 LIKE ?2", {text, pattern});
        }
        if (QTest::currentTestFailed())
            return;
    }
}

// Over a table, as the search runs: the rows, then one statement for many rows (the compiled
// pattern is reused) and the same statement again with other parameters (it must not be).
void TestSqliteLike::randomOverTable_data()
{
    QTest::addColumn<int>("seed");
    QTest::addColumn<QByteArray>("create");
    QTest::addColumn<QByteArray>("insert");
    QTest::addColumn<QList<Texts>>("columns"); // each row's values, column after column
    QTest::addColumn<int>("rows");
    QTest::addColumn<Texts>("parameter");
    QTest::addColumn<QList<Query>>("queries"); // taken in turn
    QTest::addColumn<int>("count");

    QTest::newRow("random patterns")
        << 77 << "CREATE TABLE t(x)"_ba
        << "INSERT INTO t VALUES(?1)"_ba << QList<Texts>{{kTextPieces, 30}} << 400
        << Texts{kPieces, 6}
        << QList<Query>{{"SELECT group_concat(rowid) FROM t WHERE x LIKE ?1 ESCAPE ?2", {"\\"}},
                        {"SELECT group_concat(rowid) FROM t WHERE x LIKE ?1", {}}}
        << 1500;
    // The search statement's shape, '%' || T || '%', on long texts: the fast paths for ASCII and
    // for Chinese needles, and their fall-back on texts that are not plain.
    QTest::newRow("search shape")
        << 4242 << "CREATE TABLE cv(question, pinyin)"_ba
        << "INSERT INTO cv VALUES(?1, ?2)"_ba
        << QList<Texts>{{kTextPieces, 40}, {kLiteralPieces, 12}} << 600 << Texts{kLiteralPieces, 3}
        << QList<Query>{{"SELECT group_concat(rowid) FROM cv WHERE pinyin LIKE '%' || ?1 || '%' "
                         "OR question LIKE '%' || ?1 || '%'",
                         {}}}
        << 2000;
}

void TestSqliteLike::randomOverTable()
{
    QFETCH(int, seed);
    QFETCH(QByteArray, create);
    QFETCH(QByteArray, insert);
    QFETCH(QList<Texts>, columns);
    QFETCH(int, rows);
    QFETCH(Texts, parameter);
    QFETCH(QList<Query>, queries);
    QFETCH(int, count);
    QRandomGenerator random{quint32(seed)};
    QCOMPARE(sqlite3_exec(m_stock, create.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    QCOMPARE(sqlite3_exec(m_ours, create.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (int i = 0; i < rows; ++i) {
        std::vector<Value> values;
        for (const Texts &column : columns)
            values.push_back(randomValue(random, randomText(random, column.pieces, column.most)));
        compare(insert.constData(), values);
    }
    for (int i = 0; i < count; ++i) {
        std::vector<Value> values{
            Value::text(randomText(random, parameter.pieces, parameter.most))};
        const Query &query = queries[i % queries.size()];
        for (const QByteArray &more : query.more)
            values.push_back(Value::text(more));
        compare(query.sql, values);
        if (QTest::currentTestFailed())
            return;
    }
}

QTEST_GUILESS_MAIN(TestSqliteLike)
#include "tst_sqlitelike.moc"
