// What the answer and watch benchmarks stand on: an X server at 1920x1080 with the openbox
// window manager, questions from the shipped store and the program's window with its lookup
// and capture objects, as the player meets them (the stand-in game window that shows the
// questions is started by tests/common/quizdesktop.h).
#pragma once

#include "app/window/form1.h"
#include "bench/common/percentile.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/lookuppage.h"
#include "lookup/store/store.h"
#include "tests/common/xservers.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

namespace bench {

// Starts the X server and points this process at it, with the settings of the program's own
// start and the recognition models the build leaves beside the program (unless ZC_MODEL_DIR
// names others). Call before the application object exists; null, said on stderr, when no
// server started.
std::unique_ptr<zctest::TestDisplay> startDesk();

// The folder of the shipped store, as the build leaves it.
QString shippedStoreFolder();

// Every row of the shipped store; nothing, said on stderr, when it cannot be read.
std::optional<std::vector<store::CvRow>> shippedRows();

// One-line questions as the game shows them, spread over the store: from row `first` every
// `step`th row whose question has 10 to `longest` characters and that has an answer, `count`
// of them at most.
struct QuizPick
{
    std::size_t first = 0;
    std::size_t step = 1;
    std::size_t count = 0;
    qsizetype longest = 0;
};
std::vector<store::CvRow> pickQuestions(const std::vector<store::CvRow> &rows,
                                        const QuizPick &pick);

// The program's window with its lookup page on the shipped store and the capture reading
// `regionFile`, shown beside the game window.
struct ProgramWindow
{
    explicit ProgramWindow(const QString &regionFile);
    Form1 form;
    LookupPage lookup;
    capture::CaptureLookup capture;
};

} // namespace bench
