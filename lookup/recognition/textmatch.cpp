#include "lookup/recognition/textmatch.h"

#include <QRegularExpression>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace recognition {

namespace {

char16_t folded(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E) // full-width ASCII forms
        c = char16_t(c - 0xFEE0);
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c;
    return QChar(c).toCaseFolded().unicode();
}

} // namespace

QString normalise(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        // A character outside the Basic Multilingual Plane cannot be in the store (Jet 4 text
        // is UCS-2), so its surrogates are dropped along with punctuation.
        const char16_t c = folded(ch.unicode());
        if (QChar(c).isLetterOrNumber())
            out += QChar(c);
    }
    return out;
}

QString withoutCountdown(QStringView text)
{
    // Named: the words and the seconds after them. At a line's end: a number with s or 秒, or a
    // clock's minutes and seconds. A number too long for seconds alone is a countdown glued to
    // a question's number ("199430s"): only its last two digits go, as the greedy three would
    // take the year's last digit, the very one that tells its twin questions apart.
    // Spaces only: a line break is where the countdown ends.
    static const QRegularExpression named(
        u"(?:倒计时|剩余时间|剩余(?=[ \\t\\x{3000}]*[0-9０-９]))[ \\t\\x{3000}]*[:：]?[ "
        u"\\t\\x{3000}]*"
        u"[0-9０-９]{0,3}[ \\t\\x{3000}]*(?:秒|[sS](?![A-Za-z]))?"_s);
    static const QRegularExpression atEnd(
        u"[ \\t\\x{3000}]*(?:(?:(?<![0-9０-９])[0-9０-９]{1,3}|(?<=[0-9０-９]{2})[0-9０-９]{2})[ "
        u"\\t\\x{3000}]*(?:秒|[sS])|[0-9]{1,2}[ "
        u"\\t\\x{3000}]*[:：]"
        u"[ \\t\\x{3000}]*[0-9]{2})[ \\t\\x{3000}]*$"_s,
        QRegularExpression::MultilineOption);
    QString out = text.toString();
    out.remove(named);
    out.remove(atEnd);
    return out;
}

Alignment align(QStringView question, QStringView text)
{
    // Smith-Waterman, one row at a time; `from` carries the index of the question character
    // the alignment ending in each cell begins with.
    const qsizetype n = text.size();
    thread_local std::vector<int> previous, current, previousFrom, currentFrom, previousMatches,
        currentMatches, previousMerged, currentMerged;
    for (auto *row : {&previous, &current, &previousFrom, &currentFrom, &previousMatches,
                      &currentMatches, &previousMerged, &currentMerged})
        row->assign(size_t(n + 1), 0);

    Alignment best;
    for (qsizetype i = 1; i <= question.size(); ++i) {
        const QChar q = question[i - 1];
        // Either of a doubled pair may be the one the alignment leaves out.
        const bool doubled =
            (i >= 2 && question[i - 2] == q) || (i < question.size() && question[i] == q);
        current[0] = 0;
        currentFrom[0] = int(i);
        currentMatches[0] = 0;
        currentMerged[0] = 0;
        for (qsizetype j = 1; j <= n; ++j) {
            const bool same = q == text[j - 1];
            int score = previous[size_t(j - 1)] + (same ? kMatchScore : kMismatchScore);
            int from = previousFrom[size_t(j - 1)];
            int matches = previousMatches[size_t(j - 1)] + same;
            int merged = previousMerged[size_t(j - 1)];
            if (previous[size_t(j)] + kGapScore > score) { // a question character the text lacks
                score = previous[size_t(j)] + kGapScore;
                from = previousFrom[size_t(j)];
                matches = previousMatches[size_t(j)];
                merged = previousMerged[size_t(j)] + doubled;
            }
            if (current[size_t(j - 1)] + kGapScore > score) { // a text character the question lacks
                score = current[size_t(j - 1)] + kGapScore;
                from = currentFrom[size_t(j - 1)];
                matches = currentMatches[size_t(j - 1)];
                merged = currentMerged[size_t(j - 1)];
            }
            if (score <= 0) {
                score = 0;
                from = int(i);
                matches = 0;
                merged = 0;
            }
            current[size_t(j)] = score;
            currentFrom[size_t(j)] = from;
            currentMatches[size_t(j)] = matches;
            currentMerged[size_t(j)] = merged;
            if (score > best.score) {
                best = {score, matches, from, int(i), merged};
            }
        }
        std::swap(previous, current);
        std::swap(previousFrom, currentFrom);
        std::swap(previousMatches, currentMatches);
        std::swap(previousMerged, currentMerged);
    }
    return best;
}

} // namespace recognition
