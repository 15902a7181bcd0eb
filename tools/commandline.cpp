#include "tools/commandline.h"

#include "lookup/jet/jetformat.h"
#include "lookup/recognition/picturelimits.h"
#include "tools/recognizecommands.h"

#include <array>

using namespace Qt::StringLiterals;

namespace tools {

namespace {

struct CommandForm
{
    QStringView word;
    Invocation::Command command;
    QStringList operandNames;
};

const std::array<CommandForm, 6> &commandForms()
{
    static const std::array<CommandForm, 6> kForms = {{
        {u"build", Invocation::Command::Build, {u"INPUT.tsv"_s, u"OUTPUT"_s}},
        {u"install", Invocation::Command::Install, {u"INPUT.tsv"_s}},
        {u"dump", Invocation::Command::Dump, {u"STORE"_s}},
        {u"query", Invocation::Command::Query, {u"STORE"_s, u"TEXT"_s}},
        {u"recognize", Invocation::Command::Recognize, {u"STORE"_s, u"IMAGE"_s}},
        {u"match", Invocation::Command::Match, {u"STORE"_s, u"TEXT"_s}},
    }};
    return kForms;
}

const QString kSeeHelp = u"; see crvt-tool --help"_s;

} // namespace

shared::Result<Invocation, UsageError> parseCommandLine(const QStringList &arguments)
{
    QStringList words;
    std::optional<QString> password;
    std::optional<int> top;
    bool optionsEnded = false;
    bool help = false;
    std::optional<QString> problem;
    const auto complain = [&problem](QString message) {
        if (!problem)
            problem = std::move(message);
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &arg = arguments[i];
        if (optionsEnded || arg == u"-" || !arg.startsWith(u'-')) {
            words += arg;
        } else if (arg == u"--") {
            optionsEnded = true;
        } else if (arg == u"--help" || arg == u"-h") {
            help = true;
        } else if (arg == u"--password" || arg.startsWith(u"--password=")) {
            if (password)
                complain(u"option --password given twice"_s);
            if (arg == u"--password") {
                if (i + 1 >= arguments.size()) {
                    complain(u"option --password needs a value"_s);
                    password = QString();
                } else {
                    password = arguments[++i];
                }
            } else {
                password = arg.mid(qsizetype(sizeof("--password=") - 1));
            }
        } else if (arg == u"--top" || arg.startsWith(u"--top=")) {
            if (top)
                complain(u"option --top given twice"_s);
            const bool separate = arg == u"--top";
            if (separate && i + 1 >= arguments.size()) {
                complain(u"option --top needs a value"_s);
                top = 0;
                continue;
            }
            const QString value =
                separate ? arguments[++i] : arg.mid(qsizetype(sizeof("--top=") - 1));
            bool ok = false;
            top = value.toInt(&ok);
            if (!ok || *top < 1)
                complain(u"option --top needs a positive whole number, not %1"_s.arg(value));
        } else {
            complain(u"unknown option %1"_s.arg(arg) + kSeeHelp);
        }
    }
    if (help)
        return Invocation{};
    if (problem)
        return UsageError{*problem};
    if (words.isEmpty())
        return UsageError{u"no command given"_s + kSeeHelp};

    for (const CommandForm &form : commandForms()) {
        if (words[0] != form.word)
            continue;
        Invocation inv;
        inv.command = form.command;
        inv.operands = words.mid(1);
        if (inv.operands.size() != form.operandNames.size()) {
            return UsageError{
                u"%1 needs %2, %3 given"_s.arg(form.word, form.operandNames.join(u' '))
                    .arg(inv.operands.size()) +
                kSeeHelp};
        }
        if (password)
            inv.password = *password;
        if (top) {
            if (form.command != Invocation::Command::Recognize &&
                form.command != Invocation::Command::Match)
                return UsageError{u"option --top is for recognize and match only"_s + kSeeHelp};
            inv.top = *top;
        }
        return inv;
    }
    return UsageError{u"unknown command %1"_s.arg(words[0]) + kSeeHelp};
}

QString helpText()
{
    return uR"(Usage:
  crvt-tool build INPUT.tsv OUTPUT [--password P]
  crvt-tool install INPUT.tsv [--password P]
  crvt-tool dump STORE [--password P]
  crvt-tool query STORE TEXT [--password P]
  crvt-tool recognize STORE IMAGE [--top N] [--password P]
  crvt-tool match STORE TEXT [--top N] [--password P]
  crvt-tool --help

Makes and inspects crvt.dat, the answer store that ZembrikCorvanth多功能答题器 reads:
a Jet 4 database with a database password and one table, cv, of three text columns
(question, answer, pinyin).

Where the program looks for crvt.dat: first in the player's own folder,
$XDG_DATA_HOME/zembrik-corvanth/ (by default ~/.local/share/zembrik-corvanth/),
then in its own folder, beside the program (once installed, /usr/lib/zembrik-corvanth/).
Whatever stands in the player's folder under that name is used; if it cannot be
opened, the search stays as it is (QT_LOGGING_RULES="zc.*=true" shows why).

Commands:
  build   Reads the quiz list INPUT.tsv (an ordinary file, or standard input for -)
          and writes a new store to OUTPUT. OUTPUT is written to a temporary file
          beside it and renamed into place, so a failed build leaves any existing
          OUTPUT as it was; an OUTPUT that exists and is not an ordinary file (a
          directory, FIFO, socket or device) is refused and left alone. A store
          larger than 2 GiB, the most Jet 4 holds, is refused.
  install Builds INPUT.tsv as build does into the player's own store,
          $XDG_DATA_HOME/zembrik-corvanth/crvt.dat (by default
          ~/.local/share/zembrik-corvanth/crvt.dat), making the folder if needed.
          A list without a single question is refused and the store left as it is.
          The store it replaces is kept beside it as crvt.dat.bak (replacing an older
          one), so renaming crvt.dat.bak back to crvt.dat undoes one install. The new
          store is written in full before anything is replaced, so a failed install
          leaves the store as it was.
  dump    Prints every row of table cv in store order: question TAB answer TAB
          pinyin, one line each, in the form build reads (see below: a backslash,
          tab, line feed or carriage return in a value is printed as \\, \t, \n
          or \r), so that a dump builds the same store again; a null field prints
          as nothing.
  query   Runs the program's own search for TEXT on the store and prints every match
          in store order: question TAB answer, one line each, escaped as by dump.
          As in the program, TEXT is matched anywhere in pinyin or question, %
          matches any run of characters and _ any one character; a quote is an
          ordinary character.
  recognize
          Reads the question on the picture IMAGE (PNG, JPEG or BMP) as the program
          reads a capture, prints the text read on standard error, and prints the
          questions of the store it most resembles, best first: question TAB answer
          TAB option, one line each, at most N (--top, default 5). The option is the
          label (A to D, or 1 to 4) of the answer option on the picture that shows the
          row's answer; empty when the picture shows no options or none surely.
          IMAGE must be an ordinary file (links are followed): a directory, FIFO,
          socket or device is refused unread.
          Refused before decoding: a picture of more than %3 megapixels or more than
          %4 pixels wide or tall, a file over %5 MiB, and a damaged file whose
          structure claims more than it holds. Refused before recognition: a picture
          far busier than a question (more than %6 separate marks). Reading stops
          after %7 s.
  match   Ranks the questions of the store against TEXT as recognize ranks the text
          it reads, and prints question TAB answer. Punctuation, spaces and letter
          case do not count; wrong, missing and extra characters, text around the
          question and a question cut short are tolerated.

Options (anywhere on the line):
  --password P, --password=P
          The database password. Default: %1, the one the program uses.
          With build, an empty P writes a store without a password.
  --top N, --top=N
          recognize and match: print at most N rows (N at least 1). Default: 5.
  -h, --help
          Prints this text.
  --      Ends the options: every later word is an operand, even one starting with -.

Input of build: UTF-8 text, one question per line, fields separated by TAB:
  question TAB answer [TAB pinyin]
There is no quoting: a double quote is an ordinary character. A backslash starts
an escape: \\ is a backslash, \t a tab, \n a line feed and \r a carriage return
inside a value; any other backslash is an error. Lines end in LF or
CR LF; lines of nothing but spaces and tabs are skipped; a byte order mark at the
start of the file (or of a line) is dropped. An empty or missing pinyin is filled
with the lower-case initials of the question: the first letter of each Chinese
character's Mandarin reading (Unihan kMandarin), ASCII letters and digits kept,
full-width letters and digits taken as ASCII, everything else dropped; a question
without any of these gets a null pinyin. The build stops with an error naming the
file and line at text that is not UTF-8, a missing question or answer, more than
three fields, a backslash that starts no escape, or a value the store cannot hold:
longer than %2 characters, or with a control character written as itself, a byte
order mark, or a character outside the Basic Multilingual Plane (Jet 4 text is
UCS-2).

Output is UTF-8 whatever the locale. Every failure prints one line naming the file
and the cause on standard error.

Exit status: 0 on success (a query without matches included), 1 when a file cannot
be read or written or the store cannot be opened (with recognize also a file that is
not a picture or is damaged, a picture refused by the limits above, memory running
out, or missing or damaged recognition data), 2 for a wrong command line, 3 when
recognize or match finds nothing that resembles a question of the store (a readable
picture without text included).
)"_s.arg(QString::fromUtf16(store::kStorePassword), QString::number(jet::kMaxTextLength),
         QString::number(recognition::kMaxPicturePixels / 1'000'000),
         QString::number(recognition::kMaxPictureSide),
         QString::number(recognition::kMaxPictureFileSize >> 20),
         QString::number(recognition::kMaxMarks),
         QString::number(tools::kRecognizeTimeLimitSeconds));
}

} // namespace tools
