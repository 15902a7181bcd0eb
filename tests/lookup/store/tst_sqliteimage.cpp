// The SQLite database image built page by page: SQLite's own integrity check passes and it reads
// back every row in order, for page sizes small enough to need several interior levels; the
// store's databases built from the image and with INSERT answer statements alike.
#include "lookup/store/sqliteimage.h"
#include "lookup/store/storesql.h"
#include "storetesting.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;
using namespace storetesting;
using store::CvRow;
using store::detail::SqliteImage;

namespace {

struct Database
{
    sqlite3 *db = nullptr;
    ~Database() { sqlite3_close(db); }
};

QStringList column(sqlite3 *db, const char *sql)
{
    QStringList out;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return {u"error: "_s + QString::fromUtf8(sqlite3_errmsg(db))};
    while (sqlite3_step(statement) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(statement); ++c) {
            const auto *text = sqlite3_column_text(statement, c);
            cells << (text ? QString::fromUtf8(reinterpret_cast<const char *>(text),
                                               sqlite3_column_bytes(statement, c))
                           : u"<null>"_s);
        }
        out << cells.join(u'|');
    }
    sqlite3_finalize(statement);
    return out;
}

QString cell(const std::optional<QString> &value)
{
    return value ? *value : u"<null>"_s;
}

std::vector<CvRow> rowsWithNulls(int count)
{
    std::vector<CvRow> rows = manyRows(count);
    for (size_t i = 0; i < rows.size(); i += 7)
        rows[i].answer.reset();
    for (size_t i = 3; i < rows.size(); i += 11)
        rows[i].pinyin = QString();
    if (!rows.empty())
        rows.front().question.reset();
    return rows;
}

} // namespace

class TestSqliteImage : public QObject
{
    Q_OBJECT

private slots:
    void imageIsAValidDatabase_data();
    void imageIsAValidDatabase();
    void recordTooLargeForAPageIsRefused();
    void imageAndInsertAnswerAlike();
};

void TestSqliteImage::imageIsAValidDatabase_data()
{
    QTest::addColumn<int>("pageSize");
    QTest::addColumn<int>("rows");
    QTest::newRow("empty table") << 65536 << 0;
    QTest::newRow("one row") << 65536 << 1;
    QTest::newRow("one leaf full of rows") << 65536 << 700;
    QTest::newRow("two levels") << 65536 << 5000;
    QTest::newRow("512-byte pages, three or more levels") << 512 << 3000;
    QTest::newRow("1024-byte pages") << 1024 << 2500;
    QTest::newRow("4096-byte pages") << 4096 << 20000;
}

void TestSqliteImage::imageIsAValidDatabase()
{
    QFETCH(int, pageSize);
    QFETCH(int, rows);
    const std::vector<CvRow> expected = rowsWithNulls(rows);
    SqliteImage image("cv", store::detail::kCreateTableCv, 3, pageSize);
    QByteArray utf8[3];
    for (const CvRow &r : expected) {
        const std::optional<QString> *values[3] = {&r.question, &r.answer, &r.pinyin};
        SqliteImage::Value v[3];
        for (int i = 0; i < 3; ++i) {
            if (!*values[i])
                continue;
            utf8[i] = (*values[i])->toUtf8();
            v[i] = {utf8[i].constData(), size_t(utf8[i].size())};
        }
        QVERIFY(image.addRow(v));
    }
    const SqliteImage::Finished done = image.finish();
    QVERIFY(done.data);
    QCOMPARE(done.size % pageSize, 0);

    Database d;
    QCOMPARE(sqlite3_open(":memory:", &d.db), SQLITE_OK);
    QCOMPARE(sqlite3_deserialize(d.db, "main", done.data, done.size, done.size,
                                 SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY),
             SQLITE_OK);
    QCOMPARE(column(d.db, "PRAGMA integrity_check"), QStringList{u"ok"_s});
    QCOMPARE(column(d.db, "PRAGMA page_size"), QStringList{QString::number(pageSize)});
    QCOMPARE(column(d.db, "SELECT sql FROM sqlite_schema"),
             QStringList{QString::fromLatin1(store::detail::kCreateTableCv)});
    if (pageSize == 512) { // several levels of interior pages above the leaves
        QVERIFY(column(d.db,
                       "SELECT max(length(path) - length(replace(path, '/', ''))) FROM dbstat "
                       "WHERE name = 'cv'")
                    .value(0)
                    .toInt() >= 3);
    }
    const QStringList read = column(d.db, "SELECT rowid, question, answer, pinyin FROM cv");
    QCOMPARE(read.size(), qsizetype(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const QString want = QString::number(i + 1) + u'|' + cell(expected[i].question) + u'|' +
                             cell(expected[i].answer) + u'|' + cell(expected[i].pinyin);
        QCOMPARE(read[qsizetype(i)], want);
    }
}

void TestSqliteImage::recordTooLargeForAPageIsRefused()
{
    SqliteImage image("cv", store::detail::kCreateTableCv, 3, 512);
    const QByteArray big(600, 'x');
    SqliteImage::Value fits[3] = {{"a", 1}, {}, {"b", 1}};
    SqliteImage::Value tooBig[3] = {{big.constData(), size_t(big.size())}, {}, {}};
    QVERIFY(image.addRow(fits));
    QVERIFY(!image.addRow(tooBig));
    QVERIFY(!image.addRow(fits));
    QVERIFY(!image.finish().data);
}

void TestSqliteImage::imageAndInsertAnswerAlike()
{
    using store::detail::SqlStore;
    const std::vector<CvRow> rows = rowsWithNulls(1200);
    SqliteImage image("cv", store::detail::kCreateTableCv, 3);
    QByteArray utf8[3];
    for (const CvRow &r : rows) {
        const std::optional<QString> *values[3] = {&r.question, &r.answer, &r.pinyin};
        SqliteImage::Value v[3];
        for (int i = 0; i < 3; ++i) {
            if (*values[i]) {
                utf8[i] = (*values[i])->toUtf8();
                v[i] = {utf8[i].constData(), size_t(utf8[i].size())};
            }
        }
        QVERIFY(image.addRow(v));
    }
    auto fromImage = SqlStore::fromImage(image.finish(), u"x"_s);
    auto fromRows = SqlStore::fromRows(rows, u"x"_s);
    QVERIFY(fromImage.ok());
    QVERIFY(fromRows.ok());
    const QString statement = QString::fromUtf16(store::kSearchStatement);
    for (const QString &text : {u"中"_s, u"a"_s, u"%"_s, u"_"_s, u"1？"_s, u"zz"_s}) {
        const auto a = fromImage.value()->run(statement, store::searchParameters(text));
        const auto b = fromRows.value()->run(statement, store::searchParameters(text));
        QVERIFY(a.ok());
        QVERIFY(b.ok());
        const auto &x = *a.value();
        const auto &y = *b.value();
        QCOMPARE(x.rows, y.rows);
        QVERIFY(x.text == y.text);
        QVERIFY(x.ends == y.ends);
    }
}

QTEST_GUILESS_MAIN(TestSqliteImage)
#include "tst_sqliteimage.moc"
