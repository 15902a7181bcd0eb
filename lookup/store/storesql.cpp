#include "lookup/store/storesql.h"

#include "lookup/store/searchindex.h"
#include "lookup/store/searchstatement.h"
#include "lookup/store/sqlitelike.h"
#include "lookup/store/storefile.h"
#include "lookup/store/storelog.h"

#include <QStringEncoder>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

using namespace Qt::StringLiterals;

namespace store::detail {
namespace {

// Statements may read the store and call functions; anything that would write, attach another
// file or change the connection's settings is refused while it is prepared.
int authorize(void *, int action, const char *, const char *, const char *, const char *)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

// Only blanks and semicolons may follow the one statement.
bool onlySeparators(const char *tail)
{
    for (; *tail; ++tail) {
        const char c = *tail;
        if (c != ';' && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v')
            return false;
    }
    return true;
}

// A handful of statement texts is all the program uses; more are prepared afresh.
constexpr qsizetype kPreparedKept = 16;

} // namespace

bool ResultRows::appendCell(const char *cell, std::size_t size)
{
    if (quint64(text.size()) + quint64(size) >= kNull)
        return false;
    if (cell)
        text.append(cell, qsizetype(size));
    ends.push_back(std::uint32_t(text.size()) | (cell ? 0 : kNull));
    return true;
}

SqlStore::SqlStore(sqlite3 *db, const QString &path) : m_db(db), m_path(path)
{}

SqlStore::~SqlStore()
{
    for (const Prepared &prepared : std::as_const(m_statements))
        sqlite3_finalize(prepared.statement);
    sqlite3_close(m_db);
}

StoreError SqlStore::engineError(const QString &cause) const
{
    return storeError(StoreError::Engine, m_path, cause);
}

StoreError SqlStore::lastError() const
{
    return engineError(u"SQLite: "_s + QString::fromUtf8(sqlite3_errmsg(m_db)));
}

// What every store database gets before its first statement: the fast like(), no writes, and
// the authorizer.
std::optional<StoreError> SqlStore::readyForStatements()
{
    if (sqlite3_exec(m_db, "PRAGMA query_only=1", nullptr, nullptr, nullptr) != SQLITE_OK ||
        registerLike(m_db) != SQLITE_OK)
        return lastError();
    sqlite3_set_authorizer(m_db, authorize, nullptr);
    return std::nullopt;
}

namespace {

// One thread uses a store, so SQLite's per-call locking is left out.
constexpr int kOpenFlags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;

} // namespace

Result<std::unique_ptr<SqlStore>> SqlStore::fromImage(SqliteImage::Finished image,
                                                      const QString &path)
{
    sqlite3 *db = nullptr;
    const int opened = sqlite3_open_v2(":memory:", &db, kOpenFlags, nullptr);
    std::unique_ptr<SqlStore> store(new SqlStore(db, path));
    if (opened != SQLITE_OK) {
        sqlite3_free(image.data);
        return store->engineError(u"SQLite: "_s + QString::fromUtf8(sqlite3_errstr(opened)));
    }
    if (!image.data)
        return store->engineError(QStringLiteral("out of memory"));
    // SQLite frees the buffer from here on, also when this fails.
    if (sqlite3_deserialize(db, "main", image.data, image.size, image.size,
                            SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY) !=
        SQLITE_OK)
        return store->lastError();
    // Pages are then read in place from the image instead of being copied into a page cache.
    const QByteArray mmap = "PRAGMA mmap_size=" + QByteArray::number(image.size);
    if (sqlite3_exec(db, mmap.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return store->lastError();
    if (auto error = store->readyForStatements())
        return *error;
    store->m_imageBytes = std::size_t(image.size);
    return store;
}

Result<std::unique_ptr<SqlStore>> SqlStore::fromRows(const std::vector<CvRow> &rows,
                                                     const QString &path)
{
    sqlite3 *db = nullptr;
    const int opened = sqlite3_open_v2(":memory:", &db, kOpenFlags, nullptr);
    std::unique_ptr<SqlStore> store(new SqlStore(db, path));
    if (opened != SQLITE_OK)
        return store->engineError(u"SQLite: "_s + QString::fromUtf8(sqlite3_errstr(opened)));

    // Large pages, as in the image.
    const QByteArray setup = "PRAGMA page_size=" + QByteArray::number(SqliteImage::kPageSize) +
                             ";" + kCreateTableCv + "; BEGIN";
    if (sqlite3_exec(db, setup.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        return store->lastError();
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(db, "INSERT INTO cv(question, answer, pinyin) VALUES(?, ?, ?)", -1,
                           &insert, nullptr) != SQLITE_OK)
        return store->lastError();
    QStringEncoder toUtf8(QStringConverter::Utf8);
    QByteArray buffers[3];
    for (const CvRow &row : rows) {
        const std::optional<QString> *values[3] = {&row.question, &row.answer, &row.pinyin};
        for (int i = 0; i < 3; ++i) {
            if (!*values[i]) {
                sqlite3_bind_null(insert, i + 1);
                continue;
            }
            const QString &value = **values[i];
            buffers[i].resize(toUtf8.requiredSpace(value.size()));
            char *end = toUtf8.appendToBuffer(buffers[i].data(), value);
            sqlite3_bind_text(insert, i + 1, buffers[i].constData(),
                              int(end - buffers[i].constData()), SQLITE_STATIC);
        }
        if (sqlite3_step(insert) != SQLITE_DONE) {
            sqlite3_finalize(insert);
            return store->lastError();
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        return store->lastError();
    if (auto error = store->readyForStatements())
        return *error;
    return store;
}

Result<const SqlStore::Prepared *> SqlStore::prepare(const QString &statement)
{
    auto found = m_statements.constFind(statement);
    if (found == m_statements.cend()) {
        sqlite3_stmt *prepared = nullptr;
        const QByteArray text = statement.toUtf8();
        const char *tail = nullptr;
        if (sqlite3_prepare_v3(m_db, text.constData(), int(text.size()), SQLITE_PREPARE_PERSISTENT,
                               &prepared, &tail) != SQLITE_OK)
            return engineError(u"SQLite: "_s + QString::fromUtf8(sqlite3_errmsg(m_db)));
        if (!prepared)
            return engineError(QStringLiteral("the statement is empty"));
        if (!onlySeparators(tail)) {
            sqlite3_finalize(prepared);
            return engineError(QStringLiteral("the text holds more than one statement"));
        }
        if (m_statements.size() >= kPreparedKept) {
            for (const Prepared &old : std::as_const(m_statements))
                sqlite3_finalize(old.statement);
            m_statements.clear();
        }
        Prepared entry{prepared, {}};
        for (int c = 0; c < sqlite3_column_count(prepared); ++c)
            entry.names.push_back(QString::fromUtf8(sqlite3_column_name(prepared, c)));
        found = m_statements.insert(statement, entry);
    }
    return &*found;
}

Result<std::shared_ptr<const ResultRows>> SqlStore::run(const QString &statement,
                                                        const QStringList &parameters)
{
    if (auto answered = answerSearch(statement, parameters)) {
        if (!*answered)
            return answered->error();
        return **answered;
    }

    auto found = prepare(statement);
    if (!found)
        return found.error();
    sqlite3_stmt *prepared = (*found)->statement;

    if (sqlite3_bind_parameter_count(prepared) != parameters.size())
        return engineError(QStringLiteral("the statement takes %1 parameters, %2 were given")
                               .arg(sqlite3_bind_parameter_count(prepared))
                               .arg(parameters.size()));
    std::vector<QByteArray> bound;
    bound.reserve(size_t(parameters.size()));
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        bound.push_back(parameters[i].toUtf8());
        sqlite3_bind_text(prepared, int(i) + 1, bound.back().constData(), int(bound.back().size()),
                          SQLITE_STATIC);
    }

    auto result = std::make_shared<ResultRows>();
    result->columns = sqlite3_column_count(prepared);
    result->names = (*found)->names;

    // Sized by the previous result of the same statement, which the next keystroke's resembles.
    result->text.reserve(qsizetype(m_lastTextSize));
    result->ends.reserve(m_lastCellCount);
    int rc;
    std::optional<StoreError> error;
    while ((rc = sqlite3_step(prepared)) == SQLITE_ROW) {
        for (int c = 0; c < result->columns; ++c) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(prepared, c));
            if (!result->appendCell(text, std::size_t(sqlite3_column_bytes(prepared, c)))) {
                error = engineError(QStringLiteral("the result is too large"));
                break;
            }
        }
        if (error)
            break;
        ++result->rows;
    }
    m_lastTextSize = std::size_t(result->text.size());
    m_lastCellCount = result->ends.size();
    if (!error && rc != SQLITE_DONE)
        error = lastError();
    sqlite3_reset(prepared);
    sqlite3_clear_bindings(prepared);
    if (error)
        return *error;
    return std::shared_ptr<const ResultRows>(std::move(result));
}

// The lookup's search: its statement with the same text bound to both parameters is answered
// from the search index, made from the table at the first search. Anything else, or a store
// whose index could not be made, is left to SQLite (nullopt).
std::optional<Result<std::shared_ptr<const ResultRows>>>
SqlStore::answerSearch(const QString &statement, const QStringList &parameters)
{
    if (statement != QStringView(kSearchStatement) || parameters.size() != 2 ||
        parameters[0] != parameters[1] || m_searchUnavailable)
        return std::nullopt;
    if (!m_search) {
        auto built = buildSearch();
        if (!built) {
            qCDebug(lcSearch) << "no search index, SQLite answers:" << built.error().message;
            m_searchUnavailable = true;
            return std::nullopt;
        }
        m_search = std::move(*built);
    }
    const QByteArray text = parameters[0].toUtf8();
    // LIKE refuses a pattern over the length limit as soon as it looks at a row.
    if (m_search->rowCount() > 0 &&
        text.size() + 2 > sqlite3_limit(m_db, SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1))
        return Result<std::shared_ptr<const ResultRows>>(
            engineError(QStringLiteral("SQLite: LIKE or GLOB pattern too complex")));
    return Result<std::shared_ptr<const ResultRows>>(m_search->run(text));
}

// Every row of cv in the order a scan of the table meets them, as the search statement does:
// question and answer for the results to point into, pinyin and question for the index.
Result<std::unique_ptr<IndexedSearch>> SqlStore::buildSearch()
{
    auto search = prepare(QString::fromUtf16(kSearchStatement));
    if (!search)
        return search.error();
    std::vector<QString> names = (*search)->names;
    if (names.size() != 2)
        return engineError(QStringLiteral("the search statement does not give two columns"));

    sqlite3_stmt *all = nullptr;
    if (sqlite3_prepare_v2(m_db, "SELECT question, answer, pinyin FROM cv", -1, &all, nullptr) !=
        SQLITE_OK)
        return lastError();
    auto table = std::make_shared<ResultRows>();
    table->columns = 2;
    table->names = names;
    SearchIndex index;
    // A large store's copies are made at their full size at once: the database's size bounds
    // the text of its rows, and memory reserved but never written takes no room. Growing them
    // step by step cost a fifth of the first query at 100,000 rows. A small store's copies grow
    // in memory the allocator already holds, which is quicker than fresh pages.
    constexpr std::size_t kReserveAbove = 4 << 20;
    sqlite3_stmt *count = nullptr;
    if (m_imageBytes > kReserveAbove &&
        sqlite3_prepare_v2(m_db, "SELECT count(*) FROM cv", -1, &count, nullptr) == SQLITE_OK &&
        sqlite3_step(count) == SQLITE_ROW) {
        const auto rows = std::size_t(sqlite3_column_int64(count, 0));
        const std::size_t bytes =
            std::min<std::size_t>(m_imageBytes, std::uint32_t(ResultRows::kNull));
        table->text.reserve(qsizetype(bytes));
        table->ends.reserve(rows * 2);
        index.reserve(rows, bytes);
    }
    sqlite3_finalize(count);
    const auto field = [all](int column) -> SearchIndex::Field {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(all, column));
        if (!text)
            return std::nullopt;
        return QByteArrayView(text, sqlite3_column_bytes(all, column));
    };
    int rc = SQLITE_OK;
    bool fits = true;
    while (fits && (rc = sqlite3_step(all)) == SQLITE_ROW) {
        for (int c = 0; fits && c < 2; ++c) {
            const SearchIndex::Field value = field(c);
            fits = table->appendCell(value ? value->data() : nullptr,
                                     value ? std::size_t(value->size()) : 0);
        }
        fits = fits && index.addRow(field(2), field(0));
        ++table->rows;
    }
    const std::optional<StoreError> failed =
        !fits               ? std::optional(engineError(QStringLiteral("the store is too large")))
        : rc != SQLITE_DONE ? std::optional(lastError())
                            : std::nullopt;
    sqlite3_finalize(all);
    if (failed)
        return *failed;
    qCDebug(lcSearch) << "search index made of" << table->rows << "rows";
    return std::make_unique<IndexedSearch>(std::move(index), std::move(table), std::move(names));
}

} // namespace store::detail
