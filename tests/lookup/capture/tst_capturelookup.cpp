// The capture path of page 0 on the real window, the real engine and a real store, with the
// screen replaced by rendered pictures: what is listed and shown, what is left alone, and the
// notices; and the region overlay's drag and Escape.
#include "app/window/formlabel.h"
#include "lookup/capture/capturelookup.h"
#include "lookup/capture/notice.h"
#include "lookup/capture/regionfile.h"
#include "lookup/capture/regionpicker.h"
#include "lookup/capture/screenregion.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QFontDatabase>
#include <QLineEdit>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>

using namespace Qt::StringLiterals;

namespace {

const QString kFontFile = u"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc"_s;

// A game-like capture: light text on a dark band, a question number before it.
QImage render(const QString &text)
{
    static const int id = QFontDatabase::addApplicationFont(kFontFile);
    QFont font(QFontDatabase::applicationFontFamilies(id).value(0));
    font.setPixelSize(18);
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 24, 40, QImage::Format_RGB32);
    image.fill(QColor(30, 40, 70));
    QPainter p(&image);
    p.setFont(font);
    p.setPen(QColor(250, 230, 160));
    p.drawText(image.rect(), Qt::AlignCenter, text);
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
    void nothingRecognisedLeavesTheScreen_data();
    void nothingRecognisedLeavesTheScreen();
    void regionIsDraggedOrCancelled();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<LookupPage> m_lookup;
    std::unique_ptr<capture::CaptureLookup> m_capture;
    QImage m_screen; // what the grab returns; null: the grab fails
};

void TestCaptureLookup::initTestCase()
{
    if (!QFile::exists(kFontFile))
        QSKIP("fonts-wqy-zenhei is not installed");
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    cv.rows = {{u"世界上最高的山峰是哪一座？"_s, u"珠穆朗玛峰"_s, u"sjszgdsfsnyz"_s},
               {u"中国的首都是哪座城市？"_s, u"北京"_s, u"zgdsdsnzcs"_s},
               {u"长城东起哪座关隘？"_s, u"山海关"_s, u"ccdqnzga"_s}};
    QVERIFY(!jetwriter::writeJet4(m_dir.filePath(QString::fromUtf16(store::kStoreFileName)),
                                  QString::fromUtf16(store::kStorePassword), {cv}));
    QVERIFY(capture::saveRegion(m_dir.filePath(u"capture.ini"_s), {QRect(10, 10, 400, 40), {}}));
}

void TestCaptureLookup::init()
{
    makeForm();
    shapeResultList(ui().ListView1);
    m_lookup = std::make_unique<LookupPage>(ui());
    m_capture = std::make_unique<capture::CaptureLookup>(ui(), *m_lookup);
    m_capture->setRegionFile(m_dir.filePath(u"capture.ini"_s));
    m_capture->setStoreFolder([this] { return m_dir.path(); });
    m_capture->setGrabber([this](const QRect &, QString *failure) {
        if (m_screen.isNull())
            *failure = u"无法读取屏幕"_s;
        return m_screen;
    });
    ui().Text1->setText(u"zg"_s); // a search before the capture: the list shows one match
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
    QVERIFY(model->rowCount() >= 1);
    QCOMPARE(model->question(0), u"世界上最高的山峰是哪一座？"_s);
    QCOMPARE(ui().Label2->text(), u"世界上最高的山峰是哪一座？"_s);
    QCOMPARE(ui().Label4->text(), u"珠穆朗玛峰"_s);
    QCOMPARE(ui().ListView1->selectionModel()->selectedRows().value(0).row(), 0);
    QCOMPARE(ui().Text1->text(), u"zg"_s); // the query box is the player's

    // The list works as after a search: the next row selected shows its pair.
    if (model->rowCount() > 1) {
        ui().ListView1->setCurrentIndex(model->index(1, 0));
        QCOMPARE(ui().Label2->text(), model->question(1));
    }
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
    QCOMPARE(capture::visibleNotice(), notice);
    QCOMPARE(model->rowCount(), rows);
    QCOMPARE(ui().Label2->text(), question);
    QCOMPARE(ui().Label4->text(), answer);
}

void TestCaptureLookup::regionIsDraggedOrCancelled()
{
    QPixmap still(300, 200);
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
