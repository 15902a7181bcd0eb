// An SQLite database file image of one table, built page by page in memory.
//
// Loading 100,000 rows with INSERT costs SQLite about half a microsecond per row in its
// virtual machine, more than reading the Jet file. The rows only ever arrive in order, so the
// table's b-tree can be laid out directly in SQLite's documented file format (leaf pages
// filled in rowid order, interior pages above them, the schema table on page 1) and handed to
// SQLite whole with sqlite3_deserialize.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace store::detail {

class SqliteImage
{
public:
    static constexpr int kPageSize = 65536;

    // `createTable` is the table's CREATE TABLE statement, `name` its name, `columns` its number
    // of columns (at most 8). `pageSize` is a power of two from 512 to 65536.
    SqliteImage(std::string_view name, std::string_view createTable, int columns,
                int pageSize = kPageSize);
    ~SqliteImage();
    SqliteImage(const SqliteImage &) = delete;
    SqliteImage &operator=(const SqliteImage &) = delete;

    // One text value, or null.
    struct Value
    {
        const char *data = nullptr; // null: SQL NULL
        std::size_t size = 0;
    };
    // Appends a row with the next rowid. False when the record would not fit on one page (the
    // image does not spill records onto overflow pages); the image is then unusable.
    bool addRow(const Value *values);

    // The finished database: a buffer from sqlite3_malloc64 (to be given to sqlite3_deserialize
    // with SQLITE_DESERIALIZE_FREEONCLOSE) and its size. The image is empty afterwards.
    struct Finished
    {
        unsigned char *data;
        std::int64_t size;
    };
    Finished finish();

private:
    unsigned char *page(std::uint32_t number);
    bool reserve(std::uint32_t pages);
    void startLeaf();
    void closeLeaf();

    std::string_view m_name;
    std::string_view m_createTable;
    int m_columns;
    int m_pageSize;
    unsigned char *m_buffer = nullptr;
    std::uint32_t m_capacity = 0; // pages
    std::uint32_t m_pages = 1;    // page 1, the schema, is written last
    bool m_failed = false;

    // The leaf being filled.
    std::uint32_t m_leaf = 0;
    int m_cells = 0;
    int m_contentStart = 0;
    std::int64_t m_rowid = 0;
    std::vector<std::pair<std::uint32_t, std::int64_t>> m_leaves; // page, last rowid
    std::vector<unsigned char> m_record;
};

} // namespace store::detail
