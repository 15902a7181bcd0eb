// Which questions of the store a recognised text shows, best first.
//
// Built once per loaded store from its questions in store order: every question is
// normalised and its character pairs go into an inverted index. A match looks up the pairs
// of the recognised text to pick the few questions that share the most of them, scores
// each exactly by local alignment (see textmatch.h) and ranks them. A question the text holds
// whole, every character in order with nothing between, ranks above every question that only
// resembles the text: digits and Latin letters count as much as Chinese characters, so that
// "问题099999" is never taken for "问题009999". Below the confidence threshold nothing is
// recognised.
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
    int unexplained = 0;     // characters of the question outside the aligned part
    bool whole = false;      // the text holds the question whole
    int merged = 0;          // doubled characters of the question the text shows once
};

// The best two explain the text nearly equally well: with the characters of each question
// that the alignment leaves out counted as missing, less than one character's worth apart (a
// character read right against one read wrong). Twin questions that differ in one character
// are told apart only when the text shows that character; and a question held whole that
// leads only by being whole is no surer than the other. Then both are shown.
bool nearTwins(const std::vector<Candidate> &ranked);
// `other` explains the text nearly as well as `best`, in the sense of nearTwins.
bool nearTwin(const Candidate &best, const Candidate &other);

class Ranker
{
public:
    // A question must explain at least this share of itself, and match at least
    // kMinimumCharacters of the text (a shorter question kShortShare of its own), to be
    // shown: a phrase many questions share ("是在哪一年") names none of them. A question held
    // whole ranks first only from kShortestWhole characters: a shorter one is a phrase.
    static constexpr double kThreshold = 0.4;
    static constexpr int kMinimumCharacters = 6;
    static constexpr double kShortShare = 0.6;
    static constexpr int kShortestWhole = 4;

    Ranker() = default;
    explicit Ranker(const QStringList &questions);

    qsizetype size() const { return qsizetype(m_offsets.size()) - 1; }

    // Up to `top` questions, best first: held whole before merely resembling, then higher
    // score, then less of the question left unexplained, then more of its missing characters
    // doubled ones (see Alignment::merged), then store order. Empty when
    // nothing passes the threshold.
    std::vector<Candidate> match(QStringView recognised, int top = 5) const;

private:
    QStringView question(qsizetype row) const;

    std::u16string m_text;                // every normalised question, one after the other
    std::vector<std::uint32_t> m_offsets; // row i is [m_offsets[i], m_offsets[i + 1])
    std::vector<std::uint16_t> m_pairs;   // the number of distinct pairs of each row
    // The inverted index: key k = m_keys[x] occurs in rows m_rows[m_starts[x]..m_starts[x+1]).
    std::vector<std::uint32_t> m_keys;
    std::vector<std::uint32_t> m_starts;
    std::vector<std::uint32_t> m_rows;
};

} // namespace recognition
