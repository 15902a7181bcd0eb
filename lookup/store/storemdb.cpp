#include "lookup/store/storemdb.h"

#include "lookup/store/storefile.h"
#include "lookup/store/utf8.h"

#include <mdbtools.h>

#include <cstring>
#include <memory>

using namespace Qt::StringLiterals;

namespace store::detail {
namespace {

struct HandleCloser
{
    void operator()(MdbHandle *mdb) const { mdb_close(mdb); }
};
struct TableFreer
{
    void operator()(MdbTableDef *table) const { mdb_free_tabledef(table); }
};

} // namespace

std::optional<StoreError> readRowsWithMdb(const QByteArray &bytes, const JetImage &image,
                                          const JetTable &table, const std::array<int, 3> &wanted,
                                          const std::vector<JetRowRef> &rows, const RowSink &sink)
{
    const auto failure = [&](const QString &cause) {
        return storeError(StoreError::Engine, image.path(), u"libmdb: "_s + cause);
    };

    // libmdb reads the bytes already in memory through a read-only stream: the file itself is
    // opened by nobody but readStore, and never for writing.
    std::unique_ptr<MdbHandle, HandleCloser> mdb(
        mdb_open_buffer(const_cast<char *>(bytes.constData()), size_t(bytes.size()), MDB_NOFLAGS));
    if (!mdb)
        return failure(QStringLiteral("cannot open the database"));

    // The catalog has been searched already; libmdb's own catalog reading would also parse
    // every object's property blob, which the program has no use for.
    MdbCatalogEntry entry;
    std::memset(&entry, 0, sizeof entry);
    entry.mdb = mdb.get();
    entry.object_type = MDB_TABLE;
    entry.table_pg = table.page;
    std::strncpy(entry.object_name, "cv", sizeof entry.object_name - 1);

    std::unique_ptr<MdbTableDef, TableFreer> mdbTable(mdb_read_table(&entry));
    if (!mdbTable || !mdb_read_columns(mdbTable.get()))
        return failure(QStringLiteral("cannot read the definition of the table"));
    if (mdbTable->num_cols != table.columns.size())
        return failure(QStringLiteral("it sees %1 columns where the check saw %2")
                           .arg(mdbTable->num_cols)
                           .arg(table.columns.size()));

    // Jet 4 text is decoded here from the field's own bytes: libmdb converts as UCS-2 and would
    // turn every character outside the Basic Multilingual Plane into "??". Jet 3 text (in the
    // database's code page) and long values are left to libmdb's conversion.
    std::array<const MdbColumn *, 3> columns{};
    std::array<bool, 3> converted{};
    for (size_t i = 0; i < wanted.size(); ++i) {
        columns[i] =
            static_cast<MdbColumn *>(g_ptr_array_index(mdbTable->columns, guint(wanted[i])));
        const JetColumn &checked = table.columns[size_t(wanted[i])];
        if (columns[i]->col_type != checked.type ||
            g_ascii_strcasecmp(columns[i]->name, checked.name.toUtf8().constData()) != 0)
            return failure(
                QStringLiteral("column %1 differs from what the check read").arg(checked.name));
        converted[i] = image.isJet3() || checked.type == jet::kTypeMemo;
    }

    // The walk chose the rows (libmdb's own choice has the deleted and moved flags the wrong way
    // round); libmdb reads each one's page and takes the row apart.
    std::vector<MdbField> fields(mdbTable->num_cols);
    std::array<FieldBytes, 3> values;
    std::array<std::unique_ptr<char, decltype(&g_free)>, 3> texts{
        {{nullptr, g_free}, {nullptr, g_free}, {nullptr, g_free}}};
    quint32 loaded = 0;
    for (const JetRowRef &ref : rows) {
        if (ref.page != loaded) {
            if (mdb_read_pg(mdb.get(), ref.page) != image.pageSize())
                return failure(QStringLiteral("cannot read page %1").arg(ref.page));
            loaded = ref.page;
        }
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb.get(), ref.row, &start, &size) != 0 ||
            mdb_crack_row(mdbTable.get(), start & 0x1FFF, size, fields.data()) < 0)
            return failure(
                QStringLiteral("cannot take row %1 of page %2 apart").arg(ref.row).arg(ref.page));
        for (size_t i = 0; i < wanted.size(); ++i) {
            const MdbField &field = fields[size_t(wanted[i])];
            if (field.is_null) {
                values[i] = {};
            } else if (converted[i]) {
                texts[i].reset(mdb_col_to_string(mdb.get(), mdb->pg_buf, field.start,
                                                 columns[i]->col_type, field.siz));
                const char *text = texts[i] ? texts[i].get() : "";
                values[i] = {FieldBytes::Utf8, text, int(std::strlen(text))};
            } else {
                values[i] = {FieldBytes::Jet4Text,
                             reinterpret_cast<const char *>(mdb->pg_buf) + field.start, field.siz};
            }
        }
        sink(values);
    }
    return std::nullopt;
}

QString fieldText(const FieldBytes &field)
{
    switch (field.form) {
    case FieldBytes::Null:
        return {};
    case FieldBytes::Utf8:
        return QString::fromUtf8(field.data, field.size);
    case FieldBytes::Jet4Text:
        break;
    }
    return decodeJet4Text(reinterpret_cast<const uchar *>(field.data), field.size);
}

void appendFieldUtf8(std::string &out, const FieldBytes &field)
{
    if (field.form == FieldBytes::Utf8) {
        out.append(field.data, size_t(field.size));
        return;
    }
    if (field.form != FieldBytes::Jet4Text)
        return;
    const auto put = [&out](char32_t c) { appendUtf8(out, c); };
    char16_t high = 0; // a high surrogate waiting for its partner
    forEachJet4Unit(reinterpret_cast<const uchar *>(field.data), field.size, [&](char16_t u) {
        if (high) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                put(0x10000 + (char32_t(high - 0xD800) << 10) + (u - 0xDC00));
                high = 0;
                return;
            }
            put(0xFFFD);
            high = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF)
            high = u;
        else
            put(u >= 0xDC00 && u <= 0xDFFF ? char32_t(0xFFFD) : char32_t(u));
    });
    if (high)
        put(0xFFFD);
}

} // namespace store::detail
