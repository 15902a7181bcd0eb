// Stores for the store tests, written with the project's Jet writer, and file fingerprints.
#pragma once

#include "lookup/jetwriter/jetwriter.h"
#include "lookup/store/store.h"

#include <QCryptographicHash>
#include <QFile>
#include <QTest>

#include <sys/stat.h>

namespace storetesting {

using namespace Qt::StringLiterals;

inline const QString kPassword = u"qzv.lan/mt"_s;

inline jetwriter::TextTable cvTable(const std::vector<store::CvRow> &rows)
{
    jetwriter::TextTable table{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    for (const store::CvRow &row : rows)
        table.rows.push_back({row.question, row.answer, row.pinyin});
    return table;
}

inline store::CvRow row(const QString &question, const QString &answer, const QString &pinyin)
{
    return {question, answer, pinyin};
}

// Writes the tables to `path`; returns the writer's complaint, or an empty string.
inline QString write(const QString &path, const std::vector<jetwriter::TextTable> &tables,
                     const QString &password = kPassword)
{
    return jetwriter::writeJet4(path, password, tables).value_or(QString());
}

// `count` rows of Chinese questions long enough to fill many data pages.
inline std::vector<store::CvRow> manyRows(int count)
{
    std::vector<store::CvRow> rows;
    const QString han = u"中国人的是一在有大地上下天日月山水火木金土"_s;
    for (int i = 0; i < count; ++i) {
        QString question;
        QString pinyin;
        for (int c = 0; c < 8 + i % 13; ++c) {
            question += han[(i * 7 + c * 3) % han.size()];
            pinyin += QLatin1Char(char('a' + (i + c) % 26));
        }
        rows.push_back(row(question + QString::number(i) + u'？', QString::number(i * 3), pinyin));
    }
    return rows;
}

// What must not change when the store is used: every byte and the modification time.
struct Fingerprint
{
    QByteArray sha256;
    qint64 modified = 0;
    friend bool operator==(const Fingerprint &, const Fingerprint &) = default;
};

inline Fingerprint fingerprint(const QString &path)
{
    Fingerprint f;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        f.sha256 = QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) == 0)
        f.modified = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return f;
}

} // namespace storetesting

// Fails the test with the writer's message when it refuses.
#define WRITE_STORE(...)                                                                           \
    do {                                                                                           \
        const QString refused = storetesting::write(__VA_ARGS__);                                  \
        QVERIFY2(refused.isEmpty(), qPrintable(refused));                                          \
    } while (false)
