// Draws the instruction picture of page 2 from the running window.
//
//   zc_instructionpicture OUT.jpg [SHOTS_FOLDER]
//
// Starts the real window with every subsystem attached, headless, beside the shipped store
// (the tool lies in the program's folder), plays two searches on page 0 as a player would
// (pinyin initials, then a fragment of a question typed through the input method), fills in
// some levelling figures on page 1, takes pictures of both pages, and composes the 415 x 440
// instruction picture with notes in Chinese. With SHOTS_FOLDER it also keeps the full-size
// pictures of the pages it took. The browsers load nothing: every request is refused, so the
// picture never depends on the network.
#include "app/startup.h"
#include "app/window/form1.h"
#include "tools/instructionpicture/composition.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestInterceptor>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class RefuseEverything : public QWebEngineUrlRequestInterceptor
{
public:
    void interceptRequest(QWebEngineUrlRequestInfo &info) override { info.block(true); }
};

bool fail(const char *what)
{
    std::fprintf(stderr, "zc_instructionpicture: %s\n", what);
    return false;
}

// The rows of the result list once the search of the text just typed has answered.
bool waitForAnswer(QTreeView *list)
{
    return QTest::qWaitFor([list] { return list->model() && list->model()->rowCount() > 0; },
                           10000);
}

QImage grabPage(QTabWidget *tabs, int page)
{
    tabs->setCurrentIndex(page);
    QCoreApplication::processEvents();
    return tabs->grab().toImage();
}

bool playAndCompose(Form1 &form, const QString &out, const QString &shotsFolder)
{
    const window::Controls &c = form.controls();
    QTabWidget *tabs = c.SSTab1;
    QLineEdit *text1 = c.Text1;
    QTreeView *list = c.ListView1;
    if (!QTest::qWaitForWindowExposed(&form))
        return fail("the window was never shown");

    tools::Shots shots;
    tools::Geometry &at = shots.geometry;
    auto placeOf = [&](const QWidget *w) { return QRect(w->mapTo(tabs, QPoint(0, 0)), w->size()); };

    // A fragment of a question, typed in Chinese through the input method.
    tabs->setCurrentIndex(0);
    text1->setFocus(Qt::OtherFocusReason);
    QInputMethodEvent fragment;
    fragment.setCommitString(QString::fromUtf16(tools::kFragmentExample));
    QCoreApplication::sendEvent(text1, &fragment);
    if (!waitForAnswer(list))
        return fail("the store gave no answer for the fragment (is crvt.dat beside the tool?)");
    shots.fragmentPage0 = grabPage(tabs, 0);

    // Clear, then the initial letters of the words of a question; Down goes into the list
    // and moves its selection to the first 世界杯 question, which the display pair follows.
    QTest::mouseClick(c.Command1, Qt::LeftButton);
    QTest::keyClicks(text1, QString::fromUtf16(tools::kInitialsExample));
    if (!waitForAnswer(list))
        return fail("the store gave no answer for the initials");
    QTest::keyClick(text1, Qt::Key_Down);
    const QString topic = QString::fromUtf16(tools::kInitialsTopic);
    for (int row = 0; row < list->model()->rowCount() && row < 20; ++row) {
        if (list->currentIndex().data().toString().contains(topic))
            break;
        QTest::keyClick(list, Qt::Key_Down);
    }
    QCoreApplication::processEvents();
    shots.initialsPage0 = grabPage(tabs, 0);

    at.text1 = placeOf(c.Text1);
    at.check2 = placeOf(c.Check2);
    at.listView1 = placeOf(c.ListView1);
    at.frame1 = placeOf(c.Frame1);
    at.command12 = placeOf(c.Command12);
    const QRect row = list->visualRect(list->currentIndex());
    at.selectedRow = QRect(list->viewport()->mapTo(tabs, row.topLeft()),
                           QSize(list->viewport()->width(), row.height()));

    // Page 1 with the levelling calculator at work: the opening figure for levels 1 to 60,
    // and the estimates for some rates typed in.
    tabs->setCurrentIndex(1);
    const std::pair<QLineEdit *, const char *> figures[] = {{c.Text3, "1500"},
                                                            {c.Text2, "300000"},
                                                            {c.Text9, "5"},
                                                            {c.Text10, "120"},
                                                            {c.Text11, "30"}};
    for (const auto &[box, digits] : figures)
        QTest::keyClicks(box, QString::fromLatin1(digits));
    shots.page1 = grabPage(tabs, 1);
    tabs->setCurrentIndex(0);

    if (!shotsFolder.isEmpty()) {
        QDir().mkpath(shotsFolder);
        shots.initialsPage0.save(shotsFolder + u"/page0-initials.png"_s);
        shots.fragmentPage0.save(shotsFolder + u"/page0-fragment.png"_s);
        shots.page1.save(shotsFolder + u"/page1.png"_s);
    }

    const QImage picture = tools::compose(shots);
    if (picture.size() != QSize(tools::kWidth, tools::kHeight))
        return fail("the composed picture has the wrong size");
    if (!QDir().mkpath(QFileInfo(out).absolutePath()) ||
        !picture.save(out, "JPEG", tools::kJpegQuality))
        return fail("cannot write the picture");
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUT.jpg [SHOTS_FOLDER]\n", argv[0]);
        return 2;
    }
    // No screen, no web content (every request is refused below), hence no need for the
    // browser's sandbox either, which cannot run as root.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu --disable-background-networking");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);

    RefuseEverything refuse;
    app::StartOptions options;
    options.trace = [&refuse](const char *step, Program &program) {
        if (qstrcmp(step, "Form_Load") == 0)
            program.form().browserProfile()->setUrlRequestInterceptor(&refuse);
    };
    app::StartResult started = app::startUp(options);
    if (!started.program) {
        fail("start-up failed");
        return 1;
    }

    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString shots = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    const bool done = playAndCompose(started.program->form(), out, shots);
    started.program.reset();
    return done ? 0 : 1;
}
