#include "lookup/sqlitelike.h"

#include <sqlite3.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace store {
namespace {

using Char = std::uint32_t;
using Byte = std::uint8_t;

// What a lead byte (0xC0 and up) contributes to its character in SQLite's reader: 0xC0-0xDF
// five bits, 0xE0-0xEF four, 0xF0-0xF7 three, 0xF8-0xFB two, 0xFC-0xFD one, 0xFE-0xFF none.
constexpr std::array<Byte, 64> kLeadBits = [] {
    std::array<Byte, 64> bits{};
    for (int i = 0; i < 64; ++i) {
        const int b = 0xC0 + i;
        bits[i] = Byte(b < 0xE0 ? b & 0x1F
                       : b < 0xF0 ? b & 0x0F
                       : b < 0xF8 ? b & 0x07
                       : b < 0xFC ? b & 0x03
                       : b < 0xFE ? b & 0x01
                                  : 0);
    }
    return bits;
}();

// LIKE folds only the ASCII letters.
constexpr std::array<Byte, 256> kLower = [] {
    std::array<Byte, 256> lower{};
    for (int i = 0; i < 256; ++i)
        lower[i] = Byte(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
    return lower;
}();

// One character as SQLite's LIKE reads it: a byte below 0xC0 is a character of its own (a stray
// continuation byte thus stands for U+0080..U+00BF); a lead byte takes every continuation byte
// after it, however many, in 32-bit arithmetic; results below 0x80, surrogates and
// U+FFFE/U+FFFF become U+FFFD. The text must end in a zero byte, which reads as 0.
inline Char readChar(const Byte *&p)
{
    Char c = *p++;
    if (c >= 0xC0) {
        c = kLeadBits[c - 0xC0];
        while ((*p & 0xC0) == 0x80)
            c = (c << 6) + (*p++ & 0x3F);
        if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
            c = 0xFFFD;
    }
    return c;
}

// The number of characters SQLite counts when it checks that an ESCAPE text is one character.
int escapeLength(const Byte *z)
{
    int count = 0;
    while (*z) {
        if (*z++ >= 0xC0) {
            while ((*z & 0xC0) == 0x80)
                ++z;
        }
        ++count;
    }
    return count;
}

inline bool sameChar(Char pattern, Char text)
{
    return pattern == text || (pattern < 0x80 && text < 0x80 && kLower[pattern] == kLower[text]);
}

void appendUtf8(std::string &out, Char c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// Eight bytes at a time. The word helpers assume little-endian loads; elsewhere the byte-wise
// paths below are used instead.
constexpr bool kWordScan = std::endian::native == std::endian::little;
constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

// Bit 7 set in exactly the zero bytes of v (no false hits: nothing carries between bytes).
inline std::uint64_t zeroBytes(std::uint64_t v)
{
    return ~(((v & kLow7) + kLow7) | v | kLow7);
}

inline std::uint64_t load(const Byte *p, std::size_t available)
{
    std::uint64_t w = 0;
    std::memcpy(&w, p, available < 8 ? available : 8);
    return w;
}

// True when the text consists only of ASCII bytes and of three-byte sequences led by 0xE1..0xEF
// with exactly two continuation bytes. In such a text every character is read from its own
// canonical bytes, so a byte search for a needle of ASCII and U+1000..U+FFFF characters finds
// exactly what SQLite's character-wise comparison finds. Chinese text is almost always of this
// kind; anything else (Latin letters with accents, 4-byte characters, malformed bytes) goes the
// character-wise way.
bool plainThreeByteText(const Byte *s, std::size_t n)
{
    std::uint64_t carry = 0; // continuation bytes still owed by leads near the previous word's end
    for (std::size_t i = 0; i < n; i += 8) {
        const std::uint64_t w = load(s + i, n - i);
        const std::uint64_t high = w & kHigh;
        if (high == 0 && carry == 0)
            continue;
        const std::uint64_t bit6 = (w << 1) & kHigh;
        const std::uint64_t continuation = high & ~bit6;
        const std::uint64_t lead = high & bit6;
        const std::uint64_t t = w ^ 0xE0E0E0E0E0E0E0E0ULL;
        const std::uint64_t leadE1toEF = zeroBytes(t & 0xF0F0F0F0F0F0F0F0ULL) & ~zeroBytes(t);
        if (lead & ~leadE1toEF)
            return false;
        if (continuation != ((leadE1toEF << 8) | (leadE1toEF << 16) | carry))
            return false;
        carry = (leadE1toEF >> 56) | (leadE1toEF >> 48);
    }
    return carry == 0;
}

// Position of the first byte equal to a or b in s[from, n), or n.
std::size_t findEither(const Byte *s, std::size_t from, std::size_t n, Byte a, Byte b)
{
    std::size_t i = from;
    if constexpr (kWordScan) {
        const std::uint64_t ra = kOnes * a;
        const std::uint64_t rb = kOnes * b;
        for (; i + 8 <= n; i += 8) {
            const std::uint64_t w = load(s + i, 8);
            const std::uint64_t hits = zeroBytes(w ^ ra) | zeroBytes(w ^ rb);
            if (hits)
                return i + std::size_t(std::countr_zero(hits) >> 3);
        }
    }
    for (; i < n; ++i) {
        if (s[i] == a || s[i] == b)
            return i;
    }
    return n;
}

struct Token
{
    enum Kind : Byte { AnyRun, One, Literal };
    Kind kind;
    Char c;
};

// A pattern read once per statement run and kept with SQLite's per-argument auxiliary data.
class Pattern
{
public:
    Pattern(const Byte *z, int bytes, bool hasEscape, Char escape)
        : m_source(reinterpret_cast<const char *>(z), std::size_t(bytes)), m_hasEscape(hasEscape),
          m_escape(escape)
    {
        compile(z);
    }

    bool isFor(const Byte *z, int bytes, bool hasEscape, Char escape) const
    {
        return hasEscape == m_hasEscape && escape == m_escape && std::size_t(bytes) == m_source.size()
               && std::memcmp(z, m_source.data(), m_source.size()) == 0;
    }

    bool matches(const Byte *text, int bytes) const
    {
        switch (m_shape) {
        case Shape::Never:
            return false;
        case Shape::Anything:
            return true;
        case Shape::Contains:
            return contains(text, bytes);
        case Shape::General:
            break;
        }
        return matchTokens(text);
    }

private:
    enum class Shape { Never, Anything, Contains, General };

    void compile(const Byte *z)
    {
        // With ESCAPE '%' or ESCAPE '_' that character stops being a wildcard.
        const Char matchAll = m_hasEscape && m_escape == '%' ? 0 : '%';
        const Char matchOne = m_hasEscape && m_escape == '_' ? 0 : '_';
        Char c;
        while ((c = readChar(z)) != 0) {
            if (matchAll && c == matchAll) {
                if (m_tokens.empty() || m_tokens.back().kind != Token::AnyRun)
                    m_tokens.push_back({Token::AnyRun, 0});
            } else if (m_hasEscape && c == m_escape) {
                const Char escaped = readChar(z);
                if (escaped == 0) {
                    // An escape with nothing after it matches no text at all.
                    m_shape = Shape::Never;
                    return;
                }
                m_tokens.push_back({Token::Literal, escaped});
            } else if (matchOne && c == matchOne) {
                m_tokens.push_back({Token::One, 0});
            } else {
                m_tokens.push_back({Token::Literal, c});
            }
        }

        if (m_tokens.size() == 1 && m_tokens.front().kind == Token::AnyRun) {
            m_shape = Shape::Anything;
            return;
        }
        if (m_tokens.size() < 3 || m_tokens.front().kind != Token::AnyRun
            || m_tokens.back().kind != Token::AnyRun)
            return;
        for (std::size_t i = 1; i + 1 < m_tokens.size(); ++i) {
            if (m_tokens[i].kind != Token::Literal)
                return;
        }

        m_shape = Shape::Contains;
        m_needleAscii = true;
        m_byteExact = true;
        for (std::size_t i = 1; i + 1 < m_tokens.size(); ++i) {
            const Char c = m_tokens[i].c;
            m_needle.push_back(c);
            if (c >= 0x80)
                m_needleAscii = false;
            const bool letter = (c | 0x20) >= 'a' && (c | 0x20) <= 'z';
            if (letter || (c >= 0x80 && (c < 0x1000 || c > 0xFFFF || c == 0xFFFD)))
                m_byteExact = false;
            appendUtf8(m_needleBytes, c < 0x80 ? kLower[c] : c);
        }
    }

    // '%' T '%' with T free of wildcards.
    bool contains(const Byte *text, int bytes) const
    {
        // LIKE stops at the first zero byte even where the value goes on.
        std::size_t n = std::size_t(bytes);
        if (const void *zero = std::memchr(text, 0, n))
            n = std::size_t(static_cast<const Byte *>(zero) - text);

        if (m_needleAscii)
            return containsAscii(text, n);
        if (m_byteExact && kWordScan && plainThreeByteText(text, n))
            return memmem(text, n, m_needleBytes.data(), m_needleBytes.size()) != nullptr;
        return containsByCharacter(text);
    }

    // An ASCII character is always one byte of its own and never part of another character, so
    // for an ASCII needle a byte search with ASCII folding is exact whatever else the text holds.
    bool containsAscii(const Byte *s, std::size_t n) const
    {
        const auto *needle = reinterpret_cast<const Byte *>(m_needleBytes.data());
        const std::size_t k = m_needleBytes.size();
        const Byte first = needle[0];
        const Byte other = first >= 'a' && first <= 'z' ? Byte(first - ('a' - 'A')) : first;
        for (std::size_t i = 0; (i = findEither(s, i, n, first, other)) < n; ++i) {
            if (n - i < k)
                return false;
            std::size_t j = 1;
            while (j < k && kLower[s[i + j]] == needle[j])
                ++j;
            if (j == k)
                return true;
        }
        return false;
    }

    bool containsByCharacter(const Byte *s) const
    {
        const std::size_t k = m_needle.size();
        while (*s) {
            const Byte *next = s;
            if (sameChar(m_needle[0], readChar(next))) {
                const Byte *r = next;
                std::size_t j = 1;
                for (; j < k; ++j) {
                    if (*r == 0)
                        return false; // no later start has room either
                    if (!sameChar(m_needle[j], readChar(r)))
                        break;
                }
                if (j == k)
                    return true;
            }
            s = next;
        }
        return false;
    }

    // The general case: wildcard matching with backtracking to the latest '%', which is enough
    // for patterns made of '%', '_' and literal characters.
    bool matchTokens(const Byte *s) const
    {
        constexpr std::size_t none = std::size_t(-1);
        const std::size_t count = m_tokens.size();
        std::size_t t = 0;
        std::size_t starToken = none;
        const Byte *starText = nullptr;
        for (;;) {
            if (t < count && m_tokens[t].kind == Token::AnyRun) {
                starToken = t++;
                starText = s;
                continue;
            }
            if (*s == 0) {
                while (t < count && m_tokens[t].kind == Token::AnyRun)
                    ++t;
                return t == count;
            }
            if (t < count) {
                const Byte *next = s;
                const Char c = readChar(next);
                if (m_tokens[t].kind == Token::One || sameChar(m_tokens[t].c, c)) {
                    s = next;
                    ++t;
                    continue;
                }
            }
            if (starToken == none)
                return false;
            // Let the latest '%' take one more character and try again after it.
            readChar(starText);
            s = starText;
            t = starToken + 1;
        }
    }

    std::string m_source;
    bool m_hasEscape;
    Char m_escape;
    Shape m_shape = Shape::General;
    std::vector<Token> m_tokens;
    std::vector<Char> m_needle;
    std::string m_needleBytes; // ASCII letters lower-cased
    bool m_needleAscii = false;
    bool m_byteExact = false;
};

struct LikeOptions
{
    // Debian's SQLite (and others) is built so that LIKE never matches a blob.
    bool blobsNeverMatch;
};

void deletePattern(void *p)
{
    delete static_cast<Pattern *>(p);
}

// Mirrors the order of the built-in's checks, since that order decides which error a bad call
// reports: blobs, the pattern length limit, the escape text, then null arguments.
void likeFunction(sqlite3_context *context, int argc, sqlite3_value **argv)
{
    const auto *options = static_cast<const LikeOptions *>(sqlite3_user_data(context));
    if (options->blobsNeverMatch
        && (sqlite3_value_type(argv[0]) == SQLITE_BLOB || sqlite3_value_type(argv[1]) == SQLITE_BLOB)) {
        sqlite3_result_int(context, 0);
        return;
    }
    const int patternBytes = sqlite3_value_bytes(argv[0]);
    if (patternBytes > sqlite3_limit(sqlite3_context_db_handle(context),
                                     SQLITE_LIMIT_LIKE_PATTERN_LENGTH, -1)) {
        sqlite3_result_error(context, "LIKE or GLOB pattern too complex", -1);
        return;
    }
    bool hasEscape = false;
    Char escape = 0;
    if (argc == 3) {
        const Byte *e = sqlite3_value_text(argv[2]);
        if (!e)
            return;
        if (escapeLength(e) != 1) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
        escape = readChar(e);
        hasEscape = true;
    }
    const Byte *pattern = sqlite3_value_text(argv[0]);
    const Byte *text = sqlite3_value_text(argv[1]);
    if (!pattern || !text)
        return;
    // value_text may have converted the value, so its length is taken again.
    const int sourceBytes = sqlite3_value_bytes(argv[0]);

    auto *compiled = static_cast<const Pattern *>(sqlite3_get_auxdata(context, 0));
    if (!compiled || !compiled->isFor(pattern, sourceBytes, hasEscape, escape)) {
        sqlite3_set_auxdata(context, 0, new Pattern(pattern, sourceBytes, hasEscape, escape),
                            deletePattern);
        // SQLite may drop auxiliary data at once (out of memory); ask for it back.
        compiled = static_cast<const Pattern *>(sqlite3_get_auxdata(context, 0));
        if (!compiled) {
            const Pattern once(pattern, sourceBytes, hasEscape, escape);
            sqlite3_result_int(context, once.matches(text, sqlite3_value_bytes(argv[1])));
            return;
        }
    }
    sqlite3_result_int(context, compiled->matches(text, sqlite3_value_bytes(argv[1])));
}

} // namespace

int registerLike(sqlite3 *db)
{
    static const LikeOptions options{sqlite3_compileoption_used("LIKE_DOESNT_MATCH_BLOBS") != 0};
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    auto *data = const_cast<LikeOptions *>(&options);
    int rc = sqlite3_create_function_v2(db, "like", 2, flags, data, likeFunction, nullptr, nullptr,
                                        nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_create_function_v2(db, "like", 3, flags, data, likeFunction, nullptr, nullptr,
                                        nullptr);
    return rc;
}

} // namespace store
