// libFuzzer target: arbitrary bytes as a store file, through the whole reader and the program's
// query path. A crash, a hang, a sanitizer report, or a disagreement between the checked walk
// and what libmdb or SQLite then read (an Engine error from either) is a finding.
#include "lookup/jet/jetheader.h"
#include "lookup/store/store.h"
#include "shared/fuzzinput.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

const QString &folder()
{
    static const QString path = fuzz::makeScratchFolder("fuzz_store");
    return path;
}

// An Engine error means libmdb or SQLite met something the checks let through.
void failOnEngine(const store::StoreError &error)
{
    if (error.kind == store::StoreError::Engine && !error.message.contains(u"parameters"_s)) {
        std::fprintf(stderr, "finding: %s\n", qPrintable(error.message));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = folder() + u'/' + QString::fromUtf16(store::kStoreFileName);
    fuzz::writeInput(path, data, size);

    // The reader with whatever password the header holds, so that the file's contents are reached.
    const auto header = jet::readHeader(
        QByteArrayView(reinterpret_cast<const char *>(data),
                       qsizetype(std::min<size_t>(size, size_t(jet::kJet4PageSize)))));
    const auto read = store::readCvTable(path, header ? header->password : QString());
    qsizetype withText = -1;
    if (!read) {
        failOnEngine(read.error());
    } else {
        withText = 0;
        for (const store::CvRow &row : *read)
            withText += (row.question || row.pinyin) ? 1 : 0;
    }

    // The program's path: connection string, session, SQLite image, like() and record set.
    store::StoreSession session([] { return folder(); });
    for (const QString &text : {u"%"_s, u"中"_s, u"a"_s}) {
        const auto error = session.OpenStoreQuery(QString::fromUtf16(store::kSearchStatement),
                                                  store::searchParameters(text));
        if (error) {
            failOnEngine(*error);
            continue;
        }
        store::RecordSet &rows = *session.currentRecordSet();
        qsizetype characters = 0;
        while (!rows.isEof()) {
            characters += rows.field(0)->size();
            characters += rows.field(1)->size();
            rows.moveNext();
        }
        // '%' finds every row with a question or a pinyin: the two paths must agree.
        if (text == u"%"_s && withText >= 0 && header &&
            header->password == QString::fromUtf16(store::kStorePassword) &&
            rows.recordCount() != withText) {
            std::fprintf(stderr, "finding: %lld rows found, %lld read\n",
                         qlonglong(rows.recordCount()), qlonglong(withText));
            std::abort();
        }
        (void)characters;
    }
    return 0;
}
