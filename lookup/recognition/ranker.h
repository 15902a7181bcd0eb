// Which questions of the store a recognised text shows, best first.
//
// Built once per loaded store from its questions in store order: every question is
// normalised and its character pairs go into an inverted index. A match looks up the pairs
// of the recognised text to pick the few questions that share the most of them, scores
// each exactly by local alignment (see textmatch.h) and ranks them; equal scores keep store
// order. Below the confidence threshold nothing is recognised.
#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace recognition {

struct Candidate
{
    qsizetype row = 0;       // index into the questions the ranker was built from
    double confidence = 0.0; // the share of the question the text explains, 0 to 1
    int score = 0;           // the alignment score ranked by
};

class Ranker
{
public:
    // A question must explain at least this share of itself, and match at least
    // kMinimumCharacters of the text (a shorter question all but kShortSlack of its own), to
    // be shown: a phrase many questions share ("是在哪一年") names none of them.
    static constexpr double kThreshold = 0.4;
    static constexpr int kMinimumCharacters = 6;
    static constexpr int kShortSlack = 2;

    Ranker() = default;
    explicit Ranker(const QStringList &questions);

    qsizetype size() const { return qsizetype(m_offsets.size()) - 1; }

    // Up to `top` questions, best first: higher score, then less of the question left
    // unexplained, then store order. Empty when nothing passes the threshold.
    std::vector<Candidate> match(QStringView recognised, int top = 5) const;

private:
    QStringView question(qsizetype row) const;

    std::u16string m_text;                // every normalised question, one after the other
    std::vector<std::uint32_t> m_offsets; // row i is [m_offsets[i], m_offsets[i + 1])
    // The inverted index: key k = m_keys[x] occurs in rows m_rows[m_starts[x]..m_starts[x+1]).
    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint32_t> m_starts;
    std::vector<std::uint32_t> m_rows;
};

} // namespace recognition
