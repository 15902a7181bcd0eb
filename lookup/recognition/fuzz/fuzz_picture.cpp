// libFuzzer target: arbitrary bytes as a picture file, through everything the program does with
// a picture before the engine reads it. A crash, a hang, a sanitizer report, an allocation over
// the fuzzer's limit, or a picture let through that breaks a limit is a finding.
#include "lookup/recognition/picture.h"
#include "lookup/recognition/prepare.h"
#include "shared/fuzzinput.h"

#include <QGuiApplication>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QString &picturePath()
{
    static const QString path = fuzz::makeScratchFolder("fuzz_picture") + u"/picture"_s;
    return path;
}

void finding(const char *what, const QImage &image)
{
    std::fprintf(stderr, "finding: %s (%dx%d)\n", what, image.width(), image.height());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // Qt's image plugins (JPEG) are found through the application object.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::writeInput(picturePath(), data, size);
    const auto picture = recognition::readPicture(picturePath());
    if (!picture)
        return 0;
    const QImage &image = picture->image;
    // What was decoded keeps to the limits checked before decoding.
    if (image.isNull() || recognition::sizeProblem(image.size()))
        finding("a decoded picture outside the limits", image);

    if (recognition::captureProblem(image))
        return 0;
    const recognition::Prepared prepared = recognition::prepare(image);
    if (prepared.image.isNull())
        finding("no prepared picture with memory to spare", image);
    const qint64 pixels = qint64(prepared.image.width()) * prepared.image.height();
    const qint64 original = qint64(image.width() + 20) * (image.height() + 20);
    if (prepared.scale > 1 && pixels > recognition::kMaxEnlargedPixels)
        finding("enlarged past the cap", prepared.image);
    if (pixels > std::max(original, recognition::kMaxEnlargedPixels) ||
        prepared.image.width() > 32767 || prepared.image.height() > 32767)
        finding("a prepared picture the engine cannot take", prepared.image);
    return 0;
}
