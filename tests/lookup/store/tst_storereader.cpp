// Reading stores: table cv in store order with its nulls, passwords as Jet checks them (on our
// own stores and on one that Access wrote), every kind of bad file, damaged structures that must
// be refused before libmdb sees them, and store files that stay byte for byte as they were.
#include "lookup/store/storefile.h"
#include "lookup/store/storelayout.h"
#include "lookup/store/storemdb.h"
#include "storetesting.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <functional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace storetesting;
using store::CvRow;
using store::StoreError;

Q_DECLARE_METATYPE(std::vector<store::CvRow>)
Q_DECLARE_METATYPE(StoreError::Kind)

namespace {

const QString kAccessFixture = QStringLiteral(ZC_FIXTURES_DIR "/access2003-password.mdb");

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString describe(const store::Result<std::vector<CvRow>> &result)
{
    if (!result)
        return u"error %1: %2"_s.arg(int(result.error().kind)).arg(result.error().message);
    return u"%1 rows"_s.arg(result.value().size());
}

quint32 get32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData()) + at;
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

void put16(QByteArray &b, qsizetype at, quint32 v)
{
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}

void put32(QByteArray &b, qsizetype at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

// Where the structures of a store written by the project's writer are, found the way the
// reader finds them.
struct Layout
{
    quint32 cvDefinition = 0;
    quint32 firstDataPage = 0;
    qsizetype usageMapAt = 0; // byte offset of cv's page map in the file
    int usageMapSize = 0;
};

Layout layoutOf(const QByteArray &bytes)
{
    using namespace store::detail;
    Layout layout;
    auto opened = JetImage::open(bytes, jet::Version::Jet4, u"x"_s);
    const JetImage &image = opened.value();
    layout.cvDefinition = *findTable(image, u"cv").value();
    const JetTable table = readTableDefinition(image, layout.cvDefinition, u"cv"_s).value();
    walkRows(image, table, {},
             [&](const JetRowRef &ref, const uchar *, const std::vector<JetField> &) {
                 layout.firstDataPage = ref.page;
                 return false;
             });
    const quint32 pageRow = get32(bytes, qsizetype(layout.cvDefinition) * 4096 + 55);
    const qsizetype page = qsizetype(pageRow >> 8) * 4096;
    const int row = int(pageRow & 0xFF);
    const auto offset = [&](int r) {
        return quint32(quint8(bytes[page + 14 + 2 * r])) | quint32(quint8(bytes[page + 15 + 2 * r]))
                                                               << 8;
    };
    layout.usageMapAt = page + (offset(row) & 0x1FFF);
    layout.usageMapSize =
        int((row == 0 ? 4096 : offset(row - 1) & 0x1FFF) - (offset(row) & 0x1FFF));
    return layout;
}

} // namespace

class TestStoreReader : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsRowsInStoreOrder_data();
    void readsRowsInStoreOrder();
    void findsTableAndColumnsWithoutRegardToCase();
    void ignoresOtherColumnsAndTables();

    void passwords_data();
    void passwords();
    void accessFixtureTellsWrongPasswordFromMissingTable();
    void readsATableAccessWrote();

    void badFiles_data();
    void badFiles();
    void unreadableFile();
    void fifoIsRefusedAtOnce();
    void headerIsCheckedFirst_data();
    void headerIsCheckedFirst();
    void followsASymlinkToAStore();

    void damagedStructuresAreRefused_data();
    void damagedStructuresAreRefused();
    void randomDamageIsReadOrRefused();
    void deletedRowsAreNotListed();
    void movedRowsAreReadWhereTheyMovedToInTheirOwnPlace();
    void brokenMovedRowPointersAreRefused_data();
    void brokenMovedRowPointersAreRefused();

    void storeBytesStayUnchanged();

private:
    QString storePath(const QString &name = u"crvt.dat"_s) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestStoreReader::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestStoreReader::readsRowsInStoreOrder_data()
{
    QTest::addColumn<std::vector<CvRow>>("rows");
    QTest::newRow("no rows") << std::vector<CvRow>{};
    QTest::newRow("Chinese questions in the order written")
        << std::vector<CvRow>{row(u"中国的首都是哪座城市？"_s, u"北京"_s, u"zgdsdsnzcs"_s),
                              row(u"世界上最高的山峰？"_s, u"珠穆朗玛峰"_s, u"sjszgdsf"_s),
                              row(u"一年有几个月？"_s, u"十二"_s, u"ynyjgy"_s)};
    QTest::newRow("null fields in every column")
        << std::vector<CvRow>{{std::nullopt, u"a"_s, u"p"_s},
                              {u"q"_s, std::nullopt, u"p"_s},
                              {u"q"_s, u"a"_s, std::nullopt},
                              {std::nullopt, std::nullopt, std::nullopt}};
    QTest::newRow("empty texts are not null")
        << std::vector<CvRow>{row({}, {}, {}), row(u"q"_s, {}, u"p"_s)};
    QTest::newRow("quotes, spaces and Latin letters")
        << std::vector<CvRow>{row(u"It's \"FIFA\" 2010?"_s, u"  South Africa  "_s, u"its fifa"_s),
                              row(u"é à ü ß Ω"_s, u"100%_"_s, u"%_"_s)};
    QTest::newRow("values of 255 characters")
        << std::vector<CvRow>{row(QString(255, u'题'), QString(255, u'a'), QString(255, u'z'))};
    QTest::newRow("many rows on many pages") << manyRows(3000);
}

void TestStoreReader::readsRowsInStoreOrder()
{
    QFETCH(std::vector<CvRow>, rows);
    WRITE_STORE(storePath(), {cvTable(rows)});
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    const auto &got = read.value();
    QCOMPARE(got.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i)
        QVERIFY2(got[i] == rows[i], qPrintable(u"row %1 differs"_s.arg(i)));
}

void TestStoreReader::findsTableAndColumnsWithoutRegardToCase()
{
    jetwriter::TextTable table{u"CV"_s, {u"PinYin"_s, u"ANSWER"_s, u"Question"_s}, {}};
    table.rows = {{u"p1"_s, u"a1"_s, u"q1"_s}, {u"p2"_s, std::nullopt, u"q2"_s}};
    WRITE_STORE(storePath(), {table});
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    const std::vector<CvRow> expected{row(u"q1"_s, u"a1"_s, u"p1"_s),
                                      {u"q2"_s, std::nullopt, u"p2"_s}};
    QVERIFY(read.value() == expected);
}

void TestStoreReader::ignoresOtherColumnsAndTables()
{
    jetwriter::TextTable other{
        u"cvx"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {{u"x"_s, u"x"_s, u"x"_s}}};
    jetwriter::TextTable cv{
        u"cv"_s, {u"id"_s, u"question"_s, u"note"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows = {{u"1"_s, u"q"_s, u"n"_s, u"a"_s, u"p"_s}};
    WRITE_STORE(storePath(), {other, cv});
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    QVERIFY(read.value() == std::vector<CvRow>{row(u"q"_s, u"a"_s, u"p"_s)});
}

void TestStoreReader::passwords_data()
{
    QTest::addColumn<QString>("storePassword");
    QTest::addColumn<QString>("given");
    QTest::addColumn<bool>("opens");
    QTest::newRow("the program's password") << kPassword << kPassword << true;
    QTest::newRow("another password") << kPassword << u"password"_s << false;
    QTest::newRow("letters in the other case") << kPassword << u"QZV.LAN/MT"_s << false;
    QTest::newRow("a prefix of it") << kPassword << u"qzv.lan/m"_s << false;
    QTest::newRow("one character more") << kPassword << u"qzv.lan/mtx"_s << false;
    QTest::newRow("none given") << kPassword << QString() << false;
    QTest::newRow("Chinese password") << u"答题密码"_s << u"答题密码"_s << true;
    QTest::newRow("Chinese password, one character off") << u"答题密码"_s << u"答题密马"_s << false;
    QTest::newRow("no password: anything opens") << QString() << u"whatever"_s << true;
    QTest::newRow("no password: nothing given opens") << QString() << QString() << true;
}

void TestStoreReader::passwords()
{
    QFETCH(QString, storePassword);
    QFETCH(QString, given);
    QFETCH(bool, opens);
    WRITE_STORE(storePath(), {cvTable({row(u"q"_s, u"a"_s, u"p"_s)})}, storePassword);
    const auto read = store::readCvTable(storePath(), given);
    if (opens) {
        QVERIFY2(read.ok(), qPrintable(describe(read)));
        QCOMPARE(read.value().size(), size_t(1));
    } else {
        QVERIFY(!read.ok());
        QCOMPARE(read.error().kind, StoreError::WrongPassword);
        QVERIFY(read.error().message.contains(u"wrong database password"_s));
    }
}

void TestStoreReader::accessFixtureTellsWrongPasswordFromMissingTable()
{
    const auto right = store::readCvTable(kAccessFixture, u"password"_s);
    QVERIFY(!right.ok());
    QCOMPARE(right.error().kind, StoreError::NoTableCv);
    QVERIFY(right.error().message.endsWith(u": the database has no table cv"_s));

    const auto wrong = store::readCvTable(kAccessFixture, kPassword);
    QVERIFY(!wrong.ok());
    QCOMPARE(wrong.error().kind, StoreError::WrongPassword);
    QVERIFY(wrong.error().message.endsWith(u": wrong database password"_s));
}

// The path the store takes for table cv, on the table Access itself wrote in the fixture.
void TestStoreReader::readsATableAccessWrote()
{
    using namespace store::detail;
    const QByteArray bytes = readAll(kAccessFixture);
    auto opened = JetImage::open(bytes, jet::Version::Jet4, kAccessFixture);
    QVERIFY(opened.ok());
    const JetImage &image = opened.value();
    const auto found = findTable(image, u"table1");
    QVERIFY(found.ok());
    const auto page = found.value();
    QVERIFY(page.has_value());
    const auto definition = readTableDefinition(image, *page, u"Table1"_s);
    QVERIFY(definition.ok());
    const JetTable &table = definition.value();
    const int data = table.column(u"data");
    QVERIFY(data >= 0);
    std::vector<JetRowRef> expected;
    QVERIFY(!walkRows(image, table, {},
                      [&](const JetRowRef &r, const uchar *, const std::vector<JetField> &) {
                          expected.push_back(r);
                          return true;
                      }));
    QStringList texts;
    const auto error = readRowsWithMdb(
        bytes, image, table, {data, data, data}, expected,
        [&](const std::array<FieldBytes, 3> &fields) { texts << fieldText(fields[0]); });
    QVERIFY2(!error, qPrintable(error ? error->message : QString()));
    QCOMPARE(texts, (QStringList{u"One"_s, u"Two"_s, u"Three"_s}));
}

void TestStoreReader::badFiles_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<StoreError::Kind>("kind");
    QTest::newRow("missing") << 0 << StoreError::NotAFile;
    QTest::newRow("empty") << 1 << StoreError::NotJet;
    QTest::newRow("one byte") << 2 << StoreError::NotJet;
    QTest::newRow("random bytes") << 3 << StoreError::NotJet;
    QTest::newRow("a text file") << 4 << StoreError::NotJet;
    QTest::newRow("an Access 2007 file header") << 5 << StoreError::NotJet;
    QTest::newRow("truncated to half") << 6 << StoreError::Corrupt;
    QTest::newRow("one byte short") << 7 << StoreError::Corrupt;
    QTest::newRow("only the header page") << 8 << StoreError::Corrupt;
    QTest::newRow("a directory") << 9 << StoreError::NotAFile;
    QTest::newRow("a device") << 10 << StoreError::NotAFile;
    QTest::newRow("no table cv") << 11 << StoreError::NoTableCv;
    QTest::newRow("cv without pinyin") << 12 << StoreError::BadTable;
    QTest::newRow("cv without question") << 13 << StoreError::BadTable;
    QTest::newRow("a path through a file") << 14 << StoreError::NotAFile;
}

void TestStoreReader::badFiles()
{
    QFETCH(int, which);
    QFETCH(StoreError::Kind, kind);
    QString path = storePath();
    const QString good = storePath(u"good.dat"_s);
    WRITE_STORE(good, {cvTable(manyRows(500))});
    const QByteArray goodBytes = readAll(good);
    QRandomGenerator random(which);
    switch (which) {
    case 0:
        break;
    case 1:
        QVERIFY(writeAll(path, {}));
        break;
    case 2:
        QVERIFY(writeAll(path, "\0"_ba));
        break;
    case 3: {
        QByteArray bytes(65536, '\0');
        for (char &c : bytes)
            c = char(random.bounded(256));
        QVERIFY(writeAll(path, bytes));
        break;
    }
    case 4:
        QVERIFY(writeAll(path, "中国的首都\t北京\tzgdsd\n"_ba));
        break;
    case 5: {
        QByteArray bytes = goodBytes;
        bytes.replace(4, 15, "Standard ACE DB");
        bytes[0x14] = 2;
        QVERIFY(writeAll(path, bytes));
        break;
    }
    case 6:
        QVERIFY(writeAll(path, goodBytes.left(goodBytes.size() / 2 + 100)));
        break;
    case 7:
        QVERIFY(writeAll(path, goodBytes.chopped(1)));
        break;
    case 8:
        QVERIFY(writeAll(path, goodBytes.left(4096)));
        break;
    case 9:
        QVERIFY(QDir().mkpath(path));
        break;
    case 10:
        path = u"/dev/null"_s;
        break;
    case 11:
        WRITE_STORE(path, {jetwriter::TextTable{
                              u"other"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}}});
        break;
    case 12:
        WRITE_STORE(path, {jetwriter::TextTable{
                              u"cv"_s, {u"question"_s, u"answer"_s}, {{u"q"_s, u"a"_s}}}});
        break;
    case 13:
        WRITE_STORE(
            path, {jetwriter::TextTable{u"cv"_s, {u"answer"_s, u"pinyin"_s}, {{u"a"_s, u"p"_s}}}});
        break;
    case 14:
        path = good + u"/crvt.dat"_s;
        break;
    }
    const auto read = store::readCvTable(path, kPassword);
    QVERIFY2(!read.ok(), qPrintable(describe(read)));
    const StoreError &error = read.error();
    QVERIFY2(error.kind == kind, qPrintable(describe(read)));
    QVERIFY2(error.message.startsWith(QDir::toNativeSeparators(path) + u": "_s),
             qPrintable(error.message));
}

void TestStoreReader::unreadableFile()
{
    if (::geteuid() == 0)
        QSKIP("root reads files whatever their permissions");
    WRITE_STORE(storePath(), {cvTable({row(u"q"_s, u"a"_s, u"p"_s)})});
    QVERIFY(QFile::setPermissions(storePath(), QFileDevice::WriteOwner));
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY(!read.ok());
    QCOMPARE(read.error().kind, StoreError::Unreadable);
}

// Opening a FIFO for reading would wait for a writer that never comes.
void TestStoreReader::fifoIsRefusedAtOnce()
{
    QVERIFY(::mkfifo(QFile::encodeName(storePath()).constData(), 0600) == 0);
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY(!read.ok());
    QCOMPARE(read.error().kind, StoreError::NotAFile);
    QVERIFY(read.error().message.contains(u"FIFO"_s));
}

// The header page decides before anything else is read: a huge file that is not a Jet
// database (sparse, so it takes no disk) yields its first page only, and one that is a Jet
// database but larger than any can be is refused by its size.
void TestStoreReader::headerIsCheckedFirst_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("version"); // the version byte of a Jet 4 header; -1 all zeros
    QTest::addColumn<StoreError::Kind>("kind");
    QTest::addColumn<QString>("cause");
    QTest::addColumn<qsizetype>("bytesRead"); // by readStore, when it succeeds
    const qint64 gib = qint64(1) << 30;
    const QString damaged = u"the header is damaged: its version byte does not match the file"_s;
    QTest::newRow("2 GiB of zeros")
        << 2 * gib << -1 << StoreError::NotJet << u"not a Jet database"_s << qsizetype(4096);
    QTest::newRow("3 GiB behind a Jet 4 header")
        << 3 * gib << 1 << StoreError::NotJet << u"larger than any Jet database can be"_s
        << qsizetype(-1);
    QTest::newRow("Jet 4 store, version byte says Jet 3")
        << qint64(0) << 0 << StoreError::Corrupt << damaged << qsizetype(-1);
    QTest::newRow("Jet 4 store, version byte says ACE with the Jet magic")
        << qint64(0) << 5 << StoreError::Corrupt << damaged << qsizetype(4096);
    QTest::newRow("only the header page")
        << qint64(4096) << 1 << StoreError::Corrupt
        << u"truncated: 1 page is too short for a Jet database"_s << qsizetype(4096);
}

void TestStoreReader::headerIsCheckedFirst()
{
    QFETCH(qint64, size);
    QFETCH(int, version);
    QFETCH(StoreError::Kind, kind);
    QFETCH(QString, cause);
    QFETCH(qsizetype, bytesRead);
    if (version >= 0) {
        WRITE_STORE(storePath(), {cvTable({row(u"q"_s, u"a"_s, u"p"_s)})});
        QByteArray bytes = readAll(storePath());
        bytes[0x14] = char(version);
        QVERIFY(writeAll(storePath(), bytes));
    } else {
        QVERIFY(writeAll(storePath(), {}));
    }
    if (size > 0)
        QCOMPARE(::truncate(QFile::encodeName(storePath()).constData(), off_t(size)), 0);

    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(!read.ok(), qPrintable(describe(read)));
    QCOMPARE(read.error().kind, kind);
    QCOMPARE(read.error().message, storePath() + u": "_s + cause);
    if (bytesRead >= 0) {
        const auto file = store::detail::readStore(storePath());
        QVERIFY(file.ok());
        QCOMPARE(file->bytes.size(), bytesRead);
    }
}

void TestStoreReader::followsASymlinkToAStore()
{
    const QString target = storePath(u"real.dat"_s);
    WRITE_STORE(target, {cvTable({row(u"q"_s, u"a"_s, u"p"_s)})});
    QVERIFY(QFile::link(target, storePath()));
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
}

// Damage to each structure libmdb would follow, found in a store the way the reader finds it.
void TestStoreReader::damagedStructuresAreRefused_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QString>("cause"); // the end of the message, when it matters
    QTest::newRow("the catalog's page is not a table definition") << 0 << QString();
    QTest::newRow("cv's definition page is a data page") << 1 << QString();
    QTest::newRow("cv's page map starts beyond the file") << 2 << QString();
    QTest::newRow("cv's page map is of an unknown kind") << 3 << QString();
    QTest::newRow("a row offset past the page's end") << 4 << QString();
    QTest::newRow("a row claims more columns than it has bytes") << 5 << QString();
    QTest::newRow("a data page claims too many rows") << 6 << QString();
    QTest::newRow("the definition's page chain points back at itself") << 7 << QString();
    QTest::newRow("a part page after the last page") << 8 << QString();
    QTest::newRow("a variable column ends past its row") << 9 << QString();
    QTest::newRow("cv's page map row is missing") << 10 << QString();
    // Read as they stand, these two would give every text null, or an empty question.
    QTest::newRow("cv counts no variable-length columns")
        << 11 << u"table cv: it counts 0 variable-length columns but defines 3"_s;
    QTest::newRow("a memo field shorter than a long value's header")
        << 12
        << u"table cv: the long value of column question in row 0 of data page %1 is damaged: "
           u"2 bytes is shorter than a long value's 12-byte header"_s;
}

void TestStoreReader::damagedStructuresAreRefused()
{
    QFETCH(int, which);
    QFETCH(QString, cause);
    WRITE_STORE(storePath(), {cvTable(manyRows(2000))});
    QByteArray bytes = readAll(storePath());
    const Layout layout = layoutOf(bytes);
    QVERIFY(layout.cvDefinition > 2 && layout.firstDataPage > 2 && layout.usageMapAt > 0);
    const qsizetype definition = qsizetype(layout.cvDefinition) * 4096;
    const qsizetype data = qsizetype(layout.firstDataPage) * 4096;
    switch (which) {
    case 0:
        bytes[2 * 4096] = 0x01;
        break;
    case 1:
        bytes[definition] = 0x01;
        break;
    case 2:
        QCOMPARE(int(bytes[layout.usageMapAt]), 0);
        put32(bytes, layout.usageMapAt + 1, 0x00FFFF00);
        break;
    case 3:
        // Read as the other kind, an empty map would quietly give a table without rows.
        QVERIFY(layout.usageMapSize >= 5);
        bytes.replace(layout.usageMapAt, layout.usageMapSize,
                      QByteArray(layout.usageMapSize, '\0'));
        bytes[layout.usageMapAt] = 2;
        break;
    case 4:
        put16(bytes, data + 14, 0x1FF0); // row 0 would start 16 bytes before the page's end
        put16(bytes, data + 16, 0x1FFF);
        break;
    case 5: {
        const quint32 start = quint32(quint8(bytes[data + 14])) | quint32(quint8(bytes[data + 15]))
                                                                      << 8;
        put16(bytes, data + (start & 0x1FFF), 0xFFFF);
        break;
    }
    case 6:
        put16(bytes, data + 12, 2000);
        break;
    case 7:
        put32(bytes, definition + 4, layout.cvDefinition); // next page: itself
        put32(bytes, definition + 51, 400);                // indexes enough to need it
        break;
    case 8:
        bytes += QByteArray(100, '\0');
        break;
    case 9: {
        // Row 0 ends at the page's end; its last bytes are the null mask, the count of variable
        // columns and their offsets, the first of which (question's end) is raised past the row.
        const qsizetype end = data + 4095;
        const int nullMaskBytes = 1;
        put16(bytes, end - nullMaskBytes - 1 - 2 - 2 * 1, 0x0FF0);
        break;
    }
    case 10:
        put32(bytes, definition + 55, quint32(bytes.size() / 4096 + 5) << 8);
        break;
    case 11:
        put16(bytes, definition + 43, 0);
        break;
    case 12: {
        // A question of one character (two bytes) in a column whose type says memo: column
        // entries follow the 63-byte header, question's first, its type in its first byte.
        WRITE_STORE(storePath(), {cvTable({row(u"q"_s, u"答"_s, u"p"_s)})});
        bytes = readAll(storePath());
        const Layout small = layoutOf(bytes);
        bytes[qsizetype(small.cvDefinition) * 4096 + 63] = 0x0C;
        cause = cause.arg(small.firstDataPage);
        break;
    }
    }
    QVERIFY(writeAll(storePath(), bytes));
    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(!read.ok(), qPrintable(describe(read)));
    QVERIFY2(read.error().kind == StoreError::Corrupt, qPrintable(describe(read)));
    QVERIFY2(read.error().message.endsWith(cause), qPrintable(describe(read)));
}

// Bytes overwritten at random after the header: the reader either reads rows (damage in bytes
// nothing looks at, or in the text itself) or refuses the file as damaged; libmdb never reads
// anything the walk did not predict (that would be an Engine error) and nothing crashes.
void TestStoreReader::randomDamageIsReadOrRefused()
{
    WRITE_STORE(storePath(u"good.dat"_s), {cvTable(manyRows(300))});
    const QByteArray good = readAll(storePath(u"good.dat"_s));
    QRandomGenerator random(99);
    int refused = 0;
    for (int i = 0; i < 300; ++i) {
        QByteArray bytes = good;
        const int changes = 1 + int(random.bounded(8));
        for (int c = 0; c < changes; ++c)
            bytes[4096 + qsizetype(random.bounded(quint32(bytes.size() - 4096)))] =
                char(random.bounded(256));
        QVERIFY(writeAll(storePath(), bytes));
        const auto read = store::readCvTable(storePath(), kPassword);
        if (!read) {
            const StoreError &error = read.error();
            QVERIFY2(error.kind == StoreError::Corrupt || error.kind == StoreError::NoTableCv ||
                         error.kind == StoreError::BadTable,
                     qPrintable(error.message));
            ++refused;
        }
    }
    QVERIFY(refused > 0);
}

// A row whose offset carries 0x4000 is passed over by libmdb (and by the walk, so the two agree);
// one with 0x8000 is read like any other.
// A data page's offset table entry for row `r`: a flags nibble over a 13-bit offset.
namespace {
constexpr quint32 kDeletedRowFlag = 0x8000;
constexpr quint32 kMovedRowFlag = 0x4000;

qsizetype rowEntry(quint32 page, int r)
{
    return qsizetype(page) * 4096 + 14 + 2 * r;
}

quint32 entryAt(const QByteArray &bytes, qsizetype at)
{
    return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8;
}

// Turns row `from` into a pointer to row `to` of page `page`, as Access leaves a row it moved.
void pointRowAt(QByteArray &bytes, quint32 page, int from, quint32 toPage, int to)
{
    const quint32 entry = entryAt(bytes, rowEntry(page, from));
    const qsizetype rowBytes = qsizetype(page) * 4096 + (entry & 0x1FFF);
    bytes[rowBytes] = char(to);
    bytes[rowBytes + 1] = char(toPage & 0xFF);
    bytes[rowBytes + 2] = char((toPage >> 8) & 0xFF);
    bytes[rowBytes + 3] = char((toPage >> 16) & 0xFF);
    put16(bytes, rowEntry(page, from), (entry & 0x1FFF) | kMovedRowFlag);
}

void flagRow(QByteArray &bytes, quint32 page, int r, quint32 flag)
{
    put16(bytes, rowEntry(page, r), entryAt(bytes, rowEntry(page, r)) | flag);
}
} // namespace

void TestStoreReader::deletedRowsAreNotListed()
{
    // Access deletes a row by flagging its entry; its bytes stay on the page.
    const std::vector<CvRow> rows = manyRows(200);
    WRITE_STORE(storePath(), {cvTable(rows)});
    QByteArray bytes = readAll(storePath());
    const quint32 page = layoutOf(bytes).firstDataPage;
    flagRow(bytes, page, 0, kDeletedRowFlag);
    flagRow(bytes, page, 5, kDeletedRowFlag);
    QVERIFY(writeAll(storePath(), bytes));

    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    std::vector<CvRow> expected = rows;
    expected.erase(expected.begin() + 5);
    expected.erase(expected.begin());
    QCOMPARE(read.value(), expected);
}

void TestStoreReader::movedRowsAreReadWhereTheyMovedToInTheirOwnPlace()
{
    // A row that grew is moved: its entry keeps a pointer to the new copy, and the new copy is
    // flagged deleted so that it is not read twice. Here row 1 moves to row 7 and row 2, in two
    // hops, through row 8 to row 9 of the same page.
    const std::vector<CvRow> rows = manyRows(40);
    WRITE_STORE(storePath(), {cvTable(rows)});
    QByteArray bytes = readAll(storePath());
    const quint32 page = layoutOf(bytes).firstDataPage;
    pointRowAt(bytes, page, 1, page, 7);
    flagRow(bytes, page, 7, kDeletedRowFlag);
    pointRowAt(bytes, page, 2, page, 8);
    pointRowAt(bytes, page, 8, page, 9);
    flagRow(bytes, page, 8, kDeletedRowFlag);
    flagRow(bytes, page, 9, kDeletedRowFlag);
    QVERIFY(writeAll(storePath(), bytes));

    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY2(read.ok(), qPrintable(describe(read)));
    std::vector<CvRow> expected;
    for (int i = 0; i < int(rows.size()); ++i) {
        if (i == 7 || i == 8 || i == 9)
            continue;
        expected.push_back(i == 1 ? rows[7] : i == 2 ? rows[9] : rows[size_t(i)]);
    }
    QCOMPARE(read.value(), expected);
}

void TestStoreReader::brokenMovedRowPointersAreRefused_data()
{
    QTest::addColumn<int>("targetRow");
    QTest::addColumn<int>("targetPageShift"); // relative to the data page
    QTest::newRow("pointer to itself") << 3 << 0;
    QTest::newRow("row beyond the page's rows") << 250 << 0;
    QTest::newRow("page of the catalog, not of cv") << 0 << -1000;
    QTest::newRow("page beyond the end of the file") << 0 << 100000;
}

void TestStoreReader::brokenMovedRowPointersAreRefused()
{
    QFETCH(int, targetRow);
    QFETCH(int, targetPageShift);
    WRITE_STORE(storePath(), {cvTable(manyRows(40))});
    QByteArray bytes = readAll(storePath());
    const quint32 page = layoutOf(bytes).firstDataPage;
    const quint32 target = targetPageShift < -int(page) ? 2 : quint32(int(page) + targetPageShift);
    pointRowAt(bytes, page, 3, target, targetRow);
    QVERIFY(writeAll(storePath(), bytes));

    const auto read = store::readCvTable(storePath(), kPassword);
    QVERIFY(!read.ok());
    QCOMPARE(read.error().kind, StoreError::Corrupt);
}

void TestStoreReader::storeBytesStayUnchanged()
{
    WRITE_STORE(storePath(), {cvTable(manyRows(1500))});
    const QString access = storePath(u"access.mdb"_s);
    QVERIFY(QFile::copy(kAccessFixture, access));
    const Fingerprint ours = fingerprint(storePath());
    const Fingerprint theirs = fingerprint(access);

    QVERIFY(store::readCvTable(storePath(), kPassword).ok());
    QVERIFY(!store::readCvTable(storePath(), u"nope"_s).ok());
    QVERIFY(!store::readCvTable(access, u"password"_s).ok());
    QVERIFY(!store::readCvTable(access, kPassword).ok());
    {
        store::StoreSession session([&] { return m_dir->path(); });
        const QString statement = QString::fromUtf16(store::kSearchStatement);
        for (const QString &text : {u"中"_s, u"z"_s, u"%"_s, u"'"_s})
            QVERIFY(!session.OpenStoreQuery(statement, store::searchParameters(text)));
        QVERIFY(session.OpenStoreQuery(u"delete from cv"_s));
        QVERIFY(session.OpenStoreQuery(u"update cv set answer = 'x'"_s));
    }
    QVERIFY(fingerprint(storePath()) == ours);
    QVERIFY(fingerprint(access) == theirs);
}

QTEST_GUILESS_MAIN(TestStoreReader)
#include "tst_storereader.moc"
