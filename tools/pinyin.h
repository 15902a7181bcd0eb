// Pinyin initials of a question, as the store keeps them in its `pinyin` column so that
// players can find a question by typing a few Latin letters.
#pragma once

#include <QString>
#include <QStringView>

namespace tools::pinyin {

// The first letter (a to z) of the character's Mandarin reading from the Unihan data, or
// 0 when Unihan gives it none.
char hanInitial(char32_t codePoint);

// Lower-case initials of `text`: for each character with a Mandarin reading, the first
// letter of that reading; ASCII letters and digits kept, lower-cased, with their
// full-width forms (Ａ, ａ, ０) taken as ASCII; every other character dropped.
QString initials(QStringView text);

} // namespace tools::pinyin
