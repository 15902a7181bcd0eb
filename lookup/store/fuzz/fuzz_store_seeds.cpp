// Writes the fuzzer's seed corpus: small stores from the project's writer (rows with nulls,
// Chinese, quotes; several data pages; no table cv; cv lacking a column; no password) and the
// Access fixture given on the command line.
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

using namespace Qt::StringLiterals;

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: fuzz_store_seeds CORPUS_DIR [EXTRA_FILES...]\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    const QString password = QString::fromUtf16(store::kStorePassword);
    const QStringList columns{u"question"_s, u"answer"_s, u"pinyin"_s};
    auto table = [&](int rows) {
        jetwriter::TextTable t{u"cv"_s, columns, {}};
        for (int i = 0; i < rows; ++i) {
            std::vector<std::optional<QString>> r{u"第%1题：中国的首都？"_s.arg(i), u"北京"_s,
                                                  u"d%1tzgdsd"_s.arg(i)};
            if (i % 5 == 1)
                r[1].reset();
            if (i % 7 == 2)
                r[2] = u"it's 100%_"_s;
            t.rows.push_back(r);
        }
        return t;
    };
    struct Seed
    {
        const char *name;
        std::vector<jetwriter::TextTable> tables;
        QString password;
    };
    const std::vector<Seed> seeds{
        {"one-row", {table(1)}, password},
        {"nulls-and-quotes", {table(12)}, password},
        {"several-pages", {table(300)}, password},
        {"no-password", {table(5)}, QString()},
        {"no-cv", {jetwriter::TextTable{u"other"_s, columns, {}}}, password},
        {"cv-without-pinyin",
         {jetwriter::TextTable{u"cv"_s, {u"question"_s, u"answer"_s}, {{u"q"_s, u"a"_s}}}},
         password},
        {"two-tables", {jetwriter::TextTable{u"a"_s, {u"x"_s}, {{u"1"_s}}}, table(3)}, password},
    };
    for (const Seed &seed : seeds) {
        if (auto error = jetwriter::writeJet4(dir + u'/' + QString::fromLatin1(seed.name),
                                              seed.password, seed.tables)) {
            std::fprintf(stderr, "%s\n", qPrintable(*error));
            return 1;
        }
    }
    for (int i = 2; i < argc; ++i) {
        const QString source = QString::fromLocal8Bit(argv[i]);
        QFile::copy(source, dir + u'/' + QFileInfo(source).fileName());
    }
    return 0;
}
