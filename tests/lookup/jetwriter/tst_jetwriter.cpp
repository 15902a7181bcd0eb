#include "lookup/jet/jetheader.h"
#include "lookup/jetwriter/jetwriter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <map>
#include <sys/resource.h>

#include <mdbtools.h>

using namespace Qt::StringLiterals;

using Rows = std::vector<std::vector<std::optional<QString>>>;

Q_DECLARE_METATYPE(jetwriter::TextTable)

// Writes a store and fails the test with the writer's message if it refuses.
#define WRITE_OK(...)                                                                              \
    do {                                                                                           \
        const std::optional<QString> writerRefusal = jetwriter::writeJet4(__VA_ARGS__);            \
        QVERIFY2(!writerRefusal, qPrintable(writerRefusal.value_or(QString())));                   \
    } while (false)

namespace {

const QString kStorePassword = u"qzv.lan/mt"_s;

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// mdbtools' own command-line readers, run as separate processes: a reader that shares no code
// with the writer.
ToolRun runTool(const QString &tool, const QStringList &arguments)
{
    QProcess p;
    p.start(u"/usr/bin/"_s + tool, arguments);
    ToolRun run;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return run;
    }
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

// What `mdb-export` prints for a table: the header, then one line per row, text in double
// quotes with quotes doubled, null (and, in mdbtools, an empty text) as nothing.
QByteArray expectedExport(const jetwriter::TextTable &t)
{
    QString out = t.columns.join(u',') + u'\n';
    for (const auto &row : t.rows) {
        QStringList cells;
        for (const auto &v : row)
            cells << (v && !v->isEmpty() ? u'"' + QString(*v).replace(u"\""_s, u"\"\""_s) + u'"'
                                         : QString());
        out += cells.join(u',') + u'\n';
    }
    return out.toUtf8();
}

QByteArray exportTable(const QString &path, const QString &table)
{
    const ToolRun run = runTool(u"mdb-export"_s, {path, table});
    return run.exitCode == 0 && run.err.isEmpty() ? run.out : "failed: " + run.err;
}

QStringList listTables(const QString &path, bool withSystemTables = false)
{
    QStringList arguments{u"-1"_s, path};
    if (withSystemTables)
        arguments.prepend(u"-S"_s);
    const ToolRun run = runTool(u"mdb-tables"_s, arguments);
    if (run.exitCode != 0 || !run.err.isEmpty())
        return {u"failed: "_s + QString::fromUtf8(run.err)};
    return QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
}

// Every row of a table as libmdb cracks it, with its null mask: the command-line tools print
// null and empty text alike, libmdb's row decoder tells them apart.
std::optional<Rows> readWithLibmdb(const QString &path, const QString &tableName,
                                   int *mostRowsOnAPage = nullptr)
{
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        return std::nullopt;
    const auto closeFile = qScopeGuard([mdb] { mdb_close(mdb); });
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        return std::nullopt;
    QByteArray name = tableName.toUtf8();
    MdbTableDef *table = mdb_read_table_by_name(mdb, name.data(), MDB_TABLE);
    if (!table)
        return std::nullopt;
    const auto freeTable = qScopeGuard([table] { mdb_free_tabledef(table); });
    if (!mdb_read_columns(table))
        return std::nullopt;
    const int columns = int(table->num_cols);
    std::vector<QByteArray> bound(columns, QByteArray(MDB_BIND_SIZE, '\0'));
    for (int c = 0; c < columns; ++c)
        mdb_bind_column(table, c + 1, bound[c].data(), nullptr);
    std::vector<MdbField> fields(columns);
    Rows rows;
    std::map<guint32, int> rowsOnPage;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        ++rowsOnPage[table->cur_phys_pg];
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
            return std::nullopt;
        if (mdb_crack_row(table, start & 0x1FFF, size, fields.data()) < 0)
            return std::nullopt;
        std::vector<std::optional<QString>> row;
        for (int c = 0; c < columns; ++c) {
            if (fields[c].is_null)
                row.emplace_back(std::nullopt);
            else
                row.emplace_back(
                    QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom)
                        .decode(QByteArrayView(bound[c].constData())));
        }
        rows.push_back(std::move(row));
    }
    if (mostRowsOnAPage) {
        *mostRowsOnAPage = 0;
        for (const auto &[page, count] : rowsOnPage)
            *mostRowsOnAPage = std::max(*mostRowsOnAPage, count);
    }
    return rows;
}

jetwriter::TextTable cvTable(Rows rows)
{
    return {u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, std::move(rows)};
}

// Short Chinese quiz rows, numbered so that every row differs; every seventh pinyin is null.
jetwriter::TextTable numberedCv(int count)
{
    Rows rows;
    rows.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back({u"第%1题：战魂的精血上限是多少"_s.arg(i), u"答案%1"_s.arg(i),
                        i % 7 == 3 ? std::nullopt : std::optional(u"d%1tzhdjxsxsds"_s.arg(i))});
    return cvTable(std::move(rows));
}

// Rows as text for readable comparisons: fields joined by '|', null shown as (null).
QStringList shown(const Rows &rows)
{
    QStringList out;
    for (const auto &row : rows) {
        QStringList fields;
        for (const auto &v : row)
            fields << v.value_or(u"(null)"_s);
        out << fields.join(u'|');
    }
    return out;
}

QStringList shown(const std::optional<Rows> &rows)
{
    return rows ? shown(*rows) : QStringList{u"(libmdb could not read the table)"_s};
}

QString outcome(const std::optional<QString> &refused)
{
    return refused.value_or(u"(written)"_s);
}

// A table whose one row needs exactly 4,060 bytes, the most Jet 4 allows, when `asciiLength`
// is 254: nine columns (2 bytes of column count, 22 of offsets and counts, 2 of null mask),
// seven texts of 255 Chinese characters (510 bytes each), one of 104 (208 bytes) and an ASCII
// text stored compressed (2 bytes of mark, one byte a character).
jetwriter::TextTable widestTable(int asciiLength)
{
    jetwriter::TextTable t{u"wide"_s, {}, {{}}};
    for (int c = 0; c < 9; ++c) {
        t.columns << u"c%1"_s.arg(c);
        t.rows[0].push_back(c < 7    ? QString(255, u'字')
                            : c == 7 ? QString(104, u'字')
                                     : QString(asciiLength, u'a'));
    }
    return t;
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestJetWriter : public QObject
{
    Q_OBJECT

private slots:
    void init();

    // What mdbtools reads back.
    void versionIsJet4();
    void tablesAreListed();
    void rowsReadBackAsWritten_data();
    void rowsReadBackAsWritten();
    void nullsStayNullAndEmptyStaysEmpty();
    void tableWithoutRows();
    void databaseWithoutTables();
    void severalTables();
    void rowsSpanManyPages_data();
    void rowsSpanManyPages();
    void schemaAndJsonReadersDoNotComplain();
    void smallRowsKeepToJetsLimitPerPage();

    // The database password.
    void passwordRoundTrips_data();
    void passwordRoundTrips();

    // Refused input leaves nothing behind.
    void refusesInput_data();
    void refusesInput();
    void longestRowThatFits();

    // Writing the file.
    void replacesExistingFileOnlyOnSuccess();
    void unwritableTargetLeavesNothing();
    void fileLimitStopsBeforeWriting();
    void cutShortWriteNamesTheCause();

private:
    QString storePath(const QString &name = u"crvt.dat"_s) const { return dir_->filePath(name); }
    std::unique_ptr<QTemporaryDir> dir_;
};

void TestJetWriter::init()
{
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
}

void TestJetWriter::versionIsJet4()
{
    WRITE_OK(storePath(), kStorePassword, {numberedCv(3)});
    const ToolRun run = runTool(u"mdb-ver"_s, {storePath()});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QByteArray("JET4\n"));
    QCOMPARE(run.err, QByteArray());
    QCOMPARE(QFileInfo(storePath()).size() % jet::kJet4PageSize, 0);
}

void TestJetWriter::tablesAreListed()
{
    WRITE_OK(storePath(), kStorePassword, {numberedCv(2), {u"另一张表"_s, {u"列"_s}, {{u"值"_s}}}});
    QCOMPARE(listTables(storePath()), (QStringList{u"cv"_s, u"另一张表"_s}));
    // The system catalog and the other tables Jet keeps in every database.
    QCOMPARE(listTables(storePath(), true),
             (QStringList{u"MSysObjects"_s, u"MSysACEs"_s, u"MSysQueries"_s, u"MSysRelationships"_s,
                          u"cv"_s, u"另一张表"_s}));
}

void TestJetWriter::rowsReadBackAsWritten_data()
{
    QTest::addColumn<jetwriter::TextTable>("table");
    QTest::newRow("Chinese question, answer and pinyin")
        << cvTable({{u"战魂的最高等级是多少"_s, u"60级"_s, u"zhdzgdjsds"_s},
                    {u"哪个职业可以使用双刀"_s, u"刺客"_s, u"ngzykysysd"_s}});
    QTest::newRow("nulls in every column") << cvTable({{std::nullopt, u"a"_s, u"b"_s},
                                                       {u"c"_s, std::nullopt, u"d"_s},
                                                       {u"e"_s, u"f"_s, std::nullopt},
                                                       {std::nullopt, std::nullopt, std::nullopt}});
    QTest::newRow("quotes, commas, tabs and line breaks")
        << cvTable({{u"he said \"yes\", twice"_s, u"a\tb"_s, u"line1\nline2"_s}});
    QTest::newRow("one and two characters, not worth compressing")
        << cvTable({{u"a"_s, u"ab"_s, u"abc"_s}});
    QTest::newRow("Latin-1 letters, compressed") << cvTable({{u"café"_s, u"Grüße"_s, u"naïve"_s}});
    QTest::newRow("characters with a zero low byte")
        << cvTable({{u"一万"_s, u"一二三abc"_s, u"\u0100\u0200x"_s}});
    QTest::newRow("leading byte-order mark")
        << cvTable({{u"\uFEFF问题"_s, u"\uFEFFabc"_s, u"x"_s}});
    QTest::newRow("255 characters")
        << cvTable({{QString(255, u'问'), QString(255, u'a'), QString(255, u'é')}});
    QTest::newRow("definition over several pages") << [] {
        // 255 columns named with 64 characters each: the definition takes some 39 kB.
        jetwriter::TextTable t{u"宽表"_s, {}, {{}, {}}};
        for (int c = 0; c < 255; ++c) {
            t.columns << u"%1"_s.arg(c, 3, 10, QChar(u'0')) + QString(61, u'列');
            t.rows[0].push_back(c % 3 == 0 ? std::optional(u"值%1"_s.arg(c)) : std::nullopt);
            t.rows[1].push_back(c % 5 == 0 ? std::optional(u"v%1"_s.arg(c)) : std::nullopt);
        }
        return t;
    }();
    QTest::newRow("one column, many rows") << [] {
        jetwriter::TextTable t{u"single"_s, {u"only"_s}, {}};
        for (int i = 0; i < 300; ++i)
            t.rows.push_back({u"值%1"_s.arg(i)});
        return t;
    }();
}

void TestJetWriter::rowsReadBackAsWritten()
{
    QFETCH(jetwriter::TextTable, table);
    WRITE_OK(storePath(), kStorePassword, {table});
    QCOMPARE(exportTable(storePath(), table.name), expectedExport(table));
    QCOMPARE(shown(readWithLibmdb(storePath(), table.name)), shown(table.rows));
}

void TestJetWriter::nullsStayNullAndEmptyStaysEmpty()
{
    const jetwriter::TextTable table = cvTable({{u""_s, std::nullopt, u"x"_s},
                                                {std::nullopt, u""_s, u""_s},
                                                {u""_s, u""_s, std::nullopt}});
    WRITE_OK(storePath(), QString(), {table});
    QCOMPARE(shown(readWithLibmdb(storePath(), u"cv"_s)), shown(table.rows));
    // mdb-json leaves null fields out and, like mdb-export, empty text as well.
    const ToolRun json = runTool(u"mdb-json"_s, {storePath(), u"cv"_s});
    QCOMPARE(json.out, QByteArray("{\"pinyin\":\"x\"}\n{}\n{}\n"));
}

void TestJetWriter::tableWithoutRows()
{
    const jetwriter::TextTable table = cvTable({});
    WRITE_OK(storePath(), kStorePassword, {table});
    QCOMPARE(listTables(storePath()), QStringList{u"cv"_s});
    QCOMPARE(exportTable(storePath(), u"cv"_s), QByteArray("question,answer,pinyin\n"));
    QCOMPARE(runTool(u"mdb-count"_s, {storePath(), u"cv"_s}).out, QByteArray("0\n"));
}

void TestJetWriter::databaseWithoutTables()
{
    WRITE_OK(storePath(), kStorePassword, {});
    QCOMPARE(runTool(u"mdb-ver"_s, {storePath()}).out, QByteArray("JET4\n"));
    QCOMPARE(listTables(storePath()), QStringList());
    QCOMPARE(listTables(storePath(), true).size(), 4);
    const auto header = jet::readHeader(readFile(storePath()).first(jet::kJet4PageSize));
    QVERIFY(header);
    QCOMPARE(header->password, kStorePassword);
}

void TestJetWriter::severalTables()
{
    // The stores the lookup's tests need: no table cv at all, and a cv without pinyin.
    const jetwriter::TextTable other{
        u"questions"_s, {u"question"_s, u"answer"_s}, {{u"问"_s, u"答"_s}}};
    const jetwriter::TextTable cvWithoutPinyin{
        u"cv"_s,
        {u"question"_s, u"answer"_s},
        {{u"问题一"_s, u"答案一"_s}, {u"问题二"_s, std::nullopt}}};
    const jetwriter::TextTable empty{u"empty"_s, {u"a"_s, u"b"_s}, {}};

    WRITE_OK(storePath(u"no-cv.dat"_s), kStorePassword, {other, empty});
    QCOMPARE(listTables(storePath(u"no-cv.dat"_s)), (QStringList{u"questions"_s, u"empty"_s}));
    QCOMPARE(exportTable(storePath(u"no-cv.dat"_s), u"questions"_s), expectedExport(other));

    // Two tables of one name cannot both be found by name; the second is refused.
    QCOMPARE(outcome(jetwriter::writeJet4(storePath(), kStorePassword,
                                          {other, cvWithoutPinyin, numberedCv(5)})),
             u"table name \"cv\" is used twice (or by a system table)"_s);
    QCOMPARE(filesIn(dir_->path()), QStringList{u"no-cv.dat"_s});

    WRITE_OK(storePath(), kStorePassword, {other, cvWithoutPinyin, empty});
    QCOMPARE(listTables(storePath()), (QStringList{u"questions"_s, u"cv"_s, u"empty"_s}));
    QCOMPARE(exportTable(storePath(), u"cv"_s), expectedExport(cvWithoutPinyin));
    QCOMPARE(exportTable(storePath(), u"questions"_s), expectedExport(other));
    QCOMPARE(exportTable(storePath(), u"empty"_s), expectedExport(empty));
}

void TestJetWriter::rowsSpanManyPages_data()
{
    QTest::addColumn<int>("rowCount");
    QTest::addColumn<int>("minimumPages");
    // About sixty rows of this size fit on a page: 20,000 rows need some 330 data pages, still
    // within one inline usage map; 40,000 need more than the 512 pages such a map covers.
    QTest::newRow("20,000 rows") << 20000 << 300;
    QTest::newRow("40,000 rows") << 40000 << 600;
}

void TestJetWriter::rowsSpanManyPages()
{
    QFETCH(int, rowCount);
    QFETCH(int, minimumPages);
    const jetwriter::TextTable table = numberedCv(rowCount);
    WRITE_OK(storePath(), kStorePassword, {table});
    QVERIFY2(QFileInfo(storePath()).size() >= qint64(minimumPages) * jet::kJet4PageSize,
             qPrintable(u"%1 bytes"_s.arg(QFileInfo(storePath()).size())));
    QCOMPARE(exportTable(storePath(), u"cv"_s), expectedExport(table));
    QCOMPARE(runTool(u"mdb-count"_s, {storePath(), u"cv"_s}).out,
             QByteArray::number(rowCount) + '\n');
    QCOMPARE(shown(readWithLibmdb(storePath(), u"cv"_s)), shown(table.rows));
}

void TestJetWriter::schemaAndJsonReadersDoNotComplain()
{
    WRITE_OK(storePath(), kStorePassword, {numberedCv(500), {u"empty"_s, {u"a"_s}, {}}});
    const ToolRun schema = runTool(u"mdb-schema"_s, {storePath()});
    QCOMPARE(schema.exitCode, 0);
    QCOMPARE(schema.err, QByteArray());
    QVERIFY(schema.out.contains("CREATE TABLE [cv]\n (\n\t[question]\t\t\tText (255), \n"
                                "\t[answer]\t\t\tText (255), \n\t[pinyin]\t\t\tText (255)\n);"));
    QVERIFY(schema.out.contains("CREATE TABLE [empty]\n (\n\t[a]\t\t\tText (255)\n);"));
    const ToolRun json = runTool(u"mdb-json"_s, {storePath(), u"cv"_s});
    QCOMPARE(json.exitCode, 0);
    QCOMPARE(json.err, QByteArray());
    QCOMPARE(json.out.count('\n'), 500);
    QVERIFY(json.out.startsWith("{\"question\":\"第0题：战魂的精血上限是多少\",\"answer\":"
                                "\"答案0\",\"pinyin\":\"d0tzhdjxsxsds\"}\n"));
    // The catalog itself reads without complaint too.
    const ToolRun catalog = runTool(u"mdb-export"_s, {storePath(), u"MSysObjects"_s});
    QCOMPARE(catalog.exitCode, 0);
    QCOMPARE(catalog.err, QByteArray());
    QCOMPARE(catalog.out.count('\n'), 1 + 8 + 2);
}

void TestJetWriter::smallRowsKeepToJetsLimitPerPage()
{
    // Rows of one null field take 11 bytes with their pointer: space for 370 on a page, but a
    // row's address keeps its number in one byte, so Jet puts at most 255 rows on a page.
    jetwriter::TextTable tiny{u"tiny"_s, {u"v"_s}, {}};
    for (int i = 0; i < 2000; ++i)
        tiny.rows.push_back({i % 100 == 0 ? std::optional(u"x"_s) : std::nullopt});
    WRITE_OK(storePath(), kStorePassword, {tiny});
    int mostRowsOnAPage = 0;
    QCOMPARE(shown(readWithLibmdb(storePath(), u"tiny"_s, &mostRowsOnAPage)), shown(tiny.rows));
    QCOMPARE(mostRowsOnAPage, 255);
}

void TestJetWriter::passwordRoundTrips_data()
{
    QTest::addColumn<QString>("password");
    QTest::newRow("none") << QString();
    QTest::newRow("the program's store password") << kStorePassword;
    QTest::newRow("twenty characters") << u"abcdefghijklmnopqrst"_s;
    QTest::newRow("Chinese") << u"答题器密码"_s;
}

void TestJetWriter::passwordRoundTrips()
{
    QFETCH(QString, password);
    WRITE_OK(storePath(), password, {numberedCv(1)});
    const auto header = jet::readHeader(readFile(storePath()).first(jet::kJet4PageSize));
    QVERIFY(header);
    QCOMPARE(header->version, jet::Version::Jet4);
    QCOMPARE(header->password, password);
    QVERIFY(jet::passwordMatches(*header, password));
    QCOMPARE(jet::passwordMatches(*header, u"wrong"_s), password.isEmpty());
    // Written today: the creation date that masks the password is a plausible recent date.
    QVERIFY2(header->creationDate > 45000 && header->creationDate < 80000,
             qPrintable(QString::number(header->creationDate)));
}

void TestJetWriter::refusesInput_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<jetwriter::TextTable>("table");
    QTest::addColumn<QString>("message");
    const QString ok = u"ok"_s;
    auto cv = [](std::optional<QString> answer) {
        return cvTable({{u"q1"_s, u"a1"_s, u"p1"_s}, {u"q2"_s, answer, u"p2"_s}});
    };
    QTest::newRow("value of 256 characters")
        << QString() << cv(QString(256, u'答'))
        << u"table cv, row 2, column answer: value longer than 255 characters (256)"_s;
    QTest::newRow("character outside the BMP")
        << QString() << cv(u"答案\U0001F600"_s)
        << u"table cv, row 2, column answer: character U+1F600 lies outside the Basic "
           u"Multilingual Plane, which Jet 4 readers cannot read back"_s;
    QTest::newRow("unpaired surrogate")
        << QString() << cv(QString(QChar(0xD800)))
        << u"table cv, row 2, column answer: unpaired surrogate U+D800 is not text"_s;
    QString withNul = u"a"_s;
    withNul.append(QChar(0));
    QTest::newRow("U+0000") << QString() << cv(withNul)
                            << u"table cv, row 2, column answer: value contains U+0000, which "
                               u"Jet 4 readers take for the end of the text"_s;
    QTest::newRow("byte-order mark with a zero low byte")
        << QString() << cv(u"\uFEFF一"_s)
        << u"table cv, row 2, column answer: value begins with U+FEFF and also holds U+4E00; "
           u"Jet 4 readers cannot read that combination back"_s;
    QTest::newRow("too few values")
        << QString() << cvTable({{u"q"_s, u"a"_s}}) << u"table cv, row 1: 2 values for 3 columns"_s;
    QTest::newRow("row one byte too large")
        << QString() << widestTable(255)
        << u"table wide, row 1: the row needs 4061 bytes, more than the 4060 a Jet 4 row can "
           u"hold"_s;
    QTest::newRow("no columns") << QString() << jetwriter::TextTable{u"t"_s, {}, {}}
                                << u"table t has no columns"_s;
    QTest::newRow("duplicate column")
        << QString() << jetwriter::TextTable{u"t"_s, {u"a"_s, u"A"_s}, {}}
        << u"table t: column name \"A\" is used twice"_s;
    QTest::newRow("empty table name") << QString() << jetwriter::TextTable{QString(), {u"a"_s}, {}}
                                      << u"table name \"\" is empty"_s;
    QTest::newRow("table name with a dot")
        << QString() << jetwriter::TextTable{u"a.b"_s, {u"a"_s}, {}}
        << u"table name \"a.b\" contains '.', which Access does not allow in names"_s;
    QTest::newRow("system table name")
        << QString() << jetwriter::TextTable{u"msysobjects"_s, {u"a"_s}, {}}
        << u"table name \"msysobjects\" is used twice (or by a system table)"_s;
    QTest::newRow("password of 21 characters")
        << u"abcdefghijklmnopqrstu"_s << cv(ok) << u"database password longer than 20 characters"_s;
}

void TestJetWriter::refusesInput()
{
    QFETCH(QString, password);
    QFETCH(jetwriter::TextTable, table);
    QFETCH(QString, message);
    QCOMPARE(outcome(jetwriter::writeJet4(storePath(), password, {table})), message);
    QCOMPARE(filesIn(dir_->path()), QStringList());
}

void TestJetWriter::longestRowThatFits()
{
    const jetwriter::TextTable wide = widestTable(254);
    WRITE_OK(storePath(), QString(), {wide, numberedCv(3)});
    QCOMPARE(exportTable(storePath(), u"wide"_s), expectedExport(wide));
    QCOMPARE(exportTable(storePath(), u"cv"_s), expectedExport(numberedCv(3)));
}

void TestJetWriter::replacesExistingFileOnlyOnSuccess()
{
    const jetwriter::TextTable first = numberedCv(10);
    const jetwriter::TextTable second = cvTable({{u"新问题"_s, u"新答案"_s, u"xwt"_s}});
    WRITE_OK(storePath(), kStorePassword, {first});
    QCOMPARE(exportTable(storePath(), u"cv"_s), expectedExport(first));

    WRITE_OK(storePath(), kStorePassword, {second});
    QCOMPARE(exportTable(storePath(), u"cv"_s), expectedExport(second));
    const QByteArray good = readFile(storePath());

    const auto refused = jetwriter::writeJet4(storePath(), kStorePassword,
                                              {cvTable({{u"q"_s, QString(300, u'x'), u"p"_s}})});
    QVERIFY2(refused, "a 300-character answer was written");
    QVERIFY2(refused->contains(u"row 1, column answer"_s), qPrintable(*refused));
    QCOMPARE(readFile(storePath()), good);
    QCOMPARE(filesIn(dir_->path()), QStringList{u"crvt.dat"_s});
}

void TestJetWriter::unwritableTargetLeavesNothing()
{
    // The target is a directory: the file cannot be created, and nothing else appears.
    QVERIFY(QDir(dir_->path()).mkdir(u"crvt.dat"_s));
    const auto intoDirectory = jetwriter::writeJet4(storePath(), kStorePassword, {numberedCv(3)});
    QVERIFY2(intoDirectory, "written over a directory");
    QVERIFY2(intoDirectory->startsWith(u"cannot create "_s + storePath()),
             qPrintable(*intoDirectory));
    QCOMPARE(filesIn(dir_->path()), QStringList{u"crvt.dat"_s});
    QCOMPARE(filesIn(storePath()), QStringList());

    // The folder does not exist.
    const QString missing = dir_->filePath(u"no/such/folder/crvt.dat"_s);
    const auto intoNowhere = jetwriter::writeJet4(missing, kStorePassword, {numberedCv(3)});
    QVERIFY2(intoNowhere, "written into a missing folder");
    QVERIFY2(intoNowhere->startsWith(u"cannot create "_s + missing), qPrintable(*intoNowhere));
    QCOMPARE(filesIn(dir_->path()), QStringList{u"crvt.dat"_s});

    QCOMPARE(outcome(jetwriter::writeJet4(QString(), kStorePassword, {numberedCv(3)})),
             u"no file name given"_s);
}

// The 2 GiB limit, lowered so that a few hundred rows reach it: the writer stops, names the
// row, and writes nothing. Within the limit the same rows are written.
void TestJetWriter::fileLimitStopsBeforeWriting()
{
    const jetwriter::TextTable cv = numberedCv(3000);
    const qint64 limit = 16 * jet::kJet4PageSize;
    const auto refused = jetwriter::writeJet4(storePath(), kStorePassword, {cv}, limit);
    QVERIFY(refused);
    QVERIFY2(refused->startsWith(u"table cv, row "_s) &&
                 refused->endsWith(
                     u"larger than %1 bytes, the most a Jet 4 database can hold"_s.arg(limit)),
             qPrintable(*refused));
    QCOMPARE(filesIn(dir_->path()), QStringList());

    WRITE_OK(storePath(), kStorePassword, {cv}, jetwriter::kMaxFileSize);
    QVERIFY2(QFileInfo(storePath()).size() > limit,
             qPrintable(u"%1 bytes"_s.arg(QFileInfo(storePath()).size())));
}

// A write that the system cuts short (a full disk, here a file size limit) is finished or fails
// with the system's own cause, never "Unknown error".
void TestJetWriter::cutShortWriteNamesTheCause()
{
    struct rlimit saved;
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 5 * jet::kJet4PageSize + 100; // not on a page boundary: a short write
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto refused = jetwriter::writeJet4(storePath(), kStorePassword, {numberedCv(3000)});
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(outcome(refused), u"cannot write %1: %2"_s.arg(storePath(), qt_error_string(EFBIG)));
    QCOMPARE(filesIn(dir_->path()), QStringList());
}

QTEST_GUILESS_MAIN(TestJetWriter)
#include "tst_jetwriter.moc"
