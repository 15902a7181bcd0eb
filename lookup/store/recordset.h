// The result of a statement on a store: what the search lists and capture ranks.
#pragma once

#include "lookup/store/storeerror.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace store {

namespace detail {
struct ResultRows;
} // namespace detail

// The columns of the search's rows and of every-row reads (kEveryRowStatement), which the
// result list shows as they come, and capture and crvt-tool read by name: the question, then
// its answer.
enum class ResultColumn { Question = 0, Answer = 1 };
inline constexpr int kResultColumnCount = 2;

// The result of one statement, read out completely when it opens: the row count is exact at
// once, and every row stays readable at random (text is converted on demand, so a list model
// pays only for the rows it shows).
class RecordSet
{
public:
    RecordSet(); // a new, unopened record set
    explicit RecordSet(std::shared_ptr<const detail::ResultRows> rows);

    bool isOpen() const { return bool(m_rows); }
    qsizetype recordCount() const; // 0 while unopened
    int fieldCount() const;
    QString fieldName(int index) const;

    // The cursor: on the first row after opening; past the last row at the end.
    qsizetype position() const { return m_position; }
    bool isEof() const { return m_position >= recordCount(); }
    // Column `index` of the current row as text; a null value reads as empty text.
    Result<QString> field(int index) const;
    Result<QString> field(ResultColumn column) const { return field(int(column)); }
    std::optional<StoreError> moveNext();

    // Random access for views, without moving the cursor; out of range reads as empty.
    QString text(qsizetype row, int column) const;
    QString text(qsizetype row, ResultColumn column) const { return text(row, int(column)); }
    QByteArrayView utf8(qsizetype row, int column) const;
    bool isNull(qsizetype row, int column) const;
    // Column `column` of every row, in order.
    QStringList texts(ResultColumn column) const;

    // Whether both read the same rows of the same statement on the same loaded store.
    bool sharesRowsWith(const RecordSet &other) const { return m_rows && m_rows == other.m_rows; }

private:
    std::shared_ptr<const detail::ResultRows> m_rows;
    qsizetype m_position = 0;
};

} // namespace store
