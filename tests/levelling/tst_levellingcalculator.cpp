// The levelling calculator on the real window: level edits, estimates, failures, the clear
// button and the load defaults.
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "app/startup.h"
#include "levelling/levellingcalculator.h"
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

class TestLevellingCalculator : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadDefaults();

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
    QLineEdit *box(const char *name) const { return m_form->control<QLineEdit>(name); }
    FormLabel *label(const char *name) const { return m_form->control<FormLabel>(name); }
    QString caption(const char *name) const { return label(name)->text(); }
    // The required experience as the estimates read it; its change refreshes Label18.
    void setRequired(const QString &digits) { label("Label5")->setText(digits); }
    void fillFrame();

    std::unique_ptr<Form1> m_form;
    std::unique_ptr<LevellingCalculator> m_calculator;
};

void TestLevellingCalculator::init()
{
    m_form = std::make_unique<Form1>();
    m_calculator = std::make_unique<LevellingCalculator>(*m_form);
    m_form->control<QTabWidget>("SSTab1")->setCurrentIndex(1);
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
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text3")->setText(u"1000"_s);
    box("Text2")->setText(u"100000"_s);
    box("Text9")->setText(u"10"_s);
    box("Text10")->setText(u"50"_s);
    box("Text11")->setText(u"30"_s);
}

// The whole program: start-up fills the level boxes, which computes the figure at once.
void TestLevellingCalculator::loadDefaults()
{
    cleanup();
    MessageBoxWatcher watcher;
    StartResult started = startUp();
    QVERIFY(started.program);
    Form1 &form = started.program->form();
    QCOMPARE(form.control<QLineEdit>("Text4")->text(), u"1"_s);
    QCOMPARE(form.control<QLineEdit>("Text5")->text(), u"60"_s);
    QCOMPARE(form.control<FormLabel>("Label5")->text(), u"1527515785"_s);
    QCOMPARE(form.control<FormLabel>("Label18")->text(), u"1,527,515,785 "_s);
    for (const char *name : {"Label6", "Label17", "Label20", "Label49", "Label51"})
        QVERIFY2(form.control<FormLabel>(name)->text().isEmpty(), name);
    for (const char *name : {"Text2", "Text3", "Text9", "Text10", "Text11"})
        QVERIFY2(form.control<QLineEdit>(name)->text().isEmpty(), name);
    QCoreApplication::processEvents();
    QCOMPARE(watcher.count(), 0);
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
    box("Text4")->setText(start);
    box("Text5")->setText(end);
    QCOMPARE(caption("Label5"), required);
    QCOMPARE(caption("Label18"), shown);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::onlyOneLevelBox()
{
    box("Text3")->setText(u"10"_s);
    box("Text2")->setText(u"1000"_s);
    box("Text9")->setText(u"7"_s);
    box("Text10")->setText(u"1"_s);
    QTest::keyClicks(box("Text5"), u"60"_s);
    for (const char *name : {"Label5", "Label18", "Label6", "Label20", "Label49", "Label51"})
        QVERIFY2(caption(name).isEmpty(), name);
}

void TestLevellingCalculator::typedPastSixty()
{
    MessageBoxWatcher watcher;
    box("Text4")->setText(u"1"_s);
    box("Text2")->setText(u"1000"_s);
    QTest::keyClick(box("Text5"), Qt::Key_6);
    QCOMPARE(caption("Label5"), u"2571"_s);
    const QString hourlyAtSix = caption("Label6");
    QCOMPARE(hourlyAtSix, u"0天2小时33分钟"_s);
    // Marks the result so that the nested edit's recomputation shows.
    label("Label6")->setText(u"-"_s);

    QTest::keyClick(box("Text5"), Qt::Key_1);
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    QCOMPARE(watcher.seen().front().title, u"ZembrikCorvanth专区"_s);
    QCOMPARE(box("Text5")->text(), u"6"_s);
    QCOMPARE(caption("Label5"), u"2571"_s);
    QCOMPARE(caption("Label18"), u"2,571 "_s);
    QCOMPARE(caption("Label6"), hourlyAtSix);
}

void TestLevellingCalculator::typedInFront()
{
    MessageBoxWatcher watcher;
    box("Text4")->setText(u"1"_s);
    QTest::keyClick(box("Text5"), Qt::Key_6);
    QTest::keyClick(box("Text5"), Qt::Key_Home);
    QTest::keyClick(box("Text5"), Qt::Key_9);
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    // The last character goes, not the one just typed.
    QCOMPARE(box("Text5")->text(), u"9"_s);
    QCOMPARE(caption("Label5"), u"11255"_s);
}

void TestLevellingCalculator::pastedNegative()
{
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text3")->setText(u"1000"_s);
    MessageBoxWatcher watcher;
    QApplication::clipboard()->setText(u"-3"_s);
    box("Text4")->selectAll();
    box("Text4")->paste();
    QCOMPARE(box("Text4")->text(), u"-"_s);
    QCoreApplication::processEvents();
    QCOMPARE(watcher.texts(), QStringList{rangeMessage});
    QCOMPARE(caption("Label5"), u"1527515785"_s);
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);
}

void TestLevellingCalculator::deletedStartLevel()
{
    fillFrame();
    QStringList before;
    const char *results[] = {"Label5",  "Label18", "Label6", "Label17",
                             "Label20", "Label49", "Label51"};
    for (const char *name : results)
        before << caption(name);
    MessageBoxWatcher watcher;
    QLineEdit *start = box("Text4");
    start->setFocus();
    start->end(false);
    QKeyEvent backspace(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier, u"\x08"_s);
    QApplication::sendEvent(start, &backspace);
    QCOMPARE(start->text(), QString());
    QStringList after;
    for (const char *name : results)
        after << caption(name);
    QCOMPARE(after, before);

    // With the start box empty, new rates and an edit of the end box compute nothing that
    // needs the levels; the minutes, which do not, follow the new seconds.
    box("Text3")->setText(u"500"_s);
    box("Text9")->setText(u"3"_s);
    QTest::keyClick(box("Text5"), Qt::Key_Backspace);
    before[3] = u"30000"_s;
    after.clear();
    for (const char *name : results)
        after << caption(name);
    QCOMPARE(after, before);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::sameLevelsAfterClearShowFigureAgain()
{
    MessageBoxWatcher watcher;
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    m_form->control<QPushButton>("Command13")->click();
    QCOMPARE(caption("Label18"), QString());
    box("Text5")->setText(u"60"_s);
    box("Text4")->setText(u"1"_s);
    QCOMPARE(caption("Label5"), u"1527515785"_s);
    QCOMPARE(caption("Label18"), u"1,527,515,785 "_s);
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
    QTest::keyClicks(box("Text2"), perHour);
    QCOMPARE(caption("Label6"), time);
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
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    setRequired(required);
    QTest::keyClicks(box("Text9"), seconds);
    QCOMPARE(caption("Label20"), QString()); // no experience yet
    QTest::keyClicks(box("Text10"), experience);
    QCOMPARE(caption("Label20"), time);
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
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    setRequired(required);
    QTest::keyClicks(box("Text3"), perKill);
    QCOMPARE(caption("Label49"), hidden);
    QCOMPARE(caption("Label51"), shown);
}

// Label49 only signals a new count: Label51 is computed from Label5 and Text3.
void TestLevellingCalculator::killCountRefreshReadsItsInputs()
{
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text3")->setText(u"1000"_s);
    label("Label49")->setText(u"7只"_s);
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);
    label("Label51")->setText(QString());
    label("Label49")->setText(QString());
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);
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
    QTest::keyClicks(box("Text9"), seconds);
    QTest::keyClicks(box("Text10"), experience);
    QTest::keyClicks(box("Text11"), minutes);
    QCOMPARE(caption("Label17"), gained);
    label("Label17")->setText(QString());
    box("Text9")->clear();
    QTest::keyClicks(box("Text9"), seconds);
    QCOMPARE(caption("Label17"), gained);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::nothingRequired()
{
    box("Text2")->setText(u"1000"_s);
    box("Text3")->setText(u"10"_s);
    box("Text9")->setText(u"7"_s);
    box("Text10")->setText(u"1"_s);
    box("Text4")->setText(u"5"_s);
    box("Text5")->setText(u"5"_s);
    QCOMPARE(caption("Label5"), u"0"_s);
    QCOMPARE(caption("Label18"), u" "_s);
    QCOMPARE(caption("Label51"), u"1 只"_s);
    QCOMPARE(caption("Label6"), u"0天0小时0分钟"_s);
    QCOMPARE(caption("Label20"), u"0天0小时0分钟"_s);
}

// A level edit runs the hourly estimate, the kill count and the per-second time again.
void TestLevellingCalculator::levelEditRerunsEstimates()
{
    box("Text2")->setText(u"100000"_s);
    box("Text3")->setText(u"1000"_s);
    box("Text9")->setText(u"3"_s);
    box("Text10")->setText(u"100"_s);
    box("Text4")->setText(u"1"_s);
    QCOMPARE(caption("Label6"), QString());
    box("Text5")->setText(u"60"_s);
    QCOMPARE(caption("Label6"), u"636天11小时9分钟"_s);
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);
    QCOMPARE(caption("Label20"), u"530天9小时17分钟"_s);
    box("Text4")->setText(u"0"_s);                    // same figure: only the start box changed
    QTest::keyClick(box("Text5"), Qt::Key_Backspace); // "6": 0 to 6
    QCOMPARE(caption("Label5"), u"2571"_s);
    QCOMPARE(caption("Label6"), u"0天0小时1分钟"_s);
    QCOMPARE(caption("Label49"), u"3只"_s);
    QCOMPARE(caption("Label51"), u"3 只"_s);
    QCOMPARE(caption("Label20"), u"0天0小时1分钟"_s);
}

void TestLevellingCalculator::failureKeepsResult_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("good");
    QTest::addColumn<QString>("bad");
    QTest::addColumn<QByteArrayList>("results");
    QTest::newRow("zero per kill")
        << QByteArray("Text3") << u"1000"_s << u"0"_s << QByteArrayList{"Label49", "Label51"};
    QTest::newRow("zero per hour")
        << QByteArray("Text2") << u"1000"_s << u"0"_s << QByteArrayList{"Label6"};
    QTest::newRow("hourly rate beyond 32 bits")
        << QByteArray("Text2") << u"1000"_s << u"3000000000"_s << QByteArrayList{"Label6"};
    QTest::newRow("whole hours beyond 32 bits")
        << QByteArray("Text9") << u"3"_s << u"600000"_s << QByteArrayList{"Label20"};
    QTest::newRow("zero seconds") << QByteArray("Text9") << u"3"_s << u"0"_s
                                  << QByteArrayList{"Label20", "Label17"};
    QTest::newRow("zero experience per seconds")
        << QByteArray("Text10") << u"100"_s << u"0"_s << QByteArrayList{"Label20"};
    QTest::newRow("emptied hourly rate")
        << QByteArray("Text2") << u"1000"_s << QString() << QByteArrayList{"Label6"};
}

void TestLevellingCalculator::failureKeepsResult()
{
    QFETCH(QByteArray, input);
    QFETCH(QString, good);
    QFETCH(QString, bad);
    QFETCH(QByteArrayList, results);
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text9")->setText(u"3"_s);
    box("Text10")->setText(u"100"_s);
    box("Text11")->setText(u"30"_s);
    box(input.constData())->setText(good);
    QStringList before;
    for (const QByteArray &name : results) {
        before << caption(name.constData());
        QVERIFY2(!before.last().isEmpty(), name.constData());
    }
    MessageBoxWatcher watcher;
    box(input.constData())->setText(bad);
    QStringList after;
    for (const QByteArray &name : results)
        after << caption(name.constData());
    QCOMPARE(after, before);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::killFailureEndsLevelEdit()
{
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text9")->setText(u"3"_s);
    box("Text10")->setText(u"100"_s);
    box("Text3")->setText(u"0"_s);
    const QString perSecondAtSixty = caption("Label20");
    QCOMPARE(perSecondAtSixty, u"530天9小时17分钟"_s);
    QTest::keyClick(box("Text5"), Qt::Key_Backspace); // "6"
    QCOMPARE(caption("Label5"), u"2571"_s);
    QCOMPARE(caption("Label20"), perSecondAtSixty);

    box("Text3")->setText(u"1"_s); // the same edit with a kill count that computes
    QTest::keyClick(box("Text5"), Qt::Key_Backspace);
    QTest::keyClick(box("Text5"), Qt::Key_7);
    QCOMPARE(caption("Label20"), u"0天0小时2分钟"_s);
}

void TestLevellingCalculator::hourlyFailureInsideLevelEditGoesOn()
{
    box("Text4")->setText(u"1"_s);
    box("Text2")->setText(u"0"_s);
    box("Text3")->setText(u"1000"_s);
    box("Text9")->setText(u"3"_s);
    box("Text10")->setText(u"100"_s);
    box("Text5")->setText(u"60"_s);
    QCOMPARE(caption("Label6"), QString());
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);
    QCOMPARE(caption("Label20"), u"530天9小时17分钟"_s);
}

void TestLevellingCalculator::minutesFailureSkipsPerSecond()
{
    box("Text4")->setText(u"1"_s);
    box("Text5")->setText(u"60"_s);
    box("Text9")->setText(u"3"_s);
    box("Text10")->setText(u"100"_s);
    const QString before = caption("Label20");
    QVERIFY(!before.isEmpty());
    // A minutes text that does not read (only a paste can bring one).
    MessageBoxWatcher watcher;
    box("Text11")->setText(u"x"_s);
    box("Text9")->setText(u"30"_s);
    QCOMPARE(caption("Label20"), before);
    box("Text11")->setText(u"1"_s);
    box("Text9")->setText(u"3"_s);
    QCOMPARE(caption("Label17"), u"2000"_s);
    QCOMPARE(watcher.count(), 0);
}

void TestLevellingCalculator::minutesWithoutRateShowsEmptyBox()
{
    MessageBoxWatcher watcher;
    box("Text10")->setText(u"50"_s);
    QTest::keyClicks(box("Text11"), u"123"_s);
    QCOMPARE(box("Text11")->text(), u"123"_s);
    QCOMPARE(watcher.texts(), (QStringList{QString(), QString(), QString()}));
    for (const SeenMessageBox &seen : watcher.seen()) {
        QCOMPARE(seen.title, u"ZembrikCorvanth专区"_s);
        QCOMPARE(seen.icon, 0);
        QCOMPARE(seen.buttonCount, 1);
    }
    QCOMPARE(caption("Label17"), QString());
}

void TestLevellingCalculator::clearAfterFullCalculation()
{
    fillFrame();
    QCOMPARE(caption("Label6"), u"636天11小时9分钟"_s);
    QCOMPARE(caption("Label17"), u"9000"_s);
    QCOMPARE(caption("Label20"), u"3535天21小时59分钟"_s);
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);

    MessageBoxWatcher watcher;
    QTest::mouseClick(m_form->control<QPushButton>("Command13"), Qt::LeftButton);
    QCOMPARE(watcher.texts(), QStringList{QString()});
    for (const char *name : {"Text2", "Text3", "Text4", "Text5", "Text9", "Text10", "Text11"})
        QVERIFY2(box(name)->text().isEmpty(), name);
    for (const char *name : {"Label6", "Label17", "Label18", "Label20", "Label49"})
        QVERIFY2(caption(name).isEmpty(), name);
    QCOMPARE(caption("Label5"), u"1527515785"_s);
    QCOMPARE(caption("Label51"), u"1,527,516 只"_s);

    // The last required experience still serves the hourly estimate.
    QTest::keyClicks(box("Text2"), u"1000"_s);
    QCOMPARE(caption("Label6"), u"63646天11小时46分钟"_s);
    QCOMPARE(watcher.count(), 1);
}

// Emptying boxes that are already empty changes no text, so no handling runs and no box shows.
void TestLevellingCalculator::clearOnEmptyFrame()
{
    MessageBoxWatcher watcher;
    m_form->control<QPushButton>("Command13")->click();
    QCOMPARE(watcher.count(), 0);
}

ZC_TEST_MAIN(TestLevellingCalculator)
#include "tst_levellingcalculator.moc"
