// Reading a quiz question off a capture, from the image in memory to the answer: accuracy
// and time of the program's recognition (readQuestion: the neural reader, PP-OCRv4 through
// OpenCV single-threaded, and the pair index and alignment ranking) on quiz-panel captures rendered
// from the shipped store (see imageset.h), against a plain baseline measured in the same
// run: Tesseract with its default settings on the raw capture and a plain similarity
// ranking (edit distance over the whole texts, every row).
//
// Accuracy is reported for each split apart, the validation split being the one no
// recognition setting is ever tuned on: the best question right, among the first three, a
// wrong question first, nothing returned, the option letter on captures with options, and
// the best question right by each factor the captures are made of.
//
// Times are measured at the shipped store's 1,416 rows and at 100,000 rows (synthetic
// questions made from the real ones, the real rows spread among them). Capture to answer is
// timed whole for the program; for the baseline, recognition and the plain ranking are timed
// on the same capture and added (at 100,000 rows with the plain ranking's median over 20).
// One line per figure: name, value, baseline, ratio, target. Times are given as the wall clock
// saw them and as the reading thread's processor time (what they would be on an idle
// machine, near enough, since the reader uses one thread); the detection model is loaded
// once per capture size, which the program pays at its region's first capture only, so both
// a capture's first reading and a second one of the same capture are timed. Memory is the
// process's resident size after loading the reader and reading a capture, against the same
// for the program's former reader (Tesseract with the preparation) measured after it.
//
// The choice of reader rests on the tuning split: the former reader (Tesseract on the prepared
// capture, then on the capture as it is when doubtful) and a cascade (Tesseract's prepared pass,
// the neural reader when the ranker is unsure) are scored there beside the neural reader.
//
// ZC_BENCH_SPLIT=tuning or validation runs one split only; ZC_BENCH_SAVE=DIR saves every
// capture as DIR/SPLIT-NNN.png; ZC_BENCH_VERBOSE prints every capture whose best question is
// wrong, with what was read and what the capture was made of.

#include "bench/recognition/imageset.h"
#include "lookup/recognition/options.h"
#include "lookup/recognition/reader.h"
#include "lookup/store/store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
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

// Enough captures that a factor's value has a few dozen (one miss in 50 is 2 points), few
// enough that a run stays within a few minutes.
constexpr int kTuningCaptures = 300;
constexpr int kValidationCaptures = 300;
constexpr std::uint32_t kSeed = 20261207; // the synthetic 100,000-row store
constexpr qsizetype kLargeStore = 100000;

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(std::lround(p * double(v.size() - 1))))];
}

double msSince(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

// The ratio is how many times better the value is: baseline over value for times, value over
// baseline for accuracies.
void figure(const char *name, double value, double baseline, const char *unit, const char *target)
{
    const bool higherIsBetter = unit[0] == '%';
    const double ratio =
        higherIsBetter ? (baseline > 0 ? value / baseline : 0) : (value > 0 ? baseline / value : 0);
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
        wrongLetter = 0, plainWrongLetter = 0, ownLetter = 0, plainOwnLetter = 0;
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
    std::printf("\n%s split, %d captures\n", qPrintable(name), total);
    shareFigure(u"top-1, %1"_s.arg(name), share(top1, total), share(plainTop1, total), false,
                ">= 98 %");
    shareFigure(u"top-3, %1"_s.arg(name), share(top3, total), share(plainTop3, total), false,
                ">= 99.5 %");
    shareFigure(u"a wrong question first, %1"_s.arg(name), share(wrong, total),
                share(plainWrong, total), true, "<= 0.5 %");
    shareFigure(u"a wrong question first, not shown as twins, %1"_s.arg(name),
                share(wrongSure, total), share(plainWrong, total), true, "<= 0.5 %");
    shareFigure(u"shown as twins, %1"_s.arg(name), share(twins, total), 0.0, true, "-");
    shareFigure(u"nothing returned, %1"_s.arg(name), share(nothing, total), 0.0, true, "-");
    shareFigure(u"option letter, %1 (%2 captures with options)"_s.arg(name).arg(withOptions),
                share(letter, withOptions), share(plainLetter, withOptions), false, ">= 98 %");
    shareFigure(u"option letter wrong, %1"_s.arg(name), share(wrongLetter, withOptions),
                share(plainWrongLetter, withOptions), true, "-");
    shareFigure(u"option letter for the capture's own answer, %1"_s.arg(name),
                share(ownLetter, withOptions), share(plainOwnLetter, withOptions), false, "-");
    for (const QString &factor : order) {
        for (const auto &[key, counts] : byFactor) {
            if (key.first != factor)
                continue;
            shareFigure(u"top-1, %1, %2 = %3 (%4)"_s.arg(name, factor, key.second).arg(counts[0]),
                        share(counts[1], counts[0]), share(counts[2], counts[0]), false, ">= 95 %");
        }
    }
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

// Renders the splits' captures, says what they hold, and saves them where ZC_BENCH_SAVE says.
std::vector<bench::Capture> makeCaptures(const std::vector<store::CvRow> &rows,
                                         const std::vector<bench::Split> &splits)
{
    std::vector<bench::Capture> captures;
    const QString dir = qEnvironmentVariable("ZC_BENCH_SAVE");
    if (!dir.isEmpty())
        QDir().mkpath(dir);
    for (const bench::Split split : splits) {
        auto part = bench::renderCaptures(
            rows, split, split == bench::Split::Tuning ? kTuningCaptures : kValidationCaptures);
        int oneLine = 0, cut = 0, options = 0;
        double width = 0, height = 0;
        for (size_t i = 0; i < part.size(); ++i) {
            const bench::Capture &c = part[i];
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
        const int n = std::max(1, int(part.size()));
        std::printf("%s split: %d captures from %lld rows (mean %.0fx%.0f px), %d one-line, %d "
                    "with options, %d cut short\n  fonts: %s\n  grounds: %s\n",
                    bench::splitName(split), int(part.size()), qlonglong(rows.size()), width / n,
                    height / n, oneLine, options, cut,
                    qPrintable(bench::fontsOf(split).join(u", ")),
                    qPrintable(bench::groundsOf(split).join(u", ")));
        std::move(part.begin(), part.end(), std::back_inserter(captures));
    }
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

// Top-1, top-3 and a wrong question first of one reading method on the tuning split's captures,
// with its median capture-to-answer time, beside the neural reader's outcomes.
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
                              {"cascade, Tesseract then neural", recognition::Method::Cascade}};
    std::printf("\nreaders compared on the tuning split (the choice rests on these)\n");
    for (const Method &m : methods) {
        int total = 0, top1 = 0, top3 = 0, wrong = 0;
        std::vector<double> wall, cpu;
        for (const bench::Capture &c : captures) {
            if (c.split != bench::Split::Tuning)
                continue;
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
    }
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

    std::vector<bench::Split> splits;
    if (!splitsToRun(splits))
        return 2;
    if (bench::loadFonts().isEmpty()) {
        std::fprintf(stderr, "no Chinese font installed (scripts/setup-debian.sh)\n");
        return 1;
    }
    const std::vector<bench::Capture> captures = makeCaptures(rows, splits);

    QElapsedTimer timer;
    timer.start();
    const recognition::Ranker ranker(questions);
    const double buildSmall = msSince(timer);
    std::vector<qsizetype> where;
    const QStringList large = largeStore(questions, kLargeStore, where);
    timer.start();
    const recognition::Ranker largeRanker(large);
    const double buildLarge = msSince(timer);

    const QString models = QStringLiteral(ZC_BIN_DIR "/models");
    recognition::Engine engine(recognition::Engine::Options{.modelPath = models});
    recognition::Engine plainEngine(recognition::Engine::Options{
        .dataPath = {}, .defaultPageMode = true, .singleThreaded = false});
    // The neural reader with OpenCV's own threads, for what one thread saves or costs.
    recognition::Engine threadedEngine(
        recognition::Engine::Options{.modelPath = models, .neuralThreads = 2});
    // The program's former reader, Tesseract with the preparation, for the memory it took.
    recognition::Engine formerEngine(recognition::Engine::Options{.modelPath = models});
    const double residentBefore = residentMb();
    timer.start();
    if (const auto error = engine.load()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const double loadTime = msSince(timer);
    for (size_t i = 0; i < std::min<size_t>(10, captures.size()); ++i)
        (void)recognition::readQuestion(engine, ranker, captures[i].image, 3);
    const double residentNeural = residentMb();
    timer.start();
    (void)formerEngine.load(recognition::Engine::Pass::Prepared);
    const double formerLoadTime = msSince(timer);
    for (size_t i = 0; i < std::min<size_t>(10, captures.size()); ++i)
        (void)recognition::readQuestion(recognition::Method::Tesseract, formerEngine, ranker,
                                        captures[i].image, 3);
    const double residentFormer = residentMb();
    (void)plainEngine.load(recognition::Engine::Pass::Raw);
    (void)threadedEngine.load();
    // Every engine once on a capture outside the measurement, as the program warms its own.
    (void)plainEngine.recognise(captures.front().image, recognition::Engine::Pass::Raw);
    (void)threadedEngine.recognise(captures.front().image);

    Tally ours, plain, oursLarge, oursRaw;
    std::vector<double> plainRecogniseMs, matchSmall, matchLarge, plainSmall, plainLarge;
    std::vector<bool> isOneLine;
    const auto sameQuestion = [&](const QStringList &list, qsizetype got, qsizetype want) {
        return list[got] == questions[want];
    };
    std::vector<double> totalSmall, totalLarge, singleThread, manyThreads;
    std::vector<double> cpuSmall, cpuLarge, firstSmall, firstCpuSmall;
    std::vector<bool> sameOneLine; // of the captures read twice
    std::vector<Outcome> outcomes;
    for (const auto &c : captures) {
        // The first reading of a capture of a new size loads a detection model for it; the
        // program's region keeps its size, so a second reading of the same capture (every
        // third capture's) is what a player mostly sees.
        timer.start();
        double started = threadMs();
        const auto reading = recognition::readQuestion(engine, ranker, c.image, 3);
        firstCpuSmall.push_back(threadMs() - started);
        firstSmall.push_back(msSince(timer));
        const QString read = reading ? reading->text : QString();
        if (&c - captures.data() < 30 || (&c - captures.data()) % 3 == 0) {
            timer.start();
            started = threadMs();
            (void)recognition::readQuestion(engine, ranker, c.image, 3);
            cpuSmall.push_back(threadMs() - started);
            totalSmall.push_back(msSince(timer));
            // At 100,000 rows the reading is the same; the ranking is timed on its text.
            timer.start();
            started = threadMs();
            (void)largeRanker.match(read, 3);
            cpuLarge.push_back(cpuSmall.back() + threadMs() - started);
            totalLarge.push_back(totalSmall.back() + msSince(timer));
            sameOneLine.push_back(c.oneLine);
        }
        const auto readingLarge =
            reading ? std::optional(recognition::Reading{read, largeRanker.match(read, 3)})
                    : std::nullopt;
        timer.start();
        const auto plainText = plainEngine.recognise(c.image, recognition::Engine::Pass::Raw);
        plainRecogniseMs.push_back(msSince(timer));
        isOneLine.push_back(c.oneLine);
        const QString t = reading ? reading->text : QString(),
                      pt = plainText ? *plainText : QString();
        const auto small = reading ? reading->candidates : std::vector<recognition::Candidate>();
        const auto big =
            readingLarge ? readingLarge->candidates : std::vector<recognition::Candidate>();
        timer.start();
        (void)ranker.match(t, 3);
        matchSmall.push_back(msSince(timer));
        timer.start();
        (void)largeRanker.match(t, 3);
        matchLarge.push_back(msSince(timer));
        if (singleThread.size() < 40) {
            (void)threadedEngine.recognise(c.image); // its detection model for this size
            timer.start();
            (void)engine.recognise(c.image);
            singleThread.push_back(msSince(timer));
            timer.start();
            (void)threadedEngine.recognise(c.image);
            manyThreads.push_back(msSince(timer));
        }
        const auto hit = [&](const auto &ranked, const QStringList &list, size_t k) {
            for (size_t i = 0; i < std::min(k, ranked.size()); ++i) {
                if (sameQuestion(list, ranked[i].row, c.row))
                    return true;
            }
            return false;
        };
        ours.add(hit(small, questions, 1), hit(small, questions, 3));
        oursLarge.add(hit(big, large, 1), hit(big, large, 3));

        timer.start();
        const auto plainRanked = plainRanking(questions, pt, 3);
        plainSmall.push_back(msSince(timer));
        const auto plainHit = [&](size_t k) {
            for (size_t i = 0; i < std::min(k, plainRanked.size()); ++i) {
                if (sameQuestion(questions, plainRanked[i], c.row))
                    return true;
            }
            return false;
        };
        plain.add(plainHit(1), plainHit(3));
        // The program's ranking on the baseline engine's text: what the rest adds.
        const auto onRaw = ranker.match(pt, 3);
        oursRaw.add(hit(onRaw, questions, 1), hit(onRaw, questions, 3));
        outcomes.push_back(judge(c, rows, t, small, reading && reading->twins, pt, plainRanked));
        if (std::getenv("ZC_BENCH_VERBOSE") && !outcomes.back().top1) {
            printMiss("miss", c, t, questions[c.row],
                      small.empty() ? QString() : questions[small.front().row]);
        } else if (std::getenv("ZC_BENCH_VERBOSE") && !outcomes.back().letter &&
                   !c.rightLetter.isEmpty()) {
            const QString answer = rows[size_t(c.row)].answer.value_or(QString());
            printMiss("option miss", c, t, c.rightLetter + u' ' + answer,
                      recognition::optionLetter(t, answer));
        }
    }
    // The plain ranking at 100,000 rows costs a quarter of a second a text; a sample of 20.
    for (size_t i = 0; i < 20 && i < captures.size(); ++i) {
        const auto pt = plainEngine.recognise(captures[i].image, recognition::Engine::Pass::Raw);
        timer.start();
        (void)plainRanking(large, pt ? *pt : QString(), 3);
        plainLarge.push_back(msSince(timer));
    }

    const auto only = [&](const std::vector<double> &a, bool onlyOneLine) {
        const std::vector<bool> &which = a.size() == isOneLine.size() ? isOneLine : sameOneLine;
        std::vector<double> out;
        for (size_t i = 0; i < a.size(); ++i) {
            if (!onlyOneLine || which[i])
                out.push_back(a[i]);
        }
        return out;
    };
    const auto sums = [&](const std::vector<double> &a, const std::vector<double> &b,
                          bool onlyOneLine) {
        std::vector<double> out;
        for (size_t i = 0; i < a.size(); ++i) {
            if (!onlyOneLine || isOneLine[i])
                out.push_back(a[i] + b[std::min(i, b.size() - 1)]);
        }
        return out;
    };
    const double plainLargeMedian = percentile(plainLarge, 0.5);
    const std::vector<double> plainLargeFill(plainRecogniseMs.size(), plainLargeMedian);

    figure("top-1 accuracy, 1,416 rows", ours.share1(), plain.share1(), "%", ">= 98 %");
    figure("top-3 accuracy, 1,416 rows", ours.share3(), plain.share3(), "%", ">= 99.5 %");
    figure("top-1 accuracy, baseline engine + our ranking", oursRaw.share1(), plain.share1(), "%",
           "(preparation's share)");
    figure("top-1 accuracy, 100,000 rows", oursLarge.share1(), plain.share1(), "%", ">= 98 %");
    figure("top-3 accuracy, 100,000 rows", oursLarge.share3(), plain.share3(), "%", ">= 99.5 %");
    for (const bool onlyOneLine : {true, false}) {
        const auto smallTimes = only(totalSmall, onlyOneLine);
        const auto plainTimes = sums(plainRecogniseMs, plainSmall, onlyOneLine);
        const auto largeTimes = only(totalLarge, onlyOneLine);
        const auto plainLargeTimes = sums(plainRecogniseMs, plainLargeFill, onlyOneLine);
        const char *what = onlyOneLine ? "one line" : "1-3 lines";
        const char *median = onlyOneLine ? "-" : "<= 150 ms",
                   *high = onlyOneLine ? "-" : "<= 400 ms";
        char name[96];
        const auto both = [&](const char *label, const std::vector<double> &wall,
                              const std::vector<double> &cpu, const std::vector<double> &base) {
            std::snprintf(name, sizeof name, "capture to answer, %s, %s, median", what, label);
            figure(name, percentile(wall, 0.5), percentile(base, 0.5), "ms", median);
            std::snprintf(name, sizeof name, "  the same, processor time");
            figure(name, percentile(cpu, 0.5), percentile(base, 0.5), "ms", median);
            std::snprintf(name, sizeof name, "capture to answer, %s, %s, 95th pct", what, label);
            figure(name, percentile(wall, 0.95), percentile(base, 0.95), "ms", high);
            std::snprintf(name, sizeof name, "  the same, processor time");
            figure(name, percentile(cpu, 0.95), percentile(base, 0.95), "ms", high);
        };
        both("1,416 rows", smallTimes, only(cpuSmall, onlyOneLine), plainTimes);
        both("100,000 rows", largeTimes, only(cpuLarge, onlyOneLine), plainLargeTimes);
        both("new size", only(firstSmall, onlyOneLine), only(firstCpuSmall, onlyOneLine),
             plainTimes);
    }
    figure("neural reading, one thread vs OpenCV's two, median", percentile(singleThread, 0.5),
           percentile(manyThreads, 0.5), "ms", "-");
    figure("neural reading, one thread vs OpenCV's two, 95th", percentile(singleThread, 0.95),
           percentile(manyThreads, 0.95), "ms", "-");
    figure("match, 100,000 rows, median", percentile(matchLarge, 0.5), plainLargeMedian, "ms",
           "< 20 ms");
    figure("match, 100,000 rows, 95th pct", percentile(matchLarge, 0.95),
           percentile(plainLarge, 0.95), "ms", "< 20 ms");
    figure("match, 1,416 rows, median", percentile(matchSmall, 0.5), percentile(plainSmall, 0.5),
           "ms", "-");
    figure("engine load (Tesseract: the former reader's)", loadTime, formerLoadTime, "ms", "-");
    figure("memory after loading and 10 captures, MB added", residentNeural - residentBefore,
           residentFormer - residentNeural, "MB", "(against the former reader's)");
    std::printf("index build: %.1f ms at %lld rows, %.1f ms at %lld rows; resident %.0f MB at "
                "the end\n",
                buildSmall, qlonglong(questions.size()), buildLarge, qlonglong(large.size()),
                residentMb());
    compareMethods(captures, rows, ranker, formerEngine);
    for (const bench::Split split : splits)
        reportSplit(split, outcomes);
    return 0;
}
