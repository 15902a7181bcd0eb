// The in-memory SQLite database of one loaded store, and the statements run on it.
#pragma once

#include "lookup/store/sqliteimage.h"
#include "lookup/store/storeerror.h"

#include <QByteArray>
#include <QHash>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace store::detail {

class IndexedSearch;

// A statement's whole result: every cell's UTF-8 one after another, with where each ends.
struct ResultRows
{
    static constexpr std::uint32_t kNull = 0x80000000; // marks a null cell's end
    std::vector<QString> names;
    int columns = 0;
    qsizetype rows = 0;
    QByteArray text;
    std::vector<std::uint32_t> ends; // row-major, one per cell
    // Or a choice of another result's rows: rows `selected` of `base`, its first `columns`
    // columns (text and ends are then unused).
    std::shared_ptr<const ResultRows> base;
    std::vector<std::uint32_t> selected;

    QByteArrayView cell(std::size_t index) const
    {
        if (base)
            return base->cell(baseIndex(index));
        const std::uint32_t begin = index == 0 ? 0 : ends[index - 1] & ~kNull;
        return QByteArrayView(text.constData() + begin, qsizetype((ends[index] & ~kNull) - begin));
    }
    // Appends one cell of the row being read (`cell` null for a null value); false when the
    // result would outgrow its 32-bit offsets.
    bool appendCell(const char *cell, std::size_t size);
    bool isNull(std::size_t index) const
    {
        return base ? base->isNull(baseIndex(index)) : bool(ends[index] & kNull);
    }

private:
    std::size_t baseIndex(std::size_t index) const
    {
        const auto width = std::size_t(columns);
        return std::size_t(selected[index / width]) * std::size_t(base->columns) + index % width;
    }
};

// The table the statements see.
inline constexpr char kCreateTableCv[] = "CREATE TABLE cv(question TEXT, answer TEXT, pinyin TEXT)";

class SqlStore
{
public:
    // A database holding table cv as laid out by an SqliteImage (whose buffer it takes over).
    static Result<std::unique_ptr<SqlStore>> fromImage(SqliteImage::Finished image,
                                                       const QString &path);
    // The same, filled with INSERT: for rows an image cannot hold.
    static Result<std::unique_ptr<SqlStore>> fromRows(const std::vector<CvRow> &rows,
                                                      const QString &path);
    ~SqlStore();
    SqlStore(const SqlStore &) = delete;
    SqlStore &operator=(const SqlStore &) = delete;

    // Runs one read-only statement with its parameters bound as text, reading every row out.
    // The lookup's search statement is answered from the store's search index instead, with
    // the same rows (searchindex.h).
    Result<std::shared_ptr<const ResultRows>> run(const QString &statement,
                                                  const QStringList &parameters);

private:
    struct Prepared
    {
        sqlite3_stmt *statement = nullptr;
        std::vector<QString> names;
    };

    SqlStore(sqlite3 *db, const QString &path);
    StoreError engineError(const QString &cause) const;
    StoreError lastError() const;
    std::optional<StoreError> readyForStatements();
    Result<const Prepared *> prepare(const QString &statement);
    std::optional<Result<std::shared_ptr<const ResultRows>>>
    answerSearch(const QString &statement, const QStringList &parameters);
    Result<std::unique_ptr<IndexedSearch>> buildSearch();

    sqlite3 *m_db;
    QString m_path;
    QHash<QString, Prepared> m_statements;   // prepared once per statement text
    std::unique_ptr<IndexedSearch> m_search; // made at the first search
    bool m_searchUnavailable = false;
    std::size_t m_imageBytes = 0; // the database's size when it came from an image, else 0
    std::size_t m_lastTextSize = 0;
    std::size_t m_lastCellCount = 0;
};

} // namespace store::detail
