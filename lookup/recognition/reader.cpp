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
    size_t shown = candidates.size();
    double best = 0, second = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!nearTwin(candidates[0], candidates[i]))
            continue;
        const double r = matchOption(reading.text, answerOf(candidates[i].row)).resemblance;
        if (r > best) {
            second = best;
            best = r;
            shown = i;
        } else {
            second = std::max(second, r);
        }
    }
    if (shown == candidates.size() || best - second < kSettleMargin)
        return;
    std::rotate(candidates.begin(), candidates.begin() + qsizetype(shown),
                candidates.begin() + qsizetype(shown) + 1);
    reading.twins = false;
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
