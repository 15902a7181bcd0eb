// What the answer window shows and how large it is, for each kind of card: one answer, the
// two answers of near twins, a long question or answer, a notice with what to do, a short
// state text.
#include "lookup/capture/answercard.h"
#include "lookup/capture/answerwindow.h"
#include "tests/common/testmain.h"

using namespace Qt::StringLiterals;
using capture::AnswerCard;
using capture::AnswerWindow;

Q_DECLARE_METATYPE(AnswerCard)

namespace {

const QString kLongQuestion =
    u"在中国古代四大发明之中，哪一项发明最早经由阿拉伯商人传入欧洲，并在此后数百年间深刻改变了欧洲的战争方式与政治格局？"_s;
const QString kLongAnswer =
    u"火药、指南针、造纸术与印刷术之中的火药，后来传入欧洲并改变了骑士阶层的地位"_s;

} // namespace

class TestAnswerWindow : public QObject
{
    Q_OBJECT
private slots:
    void lines_data();
    void lines();
    void aLongAnswerGetsSmallerTypeBeforeItIsCut();
};

void TestAnswerWindow::lines_data()
{
    QTest::addColumn<AnswerCard>("card");
    QTest::addColumn<QStringList>("shown"); // "…" at the end: cut there

    QTest::newRow("one answer under its question")
        << capture::answerCard({{u"世界上最高的山峰是哪一座？"_s, u"珠穆朗玛峰"_s}})
        << QStringList{u"世界上最高的山峰是哪一座？"_s, u"珠穆朗玛峰"_s};
    QTest::newRow("near twins: both, best first, under a warning")
        << capture::answerCard(
               {{u"黄山位于哪个省？"_s, u"安徽"_s}, {u"泰山位于哪个省？"_s, u"山东"_s}})
        << QStringList{QString::fromUtf16(capture::kTwinsTitle), u"黄山位于哪个省？"_s, u"安徽"_s,
                       u"泰山位于哪个省？"_s, u"山东"_s};
    QTest::newRow("a long question is cut, its answer is not")
        << capture::answerCard({{kLongQuestion, u"火药"_s}})
        << QStringList{kLongQuestion.left(20) + u"…"_s, u"火药"_s};
    AnswerCard footnote = capture::answerCard({{u"长城东起哪座关隘？"_s, u"山海关"_s}});
    footnote.footnote = u"无法保存题目区域，下次需重新框选"_s;
    QTest::newRow("an answer with a footnote")
        << footnote
        << QStringList{u"长城东起哪座关隘？"_s, u"山海关"_s, u"无法保存题目区域，下次需重新框选"_s};
    QTest::newRow("a notice with what to do")
        << capture::noticeCard(u"未识别到题目"_s, u"按 Shift+F2 重新框选"_s)
        << QStringList{u"未识别到题目"_s, u"按 Shift+F2 重新框选"_s};
    QTest::newRow("a notice that says it all")
        << capture::noticeCard(u"无法读取屏幕"_s) << QStringList{u"无法读取屏幕"_s};
    QTest::newRow("a state text") << capture::stateCard(u"自动识别：开"_s)
                                  << QStringList{u"自动识别：开"_s};
}

void TestAnswerWindow::lines()
{
    QFETCH(AnswerCard, card);
    QFETCH(QStringList, shown);
    AnswerWindow window;
    window.present(card, QRect(40, 40, 400, 30));
    QVERIFY(window.isVisible());
    const QStringList lines = window.shownLines();
    QCOMPARE(lines.size(), shown.size());
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (shown[i].endsWith(u'…')) {
            QVERIFY2(lines[i].endsWith(u'…') && lines[i].size() < kLongQuestion.size(),
                     qPrintable(u"line %1 cut: "_s.arg(i) + lines[i]));
            QVERIFY2(shown[i].startsWith(lines[i].left(10)), qPrintable(lines[i]));
        } else {
            QCOMPARE(lines[i], shown[i]);
        }
    }
    QVERIFY2(window.width() >= AnswerWindow::kNarrowest && window.width() <= AnswerWindow::kWidest,
             qPrintable(u"%1 wide"_s.arg(window.width())));
    QCOMPARE(window.card(), card);
}

void TestAnswerWindow::aLongAnswerGetsSmallerTypeBeforeItIsCut()
{
    AnswerWindow window;
    const QString longer = u"指南针、造纸术、活字印刷术以及黑火药共四项"_s;
    window.present(capture::answerCard({{u"四大发明？"_s, longer}}), QRect(40, 40, 300, 30));
    QCOMPARE(window.shownLines().value(1), longer);
    const int shortAnswerHeight = [] {
        AnswerWindow w;
        w.present(capture::answerCard({{u"四大发明？"_s, u"火药"_s}}), QRect(40, 40, 300, 30));
        return w.height();
    }();
    QVERIFY2(window.height() < shortAnswerHeight, "smaller type for the long answer");

    window.present(capture::answerCard({{u"四大发明？"_s, kLongAnswer}}), QRect(40, 40, 300, 30));
    QVERIFY2(window.shownLines().value(1).endsWith(u'…'), "too long even in small type");
    QCOMPARE(window.width(), AnswerWindow::kWidest);
}

ZC_TEST_MAIN(TestAnswerWindow)
#include "tst_answerwindow.moc"
