#include "lookup/storemdb.h"

#include "lookup/storefile.h"

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

std::variant<std::vector<CvRow>, StoreError> readRowsWithMdb(
    const QByteArray &bytes, const JetImage &image, const JetTable &table,
    const std::array<int, 3> &wanted, const std::vector<JetRowRef> &expected)
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
        return failure(QStringLiteral("cannot read the definition of table cv"));
    if (mdbTable->num_cols != table.columns.size())
        return failure(QStringLiteral("it sees %1 columns where the check saw %2")
                           .arg(mdbTable->num_cols)
                           .arg(table.columns.size()));

    // Jet 4 text is decoded here from the field's own bytes: libmdb converts as UCS-2 and would
    // turn every character outside the Basic Multilingual Plane into "??". Jet 3 text (in the
    // database's code page) and long values are left to libmdb's conversion.
    std::array<std::vector<char>, 3> buffers;
    std::array<int, 3> lengths{};
    std::array<bool, 3> converted{};
    for (size_t i = 0; i < wanted.size(); ++i) {
        const auto *column =
            static_cast<MdbColumn *>(g_ptr_array_index(mdbTable->columns, guint(wanted[i])));
        const JetColumn &checked = table.columns[size_t(wanted[i])];
        if (column->col_type != checked.type
            || g_ascii_strcasecmp(column->name, checked.name.toUtf8().constData()) != 0)
            return failure(QStringLiteral("column %1 differs from what the check read")
                               .arg(checked.name));
        converted[i] = image.isJet3() || checked.type == kJetMemo;
        if (converted[i]) {
            buffers[i].assign(mdb->bind_size + 1, '\0');
            mdb_bind_column(mdbTable.get(), wanted[i] + 1, buffers[i].data(), &lengths[i]);
        }
    }

    std::vector<CvRow> rows;
    rows.reserve(expected.size());
    std::vector<MdbField> fields(mdbTable->num_cols);
    mdb_rewind_table(mdbTable.get());
    while (mdb_fetch_row(mdbTable.get())) {
        const size_t k = rows.size();
        const int row = int(mdbTable->cur_row) - 1;
        if (k >= expected.size() || expected[k] != JetRowRef{mdbTable->cur_phys_pg, row})
            return failure(QStringLiteral("it returned row %1 of page %2 where the check expected "
                                          "another")
                               .arg(row)
                               .arg(mdbTable->cur_phys_pg));
        // The null flags come from taking the row apart again: libmdb's bound values read the
        // same for a null field and an empty text.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb.get(), row, &start, &size) != 0
            || mdb_crack_row(mdbTable.get(), start & 0x1FFF, size, fields.data()) < 0)
            return failure(QStringLiteral("cannot take row %1 of page %2 apart")
                               .arg(row)
                               .arg(mdbTable->cur_phys_pg));
        std::array<std::optional<QString>, 3> values;
        for (size_t i = 0; i < wanted.size(); ++i) {
            const MdbField &field = fields[size_t(wanted[i])];
            if (field.is_null)
                continue;
            if (converted[i])
                values[i] = QString::fromUtf8(buffers[i].data(), lengths[i]);
            else
                values[i] = decodeJet4Text(mdb->pg_buf + field.start, field.siz);
        }
        rows.push_back(CvRow{std::move(values[0]), std::move(values[1]), std::move(values[2])});
    }
    if (rows.size() != expected.size())
        return failure(QStringLiteral("it returned %1 rows where the check counted %2")
                           .arg(rows.size())
                           .arg(expected.size()));
    return rows;
}

} // namespace store::detail
