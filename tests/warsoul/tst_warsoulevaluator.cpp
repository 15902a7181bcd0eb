// The war-soul evaluator on the window: typed and pasted entries, the length clamp on key
// release, the default values, the clear buttons and the evaluate button with its message box.
#include "app/behaviours/numericfilter.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "tests/common/formfixture.h"
#include "tests/common/messageboxwatcher.h"
#include "tests/common/testmain.h"
#include "warsoul/warsoulevaluator.h"

#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// The twelve boxes in the order the evaluation reads them.
using C = window::Controls;
const QList<BoxMember> twelve = {&C::qs_jx, &C::qs_yq, &C::qs_qz, &C::qs_lq, &C::qs_hp, &C::mq_jx,
                                 &C::mq_yq, &C::mq_qz, &C::mq_lq, &C::mq_hp, &C::mq_dj, &C::jy_dj};
const QList<BoxMember> starting = twelve.mid(0, 5);
const QList<BoxMember> current = twelve.mid(5, 5);

const QString initialResult = u"计算结果："_s;
const QString initialRating = u"战魂评价："_s;
const QString incomplete = u"请填写完整战魂评估内容！"_s;

// Logs, in order, every text change and enabled change of the twelve boxes.
class Recorder : public QObject
{
public:
    explicit Recorder(const Form1 &form)
    {
        for (BoxMember member : twelve) {
            QLineEdit *box = form.controls().*member;
            connect(box, &QLineEdit::textChanged, this,
                    [this, box](const QString &text) { log << box->objectName() + u"="_s + text; });
            box->installEventFilter(this);
        }
    }
    QStringList log;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::EnabledChange) {
            auto *box = static_cast<QLineEdit *>(watched);
            log << box->objectName() + (box->isEnabled() ? u" enabled"_s : u" disabled"_s);
        }
        return false;
    }
};

void press(QWidget *w, Qt::Key key, const QString &text, bool autoRepeat = false)
{
    QKeyEvent ev(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
    QCoreApplication::sendEvent(w, &ev);
}
void release(QWidget *w, Qt::Key key, const QString &text, bool autoRepeat = false)
{
    QKeyEvent ev(QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
    QCoreApplication::sendEvent(w, &ev);
}

} // namespace

class TestWarSoulEvaluator : public QObject, public FormFixture
{
    Q_OBJECT

    std::unique_ptr<NumericEntryFilter> filter;
    std::unique_ptr<WarSoulEvaluator> evaluator;

    QLineEdit *box(BoxMember member) const { return ui().*member; }
    QCheckBox *check1() const { return ui().Check1; }
    FormLabel *result() const { return ui().lbl_result; }
    FormLabel *rating() const { return ui().lbl_pingjia; }
    void click(QPushButton *button) const { QTest::mouseClick(button, Qt::LeftButton); }

    // Types the texts into the boxes at the keyboard (through the filter and the clamp).
    void type(const QList<BoxMember> &names, const QStringList &texts) const
    {
        for (qsizetype i = 0; i < names.size(); ++i) {
            QLineEdit *b = box(names[i]);
            b->clear();
            QTest::keyClicks(b, texts[i]);
        }
    }
    void worked(const QString &level, const QString &affinity) const
    {
        if (!check1()->isChecked())
            QTest::mouseClick(check1(), Qt::LeftButton);
        type(current, {u"60"_s, u"55"_s, u"50"_s, u"45"_s, u"40"_s});
        type({&C::mq_dj, &C::jy_dj}, {level, affinity});
    }
    // Zero starting stats, one current stat given, two levels.
    void growth(const QString &g, const QString &level, const QString &affinity) const
    {
        type(starting, {u"0"_s, u"0"_s, u"0"_s, u"0"_s, u"0"_s});
        type(current, {g, u"0"_s, u"0"_s, u"0"_s, u"0"_s});
        type({&C::mq_dj, &C::jy_dj}, {level, affinity});
    }
    QStringList texts() const
    {
        QStringList out;
        for (BoxMember name : twelve)
            out << box(name)->text();
        return out;
    }

private slots:
    void initTestCase()
    {
        makeForm();
        filter = std::make_unique<NumericEntryFilter>(ui());
        evaluator = std::make_unique<WarSoulEvaluator>(ui());
        ui().SSTab1->setCurrentIndex(1);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void init()
    {
        check1()->setChecked(false);
        for (BoxMember name : twelve)
            box(name)->clear();
        result()->setText(initialResult);
        rating()->setText(initialRating);
    }
    void cleanupTestCase()
    {
        evaluator.reset();
        filter.reset();
        m_form.reset();
    }

    void startState()
    {
        Form1 fresh;
        WarSoulEvaluator attached(fresh.controls());
        for (BoxMember name : twelve) {
            auto *b = fresh.controls().*name;
            QVERIFY(b->text().isEmpty());
            QVERIFY(b->isEnabled());
        }
        QVERIFY(!fresh.controls().Check1->isChecked());
        QCOMPARE(fresh.controls().lbl_result->text(), initialResult);
        QCOMPARE(fresh.controls().lbl_pingjia->text(), initialRating);
    }

    // ---- Evaluation ----

    void evaluate_data()
    {
        QTest::addColumn<QStringList>("entries"); // "w", level, affinity or "g", growth, levels
        QTest::addColumn<QString>("resultText");
        QTest::addColumn<QString>("ratingText");

        QTest::newRow("worked example, level 5, affinity 1")
            << QStringList{u"w"_s, u"5"_s, u"1"_s} << u"计算结果为：9"_s << u"评价结果为：良好"_s;
        QTest::newRow("worked example, level 3, affinity 0")
            << QStringList{u"w"_s, u"3"_s, u"0"_s} << u"计算结果为：22.5"_s
            << u"评价结果为：极品"_s;
        QTest::newRow("worked example, level 7, affinity 0")
            << QStringList{u"w"_s, u"7"_s, u"0"_s} << u"计算结果为：7.5"_s << u"评价结果为：差"_s;
        QTest::newRow("worked example, level 0, affinity 0")
            << QStringList{u"w"_s, u"0"_s, u"0"_s} << u"计算结果为：-45"_s << u"评价结果为：差"_s;
        QTest::newRow("tie 0.25 to 0.2") << QStringList{u"g"_s, u"1"_s, u"2"_s, u"1"_s}
                                         << u"计算结果为：0.2"_s << u"评价结果为：差"_s;
        QTest::newRow("tie 0.75 to 0.8") << QStringList{u"g"_s, u"3"_s, u"2"_s, u"1"_s}
                                         << u"计算结果为：0.8"_s << u"评价结果为：差"_s;
        QTest::newRow("exactly 20") << QStringList{u"g"_s, u"40"_s, u"1"_s, u"1"_s}
                                    << u"计算结果为：20"_s << u"评价结果为：极品"_s;
        QTest::newRow("19.9") << QStringList{u"g"_s, u"398"_s, u"10"_s, u"1"_s}
                              << u"计算结果为：19.9"_s << u"评价结果为：优秀"_s;
        QTest::newRow("exactly 15") << QStringList{u"g"_s, u"30"_s, u"1"_s, u"1"_s}
                                    << u"计算结果为：15"_s << u"评价结果为：优秀"_s;
        QTest::newRow("14.9") << QStringList{u"g"_s, u"298"_s, u"10"_s, u"1"_s}
                              << u"计算结果为：14.9"_s << u"评价结果为：良好"_s;
        QTest::newRow("exactly 9") << QStringList{u"g"_s, u"18"_s, u"1"_s, u"1"_s}
                                   << u"计算结果为：9"_s << u"评价结果为：良好"_s;
        QTest::newRow("8.9") << QStringList{u"g"_s, u"178"_s, u"10"_s, u"1"_s}
                             << u"计算结果为：8.9"_s << u"评价结果为：差"_s;
    }
    void evaluate()
    {
        QFETCH(QStringList, entries);
        QFETCH(QString, resultText);
        QFETCH(QString, ratingText);
        if (entries[0] == u"w")
            worked(entries[1], entries[2]);
        else
            growth(entries[1], entries[2], entries[3]);
        const QStringList before = texts();
        const bool checked = check1()->isChecked();

        MessageBoxWatcher boxes;
        click(ui().Command2);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(result()->text(), resultText);
        QCOMPARE(rating()->text(), ratingText);
        // The evaluation writes the two captions only.
        QCOMPARE(texts(), before);
        QCOMPARE(check1()->isChecked(), checked);
        for (BoxMember name : starting)
            QCOMPARE(box(name)->isEnabled(), !checked);
    }

    void negativeGrowth()
    {
        type(starting, {u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s});
        type(current, {u"10"_s, u"10"_s, u"10"_s, u"10"_s, u"10"_s});
        type({&C::mq_dj, &C::jy_dj}, {u"5"_s, u"1"_s});
        click(ui().Command2);
        QCOMPARE(result()->text(), u"计算结果为：-11"_s);
        QCOMPARE(rating()->text(), u"评价结果为：差"_s);
    }

    // A failure shows exactly one box and leaves both captions as the last success left them.
    void failure_data()
    {
        QTest::addColumn<BoxMember>("name");
        QTest::addColumn<QString>("pasted"); // empty: the box is emptied
        for (BoxMember name : twelve) {
            const QByteArray tag = box(name)->objectName().toLatin1();
            QTest::addRow("%s empty", tag.constData()) << name << QString();
            QTest::addRow("%s pasted letters", tag.constData()) << name << u"abc"_s;
            QTest::addRow("%s pasted full-width", tag.constData()) << name << u"\uFF15"_s;
        }
        QTest::newRow("mq_dj pasted grouping") << &C::mq_dj << u"1,000"_s;
        QTest::newRow("mq_jx pasted out of range") << &C::mq_jx << u"99999999999999999999"_s;
    }
    void failure()
    {
        QFETCH(BoxMember, name);
        QFETCH(QString, pasted);
        type(starting, {u"40"_s, u"41"_s, u"42"_s, u"43"_s, u"44"_s});
        type(current, {u"60"_s, u"61"_s, u"62"_s, u"63"_s, u"64"_s});
        type({&C::mq_dj, &C::jy_dj}, {u"2"_s, u"1"_s});
        click(ui().Command2);
        QCOMPARE(result()->text(), u"计算结果为：25"_s);
        QCOMPARE(rating()->text(), u"评价结果为：极品"_s);

        QLineEdit *b = box(name);
        b->clear();
        if (!pasted.isEmpty()) {
            QGuiApplication::clipboard()->setText(pasted);
            b->paste();
            QCOMPARE(b->text(), pasted);
        }
        const QStringList before = texts();
        QSignalSpy resultChanges(result(), &FormLabel::captionChanged);
        QSignalSpy ratingChanges(rating(), &FormLabel::captionChanged);
        MessageBoxWatcher boxes;
        click(ui().Command2);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(boxes.seen().first().text, incomplete);
        QCOMPARE(boxes.seen().first().title, u"ZembrikCorvanth专区"_s);
        QCOMPARE(boxes.seen().first().icon, 0);
        QCOMPARE(boxes.seen().first().buttonCount, 1);
        QCOMPARE(result()->text(), u"计算结果为：25"_s);
        QCOMPARE(rating()->text(), u"评价结果为：极品"_s);
        QCOMPARE(resultChanges.count(), 0);
        QCOMPARE(ratingChanges.count(), 0);
        QCOMPARE(texts(), before);
    }

    void zeroDivisor_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<QString>("affinity");
        QTest::newRow("level 1, affinity 0") << u"1"_s << u"0"_s;
        QTest::newRow("level 0, affinity 1") << u"0"_s << u"1"_s;
    }
    void zeroDivisor()
    {
        QFETCH(QString, level);
        QFETCH(QString, affinity);
        worked(level, affinity);
        MessageBoxWatcher boxes;
        click(ui().Command2);
        QCOMPARE(boxes.texts(), QStringList{incomplete});
        QCOMPARE(result()->text(), initialResult);
        QCOMPARE(rating()->text(), initialRating);
        // Zero growth over a zero divisor fails as well.
        type(current, {u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s});
        click(ui().Command2);
        QCOMPARE(boxes.count(), 2);
        QCOMPARE(result()->text(), initialResult);
    }

    void defaultsCountAsFilled()
    {
        worked(u"5"_s, u"1"_s);
        for (BoxMember name : starting) {
            QVERIFY(!box(name)->isEnabled());
            QCOMPARE(box(name)->text(), u"32"_s);
        }
        MessageBoxWatcher boxes;
        click(ui().Command2);
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(result()->text(), u"计算结果为：9"_s);
    }

    void pastedNumberIsReadUnclamped()
    {
        // Without a key release the clamp has not run: the pasted value counts as it stands.
        growth(u"0"_s, u"1"_s, u"1"_s);
        QGuiApplication::clipboard()->setText(u"1234567"_s);
        box(&C::mq_jx)->clear();
        box(&C::mq_jx)->paste();
        click(ui().Command2);
        QCOMPARE(result()->text(), u"计算结果为：617283.5"_s);
    }

    void twoClicksSameCaptions()
    {
        worked(u"3"_s, u"0"_s);
        click(ui().Command2);
        const QString first = result()->text();
        const QString firstRating = rating()->text();
        click(ui().Command2);
        QCOMPARE(result()->text(), first);
        QCOMPARE(rating()->text(), firstRating);
        QCOMPARE(first, u"计算结果为：22.5"_s);
    }

    void labelsGrowToTheRight()
    {
        const QRect resultBefore = result()->geometry();
        const QRect ratingBefore = rating()->geometry();
        worked(u"3"_s, u"0"_s);
        click(ui().Command2);
        const QRect resultAfter = result()->geometry();
        const QRect ratingAfter = rating()->geometry();
        QCOMPARE(resultAfter.topLeft(), resultBefore.topLeft());
        QCOMPARE(ratingAfter.topLeft(), ratingBefore.topLeft());
        QVERIFY(resultAfter.width() > resultBefore.width());
        QVERIFY(ratingAfter.width() > ratingBefore.width());
        QVERIFY(resultAfter.width() >= result()->sizeHint().width());
        QVERIFY(ratingAfter.width() >= rating()->sizeHint().width());
    }

    // ---- Length clamp ----

    void clampOnRelease_data()
    {
        QTest::addColumn<BoxMember>("name");
        for (BoxMember name : twelve)
            QTest::newRow(qPrintable(box(name)->objectName())) << name;
    }
    void clampOnRelease()
    {
        QFETCH(BoxMember, name);
        QLineEdit *b = box(name);
        QTest::keyClicks(b, u"12345"_s);
        QCOMPARE(b->text(), u"12345"_s);
        QTest::keyPress(b, Qt::Key_6);
        QCOMPARE(b->text(), u"123456"_s); // while the key is down
        QTest::keyRelease(b, Qt::Key_6);
        QCOMPARE(b->text(), u"99999"_s);
    }

    void clampNotCut()
    {
        QLineEdit *b = box(&C::mq_hp);
        QTest::keyClicks(b, u"100000"_s);
        QCOMPARE(b->text(), u"99999"_s);
        b->clear();
        QTest::keyClicks(b, u"00001"_s);
        QCOMPARE(b->text(), u"00001"_s);
        QTest::keyClick(b, Qt::Key_Backspace);
        QCOMPARE(b->text(), u"0000"_s);
        b->setText(u"99999"_s);
        QTest::keyClick(b, Qt::Key_Backspace);
        QCOMPARE(b->text(), u"9999"_s);
    }

    void heldKey_data()
    {
        QTest::addColumn<int>("repeats");
        QTest::addColumn<QString>("whileHeld");
        QTest::addColumn<QString>("afterRelease");
        QTest::newRow("four repeats: five digits") << 4 << u"11111"_s << u"11111"_s;
        QTest::newRow("five repeats: six digits") << 5 << u"111111"_s << u"99999"_s;
        QTest::newRow("nine repeats: ten digits") << 9 << u"1111111111"_s << u"99999"_s;
    }
    void heldKey()
    {
        QFETCH(int, repeats);
        QFETCH(QString, whileHeld);
        QFETCH(QString, afterRelease);
        QLineEdit *b = box(&C::mq_yq);
        press(b, Qt::Key_1, u"1"_s);
        for (int i = 0; i < repeats; ++i) {
            // X11 reports a repeat as an auto-repeat release and press.
            release(b, Qt::Key_1, u"1"_s, true);
            press(b, Qt::Key_1, u"1"_s, true);
        }
        QCOMPARE(b->text(), whileHeld);
        release(b, Qt::Key_1, u"1"_s);
        QCOMPARE(b->text(), afterRelease);
    }

    void pastedLongTextClampedByNextKey_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("right arrow") << int(Qt::Key_Right) << QString();
        QTest::newRow("left arrow") << int(Qt::Key_Left) << QString();
        QTest::newRow("shift alone") << int(Qt::Key_Shift) << QString();
        QTest::newRow("dropped letter") << int(Qt::Key_A) << u"a"_s;
        QTest::newRow("enter") << int(Qt::Key_Return) << u"\r"_s;
    }
    void pastedLongTextClampedByNextKey()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(u"1234567"_s);
        QLineEdit *b = box(&C::jy_dj);
        QLineEdit *other = box(&C::mq_dj);
        b->paste();
        other->setText(u"7654321"_s);
        QCOMPARE(b->text(), u"1234567"_s); // a paste is no key release
        press(b, Qt::Key(key), text);
        QCOMPARE(b->text(), u"1234567"_s);
        release(b, Qt::Key(key), text);
        QCOMPARE(b->text(), u"99999"_s);
        QCOMPARE(other->text(), u"7654321"_s); // only the box of the release
    }

    void clampOnlyInTheTwelveBoxes()
    {
        QLineEdit *levelling = ui().Text2;
        levelling->setText(u"1234567"_s);
        QTest::keyClick(levelling, Qt::Key_End);
        QCOMPARE(levelling->text(), u"1234567"_s);
        levelling->clear();
    }

    // ---- Default values ----

    void check1ByClick()
    {
        type(starting, {u"40"_s, u"41"_s, u"42"_s, u"43"_s, u"44"_s});
        type(current, {u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s});
        type({&C::mq_dj, &C::jy_dj}, {u"6"_s, u"7"_s});
        result()->setText(u"kept"_s);
        Recorder recorder(*m_form);
        QTest::mouseClick(check1(), Qt::LeftButton);
        QVERIFY(check1()->isChecked());
        QCOMPARE(recorder.log,
                 QStringList({u"qs_jx=32"_s, u"qs_qz=32"_s, u"qs_yq=32"_s, u"qs_lq=32"_s,
                              u"qs_hp=32"_s, u"qs_jx disabled"_s, u"qs_qz disabled"_s,
                              u"qs_yq disabled"_s, u"qs_lq disabled"_s, u"qs_hp disabled"_s}));
        recorder.log.clear();
        QTest::mouseClick(check1(), Qt::LeftButton);
        QVERIFY(!check1()->isChecked());
        QCOMPARE(recorder.log,
                 QStringList({u"qs_jx="_s, u"qs_qz="_s, u"qs_yq="_s, u"qs_lq="_s, u"qs_hp="_s,
                              u"qs_jx enabled"_s, u"qs_qz enabled"_s, u"qs_yq enabled"_s,
                              u"qs_lq enabled"_s, u"qs_hp enabled"_s}));
        // Only the starting group was touched.
        QCOMPARE(texts().mid(5),
                 QStringList({u"1"_s, u"2"_s, u"3"_s, u"4"_s, u"5"_s, u"6"_s, u"7"_s}));
        QCOMPARE(result()->text(), u"kept"_s);
        QCOMPARE(rating()->text(), initialRating);
    }

    void check1ByKeyAndByProgram()
    {
        check1()->setFocus();
        QTest::keyClick(check1(), Qt::Key_Space);
        QVERIFY(check1()->isChecked());
        QCOMPARE(texts().mid(0, 5), QStringList(5, u"32"_s));
        check1()->setChecked(false);
        QCOMPARE(texts().mid(0, 5), QStringList(5, QString()));
        for (BoxMember name : starting)
            QVERIFY(box(name)->isEnabled());
        check1()->setChecked(true);
        for (BoxMember name : starting)
            QVERIFY(!box(name)->isEnabled());
    }

    // ---- Clear buttons ----

    void command3_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("from the defaults")
            << true << QStringList{u"qs_jx="_s,        u"qs_qz="_s,        u"qs_yq="_s,
                                   u"qs_lq="_s,        u"qs_hp="_s,        u"qs_jx enabled"_s,
                                   u"qs_qz enabled"_s, u"qs_yq enabled"_s, u"qs_lq enabled"_s,
                                   u"qs_hp enabled"_s};
        QTest::newRow("from typed values")
            << false << QStringList{u"qs_jx=32"_s,       u"qs_qz=32"_s,       u"qs_yq=32"_s,
                                    u"qs_lq=32"_s,       u"qs_hp=32"_s,       u"qs_jx disabled"_s,
                                    u"qs_qz disabled"_s, u"qs_yq disabled"_s, u"qs_lq disabled"_s,
                                    u"qs_hp disabled"_s, u"qs_jx="_s,         u"qs_qz="_s,
                                    u"qs_yq="_s,         u"qs_lq="_s,         u"qs_hp="_s,
                                    u"qs_jx enabled"_s,  u"qs_qz enabled"_s,  u"qs_yq enabled"_s,
                                    u"qs_lq enabled"_s,  u"qs_hp enabled"_s};
    }
    void command3()
    {
        QFETCH(bool, checked);
        QFETCH(QStringList, log);
        worked(u"5"_s, u"1"_s);
        click(ui().Command2);
        if (!checked) {
            check1()->setChecked(false);
            type(starting, {u"40"_s, u"41"_s, u"42"_s, u"43"_s, u"44"_s});
        }
        Recorder recorder(*m_form);
        click(ui().Command3);
        QCOMPARE(recorder.log, log);
        QVERIFY(!check1()->isChecked());
        QCOMPARE(texts(),
                 QStringList({QString(), QString(), QString(), QString(), QString(), u"60"_s,
                              u"55"_s, u"50"_s, u"45"_s, u"40"_s, u"5"_s, u"1"_s}));
        QCOMPARE(result()->text(), u"计算结果为：9"_s);
        QCOMPARE(rating()->text(), u"评价结果为：良好"_s);
    }

    void command4()
    {
        worked(u"5"_s, u"1"_s);
        click(ui().Command2);
        Recorder recorder(*m_form);
        click(ui().Command4);
        QCOMPARE(recorder.log, QStringList({u"mq_dj="_s, u"jy_dj="_s}));
        QVERIFY(check1()->isChecked());
        QCOMPARE(texts().mid(0, 10), QStringList({u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s,
                                                  u"60"_s, u"55"_s, u"50"_s, u"45"_s, u"40"_s}));
        QCOMPARE(result()->text(), u"计算结果为：9"_s);
        QCOMPARE(rating()->text(), u"评价结果为：良好"_s);
        // The old score stays on screen; the emptied boxes now fail the next evaluation.
        MessageBoxWatcher boxes;
        click(ui().Command2);
        QCOMPARE(boxes.count(), 1);
        QCOMPARE(result()->text(), u"计算结果为：9"_s);
    }

    void command5()
    {
        worked(u"5"_s, u"1"_s);
        click(ui().Command2);
        Recorder recorder(*m_form);
        click(ui().Command5);
        QCOMPARE(recorder.log,
                 QStringList({u"mq_jx="_s, u"mq_qz="_s, u"mq_yq="_s, u"mq_lq="_s, u"mq_hp="_s}));
        QVERIFY(check1()->isChecked());
        QCOMPARE(texts(),
                 QStringList({u"32"_s, u"32"_s, u"32"_s, u"32"_s, u"32"_s, QString(), QString(),
                              QString(), QString(), QString(), u"5"_s, u"1"_s}));
        QCOMPARE(result()->text(), u"计算结果为：9"_s);
        QCOMPARE(rating()->text(), u"评价结果为：良好"_s);
    }
};

ZC_TEST_MAIN(TestWarSoulEvaluator)
#include "tst_warsoulevaluator.moc"
