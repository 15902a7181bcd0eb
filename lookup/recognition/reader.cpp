#include "lookup/recognition/reader.h"

#include "lookup/recognition/options.h"
#include "lookup/recognition/picture.h"

#include <algorithm>

namespace recognition {

namespace {

// Below this the best question of a reading is doubtful enough to try another: a capture
// whose ground the preparation misjudged (heavy texture) reads as little or nothing.
constexpr double kSureConfidence = 0.6;

// How many candidates near twins are looked for among, and how much better than every other
// twin's answer the options must show one's for the options to settle them.
constexpr int kTwinsWeighed = 16;
constexpr double kSettleMargin = 0.25;

bool sure(const Reading &reading)
{
    return !reading.candidates.empty() && reading.candidates.front().confidence >= kSureConfidence;
}

int bestScore(const Reading &reading)
{
    return reading.candidates.empty() ? -1 : reading.candidates.front().score;
}

Result<Reading> pass(Engine &engine, Engine::Pass which, const Ranker &ranker,
                     const QImage &capture, int top, const AnswerOf &answerOf)
{
    const auto text = engine.recognise(capture, which);
    if (!text)
        return text.error();
    Reading reading{*text, ranker.match(*text, answerOf ? std::max(top, kTwinsWeighed) : top)};
    reading.twins = nearTwins(reading.candidates);
    if (answerOf)
        settleTwins(reading, answerOf);
    if (reading.candidates.size() > size_t(std::max(top, 0)))
        reading.candidates.resize(size_t(std::max(top, 0)));
    return reading;
}

} // namespace

void settleTwins(Reading &reading, const AnswerOf &answerOf)
{
    if (!reading.twins || reading.candidates.size() < 2)
        return;
    auto &candidates = reading.candidates;
    struct Twin
    {
        size_t at;
        double shown; // how well the options show its answer
    };
    std::vector<Twin> twins;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (nearTwin(candidates[0], candidates[i]))
            twins.push_back(
                {i, matchOption(reading.text, answerOf(candidates[i].row)).resemblance});
    }
    std::vector<Twin> byShown = twins;
    std::stable_sort(byShown.begin(), byShown.end(),
                     [](const Twin &a, const Twin &b) { return a.shown > b.shown; });
    if (byShown[0].shown == 0)
        return;
    const double second = byShown.size() > 1 ? byShown[1].shown : 0.0;
    if (byShown[0].shown - second >= kSettleMargin) {
        const size_t at = byShown[0].at;
        std::rotate(candidates.begin(), candidates.begin() + qsizetype(at),
                    candidates.begin() + qsizetype(at) + 1);
        reading.twins = false;
        return;
    }
    // Still unsure, but the twins whose answers the options show go before those whose answers
    // they do not: those are the two the player is shown.
    std::vector<Candidate> ordered;
    ordered.reserve(byShown.size());
    for (const Twin &t : byShown)
        ordered.push_back(candidates[t.at]);
    for (size_t k = 0; k < twins.size(); ++k)
        candidates[twins[k].at] = ordered[k];
}

Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture, int top,
                             const AnswerOf &answerOf)
{
    return readQuestion(kProgramMethod, engine, ranker, capture, top, answerOf);
}

Result<Reading> readQuestion(Method method, Engine &engine, const Ranker &ranker,
                             const QImage &capture, int top, const AnswerOf &answerOf)
{
    // The size, the memory and how busy the picture is, before any of the reading is spent.
    if (auto problem = captureProblem(capture))
        return *problem;
    if (method == Method::Neural)
        return pass(engine, Engine::Pass::Neural, ranker, capture, top, answerOf);

    auto prepared = pass(engine, Engine::Pass::Prepared, ranker, capture, top, answerOf);
    if (!prepared || sure(*prepared))
        return prepared;
    const auto other =
        pass(engine, method == Method::Cascade ? Engine::Pass::Neural : Engine::Pass::Raw, ranker,
             capture, top, answerOf);
    if (!other)
        return other.error();
    return bestScore(*other) > bestScore(*prepared) ? *other : *prepared;
}

} // namespace recognition
