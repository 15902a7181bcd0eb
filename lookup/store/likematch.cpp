#include "lookup/store/likematch.h"

#include "lookup/store/utf8.h"

#include <bit>
#include <cstring>

namespace store::detail {
namespace {

using Char = LikeChar;
using Byte = std::uint8_t;

constexpr const std::array<Byte, 256> &kLower = kLikeLower;

inline Char readChar(const Byte *&p)
{
    return readLikeChar(p);
}

inline bool sameChar(Char pattern, Char text)
{
    return pattern == text || (pattern < 0x80 && text < 0x80 && kLower[pattern] == kLower[text]);
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

// Bytes s[i, min(i + 8, n)) in the word's low lanes, zero above. A short tail is read as the
// last full word of the text shifted down, which keeps it in a register.
inline std::uint64_t loadAt(const Byte *s, std::size_t i, std::size_t n)
{
    std::uint64_t w = 0;
    if (i >= n)
        return w;
    if (i + 8 <= n) {
        std::memcpy(&w, s + i, 8);
    } else if (n >= 8) {
        std::memcpy(&w, s + n - 8, 8);
        w >>= 8 * (8 - (n - i));
    } else {
        std::memcpy(&w, s + i, n - i);
    }
    return w;
}

// Lanes [0, available) of a word.
inline std::uint64_t laneMask(std::size_t available)
{
    return available >= 8 ? ~std::uint64_t(0) : (std::uint64_t(1) << (8 * available)) - 1;
}

inline bool isContinuation(Byte b)
{
    return (b & 0xC0) == 0x80;
}

enum class Found { No, Yes, Unsure };

// Searches for the needle's bytes while checking, word by word, that the text consists only of
// ASCII bytes other than zero and of three-byte sequences led by 0xE1..0xEF with exactly two
// continuation bytes. In such a text every character is read from its own canonical bytes, so
// for a needle of ASCII and U+1000..U+FFFF characters a byte match at a character start is
// exactly a match of SQLite's character-wise comparison. Chinese text is almost always of this
// kind; anything else (accented letters, 4-byte characters, malformed bytes, a zero byte) gives
// Unsure and is searched character by character instead.
//
// A match may be taken before the rest of the text has been checked: the text up to it is
// plain, so it starts a character, and its last character ends where the needle ends since the
// byte after it is no continuation byte.
Found searchPlainText(const Byte *s, std::size_t n, const Byte *needle, std::size_t k)
{
    const std::uint64_t first = kOnes * needle[0];
    const std::uint64_t second = kOnes * needle[1];
    std::uint64_t carry = 0; // continuation bytes still owed by leads near the previous word's end
    for (std::size_t i = 0; i < n; i += 8) {
        const std::size_t available = n - i;
        const std::uint64_t lanes = laneMask(available);
        const std::uint64_t w = loadAt(s, i, n);
        if (zeroBytes(w) & lanes)
            return Found::Unsure;
        const std::uint64_t high = w & kHigh;
        if (high | carry) {
            const std::uint64_t bit6 = (w << 1) & kHigh;
            const std::uint64_t continuation = high & ~bit6;
            const std::uint64_t t = w ^ 0xE0E0E0E0E0E0E0E0ULL;
            const std::uint64_t leadE1toEF = zeroBytes(t & 0xF0F0F0F0F0F0F0F0ULL) & ~zeroBytes(t);
            if ((high & bit6) & ~leadE1toEF)
                return Found::Unsure;
            if (continuation != ((leadE1toEF << 8) | (leadE1toEF << 16) | carry))
                return Found::Unsure;
            carry = (leadE1toEF >> 56) | (leadE1toEF >> 48);
        }
        // Positions where the needle's first two bytes stand.
        std::uint64_t hits = zeroBytes(w ^ first) & zeroBytes(loadAt(s, i + 1, n) ^ second) & lanes;
        while (hits) {
            const std::size_t p = i + std::size_t(std::countr_zero(hits) >> 3);
            hits &= hits - 1;
            if (n - p >= k && std::memcmp(s + p, needle, k) == 0 && !isContinuation(s[p + k]))
                return Found::Yes;
        }
    }
    return carry ? Found::Unsure : Found::No;
}

// An ASCII character is always one byte of its own and never part of another character, so
// for an ASCII needle a byte search with ASCII folding is exact whatever else the text holds.
// The text ends at its first zero byte, as LIKE sees it.
bool searchAscii(const Byte *s, std::size_t n, const Byte *needle, std::size_t k)
{
    const Byte a = needle[0];
    const Byte b = a >= 'a' && a <= 'z' ? Byte(a - ('a' - 'A')) : a;
    const auto verify = [&](std::size_t p) {
        if (n - p < k)
            return false;
        std::size_t j = 1;
        while (j < k && kLower[s[p + j]] == needle[j])
            ++j;
        return j == k;
    };
    if constexpr (kWordScan) {
        const std::uint64_t ra = kOnes * a;
        const std::uint64_t rb = kOnes * b;
        for (std::size_t i = 0; i < n; i += 8) {
            const std::size_t available = n - i;
            const std::uint64_t lanes = laneMask(available);
            const std::uint64_t w = loadAt(s, i, n);
            std::uint64_t hits = (zeroBytes(w ^ ra) | zeroBytes(w ^ rb)) & lanes;
            const std::uint64_t zero = zeroBytes(w) & lanes;
            if (zero)
                hits &= (zero & (~zero + 1)) - 1; // only before the first zero byte
            while (hits) {
                const std::size_t p = i + std::size_t(std::countr_zero(hits) >> 3);
                hits &= hits - 1;
                if (verify(p))
                    return true;
            }
            if (zero)
                return false;
        }
        return false;
    }
    for (std::size_t i = 0; i < n && s[i]; ++i) {
        if ((s[i] == a || s[i] == b) && verify(i))
            return true;
    }
    return false;
}

} // namespace

LikePattern::LikePattern(const Byte *pattern, bool hasEscape, Char escape)
{
    compile(pattern, hasEscape, escape);
}

bool LikePattern::matches(const Byte *text, std::size_t bytes) const
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

bool LikePattern::narrows(const LikePattern &wider) const
{
    if (m_shape == Shape::Never || wider.m_shape == Shape::Never || wider.m_tokens.empty() ||
        wider.m_tokens.back().kind != Token::AnyRun)
        return false;
    const std::size_t prefix = wider.m_tokens.size() - 1;
    return m_tokens.size() >= prefix &&
           std::equal(wider.m_tokens.begin(), wider.m_tokens.begin() + std::ptrdiff_t(prefix),
                      m_tokens.begin());
}

void LikePattern::compile(const Byte *z, bool hasEscape, Char escape)
{
    // With ESCAPE '%' or ESCAPE '_' that character stops being a wildcard.
    const Char matchAll = hasEscape && escape == '%' ? 0 : '%';
    const Char matchOne = hasEscape && escape == '_' ? 0 : '_';
    Char c;
    while ((c = readChar(z)) != 0) {
        if (matchAll && c == matchAll) {
            if (m_tokens.empty() || m_tokens.back().kind != Token::AnyRun)
                m_tokens.push_back({Token::AnyRun, 0});
        } else if (hasEscape && c == escape) {
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
    if (m_tokens.size() < 3 || m_tokens.front().kind != Token::AnyRun ||
        m_tokens.back().kind != Token::AnyRun)
        return;
    for (std::size_t i = 1; i + 1 < m_tokens.size(); ++i) {
        if (m_tokens[i].kind != Token::Literal)
            return;
    }

    m_shape = Shape::Contains;
    m_needleAscii = true;
    m_byteExact = true;
    for (std::size_t i = 1; i + 1 < m_tokens.size(); ++i) {
        const Char literal = m_tokens[i].c;
        m_needle.push_back(literal);
        if (literal >= 0x80)
            m_needleAscii = false;
        const bool letter = (literal | 0x20) >= 'a' && (literal | 0x20) <= 'z';
        if (letter ||
            (literal >= 0x80 && (literal < 0x1000 || literal > 0xFFFF || literal == 0xFFFD)))
            m_byteExact = false;
        appendUtf8(m_needleBytes, literal < 0x80 ? kLower[literal] : literal);
    }
}

// '%' T '%' with T free of wildcards.
bool LikePattern::contains(const Byte *text, std::size_t bytes) const
{
    const auto *needle = reinterpret_cast<const Byte *>(m_needleBytes.data());
    if (m_needleAscii)
        return searchAscii(text, bytes, needle, m_needleBytes.size());
    if (m_byteExact && kWordScan) {
        const Found found = searchPlainText(text, bytes, needle, m_needleBytes.size());
        if (found != Found::Unsure)
            return found == Found::Yes;
    }
    return containsByCharacter(text);
}

bool LikePattern::containsByCharacter(const Byte *s) const
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
bool LikePattern::matchTokens(const Byte *s) const
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

} // namespace store::detail
