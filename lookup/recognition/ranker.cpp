#include "lookup/recognition/ranker.h"

#include "lookup/recognition/textmatch.h"

#include <algorithm>
#include <cmath>

namespace recognition {

namespace {

// How many questions the index hands to the exact score: the ones sharing the most pairs,
// and the ones sharing the largest part of their own pairs (a short question among long ones).
constexpr size_t kByShared = 192;
constexpr size_t kByShare = 64;

// A pair of characters; a question of one character is indexed by that character alone.
std::uint32_t key(char16_t a, char16_t b)
{
    return (std::uint32_t(a) << 16) | b;
}

std::vector<std::uint32_t> keysOf(QStringView text)
{
    std::vector<std::uint32_t> keys;
    if (text.size() == 1)
        keys.push_back(key(text[0].unicode(), 0));
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        keys.push_back(key(text[i].unicode(), text[i + 1].unicode()));
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    return keys;
}

} // namespace

bool nearTwin(const Candidate &best, const Candidate &other)
{
    const auto fitted = [](const Candidate &c) { return c.score + kGapScore * c.unexplained; };
    return fitted(other) > fitted(best) - (kMatchScore - kMismatchScore);
}

bool nearTwins(const std::vector<Candidate> &ranked)
{
    return ranked.size() >= 2 && nearTwin(ranked[0], ranked[1]);
}

Ranker::Ranker(const QStringList &questions)
{
    m_offsets.reserve(size_t(questions.size()) + 1);
    m_pairs.reserve(size_t(questions.size()));
    m_offsets.push_back(0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> postings; // key, row
    for (qsizetype row = 0; row < questions.size(); ++row) {
        const QString normalised = normalise(questions[row]);
        m_text.append(reinterpret_cast<const char16_t *>(normalised.utf16()),
                      size_t(normalised.size()));
        m_offsets.push_back(std::uint32_t(m_text.size()));
        const std::vector<std::uint32_t> keys = keysOf(normalised);
        m_pairs.push_back(std::uint16_t(std::min<size_t>(keys.size(), UINT16_MAX)));
        for (const std::uint32_t k : keys)
            postings.emplace_back(k, std::uint32_t(row));
    }
    std::sort(postings.begin(), postings.end());
    m_rows.reserve(postings.size());
    for (const auto &[k, row] : postings) {
        if (m_keys.empty() || m_keys.back() != k) {
            m_keys.push_back(k);
            m_starts.push_back(std::uint32_t(m_rows.size()));
        }
        m_rows.push_back(row);
    }
    m_starts.push_back(std::uint32_t(m_rows.size()));
}

QStringView Ranker::question(qsizetype row) const
{
    const auto begin = m_offsets[size_t(row)], end = m_offsets[size_t(row) + 1];
    return QStringView(m_text.data() + begin, qsizetype(end - begin));
}

std::vector<Candidate> Ranker::match(QStringView recognised, int top) const
{
    const QString text = normalise(withoutCountdown(recognised));
    if (text.isEmpty() || top <= 0 || size() <= 0)
        return {};

    // Pairs shared with each question, counted over the index.
    std::vector<std::uint16_t> shared(size_t(size()), 0);
    std::vector<std::uint32_t> touched;
    for (const std::uint32_t k : keysOf(text)) {
        const auto found = std::lower_bound(m_keys.begin(), m_keys.end(), k);
        if (found == m_keys.end() || *found != k)
            continue;
        const size_t x = size_t(found - m_keys.begin());
        for (std::uint32_t p = m_starts[x]; p < m_starts[x + 1]; ++p) {
            if (shared[m_rows[p]]++ == 0)
                touched.push_back(m_rows[p]);
        }
    }
    // The candidates: most pairs shared, then the largest share of a question's own distinct
    // pairs, so that a question whose every pair the text holds is always among them however
    // many others share as many (questions that differ only in a number share nearly all);
    // store order breaks ties so that the choice is the same on every run.
    std::vector<std::uint32_t> candidates = touched;
    const auto byShared = [&](std::uint32_t a, std::uint32_t b) {
        return shared[a] != shared[b] ? shared[a] > shared[b] : a < b;
    };
    const auto byShare = [&](std::uint32_t a, std::uint32_t b) {
        const auto left = qsizetype(shared[a]) * std::max<qsizetype>(1, m_pairs[b]),
                   right = qsizetype(shared[b]) * std::max<qsizetype>(1, m_pairs[a]);
        if (left != right)
            return left > right;
        return shared[a] != shared[b] ? shared[a] > shared[b] : a < b;
    };
    if (candidates.size() > kByShared + kByShare) {
        std::nth_element(candidates.begin(), candidates.begin() + kByShared, candidates.end(),
                         byShared);
        std::nth_element(candidates.begin() + kByShared, candidates.begin() + kByShared + kByShare,
                         candidates.end(), byShare);
        candidates.resize(kByShared + kByShare);
    }

    std::vector<Candidate> scored;
    scored.reserve(candidates.size());
    for (const std::uint32_t row : candidates) {
        const QStringView q = question(row);
        const Alignment a = align(q, text);
        const bool whole = q.size() >= kShortestWhole && a.matches == q.size() &&
                           a.score == kMatchScore * q.size();
        const int needed =
            std::min(kMinimumCharacters, int(std::ceil(kShortShare * double(q.size()))));
        const double confidence =
            q.isEmpty() ? 0.0 : double(a.score) / double(kMatchScore * q.size());
        if (a.matches < std::max(1, needed) || confidence < kThreshold)
            continue;
        const int unexplained = int(q.size()) - (a.questionEnd - a.questionBegin);
        scored.push_back({qsizetype(row), confidence, a.score, unexplained, whole, a.merged});
    }
    const auto better = [](const Candidate &a, const Candidate &b) {
        if (a.whole != b.whole)
            return a.whole;
        if (a.score != b.score)
            return a.score > b.score;
        if (a.unexplained != b.unexplained)
            return a.unexplained < b.unexplained;
        if (a.merged != b.merged)
            return a.merged > b.merged;
        return a.row < b.row;
    };
    const size_t keep = std::min(scored.size(), size_t(top));
    std::partial_sort(scored.begin(), scored.begin() + qsizetype(keep), scored.end(), better);
    scored.resize(keep);
    return scored;
}

} // namespace recognition
