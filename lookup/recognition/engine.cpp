#include "lookup/recognition/engine.h"

#include "lookup/recognition/prepare.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <tesseract/baseapi.h>

#include <dlfcn.h>

#include <string>
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

} // namespace

QString defaultModelPath()
{
    const QString chosen = qEnvironmentVariable("ZC_MODEL_DIR");
    if (!chosen.isEmpty())
        return chosen;
    // The kernel resolves /proc/self/exe to the real file, also when the program was started
    // through the launcher link; no QCoreApplication is needed.
    const QString programFolder = QFileInfo(u"/proc/self/exe"_s).canonicalPath();
    const QString beside = programFolder + u"/models"_s;
    const QString fromBin = QDir::cleanPath(programFolder + u'/' +
                                            QStringLiteral(ZC_APPDIR_FROM_BINDIR) + u"/models"_s);
    if (!QFileInfo(beside).isDir() && QFileInfo(fromBin).isDir())
        return fromBin;
    return beside;
}

QString defaultDataPath()
{
    // Tesseract's own rule: $TESSDATA_PREFIX, else the folder it was built with.
    const QString prefix = qEnvironmentVariable("TESSDATA_PREFIX");
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
    m_warming = std::async(std::launch::async, [this, pass] {
        std::lock_guard lock(m_mutex);
        if (loadLocked(pass))
            return;
        // The first recognition sets up what the model needs beyond loading; a blank line
        // does it here instead of in the player's first capture.
        if (pass == Pass::Neural) {
            QImage blank(256, 48, QImage::Format_RGB32);
            blank.fill(Qt::white);
            (void)m_neural->readLines(blank);
            return;
        }
        QImage blank(96, 48, QImage::Format_Grayscale8);
        blank.fill(255);
        limitThreads(m_options.singleThreaded);
        m_api->SetImage(blank.constBits(), blank.width(), blank.height(), 1,
                        int(blank.bytesPerLine()));
        delete[] m_api->GetUTF8Text();
        m_api->Clear();
    });
}

std::optional<RecognitionError> Engine::load(Pass pass)
{
    std::lock_guard lock(m_mutex);
    return loadLocked(pass);
}

std::optional<RecognitionError> Engine::loadLocked(Pass pass)
{
    if (pass == Pass::Neural) {
        if (!m_neuralLoaded)
            m_neuralLoaded = loadNeural();
        return *m_neuralLoaded;
    }
    if (!m_tesseractLoaded)
        m_tesseractLoaded = loadTesseract();
    return *m_tesseractLoaded;
}

std::optional<RecognitionError> Engine::loadNeural()
{
    auto reader = std::make_unique<NeuralReader>(m_options.neuralThreads);
    const QString folder = m_options.modelPath.isEmpty() ? defaultModelPath() : m_options.modelPath;
    if (auto error = reader->load(folder))
        return error;
    m_neural = std::move(reader);
    return std::nullopt;
}

std::optional<RecognitionError> Engine::loadTesseract()
{
    const QString folder = m_options.dataPath.isEmpty() ? defaultDataPath() : m_options.dataPath;
    const QString data = folder + u'/' + QLatin1StringView(kLanguage) + u".traineddata"_s;
    if (!QFileInfo(data).isFile()) {
        return RecognitionError{
            RecognitionError::NoLanguageData,
            u"text recognition data %1 not found: install the package tesseract-ocr-chi-sim"_s.arg(
                data)};
    }

    auto api = std::make_unique<tesseract::TessBaseAPI>();
    // Tesseract's diagnostics go to a file of its own choosing rather than the program's
    // standard error.
    std::vector<std::string> names{"debug_file"}, values{"/dev/null"};
    const QByteArray path = QFile::encodeName(folder);
    if (api->Init(path.constData(), kLanguage, tesseract::OEM_LSTM_ONLY, nullptr, 0, &names,
                  &values, false) != 0) {
        return RecognitionError{RecognitionError::EngineFailed,
                                u"text recognition could not start with %1"_s.arg(data)};
    }
    m_api = std::move(api);
    return std::nullopt;
}

Result<QString> Engine::recognise(const QImage &capture, Pass pass)
{
    if (capture.isNull() || capture.width() == 0 || capture.height() == 0)
        return RecognitionError{RecognitionError::NoImage, u"the capture is empty"_s};

    std::lock_guard lock(m_mutex);
    if (const auto error = loadLocked(pass))
        return *error;

    if (pass == Pass::Neural) {
        const auto lines = m_neural->readLines(capture);
        if (!lines)
            return lines.error();
        QStringList texts;
        for (const NeuralReader::Line &line : *lines)
            texts += line.text;
        return texts.join(u'\n');
    }

    QImage image;
    bool oneLine = false;
    if (pass == Pass::Prepared) {
        Prepared prepared = prepare(capture);
        image = std::move(prepared.image);
        oneLine = prepared.oneLine;
    } else {
        image = capture.convertToFormat(QImage::Format_RGB888);
    }
    if (!m_options.defaultPageMode) {
        // One line reads best as a line; a question with its options under it, or what
        // may be, as a block.
        m_api->SetPageSegMode(oneLine ? tesseract::PSM_SINGLE_LINE : tesseract::PSM_SINGLE_BLOCK);
    }
    limitThreads(m_options.singleThreaded);
    const int depth = image.format() == QImage::Format_Grayscale8 ? 1 : 3;
    m_api->SetImage(image.constBits(), image.width(), image.height(), depth,
                    int(image.bytesPerLine()));
    m_api->SetSourceResolution(300);
    char *text = m_api->GetUTF8Text();
    m_api->Clear();
    if (!text)
        return RecognitionError{RecognitionError::EngineFailed,
                                u"text recognition could not read the capture"_s};
    QString result = QString::fromUtf8(text).trimmed();
    delete[] text;
    return result;
}

} // namespace recognition
