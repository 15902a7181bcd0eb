// The text recognition engines, created once and kept, since loading a model costs a few
// tenths of a second and a capture must not wait: the neural reader (PP-OCRv4 through
// OpenCV, neuralreader.h), which the program reads questions with, and Tesseract with its
// Simplified Chinese data, kept for comparison. Each is loaded when first needed.
//
// Tesseract runs its network on OpenMP threads. On a machine with few cores they cost far
// more than they give (the waiting threads spin against the one doing the work), so every
// recognition runs single-threaded unless told otherwise (see engine.cpp).
#pragma once

#include "lookup/recognition/neuralreader.h"
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
        QString dataPath = {};        // folder of chi_sim.traineddata; empty: Tesseract's own
        bool defaultPageMode = false; // the engine's own page mode instead of line or block
        bool singleThreaded = true;
        QString modelPath = {}; // folder of the neural reader's models; empty: defaultModelPath()
        int neuralThreads = 1;  // OpenCV's threads while the neural reader works
    };

    enum class Pass {
        Neural,   // the neural reader: text lines found and read by PP-OCRv4
        Prepared, // Tesseract: prepare() the capture, read one line as a line, else as a block
        Raw,      // Tesseract on the capture as it is, read as a block, thresholding it itself
    };

    Engine();
    explicit Engine(Options options);
    ~Engine();
    Engine(const Engine &) = delete;
    Engine &operator=(const Engine &) = delete;

    // Starts loading the engine `pass` needs on a thread of its own and returns at once; a
    // later load() or recognise() waits for it. Calling it again does nothing.
    void warmUp(Pass pass = Pass::Neural);

    // Loads the engine `pass` needs unless it is loaded already; nullopt when it is ready.
    std::optional<RecognitionError> load(Pass pass = Pass::Neural);

    // The text on `capture`, lines separated by '\n'. Safe to call from any one thread at a
    // time; concurrent calls wait for each other.
    Result<QString> recognise(const QImage &capture, Pass pass = Pass::Neural);

private:
    std::optional<RecognitionError> loadLocked(Pass pass);
    std::optional<RecognitionError> loadTesseractLocked();

    Options m_options;
    std::mutex m_mutex;
    std::unique_ptr<tesseract::TessBaseAPI> m_api;
    std::unique_ptr<NeuralReader> m_neural;
    // Set once loading has run, for each engine.
    std::optional<std::optional<RecognitionError>> m_tesseractLoaded, m_neuralLoaded;
    std::future<void> m_warming;
};

// The folder Tesseract takes its data from when none is given.
QString defaultDataPath();

// The folder of the neural reader's models when none is given: $ZC_MODEL_DIR, else "models"
// beside the program (the build tree's bin/ and the installed program's folder), else the
// installed program's folder seen from the folder of crvt-tool.
QString defaultModelPath();

} // namespace recognition
