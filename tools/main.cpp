// crvt-tool: builds, prints and searches the answer store "crvt.dat" for the zone's
// maintainers. `crvt-tool --help` describes the commands.
#include "lookup/filename.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"
#include "tools/commandline.h"
#include "tools/inputfile.h"
#include "tools/install.h"
#include "tools/pinyin.h"
#include "tools/recognizecommands.h"
#include "tools/tsv.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <new>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using tools::Invocation;

enum ExitCode { Success = 0, Failure = 1, UsageFailure = 2 };

// Output goes out as UTF-8 bytes whatever the locale says, so dumps compare byte for
// byte across machines.
bool writeOut(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

// A message naming files, written with their names' bytes as the command line gave them.
bool say(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = lookup::fileNameToBytes(text);
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

int fail(const QString &file, const QString &cause)
{
    say(stderr, u"crvt-tool: %1: %2\n"_s.arg(file, cause));
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
    say(stderr, u"crvt-tool: %1\n"_s.arg(error.message));
    return Failure;
}

// The store's table made from the quiz list at `inputPath`, or the failure, already reported:
// the exit status.
shared::Result<jetwriter::TextTable, int> readList(const QString &inputPath)
{
    const auto input = tools::readInput(inputPath);
    if (!input)
        return fail(input.error());
    const QByteArray &bytes = *input;

    const QString inputName = inputPath == u"-" ? u"standard input"_s : inputPath;
    const auto parsed = tools::tsv::parse(bytes);
    if (!parsed)
        return fail(u"%1:%2"_s.arg(inputName).arg(parsed.error().line), parsed.error().cause);
    const auto &entries = *parsed;

    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows.reserve(entries.size());
    for (const tools::tsv::Entry &e : entries) {
        const QString pinyin = e.pinyin.isEmpty() ? tools::pinyin::initials(e.question) : e.pinyin;
        // A question with nothing to take initials from has no pinyin at all.
        cv.rows.push_back({e.question, e.answer,
                           pinyin.isEmpty() ? std::nullopt : std::optional<QString>(pinyin)});
    }
    return cv;
}

QString rowsWritten(const QString &outputPath, size_t rows)
{
    return (rows == 1 ? u"crvt-tool: %1: %2 row written\n"_s
                      : u"crvt-tool: %1: %2 rows written\n"_s)
        .arg(outputPath)
        .arg(rows);
}

int build(const Invocation &inv)
{
    const QString &inputPath = inv.operands[0];
    const QString &outputPath = inv.operands[1];

    // A FIFO, socket, device or directory at OUTPUT is left alone (writeJet4 checks again
    // before it writes); saying so before the input is read saves reading it for nothing.
    if (const auto problem = jetwriter::outputProblem(outputPath))
        return fail(outputPath, *problem);
    // The writer names its file as Qt does, and would write a name that is not UTF-8 as another.
    if (lookup::fileNameToBytes(outputPath) != outputPath.toUtf8())
        return fail(outputPath, u"the name is not valid UTF-8; a store is written only under a "
                                "UTF-8 name"_s);
    const QFileInfo outputInfo(outputPath);
    if (inputPath != u"-" && outputInfo.exists() &&
        outputInfo.canonicalFilePath() == QFileInfo(inputPath).canonicalFilePath())
        return fail(outputPath, u"is the input file itself"_s);

    const auto cv = readList(inputPath);
    if (!cv)
        return cv.error();
    if (const auto error = jetwriter::writeJet4(outputPath, inv.password, {*cv}))
        return fail(outputPath, *error);
    say(stdout, rowsWritten(outputPath, cv->rows.size()));
    return finishOutput();
}

// build into the player's own store, refusing a list that would leave the player with an empty
// store, and keeping the store it replaces beside it.
int install(const Invocation &inv)
{
    const auto target = tools::prepareInstallTarget();
    if (!target)
        return fail(target.error().file, target.error().cause);
    const QString &inputPath = inv.operands[0];
    const auto cv = readList(inputPath);
    if (!cv)
        return cv.error();
    if (cv->rows.empty())
        return fail(inputPath == u"-" ? u"standard input"_s : inputPath,
                    u"the list holds no question; the installed store was left as it is"_s);
    const auto replaced = tools::installStore(*target, [&](const QString &path) {
        return jetwriter::writeJet4(path, inv.password, {*cv});
    });
    if (!replaced)
        return fail(replaced.error().file, replaced.error().cause);
    say(stdout, rowsWritten(*target, cv->rows.size()));
    if (*replaced)
        say(stdout, u"crvt-tool: the store it replaced is kept as %1; renaming it back to %2 "
                    "undoes the install\n"_s.arg(tools::backupPath(*target),
                                                 QString::fromUtf16(store::kStoreFileName)));
    return finishOutput();
}

int dump(const Invocation &inv)
{
    const QString &storePath = inv.operands[0];
    const auto rows = store::readCvTable(storePath, inv.password);
    if (!rows)
        return fail(rows.error());
    for (const store::CvRow &row : *rows) {
        const QString line = tools::tsv::escape(row.question.value_or(QString())) + u'\t' +
                             tools::tsv::escape(row.answer.value_or(QString())) + u'\t' +
                             tools::tsv::escape(row.pinyin.value_or(QString())) + u'\n';
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

    auto result =
        store::queryStore(storePath, inv.password, QString::fromUtf16(store::kSearchStatement),
                          store::searchParameters(text));
    if (!result)
        return fail(result.error());

    store::RecordSet &records = *result;
    for (qsizetype i = 0; i < records.recordCount(); ++i) {
        const auto question = records.field(store::ResultColumn::Question);
        const auto answer = records.field(store::ResultColumn::Answer);
        if (!question)
            return fail(question.error());
        if (!answer)
            return fail(answer.error());
        if (!writeOut(stdout,
                      tools::tsv::escape(*question) + u'\t' + tools::tsv::escape(*answer) + u'\n'))
            break;
        if (const auto error = records.moveNext())
            return fail(*error);
    }
    return finishOutput();
}

int run(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    // The words as given: a file name keeps bytes that are not UTF-8, so that it opens the file
    // it names (lookup/filename.h). QCoreApplication::arguments() would turn them into U+FFFD.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments += lookup::fileNameFromBytes(argv[i]);
    const auto parsed = tools::parseCommandLine(arguments);
    if (!parsed) {
        say(stderr, u"crvt-tool: "_s + parsed.error().message + u'\n');
        return UsageFailure;
    }
    const Invocation &inv = *parsed;
    switch (inv.command) {
    case Invocation::Command::Help:
        writeOut(stdout, tools::helpText());
        return finishOutput();
    case Invocation::Command::Build:
        return build(inv);
    case Invocation::Command::Install:
        return install(inv);
    case Invocation::Command::Dump:
        return dump(inv);
    case Invocation::Command::Query:
        return query(inv);
    case Invocation::Command::Recognize:
        return tools::recognize(inv);
    case Invocation::Command::Match:
        return tools::match(inv);
    }
    return UsageFailure;
}

} // namespace

int main(int argc, char **argv)
{
    // Memory that runs out where nothing else catches it (Qt's containers throw) ends the tool
    // with one line, written without asking for more memory.
    try {
        return run(argc, argv);
    } catch (const std::bad_alloc &) {
        static const char message[] = "crvt-tool: out of memory\n";
        std::fflush(stdout);
        (void)!::write(STDERR_FILENO, message, sizeof message - 1);
        return Failure;
    }
}
