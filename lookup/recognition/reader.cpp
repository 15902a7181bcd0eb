#include "lookup/recognition/reader.h"

#include "lookup/recognition/options.h"
#include "lookup/recognition/picture.h"

namespace recognition {

namespace {

// Below this the best question of a reading is doubtful enough to try another: a capture
// whose ground the preparation misjudged (heavy texture) reads as little or nothing.
constexpr double kSureConfidence = 0.6;

bool sure(const Reading &reading)
{
    return !reading.candidates.empty() && reading.candidates.front().confidence >= kSureConfidence;
}

int bestScore(const Reading &reading)
{
    return reading.candidates.empty() ? -1 : reading.candidates.front().score;
}

Result<Reading> pass(Engine &engine, Engine::Pass which, const Ranker &ranker,
                     const QImage &capture, int top)
{
    const auto text = engine.recognise(capture, which);
    if (!text)
        return text.error();
    Reading reading{*text, ranker.match(*text, top)};
    reading.twins = nearTwins(reading.candidates);
    return reading;
}

} // namespace

void settleTwins(Reading &reading, const std::function<QString(qsizetype row)> &answerOf)
{
    if (!reading.twins || reading.candidates.size() < 2)
        return;
    const bool first = !optionLetter(reading.text, answerOf(reading.candidates[0].row)).isEmpty();
    const bool second = !optionLetter(reading.text, answerOf(reading.candidates[1].row)).isEmpty();
    if (first == second)
        return;
    if (second)
        std::swap(reading.candidates[0], reading.candidates[1]);
    reading.twins = false;
}

Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture, int top)
{
    return readQuestion(kProgramMethod, engine, ranker, capture, top);
}

Result<Reading> readQuestion(Method method, Engine &engine, const Ranker &ranker,
                             const QImage &capture, int top)
{
    // The size, the memory and how busy the picture is, before any of the reading is spent.
    if (auto problem = captureProblem(capture))
        return *problem;
    if (method == Method::Neural)
        return pass(engine, Engine::Pass::Neural, ranker, capture, top);

    auto prepared = pass(engine, Engine::Pass::Prepared, ranker, capture, top);
    if (!prepared || sure(*prepared))
        return prepared;
    const auto other =
        pass(engine, method == Method::Cascade ? Engine::Pass::Neural : Engine::Pass::Raw, ranker,
             capture, top);
    if (!other)
        return other.error();
    return bestScore(*other) > bestScore(*prepared) ? *other : *prepared;
}

} // namespace recognition
