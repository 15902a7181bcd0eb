// The structures of a Jet file that the store reads, checked before libmdb sees them.
//
// libmdb trusts the file: it follows page numbers, row offsets and chains as they stand, so a
// damaged or hostile file can make it read out of bounds or loop for ever. Everything here reads
// the way libmdb will read (the same page order, the same row offset rules, the same reading of
// table definitions and rows, including its quirks), with every step checked. The rows of a
// table are chosen here, by the file format's rules for deleted and moved rows, which libmdb 1.0
// has reversed; a file is handed to libmdb only when this walk found nothing wrong, and libmdb
// then takes apart exactly the rows this walk chose.
//
// The rules are stricter than libmdb's own: where libmdb would skip a row it cannot take apart
// (losing it without a word), the store is refused as corrupt instead.
#pragma once

#include "lookup/jet/jetformat.h"
#include "lookup/jet/jetheader.h"
#include "lookup/store/storeerror.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

namespace store::detail {

// The file's pages as libmdb sees them: pages after the first decrypted when the header carries
// a page key.
class JetImage
{
public:
    static Result<JetImage> open(const QByteArray &bytes, jet::Version version,
                                 const QString &path);

    bool isJet3() const { return m_jet3; }
    int pageSize() const { return m_pageSize; }
    quint32 pageCount() const { return m_pageCount; }
    const uchar *page(quint32 number) const; // number < pageCount()
    const QString &path() const { return m_path; }

private:
    QByteArray m_pages;
    QString m_path;
    bool m_jet3 = false;
    int m_pageSize = 0;
    quint32 m_pageCount = 0;
};

struct JetColumn
{
    int type = 0;     // jet::kType...
    int number = 0;   // orders the columns and picks the null bit
    int varIndex = 0; // slot in a row's offset table (variable-length columns)
    bool fixed = false;
    int fixedOffset = 0;
    int size = 0;
    QString name;
};

struct JetTable
{
    QString what;     // how messages name it: "table cv", "the catalog"
    quint32 page = 0; // the first page of its definition
    int varColumnCount = 0;
    std::vector<JetColumn> columns;     // in libmdb's order: by number
    QByteArray usageMap;                // the map of the table's pages
    int column(QStringView name) const; // index, or -1 (names compare without regard to ASCII case)
};

// A field as libmdb takes it apart: bytes [start, start + size) of the row's page.
struct JetField
{
    bool null = true;
    int start = 0;
    int size = 0;
};

// Where a row's bytes are: for a moved row, the page and row it was moved to.
struct JetRowRef
{
    quint32 page;
    int row;
};

// The table definition beginning on page `page`.
Result<JetTable> readTableDefinition(const JetImage &image, quint32 page, const QString &what);

// Every row of `table`, in store order: its data pages in the order of its page map, each page's
// rows in offset-table order, deleted rows passed over and moved rows followed. `memoColumns`
// are the columns whose long values will be read; their page chains are checked too. `visit`
// gets each row's fields (indexed like table.columns) and may stop the walk by returning false.
using RowVisitor =
    std::function<bool(const JetRowRef &, const uchar *page, const std::vector<JetField> &)>;
std::optional<StoreError> walkRows(const JetImage &image, const JetTable &table,
                                   const std::vector<int> &memoColumns, const RowVisitor &visit);

// The definition page of the first table of the catalog called `name` (compared like libmdb
// compares object names), or nullopt when there is none.
Result<std::optional<quint32>> findTable(const JetImage &image, QStringView name);

// The UTF-16 code units of a Jet 4 text field: UTF-16LE, or behind FF FE Jet's compressed
// form, where single bytes stand for U+0000..U+00FF until a zero byte switches to UTF-16LE pairs
// and the next zero byte back. An odd byte at the end is no unit.
template <typename Unit> void forEachJet4Unit(const uchar *data, int size, Unit &&unit)
{
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        bool compressed = true;
        for (int i = 2; i < size;) {
            if (data[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                unit(char16_t(data[i]));
                ++i;
            } else if (i + 1 < size) {
                unit(char16_t(data[i] | data[i + 1] << 8));
                i += 2;
            } else {
                break;
            }
        }
        return;
    }
    for (int i = 0; i + 1 < size; i += 2)
        unit(char16_t(data[i] | data[i + 1] << 8));
}

// The text of a Jet 4 text field.
QString decodeJet4Text(const uchar *data, int size);

} // namespace store::detail
