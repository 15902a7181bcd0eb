// Reading a quiz question off a capture, from the image in memory to the answer: accuracy
// and time of the program's recognition (readQuestion: image preparation, Tesseract
// single-threaded in line or block mode, the pair index and alignment ranking, a second
// pass on the capture as it is when the first is doubtful) on captures rendered from the
// shipped store, against a plain baseline measured in the same run: Tesseract with its
// default settings on the raw capture and a plain similarity ranking (edit distance over
// the whole texts, every row).
//
// Times are measured at the shipped store's 1,416 rows and at 100,000 rows (synthetic
// questions made from the real ones, the real rows spread among them). Capture to answer is
// timed whole for the program; for the baseline, recognition and the plain ranking are timed
// on the same capture and added (at 100,000 rows with the plain ranking's median over 20).
// One line per figure: name, value, baseline, ratio, target.

#include "bench/recognition/imageset.h"
#include "lookup/recognition/reader.h"
#include "lookup/store/store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int kCaptures = 160;
constexpr std::uint32_t kSeed = 20261207;
constexpr qsizetype kLargeStore = 100000;

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5))];
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
        for (qsizetype k = 0; k < q.size(); ++k) {
            if (dice() % 100 < 30)
                q[k] = pool[qsizetype(dice() % std::uint32_t(pool.size()))];
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

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QString storePath = QStringLiteral(ZC_BIN_DIR "/crvt.dat");
    const auto read = store::readCvTable(storePath, QString::fromUtf16(store::kStorePassword));
    if (!read) {
        std::fprintf(stderr, "%s\n", qPrintable(read.error().message));
        return 1;
    }
    const auto &rows = *read;
    QStringList questions;
    for (const store::CvRow &row : rows)
        questions += row.question.value_or(QString());

    const QStringList fonts = bench::loadFonts();
    if (fonts.isEmpty()) {
        std::fprintf(stderr, "no Chinese font installed (scripts/setup-debian.sh)\n");
        return 1;
    }
    const auto captures = bench::renderCaptures(rows, fonts, kCaptures, kSeed);
    int oneLine = 0, cut = 0;
    double oneLineWidth = 0, oneLineHeight = 0;
    for (const auto &c : captures) {
        oneLine += c.oneLine;
        cut += c.cut;
        if (c.oneLine) {
            oneLineWidth += c.image.width();
            oneLineHeight += c.image.height();
        }
    }
    std::printf("%d captures from %lld rows, fonts: %s; %d one-line (mean %.0fx%.0f px), "
                "%d with options, %d cut short\n",
                int(captures.size()), qlonglong(rows.size()), qPrintable(fonts.join(u", ")),
                oneLine, oneLineWidth / std::max(1, oneLine), oneLineHeight / std::max(1, oneLine),
                int(captures.size()) - oneLine, cut);
    if (qEnvironmentVariableIsSet("ZC_BENCH_SAVE")) {
        const QString dir = qEnvironmentVariable("ZC_BENCH_SAVE");
        QDir().mkpath(dir);
        QFile truth(dir + u"/questions.txt"_s);
        if (truth.open(QIODevice::WriteOnly)) {
            for (size_t i = 0; i < captures.size(); ++i) {
                captures[i].image.save(u"%1/%2.png"_s.arg(dir).arg(i, 3, 10, QChar(u'0')));
                truth.write(questions[captures[i].row].toUtf8() + '\n');
            }
        }
    }

    QElapsedTimer timer;
    timer.start();
    const recognition::Ranker ranker(questions);
    const double buildSmall = msSince(timer);
    std::vector<qsizetype> where;
    const QStringList large = largeStore(questions, kLargeStore, where);
    timer.start();
    const recognition::Ranker largeRanker(large);
    const double buildLarge = msSince(timer);

    recognition::Engine engine;
    recognition::Engine plainEngine(recognition::Engine::Options{
        .dataPath = {}, .defaultPageMode = true, .singleThreaded = false});
    // The program's engine with Tesseract's own OpenMP threads, for what one thread saves.
    recognition::Engine threadedEngine(recognition::Engine::Options{
        .dataPath = {}, .defaultPageMode = false, .singleThreaded = false});
    timer.start();
    if (const auto error = engine.load()) {
        std::fprintf(stderr, "%s\n", qPrintable(error->message));
        return 1;
    }
    const double loadTime = msSince(timer);
    (void)plainEngine.load();
    (void)threadedEngine.load();
    // Every engine once on a capture outside the measurement, as the program warms its own.
    for (recognition::Engine *e : {&engine, &plainEngine, &threadedEngine})
        (void)e->recognise(captures.front().image, recognition::Engine::Pass::Prepared);

    Tally ours, plain, oursLarge, oursRaw;
    std::vector<double> plainRecogniseMs, matchSmall, matchLarge, plainSmall, plainLarge;
    std::vector<bool> isOneLine;
    const auto sameQuestion = [&](const QStringList &list, qsizetype got, qsizetype want) {
        return list[got] == questions[want];
    };
    std::vector<double> totalSmall, totalLarge, singleThread, manyThreads;
    for (const auto &c : captures) {
        timer.start();
        const auto reading = recognition::readQuestion(engine, ranker, c.image, 3);
        totalSmall.push_back(msSince(timer));
        timer.start();
        const auto readingLarge = recognition::readQuestion(engine, largeRanker, c.image, 3);
        totalLarge.push_back(msSince(timer));
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
        if (c.oneLine && singleThread.size() < 40) {
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
        if (std::getenv("ZC_BENCH_VERBOSE") && !hit(small, questions, 1))
            std::printf("miss %lld: %s | %s\n", qlonglong(&c - captures.data()), qPrintable(t),
                        qPrintable(questions[c.row]));

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
    }
    // The plain ranking at 100,000 rows costs a quarter of a second a text; a sample of 20.
    for (size_t i = 0; i < 20 && i < captures.size(); ++i) {
        const auto pt = plainEngine.recognise(captures[i].image, recognition::Engine::Pass::Raw);
        timer.start();
        (void)plainRanking(large, pt ? *pt : QString(), 3);
        plainLarge.push_back(msSince(timer));
    }

    const auto only = [&](const std::vector<double> &a, bool onlyOneLine) {
        std::vector<double> out;
        for (size_t i = 0; i < a.size(); ++i) {
            if (!onlyOneLine || isOneLine[i])
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
        const char *what = onlyOneLine ? "one-line" : "all";
        char name[96];
        std::snprintf(name, sizeof name, "capture to answer, %s, 1,416 rows, median", what);
        figure(name, percentile(smallTimes, 0.5), percentile(plainTimes, 0.5), "ms",
               onlyOneLine ? "<= 200 ms" : "-");
        std::snprintf(name, sizeof name, "capture to answer, %s, 1,416 rows, 95th pct", what);
        figure(name, percentile(smallTimes, 0.95), percentile(plainTimes, 0.95), "ms",
               onlyOneLine ? "<= 400 ms" : "-");
        std::snprintf(name, sizeof name, "capture to answer, %s, 100,000 rows, median", what);
        figure(name, percentile(largeTimes, 0.5), percentile(plainLargeTimes, 0.5), "ms",
               onlyOneLine ? "<= 200 ms" : "-");
        std::snprintf(name, sizeof name, "capture to answer, %s, 100,000 rows, 95th pct", what);
        figure(name, percentile(largeTimes, 0.95), percentile(plainLargeTimes, 0.95), "ms",
               onlyOneLine ? "<= 400 ms" : "-");
    }
    figure("recognition one-line, one thread vs OpenMP's, median", percentile(singleThread, 0.5),
           percentile(manyThreads, 0.5), "ms", "-");
    figure("recognition one-line, one thread vs OpenMP's, 95th", percentile(singleThread, 0.95),
           percentile(manyThreads, 0.95), "ms", "-");
    figure("match, 100,000 rows, median", percentile(matchLarge, 0.5), plainLargeMedian, "ms",
           "< 20 ms");
    figure("match, 100,000 rows, 95th pct", percentile(matchLarge, 0.95),
           percentile(plainLarge, 0.95), "ms", "< 20 ms");
    figure("match, 1,416 rows, median", percentile(matchSmall, 0.5), percentile(plainSmall, 0.5),
           "ms", "-");
    std::printf("index build: %.1f ms at %lld rows, %.1f ms at %lld rows; engine load %.0f ms\n",
                buildSmall, qlonglong(questions.size()), buildLarge, qlonglong(large.size()),
                loadTime);
    return 0;
}
