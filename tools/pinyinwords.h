// Readings the Unihan data cannot give: it has one Mandarin reading per character, and for a
// few common characters that reading is not the one most words use (长 zhǎng for 长城, 乐 lè
// for 音乐). Players type the initials they say, so these words carry their own.
#pragma once

#include <QStringView>

namespace tools::pinyin {

struct WordReading
{
    const char16_t *word;
    const char *initials; // one lower-case letter per character of the word
};

// The longest listed word that starts at `position` of `text`, or null.
const WordReading *wordAt(QStringView text, qsizetype position);

// A character whose usual reading starts with another letter than its Unihan reading does.
char usualInitial(char32_t codePoint);

} // namespace tools::pinyin
