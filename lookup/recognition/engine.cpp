#include "lookup/recognition/engine.h"

#include "lookup/recognition/picture.h"
#include "lookup/recognition/prepare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <leptonica/allheaders.h>
#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>

#include <dlfcn.h>

#include <new>
#include <string>
#include <system_error>
#include <vector>

using namespace Qt::StringLiterals;

namespace recognition {

namespace {

constexpr char kLanguage[] = "chi_sim";

// Debian's libtesseract is built with OpenMP and brings libgomp in when the program
// starts, and libgomp reads OMP_THREAD_LIMIT then, before main() could set it. What is
// still in the program's hands is the number of nested parallel levels allowed: at 0 every
// parallel region of Tesseract's runs on the calling thread alone, whatever num_threads it
// asks for. The functions are looked up rather than linked so that a libtesseract built
// without OpenMP needs nothing. The setting belongs to the calling thread, so it is made
// before every recognition.
struct OpenMp
{
    using SetLevels = void (*)(int);
    using GetLevels = int (*)();
    SetLevels set = reinterpret_cast<SetLevels>(dlsym(RTLD_DEFAULT, "omp_set_max_active_levels"));
    GetLevels get = reinterpret_cast<GetLevels>(dlsym(RTLD_DEFAULT, "omp_get_max_active_levels"));
    int initial = get ? get() : 1;
};

void limitThreads(bool single)
{
    static const OpenMp openMp;
    if (openMp.set)
        openMp.set(single ? 0 : openMp.initial);
}

// Guards against what the engine costs on a hostile picture, and against a failure part way.
//
// Reading a question takes a tenth of a second; a picture that keeps the engine's recognition
// busy longer than this is stopped at the next word (the page layout before it is bounded by
// the limits in picture.h).
constexpr int kReadingTimeLimitMs = 3000;
// What loading the model takes, with room to spare: asked for first, so that a shortage is an
// error rather than a null pointer inside the engine.
constexpr qint64 kLoadingBytes = qint64(96) << 20;

RecognitionError outOfMemory(const QImage &image)
{
    return {RecognitionError::OutOfMemory,
            u"not enough memory to read a %1×%2 picture"_s.arg(image.width()).arg(image.height())};
}

// Leptonica, the engine's image library, prints its complaints on standard error; the program's
// errors say what went wrong instead.
void silenceLeptonica()
{
    static std::once_flag once;
    std::call_once(once, [] { leptSetStderrHandler([](const char *) {}); });
}

} // namespace

QString defaultModelPath()
{
    QString chosen = qEnvironmentVariable("ZC_MODEL_DIR");
    if (!chosen.isEmpty())
        return chosen;
    // The kernel resolves /proc/self/exe to the real file, also when the program was started
    // through the launcher link; no QCoreApplication is needed.
    const QString programFolder = QFileInfo(u"/proc/self/exe"_s).canonicalPath();
    QString beside = programFolder + u"/models"_s;
    QString fromBin = QDir::cleanPath(programFolder + u'/' + QStringLiteral(ZC_APPDIR_FROM_BINDIR) +
                                      u"/models"_s);
    if (!QFileInfo(beside).isDir() && QFileInfo(fromBin).isDir())
        return fromBin;
    return beside;
}

QString defaultDataPath()
{
    // Tesseract's own rule: $TESSDATA_PREFIX, else the folder it was built with.
    QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
    if (!prefix.isEmpty())
        return prefix;
    return u"/usr/share/tesseract-ocr/5/tessdata"_s;
}

Engine::Engine() : Engine(Options{})
{}

Engine::Engine(Options options) : m_options(std::move(options))
{}

Engine::~Engine()
{
    if (m_warming.valid())
        m_warming.wait();
    if (m_api)
        m_api->End();
}

void Engine::warmUp(Pass pass)
{
    std::lock_guard lock(m_mutex);
    if (m_warming.valid())
        return;
    // With no thread to be had (memory short), the first recognition loads the engine instead.
    try {
        m_warming = std::async(std::launch::async, [this, pass] {
            std::lock_guard loading(m_mutex);
            if (loadLocked(pass))
                return;
            if (pass == Pass::Neural) {
                // A first reading sets up what the models need beyond loading; a blank line
                // does it here instead of in the player's first capture.
                QImage blank(256, 48, QImage::Format_RGB32);
                blank.fill(Qt::white);
                (void)m_neural->readLines(blank);
                return;
            }
            // The first recognition sets up what the model needs beyond loading; a blank line
            // does it here instead of in the player's first capture.
            QImage blank(96, 48, QImage::Format_Grayscale8);
            blank.fill(255);
            limitThreads(m_options.singleThreaded);
            try {
                m_api->SetImage(blank.constBits(), blank.width(), blank.height(), 1,
                                int(blank.bytesPerLine()));
                delete[] m_api->GetUTF8Text();
                m_api->Clear();
            } catch (const std::bad_alloc &) {
                m_api.reset();
                m_tesseractLoaded.reset();
            }
        });
    } catch (const std::system_error &) {
    }
}

std::optional<RecognitionError> Engine::load(Pass pass)
{
    std::lock_guard lock(m_mutex);
    return loadLocked(pass);
}

std::optional<RecognitionError> Engine::loadLocked(Pass pass)
{
    if (pass != Pass::Neural)
        return loadTesseractLocked();
    if (!m_neuralLoaded) {
        auto reader = std::make_unique<NeuralReader>(m_options.neuralThreads);
        const QString folder =
            m_options.modelPath.isEmpty() ? defaultModelPath() : m_options.modelPath;
        try {
            m_neuralLoaded = reader->load(folder);
        } catch (const std::bad_alloc &) {
            // Not remembered: with memory back, a later recognition loads it.
            return RecognitionError{RecognitionError::OutOfMemory,
                                    u"not enough memory to load the text recognition models"_s};
        }
        if (!*m_neuralLoaded)
            m_neural = std::move(reader);
    }
    return *m_neuralLoaded;
}

std::optional<RecognitionError> Engine::loadTesseractLocked()
{
    if (m_tesseractLoaded)
        return *m_tesseractLoaded;

    const QString folder = m_options.dataPath.isEmpty() ? defaultDataPath() : m_options.dataPath;
    const QString data = folder + u'/' + QLatin1StringView(kLanguage) + u".traineddata"_s;
    if (!QFileInfo(data).isFile()) {
        m_tesseractLoaded = RecognitionError{
            RecognitionError::NoLanguageData,
            u"text recognition data %1 not found: install the package tesseract-ocr-chi-sim"_s.arg(
                data)};
        return *m_tesseractLoaded;
    }
    if (QFile file(data); !file.open(QIODevice::ReadOnly)) {
        m_tesseractLoaded = RecognitionError{
            RecognitionError::NoLanguageData,
            u"text recognition data %1 cannot be read: %2"_s.arg(data, file.errorString())};
        return *m_tesseractLoaded;
    }
    // Not remembered: with memory back, a later recognition loads it.
    if (!memoryAvailable(kLoadingBytes))
        return RecognitionError{RecognitionError::OutOfMemory,
                                u"not enough memory to load the text recognition data"_s};
    silenceLeptonica();

    auto api = std::make_unique<tesseract::TessBaseAPI>();
    // Tesseract's diagnostics go to a file of its own choosing rather than the program's
    // standard error; set before loading, so that a damaged data file's complaints go there too.
    api->SetVariable("debug_file", "/dev/null");
    std::vector<std::string> names{"debug_file"}, values{"/dev/null"};
    const QByteArray path = QFile::encodeName(folder);
    int started = -1;
    try {
        started = api->Init(path.constData(), kLanguage, tesseract::OEM_LSTM_ONLY, nullptr, 0,
                            &names, &values, false);
    } catch (const std::bad_alloc &) {
        return RecognitionError{RecognitionError::OutOfMemory,
                                u"not enough memory to load the text recognition data"_s};
    }
    if (started != 0) {
        // The file is there and readable: what the engine cannot load is damaged or cut short.
        m_tesseractLoaded = RecognitionError{
            RecognitionError::NoLanguageData,
            u"text recognition data %1 is damaged: reinstall the package tesseract-ocr-chi-sim"_s
                .arg(data)};
        return *m_tesseractLoaded;
    }
    m_api = std::move(api);
    m_tesseractLoaded = std::optional<RecognitionError>();
    return std::nullopt;
}

Result<QString> Engine::recognise(const QImage &capture, Pass pass)
{
    if (capture.isNull() || capture.width() == 0 || capture.height() == 0)
        return RecognitionError{RecognitionError::NoImage, u"the capture is empty"_s};
    if (auto problem = sizeProblem(capture.size()))
        return *problem;

    std::lock_guard lock(m_mutex);
    if (const auto error = loadLocked(pass))
        return *error;

    if (pass == Pass::Neural) {
        try {
            const auto lines = m_neural->readLines(capture);
            if (!lines)
                return lines.error();
            QStringList texts;
            for (const NeuralReader::Line &line : *lines)
                texts += line.text;
            return texts.join(u'\n');
        } catch (const std::bad_alloc &) {
            return outOfMemory(capture);
        }
    }

    QImage image;
    bool oneLine = false;
    if (pass == Pass::Prepared) {
        Prepared prepared = prepare(capture);
        image = std::move(prepared.image);
        oneLine = prepared.oneLine;
    } else {
        image = convertedPicture(capture, QImage::Format_RGB888);
    }
    if (image.isNull())
        return outOfMemory(capture);
    if (!m_options.defaultPageMode) {
        // One line reads best as a line; a question with its options under it, or what
        // may be, as a block.
        m_api->SetPageSegMode(oneLine ? tesseract::PSM_SINGLE_LINE : tesseract::PSM_SINGLE_BLOCK);
    }
    limitThreads(m_options.singleThreaded);
    const int depth = image.format() == QImage::Format_Grayscale8 ? 1 : 3;
    char *text = nullptr;
    bool late = false;
    try {
        m_api->SetImage(image.constBits(), image.width(), image.height(), depth,
                        int(image.bytesPerLine()));
        // The engine keeps a copy of its own: a large picture is not held twice while it reads.
        image = QImage();
        m_api->SetSourceResolution(300);
        tesseract::ETEXT_DESC monitor;
        monitor.set_deadline_msecs(kReadingTimeLimitMs);
        // Asking for the text after a recognition that stopped would start it again.
        if (m_api->Recognize(&monitor) == 0)
            text = m_api->GetUTF8Text();
        late = monitor.deadline_exceeded();
        m_api->Clear();
    } catch (const std::bad_alloc &) {
        // What the engine holds after a failure part way is not to be trusted: it is loaded
        // afresh next time.
        m_api.reset();
        m_tesseractLoaded.reset();
        return outOfMemory(capture);
    }
    if (late && !text)
        return RecognitionError{
            RecognitionError::TooLarge,
            u"reading the picture took more than %1 s, far longer than a question takes; choose "
            "a smaller region around the question"_s.arg(kReadingTimeLimitMs / 1000)};
    if (!text)
        return RecognitionError{RecognitionError::EngineFailed,
                                u"text recognition could not read the capture"_s};
    QString result = QString::fromUtf8(text).trimmed();
    delete[] text;
    return result;
}

} // namespace recognition
