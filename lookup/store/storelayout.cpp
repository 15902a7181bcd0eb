#include "lookup/store/storelayout.h"
#include "lookup/jet/jetbytes.h"

#include "lookup/store/storefile.h"

#include <QSet>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;
using jet::get16;
using jet::get32;

namespace store::detail {
namespace {

// Where libmdb finds things, per version.
struct Format
{
    int pageSize;
    int rowCountOffset;   // data pages: number of rows, followed by their offsets
    int varColumnsOffset; // table definitions from here on
    int columnsOffset;
    int realIndexesOffset;
    int usageMapOffset;
    int freeMapOffset;
    int columnsStart;
    int realIndexSize;
    int columnEntrySize;
    int columnNumberAt; // within a column entry
    int varIndexAt;
    int flagsAt;
    int fixedOffsetAt;
    int sizeAt;
    int countSize; // bytes of a row's column count
};
constexpr Format kJet4{
    int(jet::kJet4PageSize), 0x0C, 43, 45, 51, 55, 59, 63, 12, 25, 5, 7, 15, 21, 23, 2};
constexpr Format kJet3{
    int(jet::kJet3PageSize), 0x08, 23, 25, 31, 35, 39, 43, 8, 18, 1, 3, 13, 14, 16, 1};

constexpr int kOffsetMask = 0x1FFF;
// Flags on a row's entry in a data page's offset table.
constexpr int kDeletedRow = 0x8000;
constexpr int kOverflowRow = 0x4000;
// A moved row may be moved again; a longer chain than this is a loop.
constexpr int kMostOverflowHops = 16;
// libmdb looks at no row number above this on a page.
constexpr int kMostRows = 1000;
// Long value (memo) headers: the value is inside the row, on one other page, or on a chain.
constexpr quint32 kMemoInline = 0x80000000;
constexpr quint32 kMemoOnePage = 0x40000000;
constexpr int kMemoHeader = 12;
// Access allows 255 columns and 32 indexes; anything far beyond is not a table definition.
constexpr int kMostColumns = jet::kMaxColumns + 1;
constexpr quint32 kMostIndexes = 1000;

const Format &formatOf(const JetImage &image)
{
    return image.isJet3() ? kJet3 : kJet4;
}

bool asciiEqualsIgnoringCase(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode();
        char16_t y = b[i].unicode();
        if (x >= 'A' && x <= 'Z')
            x += 'a' - 'A';
        if (y >= 'A' && y <= 'Z')
            y += 'a' - 'A';
        if (x != y)
            return false;
    }
    return true;
}

// libmdb's C strings end at the first zero character.
QString uptoZero(QString text)
{
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text.truncate(zero);
    return text;
}

struct RowSpan
{
    int start; // with its flags
    int size;
};

// The offset table entry of `row`, under libmdb's rules.
std::optional<RowSpan> findRow(const Format &f, const uchar *page, int row)
{
    if (row > kMostRows)
        return std::nullopt;
    const int start = int(get16(page + f.rowCountOffset + 2 + row * 2));
    const int end =
        row == 0 ? f.pageSize : int(get16(page + f.rowCountOffset + row * 2)) & kOffsetMask;
    const int masked = start & kOffsetMask;
    if (masked >= f.pageSize || masked > end || end > f.pageSize)
        return std::nullopt;
    return RowSpan{start, end - masked};
}

struct RowLocation
{
    const uchar *page;
    int start;
    int size;
};

// A row named by page and row number in one 32-bit value, as table definitions and long values
// name their rows.
std::optional<RowLocation> findPageRow(const JetImage &image, quint32 pageRow)
{
    // libmdb shifts this as a signed int: a value with the top bit set names no page it can read.
    if (pageRow & 0x80000000)
        return std::nullopt;
    const quint32 pageNumber = pageRow >> 8;
    if (pageNumber >= image.pageCount())
        return std::nullopt;
    const uchar *page = image.page(pageNumber);
    const auto span = findRow(formatOf(image), page, int(pageRow & 0xFF));
    if (!span)
        return std::nullopt;
    return RowLocation{page, span->start & kOffsetMask, span->size};
}

// Reads a table definition the way libmdb's read_pg_if_n does, across the definition's pages.
// One quirk is kept on purpose: a read that ends exactly at a page's end moves on to the next
// page at once. Unlike libmdb, a move is allowed only to a page of the same kind that was not
// visited before.
class DefinitionReader
{
public:
    DefinitionReader(const JetImage &image, quint32 firstPage, int position)
        : m_image(image), m_pageSize(image.pageSize()), m_data(image.page(firstPage)),
          m_position(position)
    {
        m_visited.insert(firstPage);
    }

    bool read(uchar *out, int length)
    {
        while (m_position >= m_pageSize) {
            if (!nextPage())
                return false;
            m_position -= m_pageSize - 8;
        }
        while (m_position + length >= m_pageSize) {
            const int piece = m_pageSize - m_position;
            if (out) {
                std::copy_n(m_data + m_position, piece, out);
                out += piece;
            }
            length -= piece;
            if (!nextPage())
                return false;
            m_position = 8;
        }
        if (out)
            std::copy_n(m_data + m_position, length, out);
        m_position += length;
        return true;
    }

private:
    bool nextPage()
    {
        const quint32 next = get32(m_data + 4);
        if (next == 0 || next >= m_image.pageCount() || m_visited.contains(next))
            return false;
        const uchar *data = m_image.page(next);
        if (data[0] != jet::kPageTableDefinition)
            return false;
        m_visited.insert(next);
        m_data = data;
        return true;
    }

    const JetImage &m_image;
    const int m_pageSize;
    const uchar *m_data;
    int m_position;
    QSet<quint32> m_visited;
};

// libmdb's search of a page map for the next page after `start`: > 0 a page, 0 the end, < 0 a
// map libmdb would give up on (it then reads every page of the file).
qint64 nextMappedPage(const JetImage &image, const QByteArray &map, quint32 start)
{
    const auto *m = reinterpret_cast<const uchar *>(map.constData());
    const auto size = quint32(map.size());
    if (m[0] == 0) {
        if (size < 5)
            return 0;
        const quint32 first = get32(m + 1);
        const quint32 bits = (size - 5) * 8;
        for (quint32 i = start >= first ? start - first + 1 : 0; i < bits; ++i) {
            if (m[5 + i / 8] & (1 << (i % 8)))
                return qint32(first + i); // libmdb's 32-bit arithmetic and signed result
        }
        return 0;
    }
    const quint32 bits = quint32(image.pageSize() - 4) * 8;
    const quint32 mapPages = (size - 1) / 4;
    quint32 offset = (start + 1) % bits;
    for (quint32 index = (start + 1) / bits; index < mapPages; ++index, offset = 0) {
        const quint32 mapPage = get32(m + index * 4 + 1);
        if (mapPage == 0)
            continue;
        if (mapPage >= image.pageCount())
            return -1;
        const uchar *bitmap = image.page(mapPage) + 4;
        for (quint32 i = offset; i < bits; ++i) {
            if (bitmap[i / 8] & (1 << (i % 8)))
                return qint64(index) * bits + i;
        }
    }
    return 0;
}

// Jet 3 rows keep variable-length offsets in single bytes plus a table of "jumps" of 256.
// This follows libmdb's reading of it step by step, in its unsigned arithmetic, and refuses
// every row where that reading would leave the row.
bool jet3Offsets(const uchar *page, int pageSize, int rowStart, quint32 rowEnd, quint32 bitmaskSize,
                 quint32 varColumns, std::vector<quint32> &offsets)
{
    const quint32 start = quint32(rowStart);
    const quint32 rowLength = rowEnd - start + 1;
    quint32 jumps = (rowLength - 1) / 256;
    const quint32 pointer = rowEnd - bitmaskSize - jumps - 1;
    if ((pointer - start - varColumns) / 256 < jumps)
        --jumps;
    if (bitmaskSize + jumps + 1 > rowEnd)
        return false;
    if (pointer >= quint32(pageSize) || pointer < varColumns)
        return false;
    // Stricter: the jump table and the offsets must lie inside the row, after its column count.
    if (qint64(rowEnd) - bitmaskSize - jumps < qint64(start) + 1 || pointer > rowEnd ||
        qint64(pointer) - varColumns < qint64(start) + 1)
        return false;
    quint32 used = 0;
    offsets.resize(varColumns + 1);
    for (quint32 i = 0; i <= varColumns; ++i) {
        while (used < jumps && i == page[rowEnd - bitmaskSize - used - 1])
            ++used;
        offsets[i] = page[pointer - i] + used * 256;
    }
    return true;
}

// libmdb's mdb_crack_row, with every read checked to stay inside the row.
bool crackRow(const JetImage &image, const JetTable &table, const uchar *page, int rowStart,
              int rowSize, std::vector<JetField> &fields)
{
    const Format &f = formatOf(image);
    const bool jet3 = image.isJet3();
    if (rowSize < f.countSize + 1)
        return false;
    const qint64 rowEnd = qint64(rowStart) + rowSize - 1;
    const quint32 rowColumns = jet3 ? page[rowStart] : get16(page + rowStart);
    const qint64 bitmaskSize = (rowColumns + 7) / 8;
    if (bitmaskSize + (jet3 ? 0 : 1) >= rowEnd) // libmdb's own test
        return false;
    const qint64 nullMask = rowEnd - bitmaskSize + 1;
    if (nullMask < rowStart + f.countSize)
        return false;

    static thread_local std::vector<quint32> offsets;
    qint64 varColumns = 0;
    if (table.varColumnCount > 0) {
        const qint64 at = rowEnd - bitmaskSize - (jet3 ? 0 : 1);
        if (at < rowStart + f.countSize)
            return false;
        varColumns = jet3 ? page[at] : get16(page + at);
        if (jet3) {
            if (!jet3Offsets(page, f.pageSize, rowStart, quint32(rowEnd), quint32(bitmaskSize),
                             quint32(varColumns), offsets))
                return false;
        } else {
            if (bitmaskSize + 3 + varColumns * 2 + 2 > rowEnd) // libmdb's own test
                return false;
            if (rowEnd - bitmaskSize - 3 - 2 * varColumns < rowStart + f.countSize)
                return false;
            offsets.resize(size_t(varColumns + 1));
            for (qint64 i = 0; i <= varColumns; ++i)
                offsets[size_t(i)] = get16(page + rowEnd - bitmaskSize - 3 - 2 * i);
        }
    }
    if (varColumns > qint64(rowColumns))
        return false;
    const qint64 fixedColumns = qint64(rowColumns) - varColumns;

    qint64 fixedFound = 0;
    fields.assign(table.columns.size(), JetField{});
    for (size_t i = 0; i < table.columns.size(); ++i) {
        const JetColumn &c = table.columns[i];
        qint64 start;
        qint64 size;
        if (c.fixed && fixedFound < fixedColumns) {
            start = qint64(rowStart) + c.fixedOffset + f.countSize;
            size = c.size;
            ++fixedFound;
        } else if (!c.fixed && c.varIndex < varColumns) {
            start = qint64(rowStart) + offsets[size_t(c.varIndex)];
            size = qint64(offsets[size_t(c.varIndex) + 1]) - offsets[size_t(c.varIndex)];
        } else {
            continue; // not stored in this row: null, as libmdb has it too
        }
        // A stored field's null bit must lie inside the row's null mask.
        if (c.number / 8 >= bitmaskSize)
            return false;
        if (size < 0 || start + size > qint64(rowStart) + rowSize)
            return false;
        const bool present = page[nullMask + c.number / 8] & (1 << (c.number % 8));
        fields[i] = {!present, int(start), int(size)};
    }
    return true;
}

// libmdb's reading of a long text value (mdb_memo_to_string), checked: the value must hold
// exactly the bytes its header gives as its length, a chain must not loop and every link must
// exist. The cause when it does not.
std::optional<QString> memoProblem(const JetImage &image, const uchar *page, const JetField &field)
{
    // An empty field is an empty text; anything else starts with the 12-byte header.
    if (field.null || field.size == 0)
        return std::nullopt;
    if (field.size < kMemoHeader)
        return QStringLiteral("%1 bytes is shorter than a long value's %2-byte header")
            .arg(field.size)
            .arg(kMemoHeader);
    const quint32 header = get32(page + field.start);
    const quint32 length = header & ~(kMemoInline | kMemoOnePage);
    const auto mismatch = [&](quint64 held) {
        return QStringLiteral("its length says %1 bytes but it holds %2").arg(length).arg(held);
    };
    if (header & kMemoInline)
        return quint64(length) == quint64(field.size - kMemoHeader)
                   ? std::nullopt
                   : std::optional<QString>(mismatch(quint64(field.size - kMemoHeader)));
    if (header & kMemoOnePage) {
        const auto row = findPageRow(image, get32(page + field.start + 4));
        if (!row)
            return QStringLiteral("the row holding it is missing");
        return quint64(row->size) == length ? std::nullopt
                                            : std::optional<QString>(mismatch(quint64(row->size)));
    }
    if (header & 0xFF000000)
        return QStringLiteral("its header is of a kind Jet does not write");
    if (length == 0)
        return QStringLiteral("its chain of pages holds nothing");
    quint32 pageRow = get32(page + field.start + 4);
    quint64 taken = 0;
    QSet<quint32> visited;
    do {
        if (visited.contains(pageRow))
            return QStringLiteral("its chain of pages loops");
        visited.insert(pageRow);
        const auto link = findPageRow(image, pageRow);
        if (!link || link->size < 4)
            return QStringLiteral("a link of its chain of pages is missing");
        taken += quint64(link->size) - 4;
        if (taken > length)
            break;
        pageRow = get32(link->page + link->start);
    } while (pageRow != 0);
    return taken == length ? std::nullopt : std::optional<QString>(mismatch(taken));
}

QString columnText(const JetImage &image, const uchar *page, const JetField &field)
{
    if (field.null)
        return {};
    if (image.isJet3())
        return QString::fromLatin1(reinterpret_cast<const char *>(page + field.start), field.size);
    return decodeJet4Text(page + field.start, field.size);
}

} // namespace

int JetTable::column(QStringView name) const
{
    for (size_t i = 0; i < columns.size(); ++i) {
        if (asciiEqualsIgnoringCase(columns[i].name, name))
            return int(i);
    }
    return -1;
}

Result<JetImage> JetImage::open(const QByteArray &bytes, jet::Version version, const QString &path)
{
    JetImage image;
    image.m_path = path;
    image.m_jet3 = version == jet::Version::Jet3;
    const Format &f = formatOf(image);
    image.m_pageSize = f.pageSize;
    if (bytes.size() % f.pageSize != 0)
        return storeError(StoreError::Corrupt, path,
                          QStringLiteral("truncated: %1 bytes is not a whole number of %2-byte "
                                         "pages")
                              .arg(bytes.size())
                              .arg(f.pageSize));
    image.m_pageCount = quint32(bytes.size() / f.pageSize);
    // The header, the global page map and the catalog's definition at least.
    if (image.m_pageCount < 3)
        return storeError(StoreError::Corrupt, path,
                          (image.m_pageCount == 1
                               ? QStringLiteral("truncated: 1 page is too short for a Jet database")
                               : QStringLiteral("truncated: %1 pages is too short for a Jet "
                                                "database")
                                     .arg(image.m_pageCount)));

    // The page key sits in the masked part of the header.
    QByteArray header = bytes.left(f.pageSize);
    static constexpr std::array<char, 4> kHeaderMask{char(0xC7), char(0xDA), char(0x39),
                                                     char(0x6B)};
    jet::rc4(QByteArrayView(kHeaderMask.data(), 4), header.data() + 0x18, image.m_jet3 ? 126 : 128);
    const quint32 pageKey = get32(reinterpret_cast<const uchar *>(header.constData()) + 0x3E);

    image.m_pages = bytes;
    if (pageKey != 0) {
        // Pages after the header are RC4-encrypted under the key XOR their own number.
        char *data = image.m_pages.data();
        for (quint32 n = 1; n < image.m_pageCount; ++n) {
            const quint32 k = pageKey ^ n;
            const std::array<char, 4> key{char(k & 0xFF), char((k >> 8) & 0xFF),
                                          char((k >> 16) & 0xFF), char(k >> 24)};
            jet::rc4(QByteArrayView(key.data(), 4), data + qsizetype(n) * f.pageSize, f.pageSize);
        }
    }
    return image;
}

const uchar *JetImage::page(quint32 number) const
{
    Q_ASSERT(number < m_pageCount);
    return reinterpret_cast<const uchar *>(m_pages.constData()) + qsizetype(number) * m_pageSize;
}

Result<JetTable> readTableDefinition(const JetImage &image, quint32 page, const QString &what)
{
    const Format &f = formatOf(image);
    const auto corrupt = [&](const QString &cause) {
        return storeError(StoreError::Corrupt, image.path(), what + u": "_s + cause);
    };
    if (page == 0 || page >= image.pageCount())
        return corrupt(
            QStringLiteral("its definition would be on page %1, outside the file").arg(page));
    const uchar *p = image.page(page);
    if (p[0] != jet::kPageTableDefinition)
        return corrupt(QStringLiteral("page %1 is not a table definition").arg(page));

    JetTable table;
    table.what = what;
    table.page = page;
    table.varColumnCount = int(get16(p + f.varColumnsOffset));
    const int columnCount = int(get16(p + f.columnsOffset));
    const quint32 realIndexes = get32(p + f.realIndexesOffset);
    if (columnCount > kMostColumns)
        return corrupt(QStringLiteral("%1 columns is more than a table can have").arg(columnCount));
    if (realIndexes > kMostIndexes)
        return corrupt(QStringLiteral("%1 indexes is more than a table can have").arg(realIndexes));

    const auto usage = findPageRow(image, get32(p + f.usageMapOffset));
    if (!usage || usage->size < 5 || usage->page[usage->start] > 1)
        return corrupt(QStringLiteral("the map of its pages is missing or damaged"));
    table.usageMap =
        QByteArray(reinterpret_cast<const char *>(usage->page + usage->start), usage->size);
    if (!findPageRow(image, get32(p + f.freeMapOffset)))
        return corrupt(QStringLiteral("the map of its free space is missing"));

    DefinitionReader reader(image, page, f.columnsStart + int(realIndexes) * f.realIndexSize);
    std::array<uchar, 32> entry{};
    table.columns.resize(size_t(columnCount));
    for (JetColumn &c : table.columns) {
        if (!reader.read(entry.data(), f.columnEntrySize))
            return corrupt(QStringLiteral("its column definitions run past its pages"));
        c.type = entry[0];
        c.number = entry[size_t(f.columnNumberAt)];
        c.varIndex = int(get16(entry.data() + f.varIndexAt));
        c.fixed = entry[size_t(f.flagsAt)] & 0x01;
        c.fixedOffset = int(get16(entry.data() + f.fixedOffsetAt));
        c.size = c.type == jet::kTypeBool ? 0 : int(get16(entry.data() + f.sizeAt));
    }
    QByteArray name;
    for (JetColumn &c : table.columns) {
        uchar length[2] = {0, 0};
        if (!reader.read(length, f.countSize))
            return corrupt(QStringLiteral("its column names run past its pages"));
        const int size = image.isJet3() ? length[0] : int(get16(length));
        name.resize(size);
        if (!reader.read(reinterpret_cast<uchar *>(name.data()), size))
            return corrupt(QStringLiteral("its column names run past its pages"));
        c.name =
            uptoZero(image.isJet3()
                         ? QString::fromLatin1(name)
                         : decodeJet4Text(reinterpret_cast<const uchar *>(name.constData()), size));
    }

    std::stable_sort(table.columns.begin(), table.columns.end(),
                     [](const JetColumn &a, const JetColumn &b) { return a.number < b.number; });
    for (size_t i = 1; i < table.columns.size(); ++i) {
        // libmdb sorts with an unstable sort: equal numbers would leave the order to chance.
        if (table.columns[i].number == table.columns[i - 1].number)
            return corrupt(
                QStringLiteral("two columns share the number %1").arg(table.columns[i].number));
    }
    // Each variable-length column has its own slot in a row's offset table, and the definition
    // counts them: a count that disagrees would have every row read with the wrong slots (with
    // a count of 0, every text as null).
    const auto variable = std::count_if(table.columns.begin(), table.columns.end(),
                                        [](const JetColumn &c) { return !c.fixed; });
    if (variable != table.varColumnCount)
        return corrupt(QStringLiteral("it counts %1 variable-length columns but defines %2")
                           .arg(table.varColumnCount)
                           .arg(variable));
    std::vector<bool> slotTaken(size_t(variable), false);
    for (const JetColumn &c : table.columns) {
        if (c.fixed)
            continue;
        if (c.varIndex >= variable || slotTaken[size_t(c.varIndex)])
            return corrupt(QStringLiteral("column %1 has the variable-length slot %2, which is "
                                          "out of range or another column's")
                               .arg(c.name)
                               .arg(c.varIndex));
        slotTaken[size_t(c.varIndex)] = true;
    }
    return table;
}

std::optional<StoreError> walkRows(const JetImage &image, const JetTable &table,
                                   const std::vector<int> &memoColumns, const RowVisitor &visit)
{
    const Format &f = formatOf(image);
    const auto corrupt = [&](const QString &cause) {
        return storeError(StoreError::Corrupt, image.path(), cause);
    };
    std::optional<StoreError> failure;
    quint32 current = 0;
    // The next data page of the table, as libmdb's mdb_read_next_dpg finds it; null at the end.
    const auto nextPage = [&]() -> const uchar * {
        for (;;) {
            const qint64 next = nextMappedPage(image, table.usageMap, current);
            if (next < 0) {
                failure = corrupt(QStringLiteral("the page map of the table on page %1 is damaged")
                                      .arg(table.page));
                return nullptr;
            }
            if (next == 0 || next == qint64(current))
                return nullptr;
            if (next >= qint64(image.pageCount())) {
                failure = corrupt(QStringLiteral("the page map of the table on page %1 names page "
                                                 "%2, beyond the end of the file")
                                      .arg(table.page)
                                      .arg(next));
                return nullptr;
            }
            current = quint32(next);
            const uchar *candidate = image.page(current);
            // libmdb passes over mapped pages that are not this table's data (with a warning).
            if (candidate[0] == jet::kPageData && get32(candidate + 4) == table.page) {
                const int rows = int(get16(candidate + f.rowCountOffset));
                if (rows > kMostRows || f.rowCountOffset + 2 + 2 * rows > f.pageSize) {
                    failure = corrupt(
                        QStringLiteral("data page %1 claims %2 rows").arg(current).arg(rows));
                    return nullptr;
                }
                return candidate;
            }
        }
    };

    // The rows of each data page in offset-table order, chosen by the file format's own rules:
    // an entry flagged deleted is no row (Access also flags the old copy of a row it moved this
    // way), and an entry flagged as an overflow holds only a pointer to where the row now lives.
    // libmdb 1.0 has these two flags the wrong way round, so it would list deleted rows and lose
    // every row that was moved; the rows are chosen here and libmdb takes each chosen row apart.
    std::vector<JetField> fields;
    for (const uchar *page = nextPage(); page; page = nextPage()) {
        const quint32 pageNumber = current;
        const int rows = int(get16(page + f.rowCountOffset));
        for (int number = 0; number < rows; ++number) {
            if (table.columns.empty())
                break; // a table without columns has no rows to read
            auto span = findRow(f, page, number);
            if (!span)
                return corrupt(QStringLiteral("row %1 of data page %2 has a bad offset")
                                   .arg(number)
                                   .arg(pageNumber));
            if (span->size == 0 || (span->start & kDeletedRow))
                continue;

            JetRowRef at{pageNumber, number};
            const uchar *rowPage = page;
            int hops = 0;
            while (span->start & kOverflowRow) {
                // The pointer: the row number in one byte, then the page in three.
                if (span->size < 4 || ++hops > kMostOverflowHops)
                    return corrupt(QStringLiteral("row %1 of data page %2 points nowhere")
                                       .arg(at.row)
                                       .arg(at.page));
                const uchar *pointer = rowPage + (span->start & kOffsetMask);
                const int targetRow = pointer[0];
                const quint32 targetPage = get32(pointer) >> 8;
                const uchar *target =
                    targetPage < image.pageCount() ? image.page(targetPage) : nullptr;
                if (!target || target[0] != jet::kPageData || get32(target + 4) != table.page ||
                    targetRow >= int(get16(target + f.rowCountOffset)) ||
                    f.rowCountOffset + 2 + 2 * (targetRow + 1) > f.pageSize)
                    return corrupt(QStringLiteral("row %1 of data page %2 points to a row of "
                                                  "page %3 that the table does not have")
                                       .arg(at.row)
                                       .arg(at.page)
                                       .arg(targetPage));
                span = findRow(f, target, targetRow);
                if (!span || span->size == 0)
                    return corrupt(QStringLiteral("the moved row %1 of data page %2 is damaged")
                                       .arg(targetRow)
                                       .arg(targetPage));
                // The moved copy carries the deleted flag, so that a walk over its own page
                // passes it by; here only a further pointer counts.
                rowPage = target;
                at = JetRowRef{targetPage, targetRow};
            }

            if (!crackRow(image, table, rowPage, span->start & kOffsetMask, span->size, fields))
                return corrupt(QStringLiteral("row %1 of data page %2 does not fit its table's "
                                              "definition")
                                   .arg(at.row)
                                   .arg(at.page));
            for (int c : memoColumns) {
                if (const auto problem = memoProblem(image, rowPage, fields[size_t(c)]))
                    return corrupt(QStringLiteral("%1: the long value of column %2 in row %3 of "
                                                  "data page %4 is damaged: %5")
                                       .arg(table.what, table.columns[size_t(c)].name)
                                       .arg(at.row)
                                       .arg(at.page)
                                       .arg(*problem));
            }
            if (!visit(at, rowPage, fields))
                return std::nullopt;
        }
    }
    return failure;
}

Result<std::optional<quint32>> findTable(const JetImage &image, QStringView name)
{
    // The catalog, MSysObjects, is the table whose definition is always on page 2.
    auto read = readTableDefinition(image, 2, QStringLiteral("the catalog"));
    if (!read)
        return read.error();
    const JetTable catalog = *std::move(read);
    const int id = catalog.column(u"Id");
    const int objectName = catalog.column(u"Name");
    const int type = catalog.column(u"Type");
    const auto is = [&](int column, int kind, int size) {
        return column >= 0 && catalog.columns[size_t(column)].type == kind &&
               (!catalog.columns[size_t(column)].fixed ||
                catalog.columns[size_t(column)].size >= size);
    };
    if (!is(id, jet::kTypeLong, 4) || !is(objectName, jet::kTypeText, 0) ||
        !is(type, jet::kTypeInt, 2) || catalog.columns[size_t(objectName)].fixed ||
        !catalog.columns[size_t(id)].fixed || !catalog.columns[size_t(type)].fixed)
        return storeError(StoreError::Corrupt, image.path(),
                          QStringLiteral("the catalog lacks its columns Id, Name and Type"));

    std::optional<quint32> found;
    const auto error =
        walkRows(image, catalog, {},
                 [&](const JetRowRef &, const uchar *page, const std::vector<JetField> &fields) {
                     const JetField &t = fields[size_t(type)];
                     // Type 1 is a local table; libmdb compares the whole value, as here.
                     if (t.null || t.size < 2 || qint16(get16(page + t.start)) != 1)
                         return true;
                     if (!asciiEqualsIgnoringCase(
                             uptoZero(columnText(image, page, fields[size_t(objectName)])), name))
                         return true;
                     const JetField &i = fields[size_t(id)];
                     found = i.null || i.size < 4 ? 0 : get32(page + i.start) & 0x00FFFFFF;
                     return false;
                 });
    if (error)
        return *error;
    return found;
}

QString decodeJet4Text(const uchar *data, int size)
{
    QString text;
    text.reserve(size / 2);
    forEachJet4Unit(data, size, [&](char16_t unit) { text.append(QChar(unit)); });
    return text;
}

} // namespace store::detail
