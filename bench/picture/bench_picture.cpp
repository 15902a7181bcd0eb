// What the worst picture files cost to read: peak memory and wall time of the program's picture
// path (readPicture, then readQuestion with the engine loaded in the same process), against a
// baseline measured in the same run: Qt's image reader with its own limits, the preparation's
// rule for enlarging small text applied with Qt's smooth scaling and no cap, and Tesseract on
// the result in block mode, which is what reading a picture cost before the limits. Each
// measurement runs in a child process of its own, whose peak resident memory the system reports;
// a baseline still running after kBaselineLimitSeconds is stopped and shown as at least that.
//
// One line per figure: name, value, baseline, ratio, target.
#include "lookup/recognition/picture.h"
#include "lookup/recognition/reader.h"
#include "tests/lookup/recognition/hostilepictures.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QTemporaryDir>

#include <tesseract/baseapi.h>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr int kBaselineLimitSeconds = 120;

struct Cost
{
    double megabytes = 0; // peak resident
    double seconds = 0;
    bool stopped = false;
};

// Runs `work` in a child process; its peak resident memory and the wall time.
template <class Work> Cost measure(Work work, int limitSeconds)
{
    std::fflush(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = ::fork();
    if (child == 0) {
        // The libraries' own complaints (the baseline's) are not figures.
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDERR_FILENO);
        ::alarm(unsigned(limitSeconds));
        work();
        ::_exit(0);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Cost cost;
    cost.seconds = double(timer.nsecsElapsed()) / 1e9;
    cost.megabytes = double(usage.ru_maxrss) / 1024;
    cost.stopped = WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM;
    return cost;
}

// The program's path, as crvt-tool recognize takes it.
void programPath(const QString &path)
{
    const auto picture = recognition::readPicture(path);
    if (!picture)
        return;
    recognition::Engine engine;
    (void)recognition::readQuestion(engine, recognition::Ranker({u"秦始皇统一六国是在哪一年"_s}),
                                    picture->image);
}

// The tallest band of rows with ink: the preparation scales it towards 40 px, at most fourfold.
double wantedScale(const QImage &grey)
{
    int tallest = 0, run = 0;
    const int inkPerRow = std::max(2, grey.width() / 100);
    for (int y = 0; y <= grey.height(); ++y) {
        int ink = 0;
        if (y < grey.height())
            for (int x = 0; x < grey.width(); ++x)
                ink += grey.constScanLine(y)[x] < 128;
        if (y < grey.height() && ink >= inkPerRow) {
            ++run;
        } else {
            if (run >= 5)
                tallest = std::max(tallest, run);
            run = 0;
        }
    }
    return std::clamp(40.0 / (tallest > 0 ? tallest : grey.height()), 1.0, 4.0);
}

// Qt's reader and Tesseract with no bounds.
void baselinePath(const QString &path)
{
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return;
    QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const double scale = wantedScale(grey);
    if (scale > 1)
        grey = grey.scaled(int(std::lround(grey.width() * scale)),
                           int(std::lround(grey.height() * scale)), Qt::IgnoreAspectRatio,
                           Qt::SmoothTransformation);
    tesseract::TessBaseAPI api;
    std::vector<std::string> names{"debug_file"}, values{"/dev/null"};
    if (api.Init(nullptr, "chi_sim", tesseract::OEM_LSTM_ONLY, nullptr, 0, &names, &values,
                 false) != 0)
        return;
    api.SetPageSegMode(tesseract::PSM_SINGLE_BLOCK);
    api.SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
    delete[] api.GetUTF8Text();
}

void figure(const QString &name, double value, double baseline, bool stopped, const char *unit,
            const char *target)
{
    std::printf("%-58s %8.2f %-3s  baseline %s%8.2f %-3s  ratio %7.1fx  target %s\n",
                qPrintable(name), value, unit, stopped ? ">=" : "  ", baseline, unit,
                value > 0 ? baseline / value : 0.0, target);
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QList<std::pair<QString, QByteArray>> inputs{
        {u"44-byte PNG, text chunk claiming 2 GiB"_s, hostile::pngTextChunkBomb()},
        {u"PNG header claiming 60000x60000"_s, hostile::pngClaiming(60000, 60000)},
        {u"PNG header claiming 16000x16000"_s, hostile::pngClaiming(16000, 16000)},
        {u"5000x5000 PNG of thin rules"_s, hostile::encoded(hostile::thinRules(5000), "PNG")},
        {u"1000x1000 PNG of noise"_s, hostile::encoded(hostile::noise(1000, 1000), "PNG")},
        {u"20000x1 white PNG"_s, hostile::pngPlain(20000, 1)},
    };
    std::printf("Each picture read in a process of its own (peak resident memory, wall time); "
                "other builds may load the machine.\n");
    for (const auto &[name, bytes] : inputs) {
        const QString path = dir.filePath(u"picture"_s);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return 1;
        file.close();
        const Cost ours = measure([&] { programPath(path); }, 60);
        const Cost plain = measure([&] { baselinePath(path); }, kBaselineLimitSeconds);
        figure(name + u": peak memory"_s, ours.megabytes, plain.megabytes, plain.stopped, "MiB",
               "<= 400 MiB");
        figure(name + u": time"_s, ours.seconds, plain.seconds, plain.stopped, "s", "<= 5 s");
    }
    return 0;
}
