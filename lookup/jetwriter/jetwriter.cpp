#include "lookup/jetwriter/jetwriter.h"
#include "lookup/jet/jetbytes.h"
#include "lookup/jet/jetformat.h"

#include "lookup/jet/jetheader.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace jetwriter {

using namespace jet;

namespace {

constexpr int kPageSize = int(kJet4PageSize);

// Data pages: type, a constant 1, free space, owning definition page, 4 unknown bytes, row
// count, then one 2-byte offset per row. Rows fill the page from its end towards the front.
constexpr int kDataPageHeader = 14;
constexpr int kRowPointerSize = 2;
// Jet 4 refuses rows larger than this, whatever space a page has left.
constexpr int kMaxRowSize = 4060;
constexpr int kMaxNameLength = 64;

// Usage maps are rows of 69 bytes: a type byte, then either (type 0, "inline") a start page and
// a 64-byte bitmap of the 512 pages from it, or (type 1, "reference") 17 pointers to bitmap
// pages, the n-th of which maps the pages from n * kPagesPerBitmapPage on.
constexpr int kMapRowSize = 69;
constexpr int kInlineMapBytes = kMapRowSize - 5;
constexpr int kInlineMapPages = kInlineMapBytes * 8;
constexpr int kBitmapPageHeader = 4;
constexpr int kPagesPerBitmapPage = (kPageSize - kBitmapPageHeader) * 8;
constexpr int kReferenceMapSlots = (kMapRowSize - 1) / 4;
constexpr int kMaxPages = int(kMaxFileSize / kPageSize);
// A file within Jet's limit needs no more slots than a reference map has.
static_assert((kMaxPages - 1) / kPagesPerBitmapPage < kReferenceMapSlots);

// Every column definition and table definition of Jet 4 carries this number; it does not vary.
constexpr quint32 kDefinitionMagic = 1625;

constexpr quint8 kColumnFixed = 0x01;
constexpr quint8 kColumnUpdatable = 0x02;
constexpr quint8 kColumnExtCompressedUnicode = 0x01;
// Jet's own tables carry these flag sets on their columns (0x10 and 0x20 are undocumented).
constexpr quint8 kSystemFixed = 0x13;
constexpr quint8 kSystemVariable = 0x12;
constexpr quint8 kSystemSid = 0x32;

constexpr quint16 kGeneralSortOrder = 0x0409;
constexpr quint8 kTableTypeUser = 0x4E;
constexpr quint8 kTableTypeSystem = 0x53;

// MSysObjects: the ids of Jet's containers and the object types and flags it uses.
constexpr qint32 kRootContainer = 0x0F000000;
constexpr qint32 kTablesContainer = 0x0F000001;
constexpr qint32 kDatabasesContainer = 0x0F000002;
constexpr qint32 kRelationshipsContainer = 0x0F000003;
constexpr qint32 kDatabaseObject = 0x10000000;
constexpr qint16 kObjectTable = 1;
constexpr qint16 kObjectDatabase = 2;
constexpr qint16 kObjectContainer = 3;
constexpr quint32 kFlagSystemObject = 0x80000000;

// The system tables' definitions sit on fixed pages; page 2 is where every reader looks first.
constexpr int kGlobalMapPage = 1;
constexpr int kObjectsPage = 2;
constexpr int kAcesPage = 3;
constexpr int kQueriesPage = 4;
constexpr int kRelationshipsPage = 5;

void append16(QByteArray &out, quint16 v)
{
    char b[2];
    put16(b, v);
    out.append(b, 2);
}

void append32(QByteArray &out, quint32 v)
{
    char b[4];
    put32(b, v);
    out.append(b, 4);
}

QByteArray bytes32(quint32 v)
{
    QByteArray out;
    append32(out, v);
    return out;
}

QByteArray bytes16(quint16 v)
{
    QByteArray out;
    append16(out, v);
    return out;
}

QByteArray bytesDouble(double d)
{
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    QByteArray out(8, '\0');
    for (int i = 0; i < 8; ++i)
        out[i] = char((bits >> (8 * i)) & 0xFF);
    return out;
}

QByteArray utf16le(QStringView s)
{
    QByteArray out(s.size() * 2, '\0');
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        out[2 * i] = char(c & 0xFF);
        out[2 * i + 1] = char(c >> 8);
    }
    return out;
}

// Jet 4's compressed Unicode: after the marker FF FE each byte is a character whose high byte
// is zero. Access only compresses a text whose every character fits (a zero byte would switch
// to uncompressed pairs, which readers mistake for a switch when a pair's low byte is zero), and
// only when that saves space.
QByteArray encodeText(QStringView s)
{
    if (!s.isEmpty() && s.front() == QChar(0xFEFF)) {
        // Plain UTF-16 would begin with the bytes FF FE, the mark of compressed text; so the
        // mark is written and followed at once by a zero byte, the switch to plain pairs.
        // (checkTables refuses such a text when one of its pairs has a zero low byte, which
        // readers would take for another switch.)
        QByteArray out("\xFF\xFE\x00", 3);
        out.append(utf16le(s));
        return out;
    }
    const bool compressible = s.size() > 2 && std::all_of(s.begin(), s.end(), [](QChar c) {
                                  return c.unicode() >= 0x01 && c.unicode() <= 0xFF;
                              });
    if (!compressible)
        return utf16le(s);
    QByteArray out;
    out.reserve(s.size() + 2);
    out.append(char(0xFF));
    out.append(char(0xFE));
    for (const QChar c : s)
        out.append(char(c.unicode()));
    return out;
}

struct Column
{
    QString name;
    int number = 0; // bit in the null mask, position in the column order
    quint8 type = kTypeText;
    quint16 size = 0; // bytes of a value; 0 for memo and OLE, whose data lives elsewhere
    quint8 flags = 0;
    quint8 extFlags = 0;
    // Where the column lives in a row (set by placeColumns): a fixed column at fixedOffset in
    // the fixed area; a variable one in slot varIndex of the offset table. A fixed column's
    // varIndex is the count of variable columns before it, as Jet writes it.
    bool fixed = false;
    int fixedOffset = 0;
    int varIndex = 0;

    bool isLongValue() const { return type == kTypeMemo || type == kTypeOle; }
};

struct Table
{
    QString name;
    bool system = false;
    std::vector<Column> columns; // in the order the definition lists them
    int fixedSize = 0;
    int varCount = 0;
};

void placeColumns(Table &table)
{
    std::vector<Column *> byNumber;
    for (Column &c : table.columns)
        byNumber.push_back(&c);
    std::sort(byNumber.begin(), byNumber.end(),
              [](const Column *a, const Column *b) { return a->number < b->number; });
    int fixedEnd = 0;
    int vars = 0;
    for (Column *c : byNumber) {
        c->fixed = (c->flags & kColumnFixed) != 0;
        if (c->fixed) {
            c->varIndex = vars;
            // A boolean lives in the null mask alone and takes no room in the fixed area.
            if (c->type != kTypeBool) {
                c->fixedOffset = fixedEnd;
                fixedEnd += c->size;
            }
        } else {
            c->varIndex = vars++;
        }
    }
    table.fixedSize = fixedEnd;
    table.varCount = vars;
}

// One field of a row as stored: nullopt is null. A boolean column is true when present (Jet
// keeps its value in the null mask), whatever the bytes.
using Field = std::optional<QByteArray>;

// A Jet 4 row: column count, fixed area, variable data, then backwards from the end: the null
// mask (1 = present), the number of variable columns, their start offsets (first column last)
// and the offset where variable data ends.
QByteArray encodeRow(const Table &table, const std::vector<Field> &fields)
{
    const int columnCount = int(table.columns.size());
    QByteArray row;
    row.reserve(64);
    append16(row, quint16(columnCount));
    row.append(QByteArray(table.fixedSize, '\0'));
    QByteArray nullMask((columnCount + 7) / 8, '\0');
    std::vector<quint16> varStarts(table.varCount, 0);
    std::vector<const Column *> varColumns(table.varCount, nullptr);
    for (const Column &c : table.columns) {
        const Field &f = fields[c.number];
        if (f)
            nullMask[c.number / 8] = char(nullMask[c.number / 8] | (1 << (c.number % 8)));
        if (c.fixed) {
            if (f && c.type != kTypeBool)
                std::memcpy(row.data() + 2 + c.fixedOffset, f->constData(),
                            std::min<qsizetype>(f->size(), c.size));
        } else {
            varColumns[c.varIndex] = &c;
        }
    }
    for (int i = 0; i < table.varCount; ++i) {
        varStarts[i] = quint16(row.size());
        const Field &f = fields[varColumns[i]->number];
        if (f)
            row.append(*f);
    }
    if (table.varCount > 0) {
        append16(row, quint16(row.size()));
        for (int i = table.varCount - 1; i >= 0; --i)
            append16(row, varStarts[i]);
        append16(row, quint16(table.varCount));
    }
    row.append(nullMask);
    return row;
}

class PageFile
{
public:
    int allocate()
    {
        pages_.emplace_back(kPageSize, '\0');
        return int(pages_.size()) - 1;
    }
    char *page(int number) { return pages_[std::size_t(number)].data(); }
    int count() const { return int(pages_.size()); }
    const std::vector<QByteArray> &pages() const { return pages_; }

private:
    std::vector<QByteArray> pages_;
};

// A row address as Jet stores it: the page in the upper three bytes, the row in the lowest.
quint32 rowPointer(int page, int row)
{
    return quint32(page) << 8 | quint32(row);
}

// Fills data pages of one owner with rows, a new page whenever the current one is full.
class DataPages
{
public:
    DataPages(PageFile &file, int owner) : file_(file), owner_(owner) {}

    quint32 add(const QByteArray &row)
    {
        if (current_ < 0 || rows_ == kMaxRowsPerPage ||
            freeEnd_ - int(row.size()) < kDataPageHeader + (rows_ + 1) * kRowPointerSize)
            startPage();
        char *p = file_.page(current_);
        freeEnd_ -= int(row.size());
        std::memcpy(p + freeEnd_, row.constData(), std::size_t(row.size()));
        put16(p + kDataPageHeader + rows_ * kRowPointerSize, quint16(freeEnd_));
        ++rows_;
        ++total_;
        put16(p + 12, quint16(rows_));
        put16(p + 2, quint16(freeSpace()));
        return rowPointer(current_, rows_ - 1);
    }

    const std::vector<int> &pages() const { return pages_; }
    int owner() const { return owner_; }
    quint32 rowCount() const { return total_; }
    // The last page, when rows still fit on it.
    std::optional<int> pageWithRoom() const
    {
        if (current_ < 0 || rows_ == kMaxRowsPerPage || freeSpace() < kRowPointerSize + 16)
            return std::nullopt;
        return current_;
    }

private:
    int freeSpace() const { return freeEnd_ - kDataPageHeader - rows_ * kRowPointerSize; }

    void startPage()
    {
        current_ = file_.allocate();
        pages_.push_back(current_);
        char *p = file_.page(current_);
        p[0] = char(kPageData);
        p[1] = 0x01;
        put32(p + 4, quint32(owner_));
        rows_ = 0;
        freeEnd_ = kPageSize;
        put16(p + 2, quint16(freeSpace()));
    }

    PageFile &file_;
    int owner_;
    int current_ = -1;
    int rows_ = 0;
    int freeEnd_ = kPageSize;
    quint32 total_ = 0;
    std::vector<int> pages_;
};

QByteArray inlineMap(int startPage, const std::vector<int> &pages)
{
    QByteArray map(kMapRowSize, '\0');
    map[0] = 0x00;
    put32(map.data() + 1, quint32(startPage));
    for (const int page : pages) {
        const int bit = page - startPage;
        map[5 + bit / 8] = char(map[5 + bit / 8] | (1 << (bit % 8)));
    }
    return map;
}

// The map of the pages a table owns. Inline when they all lie within 512 pages of the first,
// otherwise a reference map whose bitmap pages are allocated here.
QByteArray ownedPagesMap(PageFile &file, const std::vector<int> &pages)
{
    if (pages.empty())
        return inlineMap(0, pages);
    const auto [lowest, highest] = std::minmax_element(pages.begin(), pages.end());
    if (*highest - *lowest < kInlineMapPages)
        return inlineMap(*lowest, pages);

    QByteArray map(kMapRowSize, '\0');
    map[0] = 0x01;
    std::vector<int> bitmapPages(kReferenceMapSlots, 0);
    for (const int page : pages) {
        // writeJet4 stops before a page number reaches kMaxPages.
        const int slot = std::min(page / kPagesPerBitmapPage, kReferenceMapSlots - 1);
        if (bitmapPages[std::size_t(slot)] == 0) {
            const int bitmap = file.allocate();
            char *b = file.page(bitmap);
            b[0] = char(kPageUsageBitmap);
            b[1] = 0x01;
            bitmapPages[std::size_t(slot)] = bitmap;
            put32(map.data() + 1 + slot * 4, quint32(bitmap));
        }
        char *b = file.page(bitmapPages[std::size_t(slot)]);
        const int bit = page % kPagesPerBitmapPage;
        b[kBitmapPageHeader + bit / 8] = char(b[kBitmapPageHeader + bit / 8] | (1 << (bit % 8)));
    }
    return map;
}

// The map of a table's pages that still take rows: only the last data page, if it has room.
QByteArray freeSpaceMap(const DataPages &data)
{
    if (const auto page = data.pageWithRoom())
        return inlineMap(*page, {*page});
    return inlineMap(0, {});
}

// The page with a table's usage maps is a data page owned by no table; its rows are the maps.
std::vector<quint32> writeMapPage(PageFile &file, const std::vector<QByteArray> &maps)
{
    DataPages holder(file, 0);
    std::vector<quint32> where;
    where.reserve(maps.size());
    for (const QByteArray &m : maps)
        where.push_back(holder.add(m));
    return where;
}

struct LongValueMaps
{
    int column;
    quint32 owned;
    quint32 free;
};

// A table definition: a header, the column descriptors, their names, the usage maps of the
// long-value columns and an end mark. No indexes: the tables have no keys and Jet does not
// need one to read a table in storage order.
QByteArray tableDefinition(const Table &table, quint32 rowCount, quint32 ownedMap, quint32 freeMap,
                           const std::vector<LongValueMaps> &longValueMaps)
{
    QByteArray d(63, '\0');
    char *h = d.data();
    h[0] = char(kPageTableDefinition);
    h[1] = 0x01;
    put32(h + 12, kDefinitionMagic);
    put32(h + 16, rowCount);
    h[24] = 0x01; // Access sets it on every table; it makes autonumbers work
    h[40] = char(table.system ? kTableTypeSystem : kTableTypeUser);
    put16(h + 41, quint16(table.columns.size()));
    put16(h + 43, quint16(table.varCount));
    put16(h + 45, quint16(table.columns.size()));
    put32(h + 55, ownedMap);
    put32(h + 59, freeMap);

    for (const Column &c : table.columns) {
        QByteArray e(25, '\0');
        char *p = e.data();
        p[0] = char(c.type);
        put32(p + 1, kDefinitionMagic);
        put16(p + 5, quint16(c.number));
        put16(p + 7, quint16(c.varIndex));
        // Jet leaves this second column number at 0 in its own tables.
        put16(p + 9, quint16(table.system ? 0 : c.number));
        put16(p + 11, kGeneralSortOrder);
        p[15] = char(c.flags);
        p[16] = char(c.extFlags);
        put16(p + 21, quint16(c.fixed ? c.fixedOffset : 0));
        put16(p + 23, c.size);
        d.append(e);
    }
    for (const Column &c : table.columns) {
        const QByteArray name = utf16le(c.name);
        append16(d, quint16(name.size()));
        d.append(name);
    }
    for (const LongValueMaps &m : longValueMaps) {
        append16(d, quint16(m.column));
        append32(d, m.owned);
        append32(d, m.free);
    }
    append16(d, 0xFFFF);
    put32(d.data() + 8, quint32(d.size()));
    return d;
}

// Places a definition on its page and, when it is longer, on continuation pages chained
// through offset 4; each continuation page repeats the 8-byte page header.
void writeDefinition(PageFile &file, int firstPage, const QByteArray &definition)
{
    int page = firstPage;
    qsizetype done = 0;
    bool first = true;
    while (true) {
        char *p = file.page(page);
        const int start = first ? 0 : 8;
        const qsizetype chunk = std::min<qsizetype>(kPageSize - start, definition.size() - done);
        std::memcpy(p + start, definition.constData() + done, std::size_t(chunk));
        done += chunk;
        p[0] = char(kPageTableDefinition);
        p[1] = 0x01;
        put16(p + 2, quint16(std::max<qsizetype>(kPageSize - (start + chunk) - 8, 0)));
        if (done >= definition.size())
            break;
        const int next = file.allocate();
        put32(p + 4, quint32(next));
        page = next;
        first = false;
    }
}

// Completes a table whose rows are on `data`: its usage maps (with the bitmap pages they need)
// and its definition on the page the data pages name as their owner.
void finishTable(PageFile &file, const Table &table, const DataPages &data)
{
    std::vector<QByteArray> maps;
    maps.push_back(ownedPagesMap(file, data.pages()));
    maps.push_back(freeSpaceMap(data));
    std::vector<int> longValueColumns;
    for (const Column &c : table.columns)
        if (c.isLongValue())
            longValueColumns.push_back(c.number);
    std::sort(longValueColumns.begin(), longValueColumns.end());
    for (std::size_t i = 0; i < longValueColumns.size(); ++i) {
        maps.push_back(inlineMap(0, {}));
        maps.push_back(inlineMap(0, {}));
    }
    const std::vector<quint32> where = writeMapPage(file, maps);
    std::vector<LongValueMaps> longValueMaps;
    for (std::size_t i = 0; i < longValueColumns.size(); ++i)
        longValueMaps.push_back({longValueColumns[i], where[2 + 2 * i], where[3 + 2 * i]});
    writeDefinition(file, data.owner(),
                    tableDefinition(table, data.rowCount(), where[0], where[1], longValueMaps));
}

void writeTable(PageFile &file, const Table &table, int definitionPage,
                const std::vector<QByteArray> &rows)
{
    DataPages data(file, definitionPage);
    for (const QByteArray &row : rows)
        data.add(row);
    finishTable(file, table, data);
}

struct ColumnSpec
{
    const char16_t *name;
    int number;
    quint8 type;
    quint16 size;
    quint8 flags;
};

Table systemTable(const QString &name, std::initializer_list<ColumnSpec> columnSpecs)
{
    Table t;
    t.name = name;
    t.system = true;
    for (const ColumnSpec &s : columnSpecs) {
        Column c;
        c.name = QString::fromUtf16(s.name);
        c.number = s.number;
        c.type = s.type;
        c.size = s.size;
        c.flags = s.flags;
        t.columns.push_back(c);
    }
    placeColumns(t);
    return t;
}

// Jet's own tables, with their columns listed in the order Jet lists them (by name).
Table objectsTable()
{
    return systemTable(u"MSysObjects"_s,
                       {
                           {u"Connect", 9, kTypeMemo, 0, kSystemVariable},
                           {u"Database", 8, kTypeMemo, 0, kSystemVariable},
                           {u"DateCreate", 4, kTypeDateTime, 8, kSystemFixed},
                           {u"DateUpdate", 5, kTypeDateTime, 8, kSystemFixed},
                           {u"Flags", 7, kTypeLong, 4, kSystemFixed},
                           {u"ForeignName", 10, kTypeText, 510, kSystemVariable},
                           {u"Id", 0, kTypeLong, 4, kSystemFixed},
                           {u"Lv", 13, kTypeOle, 0, kSystemVariable},
                           {u"LvExtra", 16, kTypeOle, 0, kSystemVariable},
                           {u"LvModule", 15, kTypeOle, 0, kSystemVariable},
                           {u"LvProp", 14, kTypeOle, 0, kSystemVariable},
                           {u"Name", 2, kTypeText, 510, kSystemVariable},
                           {u"Owner", 6, kTypeBinary, 510, kSystemSid},
                           {u"ParentId", 1, kTypeLong, 4, kSystemFixed},
                           {u"RmtInfoLong", 12, kTypeOle, 0, kSystemVariable},
                           {u"RmtInfoShort", 11, kTypeBinary, 510, kSystemVariable},
                           {u"Type", 3, kTypeInt, 2, kSystemFixed},
                       });
}

Table acesTable()
{
    return systemTable(u"MSysACEs"_s, {
                                          {u"ACM", 2, kTypeLong, 4, kSystemFixed},
                                          {u"FInheritable", 3, kTypeBool, 1, kSystemFixed},
                                          {u"ObjectId", 0, kTypeLong, 4, kSystemFixed},
                                          {u"SID", 1, kTypeBinary, 510, kSystemSid},
                                      });
}

Table queriesTable()
{
    return systemTable(u"MSysQueries"_s, {
                                             {u"Attribute", 1, kTypeByte, 1, kSystemFixed},
                                             {u"Expression", 5, kTypeMemo, 0, kSystemVariable},
                                             {u"Flag", 6, kTypeInt, 2, kSystemFixed},
                                             {u"LvExtra", 7, kTypeLong, 4, kSystemFixed},
                                             {u"Name1", 3, kTypeText, 510, kSystemVariable},
                                             {u"Name2", 4, kTypeText, 510, kSystemVariable},
                                             {u"ObjectId", 0, kTypeLong, 4, kSystemFixed},
                                             {u"Order", 2, kTypeBinary, 510, kSystemVariable},
                                         });
}

Table relationshipsTable()
{
    return systemTable(u"MSysRelationships"_s,
                       {
                           {u"ccolumn", 2, kTypeLong, 4, kSystemFixed},
                           {u"grbit", 1, kTypeLong, 4, kSystemFixed},
                           {u"icolumn", 3, kTypeLong, 4, kSystemFixed},
                           {u"szColumn", 5, kTypeText, 510, kSystemVariable},
                           {u"szObject", 4, kTypeText, 510, kSystemVariable},
                           {u"szReferencedColumn", 7, kTypeText, 510, kSystemVariable},
                           {u"szReferencedObject", 6, kTypeText, 510, kSystemVariable},
                           {u"szRelationship", 0, kTypeText, 510, kSystemVariable},
                       });
}

Table userTable(const TextTable &source)
{
    Table t;
    t.name = source.name;
    for (int i = 0; i < int(source.columns.size()); ++i) {
        Column c;
        c.name = source.columns.at(i);
        c.number = i;
        c.type = kTypeText;
        c.size = quint16(kMaxTextLength * 2);
        c.flags = kColumnUpdatable;
        c.extFlags = kColumnExtCompressedUnicode;
        t.columns.push_back(c);
    }
    placeColumns(t);
    return t;
}

struct CatalogEntry
{
    qint32 id;
    qint32 parent;
    QString name;
    qint16 type;
    quint32 flags;
};

QByteArray catalogRow(const Table &objects, const CatalogEntry &e, double date)
{
    std::vector<Field> fields(objects.columns.size());
    fields[0] = bytes32(quint32(e.id));
    fields[1] = bytes32(quint32(e.parent));
    fields[2] = encodeText(e.name);
    fields[3] = bytes16(quint16(e.type));
    fields[4] = bytesDouble(date);
    fields[5] = bytesDouble(date);
    fields[7] = bytes32(e.flags);
    return encodeRow(objects, fields);
}

// Page 1: the database's own usage map, inverted (a set bit is a free page). Pages before its
// start count as used and pages after its end as free, so it starts close enough to the end
// of the file that its 512 bits reach past the last page.
void writeGlobalMap(PageFile &file)
{
    const int pageCount = file.count();
    const int start = pageCount < kInlineMapPages ? 0 : ((pageCount - kInlineMapPages / 2) & ~7);
    QByteArray map(kMapRowSize, '\0');
    put32(map.data() + 1, quint32(start));
    for (int page = std::max(start, pageCount); page < start + kInlineMapPages; ++page) {
        const int bit = page - start;
        map[5 + bit / 8] = char(map[5 + bit / 8] | (1 << (bit % 8)));
    }
    char *p = file.page(kGlobalMapPage);
    p[0] = char(kPageData);
    p[1] = 0x01;
    put32(p + 4, 1); // as Access writes it
    // A second, empty map row follows, again as in the files Access makes.
    const QByteArray rows[2] = {map, QByteArray(kMapRowSize, '\0')};
    int end = kPageSize;
    for (int i = 0; i < 2; ++i) {
        end -= kMapRowSize;
        std::memcpy(p + end, rows[i].constData(), kMapRowSize);
        put16(p + kDataPageHeader + i * kRowPointerSize, quint16(end));
    }
    put16(p + 12, 2);
    put16(p + 2, quint16(end - kDataPageHeader - 2 * kRowPointerSize));
}

QString codePoint(char32_t c)
{
    return u"U+%1"_s.arg(quint32(c), 4, 16, QChar(u'0')).toUpper();
}

// Why a name cannot be an Access object or column name, or an empty string if it can.
QString nameProblem(const QString &name)
{
    if (name.isEmpty())
        return u"is empty"_s;
    if (name.size() > kMaxNameLength)
        return u"is longer than %1 characters"_s.arg(kMaxNameLength);
    if (name.front() == u' ')
        return u"starts with a space"_s;
    for (const QChar c : name) {
        if (c.unicode() < 0x20)
            return u"contains the control character %1"_s.arg(codePoint(c.unicode()));
        if (c.isSurrogate())
            return u"contains a character outside the Basic Multilingual Plane"_s;
        if (c == u'.' || c == u'!' || c == u'`' || c == u'[' || c == u']')
            return u"contains '%1', which Access does not allow in names"_s.arg(c);
    }
    return {};
}

QString valueProblem(const QString &value)
{
    if (value.size() > kMaxTextLength)
        return u"value longer than %1 characters (%2)"_s.arg(kMaxTextLength).arg(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c.isHighSurrogate() && i + 1 < value.size() && value.at(i + 1).isLowSurrogate())
            return u"character %1 lies outside the Basic Multilingual Plane, which Jet 4 "
                   u"readers cannot read back"_s.arg(
                       codePoint(QChar::surrogateToUcs4(c, value.at(i + 1))));
        if (c.isSurrogate())
            return u"unpaired surrogate %1 is not text"_s.arg(codePoint(c.unicode()));
        if (c.unicode() == 0)
            return u"value contains U+0000, which Jet 4 readers take for the end of the text"_s;
    }
    if (value.startsWith(QChar(0xFEFF))) {
        for (const QChar c : value)
            if ((c.unicode() & 0xFF) == 0)
                return u"value begins with U+FEFF and also holds %1; Jet 4 readers cannot "
                       u"read that combination back"_s.arg(codePoint(c.unicode()));
    }
    return {};
}

std::optional<QString> checkTables(const std::vector<TextTable> &tables)
{
    QSet<QString> tableNames;
    for (const QString &system :
         {u"MSysObjects"_s, u"MSysACEs"_s, u"MSysQueries"_s, u"MSysRelationships"_s})
        tableNames.insert(system.toCaseFolded());
    for (const TextTable &t : tables) {
        if (const QString problem = nameProblem(t.name); !problem.isEmpty())
            return u"table name \"%1\" %2"_s.arg(t.name, problem);
        if (tableNames.contains(t.name.toCaseFolded()))
            return u"table name \"%1\" is used twice (or by a system table)"_s.arg(t.name);
        tableNames.insert(t.name.toCaseFolded());
        if (t.columns.isEmpty())
            return u"table %1 has no columns"_s.arg(t.name);
        if (t.columns.size() > kMaxColumns)
            return u"table %1 has %2 columns, more than %3"_s.arg(t.name)
                .arg(t.columns.size())
                .arg(kMaxColumns);
        QSet<QString> columnNames;
        for (const QString &c : t.columns) {
            if (const QString problem = nameProblem(c); !problem.isEmpty())
                return u"table %1: column name \"%2\" %3"_s.arg(t.name, c, problem);
            if (columnNames.contains(c.toCaseFolded()))
                return u"table %1: column name \"%2\" is used twice"_s.arg(t.name, c);
            columnNames.insert(c.toCaseFolded());
        }
        for (std::size_t r = 0; r < t.rows.size(); ++r) {
            const auto &row = t.rows[r];
            if (row.size() != std::size_t(t.columns.size()))
                return u"table %1, row %2: %3 values for %4 columns"_s.arg(t.name)
                    .arg(r + 1)
                    .arg(row.size())
                    .arg(t.columns.size());
            for (std::size_t c = 0; c < row.size(); ++c) {
                if (!row[c])
                    continue;
                if (const QString problem = valueProblem(*row[c]); !problem.isEmpty())
                    return u"table %1, row %2, column %3: %4"_s.arg(t.name).arg(r + 1).arg(
                        t.columns.at(qsizetype(c)), problem);
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<QString> outputProblem(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return std::nullopt; // absent (or unreachable: creating it will say why)
    const char *what = S_ISDIR(st.st_mode)                          ? "is a directory"
                       : S_ISFIFO(st.st_mode)                       ? "is a FIFO"
                       : S_ISSOCK(st.st_mode)                       ? "is a socket"
                       : S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode) ? "is a device"
                                                                    : "is not a file";
    return QString::fromLatin1(what) + u", not an ordinary file"_s;
}

std::optional<QString> writeJet4(const QString &path, const QString &password,
                                 const std::vector<TextTable> &tables, qint64 maxFileSize)
{
    if (path.isEmpty())
        return u"no file name given"_s;
    if (auto problem = outputProblem(path))
        return u"cannot create %1: %2"_s.arg(path, *problem);
    const int maxPages = int(std::min(maxFileSize, kMaxFileSize) / kPageSize);
    const auto tooLarge = [&] {
        return u"the database would be larger than %1 bytes, the most a Jet 4 database can "
               u"hold"_s.arg(std::min(maxFileSize, kMaxFileSize));
    };
    if (password.size() > kJet4MaxPasswordLength)
        return u"database password longer than %1 characters"_s.arg(kJet4MaxPasswordLength);
    if (password.contains(QChar(0)))
        return u"database password contains U+0000"_s;
    if (auto problem = checkTables(tables))
        return problem;

    const double created = oleDateNow();
    PageFile file;
    const QByteArray headerPage = jet4HeaderPage(password, created);
    if (headerPage.size() != kPageSize)
        return u"the database password cannot be stored"_s;
    std::memcpy(file.page(file.allocate()), headerPage.constData(), kPageSize);
    file.allocate(); // page 1, the global usage map, filled in last
    for (int page = kObjectsPage; page <= kRelationshipsPage; ++page)
        file.allocate();

    const Table objects = objectsTable();
    std::vector<CatalogEntry> catalog{
        {kTablesContainer, kRootContainer, u"Tables"_s, kObjectContainer, kFlagSystemObject},
        {kDatabasesContainer, kRootContainer, u"Databases"_s, kObjectContainer, kFlagSystemObject},
        {kRelationshipsContainer, kRootContainer, u"Relationships"_s, kObjectContainer,
         kFlagSystemObject},
        {kDatabaseObject, kDatabasesContainer, u"MSysDb"_s, kObjectDatabase, kFlagSystemObject},
        {kObjectsPage, kTablesContainer, objects.name, kObjectTable, kFlagSystemObject},
        {kAcesPage, kTablesContainer, u"MSysACEs"_s, kObjectTable, kFlagSystemObject},
        {kQueriesPage, kTablesContainer, u"MSysQueries"_s, kObjectTable, kFlagSystemObject},
        {kRelationshipsPage, kTablesContainer, u"MSysRelationships"_s, kObjectTable,
         kFlagSystemObject},
    };

    for (const TextTable &source : tables) {
        const Table table = userTable(source);
        const int definitionPage = file.allocate();
        DataPages data(file, definitionPage);
        std::vector<Field> fields(table.columns.size());
        for (std::size_t r = 0; r < source.rows.size(); ++r) {
            const auto &values = source.rows[r];
            for (std::size_t c = 0; c < values.size(); ++c)
                fields[c] = values[c] ? Field(encodeText(*values[c])) : std::nullopt;
            QByteArray row = encodeRow(table, fields);
            if (row.size() > kMaxRowSize)
                return u"table %1, row %2: the row needs %3 bytes, more than the %4 a Jet 4 "
                       u"row can hold"_s.arg(source.name)
                           .arg(r + 1)
                           .arg(row.size())
                           .arg(kMaxRowSize);
            data.add(row);
            if (file.count() > maxPages)
                return u"table %1, row %2: "_s.arg(source.name).arg(r + 1) + tooLarge();
        }
        finishTable(file, table, data);
        catalog.push_back({definitionPage, kTablesContainer, source.name, kObjectTable, 0});
    }

    writeTable(file, acesTable(), kAcesPage, {});
    writeTable(file, queriesTable(), kQueriesPage, {});
    writeTable(file, relationshipsTable(), kRelationshipsPage, {});
    std::vector<QByteArray> catalogRows;
    catalogRows.reserve(catalog.size());
    for (const CatalogEntry &e : catalog)
        catalogRows.push_back(catalogRow(objects, e, created));
    writeTable(file, objects, kObjectsPage, catalogRows);
    writeGlobalMap(file);
    if (file.count() > maxPages)
        return tooLarge();

    // Checked again: something may have taken the name while the pages were made.
    if (auto problem = outputProblem(path))
        return u"cannot create %1: %2"_s.arg(path, *problem);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return u"cannot create %1: %2"_s.arg(path, out.errorString());
    // Written to the descriptor itself: a write the system cuts short (a disk filling up) is
    // continued, and the write that then fails gives errno, the cause, which the device's own
    // error text loses ("Unknown error").
    const int fd = out.handle();
    for (const QByteArray &page : file.pages()) {
        for (qsizetype done = 0; done < page.size();) {
            const ssize_t written =
                ::write(fd, page.constData() + done, std::size_t(page.size() - done));
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0) {
                const QString error = qt_error_string(written < 0 ? errno : ENOSPC);
                out.cancelWriting();
                return u"cannot write %1: %2"_s.arg(path, error);
            }
            done += written;
        }
    }
    if (!out.commit())
        return u"cannot write %1: %2"_s.arg(path, out.errorString());
    return std::nullopt;
}

} // namespace jetwriter
