// From a capture to the questions it shows: what the window and crvt-tool recognize call.
#pragma once

#include "lookup/recognition/engine.h"
#include "lookup/recognition/ranker.h"

#include <functional>
#include <vector>

namespace recognition {

struct Reading
{
    QString text;                      // what the engine read (the pass whose rows are given)
    std::vector<Candidate> candidates; // best first; empty: nothing recognised
    // The best two explain the reading nearly equally well: show both, best first.
    bool twins = false;
};

// Near twins told apart by the options the capture shows: when the answer of exactly one of the
// best two is among them (optionLetter), that one comes first and the reading is sure of it.
// When both answers or neither are there, the two stay twins. `answerOf` gives a row's answer.
void settleTwins(Reading &reading, const std::function<QString(qsizetype row)> &answerOf);

// How a capture is read.
enum class Method {
    Neural,    // the neural reader alone
    Tesseract, // Tesseract on the prepared capture, and on the capture as it is when doubtful
    Cascade,   // Tesseract's prepared pass, the neural reader when the ranker is unsure of it
};

// The method the program reads with.
inline constexpr Method kProgramMethod = Method::Neural;

// Reads `capture` the program's way (kProgramMethod) and ranks the questions it shows.
Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture,
                             int top = 5);
Result<Reading> readQuestion(Method method, Engine &engine, const Ranker &ranker,
                             const QImage &capture, int top = 5);

} // namespace recognition
