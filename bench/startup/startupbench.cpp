// Start-up figures of the program against a bare Qt window with one web view, both started
// the same number of times in turn in this run; medians of the runs.
//
//   startupbench [--runs N]
//
// Start-up: from just before the process is started to the first exposure of its window (the
// child reports the moment on the same monotonic clock). Memory: the resident memory of the
// program's own process once the shipped store has answered a one-character query and the
// list is drawn, and of the bare window once it is shown; the web engine's helper processes
// are the same in kind for both and not counted.
#include "bench/startup/probe.h"
#include "lookup/store/store.h"

#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <variant>
#include <vector>

#include <unistd.h>

namespace {

struct Sample
{
    double startupMs = 0;
    double rssKb = 0;
};

std::optional<Sample> runOnce(const QString &program, QString *problem)
{
    QProcess process;
    process.setProgram(program);
    const std::int64_t started = startupbench::monotonicNs();
    process.start();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *problem = program + QStringLiteral(" failed: ") + process.errorString() + u'\n' +
                   QString::fromLocal8Bit(process.readAllStandardError());
        process.kill();
        return std::nullopt;
    }
    QMap<QByteArray, long long> values;
    const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> parts = line.trimmed().split(' ');
        if (parts.size() == 2)
            values.insert(parts[0], parts[1].toLongLong());
    }
    if (!values.contains("shown") || !values.contains("rss") || values.value("rss") <= 0) {
        *problem = program + QStringLiteral(" reported no figures");
        return std::nullopt;
    }
    return Sample{double(values.value("shown") - started) / 1e6, double(values.value("rss"))};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void line(const char *name, double value, double baseline, const char *unit, const QString &target,
          bool met)
{
    std::printf("%-44s %9.1f %-3s  baseline %-32s %9.1f %-3s  ratio %5.2f   target %s (%s)\n", name,
                value, unit, "bare Qt window + one QWebEngineView", baseline, unit,
                value / baseline, qPrintable(target), met ? "met" : "MISSED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 11;
    const QStringList args = QCoreApplication::arguments();
    const qsizetype runsAt = args.indexOf(QStringLiteral("--runs"));
    if (runsAt > 0 && runsAt + 1 < args.size())
        runs = std::max(1, args.at(runsAt + 1).toInt());

    const QString dir = QCoreApplication::applicationDirPath();
    const QString program = dir + QStringLiteral("/zc_startupprobe");
    const QString bare = dir + QStringLiteral("/zc_barewindow");

    // The store's text: every field of every row, as the program holds text (UTF-16).
    const QString storePath = dir + u'/' + QString::fromUtf16(store::kStoreFileName);
    auto rows = store::readCvTable(storePath, QString::fromUtf16(store::kStorePassword));
    if (!rows) {
        std::fprintf(stderr, "%s\n", qPrintable(rows.error().message));
        return 1;
    }
    double textBytes = 0;
    for (const store::CvRow &row : *rows)
        for (const auto &field : {row.question, row.answer, row.pinyin})
            textBytes += field ? double(field->size()) * 2 : 0;

    // Headless where there is no display; the web engine's sandbox cannot run as root.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    std::vector<double> startup, startupBase, rss, rssBase;
    QString problem;
    // One unmeasured pair first, so that both find the libraries in the page cache.
    for (int i = -1; i < runs; ++i) {
        // Alternate which goes first, so neither always follows the other's exit.
        const bool bareFirst = i % 2 == 0;
        std::optional<Sample> a, b;
        if (bareFirst) {
            a = runOnce(bare, &problem);
            b = a ? runOnce(program, &problem) : std::nullopt;
        } else {
            b = runOnce(program, &problem);
            a = b ? runOnce(bare, &problem) : std::nullopt;
        }
        if (!a || !b) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            return 1;
        }
        if (i < 0)
            continue;
        startupBase.push_back(a->startupMs);
        rssBase.push_back(a->rssKb);
        startup.push_back(b->startupMs);
        rss.push_back(b->rssKb);
    }

    const double s = median(startup), sb = median(startupBase);
    const double m = median(rss) / 1024, mb = median(rssBase) / 1024;
    const double text = textBytes / (1024 * 1024);
    const double memoryLimit = 1.5 * mb + 3 * text;
    std::printf("medians of %d runs each; store text %.0f kB in %zu rows\n", runs, textBytes / 1024,
                rows->size());
    line("start-up to window shown", s, sb, "ms", QStringLiteral("<= 1.5x baseline"),
         s <= 1.5 * sb);
    line("resident memory after a query", m, mb, "MiB",
         QStringLiteral("<= 1.5x baseline + 3x store text = %1 MiB").arg(memoryLimit, 0, 'f', 1),
         m <= memoryLimit);
    return 0;
}
