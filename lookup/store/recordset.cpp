#include "lookup/store/recordset.h"

#include "lookup/store/storesql.h"

namespace store {

RecordSet::RecordSet() = default;

RecordSet::RecordSet(std::shared_ptr<const detail::ResultRows> rows) : m_rows(std::move(rows))
{}

qsizetype RecordSet::recordCount() const
{
    return m_rows ? m_rows->rows : 0;
}

int RecordSet::fieldCount() const
{
    return m_rows ? m_rows->columns : 0;
}

QString RecordSet::fieldName(int index) const
{
    if (!m_rows || index < 0 || index >= m_rows->columns)
        return {};
    return m_rows->names[size_t(index)];
}

Result<QString> RecordSet::field(int index) const
{
    if (!m_rows)
        return StoreError{StoreError::Engine, QStringLiteral("the record set is not open")};
    if (isEof())
        return StoreError{StoreError::Engine, QStringLiteral("the record set has no current row")};
    if (index < 0 || index >= m_rows->columns)
        return StoreError{StoreError::Engine,
                          QStringLiteral("the record set has no field %1").arg(index)};
    return QString::fromUtf8(
        m_rows->cell(size_t(m_position) * size_t(m_rows->columns) + size_t(index)));
}

std::optional<StoreError> RecordSet::moveNext()
{
    if (!m_rows)
        return StoreError{StoreError::Engine, QStringLiteral("the record set is not open")};
    if (isEof())
        return StoreError{StoreError::Engine,
                          QStringLiteral("the record set is already past its last row")};
    ++m_position;
    return std::nullopt;
}

QByteArrayView RecordSet::utf8(qsizetype row, int column) const
{
    if (!m_rows || row < 0 || row >= m_rows->rows || column < 0 || column >= m_rows->columns)
        return {};
    return m_rows->cell(size_t(row) * size_t(m_rows->columns) + size_t(column));
}

QString RecordSet::text(qsizetype row, int column) const
{
    return QString::fromUtf8(utf8(row, column));
}

QStringList RecordSet::texts(ResultColumn column) const
{
    QStringList all;
    all.reserve(recordCount());
    for (qsizetype row = 0; row < recordCount(); ++row)
        all += text(row, column);
    return all;
}

bool RecordSet::isNull(qsizetype row, int column) const
{
    if (!m_rows || row < 0 || row >= m_rows->rows || column < 0 || column >= m_rows->columns)
        return true;
    return m_rows->isNull(size_t(row) * size_t(m_rows->columns) + size_t(column));
}

} // namespace store
