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

// A row's stored answer.
using AnswerOf = std::function<QString(qsizetype row)>;

// Near twins told apart by the options the capture shows. Of the candidates that explain the
// reading nearly as well as the first (a family of twins such as the provinces' 简称 may be a
// dozen), the one whose answer the options show clearly best (matchOption) comes first, the
// others keeping their order, and the reading is sure of it. When two answers are shown about
// as well, the twins stay twins, those whose answers are shown first; when none is, as they were.
void settleTwins(Reading &reading, const AnswerOf &answerOf);

// How a capture is read.
enum class Method {
    Neural,    // the neural reader alone
    Tesseract, // Tesseract on the prepared capture, and on the capture as it is when doubtful
    Cascade,   // Tesseract's prepared pass, the neural reader when the ranker is unsure of it
};

// The method the program reads with.
inline constexpr Method kProgramMethod = Method::Neural;

// Reads `capture` the program's way (kProgramMethod) and ranks the questions it shows, `top` at
// most. With `answerOf`, near twins are settled by the options (settleTwins) among more
// candidates than `top`, so that the twin the options name is found however far down the
// store puts it.
Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture,
                             int top = 5, const AnswerOf &answerOf = {});
Result<Reading> readQuestion(Method method, Engine &engine, const Ranker &ranker,
                             const QImage &capture, int top = 5, const AnswerOf &answerOf = {});

} // namespace recognition
