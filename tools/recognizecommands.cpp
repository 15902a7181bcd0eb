#include "tools/recognizecommands.h"

#include "lookup/recognition/options.h"
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

recognition::Ranker rankerOf(const std::vector<store::CvRow> &rows)
{
    QStringList questions;
    questions.reserve(qsizetype(rows.size()));
    for (const store::CvRow &row : rows)
        questions += row.question.value_or(QString());
    return recognition::Ranker(questions);
}

// Prints the rows found, or says that nothing in `source` resembles a question. With the text
// read off a picture, each row gets a third column: the option on the picture that shows its
// answer, empty when none does surely.
int print(const Invocation &inv, const std::vector<store::CvRow> &rows,
          const std::vector<recognition::Candidate> &candidates, const QString &source,
          const QString *read = nullptr)
{
    if (candidates.empty()) {
        writeOut(stderr, u"crvt-tool: nothing in %1 resembles a question of %2\n"_s.arg(
                             source, inv.operands[0]));
        return NothingRecognised;
    }
    for (const recognition::Candidate &c : candidates) {
        const store::CvRow &row = rows[size_t(c.row)];
        const QString answer = row.answer.value_or(QString());
        QString line = row.question.value_or(QString()) + u'\t' + answer;
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
    QImageReader reader(imagePath);
    // On Linux a directory opens and reads as nothing; say what it is.
    if (QFileInfo(imagePath).isDir())
        return fail(u"%1: is a directory"_s.arg(imagePath));
    const QImage image = reader.read();
    if (image.isNull())
        return fail(u"%1: %2"_s.arg(imagePath, reader.errorString()));

    const auto rows = store::readCvTable(inv.operands[0], inv.password);
    if (!rows)
        return fail(rows.error().message);

    const auto &cv = *rows;
    recognition::Engine engine;
    const auto reading = recognition::readQuestion(engine, rankerOf(cv), image, inv.top);
    if (!reading)
        return fail(reading.error().message);
    writeOut(stderr, reading->text + u'\n');
    return print(inv, cv, reading->candidates, imagePath, &reading->text);
}

int match(const Invocation &inv)
{
    const auto rows = store::readCvTable(inv.operands[0], inv.password);
    if (!rows)
        return fail(rows.error().message);
    const auto &cv = *rows;
    return print(inv, cv, rankerOf(cv).match(inv.operands[1], inv.top), u"the text"_s);
}

} // namespace tools
