// The text recognition engine: Tesseract with its Simplified Chinese data, created once and
// kept, since loading its model costs a few tenths of a second and a capture must not wait.
//
// Tesseract runs its network on OpenMP threads. On a machine with few cores they cost far
// more than they give (the waiting threads spin against the one doing the work), so every
// recognition runs single-threaded unless told otherwise (see engine.cpp).
#pragma once

#include "lookup/recognition/recognitionerror.h"

#include <QImage>
#include <QString>

#include <future>
#include <memory>
#include <mutex>
#include <optional>

namespace tesseract {
class TessBaseAPI;
}

namespace recognition {

class Engine
{
public:
    struct Options
    {
        QString dataPath;             // folder of chi_sim.traineddata; empty: Tesseract's own
        bool defaultPageMode = false; // the engine's own page mode instead of line or block
        bool singleThreaded = true;
    };

    enum class Pass {
        Prepared, // prepare() the capture, read one line as a line, anything else as a block
        Raw,      // the capture as it is, read as a block, the engine thresholding it
    };

    Engine();
    explicit Engine(Options options);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Starts loading on a thread of its own and returns at once; a later load() or
    // recognise() waits for it. Calling it again does nothing.
    void warmUp();

    // Loads the engine unless it is loaded already; nullopt when it is ready.
    std::optional<RecognitionError> load();

    // The text on `capture`, lines separated by '\n'. Safe to call from any one thread at a
    // time; concurrent calls wait for each other.
    Result<QString> recognise(const QImage &capture, Pass pass = Pass::Prepared);

private:
    std::optional<RecognitionError> loadLocked();

    Options m_options;
    std::mutex m_mutex;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::optional<std::optional<RecognitionError>> m_loaded; // set once loading has run
    std::future<void> m_warming;
};

// The folder Tesseract takes its data from when none is given.
QString defaultDataPath();

} // namespace recognition
