#include "tools/recognizecommands.h"

#include "lookup/filename.h"
#include "lookup/recognition/options.h"
#include "lookup/recognition/picture.h"
#include "lookup/recognition/reader.h"
#include "lookup/store/store.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace tools {

namespace {

enum ExitCode { Success = 0, Failure = 1, NothingRecognised = 3 };

// Messages name files by the bytes they were given, as the command line gave them.
void writeOut(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = stream == stderr ? lookup::fileNameToBytes(text) : text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int fail(const QString &message)
{
    writeOut(stderr, u"crvt-tool: %1\n"_s.arg(message));
    return Failure;
}

char timeLimitMessage[1024];
size_t timeLimitMessageSize = 0;

void stopAtTimeLimit(int)
{
    (void)!::write(STDERR_FILENO, timeLimitMessage, timeLimitMessageSize);
    ::_exit(Failure);
}

void limitTime(const QString &imagePath)
{
    const QByteArray message = lookup::fileNameToBytes(
        u"crvt-tool: %1: reading the picture took more than %2 s, far longer than a question "
        "takes\n"_s.arg(imagePath)
            .arg(kRecognizeTimeLimitSeconds));
    timeLimitMessageSize = std::min(size_t(message.size()), sizeof timeLimitMessage);
    std::memcpy(timeLimitMessage, message.constData(), timeLimitMessageSize);
    std::signal(SIGALRM, stopAtTimeLimit);
    ::alarm(kRecognizeTimeLimitSeconds);
}

recognition::Ranker rankerOf(const store::RecordSet &rows)
{
    return recognition::Ranker(rows.texts(store::ResultColumn::Question));
}

// Prints the rows found, or says in one line that nothing in `source` resembles a question,
// and why it may be so (`remark`). With the text read off a picture, each row gets a third
// column: the option on the picture that shows its answer, empty when none does surely.
int print(const Invocation &inv, const store::RecordSet &rows,
          const std::vector<recognition::Candidate> &candidates, const QString &source,
          const QString *read = nullptr, const QString &remark = {})
{
    if (candidates.empty()) {
        writeOut(stderr, u"crvt-tool: nothing in %1 resembles a question of %2%3\n"_s.arg(
                             source, inv.operands[0], remark));
        return NothingRecognised;
    }
    for (const recognition::Candidate &c : candidates) {
        const QString answer = rows.text(c.row, store::ResultColumn::Answer);
        QString line = rows.text(c.row, store::ResultColumn::Question) + u'\t' + answer;
        if (read)
            line += u'\t' + recognition::optionLetter(*read, answer);
        writeOut(stdout, line + u'\n');
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(u"standard output: write error"_s);
    return Success;
}

} // namespace

int recognize(const Invocation &inv)
{
    const QString &imagePath = inv.operands[1];
    limitTime(imagePath);
    const auto picture = recognition::readPicture(imagePath);
    if (!picture)
        return fail(picture.error().message);

    // Through the store reader, as capture reads the program's store.
    const auto rows = store::StoreReader().everyRow(inv.operands[0], inv.password);
    if (!rows)
        return fail(rows.error().message);

    const auto &cv = *rows;
    recognition::Engine engine;
    auto reading = recognition::readQuestion(
        engine, rankerOf(cv), picture->image, inv.top,
        [&cv](qsizetype row) { return cv.text(row, store::ResultColumn::Answer); });
    if (!reading) {
        // The engine's data names itself; what concerns the picture is said of the file.
        const auto kind = reading.error().kind;
        const bool ofPicture = kind != recognition::RecognitionError::NoLanguageData &&
                               kind != recognition::RecognitionError::NoModel &&
                               kind != recognition::RecognitionError::DamagedModel;
        return fail(ofPicture ? u"%1: %2"_s.arg(imagePath, reading.error().message)
                              : reading.error().message);
    }
    if (reading->candidates.empty()) {
        QString remark =
            reading->text.isEmpty()
                ? u"; no text was read"_s
                : u"; the text read: "_s + QString(reading->text).replace(u'\n', u" / "_s);
        if (!picture->damage.isEmpty())
            remark += u" (the picture is damaged: %1)"_s.arg(picture->damage);
        return print(inv, cv, reading->candidates, imagePath, nullptr, remark);
    }
    writeOut(stderr, reading->text + u'\n');
    return print(inv, cv, reading->candidates, imagePath, &reading->text);
}

int match(const Invocation &inv)
{
    const auto rows = store::StoreReader().everyRow(inv.operands[0], inv.password);
    if (!rows)
        return fail(rows.error().message);
    const auto &cv = *rows;
    return print(inv, cv, rankerOf(cv).match(inv.operands[1], inv.top), u"the text"_s);
}

} // namespace tools
