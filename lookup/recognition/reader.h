// From a capture to the questions it shows: what the window and crvt-tool recognize call.
#pragma once

#include "lookup/recognition/engine.h"
#include "lookup/recognition/ranker.h"

#include <vector>

namespace recognition {

struct Reading
{
    QString text;                      // what the engine read (the pass whose rows are given)
    std::vector<Candidate> candidates; // best first; empty: nothing recognised
    // The best two explain the reading nearly equally well: show both, best first.
    bool twins = false;
};

// Reads `capture` prepared; when that finds no question, or only a doubtful one, reads the
// capture as it is too and keeps whichever pass explains a question better.
Result<Reading> readQuestion(Engine &engine, const Ranker &ranker, const QImage &capture,
                             int top = 5);

} // namespace recognition
