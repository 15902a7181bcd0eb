// The capture path of page 0 on the real window, the real engine and a real store, with the
// screen replaced by rendered pictures: what is listed and shown, in the list and in the
// answer window beside the region, what is left alone, and how each way a capture can fail
// is told, below Text1 and beside the region; and the region overlay's drag and Escape.
#include "app/window/formlabel.h"
#include "lookup/capture/answerwindow.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/regionthumbnail.h"
#include "lookup/capture/screenregion.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/notice.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;

// A game-like capture: light text on a dark band, a question number before it.
// Lines separated by '\n', the options under the question as a quiz panel shows them.
QImage render(const QString &text)
{
    static const int id = QFontDatabase::addApplicationFont(kFontFile);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(18);
    const QStringList lines = text.split(u'\n');
    int width = 0;
    for (const QString &line : lines)
        width = std::max(width, QFontMetrics(font).horizontalAdvance(line));
    QImage image(width + 24, 40 * int(lines.size()), QImage::Format_RGB32);
    image.fill(QColor(30, 40, 70));
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor(250, 230, 160));
    for (int i = 0; i < lines.size(); ++i)
        p.drawText(QRect(0, 40 * i, image.width(), 40), Qt::AlignCenter, lines[i]);
    return image;
}

} // namespace

class TestCaptureLookup : public QObject, public FormFixture
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void aRecognisedQuestionIsListedAndShown();
    void theAnswerBesideTheRegion_data();
    void theAnswerBesideTheRegion();
    void theAnswerWindowGoes();
    void nothingRecognisedLeavesTheScreen_data();
    void nothingRecognisedLeavesTheScreen();
    void captureReadsTheStoreTheSearchLoaded();
    void aChangedStoreIsRankedAgain();
    void anUnreadableStoreIsSaid();
    void aFailedCaptureIsToldBesideTheRegion_data();
    void aFailedCaptureIsToldBesideTheRegion();
    void missingRecognitionDataIsTold();
    void regionIsDraggedOrCancelled();

private:
    // Writes a store of `rows` (question, answer) as crvt.dat in `folder`.
    static void writeStore(const QString &folder,
                           const std::vector<std::pair<QString, QString>> &rows);
    QString regionFile() const { return m_dir.filePath(u"capture.ini"_s); }

    QTemporaryDir m_dir;
    QString m_storeFolder; // where the reader finds the store: m_dir unless a test moves it
    std::unique_ptr<LookupPage> m_lookup;
    std::unique_ptr<capture::CaptureLookup> m_capture;
    QImage m_screen; // what the grab returns; null: the grab fails
    QString m_grabFailure = u"无法读取屏幕"_s;
    bool m_answerShownAtGrab = false;
};

void TestCaptureLookup::initTestCase()
{
    if (!QFile::exists(kFontFile))
        QSKIP("fonts-wqy-zenhei is not installed");
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows = {{u"世界上最高的山峰是哪一座？"_s, u"珠穆朗玛峰"_s, u"sjszgdsfsnyz"_s},
               {u"中国的首都是哪座城市？"_s, u"北京"_s, u"zgdsdsnzcs"_s},
               {u"长城东起哪座关隘？"_s, u"山海关"_s, u"ccdqnzga"_s},
               {u"黄山位于哪个省？"_s, u"安徽"_s, u"hswyngs"_s},
               {u"泰山位于哪个省？"_s, u"山东"_s, u"tswyngs"_s}};
    QVERIFY(!jetwriter::writeJet4(m_dir.filePath(QString::fromUtf16(store::kStoreFileName)),
                                  QString::fromUtf16(store::kStorePassword), {cv}));
}

void TestCaptureLookup::init()
{
    QVERIFY(capture::saveRegion(regionFile(), {QRect(10, 10, 400, 40), {}}));
    makeForm();
    shapeResultList(ui().ListView1);
    // The search and capture read the test's store through one reader, as in the program.
    m_storeFolder = m_dir.path();
    m_lookup = std::make_unique<LookupPage>(ui(), std::make_shared<store::StoreReader>([this] {
                                                return store::StoreLocation{m_storeFolder, false};
                                            }));
    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(regionFile());
    m_capture->setGrabber([this](const QRect &, QString *failure) {
        m_answerShownAtGrab = m_capture->answerWindow().isVisible();
        if (m_screen.isNull())
            *failure = m_grabFailure;
        return m_screen;
    });
    ui().Text1->setText(u"zg"_s); // a search before the capture: the list shows its matches
}

void TestCaptureLookup::cleanup()
{
    m_capture.reset();
    m_lookup.reset();
}

void TestCaptureLookup::aRecognisedQuestionIsListedAndShown()
{
    m_screen = render(u"第3题 世界上最高的山峰是哪一座？"_s);
    m_capture->windowShown(); // the engine and the store's questions made ready ahead
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), true);

    auto *model = ResultModel::of(ui().ListView1);
    QVERIFY2(model->rowCount() >= 1, "nothing listed");
    QCOMPARE(model->question(0), u"世界上最高的山峰是哪一座？"_s);
    QCOMPARE(ui().Label2->text(), u"世界上最高的山峰是哪一座？"_s);
    QCOMPARE(ui().Label4->text(), u"珠穆朗玛峰"_s);
    QCOMPARE(ui().ListView1->selectionModel()->selectedRows().value(0).row(), 0);
    QCOMPARE(ui().Text1->text(), u"zg"_s); // the query box is the player's

    // Beside the region, the answer under the question it answers.
    const capture::AnswerWindow &answer = m_capture->answerWindow();
    QVERIFY(answer.isVisible());
    QCOMPARE(answer.card().kind, capture::AnswerCard::Kind::Answer);
    QCOMPARE(answer.card().entries.size(), size_t(1));
    QCOMPARE(answer.card().entries[0].question, u"世界上最高的山峰是哪一座？"_s);
    QCOMPARE(answer.card().entries[0].answer, u"珠穆朗玛峰"_s);
    QCOMPARE(answer.geometry().topLeft(), QPoint(10, 10 + 40 + capture::kAnswerGap));

    // The list works as after a search: the next row selected shows its pair.
    if (model->rowCount() > 1) {
        ui().ListView1->setCurrentIndex(model->index(1, 0));
        QCOMPARE(ui().Label2->text(), model->question(1));
    }
}

void TestCaptureLookup::theAnswerBesideTheRegion_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<QStringList>("answers"); // best first, as shown
    QTest::newRow("one question") << u"第4题 长城东起哪座关隘？"_s << QStringList{u"山海关"_s};
    QTest::newRow("near twins: both answers, best first")
        << u"第5题 山位于哪个省？"_s << QStringList{u"安徽"_s, u"山东"_s};
    QTest::newRow("the options under the question: the one to click")
        << u"第3题 世界上最高的山峰是哪一座？\nA．乔戈里峰  B．珠穆朗玛峰  C．干城章嘉峰  D．洛子峰"_s
        << QStringList{u"B．珠穆朗玛峰"_s};
}

void TestCaptureLookup::theAnswerBesideTheRegion()
{
    QFETCH(QString, screen);
    QFETCH(QStringList, answers);
    m_screen = render(screen);
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), true);
    QStringList shown;
    for (const capture::AnswerCard::Entry &entry : m_capture->answerWindow().card().entries)
        shown += entry.answer;
    QCOMPARE(shown, answers);
}

void TestCaptureLookup::theAnswerWindowGoes()
{
    m_screen = render(u"世界上最高的山峰是哪一座？"_s);
    capture::AnswerWindow &answer = m_capture->answerWindow();
    m_capture->captureQuestion();
    QVERIFY(answer.isVisible());
    QTest::mouseClick(&answer, Qt::LeftButton);
    QVERIFY2(!answer.isVisible(), "gone when clicked");

    m_capture->captureQuestion();
    QVERIFY(answer.isVisible());
    // By itself, and at the next capture, even one that finds nothing to show beside it.
    QTRY_VERIFY_WITH_TIMEOUT(!answer.isVisible(),
                             capture::showMilliseconds(capture::AnswerCard::Kind::Answer) + 2000);
    m_capture->captureQuestion();
    QVERIFY(answer.isVisible());
    m_screen = QImage();
    m_capture->captureQuestion();
    QVERIFY2(!m_answerShownAtGrab, "the last answer is gone before the region is read");
    QCOMPARE(answer.card().kind, capture::AnswerCard::Kind::Notice);
}

void TestCaptureLookup::nothingRecognisedLeavesTheScreen_data()
{
    QTest::addColumn<QImage>("screen");
    QTest::addColumn<QString>("notice");
    QTest::newRow("text that is no question")
        << render(u"倒计时 00:15 请作答"_s) << u"未识别到题目"_s;
    QTest::newRow("an empty picture") << render(QString()) << u"未识别到题目"_s;
    QTest::newRow("no picture of the screen") << QImage() << u"无法读取屏幕"_s;
}

void TestCaptureLookup::nothingRecognisedLeavesTheScreen()
{
    QFETCH(QImage, screen);
    QFETCH(QString, notice);
    m_screen = screen;
    auto *model = ResultModel::of(ui().ListView1);
    const int rows = model->rowCount();
    const QString question = ui().Label2->text(), answer = ui().Label4->text();

    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), false);
    QCOMPARE(lookup::visibleNotice(), notice);
    QCOMPARE(m_capture->answerWindow().card().title, notice);
    QVERIFY(m_capture->answerWindow().isVisible());
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(ui().Label2->text(), question);
    QCOMPARE(ui().Label4->text(), answer);
}

void TestCaptureLookup::writeStore(const QString &folder,
                                   const std::vector<std::pair<QString, QString>> &rows)
{
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    for (const auto &[question, answer] : rows)
        cv.rows.push_back({question, answer, std::nullopt});
    const auto failure =
        jetwriter::writeJet4(folder + u'/' + QString::fromUtf16(store::kStoreFileName),
                             QString::fromUtf16(store::kStorePassword), {cv});
    QVERIFY2(!failure, qPrintable(failure.value_or(QString())));
}

void TestCaptureLookup::captureReadsTheStoreTheSearchLoaded()
{
    // init's search has loaded the store; the capture's rows come from that same load.
    const std::shared_ptr<store::StoreReader> reader = m_lookup->storeReader();
    QCOMPARE(reader->loads(), 1);
    m_screen = render(u"第3题 中国的首都是哪座城市？"_s);
    m_capture->windowShown();
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), true);
    QCOMPARE(ui().Label4->text(), u"北京"_s);
    QCOMPARE(reader->loads(), 1);
    // And the search after it still reads the same load.
    ui().Text1->setText(u"cc"_s);
    QCOMPARE(ui().Label4->text(), u"山海关"_s);
    QCOMPARE(reader->loads(), 1);
}

void TestCaptureLookup::aChangedStoreIsRankedAgain()
{
    QTemporaryDir other;
    m_storeFolder = other.path();
    writeStore(m_storeFolder, {{u"中国的首都是哪座城市？"_s, u"北京"_s}});
    m_screen = render(u"第3题 中国的首都是哪座城市？"_s);
    m_capture->windowShown();
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), true);
    QCOMPARE(ui().Label4->text(), u"北京"_s);

    // The file is replaced between two captures: the second lists the new store's rows.
    QVERIFY(QFile::remove(m_storeFolder + u"/crvt.dat"_s));
    writeStore(m_storeFolder, {{u"长城东起哪座关隘？"_s, u"山海关"_s},
                               {u"中国的首都是哪座城市？"_s, u"北京市"_s}});
    m_capture->captureQuestion();
    QCOMPARE(finished.size(), 2);
    QCOMPARE(finished.value(1).value(0).toBool(), true);
    QCOMPARE(ui().Label2->text(), u"中国的首都是哪座城市？"_s);
    QCOMPARE(ui().Label4->text(), u"北京市"_s);
}

void TestCaptureLookup::anUnreadableStoreIsSaid()
{
    QTemporaryDir other;
    m_storeFolder = other.path();
    QFile garbage(m_storeFolder + u"/crvt.dat"_s);
    QVERIFY(garbage.open(QIODevice::WriteOnly));
    garbage.write(QByteArray(8192, 'x'));
    garbage.close();
    m_screen = render(u"第3题 中国的首都是哪座城市？"_s);
    auto *model = ResultModel::of(ui().ListView1);
    const int rows = model->rowCount();
    const QString question = ui().Label2->text();

    m_capture->windowShown();
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    QCOMPARE(finished.value(0).value(0).toBool(), false);
    QCOMPARE(lookup::visibleNotice(),
             u"无法读取题库 %1/crvt.dat：不是 Access 数据库"_s.arg(m_storeFolder));
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(ui().Label2->text(), question);
}

void TestCaptureLookup::aFailedCaptureIsToldBesideTheRegion_data()
{
    QTest::addColumn<QImage>("screen"); // null: the grab fails
    QTest::addColumn<QString>("grabFailure");
    QTest::addColumn<QByteArray>("store"); // replaces crvt.dat; empty: the good one
    QTest::addColumn<QRect>("region");
    QTest::addColumn<bool>("withThumbnail"); // the region's thumbnail, from the question
    QTest::addColumn<QString>("notice");     // below Text1
    QTest::addColumn<QString>("title");      // beside the region
    QTest::addColumn<QString>("hint");

    const QImage question = render(u"第3题 世界上最高的山峰是哪一座？"_s);
    const QRect region(10, 10, 400, 40);
    const QString again = u"按 Shift+F2 重新框选"_s;
    const QString covered = u"程序的窗口挡住了题目：请把它移开后再试"_s;
    QTest::newRow("the grab fails, saying why") << QImage() << covered << QByteArray() << region
                                                << false << covered << covered << QString();
    QTest::newRow("the grab fails, saying nothing")
        << QImage() << QString() << QByteArray() << region << false << u"无法读取屏幕"_s
        << u"无法读取屏幕"_s << QString();
    // The store's notice names the file and the cause, as the search's does.
    const QString notJet = u"无法读取题库 %1：不是 Access 数据库"_s;
    QTest::newRow("the store cannot be read")
        << question << QString() << QByteArray("not a store at all") << region << false << notJet
        << notJet << u"请修复或删除这个题库文件"_s;
    QTest::newRow("the store is empty")
        << question << QString() << QByteArray("") << region << false << notJet << notJet
        << u"请修复或删除这个题库文件"_s;
    QTest::newRow("nothing recognised, the panel as it was")
        << render(u"倒计时 00:15 请作答"_s) << QString() << QByteArray() << region << true
        << u"未识别到题目"_s << u"未识别到题目"_s << again;
    QImage elsewhere(400, 40, QImage::Format_RGB32);
    elsewhere.fill(QColor(236, 236, 236));
    QTest::newRow("nothing recognised, and the region shows something else")
        << elsewhere << QString() << QByteArray() << region << true
        << u"未识别到题目：画面与框选时不同（游戏窗口移动了？），按 Shift+F2 重新框选"_s
        << u"未识别到题目"_s << u"画面与框选时不同（游戏窗口移动了？），按 Shift+F2 重新框选"_s;
    QTest::newRow("nothing recognised, a file from before thumbnails")
        << elsewhere << QString() << QByteArray() << region << false << u"未识别到题目"_s
        << u"未识别到题目"_s << again;
    QImage huge(33000, 40, QImage::Format_Grayscale8); // wider than any screen
    huge.fill(200);
    QTest::newRow("a picture larger than any question region")
        << huge << QString() << QByteArray() << region << false
        << u"题目区域太大，无法识别：按 Shift+F2 只框选题目所在的几行"_s
        << u"题目区域太大，无法识别"_s << u"按 Shift+F2 只框选题目所在的几行"_s;
    // The offscreen desktop is one screen of 800x800.
    QTest::newRow("the region is mostly off the screen")
        << question << QString() << QByteArray() << QRect(700, 500, 400, 40) << false
        << u"题目区域大部分不在屏幕上：按 Shift+F2 重新框选"_s << u"题目区域大部分不在屏幕上"_s
        << again;
    QTest::newRow("the region is off every screen")
        << question << QString() << QByteArray() << QRect(-5000, 300, 400, 40) << false
        << u"题目区域大部分不在屏幕上：按 Shift+F2 重新框选"_s << u"题目区域大部分不在屏幕上"_s
        << again;
}

void TestCaptureLookup::aFailedCaptureIsToldBesideTheRegion()
{
    QFETCH(QImage, screen);
    QFETCH(QString, grabFailure);
    QFETCH(QByteArray, store);
    QFETCH(QRect, region);
    QFETCH(bool, withThumbnail);
    QFETCH(QString, notice);
    QFETCH(QString, title);
    QFETCH(QString, hint);

    QTemporaryDir otherStore;
    const QString storeFile = otherStore.filePath(QString::fromUtf16(store::kStoreFileName));
    if (!store.isNull()) {
        QFile out(storeFile);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(store);
        out.close();
        m_storeFolder = otherStore.path();
        notice = notice.arg(storeFile);
        title = title.arg(storeFile);
    }
    const QByteArray thumbnail =
        withThumbnail ? capture::makeThumbnail(render(u"第3题 世界上最高的山峰是哪一座？"_s))
                      : QByteArray();
    QVERIFY(capture::saveRegion(regionFile(), {region, thumbnail}));
    m_screen = screen;
    m_grabFailure = grabFailure;
    auto *model = ResultModel::of(ui().ListView1);
    const int rows = model->rowCount();
    const QString answer = ui().Label4->text();

    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    QSignalSpy notices(m_capture.get(), &capture::CaptureLookup::noticeShown);
    m_capture->captureQuestion();
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished[0][0].toBool(), false);
    QCOMPARE(notices.size(), 1);
    QCOMPARE(notices[0][0].toString(), notice);
    QCOMPARE(lookup::visibleNotice(), notice);

    const capture::AnswerWindow &window = m_capture->answerWindow();
    QVERIFY(window.isVisible());
    QCOMPARE(window.card().kind, capture::AnswerCard::Kind::Notice);
    QCOMPARE(window.card().title, title);
    QCOMPARE(window.card().hint, hint);
    const QRect screenArea = QGuiApplication::primaryScreen()->geometry();
    QVERIFY2(screenArea.contains(window.geometry()),
             qPrintable(u"at %1,%2 %3x%4"_s.arg(window.geometry().x())
                            .arg(window.geometry().y())
                            .arg(window.width())
                            .arg(window.height())));

    // Page 0 as it was.
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(ui().Label4->text(), answer);
}

void TestCaptureLookup::missingRecognitionDataIsTold()
{
    // The engine takes its models from ZC_MODEL_DIR when it loads, at the first capture.
    QTemporaryDir empty;
    const QByteArray before = qgetenv("ZC_MODEL_DIR");
    qputenv("ZC_MODEL_DIR", QFile::encodeName(empty.path()));
    m_screen = render(u"第3题 世界上最高的山峰是哪一座？"_s);
    QSignalSpy finished(m_capture.get(), &capture::CaptureLookup::captureFinished);
    m_capture->captureQuestion();
    if (before.isNull())
        qunsetenv("ZC_MODEL_DIR");
    else
        qputenv("ZC_MODEL_DIR", before);
    QCOMPARE(finished.value(0).value(0).toBool(), false);
    QCOMPARE(lookup::visibleNotice(), u"缺少文字识别模型：请重新安装软件包 zembrik-corvanth"_s);
    QCOMPARE(m_capture->answerWindow().card().title, u"缺少文字识别模型"_s);
}

void TestCaptureLookup::regionIsDraggedOrCancelled()
{
    QImage still(300, 200, QImage::Format_RGB32);
    still.fill(Qt::gray);
    auto *picker = new capture::RegionPicker(still, QRect(100, 50, 300, 200));
    QSignalSpy picked(picker, &capture::RegionPicker::picked);
    picker->show();
    QTest::mousePress(picker, Qt::LeftButton, {}, QPoint(20, 30));
    QTest::mouseMove(picker, QPoint(220, 70));
    QTest::mouseRelease(picker, Qt::LeftButton, {}, QPoint(220, 70));
    QCOMPARE(picked.value(0).value(0).toRect(), QRect(120, 80, 200, 40)); // desktop coordinates

    auto *cancelled = new capture::RegionPicker(still, QRect(0, 0, 300, 200));
    QSignalSpy gone(cancelled, &capture::RegionPicker::cancelled);
    cancelled->show();
    QTest::keyClick(cancelled, Qt::Key_Escape);
    QCOMPARE(gone.count(), 1);
}

ZC_TEST_MAIN(TestCaptureLookup)
#include "tst_capturelookup.moc"
