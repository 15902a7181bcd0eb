#include "lookup/store/searchindex.h"

#include "lookup/store/utf8.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace store::detail {
namespace {

using Byte = std::uint8_t;
constexpr std::size_t kNone = std::size_t(-1);

// Whether the n bytes at s (followed by a zero byte) are exactly the canonical UTF-8 of the
// characters SQLite's reader finds in them.
bool isCanonical(const Byte *s, std::size_t n)
{
    const Byte *p = s;
    const Byte *end = s + n;
    std::string encoded;
    while (p < end) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        const Byte *next = p;
        const LikeChar c = readLikeChar(next);
        encoded.clear();
        appendUtf8(encoded, c);
        if (c > 0x1FFFFF || std::size_t(next - p) != encoded.size() ||
            std::memcmp(p, encoded.data(), encoded.size()) != 0)
            return false;
        p = next;
    }
    return true;
}

// Whether the n bytes are UTF-8 in the strict sense: shortest forms only, no surrogates,
// nothing above U+10FFFF, neither U+FFFE nor U+FFFF, no stray continuation byte. Such text is
// canonical; text that is not may still be, which isCanonical decides.
bool isStrictUtf8(const Byte *s, std::size_t n)
{
    const auto within = [&](std::size_t at, Byte low, Byte high) {
        return at < n && s[at] >= low && s[at] <= high;
    };
    std::size_t i = 0;
    while (i < n) {
        if (i + 8 <= n) { // eight ASCII bytes at a time
            std::uint64_t word;
            std::memcpy(&word, s + i, 8);
            if (!(word & 0x8080808080808080u)) {
                i += 8;
                continue;
            }
        }
        const Byte b = s[i];
        if (b < 0x80) {
            ++i;
        } else if (b >= 0xC2 && b <= 0xDF) {
            if (!within(i + 1, 0x80, 0xBF))
                return false;
            i += 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            if (!within(i + 1, b == 0xE0 ? 0xA0 : 0x80, b == 0xED ? 0x9F : 0xBF) ||
                !within(i + 2, 0x80, 0xBF) || (b == 0xEF && s[i + 1] == 0xBF && s[i + 2] >= 0xBE))
                return false;
            i += 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            if (!within(i + 1, b == 0xF0 ? 0x90 : 0x80, b == 0xF4 ? 0x8F : 0xBF) ||
                !within(i + 2, 0x80, 0xBF) || !within(i + 3, 0x80, 0xBF))
                return false;
            i += 4;
        } else {
            return false;
        }
    }
    return true;
}

// The bytes a folded text holds for the needle's characters; false when a character has no
// canonical bytes that read back as that character.
bool needleBytes(const std::vector<LikeChar> &needle, std::string &out)
{
    for (const LikeChar c : needle) {
        const LikeChar folded = c < 0x80 ? kLikeLower[c] : c;
        if (folded > 0x1FFFFF)
            return false;
        const std::size_t at = out.size();
        appendUtf8(out, folded);
        const Byte *p = reinterpret_cast<const Byte *>(out.c_str()) + at;
        if (readLikeChar(p) != folded || *p != 0)
            return false;
    }
    return true;
}

} // namespace

bool SearchIndex::appendField(const Field &field)
{
    std::size_t n = 0;
    const char *data = nullptr;
    if (field) {
        data = field->data();
        n = std::size_t(field->size());
        // LIKE reads a text up to its first zero byte.
        if (const void *zero = n ? std::memchr(data, 0, n) : nullptr)
            n = std::size_t(static_cast<const char *>(zero) - data);
    }
    std::string &text = m_text.bytes;
    const std::size_t start = text.size();
    if (start + n + 1 > std::numeric_limits<std::uint32_t>::max())
        return false;
    text.resize(start + n + 1);
    char *out = text.data() + start;
    if (n)
        std::memcpy(out, data, n);
    out[n] = 0;
    if (!isStrictUtf8(bytes(start), n) && !isCanonical(bytes(start), n))
        m_flags.back() |= Irregular;
    std::string &ascii = m_ascii.bytes;
    const std::size_t asciiStart = ascii.size();
    ascii.resize(asciiStart + n + 1);
    char *kept = ascii.data() + asciiStart;
    bool inOther = false; // inside a run of non-ASCII bytes
    for (std::size_t i = 0; i < n; ++i) {
        const Byte b = kLikeLower[Byte(out[i])];
        out[i] = char(b);
        if (b < 0x80)
            *kept++ = char(b);
        else if (!inOther)
            *kept++ = char(0x80);
        inOther = b >= 0x80;
    }
    *kept++ = 0;
    ascii.resize(std::size_t(kept - ascii.data()));
    return true;
}

void SearchIndex::reserve(std::size_t rows, std::size_t bytes)
{
    for (Text *text : {&m_text, &m_ascii}) {
        text->bytes.reserve(bytes);
        text->rowEnd.reserve(rows);
    }
    m_questionStart.reserve(rows);
    m_flags.reserve(rows);
}

bool SearchIndex::addRow(Field pinyin, Field question)
{
    m_flags.push_back(std::uint8_t((pinyin ? 0 : PinyinNull) | (question ? 0 : QuestionNull)));
    const bool fits = appendField(pinyin);
    m_questionStart.push_back(std::uint32_t(m_text.bytes.size()));
    if (!fits || !appendField(question))
        return false;
    m_text.rowEnd.push_back(std::uint32_t(m_text.bytes.size()));
    m_ascii.rowEnd.push_back(std::uint32_t(m_ascii.bytes.size()));
    if (m_flags.back() & Irregular)
        m_irregular.push_back(std::uint32_t(m_text.rowEnd.size() - 1));
    return true;
}

bool SearchIndex::matchesByCharacter(const LikePattern &pattern, std::size_t row) const
{
    const std::uint8_t flags = m_flags[row];
    const std::size_t pinyin = m_text.rowStart(row);
    const std::size_t question = m_questionStart[row];
    if (!(flags & PinyinNull) && pattern.matches(bytes(pinyin), question - 1 - pinyin))
        return true;
    return !(flags & QuestionNull) &&
           pattern.matches(bytes(question), m_text.rowEnd[row] - 1 - question);
}

// Rows found one after another are close together, so the search gallops forward before it
// halves.
std::size_t SearchIndex::Text::rowAt(std::size_t offset, std::size_t from) const
{
    const std::size_t n = rowEnd.size();
    if (rowEnd[from] > offset)
        return from;
    std::size_t low = from; // rowEnd[low] <= offset
    std::size_t step = 1;
    while (low + step < n && rowEnd[low + step] <= offset) {
        low += step;
        step *= 2;
    }
    const std::size_t high = std::min(low + step, n - 1); // rowEnd[high] > offset
    return std::size_t(std::upper_bound(rowEnd.begin() + std::ptrdiff_t(low) + 1,
                                        rowEnd.begin() + std::ptrdiff_t(high) + 1,
                                        std::uint32_t(offset)) -
                       rowEnd.begin());
}

// Sixteen positions at a time are tested for the needle's first and last byte, and only those
// that have both are compared.
std::size_t SearchIndex::Text::find(std::size_t from, std::size_t to,
                                    const std::string &needle) const
{
    const std::size_t k = needle.size();
    const char *s = bytes.data();
    if (k == 1) {
        const void *hit = std::memchr(s + from, needle[0], to - from);
        return hit ? std::size_t(static_cast<const char *>(hit) - s) : kNone;
    }
    if (to - from < k)
        return kNone;
    const std::size_t lastStart = to - k; // the last position the needle can start at
    std::size_t i = from;
#if defined(__SSE2__)
    const __m128i first = _mm_set1_epi8(needle.front());
    const __m128i last = _mm_set1_epi8(needle.back());
    // Both loads stay inside the text.
    for (; i <= lastStart && i + k + 15 <= bytes.size(); i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(s + i + k - 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(a, first), _mm_cmpeq_epi8(b, last))));
        if (lastStart - i < 15)
            mask &= (1u << (lastStart - i + 1)) - 1;
        while (mask) {
            const std::size_t p = i + std::size_t(__builtin_ctz(mask));
            if (std::memcmp(s + p + 1, needle.data() + 1, k - 2) == 0)
                return p;
            mask &= mask - 1;
        }
    }
#endif
    for (; i <= lastStart; ++i) {
        if (s[i] == needle.front() && std::memcmp(s + i + 1, needle.data() + 1, k - 1) == 0)
            return i;
    }
    return kNone;
}

// Rows found by bytes, in order, with each irregular row matched by character and put in its
// place among them.
class SearchIndex::Found
{
public:
    Found(const SearchIndex &index, const LikePattern &pattern, std::size_t expected = 0)
        : m_index(index), m_pattern(pattern)
    {
        m_rows.reserve(expected);
    }
    void add(std::size_t row)
    {
        settleIrregularBefore(row);
        m_rows.push_back(std::uint32_t(row));
    }
    Rows finish()
    {
        settleIrregularBefore(m_index.rowCount());
        return std::move(m_rows);
    }

private:
    void settleIrregularBefore(std::size_t row)
    {
        const Rows &irregular = m_index.m_irregular;
        for (; m_irregular < irregular.size() && irregular[m_irregular] < row; ++m_irregular) {
            if (m_index.matchesByCharacter(m_pattern, irregular[m_irregular]))
                m_rows.push_back(irregular[m_irregular]);
        }
    }

    const SearchIndex &m_index;
    const LikePattern &m_pattern;
    Rows m_rows;
    std::size_t m_irregular = 0; // the first irregular row not yet settled
};

// Every row, by the byte search, with the irregular rows matched by character in their place.
SearchIndex::Rows SearchIndex::scan(const Text &text, const std::string &needle,
                                    const LikePattern &pattern) const
{
    Found found(*this, pattern);
    const std::size_t n = text.rowEnd.size();
    std::size_t row = 0;
    std::size_t at = 0;
    while (row < n) {
        const std::size_t hit = text.find(at, text.bytes.size(), needle);
        if (hit == kNone)
            break;
        row = text.rowAt(hit, row);
        if (!(m_flags[row] & Irregular))
            found.add(row);
        at = text.rowEnd[row];
        ++row;
    }
    return found.finish();
}

void SearchIndex::indexPairs()
{
    constexpr std::size_t kPairs = 128 * 128;
    constexpr std::uint32_t kNoRow = std::numeric_limits<std::uint32_t>::max();
    const std::string &b = m_ascii.bytes;
    std::vector<std::uint32_t> lastRow(kPairs, kNoRow);
    // Each pair of ASCII bytes side by side in a row, once per row; a zero byte ends a field
    // and the byte 0x80 stands for other characters, so neither is in a pair.
    const auto forEachPair = [&](auto &&visit) {
        std::size_t i = 0;
        for (std::size_t row = 0; row < m_ascii.rowEnd.size(); ++row) {
            const std::size_t end = m_ascii.rowEnd[row];
            for (; i + 1 < end; ++i) {
                const unsigned x = Byte(b[i]), y = Byte(b[i + 1]);
                if (x - 1 < 127 && y - 1 < 127 && lastRow[x * 128 + y] != row) {
                    lastRow[x * 128 + y] = std::uint32_t(row);
                    visit(x * 128 + y, std::uint32_t(row));
                }
            }
            i = end;
        }
    };
    m_pairStart.assign(kPairs + 1, 0);
    forEachPair([&](unsigned pair, std::uint32_t) { ++m_pairStart[pair + 1]; });
    for (std::size_t p = 0; p < kPairs; ++p)
        m_pairStart[p + 1] += m_pairStart[p];
    m_pairRows.resize(m_pairStart[kPairs]);
    std::vector<std::uint32_t> next(m_pairStart.begin(), m_pairStart.end() - 1);
    std::fill(lastRow.begin(), lastRow.end(), kNoRow);
    forEachPair([&](unsigned pair, std::uint32_t row) { m_pairRows[next[pair]++] = row; });
}

std::span<const std::uint32_t> SearchIndex::rarestPair(const std::string &needle) const
{
    std::size_t best = 0;
    std::uint32_t bestRows = std::numeric_limits<std::uint32_t>::max();
    for (std::size_t i = 0; i + 1 < needle.size(); ++i) {
        const std::size_t pair = Byte(needle[i]) * 128u + Byte(needle[i + 1]);
        const std::uint32_t rows = m_pairStart[pair + 1] - m_pairStart[pair];
        if (rows < bestRows) {
            best = pair;
            bestRows = rows;
        }
    }
    return {m_pairRows.data() + m_pairStart[best], bestRows};
}

SearchIndex::Rows SearchIndex::searchRows(std::span<const std::uint32_t> rows,
                                          const std::string &needle,
                                          const LikePattern &pattern) const
{
    Found found(*this, pattern, rows.size());
    // A needle of two characters is its pair: every listed row holds it.
    const bool check = needle.size() > 2;
    for (const std::uint32_t row : rows) {
        if (!(m_flags[row] & Irregular) &&
            (!check || m_ascii.find(m_ascii.rowStart(row), m_ascii.rowEnd[row], needle) != kNone))
            found.add(row);
    }
    return found.finish();
}

SearchIndex::Rows SearchIndex::search(const LikePattern &pattern, const Rows *candidates) const
{
    std::string needle;
    const bool byBytes =
        pattern.shape() == LikePattern::Shape::Contains && needleBytes(pattern.needle(), needle);
    const bool ascii =
        byBytes && std::all_of(needle.begin(), needle.end(), [](char c) { return Byte(c) < 0x80; });
    const Text &text = ascii ? m_ascii : m_text;
    const std::size_t rows = rowCount();
    if (ascii && needle.size() >= 2 && !m_pairStart.empty()) {
        const std::span<const std::uint32_t> paired = rarestPair(needle);
        if (!candidates || paired.size() <= candidates->size())
            return searchRows(paired, needle, pattern);
    }
    // Searching row by row costs more per byte than the scan: only a small share of the rows
    // is worth it.
    if (byBytes && (!candidates || candidates->size() > rows / 8))
        return scan(text, needle, pattern);

    Rows found;
    const auto test = [&](std::uint32_t row) {
        const bool match = byBytes && !(m_flags[row] & Irregular)
                               ? text.find(text.rowStart(row), text.rowEnd[row], needle) != kNone
                               : matchesByCharacter(pattern, row);
        if (match)
            found.push_back(row);
    };
    if (candidates) {
        for (const std::uint32_t row : *candidates)
            test(row);
    } else {
        for (std::size_t row = 0; row < rows; ++row)
            test(std::uint32_t(row));
    }
    return found;
}

IndexedSearch::IndexedSearch(SearchIndex index, std::shared_ptr<const ResultRows> table,
                             std::vector<QString> names)
    : m_index(std::move(index)), m_table(std::move(table)), m_names(std::move(names))
{
    m_index.indexPairs();
}

std::shared_ptr<const ResultRows> IndexedSearch::run(QByteArrayView text)
{
    // The pattern as LIKE sees it: '%' || T || '%', read up to its first zero byte.
    std::string source;
    source.reserve(std::size_t(text.size()) + 2);
    source += '%';
    source.append(text.data(), std::size_t(text.size()));
    source += '%';
    LikePattern pattern(reinterpret_cast<const Byte *>(source.c_str()));

    // Rows that match a pattern also match every pattern it narrows, so the previous answer
    // holds all of this one's.
    const SearchIndex::Rows *candidates = nullptr;
    if (m_lastPattern && pattern.narrows(*m_lastPattern))
        candidates = &m_lastResult->selected;

    auto result = std::make_shared<ResultRows>();
    result->names = m_names;
    result->columns = int(m_names.size());
    result->base = m_table;
    result->selected = m_index.search(pattern, candidates);
    result->rows = qsizetype(result->selected.size());
    m_lastPattern = std::move(pattern);
    m_lastResult = result;
    return result;
}

} // namespace store::detail
