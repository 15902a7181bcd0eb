#include "lookup/recognition/reader.h"

#include "lookup/recognition/picture.h"

namespace recognition {

namespace {

// Below this the prepared pass's best question is doubtful enough to try the other pass: a
// capture whose ground the preparation misjudged (heavy texture) reads as little or nothing.
constexpr double kSureConfidence = 0.6;

} // namespace

Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture, int top)
{
    // The size, the memory and how busy the picture is, before any of the reading is spent.
    if (auto problem = captureProblem(capture))
        return *problem;
    const auto prepared = engine.recognise(capture, Engine::Pass::Prepared);
    if (!prepared)
        return prepared.error();
    Reading reading{*prepared, ranker.match(*prepared, top)};
    reading.twins = nearTwins(reading.candidates);
    if (!reading.candidates.empty() && reading.candidates.front().confidence >= kSureConfidence)
        return reading;

    const auto raw = engine.recognise(capture, Engine::Pass::Raw);
    if (!raw)
        return raw.error();
    Reading other{*raw, ranker.match(*raw, top)};
    other.twins = nearTwins(other.candidates);
    const auto bestScore = [](const Reading &r) {
        return r.candidates.empty() ? -1 : r.candidates.front().score;
    };
    return bestScore(other) > bestScore(reading) ? other : reading;
}

} // namespace recognition
