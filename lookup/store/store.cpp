#include "lookup/store/store.h"

#include "lookup/jet/jetheader.h"
#include "lookup/store/sqliteimage.h"
#include "lookup/store/storefile.h"
#include "lookup/store/storelayout.h"
#include "lookup/store/storelocation.h"
#include "lookup/store/storemdb.h"
#include "lookup/store/storesql.h"

#include <QCoreApplication>
#include <QDir>

using namespace Qt::StringLiterals;

namespace store {

namespace detail {

// One store file as last seen: its identity and header always; its bytes until the contents
// are parsed (they are parsed only once the password is right), then the database or the
// reason there is none.
struct LoadedStore
{
    QString path;
    FileIdentity identity;
    std::optional<StoreError> headerError;
    jet::HeaderInfo header;
    QByteArray bytes;
    std::unique_ptr<SqlStore> sql;
    std::optional<StoreError> contentError;
};

} // namespace detail

namespace {

using namespace detail;

// The three pieces of the program's connection string.
constexpr char16_t kConnectionHead[] =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Persist Security Info=False;Data Source=";
constexpr char16_t kConnectionTail[] =
    u"\\crvt.dat;Jet OLEDB:Database Password=qzv.lan/mt;admin,qzv.lan/mt";
constexpr char16_t kProvider[] = u"Microsoft.Jet.OLEDB.4.0";

std::variant<jet::HeaderInfo, StoreError> readHeaderOf(const QByteArray &bytes, const QString &path)
{
    const auto header =
        jet::readHeader(QByteArrayView(bytes).first(qMin(bytes.size(), jet::kJet4PageSize)));
    if (!header)
        return storeError(StoreError::NotJet, path, QStringLiteral("not a Jet database"));
    if (header->version == jet::Version::Later)
        return storeError(StoreError::NotJet, path,
                          QStringLiteral("an Access 2007 or later database, which Jet 4 does "
                                         "not open"));
    return *header;
}

StoreError wrongPassword(const QString &path)
{
    return storeError(StoreError::WrongPassword, path, QStringLiteral("wrong database password"));
}

// A store file read whole, its header read and its password checked.
struct OpenedFile
{
    QByteArray bytes;
    jet::Version version;
};

std::variant<OpenedFile, StoreError> openChecked(const QString &path, const QString &password)
{
    auto file = readStore(path);
    if (auto *error = std::get_if<StoreError>(&file))
        return *error;
    QByteArray &bytes = std::get<FileBytes>(file).bytes;
    auto header = readHeaderOf(bytes, path);
    if (auto *error = std::get_if<StoreError>(&header))
        return *error;
    if (!jet::passwordMatches(std::get<jet::HeaderInfo>(header), password))
        return wrongPassword(path);
    return OpenedFile{std::move(bytes), std::get<jet::HeaderInfo>(header).version};
}

// Table cv of a store whose header has been read and whose password was right, row by row.
std::optional<StoreError> readContents(const QByteArray &bytes, jet::Version version,
                                       const QString &path, const RowSink &sink)
{
    auto opened = JetImage::open(bytes, version, path);
    if (auto *error = std::get_if<StoreError>(&opened))
        return *error;
    const JetImage &image = std::get<JetImage>(opened);

    auto found = findTable(image, u"cv");
    if (auto *error = std::get_if<StoreError>(&found))
        return *error;
    const auto page = std::get<std::optional<quint32>>(found);
    if (!page)
        return storeError(StoreError::NoTableCv, path,
                          QStringLiteral("the database has no table cv"));

    auto definition = readTableDefinition(image, *page, QStringLiteral("table cv"));
    if (auto *error = std::get_if<StoreError>(&definition))
        return *error;
    const JetTable &table = std::get<JetTable>(definition);

    std::array<int, 3> wanted{};
    std::vector<int> memoColumns;
    const char16_t *names[3] = {u"question", u"answer", u"pinyin"};
    for (int i = 0; i < 3; ++i) {
        const QString name = QString::fromUtf16(names[i]);
        wanted[size_t(i)] = table.column(name);
        if (wanted[size_t(i)] < 0)
            return storeError(StoreError::BadTable, path,
                              QStringLiteral("table cv has no column %1").arg(name));
        const int type = table.columns[size_t(wanted[size_t(i)])].type;
        if (type != kJetText && type != kJetMemo)
            return storeError(StoreError::BadTable, path,
                              QStringLiteral("column %1 of table cv is not text").arg(name));
        if (type == kJetMemo)
            memoColumns.push_back(wanted[size_t(i)]);
    }

    std::vector<JetRowRef> rows;
    if (auto error =
            walkRows(image, table, memoColumns,
                     [&](const JetRowRef &row, const uchar *, const std::vector<JetField> &) {
                         rows.push_back(row);
                         return true;
                     }))
        return *error;
    return readRowsWithMdb(bytes, image, table, wanted, rows, sink);
}

std::variant<std::vector<CvRow>, StoreError> readRows(const QByteArray &bytes, jet::Version version,
                                                      const QString &path)
{
    std::vector<CvRow> rows;
    const auto value = [](const FieldBytes &field) -> std::optional<QString> {
        if (field.form == FieldBytes::Null)
            return std::nullopt;
        return fieldText(field);
    };
    if (auto error = readContents(bytes, version, path, [&](const std::array<FieldBytes, 3> &row) {
            rows.push_back(CvRow{value(row[0]), value(row[1]), value(row[2])});
        }))
        return *error;
    return rows;
}

// The SQLite database of a store: laid out as an image straight from libmdb's fields, or, when
// a record is too large for that, filled row by row.
std::variant<std::unique_ptr<SqlStore>, StoreError>
loadDatabase(const QByteArray &bytes, jet::Version version, const QString &path)
{
    SqliteImage image("cv", kCreateTableCv, 3);
    std::string texts[3];
    bool fits = true;
    const auto error =
        readContents(bytes, version, path, [&](const std::array<FieldBytes, 3> &row) {
            SqliteImage::Value values[3];
            for (int i = 0; i < 3; ++i) {
                if (row[size_t(i)].form == FieldBytes::Null)
                    continue;
                texts[i].clear();
                appendFieldUtf8(texts[i], row[size_t(i)]);
                values[i] = {texts[i].data(), texts[i].size()};
            }
            fits = fits && image.addRow(values);
        });
    if (error)
        return *error;
    if (fits)
        return SqlStore::fromImage(image.finish(), path);
    auto rows = readRows(bytes, version, path);
    if (auto *failure = std::get_if<StoreError>(&rows))
        return *failure;
    return SqlStore::fromRows(std::get<std::vector<CvRow>>(rows), path);
}

} // namespace

std::variant<std::vector<CvRow>, StoreError> readCvTable(const QString &path,
                                                         const QString &password)
{
    auto opened = openChecked(path, password);
    if (auto *error = std::get_if<StoreError>(&opened))
        return *error;
    const OpenedFile &file = std::get<OpenedFile>(opened);
    return readRows(file.bytes, file.version, path);
}

std::variant<RecordSet, StoreError> queryStore(const QString &path, const QString &password,
                                               const QString &statement,
                                               const QStringList &parameters)
{
    auto opened = openChecked(path, password);
    if (auto *error = std::get_if<StoreError>(&opened))
        return *error;
    const OpenedFile &file = std::get<OpenedFile>(opened);
    auto built = loadDatabase(file.bytes, file.version, path);
    if (auto *error = std::get_if<StoreError>(&built))
        return *error;
    auto rows = std::get<std::unique_ptr<SqlStore>>(built)->run(statement, parameters);
    if (auto *error = std::get_if<StoreError>(&rows))
        return *error;
    return RecordSet(std::get<std::shared_ptr<const ResultRows>>(std::move(rows)));
}

QString connectionString(const QString &applicationFolder)
{
    return QString::fromUtf16(kConnectionHead) + applicationFolder +
           QString::fromUtf16(kConnectionTail);
}

std::variant<ConnectionTarget, StoreError> parseConnectionString(const QString &connection)
{
    const auto refuse = [](const QString &cause) {
        return StoreError{StoreError::NotAFile, u"connection string: "_s + cause};
    };
    std::optional<QString> source;
    QString password;
    qsizetype i = 0;
    const qsizetype n = connection.size();
    while (i < n) {
        const qsizetype equals = connection.indexOf(u'=', i);
        qsizetype semicolon = connection.indexOf(u';', i);
        if (semicolon < 0)
            semicolon = n;
        if (equals < 0 || equals > semicolon) {
            i = semicolon + 1; // a part without a key, like "admin,qzv.lan/mt"
            continue;
        }
        const QString key = connection.mid(i, equals - i).trimmed().toLower();
        qsizetype j = equals + 1;
        while (j < n && connection[j].isSpace())
            ++j;
        QString value;
        if (j < n && (connection[j] == u'"' || connection[j] == u'\'')) {
            // A quoted value may hold ';'; a doubled quote stands for one.
            const QChar quote = connection[j++];
            for (;;) {
                if (j >= n)
                    return refuse(QStringLiteral("a quoted value is not closed"));
                if (connection[j] == quote) {
                    if (j + 1 < n && connection[j + 1] == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += connection[j++];
            }
            while (j < n && connection[j] != u';') {
                if (!connection[j].isSpace())
                    return refuse(QStringLiteral("text follows a quoted value"));
                ++j;
            }
            i = j + 1;
        } else {
            semicolon = connection.indexOf(u';', j);
            if (semicolon < 0)
                semicolon = n;
            value = connection.mid(j, semicolon - j).trimmed();
            i = semicolon + 1;
        }
        if (key == u"provider"_s) {
            if (value.compare(QString::fromUtf16(kProvider), Qt::CaseInsensitive) != 0)
                return StoreError{StoreError::Engine,
                                  QStringLiteral("connection string: provider %1 is not "
                                                 "available")
                                      .arg(value)};
        } else if (key == u"data source"_s) {
            source = value;
        } else if (key == u"jet oledb:database password"_s) {
            password = value;
        }
    }
    if (!source || source->isEmpty())
        return refuse(QStringLiteral("no data source"));
    QString path = *source;
    if (QDir::separator() != u'\\') {
        const qsizetype separator = path.lastIndexOf(u'\\');
        if (separator >= 0)
            path[separator] = u'/';
    }
    return ConnectionTarget{path, password};
}

QStringList searchParameters(const QString &text)
{
    return {text, text};
}

// --- RecordSet ---

RecordSet::RecordSet() = default;

RecordSet::RecordSet(std::shared_ptr<const detail::ResultRows> rows) : m_rows(std::move(rows))
{}

qsizetype RecordSet::recordCount() const
{
    return m_rows ? m_rows->rows : 0;
}

int RecordSet::fieldCount() const
{
    return m_rows ? m_rows->columns : 0;
}

QString RecordSet::fieldName(int index) const
{
    if (!m_rows || index < 0 || index >= m_rows->columns)
        return {};
    return m_rows->names[size_t(index)];
}

std::variant<QString, StoreError> RecordSet::field(int index) const
{
    if (!m_rows)
        return StoreError{StoreError::Engine, QStringLiteral("the record set is not open")};
    if (isEof())
        return StoreError{StoreError::Engine, QStringLiteral("the record set has no current row")};
    if (index < 0 || index >= m_rows->columns)
        return StoreError{StoreError::Engine,
                          QStringLiteral("the record set has no field %1").arg(index)};
    return QString::fromUtf8(
        m_rows->cell(size_t(m_position) * size_t(m_rows->columns) + size_t(index)));
}

std::optional<StoreError> RecordSet::moveNext()
{
    if (!m_rows)
        return StoreError{StoreError::Engine, QStringLiteral("the record set is not open")};
    if (isEof())
        return StoreError{StoreError::Engine,
                          QStringLiteral("the record set is already past its last row")};
    ++m_position;
    return std::nullopt;
}

QByteArrayView RecordSet::utf8(qsizetype row, int column) const
{
    if (!m_rows || row < 0 || row >= m_rows->rows || column < 0 || column >= m_rows->columns)
        return {};
    return m_rows->cell(size_t(row) * size_t(m_rows->columns) + size_t(column));
}

QString RecordSet::text(qsizetype row, int column) const
{
    return QString::fromUtf8(utf8(row, column));
}

bool RecordSet::isNull(qsizetype row, int column) const
{
    if (!m_rows || row < 0 || row >= m_rows->rows || column < 0 || column >= m_rows->columns)
        return true;
    return m_rows->isNull(size_t(row) * size_t(m_rows->columns) + size_t(column));
}

// --- Connection ---

Connection::Connection(QString connectionString) : m_connectionString(std::move(connectionString))
{}

QString Connection::path() const
{
    return m_store ? m_store->path : QString();
}

// --- StoreSession ---

// The player's own store in the data home first, else the one beside the program.
StoreSession::StoreSession()
    : StoreSession([] { return storeFolder(QCoreApplication::applicationDirPath()); })
{}

StoreSession::StoreSession(FolderSource applicationFolder)
    : m_applicationFolder(std::move(applicationFolder))
{}

StoreSession::~StoreSession() = default;

std::variant<std::shared_ptr<detail::LoadedStore>, StoreError>
StoreSession::openStore(const QString &path)
{
    auto identity = statStore(path);
    if (auto *error = std::get_if<StoreError>(&identity)) {
        m_cached.reset(); // gone: whatever stands there next is read afresh
        return *error;
    }
    if (m_cached && m_cached->path == path &&
        m_cached->identity == std::get<FileIdentity>(identity))
        return m_cached;

    m_cached.reset();
    auto file = readStore(path);
    ++m_loads;
    if (auto *error = std::get_if<StoreError>(&file))
        return *error;
    auto store = std::make_shared<LoadedStore>();
    store->path = path;
    store->identity = std::get<FileBytes>(file).identity;
    store->bytes = std::move(std::get<FileBytes>(file).bytes);
    auto header = readHeaderOf(store->bytes, path);
    if (auto *error = std::get_if<StoreError>(&header)) {
        store->headerError = *error;
        store->bytes.clear();
    } else {
        store->header = std::get<jet::HeaderInfo>(header);
    }
    m_cached = store;
    return store;
}

std::optional<StoreError> StoreSession::OpenStoreQuery(const QString &statement,
                                                       const QStringList &parameters)
{
    // A new connection replaces the previous one before anything can fail.
    const QString connection = connectionString(m_applicationFolder());
    m_connection = std::make_shared<Connection>(connection);

    if (connection != m_parsedConnection) {
        auto target = parseConnectionString(connection);
        if (auto *error = std::get_if<StoreError>(&target))
            return *error;
        m_parsedTarget = std::get<ConnectionTarget>(target);
        m_parsedConnection = connection;
    }
    const ConnectionTarget &where = m_parsedTarget;
    auto opened = openStore(where.path);
    if (auto *error = std::get_if<StoreError>(&opened))
        return *error;
    const auto store = std::get<std::shared_ptr<LoadedStore>>(opened);
    if (store->headerError)
        return *store->headerError;
    if (!jet::passwordMatches(store->header, where.password))
        return wrongPassword(where.path);
    if (!store->sql && !store->contentError) {
        auto built = loadDatabase(store->bytes, store->header.version, where.path);
        if (auto *error = std::get_if<StoreError>(&built))
            store->contentError = *error;
        else
            store->sql = std::move(std::get<std::unique_ptr<SqlStore>>(built));
        store->bytes = QByteArray();
    }
    if (store->contentError)
        return *store->contentError;
    m_connection->m_store = store;

    // Likewise the record set, once the connection is open.
    m_recordSet = std::make_shared<RecordSet>();
    auto rows = store->sql->run(statement, parameters);
    if (auto *error = std::get_if<StoreError>(&rows))
        return *error;
    *m_recordSet = RecordSet(std::get<std::shared_ptr<const ResultRows>>(std::move(rows)));
    return std::nullopt;
}

} // namespace store
