// crvt-tool: builds, prints and searches the answer store "crvt.dat" for the zone's
// maintainers. `crvt-tool --help` describes the commands.
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"
#include "tools/commandline.h"
#include "tools/pinyin.h"
#include "tools/recognizecommands.h"
#include "tools/tsv.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

using crvttool::Invocation;

enum ExitCode { Success = 0, Failure = 1, UsageFailure = 2 };

// Output goes out as UTF-8 bytes whatever the locale says, so dumps compare byte for
// byte across machines.
bool writeOut(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

int fail(const QString &file, const QString &cause)
{
    writeOut(stderr, u"crvt-tool: %1: %2\n"_s.arg(file, cause));
    return Failure;
}

// Flushes standard output and reports a failed write (a full disk, a closed pipe) as the
// failure it is instead of ending quietly with success.
int finishOutput()
{
    if (std::fflush(stdout) != 0 || std::ferror(stdout))
        return fail(u"standard output"_s, u"write error"_s);
    return Success;
}

// The store layer's messages name the file already: "crvt.dat: wrong database password".
int fail(const store::StoreError &error)
{
    writeOut(stderr, u"crvt-tool: %1\n"_s.arg(error.message));
    return Failure;
}

int build(const Invocation &inv)
{
    const QString &inputPath = inv.operands[0];
    const QString &outputPath = inv.operands[1];

    QFile input(inputPath);
    // On Linux a directory opens and reads as empty; it would build an empty store.
    if (QFileInfo(inputPath).isDir())
        return fail(inputPath, u"is a directory"_s);
    if (!input.open(QIODevice::ReadOnly))
        return fail(inputPath, input.errorString());
    const QByteArray bytes = input.readAll();
    if (input.error() != QFileDevice::NoError)
        return fail(inputPath, input.errorString());
    input.close();

    const QFileInfo outputInfo(outputPath);
    if (outputInfo.exists() &&
        outputInfo.canonicalFilePath() == QFileInfo(inputPath).canonicalFilePath())
        return fail(outputPath, u"is the input file itself"_s);

    const auto parsed = tsv::parse(bytes);
    if (const auto *error = std::get_if<tsv::Error>(&parsed))
        return fail(u"%1:%2"_s.arg(inputPath).arg(error->line), error->cause);
    const auto &entries = std::get<std::vector<tsv::Entry>>(parsed);

    jet::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows.reserve(entries.size());
    for (const tsv::Entry &e : entries) {
        const QString pinyin = e.pinyin.isEmpty() ? pinyin::initials(e.question) : e.pinyin;
        // A question with nothing to take initials from has no pinyin at all.
        cv.rows.push_back({e.question, e.answer,
                           pinyin.isEmpty() ? std::nullopt : std::optional<QString>(pinyin)});
    }
    if (const auto error = jet::writeJet4(outputPath, inv.password, {cv}))
        return fail(outputPath, *error);
    writeOut(stdout, u"crvt-tool: %1: %2 rows written\n"_s.arg(outputPath).arg(cv.rows.size()));
    return finishOutput();
}

int dump(const Invocation &inv)
{
    const QString &storePath = inv.operands[0];
    const auto result = store::readCvTable(storePath, inv.password);
    if (const auto *error = std::get_if<store::StoreError>(&result))
        return fail(*error);
    for (const store::CvRow &row : std::get<std::vector<store::CvRow>>(result)) {
        const QString line = row.question.value_or(QString()) + u'\t' +
                             row.answer.value_or(QString()) + u'\t' +
                             row.pinyin.value_or(QString()) + u'\n';
        if (!writeOut(stdout, line))
            break;
    }
    return finishOutput();
}

// The program's search on one store: the same file checks and password check as the
// program's connection, the same in-memory SQLite table, the same statement with the text
// bound to it, and the record set read the way the result list is filled. Only the
// connection string is left out: the program's names its own file and password, and the
// tool takes both from its command line.
int query(const Invocation &inv)
{
    const QString &storePath = inv.operands[0];
    const QString &text = inv.operands[1];
    // The program runs no search for an empty query box.
    if (text.isEmpty())
        return fail(storePath, u"empty query text"_s);

    auto result = store::queryStore(storePath, inv.password,
                                    QString::fromUtf16(store::kSearchStatement),
                                    store::searchParameters(text));
    if (const auto *error = std::get_if<store::StoreError>(&result))
        return fail(*error);

    store::RecordSet &records = std::get<store::RecordSet>(result);
    for (qsizetype i = 0; i < records.recordCount(); ++i) {
        const auto question = records.field(0);
        const auto answer = records.field(1);
        if (const auto *error = std::get_if<store::StoreError>(&question))
            return fail(*error);
        if (const auto *error = std::get_if<store::StoreError>(&answer))
            return fail(*error);
        if (!writeOut(stdout,
                      std::get<QString>(question) + u'\t' + std::get<QString>(answer) + u'\n'))
            break;
        if (const auto error = records.moveNext())
            return fail(*error);
    }
    return finishOutput();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto parsed = crvttool::parseCommandLine(QCoreApplication::arguments().mid(1));
    if (const auto *error = std::get_if<crvttool::UsageError>(&parsed)) {
        writeOut(stderr, u"crvt-tool: "_s + error->message + u'\n');
        return UsageFailure;
    }
    const Invocation &inv = std::get<Invocation>(parsed);
    switch (inv.command) {
    case Invocation::Command::Help:
        writeOut(stdout, crvttool::helpText());
        return finishOutput();
    case Invocation::Command::Build:
        return build(inv);
    case Invocation::Command::Dump:
        return dump(inv);
    case Invocation::Command::Query:
        return query(inv);
    case Invocation::Command::Recognize:
        return crvttool::recognize(inv);
    case Invocation::Command::Match:
        return crvttool::match(inv);
    }
    return UsageFailure;
}
