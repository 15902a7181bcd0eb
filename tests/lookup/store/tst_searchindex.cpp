// The search statement answered from the search index against stock SQLite running it: the
// same rows, in the same order, or the same error. Stores hold nulls, zero bytes, both cases,
// Chinese, accented and 4-byte characters and malformed bytes; queries are typed, extended,
// cut back and replaced, so that answers narrowed from the previous one are checked as well.
#include "lookup/store/searchstatement.h"
#include "lookup/store/sqliteimage.h"
#include "lookup/store/storesql.h"

#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using store::detail::ResultRows;
using store::detail::SqliteImage;
using store::detail::SqlStore;

namespace {

const char *const kTextPieces[] = {
    "中", "国",   "人", "的", "是", "？",           "a", "s", "S", "z", "Zh", " ", "'", "%", "_",
    "1",  "中国", "é",  "É",  "𝄞",  "\xEF\xBF\xBD",
};
// Bytes no store text holds, but which the index must still answer for as LIKE does.
const char *const kOddPieces[] = {
    "\xE4\xB8", "\x80", "\xE0\x84\xB8\xAD", "\xC3", "\xE4\xB8\xAD\x80", "\xED\xA0\x80", "\0z",
};
const QString kQueryPieces[] = {
    u"%"_s,  u"_"_s,  u"a"_s,      u"A"_s,      u"s"_s,      u"S"_s,  u"z"_s, u"h"_s,
    u"'"_s,  u" "_s,  u"中"_s,     u"国"_s,     u"的"_s,     u"é"_s,  u"É"_s, u"𝄞"_s,
    u"\\"_s, u"？"_s, u"\uFFFD"_s, u"\u0080"_s, u"\xD800"_s, u"\0"_s,
};

using Cells = std::vector<std::optional<QByteArray>>; // row-major, two per row

Cells stockRows(sqlite3 *db, const QString &text, QString *error)
{
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = QString::fromUtf16(store::kSearchStatement).toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr);
    const QByteArray t = text.toUtf8();
    for (int i = 1; i <= 2; ++i)
        sqlite3_bind_text(statement, i, t.constData(), int(t.size()), SQLITE_STATIC);
    Cells cells;
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < 2; ++c) {
            const auto *v = reinterpret_cast<const char *>(sqlite3_column_text(statement, c));
            cells.push_back(v ? std::optional(QByteArray(v, sqlite3_column_bytes(statement, c)))
                              : std::nullopt);
        }
    }
    if (rc != SQLITE_DONE)
        *error = u"SQLite: "_s + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    return cells;
}

Cells indexedRows(SqlStore &ours, const QString &text, QString *error)
{
    auto ran = ours.run(QString::fromUtf16(store::kSearchStatement), {text, text});
    if (!ran) {
        *error = ran.error().message.section(u": "_s, 1, -1); // without the file's name
        return {};
    }
    const ResultRows &rows = **ran;
    Cells cells;
    for (std::size_t i = 0; i < std::size_t(rows.rows) * 2; ++i)
        cells.push_back(rows.isNull(i) ? std::nullopt : std::optional(rows.cell(i).toByteArray()));
    return cells;
}

} // namespace

class TestSearchIndex : public QObject
{
    Q_OBJECT

private slots:
    void typedQueriesAgainstStockSqlite_data();
    void typedQueriesAgainstStockSqlite();
};

void TestSearchIndex::typedQueriesAgainstStockSqlite_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("nullsInForty"); // how often a field is null
    QTest::addColumn<int>("queries");
    QTest::newRow("empty store") << 0 << 0 << 2000;
    QTest::newRow("one row") << 1 << 10 << 4000;
    QTest::newRow("few nulls") << 40 << 1 << 50000;
    QTest::newRow("many nulls") << 40 << 15 << 30000;
    QTest::newRow("larger store") << 200 << 4 << 20000;
}

void TestSearchIndex::typedQueriesAgainstStockSqlite()
{
    QFETCH(int, rows);
    QFETCH(int, nullsInForty);
    QFETCH(int, queries);
    QRandomGenerator random(quint32(20261207 + rows * 41 + nullsInForty));

    sqlite3 *stock = nullptr;
    QCOMPARE(sqlite3_open(":memory:", &stock), SQLITE_OK);
    const auto closeStock = qScopeGuard([&] { sqlite3_close(stock); });
    QCOMPARE(sqlite3_exec(stock, store::detail::kCreateTableCv, nullptr, nullptr, nullptr),
             SQLITE_OK);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(stock, "INSERT INTO cv VALUES(?1, ?2, ?3)", -1, &insert, nullptr);
    SqliteImage image("cv", store::detail::kCreateTableCv, 3);
    for (int r = 0; r < rows; ++r) {
        QByteArray fields[3];
        SqliteImage::Value values[3];
        for (int c = 0; c < 3; ++c) {
            const int pieces = int(random.bounded(c == 1 ? 3 : 14));
            for (int i = 0; i < pieces; ++i) {
                const char *piece = random.bounded(30) == 0
                                        ? kOddPieces[random.bounded(int(std::size(kOddPieces)))]
                                        : kTextPieces[random.bounded(int(std::size(kTextPieces)))];
                fields[c] += piece[0] ? QByteArray(piece) : QByteArray("\0z", 2);
            }
            if (c == 1)
                fields[c] += QByteArray::number(r); // tells the rows apart
            if (int(random.bounded(40)) < nullsInForty) {
                sqlite3_bind_null(insert, c + 1);
                continue;
            }
            values[c] = {fields[c].constData(), std::size_t(fields[c].size())};
            sqlite3_bind_text(insert, c + 1, fields[c].constData(), int(fields[c].size()),
                              SQLITE_TRANSIENT);
        }
        QVERIFY(image.addRow(values));
        QCOMPARE(sqlite3_step(insert), SQLITE_DONE);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    auto made = SqlStore::fromImage(image.finish(), u"test"_s);
    QVERIFY(made.ok());
    SqlStore &ours = **made;

    QString text;
    for (int q = 0; q < queries; ++q) {
        // Mostly typing on; sometimes a character taken back or a fresh query.
        const int move = int(random.bounded(10));
        if (move == 0)
            text.clear();
        else if (move == 1)
            text.chop(1);
        if (text.size() > 6)
            text = text.right(2);
        text += kQueryPieces[random.bounded(int(std::size(kQueryPieces)))];
        if (q == queries / 2)
            text = QString(25000, u'中'); // over LIKE's pattern length limit
        QString stockError, ourError;
        const Cells expected = stockRows(stock, text, &stockError);
        const Cells actual = indexedRows(ours, text, &ourError);
        if (actual != expected || ourError != stockError)
            QFAIL(
                qPrintable(u"query \"%1\" (%2): %3 cells from stock SQLite, %4 from the index %5"_s
                               .arg(text, QString::fromLatin1(text.toUtf8().toHex(' ')))
                               .arg(expected.size())
                               .arg(actual.size())
                               .arg(stockError + u" / "_s + ourError)));
    }
}

QTEST_GUILESS_MAIN(TestSearchIndex)
#include "tst_searchindex.moc"
