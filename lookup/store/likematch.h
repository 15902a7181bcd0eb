// LIKE's matching, character for character as SQLite's built-in does it: ASCII-only case
// folding; % and _ over characters as SQLite's UTF-8 reader splits them, malformed bytes
// included; an optional escape character. The like() of the store's connection and the search
// index both match with it, so they cannot disagree.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace store::detail {

using LikeChar = std::uint32_t;

// LIKE folds only the ASCII letters.
inline constexpr std::array<std::uint8_t, 256> kLikeLower = [] {
    std::array<std::uint8_t, 256> lower{};
    for (int i = 0; i < 256; ++i)
        lower[size_t(i)] = std::uint8_t(i >= 'A' && i <= 'Z' ? i + ('a' - 'A') : i);
    return lower;
}();

// What a lead byte (0xC0 and up) contributes to its character in SQLite's reader: 0xC0-0xDF
// five bits, 0xE0-0xEF four, 0xF0-0xF7 three, 0xF8-0xFB two, 0xFC-0xFD one, 0xFE-0xFF none.
inline constexpr std::array<std::uint8_t, 64> kLikeLeadBits = [] {
    std::array<std::uint8_t, 64> bits{};
    for (int i = 0; i < 64; ++i) {
        const int b = 0xC0 + i;
        bits[size_t(i)] = std::uint8_t(b < 0xE0   ? b & 0x1F
                                       : b < 0xF0 ? b & 0x0F
                                       : b < 0xF8 ? b & 0x07
                                       : b < 0xFC ? b & 0x03
                                       : b < 0xFE ? b & 0x01
                                                  : 0);
    }
    return bits;
}();

// One character as SQLite's LIKE reads it: a byte below 0xC0 is a character of its own (a stray
// continuation byte thus stands for U+0080..U+00BF); a lead byte takes every continuation byte
// after it, however many, in 32-bit arithmetic; results below 0x80, surrogates and
// U+FFFE/U+FFFF become U+FFFD. The text must end in a zero byte, which reads as 0.
inline LikeChar readLikeChar(const std::uint8_t *&p)
{
    LikeChar c = *p++;
    if (c >= 0xC0) {
        c = kLikeLeadBits[c - 0xC0];
        while ((*p & 0xC0) == 0x80)
            c = (c << 6) + (*p++ & 0x3F);
        if (c < 0x80 || (c & 0xFFFFF800) == 0xD800 || (c & 0xFFFFFFFE) == 0xFFFE)
            c = 0xFFFD;
    }
    return c;
}

// A LIKE pattern, read once.
class LikePattern
{
public:
    enum class Shape {
        Never,    // matches no text (an escape with nothing after it)
        Anything, // a lone %: every text
        Contains, // % literal characters %
        General,
    };

    // `pattern` ends in a zero byte, where the pattern ends as LIKE sees it.
    explicit LikePattern(const std::uint8_t *pattern, bool hasEscape = false, LikeChar escape = 0);

    // `text` ends in a zero byte, `bytes` after its start (a zero byte before that ends the
    // text for LIKE all the same).
    bool matches(const std::uint8_t *text, std::size_t bytes) const;

    Shape shape() const { return m_shape; }
    // For Contains: the literal characters between the two %, as written.
    const std::vector<LikeChar> &needle() const { return m_needle; }

    // Whether every text this pattern matches is matched by `wider` too, judged from the two
    // patterns alone: `wider` is some X followed by %, and this pattern begins with X. (A text
    // that this pattern matches begins with a part matching X, and % takes the rest.)
    bool narrows(const LikePattern &wider) const;

private:
    struct Token
    {
        enum Kind : std::uint8_t { AnyRun, One, Literal };
        Kind kind;
        LikeChar c;
        friend bool operator==(const Token &, const Token &) = default;
    };

    void compile(const std::uint8_t *z, bool hasEscape, LikeChar escape);
    bool contains(const std::uint8_t *text, std::size_t bytes) const;
    bool containsByCharacter(const std::uint8_t *s) const;
    bool matchTokens(const std::uint8_t *s) const;

    Shape m_shape = Shape::General;
    std::vector<Token> m_tokens;
    std::vector<LikeChar> m_needle;
    std::string m_needleBytes; // ASCII letters lower-cased
    bool m_needleAscii = false;
    bool m_byteExact = false;
};

} // namespace store::detail
