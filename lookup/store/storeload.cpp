#include "lookup/store/storeload.h"

#include "lookup/store/sqliteimage.h"
#include "lookup/store/store.h"
#include "lookup/store/storecheck.h"
#include "lookup/store/storefile.h"
#include "lookup/store/storelayout.h"
#include "lookup/store/storemdb.h"

namespace store {

namespace detail {
namespace {

// Table cv of a store whose header has been read and whose password was right, row by row.
std::optional<StoreError> readContents(const QByteArray &bytes, jet::Version version,
                                       const QString &path, const RowSink &sink)
{
    auto image = JetImage::open(bytes, version, path);
    if (!image)
        return image.error();

    auto page = findTable(*image, u"cv");
    if (!page)
        return page.error();
    if (!*page)
        return storeError(StoreError::NoTableCv, path,
                          QStringLiteral("the database has no table cv"));

    auto table = readTableDefinition(*image, **page, QStringLiteral("table cv"));
    if (!table)
        return table.error();

    std::array<int, 3> wanted{};
    std::vector<int> memoColumns;
    const char16_t *names[3] = {u"question", u"answer", u"pinyin"};
    for (int i = 0; i < 3; ++i) {
        const QString name = QString::fromUtf16(names[i]);
        wanted[size_t(i)] = table->column(name);
        if (wanted[size_t(i)] < 0)
            return storeError(StoreError::BadTable, path,
                              QStringLiteral("table cv has no column %1").arg(name));
        const int type = table->columns[size_t(wanted[size_t(i)])].type;
        if (type != jet::kTypeText && type != jet::kTypeMemo)
            return storeError(StoreError::BadTable, path,
                              QStringLiteral("column %1 of table cv is not text").arg(name));
        if (type == jet::kTypeMemo)
            memoColumns.push_back(wanted[size_t(i)]);
    }

    std::vector<JetRowRef> rows;
    if (auto error =
            walkRows(*image, *table, memoColumns,
                     [&](const JetRowRef &row, const uchar *, const std::vector<JetField> &) {
                         rows.push_back(row);
                         return true;
                     }))
        return *error;
    return readRowsWithMdb(bytes, *image, *table, wanted, rows, sink);
}

} // namespace

Result<std::vector<CvRow>> readRows(const QByteArray &bytes, jet::Version version,
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

// Laid out as an image straight from libmdb's fields, or, when a record is too large for that,
// filled row by row.
Result<std::unique_ptr<SqlStore>> loadDatabase(const QByteArray &bytes, jet::Version version,
                                               const QString &path)
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
    if (!rows)
        return rows.error();
    return SqlStore::fromRows(*rows, path);
}

} // namespace detail

Result<std::vector<CvRow>> readCvTable(const QString &path, const QString &password)
{
    auto file = detail::openChecked(path, password);
    if (!file)
        return file.error();
    return detail::readRows(file->bytes, file->version, path);
}

Result<RecordSet> queryStore(const QString &path, const QString &password, const QString &statement,
                             const QStringList &parameters)
{
    return StoreReader().query(path, password, statement, parameters);
}

} // namespace store
