#include "lookup/store/sqliteimage.h"

#include <sqlite3.h>

#include <cstring>

namespace store::detail {
namespace {

// The layout below follows "The SQLite Database File Format" (sqlite.org/fileformat2.html).
constexpr int kHeaderSize = 100;    // database header, on page 1 only
constexpr int kLeafHeader = 8;      // b-tree page header of a leaf page
constexpr int kInteriorHeader = 12; // ... of an interior page (with the right-most child)
constexpr unsigned char kTableLeaf = 0x0D;
constexpr unsigned char kTableInterior = 0x05;

// SQLite stores its numbers big-endian (Jet's, jet::put16 and jet::put32, are little-endian).
void putBig16(unsigned char *p, unsigned v)
{
    p[0] = static_cast<unsigned char>(v >> 8);
    p[1] = static_cast<unsigned char>(v);
}

void putBig32(unsigned char *p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v >> 24);
    p[1] = static_cast<unsigned char>(v >> 16);
    p[2] = static_cast<unsigned char>(v >> 8);
    p[3] = static_cast<unsigned char>(v);
}

int varintLength(std::uint64_t v)
{
    int n = 1;
    while (n < 9 && v > 0x7F) {
        v >>= 7;
        ++n;
    }
    return n;
}

// SQLite's variable-length integer: big-endian groups of 7 bits, the high bit meaning "more";
// a ninth byte, if needed, carries 8 bits.
int putVarint(unsigned char *p, std::uint64_t v)
{
    if (v > 0x00FFFFFFFFFFFFFFULL) {
        p[8] = static_cast<unsigned char>(v);
        v >>= 8;
        for (int i = 7; i >= 0; --i) {
            p[i] = static_cast<unsigned char>((v & 0x7F) | 0x80);
            v >>= 7;
        }
        return 9;
    }
    unsigned char groups[9];
    int n = 0;
    do {
        groups[n++] = static_cast<unsigned char>((v & 0x7F) | 0x80);
        v >>= 7;
    } while (v);
    groups[0] &= 0x7F;
    for (int i = 0; i < n; ++i)
        p[i] = groups[n - 1 - i];
    return n;
}

void appendVarint(std::vector<unsigned char> &out, std::uint64_t v)
{
    unsigned char buffer[9];
    const int n = putVarint(buffer, v);
    out.insert(out.end(), buffer, buffer + n);
}

// A record: header size, one serial type per value, then the values.
void buildRecord(std::vector<unsigned char> &out, const SqliteImage::Value *values, int count,
                 const std::int64_t *integer = nullptr, int integerColumn = -1)
{
    out.clear();
    std::uint64_t types[8];
    int headerBody = 0;
    for (int i = 0; i < count; ++i) {
        if (i == integerColumn)
            types[i] = *integer <= 0x7F ? 1 : *integer <= 0x7FFF ? 2 : *integer <= 0x7FFFFF ? 3 : 4;
        else
            types[i] = values[i].data ? 13 + 2 * std::uint64_t(values[i].size) : 0;
        headerBody += varintLength(types[i]);
    }
    int headerSize = headerBody + 1;
    while (varintLength(std::uint64_t(headerSize)) != headerSize - headerBody)
        ++headerSize;
    appendVarint(out, std::uint64_t(headerSize));
    for (int i = 0; i < count; ++i)
        appendVarint(out, types[i]);
    for (int i = 0; i < count; ++i) {
        if (i == integerColumn) {
            const int bytes = types[i] == 4 ? 4 : int(types[i]);
            for (int b = bytes - 1; b >= 0; --b)
                out.push_back(static_cast<unsigned char>(*integer >> (8 * b)));
        } else if (values[i].data) {
            out.insert(out.end(), values[i].data, values[i].data + values[i].size);
        }
    }
}

} // namespace

SqliteImage::SqliteImage(std::string_view name, std::string_view createTable, int columns,
                         int pageSize)
    : m_name(name), m_createTable(createTable), m_columns(columns), m_pageSize(pageSize)
{}

SqliteImage::~SqliteImage()
{
    sqlite3_free(m_buffer);
}

unsigned char *SqliteImage::page(std::uint32_t number)
{
    return m_buffer + std::size_t(number - 1) * std::size_t(m_pageSize);
}

bool SqliteImage::reserve(std::uint32_t pages)
{
    if (pages <= m_capacity)
        return true;
    std::uint32_t capacity = m_capacity ? m_capacity : 16;
    while (capacity < pages)
        capacity *= 2;
    auto *grown = static_cast<unsigned char *>(
        sqlite3_realloc64(m_buffer, sqlite3_uint64(capacity) * sqlite3_uint64(m_pageSize)));
    if (!grown)
        return false;
    std::memset(grown + std::size_t(m_capacity) * std::size_t(m_pageSize), 0,
                std::size_t(capacity - m_capacity) * std::size_t(m_pageSize));
    m_buffer = grown;
    m_capacity = capacity;
    return true;
}

void SqliteImage::startLeaf()
{
    m_leaf = ++m_pages;
    m_cells = 0;
    m_contentStart = m_pageSize;
}

void SqliteImage::closeLeaf()
{
    unsigned char *p = page(m_leaf);
    p[0] = kTableLeaf;
    putBig16(p + 3, unsigned(m_cells));
    putBig16(p + 5, unsigned(m_contentStart & 0xFFFF)); // 65536 is written as 0
    m_leaves.emplace_back(m_leaf, m_rowid);
    m_leaf = 0;
}

bool SqliteImage::addRow(const Value *values)
{
    if (m_failed)
        return false;
    buildRecord(m_record, values, m_columns);
    // The largest payload a table leaf keeps on its own page: usable size minus 35.
    if (m_record.size() > std::size_t(m_pageSize - 35)) {
        m_failed = true;
        return false;
    }
    const std::int64_t rowid = m_rowid + 1;
    const int cellSize =
        varintLength(m_record.size()) + varintLength(std::uint64_t(rowid)) + int(m_record.size());
    if (m_leaf && kLeafHeader + 2 * (m_cells + 1) > m_contentStart - cellSize)
        closeLeaf();
    if (!m_leaf) {
        if (!reserve(m_pages + 1)) {
            m_failed = true;
            return false;
        }
        startLeaf();
    }
    unsigned char *p = page(m_leaf);
    m_contentStart -= cellSize;
    unsigned char *cell = p + m_contentStart;
    cell += putVarint(cell, m_record.size());
    cell += putVarint(cell, std::uint64_t(rowid));
    std::memcpy(cell, m_record.data(), m_record.size());
    putBig16(p + kLeafHeader + 2 * m_cells, unsigned(m_contentStart));
    ++m_cells;
    m_rowid = rowid;
    return true;
}

SqliteImage::Finished SqliteImage::finish()
{
    if (m_failed || !reserve(m_pages + 1))
        return {nullptr, 0};
    if (!m_leaf && m_leaves.empty())
        startLeaf(); // an empty table is one empty leaf
    if (m_leaf)
        closeLeaf();

    // Interior levels until one page holds the whole table: each page lists its children but
    // the last as (child, largest rowid in it) and keeps the last as its right-most child.
    std::vector<std::pair<std::uint32_t, std::int64_t>> level = std::move(m_leaves);
    while (level.size() > 1) {
        std::vector<std::pair<std::uint32_t, std::int64_t>> parents;
        std::size_t i = 0;
        while (i < level.size()) {
            if (!reserve(m_pages + 1))
                return {nullptr, 0};
            const std::uint32_t number = ++m_pages;
            unsigned char *p = page(number);
            int cells = 0;
            int contentStart = m_pageSize;
            for (;;) {
                const auto &[child, key] = level[i++];
                const int cellSize = 4 + varintLength(std::uint64_t(key));
                const bool last = i == level.size();
                // The last child that fits goes to the right-most pointer, which takes no cell.
                if (last || kInteriorHeader + 2 * (cells + 1) > contentStart - cellSize) {
                    putBig32(p + 8, child);
                    parents.emplace_back(number, key);
                    break;
                }
                contentStart -= cellSize;
                putBig32(p + contentStart, child);
                putVarint(p + contentStart + 4, std::uint64_t(key));
                putBig16(p + kInteriorHeader + 2 * cells, unsigned(contentStart));
                ++cells;
            }
            p[0] = kTableInterior;
            putBig16(p + 3, unsigned(cells));
            putBig16(p + 5, unsigned(contentStart & 0xFFFF));
        }
        level = std::move(parents);
    }
    const std::uint32_t root = level.front().first;

    // Page 1: the database header, then the schema table as one leaf with one row.
    unsigned char *first = page(1);
    std::memcpy(first, "SQLite format 3", 16);
    putBig16(first + 16, m_pageSize == 65536 ? 1 : unsigned(m_pageSize));
    first[18] = 1; // rollback journal, read and write
    first[19] = 1;
    first[20] = 0;  // no reserved bytes per page
    first[21] = 64; // payload fractions, fixed by the format
    first[22] = 32;
    first[23] = 32;
    putBig32(first + 24, 1);       // change counter
    putBig32(first + 28, m_pages); // database size in pages
    putBig32(first + 40, 1);       // schema cookie
    putBig32(first + 44, 4);       // schema format
    putBig32(first + 56, 1);       // UTF-8
    putBig32(first + 92, 1);       // the size above is valid for change 1
    putBig32(first + 96, std::uint32_t(sqlite3_libversion_number()));

    const Value schema[5] = {{"table", 5},
                             {m_name.data(), m_name.size()},
                             {m_name.data(), m_name.size()},
                             {},
                             {m_createTable.data(), m_createTable.size()}};
    const std::int64_t rootPage = root;
    buildRecord(m_record, schema, 5, &rootPage, 3);
    const int cellSize = varintLength(m_record.size()) + 1 + int(m_record.size());
    const int contentStart = m_pageSize - cellSize;
    unsigned char *cell = first + contentStart;
    cell += putVarint(cell, m_record.size());
    cell += putVarint(cell, 1);
    std::memcpy(cell, m_record.data(), m_record.size());
    unsigned char *header = first + kHeaderSize;
    header[0] = kTableLeaf;
    putBig16(header + 3, 1);
    putBig16(header + 5, unsigned(contentStart));
    putBig16(header + kLeafHeader, unsigned(contentStart));

    const std::int64_t size = std::int64_t(m_pages) * m_pageSize;
    auto *exact = static_cast<unsigned char *>(sqlite3_realloc64(m_buffer, sqlite3_uint64(size)));
    Finished done{exact ? exact : m_buffer, size};
    m_buffer = nullptr;
    m_capacity = 0;
    m_pages = 1;
    return done;
}

} // namespace store::detail
