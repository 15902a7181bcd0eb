// The numeric entry filter: its rule on single characters, and its effect on the window's boxes
// for the key presses and input-method text that a real X11 desktop delivers.
#include "app/behaviours/numericfilter.h"
#include "app/window/form1.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QAction>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTabWidget>

#include <memory>
#include <set>
#include <string>

using namespace Qt::StringLiterals;

namespace {

struct Stroke
{
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    QString text;
};
using Strokes = QList<Stroke>;

Stroke typed(char c)
{
    return {Qt::Key(QChar::toUpper(char16_t(c))), Qt::NoModifier, QString(QLatin1Char(c))};
}
Stroke ctrl(Qt::Key key, char16_t code)
{
    return {key, Qt::ControlModifier, QString(QChar(code))};
}
Stroke plain(Qt::Key key, const QString &text = {})
{
    return {key, Qt::NoModifier, text};
}

void strike(QWidget *box, const Stroke &s)
{
    QTest::sendKeyEvent(QTest::Click, box, s.key, s.text, s.modifiers);
}

void commit(QWidget *box, const QString &preedit, const QString &committed)
{
    QInputMethodEvent composing(preedit, {});
    QCoreApplication::sendEvent(box, &composing);
    QInputMethodEvent done;
    done.setCommitString(committed);
    QCoreApplication::sendEvent(box, &done);
}

} // namespace

Q_DECLARE_METATYPE(Strokes)

class TestNumericFilter : public QObject, public FormFixture
{
    Q_OBJECT

    std::unique_ptr<NumericEntryFilter> filter;

    static QLineEdit *fresh(QLineEdit *b, const QString &text, int cursor = -1)
    {
        b->setText(text);
        b->setCursorPosition(cursor < 0 ? int(text.size()) : cursor);
        b->setFocus();
        return b;
    }

private slots:
    void initTestCase()
    {
        makeForm();
        filter = std::make_unique<NumericEntryFilter>(ui());
        ui().SSTab1->setCurrentIndex(1);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->activateWindow();
    }
    void cleanupTestCase()
    {
        filter.reset();
        m_form.reset();
    }

    // The rule on one character.
    void rule_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("passes");
        for (char16_t d = u'0'; d <= u'9'; ++d)
            QTest::addRow("digit %c", char(d)) << int(d) << true;
        QTest::newRow("backspace (8)") << 8 << true;
        QTest::newRow("letter a") << int(u'a') << false;
        QTest::newRow("letter A") << int(u'A') << false;
        QTest::newRow("space") << int(u' ') << false;
        QTest::newRow("minus") << int(u'-') << false;
        QTest::newRow("plus") << int(u'+') << false;
        QTest::newRow("point") << int(u'.') << false;
        QTest::newRow("comma") << int(u',') << false;
        QTest::newRow("enter (13)") << 13 << false;
        QTest::newRow("escape (27)") << 27 << false;
        QTest::newRow("tab (9)") << 9 << false;
        QTest::newRow("ctrl+c (3)") << 3 << false;
        QTest::newRow("ctrl+v (22)") << 22 << false;
        QTest::newRow("ctrl+x (24)") << 24 << false;
        QTest::newRow("ctrl+z (26)") << 26 << false;
        QTest::newRow("delete (127)") << 127 << false;
        QTest::newRow("nul") << 0 << false;
        QTest::newRow("full-width 0") << 0xFF10 << false;
        QTest::newRow("full-width 5") << 0xFF15 << false;
        QTest::newRow("full-width 9") << 0xFF19 << false;
        QTest::newRow("arabic-indic 5") << 0x0665 << false;
        QTest::newRow("superscript 2") << 0x00B2 << false;
        QTest::newRow("chinese five") << int(u'五') << false;
        QTest::newRow("slash before 0") << int(u'/') << false;
        QTest::newRow("colon after 9") << int(u':') << false;
    }
    void rule()
    {
        QFETCH(int, code);
        QFETCH(bool, passes);
        QCOMPARE(behaviours::passes(char16_t(code)), passes);
    }

    void boxTable()
    {
        std::set<QLineEdit *> boxes;
        for (BoxMember member : behaviours::kFilteredBoxes) {
            QLineEdit *b = ui().*member;
            QVERIFY(b);
            QVERIFY2(boxes.insert(b).second, qPrintable(b->objectName()));
        }
        QCOMPARE(boxes.size(), size_t(19));
        QVERIFY2(!boxes.contains(ui().Text1), "the query box is among the numeric boxes");
    }

    // Every listed box drops a letter and takes a digit; the query box takes both.
    void everyBox_data()
    {
        QTest::addColumn<BoxMember>("member");
        QTest::addColumn<QString>("expected");
        for (BoxMember member : behaviours::kFilteredBoxes)
            QTest::addRow("%s", qPrintable((ui().*member)->objectName())) << member << u"7"_s;
        QTest::newRow("Text1 (not filtered)") << &window::Controls::Text1 << u"x7"_s;
    }
    void everyBox()
    {
        QFETCH(BoxMember, member);
        QFETCH(QString, expected);
        QLineEdit *b = ui().*member;
        QVERIFY(b);
        b->clear();
        QTest::keyClicks(b, u"x7"_s);
        QCOMPARE(b->text(), expected);
        b->clear();
    }

    // Key presses as a real desktop sends them, into a box with a text and a caret.
    void keys_data()
    {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<Strokes>("strokes");
        QTest::addColumn<QString>("after");
        QTest::addColumn<int>("cursorAfter");

        QTest::newRow("digit 7 into empty box") << u""_s << 0 << Strokes{typed('7')} << u"7"_s << 1;
        QTest::newRow("digits typed in turn")
            << u""_s << 0 << Strokes{typed('4'), typed('0'), typed('9')} << u"409"_s << 3;
        QTest::newRow("letter") << u"12"_s << 2 << Strokes{typed('a')} << u"12"_s << 2;
        QTest::newRow("capital letter")
            << u"12"_s << 2 << Strokes{{Qt::Key_A, Qt::ShiftModifier, u"A"_s}} << u"12"_s << 2;
        QTest::newRow("minus") << u"12"_s << 0 << Strokes{plain(Qt::Key_Minus, u"-"_s)} << u"12"_s
                               << 0;
        QTest::newRow("point") << u"12"_s << 1 << Strokes{plain(Qt::Key_Period, u"."_s)} << u"12"_s
                               << 1;
        QTest::newRow("comma") << u"12"_s << 1 << Strokes{plain(Qt::Key_Comma, u","_s)} << u"12"_s
                               << 1;
        QTest::newRow("space") << u"12"_s << 2 << Strokes{plain(Qt::Key_Space, u" "_s)} << u"12"_s
                               << 2;
        QTest::newRow("enter") << u"12"_s << 2 << Strokes{plain(Qt::Key_Return, u"\r"_s)} << u"12"_s
                               << 2;
        QTest::newRow("keypad enter")
            << u"12"_s << 2 << Strokes{{Qt::Key_Enter, Qt::KeypadModifier, u"\r"_s}} << u"12"_s
            << 2;
        QTest::newRow("escape") << u"12"_s << 2 << Strokes{plain(Qt::Key_Escape, u"\x1b"_s)}
                                << u"12"_s << 2;
        QTest::newRow("keypad digit")
            << u"12"_s << 2 << Strokes{{Qt::Key_5, Qt::KeypadModifier, u"5"_s}} << u"125"_s << 3;
        QTest::newRow("full-width 5 as a key")
            << u"12"_s << 2 << Strokes{plain(Qt::Key_unknown, u"\uFF15"_s)} << u"12"_s << 2;
        QTest::newRow("sixth digit still taken")
            << u"12345"_s << 5 << Strokes{typed('6')} << u"123456"_s << 6;
        QTest::newRow("backspace")
            << u"123"_s << 3 << Strokes{plain(Qt::Key_Backspace, u"\b"_s)} << u"12"_s << 2;
        QTest::newRow("backspace mid-text")
            << u"123"_s << 1 << Strokes{plain(Qt::Key_Backspace, u"\b"_s)} << u"23"_s << 0;
        QTest::newRow("ctrl+h is backspace")
            << u"123"_s << 3 << Strokes{ctrl(Qt::Key_H, 8)} << u"12"_s << 2;
        QTest::newRow("delete with its X11 text")
            << u"123"_s << 0 << Strokes{plain(Qt::Key_Delete, u"\x7f"_s)} << u"23"_s << 0;
        QTest::newRow("delete without text")
            << u"123"_s << 1 << Strokes{plain(Qt::Key_Delete)} << u"13"_s << 1;
        QTest::newRow("left arrow then digit")
            << u"12"_s << 2 << Strokes{plain(Qt::Key_Left), typed('5')} << u"152"_s << 2;
        QTest::newRow("right arrow then digit")
            << u"12"_s << 0 << Strokes{plain(Qt::Key_Right), typed('5')} << u"152"_s << 2;
        QTest::newRow("home then digit")
            << u"12"_s << 2 << Strokes{plain(Qt::Key_Home), typed('9')} << u"912"_s << 1;
        QTest::newRow("end then digit")
            << u"12"_s << 0 << Strokes{plain(Qt::Key_End), typed('9')} << u"129"_s << 3;
        QTest::newRow("shift+home selects, digit replaces")
            << u"123"_s << 3 << Strokes{{Qt::Key_Home, Qt::ShiftModifier, {}}, typed('7')} << u"7"_s
            << 1;
        QTest::newRow("ctrl+a (select all) dropped")
            << u"123"_s << 3 << Strokes{ctrl(Qt::Key_A, 1), typed('7')} << u"1237"_s << 4;
        QTest::newRow("several characters in one press keep their digits")
            << u""_s << 0 << Strokes{plain(Qt::Key_unknown, u"4a2"_s)} << u"42"_s << 2;
        // Ctrl+Backspace deletes no word, whatever text the system gives the key.
        QTest::newRow("Ctrl+Backspace with Backspace text does nothing")
            << u"1234"_s << 4 << Strokes{{Qt::Key_Backspace, Qt::ControlModifier, u"\b"_s}}
            << u"1234"_s << 4;
        QTest::newRow("Ctrl+Backspace with DEL text does nothing")
            << u"1234"_s << 4 << Strokes{{Qt::Key_Backspace, Qt::ControlModifier, u"\x7f"_s}}
            << u"1234"_s << 4;
        QTest::newRow("Ctrl+Backspace without text does nothing")
            << u"1234"_s << 4 << Strokes{{Qt::Key_Backspace, Qt::ControlModifier, QString()}}
            << u"1234"_s << 4;
    }
    void keys()
    {
        QFETCH(QString, before);
        QFETCH(int, cursor);
        QFETCH(Strokes, strokes);
        QFETCH(QString, after);
        QFETCH(int, cursorAfter);
        QLineEdit *b = fresh(ui().mq_jx, before, cursor);
        for (const Stroke &s : strokes)
            strike(b, s);
        QCOMPARE(b->text(), after);
        QCOMPARE(b->cursorPosition(), cursorAfter);
    }

    void enterTriggersNothing()
    {
        QLineEdit *b = fresh(ui().Text11, u"30"_s);
        QSignalSpy returned(b, &QLineEdit::returnPressed);
        QSignalSpy edited(b, &QLineEdit::textEdited);
        strike(b, plain(Qt::Key_Return, u"\r"_s));
        strike(b, {Qt::Key_Enter, Qt::KeypadModifier, u"\r"_s});
        QCOMPARE(returned.count(), 0);
        QCOMPARE(edited.count(), 0);
        QCOMPARE(b->text(), u"30"_s);
        // The same key in the query box does reach it.
        QLineEdit *query = fresh(ui().Text1, u"q"_s);
        QSignalSpy queryReturned(query, &QLineEdit::returnPressed);
        strike(query, plain(Qt::Key_Return, u"\r"_s));
        QCOMPARE(queryReturned.count(), 1);
        query->clear();
    }

    // Ctrl+V pastes nothing, whatever the clipboard holds, with the texts of X11 and of QTest.
    void ctrlVPastesNothing_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("text");
        QTest::newRow("digits, X11 text") << u"789"_s << u"\x16"_s;
        QTest::newRow("letters, X11 text") << u"abc"_s << u"\x16"_s;
        QTest::newRow("digits, letter text") << u"789"_s << u"v"_s;
        QTest::newRow("digits, no text") << u"789"_s << u""_s;
    }
    void ctrlVPastesNothing()
    {
        QFETCH(QString, clip);
        QFETCH(QString, text);
        QGuiApplication::clipboard()->setText(clip);
        QLineEdit *b = fresh(ui().qs_hp, u"12"_s);
        strike(b, {Qt::Key_V, Qt::ControlModifier, text});
        if (text.isEmpty()) {
            // A Ctrl+V that types no character is a plain shortcut, as Shift+Insert is: the
            // filter has nothing to judge and the box pastes.
            QCOMPARE(b->text(), u"12"_s + clip);
            return;
        }
        QCOMPARE(b->text(), u"12"_s);
        // The same press in the unfiltered query box pastes: the press is a real paste key.
        QLineEdit *query = fresh(ui().Text1, u""_s);
        strike(query, {Qt::Key_V, Qt::ControlModifier, text});
        QCOMPARE(query->text(), clip);
        query->clear();
    }

    void ctrlCAndCtrlXDoNothing()
    {
        QGuiApplication::clipboard()->setText(u"before"_s);
        QLineEdit *b = fresh(ui().mq_dj, u"123"_s);
        b->selectAll();
        strike(b, ctrl(Qt::Key_C, 3));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
        strike(b, ctrl(Qt::Key_X, 24));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"before"_s);
        QCOMPARE(b->text(), u"123"_s);
        QCOMPARE(b->selectedText(), u"123"_s);

        // Control: the unfiltered query box copies and cuts with the same presses.
        QLineEdit *query = fresh(ui().Text1, u"abc"_s);
        query->selectAll();
        strike(query, ctrl(Qt::Key_C, 3));
        QCOMPARE(QGuiApplication::clipboard()->text(), u"abc"_s);
        strike(query, ctrl(Qt::Key_X, 24));
        QCOMPARE(query->text(), u""_s);
    }

    void ctrlZUndoesNothing()
    {
        QLineEdit *b = fresh(ui().jy_dj, u""_s);
        QTest::keyClicks(b, u"12"_s);
        QVERIFY(b->isUndoAvailable());
        strike(b, ctrl(Qt::Key_Z, 26));
        QCOMPARE(b->text(), u"12"_s);
        // Control: the query box undoes with the same press.
        QLineEdit *query = fresh(ui().Text1, u""_s);
        QTest::keyClicks(query, u"ab"_s);
        strike(query, ctrl(Qt::Key_Z, 26));
        QVERIFY2(query->text() != u"ab"_s, "Ctrl+Z undid nothing in the query box");
        query->clear();
    }

    void inputMethod_data()
    {
        QTest::addColumn<QString>("preedit");
        QTest::addColumn<QString>("committed");
        QTest::addColumn<QString>("after");
        QTest::newRow("full-width 5") << u"\uFF15"_s << u"\uFF15"_s << u"12"_s;
        QTest::newRow("chinese text") << u"zhong"_s << u"中文"_s << u"12"_s;
        QTest::newRow("chinese five") << u"wu"_s << u"五"_s << u"12"_s;
        QTest::newRow("full-width digits between ascii ones")
            << u""_s << u"3\uFF154"_s << u"1234"_s;
        QTest::newRow("ascii digit committed") << u""_s << u"5"_s << u"125"_s;
        QTest::newRow("backspace code committed") << u""_s << u"\b"_s << u"12"_s;
    }
    void inputMethod()
    {
        QFETCH(QString, preedit);
        QFETCH(QString, committed);
        QFETCH(QString, after);
        QLineEdit *b = fresh(ui().Text9, u"12"_s);
        commit(b, preedit, committed);
        QCOMPARE(b->text(), after);
        // Control: the query box takes the committed text as it is.
        QLineEdit *query = fresh(ui().Text1, u"12"_s);
        commit(query, preedit, committed);
        QCOMPARE(query->text(), u"12"_s + committed);
        query->clear();
    }

    void contextMenuPasteInserts_data()
    {
        QTest::addColumn<QString>("clip");
        QTest::newRow("digits") << u"345"_s;
        QTest::newRow("letters and signs") << u"-3.5abc"_s;
        QTest::newRow("full-width") << u"\uFF15\uFF15"_s;
    }
    void contextMenuPasteInserts()
    {
        QFETCH(QString, clip);
        QGuiApplication::clipboard()->setText(clip);
        QLineEdit *b = fresh(ui().qs_lq, u"12"_s);
        std::unique_ptr<QMenu> menu(b->createStandardContextMenu());
        QAction *paste = nullptr;
        for (QAction *a : menu->actions()) {
            if (a->text().startsWith(u"&Paste"_s))
                paste = a;
        }
        if (!paste)
            QFAIL("Text1's context menu has no Paste entry");
        QVERIFY(paste->isEnabled());
        paste->trigger();
        QCOMPARE(b->text(), u"12"_s + clip);

        // The paste slot, which the menu action calls, does the same.
        b->setText(u"9"_s);
        b->setCursorPosition(0);
        b->paste();
        QCOMPARE(b->text(), clip + u"9"_s);
    }

    void programTextNotFiltered()
    {
        QLineEdit *b = fresh(ui().Text10, u""_s);
        b->setText(u"-1.5 abc"_s);
        QCOMPARE(b->text(), u"-1.5 abc"_s);
        b->insert(u"x"_s);
        QCOMPARE(b->text(), u"-1.5 abcx"_s);
        b->clear();
    }
};

ZC_TEST_MAIN(TestNumericFilter)
#include "tst_numericfilter.moc"
