#include "bench/common/gamedesk.h"

#include "app/window/controls.h"
#include "lookup/capture/regionfile.h"
#include "lookup/resultmodel.h"
#include "lookup/store/storereader.h"
#include "tests/common/testmain.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace bench {
namespace {

// The window's controls, its result list shaped as the program's start shapes it before the
// lookup page takes the list.
const window::Controls &shaped(Form1 &form)
{
    shapeResultList(form.controls().ListView1);
    return form.controls();
}

} // namespace

std::unique_ptr<zctest::TestDisplay> startDesk()
{
    QString error;
    auto display = zctest::TestDisplay::start(
        {zctest::TestDisplay::Kind::Xvfb, QSize(1920, 1080), 24, true}, &error);
    if (!display) {
        std::fprintf(stderr, "no X server: %s\n", qPrintable(error));
        return nullptr;
    }
    display->useForQt();
    // The window holds web views: the same settings as the program's own start.
    zctest::prepareApplication();
    // Without the models every press would end in the missing-model notice, timed as an answer.
    if (!qEnvironmentVariableIsSet("ZC_MODEL_DIR"))
        qputenv("ZC_MODEL_DIR", ZC_BIN_DIR "/models");
    return display;
}

QString shippedStoreFolder()
{
    return QStringLiteral(ZC_BIN_DIR);
}

std::optional<std::vector<store::CvRow>> shippedRows()
{
    auto rows = store::readCvTable(shippedStoreFolder() + u"/crvt.dat"_s,
                                   QString::fromUtf16(store::kStorePassword));
    if (!rows) {
        std::fprintf(stderr, "the shipped store: %s\n", qPrintable(rows.error().message));
        return std::nullopt;
    }
    return std::move(*rows);
}

std::vector<store::CvRow> pickQuestions(const std::vector<store::CvRow> &rows, const QuizPick &pick)
{
    std::vector<store::CvRow> quiz;
    for (std::size_t i = pick.first; i < rows.size() && quiz.size() < pick.count; i += pick.step) {
        const store::CvRow &r = rows[i];
        const qsizetype length = r.question.value_or(QString()).size();
        if (length >= 10 && length <= pick.longest && r.answer && !r.answer->isEmpty())
            quiz.push_back(r);
    }
    return quiz;
}

ProgramWindow::ProgramWindow(const QString &regionFile)
    : lookup(shaped(form), std::make_shared<store::StoreReader>([] {
                 return store::StoreLocation{shippedStoreFolder(), false};
             })),
      capture(form.controls(), lookup)
{
    capture.setRegionFile(regionFile);
    form.move(1040, 100);
    form.show();
}

} // namespace bench
