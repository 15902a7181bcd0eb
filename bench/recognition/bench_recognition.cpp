// Reading a quiz question off a capture, from the image in memory to the answer: accuracy
// and time of the program's recognition (readQuestion: the neural reader, PP-OCRv4 through
// OpenCV, and the pair index and alignment ranking) on quiz-panel captures rendered from the
// shipped store (see imageset.h), against a plain baseline measured in the same run:
// Tesseract with its default settings on the raw capture and a plain similarity ranking (edit
// distance over the whole texts, every row).
//
// Accuracy is reported for each split as soon as it is read, the validation split being the
// one no recognition setting is ever tuned on: the best question right, among the first
// three, a wrong question first (and one not shown as twins), nothing returned, the option
// letter on captures with options, and the best question right by each factor the captures
// are made of.
//
// Time, after both splits: capture to answer at the shipped store's 1,416 rows and at
// 100,000 rows (synthetic questions made from the real ones, the real rows spread among
// them), for one line, for one to three lines of question, and for every capture (the
// options add up to four rows), median and 95th percentile, as the wall clock saw them and
// as the reading thread's processor time (what they would be on an idle machine, near
// enough, for one thread). Every capture is read twice: the first reading of a new size
// makes the detection model's net for it, which the program pays at its region's first
// capture only; the second is what a player mostly sees. At 100,000 rows the reading is the
// same and the ranking is timed on its text in place of the small one. For the baseline,
// recognition and the plain ranking are timed on the same capture and added. Then the
// engine's load time against Tesseract's (the program's former reader), and the memory of
// a process that has loaded the store, the reader and read ten captures, for the neural
// reader and for the former reader (Tesseract with the preparation), each in a process of
// its own started by this one. One line per figure: name, value, baseline, ratio, target.
//
// Switches, in the environment:
//   ZC_BENCH_SPLIT=tuning|validation  one split only
//   ZC_BENCH_COUNT=N                  N captures a split (quick runs; the figures want 300)
//   ZC_BENCH_ONCE=1                   every capture read once (quick tuning runs: the times are
//                                     then those of a new size)
//   ZC_BENCH_BASELINE=0               no plain baseline (for quick tuning runs only)
//   ZC_BENCH_PLAIN_LARGE=1            the plain ranking at 100,000 rows too (a quarter of a
//                                     second a text; a sample of 20), for the 100,000-row
//                                     baseline
//   ZC_BENCH_COMPARE=1                the former reader and a cascade (Tesseract's prepared
//                                     pass, the neural reader when the ranker is unsure) on
//                                     the tuning split, beside the neural reader
//   ZC_BENCH_THREADS=N                the neural reader with OpenCV's N threads (default:
//                                     the program's)
//   ZC_BENCH_SAVE=DIR                 every capture saved as DIR/SPLIT-NNN.png
//   ZC_BENCH_SEED=N                   the tuning split drawn from seed N (more captures of its
//                                     families to study; the validation split keeps its own)
//   ZC_BENCH_RENDER_ONLY=1            the captures rendered (and saved) and not read
//   ZC_BENCH_VERBOSE=1                every tuning capture whose best question or option letter
//                                     is wrong, with what was read and what the capture was made
//                                     of (never the validation split's: it is measured only as a
//                                     whole)
//
//   bench_recognition --resident neural|former   (what the memory figure runs)

#include "bench/common/percentile.h"
#include "bench/recognition/imageset.h"
#include "lookup/recognition/options.h"
#include "lookup/recognition/reader.h"
#include "lookup/store/store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>

#include <ctime>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using bench::percentile;

// Enough captures that a factor's value has a few dozen (one miss in 50 is 2 points), few
// enough that a run stays within a few minutes.
constexpr int kTuningCaptures = 300;
constexpr int kValidationCaptures = 300;
constexpr std::uint32_t kSeed = 20261207; // the synthetic 100,000-row store
constexpr qsizetype kLargeStore = 100000;

// Off when ZC_BENCH_BASELINE=0: the plain baseline's figures print as "-" rather than as zeros.
bool plainMeasured = true;

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The ratio is how many times better the value is: baseline over value for times, value over
// baseline for accuracies.
void figure(const char *name, double value, double baseline, const char *unit, const char *target)
{
    if (baseline <= 0) {
        std::printf("%-52s %9.2f %-2s  baseline %12s  ratio       -  target %s\n", name, value,
                    unit, "-", target);
        return;
    }
    const bool higherIsBetter = unit[0] == '%';
    const double ratio = higherIsBetter ? value / baseline : (value > 0 ? baseline / value : 0);
    std::printf("%-52s %9.2f %-2s  baseline %9.2f %-2s  ratio %6.2fx  target %s\n", name, value,
                unit, baseline, unit, ratio, target);
}

// The plain ranking: similarity 1 - distance / longer length over the raw texts, every row.
std::vector<qsizetype> plainRanking(const QStringList &questions, const QString &text, int top)
{
    std::vector<std::pair<double, qsizetype>> scored;
    scored.reserve(size_t(questions.size()));
    std::vector<int> previous, current;
    for (qsizetype r = 0; r < questions.size(); ++r) {
        const QString &q = questions[r];
        previous.resize(size_t(text.size() + 1));
        current.resize(size_t(text.size() + 1));
        for (qsizetype j = 0; j <= text.size(); ++j)
            previous[size_t(j)] = int(j);
        for (qsizetype i = 1; i <= q.size(); ++i) {
            current[0] = int(i);
            for (qsizetype j = 1; j <= text.size(); ++j) {
                current[size_t(j)] =
                    std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                              previous[size_t(j - 1)] + (q[i - 1] == text[j - 1] ? 0 : 1)});
            }
            std::swap(previous, current);
        }
        const double longer = double(std::max(q.size(), text.size()));
        scored.emplace_back(longer > 0 ? 1.0 - previous[size_t(text.size())] / longer : 0, r);
    }
    std::stable_sort(scored.begin(), scored.end(),
                     [](const auto &a, const auto &b) { return a.first > b.first; });
    std::vector<qsizetype> rows;
    for (int i = 0; i < top && i < int(scored.size()); ++i)
        rows.push_back(scored[size_t(i)].second);
    return rows;
}

// Synthetic questions built from the real ones (their characters, some of their phrases),
// with the real questions spread evenly among them. `where[i]` is real row i's place.
QStringList largeStore(const QStringList &real, qsizetype size, std::vector<qsizetype> &where)
{
    std::mt19937 dice(kSeed);
    QString pool = real.join(QString());
    QStringList rows;
    rows.reserve(size);
    const qsizetype step = size / real.size();
    for (qsizetype i = 0; rows.size() < size; ++i) {
        if (i % step == step / 2 && qsizetype(where.size()) < real.size()) {
            where.push_back(rows.size());
            rows += real[qsizetype(where.size()) - 1];
            continue;
        }
        const QString &a = real[qsizetype(dice() % std::uint32_t(real.size()))];
        const QString &b = real[qsizetype(dice() % std::uint32_t(real.size()))];
        QString q = a.left(a.size() / 2) + b.mid(b.size() / 2);
        for (QChar &c : q) {
            if (dice() % 100 < 30)
                c = pool[qsizetype(dice() % std::uint32_t(pool.size()))];
        }
        rows += q;
    }
    return rows;
}

struct Tally
{
    int top1 = 0, top3 = 0, total = 0;
    void add(bool first, bool inThree)
    {
        ++total;
        top1 += first;
        top3 += inThree;
    }
    double share1() const { return total ? 100.0 * top1 / total : 0; }
    double share3() const { return total ? 100.0 * top3 / total : 0; }
};

// --- Accuracy by split and by factor.

// What the program and the baseline made of one capture.
struct Outcome
{
    const bench::Capture *capture = nullptr;
    bool top1 = false, top3 = false, nothing = false;
    bool twins = false; // the best two said to explain the reading nearly equally well
    bool plainTop1 = false, plainTop3 = false;
    // Captures with options: the right option named for the best question's answer, a wrong
    // one named, and the right one named for the capture's own answer.
    bool letter = false, plainLetter = false;
    bool wrongLetter = false, plainWrongLetter = false;
    bool ownLetter = false, plainOwnLetter = false;
    // The program's best question right at 100,000 rows, among its first three there, and the
    // program's ranking right on the baseline engine's text (what the reader adds).
    bool largeTop1 = false, largeTop3 = false, rankedPlainTop1 = false;
};

// 1 - edit distance / longer length: the plain similarity of two texts.
double plainSimilarity(QStringView a, QStringView b)
{
    std::vector<int> previous(size_t(b.size() + 1)), current(size_t(b.size() + 1));
    for (qsizetype j = 0; j <= b.size(); ++j)
        previous[size_t(j)] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        current[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            current[size_t(j)] =
                std::min({previous[size_t(j)] + 1, current[size_t(j - 1)] + 1,
                          previous[size_t(j - 1)] + (a[i - 1] == b[j - 1] ? 0 : 1)});
        }
        std::swap(previous, current);
    }
    const double longer = double(std::max(a.size(), b.size()));
    return longer > 0 ? 1.0 - previous[size_t(b.size())] / longer : 0;
}

// The plain option reading: the text after each letter A-D and a mark, up to the next one;
// the letter of the option most similar to the answer. Empty when no letter is found.
QString plainOptionLetter(const QString &text, const QString &answer)
{
    static const QRegularExpression label(u"([A-D])\\s*[.、:：)]"_s);
    std::vector<std::pair<QChar, qsizetype>> found; // letter, where its text begins
    std::vector<qsizetype> starts;
    for (auto it = label.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        found.emplace_back(m.captured(1).front(), m.capturedEnd());
        starts.push_back(m.capturedStart());
    }
    QString best;
    double bestScore = -1;
    for (size_t i = 0; i < found.size(); ++i) {
        const qsizetype end = i + 1 < found.size() ? starts[i + 1] : text.size();
        const QString option = text.mid(found[i].second, end - found[i].second).trimmed();
        const double score = plainSimilarity(option, answer);
        if (score > bestScore) {
            bestScore = score;
            best = found[i].first;
        }
    }
    return best;
}

double share(int part, int whole)
{
    return whole ? 100.0 * part / whole : 0;
}

// A share in per cent beside the baseline's; the ratio is how many times better it is.
void shareFigure(const QString &name, double value, double baseline, bool lowerIsBetter,
                 const char *target)
{
    if (!plainMeasured) {
        std::printf("%-60s %7.2f %%  baseline       -    ratio      -  target %s\n",
                    qPrintable(name), value, target);
        return;
    }
    const double over = lowerIsBetter ? baseline : value, under = lowerIsBetter ? value : baseline;
    char ratio[16] = "     -";
    if (under > 0)
        std::snprintf(ratio, sizeof ratio, "%6.2fx", over / under);
    std::printf("%-60s %7.2f %%  baseline %7.2f %%  ratio %s  target %s\n", qPrintable(name), value,
                baseline, ratio, target);
}

void reportSplit(bench::Split split, const std::vector<Outcome> &outcomes)
{
    const QString name = QString::fromUtf8(bench::splitName(split));
    int total = 0, top1 = 0, top3 = 0, wrong = 0, wrongSure = 0, twins = 0, nothing = 0,
        plainTop1 = 0, plainTop3 = 0, plainWrong = 0, withOptions = 0, letter = 0, plainLetter = 0,
        wrongLetter = 0, plainWrongLetter = 0, ownLetter = 0, plainOwnLetter = 0, largeTop1 = 0,
        largeTop3 = 0, rankedPlain = 0;
    // Per factor and value: captures, right first (ours), right first (baseline).
    std::map<std::pair<QString, QString>, std::array<int, 3>> byFactor;
    QStringList order; // factor names in the order captures record them
    for (const Outcome &o : outcomes) {
        if (o.capture->split != split)
            continue;
        ++total;
        top1 += o.top1;
        top3 += o.top3;
        wrong += !o.top1 && !o.nothing;
        wrongSure += !o.top1 && !o.nothing && !o.twins;
        twins += o.twins;
        nothing += o.nothing;
        plainTop1 += o.plainTop1;
        plainTop3 += o.plainTop3;
        plainWrong += !o.plainTop1;
        largeTop1 += o.largeTop1;
        largeTop3 += o.largeTop3;
        rankedPlain += o.rankedPlainTop1;
        if (!o.capture->rightLetter.isEmpty()) {
            ++withOptions;
            letter += o.letter;
            plainLetter += o.plainLetter;
            wrongLetter += o.wrongLetter;
            plainWrongLetter += o.plainWrongLetter;
            ownLetter += o.ownLetter;
            plainOwnLetter += o.plainOwnLetter;
        }
        qsizetype at = 0;
        for (const auto &[factor, value] : o.capture->factors) {
            const qsizetype known = order.indexOf(factor);
            if (known < 0)
                order.insert(at++, factor);
            else
                at = known + 1;
            auto &counts = byFactor[{factor, value}];
            ++counts[0];
            counts[1] += o.top1;
            counts[2] += o.plainTop1;
        }
    }
    if (total == 0)
        return;
    std::printf("\n%s split, %d captures, accuracy\n", qPrintable(name), total);
    shareFigure(u"top-1, %1"_s.arg(name), share(top1, total), share(plainTop1, total), false,
                ">= 98 %");
    shareFigure(u"top-3, %1"_s.arg(name), share(top3, total), share(plainTop3, total), false,
                ">= 99.5 %");
    shareFigure(u"a wrong question first, %1"_s.arg(name), share(wrong, total),
                share(plainWrong, total), true, "<= 0.5 %");
    shareFigure(u"a wrong question first, not shown as twins, %1"_s.arg(name),
                share(wrongSure, total), share(plainWrong, total), true, "<= 0.5 %");
    shareFigure(u"top-1 at 100,000 rows, %1"_s.arg(name), share(largeTop1, total),
                share(plainTop1, total), false, ">= 98 %");
    shareFigure(u"top-3 at 100,000 rows, %1"_s.arg(name), share(largeTop3, total),
                share(plainTop3, total), false, ">= 99.5 %");
    shareFigure(u"top-1, our ranking on the baseline's text, %1"_s.arg(name),
                share(rankedPlain, total), share(plainTop1, total), false, "(the reader's share)");
    shareFigure(u"shown as twins, %1"_s.arg(name), share(twins, total), 0.0, true, "-");
    shareFigure(u"nothing returned, %1"_s.arg(name), share(nothing, total), 0.0, true, "-");
    shareFigure(u"option letter, %1 (%2 captures with options)"_s.arg(name).arg(withOptions),
                share(letter, withOptions), share(plainLetter, withOptions), false, ">= 98 %");
    shareFigure(u"option letter wrong, %1"_s.arg(name), share(wrongLetter, withOptions),
                share(plainWrongLetter, withOptions), true, "-");
    shareFigure(u"option letter for the capture's own answer, %1"_s.arg(name),
                share(ownLetter, withOptions), share(plainOwnLetter, withOptions), false, "-");
    QString lowest;
    double lowestShare = 101, lowestPlain = 0;
    for (const QString &factor : order) {
        for (const auto &[key, counts] : byFactor) {
            if (key.first != factor)
                continue;
            const QString what = u"%1 = %2 (%3)"_s.arg(factor, key.second).arg(counts[0]);
            shareFigure(u"top-1, %1, %2"_s.arg(name, what), share(counts[1], counts[0]),
                        share(counts[2], counts[0]), false, ">= 95 %");
            if (share(counts[1], counts[0]) < lowestShare) {
                lowestShare = share(counts[1], counts[0]);
                lowestPlain = share(counts[2], counts[0]);
                lowest = what;
            }
        }
    }
    shareFigure(u"top-1, %1, lowest factor: %2"_s.arg(name, lowest), lowestShare, lowestPlain,
                false, ">= 95 %");
    std::fflush(stdout);
}

// Whether each reader's best question, and its first three, are the capture's, and which option
// letter each finds in its text for its best question's answer and for the capture's own: the
// program with optionLetter, the baseline with the plain option reading.
Outcome judge(const bench::Capture &c, const std::vector<store::CvRow> &rows, const QString &text,
              const std::vector<recognition::Candidate> &ranked, bool twins,
              const QString &plainText, const std::vector<qsizetype> &plainRanked)
{
    const auto right = [&](qsizetype row) {
        return rows[size_t(row)].question == rows[size_t(c.row)].question;
    };
    const auto answer = [&](qsizetype row) { return rows[size_t(row)].answer.value_or(QString()); };
    Outcome o;
    o.capture = &c;
    o.nothing = ranked.empty();
    o.twins = twins;
    for (size_t i = 0; i < std::min<size_t>(3, ranked.size()); ++i) {
        o.top3 = o.top3 || right(ranked[i].row);
        o.top1 = o.top1 || (i == 0 && right(ranked[i].row));
    }
    for (size_t i = 0; i < std::min<size_t>(3, plainRanked.size()); ++i) {
        o.plainTop3 = o.plainTop3 || right(plainRanked[i]);
        o.plainTop1 = o.plainTop1 || (i == 0 && right(plainRanked[i]));
    }
    if (!c.rightLetter.isEmpty()) {
        const QString ours = ranked.empty()
                                 ? QString()
                                 : recognition::optionLetter(text, answer(ranked.front().row));
        const QString plain = plainRanked.empty()
                                  ? QString()
                                  : plainOptionLetter(plainText, answer(plainRanked.front()));
        o.letter = ours == c.rightLetter;
        o.plainLetter = plain == c.rightLetter;
        o.wrongLetter = !ours.isEmpty() && !o.letter;
        o.plainWrongLetter = !plain.isEmpty() && !o.plainLetter;
        o.ownLetter = recognition::optionLetter(text, answer(c.row)) == c.rightLetter;
        o.plainOwnLetter = plainOptionLetter(plainText, answer(c.row)) == c.rightLetter;
    }
    return o;
}

// A capture the program got wrong: what it read, what it should have found, what it found.
void printMiss(const char *what, const bench::Capture &c, const QString &text,
               const QString &expected, const QString &got)
{
    QStringList factors;
    for (const auto &[factor, value] : c.factors)
        factors += factor + u'=' + value;
    QString read = text;
    read.replace(u'\n', u" / "_s);
    std::printf("%s %s %03d: read \"%s\" | want %s | got %s | %s\n", what,
                bench::splitName(c.split), c.index, qPrintable(read), qPrintable(expected),
                got.isEmpty() ? "nothing" : qPrintable(got), qPrintable(factors.join(u", ")));
}

// The splits ZC_BENCH_SPLIT names, both when it is not set.
bool splitsToRun(std::vector<bench::Split> &splits)
{
    const QString only = qEnvironmentVariable("ZC_BENCH_SPLIT");
    for (const bench::Split split : {bench::Split::Tuning, bench::Split::Validation}) {
        if (only.isEmpty() || only == QString::fromUtf8(bench::splitName(split)))
            splits.push_back(split);
    }
    if (splits.empty())
        std::fprintf(stderr, "ZC_BENCH_SPLIT is tuning or validation, not %s\n", qPrintable(only));
    return !splits.empty();
}

// Renders a split's captures, says what they hold, and saves them where ZC_BENCH_SAVE says.
std::vector<bench::Capture> makeCaptures(const std::vector<store::CvRow> &rows, bench::Split split,
                                         int count)
{
    const QString dir = qEnvironmentVariable("ZC_BENCH_SAVE");
    if (!dir.isEmpty())
        QDir().mkpath(dir);
    // Another seed draws more captures of the tuning split's families; the validation split
    // keeps its own, always.
    const std::uint32_t seed = split == bench::Split::Tuning
                                   ? std::uint32_t(qEnvironmentVariableIntValue("ZC_BENCH_SEED"))
                                   : 0;
    auto captures = bench::renderCaptures(rows, split, count, seed);
    int oneLine = 0, cut = 0, options = 0;
    double width = 0, height = 0;
    for (size_t i = 0; i < captures.size(); ++i) {
        const bench::Capture &c = captures[i];
        oneLine += c.oneLine;
        cut += c.cut;
        options += !c.rightLetter.isEmpty();
        width += c.image.width();
        height += c.image.height();
        if (!dir.isEmpty()) {
            c.image.save(u"%1/%2-%3.png"_s.arg(dir, QString::fromUtf8(bench::splitName(split)))
                             .arg(i, 3, 10, QChar(u'0')));
        }
    }
    const int n = std::max(1, int(captures.size()));
    std::printf("\n%s split: %d captures from %lld rows (mean %.0fx%.0f px), %d one-line, %d "
                "with options, %d cut short\n  fonts: %s\n  grounds: %s\n",
                bench::splitName(split), int(captures.size()), qlonglong(rows.size()), width / n,
                height / n, oneLine, options, cut, qPrintable(bench::fontsOf(split).join(u", ")),
                qPrintable(bench::groundsOf(split).join(u", ")));
    std::fflush(stdout);
    return captures;
}

// --- Time, memory and the readers compared.

double threadMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// The process's resident memory in MB (VmRSS).
double residentMb()
{
    QFile status(u"/proc/self/status"_s);
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

// An environment switch: set to anything but "0".
bool switchedOn(const char *name)
{
    return qEnvironmentVariableIsSet(name) && qEnvironmentVariable(name) != u"0"_s;
}

// The times of one capture, in ms: wall clock and the reading thread's processor time.
struct Times
{
    int questionLines = 1, textRows = 1;
    double firstWall = 0, firstCpu = 0;   // its first reading, a new size
    double wall = 0, cpu = 0;             // its second reading, at 1,416 rows
    double largeWall = 0, largeCpu = 0;   // the same with the ranking at 100,000 rows
    double plainWall = 0, plainLarge = 0; // the baseline's recognition and plain ranking
};

// Capture to answer for the captures `keep` selects, the program's against the baseline's.
void reportTimes(const std::vector<Times> &all, const char *what, bool (*keep)(const Times &),
                 const char *median, const char *high, std::optional<double> plainLargeMedian)
{
    std::vector<double> wall, cpu, largeWall, largeCpu, firstWall, firstCpu, plain, plainLarge;
    for (const Times &t : all) {
        if (!keep(t))
            continue;
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
        largeWall.push_back(t.largeWall);
        largeCpu.push_back(t.largeCpu);
        firstWall.push_back(t.firstWall);
        firstCpu.push_back(t.firstCpu);
        plain.push_back(t.plainWall);
        if (plainLargeMedian)
            plainLarge.push_back(t.plainWall - t.plainLarge + *plainLargeMedian);
    }
    if (wall.empty())
        return;
    std::printf("\ncapture to answer, %s (%zu captures)\n", what, wall.size());
    char name[96];
    const auto both = [&](const char *rows, const std::vector<double> &w,
                          const std::vector<double> &c, const std::vector<double> &base) {
        for (const double p : {0.5, 0.95}) {
            const char *which = p == 0.5 ? "median" : "95th pct";
            std::snprintf(name, sizeof name, "%s, %s, %s", what, rows, which);
            figure(name, percentile(w, p), base.empty() ? 0 : percentile(base, p), "ms",
                   p == 0.5 ? median : high);
            std::snprintf(name, sizeof name, "  the same, processor time");
            figure(name, percentile(c, p), base.empty() ? 0 : percentile(base, p), "ms",
                   p == 0.5 ? median : high);
        }
    };
    both("1,416 rows", wall, cpu, plain);
    both("100,000 rows", largeWall, largeCpu, plainLarge);
    both("a new size", firstWall, firstCpu, plain);
    std::fflush(stdout);
}

// Top-1, top-3 and a wrong question first of one reading method on the tuning split's
// captures, with its capture-to-answer time.
void compareMethods(const std::vector<bench::Capture> &captures,
                    const std::vector<store::CvRow> &rows, const recognition::Ranker &ranker,
                    recognition::Engine &engine)
{
    struct Method
    {
        const char *name;
        recognition::Method method;
    };
    const Method methods[] = {{"Tesseract with preparation", recognition::Method::Tesseract},
                              {"cascade, Tesseract then neural", recognition::Method::Cascade},
                              {"neural", recognition::Method::Neural}};
    std::printf("\nreaders compared on the tuning split (the choice rests on these)\n");
    for (const Method &m : methods) {
        int total = 0, top1 = 0, top3 = 0, wrong = 0;
        std::vector<double> wall, cpu;
        for (const bench::Capture &c : captures) {
            QElapsedTimer timer;
            timer.start();
            const double start = threadMs();
            const auto reading = recognition::readQuestion(m.method, engine, ranker, c.image, 3);
            cpu.push_back(threadMs() - start);
            wall.push_back(msSince(timer));
            ++total;
            const auto &ranked =
                reading ? reading->candidates : std::vector<recognition::Candidate>();
            bool first = false, three = false;
            for (size_t i = 0; i < std::min<size_t>(3, ranked.size()); ++i) {
                const bool right =
                    rows[size_t(ranked[i].row)].question == rows[size_t(c.row)].question;
                three = three || right;
                first = first || (i == 0 && right);
            }
            top1 += first;
            top3 += three;
            wrong += !first && !ranked.empty();
        }
        std::printf("  %-32s top-1 %6.2f %%  top-3 %6.2f %%  wrong first %5.2f %%  "
                    "median %6.1f ms (processor %6.1f ms), 95th %6.1f ms (%6.1f ms)\n",
                    m.name, share(top1, total), share(top3, total), share(wrong, total),
                    percentile(wall, 0.5), percentile(cpu, 0.5), percentile(wall, 0.95),
                    percentile(cpu, 0.95));
        std::fflush(stdout);
    }
}

// The child process of the memory figure: the store and its ranker loaded, the reader loaded
// and ten captures read with it; prints its resident memory in MB.
int residentChild(const QString &which, const std::vector<store::CvRow> &rows,
                  const QStringList &questions)
{
    const bool neural = which == u"neural"_s;
    if (!neural && which != u"former"_s)
        return 2;
    const recognition::Ranker ranker(questions);
    recognition::Engine engine(
        recognition::Engine::Options{.modelPath = QStringLiteral(ZC_BIN_DIR "/models")});
    const auto method = neural ? recognition::Method::Neural : recognition::Method::Tesseract;
    if (const auto error = engine.load(neural ? recognition::Engine::Pass::Neural
                                              : recognition::Engine::Pass::Prepared)) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    for (const bench::Capture &c : bench::renderCaptures(rows, bench::Split::Tuning, 10))
        (void)recognition::readQuestion(method, engine, ranker, c.image, 3);
    std::printf("%.1f\n", residentMb());
    return 0;
}

// The resident memory `which` reader's child process reports; 0 when it failed.
double residentOf(const char *which)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {u"--resident"_s, QString::fromLatin1(which)});
    if (!child.waitForFinished(300000) || child.exitCode() != 0) {
        std::fprintf(stderr, "the %s reader's memory: %s\n", which,
                     qPrintable(QString::fromLocal8Bit(child.readAllStandardError())));
        return 0;
    }
    return child.readAllStandardOutput().trimmed().toDouble();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString storePath = QStringLiteral(ZC_BIN_DIR "/crvt.dat");
    const auto stored = store::readCvTable(storePath, QString::fromUtf16(store::kStorePassword));
    if (!stored) {
        std::fprintf(stderr, "%s\n", qPrintable(stored.error().message));
        return 1;
    }
    const auto &rows = *stored;
    QStringList questions;
    for (const store::CvRow &row : rows)
        questions += row.question.value_or(QString());
    if (bench::loadFonts().isEmpty()) {
        std::fprintf(stderr, "no Chinese font installed (scripts/setup-debian.sh)\n");
        return 1;
    }
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() == 3 && arguments[1] == u"--resident"_s)
        return residentChild(arguments[2], rows, questions);

    std::vector<bench::Split> splits;
    if (!splitsToRun(splits))
        return 2;
    const bool baseline = !qEnvironmentVariableIsSet("ZC_BENCH_BASELINE") ||
                          qEnvironmentVariable("ZC_BENCH_BASELINE") != u"0"_s;
    plainMeasured = baseline;
    const bool verbose = switchedOn("ZC_BENCH_VERBOSE");
    const bool once = switchedOn("ZC_BENCH_ONCE");

    QElapsedTimer timer;
    timer.start();
    const recognition::Ranker ranker(questions);
    const double buildSmall = msSince(timer);
    std::vector<qsizetype> where;
    const QStringList large = largeStore(questions, kLargeStore, where);
    timer.start();
    const recognition::Ranker largeRanker(large);
    const double buildLarge = msSince(timer);

    recognition::Engine::Options options{.modelPath = QStringLiteral(ZC_BIN_DIR "/models")};
    if (qEnvironmentVariableIsSet("ZC_BENCH_THREADS"))
        options.neuralThreads = qEnvironmentVariableIntValue("ZC_BENCH_THREADS");
    recognition::Engine engine(options);
    timer.start();
    if (const auto error = engine.load()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const double loadTime = msSince(timer);
    recognition::Engine plainEngine(recognition::Engine::Options{
        .dataPath = {}, .defaultPageMode = true, .singleThreaded = false});
    if (baseline)
        (void)plainEngine.load(recognition::Engine::Pass::Raw);
    std::printf("the neural reader with %d OpenCV thread(s); the plain baseline %s\n",
                options.neuralThreads, baseline ? "in this run" : "left out (ZC_BENCH_BASELINE=0)");
    std::fflush(stdout);

    std::vector<Times> times;
    std::vector<QString> plainTexts;    // for the plain ranking at 100,000 rows
    std::vector<bench::Capture> tuning; // kept for the readers compared
    const bool compare = switchedOn("ZC_BENCH_COMPARE");
    for (const bench::Split split : splits) {
        const int count = qEnvironmentVariableIsSet("ZC_BENCH_COUNT")
                              ? qEnvironmentVariableIntValue("ZC_BENCH_COUNT")
                          : split == bench::Split::Tuning ? kTuningCaptures
                                                          : kValidationCaptures;
        std::vector<bench::Capture> captures = makeCaptures(rows, split, count);
        if (switchedOn("ZC_BENCH_RENDER_ONLY"))
            continue;
        std::vector<Outcome> outcomes;
        for (const bench::Capture &c : captures) {
            Times t{.questionLines = c.questionLines, .textRows = c.textRows};
            // The first reading of a capture of a new size makes a detection net for it; the
            // program's region keeps its size, so the second reading of the same capture is
            // what a player mostly sees.
            timer.start();
            double started = threadMs();
            // As the program does: near twins told apart by the options the capture shows.
            const auto answerOf = [&rows](qsizetype row) {
                return rows[size_t(row)].answer.value_or(QString());
            };
            auto reading = recognition::readQuestion(engine, ranker, c.image, 3, answerOf);
            t.firstCpu = threadMs() - started;
            t.firstWall = msSince(timer);
            if (once) {
                t.cpu = t.firstCpu;
                t.wall = t.firstWall;
            } else {
                timer.start();
                started = threadMs();
                (void)recognition::readQuestion(engine, ranker, c.image, 3, answerOf);
                t.cpu = threadMs() - started;
                t.wall = msSince(timer);
            }
            const QString text = reading ? reading->text : QString();
            // At 100,000 rows the reading is the same: its ranking takes the small one's place.
            timer.start();
            started = threadMs();
            (void)ranker.match(text, 3);
            const double smallCpu = threadMs() - started, smallWall = msSince(timer);
            timer.start();
            started = threadMs();
            const auto big = largeRanker.match(text, 3);
            t.largeCpu = t.cpu - smallCpu + threadMs() - started;
            t.largeWall = t.wall - smallWall + msSince(timer);

            QString plainText;
            std::vector<qsizetype> plainRanked;
            if (baseline) {
                timer.start();
                const auto recognised =
                    plainEngine.recognise(c.image, recognition::Engine::Pass::Raw);
                plainText = recognised ? *recognised : QString();
                const double recognising = msSince(timer);
                timer.start();
                plainRanked = plainRanking(questions, plainText, 3);
                t.plainLarge = msSince(timer);
                t.plainWall = recognising + t.plainLarge;
                if (plainTexts.size() < 20)
                    plainTexts.push_back(plainText);
            }
            times.push_back(t);

            const auto small =
                reading ? reading->candidates : std::vector<recognition::Candidate>();
            Outcome o =
                judge(c, rows, text, small, reading && reading->twins, plainText, plainRanked);
            for (size_t i = 0; i < std::min<size_t>(3, big.size()); ++i) {
                const bool right = large[big[i].row] == questions[c.row];
                o.largeTop3 = o.largeTop3 || right;
                o.largeTop1 = o.largeTop1 || (i == 0 && right);
            }
            const auto onPlain = ranker.match(plainText, 1);
            o.rankedPlainTop1 =
                !onPlain.empty() && questions[onPlain.front().row] == questions[c.row];
            outcomes.push_back(o);
            if (outcomes.size() % 50 == 0 && outcomes.size() < captures.size()) {
                std::printf("  %zu of %zu read\n", outcomes.size(), captures.size());
                std::fflush(stdout);
            }
            const bool studied = verbose && split == bench::Split::Tuning;
            if (studied && !o.top1) {
                printMiss("miss", c, text, questions[c.row],
                          small.empty() ? QString() : questions[small.front().row]);
            } else if (studied && !o.letter && !c.rightLetter.isEmpty()) {
                const QString answer = rows[size_t(c.row)].answer.value_or(QString());
                printMiss("option miss", c, text, c.rightLetter + u' ' + answer,
                          recognition::optionLetter(text, answer));
            }
        }
        reportSplit(split, outcomes);
        if (compare && split == bench::Split::Tuning)
            tuning = std::move(captures);
    }

    if (switchedOn("ZC_BENCH_RENDER_ONLY"))
        return 0;
    // The plain ranking at 100,000 rows costs a quarter of a second a text: a sample of 20.
    std::optional<double> plainLargeMedian;
    if (baseline && switchedOn("ZC_BENCH_PLAIN_LARGE")) {
        std::vector<double> plainLarge;
        for (const QString &text : plainTexts) {
            timer.start();
            (void)plainRanking(large, text, 3);
            plainLarge.push_back(msSince(timer));
        }
        plainLargeMedian = percentile(plainLarge, 0.5);
    }
    // The small ranking's time is replaced by the large one's median in the baseline's times.
    reportTimes(
        times, "one line", [](const Times &t) { return t.textRows == 1; }, "-", "-",
        plainLargeMedian);
    reportTimes(
        times, "1-3 lines",
        [](const Times &t) { return t.textRows == t.questionLines && t.textRows <= 3; },
        "<= 150 ms", "<= 400 ms", plainLargeMedian);
    reportTimes(
        times, "every capture (options add 1-4 rows)", [](const Times &) { return true; }, "-", "-",
        plainLargeMedian);
    if (!plainLargeMedian)
        std::printf("(the baseline at 100,000 rows: ZC_BENCH_PLAIN_LARGE=1)\n");

    std::printf("\nengine and memory\n");
    recognition::Engine formerEngine;
    timer.start();
    (void)formerEngine.load(recognition::Engine::Pass::Prepared);
    const double formerLoadTime = msSince(timer);
    figure("engine load (baseline: Tesseract, the former reader)", loadTime, formerLoadTime, "ms",
           "-");
    const double neuralResident = residentOf("neural"), formerResident = residentOf("former");
    figure("resident after 10 captures (baseline: former reader)", neuralResident, formerResident,
           "MB", "-");
    std::printf("index build: %.1f ms at %lld rows, %.1f ms at %lld rows\n", buildSmall,
                qlonglong(questions.size()), buildLarge, qlonglong(large.size()));
    std::fflush(stdout);

    if (compare)
        compareMethods(tuning, rows, ranker, formerEngine);
    return 0;
}
