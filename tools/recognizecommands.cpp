#include "tools/recognizecommands.h"

#include "lookup/recognition/reader.h"
#include "lookup/store/store.h"

#include <QFileInfo>
#include <QImageReader>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace tools {

namespace {

enum ExitCode { Success = 0, Failure = 1, NothingRecognised = 3 };

void writeOut(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int fail(const QString &message)
{
    writeOut(stderr, u"crvt-tool: %1\n"_s.arg(message));
    return Failure;
}

recognition::Ranker rankerOf(const store::RecordSet &rows)
{
    return recognition::Ranker(rows.texts(store::ResultColumn::Question));
}

// Prints the rows found, or says that nothing in `source` resembles a question.
int print(const Invocation &inv, const store::RecordSet &rows,
          const std::vector<recognition::Candidate> &candidates, const QString &source)
{
    if (candidates.empty()) {
        writeOut(stderr, u"crvt-tool: nothing in %1 resembles a question of %2\n"_s.arg(
                             source, inv.operands[0]));
        return NothingRecognised;
    }
    for (const recognition::Candidate &c : candidates) {
        writeOut(stdout, rows.text(c.row, store::ResultColumn::Question) + u'\t' +
                             rows.text(c.row, store::ResultColumn::Answer) + u'\n');
    }
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(u"standard output: write error"_s);
    return Success;
}

} // namespace

int recognize(const Invocation &inv)
{
    const QString &imagePath = inv.operands[1];
    QImageReader reader(imagePath);
    // On Linux a directory opens and reads as nothing; say what it is.
    if (QFileInfo(imagePath).isDir())
        return fail(u"%1: is a directory"_s.arg(imagePath));
    const QImage image = reader.read();
    if (image.isNull())
        return fail(u"%1: %2"_s.arg(imagePath, reader.errorString()));

    // Through the store reader, as capture reads the program's store.
    const auto rows = store::StoreReader().everyRow(inv.operands[0], inv.password);
    if (!rows)
        return fail(rows.error().message);

    const auto &cv = *rows;
    recognition::Engine engine;
    const auto reading = recognition::readQuestion(engine, rankerOf(cv), image, inv.top);
    if (!reading)
        return fail(reading.error().message);
    writeOut(stderr, reading->text + u'\n');
    return print(inv, cv, reading->candidates, imagePath);
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
