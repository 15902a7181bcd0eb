// The lookup's search without SQLite's per-row stepping.
//
// The search statement asks, for every row of table cv in store order, whether pinyin or
// question is LIKE '%' || T || '%'. A SearchIndex holds a copy of just those two columns, made
// once per loaded store: all of them in one buffer, row after row (pinyin, a zero byte,
// question, a zero byte), each cut at its first zero byte (where LIKE stops reading) and with
// its ASCII letters lower-cased (the only folding LIKE does). A query without wildcards is then
// a byte search over the whole buffer, jumping to the next row at each hit; any other pattern
// is matched field by field with LIKE's own matcher (likematch.h).
//
// A needle of ASCII characters is searched in a second, smaller copy, in which every run of
// non-ASCII bytes stands as the one byte 0x80: ASCII bytes are whole characters, so such a
// needle matches there exactly where it matches the full text, and a question of Chinese
// characters shrinks to little more than its ASCII letters and digits. In that copy, the rows
// of every pair of ASCII characters are listed too, so that typing pinyin initials on (the
// common case) searches only the rows that hold the needle's rarest pair.
//
// The byte search is exact where a field's bytes are its characters' canonical UTF-8, as
// SQLite's reader splits them: there a byte match of the needle's canonical bytes begins and
// ends on character boundaries and compares the same characters. A field that is not so
// (malformed or overlong bytes; text from a store never has them) marks its row irregular, and
// irregular rows are always matched character by character.
#pragma once

#include "lookup/store/likematch.h"
#include "lookup/store/storesql.h"

#include <QByteArrayView>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace store::detail {

class SearchIndex
{
public:
    using Rows = std::vector<std::uint32_t>; // row numbers, ascending

    // One searched field as the database holds it: UTF-8 bytes, or null.
    using Field = std::optional<QByteArrayView>;

    // Appends the next row. False when the index would outgrow its 32-bit offsets; it is then
    // unusable.
    bool addRow(Field pinyin, Field question);
    // Room for `rows` rows of at most `bytes` bytes of text in all.
    void reserve(std::size_t rows, std::size_t bytes);
    std::size_t rowCount() const { return m_text.rowEnd.size(); }
    // Lists, for every pair of ASCII characters, the rows that hold it side by side; once all
    // rows are in.
    void indexPairs();

    // The rows where pinyin or question is LIKE `pattern`, in order; with `candidates`, only
    // those of them (which must include every row that matches).
    Rows search(const LikePattern &pattern, const Rows *candidates = nullptr) const;

private:
    enum Flag : std::uint8_t {
        PinyinNull = 1,
        QuestionNull = 2,
        Irregular = 4,
    };

    // One copy of the searched fields, row after row, each field followed by a zero byte.
    struct Text
    {
        std::string bytes;
        std::vector<std::uint32_t> rowEnd; // where the next row begins

        std::size_t rowStart(std::size_t row) const { return row ? rowEnd[row - 1] : 0; }
        // The first row from `from` on that holds `offset`.
        std::size_t rowAt(std::size_t offset, std::size_t from) const;
        // Where `needle` first stands wholly inside [from, to), or -1.
        std::size_t find(std::size_t from, std::size_t to, const std::string &needle) const;
    };

    class Found;

    const std::uint8_t *bytes(std::size_t offset) const
    {
        return reinterpret_cast<const std::uint8_t *>(m_text.bytes.data()) + offset;
    }
    bool appendField(const Field &field);
    bool matchesByCharacter(const LikePattern &pattern, std::size_t row) const;
    Rows scan(const Text &text, const std::string &needle, const LikePattern &pattern) const;
    // The rows that hold the pair of the ASCII needle that fewest rows hold.
    std::span<const std::uint32_t> rarestPair(const std::string &needle) const;
    // Those of `rows` that hold the ASCII needle, with the irregular rows matched by character
    // in their place.
    Rows searchRows(std::span<const std::uint32_t> rows, const std::string &needle,
                    const LikePattern &pattern) const;

    Text m_text;  // the fields as LIKE reads them, ASCII letters lower-cased
    Text m_ascii; // the same with each run of non-ASCII bytes as one 0x80 byte
    std::vector<std::uint32_t> m_questionStart;
    // The rows of the pair of ASCII bytes a, b are m_pairRows[m_pairStart[p]..m_pairStart[p + 1])
    // with p = a * 128 + b: a needle of two ASCII characters is answered without a search, a
    // longer one by searching only the rows of its rarest pair.
    std::vector<std::uint32_t> m_pairStart;
    std::vector<std::uint32_t> m_pairRows;
    std::vector<std::uint8_t> m_flags;
    Rows m_irregular;
};

// The search statement's answers for one loaded store: the index, the question and answer of
// every row (which a result only points into), and the previous answer, from which a query
// that extends the previous one is narrowed instead of searching every row again.
class IndexedSearch
{
public:
    // `table` holds every row of cv in store order, its columns the statement's two;
    // `names` are the statement's column names.
    IndexedSearch(SearchIndex index, std::shared_ptr<const ResultRows> table,
                  std::vector<QString> names);

    std::size_t rowCount() const { return m_index.rowCount(); }
    // The statement's rows for the text T bound to it, as UTF-8.
    std::shared_ptr<const ResultRows> run(QByteArrayView text);

private:
    SearchIndex m_index;
    std::shared_ptr<const ResultRows> m_table;
    std::vector<QString> m_names;
    std::optional<LikePattern> m_lastPattern;
    std::shared_ptr<const ResultRows> m_lastResult;
};

} // namespace store::detail
