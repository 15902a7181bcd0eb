// The levelling calculator on the real window: level edits, estimates, failures, the clear
// button and the load defaults.
#include "app/startup.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "levelling/levellingcalculator.h"
#include "tests/common/formfixture.h"
#include "tests/common/messageboxwatcher.h"
#include "tests/common/testmain.h"

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString rangeMessage = u"超出范围,当前最小等级为0最大等级为60"_s;

} // namespace

class TestLevellingCalculator : public QObject, public FormFixture
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadDefaults();
    void levelTableListHoldsSixtyOneDecimalTexts();

    void levelPair_data();
    void levelPair();
    void onlyOneLevelBox();
    void typedPastSixty();
    void typedInFront();
    void pastedNegative();
    void deletedStartLevel();
    void sameLevelsAfterClearShowFigureAgain();

    void hourly_data();
    void hourly();
    void perSecond_data();
    void perSecond();
    void kills_data();
    void kills();
    void killCountRefreshReadsItsInputs();
    void minutes_data();
    void minutes();
    void nothingRequired();
    void levelEditRerunsEstimates();

    void failureKeepsResult_data();
    void failureKeepsResult();
    void killFailureEndsLevelEdit();
    void hourlyFailureInsideLevelEditGoesOn();
    void minutesFailureSkipsPerSecond();
    void minutesWithoutRateShowsEmptyBox();

    void clearAfterFullCalculation();
    void clearOnEmptyFrame();

private:
    // The required experience as the estimates read it; its change refreshes Label18.
    void setRequired(const QString &digits) { ui().Label5->setText(digits); }
    void fillFrame();

    std::unique_ptr<LevellingCalculator> m_calculator;
};

void TestLevellingCalculator::init()
{
    makeForm();
    m_calculator = std::make_unique<LevellingCalculator>(ui());
    ui().SSTab1->setCurrentIndex(1);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestLevellingCalculator::cleanup()
{
    m_calculator.reset();
    m_form.reset();
}

void TestLevellingCalculator::fillFrame()
{
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text3->setText(u"1000"_s);
    ui().Text2->setText(u"100000"_s);
    ui().Text9->setText(u"10"_s);
    ui().Text10->setText(u"50"_s);
    ui().Text11->setText(u"30"_s);
}

// The whole program: start-up fills the level boxes, which computes the figure at once.
void TestLevellingCalculator::loadDefaults()
{
    cleanup();
    MessageBoxWatcher watcher;
    app::StartResult started = app::startUp();
    QVERIFY(started.program);
    Form1 &form = started.program->form();
    QCOMPARE(form.controls().Text4->text(), u"1"_s);
    QCOMPARE(form.controls().Text5->text(), u"60"_s);
    QCOMPARE(form.controls().Label5->text(), u"1527515785"_s);
    QCOMPARE(form.controls().Label18->text(), u"1,527,515,785 "_s);
    for (FormLabel *c : {form.controls().Label6, form.controls().Label17, form.controls().Label20,
                         form.controls().Label49, form.controls().Label51})
        QVERIFY2(c->text().isEmpty(), qPrintable(c->objectName()));
    for (QLineEdit *c : {form.controls().Text2, form.controls().Text3, form.controls().Text9,
                         form.controls().Text10, form.controls().Text11})
        QVERIFY2(c->text().isEmpty(), qPrintable(c->objectName()));
    QCoreApplication::processEvents();
    QCOMPARE(watcher.count(), 0);
}

// Start-up attaches the calculator, which lists the level table in the hidden Lis_jy.
void TestLevellingCalculator::levelTableListHoldsSixtyOneDecimalTexts()
{
    cleanup();
    app::StartResult started = app::startUp();
    QVERIFY(started.program);
    QListWidget *list = started.program->form().controls().Lis_jy;
    QCOMPARE(list->count(), 61);
    QCOMPARE(list->item(0)->text(), u"0"_s);
    QCOMPARE(list->item(1)->text(), u"36"_s);
    QCOMPARE(list->item(20)->text(), u"70507"_s);
    QCOMPARE(list->item(60)->text(), u"177870000"_s);
    qint64 sum = 0;
    for (int i = 0; i < 60; ++i)
        sum += list->item(i)->text().toLongLong();
    QCOMPARE(sum, 1527515785LL);
}

void TestLevellingCalculator::levelPair_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("end");
    QTest::addColumn<QString>("required");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1 to 60") << u"1"_s << u"60"_s << u"1527515785"_s << u"1,527,515,785 "_s;
    QTest::newRow("0 to 60, entry 0 is 0")
        << u"0"_s << u"60"_s << u"1527515785"_s << u"1,527,515,785 "_s;
    QTest::newRow("1 to 2") << u"1"_s << u"2"_s << u"36"_s << u"36 "_s;
    QTest::newRow("0 to 1") << u"0"_s << u"1"_s << u"0"_s << u" "_s;
    QTest::newRow("1 to 6") << u"1"_s << u"6"_s << u"2571"_s << u"2,571 "_s;
    QTest::newRow("start equal to end") << u"7"_s << u"7"_s << u"0"_s << u" "_s;
    QTest::newRow("start above end") << u"30"_s << u"3"_s << u"0"_s << u" "_s;
    QTest::newRow("007 is level 7") << u"007"_s << u"8"_s << u"2824"_s << u"2,824 "_s;
    QTest::newRow("pasted fraction, index halves to even")
        << u"1.5"_s << u"4"_s << u"262"_s << u"262 "_s;
}

void TestLevellingCalculator::levelPair()
{
    QFETCH(QString, start);
    QFETCH(QString, end);
    QFETCH(QString, required);
    QFETCH(QString, shown);
    MessageBoxWatcher watcher;
    ui().Text4->setText(start);
    ui().Text5->setText(end);
    QCOMPARE(ui().Label5->text(), required);
    QCOMPARE(ui().Label18->text(), shown);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::onlyOneLevelBox()
{
    ui().Text3->setText(u"10"_s);
    ui().Text2->setText(u"1000"_s);
    ui().Text9->setText(u"7"_s);
    ui().Text10->setText(u"1"_s);
    QTest::keyClicks(ui().Text5, u"60"_s);
    for (FormLabel *c :
         {ui().Label5, ui().Label18, ui().Label6, ui().Label20, ui().Label49, ui().Label51})
        QVERIFY2(c->text().isEmpty(), qPrintable(c->objectName()));
}

void TestLevellingCalculator::typedPastSixty()
{
    MessageBoxWatcher watcher;
    ui().Text4->setText(u"1"_s);
    ui().Text2->setText(u"1000"_s);
    QTest::keyClick(ui().Text5, Qt::Key_6);
    QCOMPARE(ui().Label5->text(), u"2571"_s);
    const QString hourlyAtSix = ui().Label6->text();
    QCOMPARE(hourlyAtSix, u"0天2小时33分钟"_s);
    // Marks the result so that the nested edit's recomputation shows.
    ui().Label6->setText(u"-"_s);

    QTest::keyClick(ui().Text5, Qt::Key_1);
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    QCOMPARE(watcher.seen().front().title, u"ZembrikCorvanth专区"_s);
    QCOMPARE(ui().Text5->text(), u"6"_s);
    QCOMPARE(ui().Label5->text(), u"2571"_s);
    QCOMPARE(ui().Label18->text(), u"2,571 "_s);
    QCOMPARE(ui().Label6->text(), hourlyAtSix);
}

void TestLevellingCalculator::typedInFront()
{
    MessageBoxWatcher watcher;
    ui().Text4->setText(u"1"_s);
    QTest::keyClick(ui().Text5, Qt::Key_6);
    QTest::keyClick(ui().Text5, Qt::Key_Home);
    QTest::keyClick(ui().Text5, Qt::Key_9);
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    // The last character goes, not the one just typed.
    QCOMPARE(ui().Text5->text(), u"9"_s);
    QCOMPARE(ui().Label5->text(), u"11255"_s);
}

void TestLevellingCalculator::pastedNegative()
{
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text3->setText(u"1000"_s);
    MessageBoxWatcher watcher;
    QApplication::clipboard()->setText(u"-3"_s);
    ui().Text4->selectAll();
    ui().Text4->paste();
    QCOMPARE(ui().Text4->text(), u"-"_s);
    QCoreApplication::processEvents();
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    QCOMPARE(ui().Label5->text(), u"1527515785"_s);
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);
}

void TestLevellingCalculator::deletedStartLevel()
{
    fillFrame();
    QStringList before;
    const FormLabel *results[] = {ui().Label5,  ui().Label18, ui().Label6, ui().Label17,
                                  ui().Label20, ui().Label49, ui().Label51};
    for (const FormLabel *label : results)
        before << label->text();
    MessageBoxWatcher watcher;
    QLineEdit *start = ui().Text4;
    start->setFocus();
    start->end(false);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, u"\x08"_s);
    QApplication::sendEvent(start, &backspace);
    QCOMPARE(start->text(), QString());
    QStringList after;
    for (const FormLabel *label : results)
        after << label->text();
    QCOMPARE(after, before);

    // With the start box empty, new rates and an edit of the end box compute nothing that
    // needs the levels; the minutes, which do not, follow the new seconds.
    ui().Text3->setText(u"500"_s);
    ui().Text9->setText(u"3"_s);
    QTest::keyClick(ui().Text5, Qt::Key_Backspace);
    before[3] = u"30000"_s;
    after.clear();
    for (const FormLabel *label : results)
        after << label->text();
    QCOMPARE(after, before);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::sameLevelsAfterClearShowFigureAgain()
{
    MessageBoxWatcher watcher;
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Command13->click();
    QCOMPARE(ui().Label18->text(), QString());
    ui().Text5->setText(u"60"_s);
    ui().Text4->setText(u"1"_s);
    QCOMPARE(ui().Label5->text(), u"1527515785"_s);
    QCOMPARE(ui().Label18->text(), u"1,527,515,785 "_s);
}

void TestLevellingCalculator::hourly_data()
{
    QTest::addColumn<QString>("required");
    QTest::addColumn<QString>("perHour");
    QTest::addColumn<QString>("time");
    QTest::newRow("5600 at 1000") << u"5600"_s << u"1000"_s << u"0天5小时35分钟"_s;
    QTest::newRow("100000 at 1000") << u"100000"_s << u"1000"_s << u"4天4小时0分钟"_s;
    QTest::newRow("1 to 60 at 100000") << u"1527515785"_s << u"100000"_s << u"636天11小时9分钟"_s;
}

void TestLevellingCalculator::hourly()
{
    QFETCH(QString, required);
    QFETCH(QString, perHour);
    QFETCH(QString, time);
    setRequired(required);
    QTest::keyClicks(ui().Text2, perHour);
    QCOMPARE(ui().Label6->text(), time);
}

void TestLevellingCalculator::perSecond_data()
{
    QTest::addColumn<QString>("required");
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("experience");
    QTest::addColumn<QString>("time");
    QTest::newRow("1000 at 1 per 7 s") << u"1000"_s << u"7"_s << u"1"_s << u"0天1小时54分钟"_s;
    QTest::newRow("1 to 60 at 100 per 3 s")
        << u"1527515785"_s << u"3"_s << u"100"_s << u"530天9小时17分钟"_s;
}

void TestLevellingCalculator::perSecond()
{
    QFETCH(QString, required);
    QFETCH(QString, seconds);
    QFETCH(QString, experience);
    QFETCH(QString, time);
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    setRequired(required);
    QTest::keyClicks(ui().Text9, seconds);
    QCOMPARE(ui().Label20->text(), QString()); // no experience yet
    QTest::keyClicks(ui().Text10, experience);
    QCOMPARE(ui().Label20->text(), time);
}

void TestLevellingCalculator::kills_data()
{
    QTest::addColumn<QString>("required");
    QTest::addColumn<QString>("perKill");
    QTest::addColumn<QString>("hidden");
    QTest::addColumn<QString>("shown");
    QTest::newRow("exact division plus one") << u"100"_s << u"50"_s << u"3只"_s << u"3 只"_s;
    QTest::newRow("1 to 60 at 1000")
        << u"1527515785"_s << u"1000"_s << u"1527516只"_s << u"1,527,516 只"_s;
}

void TestLevellingCalculator::kills()
{
    QFETCH(QString, required);
    QFETCH(QString, perKill);
    QFETCH(QString, hidden);
    QFETCH(QString, shown);
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    setRequired(required);
    QTest::keyClicks(ui().Text3, perKill);
    QCOMPARE(ui().Label49->text(), hidden);
    QCOMPARE(ui().Label51->text(), shown);
}

// Label49 only signals a new count: Label51 is computed from Label5 and Text3.
void TestLevellingCalculator::killCountRefreshReadsItsInputs()
{
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text3->setText(u"1000"_s);
    ui().Label49->setText(u"7只"_s);
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);
    ui().Label51->setText(QString());
    ui().Label49->setText(QString());
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);
}

void TestLevellingCalculator::minutes_data()
{
    QTest::addColumn<QString>("seconds");
    QTest::addColumn<QString>("experience");
    QTest::addColumn<QString>("minutes");
    QTest::addColumn<QString>("gained");
    QTest::newRow("10 s, 50 exp, 30 min") << u"10"_s << u"50"_s << u"30"_s << u"9000"_s;
    QTest::newRow("3 s, 1 exp, 5 min: order of operations")
        << u"3"_s << u"1"_s << u"5"_s << u"99"_s;
}

void TestLevellingCalculator::minutes()
{
    QFETCH(QString, seconds);
    QFETCH(QString, experience);
    QFETCH(QString, minutes);
    QFETCH(QString, gained);
    MessageBoxWatcher watcher;
    // Typed in each order the handlings allow: minutes last, then seconds last.
    QTest::keyClicks(ui().Text9, seconds);
    QTest::keyClicks(ui().Text10, experience);
    QTest::keyClicks(ui().Text11, minutes);
    QCOMPARE(ui().Label17->text(), gained);
    ui().Label17->setText(QString());
    ui().Text9->clear();
    QTest::keyClicks(ui().Text9, seconds);
    QCOMPARE(ui().Label17->text(), gained);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::nothingRequired()
{
    ui().Text2->setText(u"1000"_s);
    ui().Text3->setText(u"10"_s);
    ui().Text9->setText(u"7"_s);
    ui().Text10->setText(u"1"_s);
    ui().Text4->setText(u"5"_s);
    ui().Text5->setText(u"5"_s);
    QCOMPARE(ui().Label5->text(), u"0"_s);
    QCOMPARE(ui().Label18->text(), u" "_s);
    QCOMPARE(ui().Label51->text(), u"1 只"_s);
    QCOMPARE(ui().Label6->text(), u"0天0小时0分钟"_s);
    QCOMPARE(ui().Label20->text(), u"0天0小时0分钟"_s);
}

// A level edit runs the hourly estimate, the kill count and the per-second time again.
void TestLevellingCalculator::levelEditRerunsEstimates()
{
    ui().Text2->setText(u"100000"_s);
    ui().Text3->setText(u"1000"_s);
    ui().Text9->setText(u"3"_s);
    ui().Text10->setText(u"100"_s);
    ui().Text4->setText(u"1"_s);
    QCOMPARE(ui().Label6->text(), QString());
    ui().Text5->setText(u"60"_s);
    QCOMPARE(ui().Label6->text(), u"636天11小时9分钟"_s);
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);
    QCOMPARE(ui().Label20->text(), u"530天9小时17分钟"_s);
    ui().Text4->setText(u"0"_s);                    // same figure: only the start box changed
    QTest::keyClick(ui().Text5, Qt::Key_Backspace); // "6": 0 to 6
    QCOMPARE(ui().Label5->text(), u"2571"_s);
    QCOMPARE(ui().Label6->text(), u"0天0小时1分钟"_s);
    QCOMPARE(ui().Label49->text(), u"3只"_s);
    QCOMPARE(ui().Label51->text(), u"3 只"_s);
    QCOMPARE(ui().Label20->text(), u"0天0小时1分钟"_s);
}

void TestLevellingCalculator::failureKeepsResult_data()
{
    using C = window::Controls;
    using Labels = QList<LabelMember>;
    QTest::addColumn<BoxMember>("input");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QList<LabelMember>>("results");
    QTest::newRow("zero per kill")
        << &C::Text3 << u"1000"_s << u"0"_s << Labels{&C::Label49, &C::Label51};
    QTest::newRow("zero per hour") << &C::Text2 << u"1000"_s << u"0"_s << Labels{&C::Label6};
    QTest::newRow("hourly rate beyond 32 bits")
        << &C::Text2 << u"1000"_s << u"3000000000"_s << Labels{&C::Label6};
    QTest::newRow("whole hours beyond 32 bits")
        << &C::Text9 << u"3"_s << u"600000"_s << Labels{&C::Label20};
    QTest::newRow("zero seconds") << &C::Text9 << u"3"_s << u"0"_s
                                  << Labels{&C::Label20, &C::Label17};
    QTest::newRow("zero experience per seconds")
        << &C::Text10 << u"100"_s << u"0"_s << Labels{&C::Label20};
    QTest::newRow("emptied hourly rate")
        << &C::Text2 << u"1000"_s << QString() << Labels{&C::Label6};
}

void TestLevellingCalculator::failureKeepsResult()
{
    QFETCH(BoxMember, input);
    QFETCH(QString, good);
    QFETCH(QString, bad);
    QFETCH(QList<LabelMember>, results);
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text9->setText(u"3"_s);
    ui().Text10->setText(u"100"_s);
    ui().Text11->setText(u"30"_s);
    (ui().*input)->setText(good);
    QStringList before;
    for (LabelMember label : results) {
        before << (ui().*label)->text();
        QVERIFY2(!before.last().isEmpty(), qPrintable((ui().*label)->objectName()));
    }
    MessageBoxWatcher watcher;
    (ui().*input)->setText(bad);
    QStringList after;
    for (LabelMember label : results)
        after << (ui().*label)->text();
    QCOMPARE(after, before);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::killFailureEndsLevelEdit()
{
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text9->setText(u"3"_s);
    ui().Text10->setText(u"100"_s);
    ui().Text3->setText(u"0"_s);
    const QString perSecondAtSixty = ui().Label20->text();
    QCOMPARE(perSecondAtSixty, u"530天9小时17分钟"_s);
    QTest::keyClick(ui().Text5, Qt::Key_Backspace); // "6"
    QCOMPARE(ui().Label5->text(), u"2571"_s);
    QCOMPARE(ui().Label20->text(), perSecondAtSixty);

    ui().Text3->setText(u"1"_s); // the same edit with a kill count that computes
    QTest::keyClick(ui().Text5, Qt::Key_Backspace);
    QTest::keyClick(ui().Text5, Qt::Key_7);
    QCOMPARE(ui().Label20->text(), u"0天0小时2分钟"_s);
}

void TestLevellingCalculator::hourlyFailureInsideLevelEditGoesOn()
{
    ui().Text4->setText(u"1"_s);
    ui().Text2->setText(u"0"_s);
    ui().Text3->setText(u"1000"_s);
    ui().Text9->setText(u"3"_s);
    ui().Text10->setText(u"100"_s);
    ui().Text5->setText(u"60"_s);
    QCOMPARE(ui().Label6->text(), QString());
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);
    QCOMPARE(ui().Label20->text(), u"530天9小时17分钟"_s);
}

void TestLevellingCalculator::minutesFailureSkipsPerSecond()
{
    ui().Text4->setText(u"1"_s);
    ui().Text5->setText(u"60"_s);
    ui().Text9->setText(u"3"_s);
    ui().Text10->setText(u"100"_s);
    const QString before = ui().Label20->text();
    QVERIFY(!before.isEmpty());
    // A minutes text that does not read (only a paste can bring one).
    MessageBoxWatcher watcher;
    ui().Text11->setText(u"x"_s);
    ui().Text9->setText(u"30"_s);
    QCOMPARE(ui().Label20->text(), before);
    ui().Text11->setText(u"1"_s);
    ui().Text9->setText(u"3"_s);
    QCOMPARE(ui().Label17->text(), u"2000"_s);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::minutesWithoutRateShowsEmptyBox()
{
    MessageBoxWatcher watcher;
    ui().Text10->setText(u"50"_s);
    QTest::keyClicks(ui().Text11, u"123"_s);
    QCOMPARE(ui().Text11->text(), u"123"_s);
    QCOMPARE(watcher.texts(), (QStringList{QString(), QString(), QString()}));
    for (const SeenMessageBox &seen : watcher.seen()) {
        QCOMPARE(seen.title, u"ZembrikCorvanth专区"_s);
        QCOMPARE(seen.icon, 0);
        QCOMPARE(seen.buttonCount, 1);
    }
    QCOMPARE(ui().Label17->text(), QString());
}

void TestLevellingCalculator::clearAfterFullCalculation()
{
    fillFrame();
    QCOMPARE(ui().Label6->text(), u"636天11小时9分钟"_s);
    QCOMPARE(ui().Label17->text(), u"9000"_s);
    QCOMPARE(ui().Label20->text(), u"3535天21小时59分钟"_s);
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);

    MessageBoxWatcher watcher;
    QTest::mouseClick(ui().Command13, Qt::LeftButton);
    QCOMPARE(watcher.texts(), QStringList{QString()});
    for (QLineEdit *c :
         {ui().Text2, ui().Text3, ui().Text4, ui().Text5, ui().Text9, ui().Text10, ui().Text11})
        QVERIFY2(c->text().isEmpty(), qPrintable(c->objectName()));
    for (FormLabel *c : {ui().Label6, ui().Label17, ui().Label18, ui().Label20, ui().Label49})
        QVERIFY2(c->text().isEmpty(), qPrintable(c->objectName()));
    QCOMPARE(ui().Label5->text(), u"1527515785"_s);
    QCOMPARE(ui().Label51->text(), u"1,527,516 只"_s);

    // The last required experience still serves the hourly estimate.
    QTest::keyClicks(ui().Text2, u"1000"_s);
    QCOMPARE(ui().Label6->text(), u"63646天11小时46分钟"_s);
    QCOMPARE(watcher.count(), 1);
}

// Emptying boxes that are already empty changes no text, so no handling runs and no box shows.
void TestLevellingCalculator::clearOnEmptyFrame()
{
    MessageBoxWatcher watcher;
    ui().Command13->click();
    QCOMPARE(watcher.count(), 0);
}

ZC_TEST_MAIN(TestLevellingCalculator)
#include "tst_levellingcalculator.moc"
