#include "tools/pinyin.h"

#include "tools/pinyintable.h"
#include "tools/pinyinwords.h"

#include <QList>

#include <algorithm>

namespace tools::pinyin {

char hanInitial(char32_t codePoint)
{
    const table::Segment *begin = table::kSegments;
    const table::Segment *end = table::kSegments + table::kSegmentCount;
    // The last segment starting at or before the code point is the only one that may hold it.
    const auto *after = std::upper_bound(
        begin, end, codePoint, [](char32_t cp, const table::Segment &s) { return cp < s.first; });
    if (after == begin)
        return 0;
    const table::Segment &s = *(after - 1);
    if (codePoint - s.first >= s.length)
        return 0;
    const char letter = s.letters[codePoint - s.first];
    return letter == table::kNoReading ? '\0' : letter;
}

QString initials(QStringView text)
{
    QString out;
    out.reserve(text.size());
    qsizetype i = 0;
    while (i < text.size()) {
        if (const WordReading *word = wordAt(text, i)) {
            out += QLatin1StringView(word->initials);
            i += QStringView(word->word).size();
            continue;
        }
        char32_t c = text.at(i).unicode();
        qsizetype width = 1;
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
            width = 2;
        }
        i += width;
        // Chinese input methods type full-width Latin letters and digits.
        if (c >= U'\uFF01' && c <= U'\uFF5E')
            c = c - U'\uFF01' + U'!';
        if ((c >= U'0' && c <= U'9') || (c >= U'a' && c <= U'z')) {
            out += QChar(char16_t(c));
        } else if (c >= U'A' && c <= U'Z') {
            out += QChar(char16_t(c - U'A' + U'a'));
        } else if (const char usual = usualInitial(c)) {
            out += QLatin1Char(usual);
        } else if (const char han = hanInitial(c)) {
            out += QLatin1Char(han);
        }
    }
    return out;
}

} // namespace tools::pinyin
