// The answer lookup on page 0 as a player uses it: typing into Text1 searches the store beside
// the program, the list and the display pair follow, the keyboard moves between box and list,
// Command12 copies and Command1 clears. Every store is written by the test with the project's
// Jet writer as "crvt.dat" in the test program's own folder, or in the player's folder of a
// data home the test makes its own.
#include "app/window/design.h"
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "lookup/jetwriter/jetwriter.h"
#include "lookup/lookuppage.h"
#include "lookup/notice.h"
#include "lookup/resultmodel.h"
#include "siteconfig.h"
#include "tests/common/formfixture.h"
#include "tests/common/testmain.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTreeView>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

using Field = std::optional<QString>;
struct Row
{
    Field question, answer, pinyin;
};

QString storePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(u"crvt.dat"_s);
}

// The player's own store, in the data home the test sets (XDG_DATA_HOME).
QString playerStorePath()
{
    return qEnvironmentVariable("XDG_DATA_HOME") + u"/zembrik-corvanth/crvt.dat"_s;
}

// Takes the notice on screen away, as its timer would.
void closeNotice()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QLabel *>(w) && w->windowType() == Qt::ToolTip)
            w->close();
    }
}

// Writes the store the program reads, with its password unless told otherwise.
void writeStore(const std::vector<Row> &rows, const QString &password = u"qzv.lan/mt"_s)
{
    jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
    for (const Row &r : rows)
        cv.rows.push_back({r.question, r.answer, r.pinyin});
    const auto failure = jetwriter::writeJet4(storePath(), password, {cv});
    QVERIFY2(!failure, failure ? qPrintable(*failure) : "");
}

// A small store: every row's question, answer and pinyin initials.
const std::vector<Row> kQuiz = {
    {u"中国的首都是哪里？"_s, u"北京"_s, u"zgdsdsnl"_s},
    {u"世界杯冠军最多的国家？"_s, u"巴西"_s, u"sjbgjzddgj"_s},
    {u"长城有多长？"_s, u"两万多公里"_s, u"ccydc"_s},
    {u"“李白”被称为什么？"_s, u"诗仙"_s, u"lbbcwsm"_s},
    {u"It's a quote: O'Neil?"_s, u"yes"_s, u"its a quote"_s},
    {u"50% 的人"_s, u"一半"_s, u"50%dr"_s},
    {u"谁写了《红楼梦》？"_s, u"曹雪芹"_s, u"sxlhlm"_s},
};

} // namespace

class TestLookupPage : public QObject, public FormFixture
{
    Q_OBJECT

    QTemporaryDir m_dataHome; // the player's data home: no store unless a test puts one there
    std::unique_ptr<LookupPage> m_page;
    QLineEdit *m_text1 = nullptr;
    QTreeView *m_list = nullptr;
    FormLabel *m_label2 = nullptr;
    FormLabel *m_label4 = nullptr;

    QStringList column(int c) const
    {
        QStringList texts;
        for (int r = 0; r < m_list->model()->rowCount(); ++r)
            texts << m_list->model()->index(r, c).data().toString();
        return texts;
    }
    QStringList questions() const { return column(0); }
    int selectedRow() const
    {
        const QModelIndexList rows = m_list->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }
    // Typing: Latin characters as keys, Chinese ones committed by the input method.
    void type(const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80) {
                QTest::keyClick(m_text1, char(c.unicode()));
            } else {
                QInputMethodEvent commit;
                commit.setCommitString(QString(c));
                QApplication::sendEvent(m_text1, &commit);
            }
        }
    }
    // A key as an X11 desktop delivers it, text included.
    static void press(QWidget *to, Qt::Key key, const QString &text,
                      Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(to, &down);
        QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
        QApplication::sendEvent(to, &up);
    }
    void pair(const QString &question, const QString &answer)
    {
        m_label2->setText(question);
        m_label4->setText(answer);
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_dataHome.isValid(), qPrintable(m_dataHome.errorString()));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_dataHome.path()));
    }
    void init()
    {
        QFile::remove(storePath());
        QDir(m_dataHome.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dataHome.path()));
        makeForm();
        m_page = std::make_unique<LookupPage>(ui());
        m_text1 = ui().Text1;
        m_list = ui().ListView1;
        m_label2 = ui().Label2;
        m_label4 = ui().Label4;
        // As at load, before anyone types.
        shapeResultList(m_list);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_text1->setFocus();
    }
    void cleanup()
    {
        m_page.reset();
        m_form.reset();
        QFile::remove(storePath());
    }

    // ---- the search ----

    void firstCharacterListsEveryMatchInStoreOrderAndShowsTheFirst()
    {
        writeStore(kQuiz);
        type(u"的"_s);
        QCOMPARE(questions(), (QStringList{u"中国的首都是哪里？"_s, u"世界杯冠军最多的国家？"_s,
                                           u"50% 的人"_s}));
        QCOMPARE(column(1), (QStringList{u"北京"_s, u"巴西"_s, u"一半"_s}));
        QCOMPARE(m_label2->text(), u"中国的首都是哪里？"_s);
        QCOMPARE(m_label4->text(), u"北京"_s);
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(m_list->currentIndex().row(), 0);
    }

    void pinyinInitialsFindTheQuestion()
    {
        writeStore(kQuiz);
        type(u"cc"_s);
        QCOMPARE(questions(), QStringList{u"长城有多长？"_s});
        QCOMPARE(m_label4->text(), u"两万多公里"_s);
        QCOMPARE(m_list->model()->headerData(0, Qt::Horizontal).toString(), u"题目"_s);
        QCOMPARE(m_list->model()->headerData(1, Qt::Horizontal).toString(), u"答案"_s);
    }

    void eachKeystrokeSearchesAgain()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        QCOMPARE(m_list->model()->rowCount(), 5);
        type(u"j"_s);
        QCOMPARE(questions(), QStringList{u"世界杯冠军最多的国家？"_s});
        QCOMPARE(m_label2->text(), u"世界杯冠军最多的国家？"_s);
        QCOMPARE(m_label4->text(), u"巴西"_s);
    }

    void deletingTheWholeTextKeepsListAndPair()
    {
        writeStore(kQuiz);
        type(u"sx"_s);
        const QStringList listed = questions();
        QCOMPARE(listed, QStringList{u"谁写了《红楼梦》？"_s});
        // Backspace as the desktop sends it, twice: "s" searches once more, "" does not.
        press(m_text1, Qt::Key_Backspace, u"\x08"_s);
        press(m_text1, Qt::Key_Backspace, u"\x08"_s);
        QCOMPARE(m_text1->text(), QString());
        QCOMPARE(m_list->model()->rowCount(), 5);
        QCOMPARE(m_label2->text(), u"中国的首都是哪里？"_s);
        // Selecting and cutting the text at once runs no search at all.
        type(u"sx"_s);
        pair(u"shown question"_s, u"shown answer"_s);
        m_text1->selectAll();
        press(m_text1, Qt::Key_Delete, u"\x7f"_s);
        QCOMPARE(m_text1->text(), QString());
        QCOMPARE(questions(), listed);
        QCOMPARE(m_label2->text(), u"shown question"_s);
        QCOMPARE(m_label4->text(), u"shown answer"_s);
    }

    void noMatchEmptiesTheListAndKeepsThePair()
    {
        writeStore(kQuiz);
        type(u"世界"_s);
        QCOMPARE(m_list->model()->rowCount(), 1);
        type(u"x"_s); // "世界x" is nowhere
        QCOMPARE(m_list->model()->rowCount(), 0);
        QCOMPARE(selectedRow(), -1);
        QCOMPARE(m_label2->text(), u"世界杯冠军最多的国家？"_s);
        QCOMPARE(m_label4->text(), u"巴西"_s);
    }

    void aStoreThatCannotBeOpenedChangesNothing_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("store missing") << u"missing"_s;
        QTest::newRow("wrong password") << u"password"_s;
        QTest::newRow("not a database") << u"garbage"_s;
        QTest::newRow("no table cv") << u"no cv"_s;
    }
    void aStoreThatCannotBeOpenedChangesNothing()
    {
        QFETCH(QString, how);
        writeStore(kQuiz);
        type(u"的"_s);
        const QStringList listed = questions();
        pair(u"before"_s, u"still before"_s);
        m_list->selectionModel()->setCurrentIndex(m_list->model()->index(2, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        pair(u"before"_s, u"still before"_s);

        QFile::remove(storePath());
        if (how == u"password"_s) {
            writeStore(kQuiz, u"another one"_s);
        } else if (how == u"garbage"_s) {
            QFile file(storePath());
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        } else if (how == u"no cv"_s) {
            jetwriter::TextTable other{u"questions"_s,
                                       {u"question"_s, u"answer"_s, u"pinyin"_s},
                                       {{u"中国的首都是哪里？"_s, u"北京"_s, u"zgdsdsnl"_s}}};
            const auto refused = jetwriter::writeJet4(storePath(), u"qzv.lan/mt"_s, {other});
            QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        }
        type(u"s"_s);
        QCOMPARE(m_text1->text(), u"的s"_s);
        QCOMPARE(questions(), listed);
        QCOMPARE(selectedRow(), 2);
        QCOMPARE(m_label2->text(), u"before"_s);
        QCOMPARE(m_label4->text(), u"still before"_s);

        // A good store in its place is found by the very next keystroke.
        writeStore(kQuiz);
        m_text1->clear();
        type(u"l"_s);
        QCOMPARE(m_list->model()->rowCount(), 4);
        QCOMPARE(m_label2->text(), u"中国的首都是哪里？"_s);
    }

    void aPlayersStoreThatCannotBeReadIsSaidOnce_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("cause");
        QTest::newRow("not a database") << u"garbage"_s << u"不是 Access 数据库"_s;
        QTest::newRow("wrong password") << u"password"_s << u"数据库密码不符"_s;
        QTest::newRow("no table cv") << u"no cv"_s << u"数据库中没有表 cv"_s;
        QTest::newRow("a folder by the store's name") << u"folder"_s << u"不是普通文件"_s;
        QTest::newRow("a dangling link") << u"link"_s << u"不是普通文件"_s;
    }
    void aPlayersStoreThatCannotBeReadIsSaidOnce()
    {
        QFETCH(QString, how);
        QFETCH(QString, cause);
        writeStore(kQuiz); // beside the program
        type(u"的"_s);
        const QStringList listed = questions();
        QCOMPARE(listed.size(), 3);
        pair(u"before"_s, u"still before"_s);

        const QString player = playerStorePath();
        QVERIFY(QDir().mkpath(QFileInfo(player).path()));
        if (how == u"garbage"_s) {
            QFile file(player);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(8192, 'x'));
        } else if (how == u"password"_s) {
            jetwriter::TextTable cv{u"cv"_s, {u"question"_s, u"answer"_s, u"pinyin"_s}, {}};
            const auto refused = jetwriter::writeJet4(player, u"another one"_s, {cv});
            QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        } else if (how == u"no cv"_s) {
            jetwriter::TextTable other{u"questions"_s,
                                       {u"question"_s, u"answer"_s, u"pinyin"_s},
                                       {{u"中国的首都是哪里？"_s, u"北京"_s, u"zgdsdsnl"_s}}};
            const auto refused = jetwriter::writeJet4(player, u"qzv.lan/mt"_s, {other});
            QVERIFY2(!refused, qPrintable(refused.value_or(QString())));
        } else if (how == u"folder"_s) {
            QVERIFY(QDir().mkpath(player));
        } else {
            QVERIFY(QFile::link(m_dataHome.filePath(u"gone.dat"_s), player));
        }

        // The next keystroke: nothing listed from the shipped store instead, and a notice
        // naming the file and the cause.
        const QString notice = u"无法读取题库 %1：%2"_s.arg(player, cause);
        type(u"s"_s);
        QCOMPARE(questions(), listed);
        QCOMPARE(m_label2->text(), u"before"_s);
        QCOMPARE(m_label4->text(), u"still before"_s);
        QCOMPARE(lookup::visibleNotice(), notice);

        // Typing on over the same file says nothing more.
        closeNotice();
        QCOMPARE(lookup::visibleNotice(), QString());
        type(u"t"_s);
        QCOMPARE(lookup::visibleNotice(), QString());
        QCOMPARE(questions(), listed);

        // Once the player's store is gone, the shipped one answers; broken again, it is said
        // again.
        if (how == u"folder"_s)
            QVERIFY(QDir(player).removeRecursively());
        else
            QVERIFY(QFile::remove(player));
        m_text1->setText(u"的"_s);
        QCOMPARE(questions(), listed);
        QCOMPARE(m_label2->text(), listed.first());
        QCOMPARE(lookup::visibleNotice(), QString());
        QVERIFY(QDir().mkpath(player));
        type(u"s"_s);
        QCOMPARE(lookup::visibleNotice(), u"无法读取题库 %1：不是普通文件"_s.arg(player));
        closeNotice();
        QVERIFY(QDir(player).removeRecursively());
    }

    void theShippedStoreThatCannotBeReadIsNotSaid()
    {
        // Nothing of the player's: the store beside the program is the program's own business,
        // and a search over it that fails stays silent as it always was.
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(8192, 'x'));
        file.close();
        type(u"的"_s);
        QCOMPARE(m_list->model()->rowCount(), 0);
        QCOMPARE(lookup::visibleNotice(), QString());
    }

    void queryCharactersAreSearchedAsTheStoreMatches_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("quote finds the quotes")
            << u"'"_s << QStringList{u"It's a quote: O'Neil?"_s};
        QTest::newRow("quote inside a word") << u"O'N"_s << QStringList{u"It's a quote: O'Neil?"_s};
        QTest::newRow("a space is searched as a space")
            << u" "_s << QStringList{u"It's a quote: O'Neil?"_s, u"50% 的人"_s};
        QTest::newRow("percent alone: every row with a text")
            << u"%"_s
            << QStringList{u"中国的首都是哪里？"_s, u"世界杯冠军最多的国家？"_s, u"长城有多长？"_s,
                           u"“李白”被称为什么？"_s, u"It's a quote: O'Neil?"_s,  u"50% 的人"_s,
                           u"谁写了《红楼梦》？"_s};
        QTest::newRow("underscore stands for one character")
            << u"首_是"_s << QStringList{u"中国的首都是哪里？"_s};
        QTest::newRow("percent inside stands for any run")
            << u"长%长"_s << QStringList{u"长城有多长？"_s};
        QTest::newRow("Latin letters match either case")
            << u"ITS"_s << QStringList{u"It's a quote: O'Neil?"_s};
        QTest::newRow("double quote and full-width marks are plain")
            << u"“李白”"_s << QStringList{u"“李白”被称为什么？"_s};
    }
    void queryCharactersAreSearchedAsTheStoreMatches()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, expected);
        writeStore(kQuiz);
        m_text1->setText(query);
        QCOMPARE(questions(), expected);
        QCOMPARE(m_label2->text(), expected.first());
    }

    void everyMatchIsListedPastTheOld16BitLimit()
    {
        std::vector<Row> rows;
        constexpr int kRows = 40000;
        rows.reserve(kRows);
        for (int i = 0; i < kRows; ++i)
            rows.push_back({u"第%1题"_s.arg(i), u"答%1"_s.arg(i), u"d%1t"_s.arg(i)});
        writeStore(rows);
        type(u"题"_s);
        QCOMPARE(m_list->model()->rowCount(), kRows);
        QCOMPARE(m_label2->text(), u"第0题"_s);
        QCOMPARE(m_label4->text(), u"答0"_s);
        const QAbstractItemModel *model = m_list->model();
        QCOMPARE(model->index(32767, 0).data().toString(), u"第32767题"_s);
        QCOMPARE(model->index(32768, 1).data().toString(), u"答32768"_s);
        QCOMPARE(model->index(kRows - 1, 0).data().toString(), u"第39999题"_s);
        // The end of the list is reachable from the keyboard.
        press(m_text1, Qt::Key_Down, QString());
        QCOMPARE(QApplication::focusWidget(), m_list);
        press(m_list, Qt::Key_End, QString());
        QCOMPARE(selectedRow(), kRows - 1);
        QCOMPARE(m_label2->text(), u"第39999题"_s);
        QCOMPARE(m_label4->text(), u"答39999"_s);
    }

    void nullFieldsShowAsEmptyTextAndTheFillingGoesOn()
    {
        writeStore({
            {std::nullopt, u"无题之答"_s, u"wt"_s},
            {u"有题无答"_s, std::nullopt, u"ytwd"_s},
            {u"题与答"_s, u"都在"_s, std::nullopt},
            {u"最后一题"_s, u"答"_s, u"zhyt"_s},
        });
        type(u"t"_s);
        QCOMPARE(questions(), (QStringList{QString(), u"有题无答"_s, u"最后一题"_s}));
        QCOMPARE(column(1), (QStringList{u"无题之答"_s, QString(), u"答"_s}));
        QCOMPARE(m_label2->text(), QString());
        QCOMPARE(m_label4->text(), u"无题之答"_s);
        // A row found through its question although its pinyin is null.
        m_text1->setText(u"题与"_s);
        QCOMPARE(questions(), QStringList{u"题与答"_s});
        QCOMPARE(m_label4->text(), u"都在"_s);
    }

    // ---- between box and list ----

    void keysInTheBoxMoveTheFocusIntoTheList_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Enter") << int(Qt::Key_Return) << u"\r"_s << int(Qt::NoModifier);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << u"\r"_s << int(Qt::KeypadModifier);
        QTest::newRow("up arrow") << int(Qt::Key_Up) << QString() << int(Qt::NoModifier);
        QTest::newRow("down arrow") << int(Qt::Key_Down) << QString() << int(Qt::NoModifier);
        QTest::newRow("shift+down arrow")
            << int(Qt::Key_Down) << QString() << int(Qt::ShiftModifier);
        QTest::newRow("Ctrl+M types a carriage return")
            << int(Qt::Key_M) << u"\r"_s << int(Qt::ControlModifier);
    }
    void keysInTheBoxMoveTheFocusIntoTheList()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        QFETCH(int, modifiers);
        writeStore(kQuiz);
        type(u"s"_s);
        m_list->selectionModel()->setCurrentIndex(m_list->model()->index(2, 0),
                                                  QItemSelectionModel::ClearAndSelect |
                                                      QItemSelectionModel::Rows);
        pair(u"x"_s, u"y"_s);
        press(m_text1, Qt::Key(key), text, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(QApplication::focusWidget(), m_list);
        QCOMPARE(m_label2->text(), u"“李白”被称为什么？"_s);
        QCOMPARE(m_label4->text(), u"诗仙"_s);
        QCOMPARE(m_text1->text(), u"s"_s);
    }

    void otherKeysInTheBoxStayThere_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("left arrow") << int(Qt::Key_Left) << QString();
        QTest::newRow("Escape") << int(Qt::Key_Escape) << u"\x1b"_s;
        QTest::newRow("line feed") << int(Qt::Key_J) << u"\n"_s;
    }
    void otherKeysInTheBoxStayThere()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        writeStore(kQuiz);
        type(u"s"_s);
        press(m_text1, Qt::Key(key), text, text == u"\n"_s ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(QApplication::focusWidget(), m_text1);
    }

    void enterStillReachesTheBox()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        QSignalSpy returned(m_text1, &QLineEdit::returnPressed);
        press(m_text1, Qt::Key_Return, u"\r"_s);
        QCOMPARE(QApplication::focusWidget(), m_list);
        QCOMPARE(returned.size(), 1);
    }

    void withNothingListedTheFocusStaysInTheBox_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("text");
        QTest::newRow("Enter") << int(Qt::Key_Return) << u"\r"_s;
        QTest::newRow("down arrow") << int(Qt::Key_Down) << QString();
        QTest::newRow("up arrow") << int(Qt::Key_Up) << QString();
    }
    void withNothingListedTheFocusStaysInTheBox()
    {
        QFETCH(int, key);
        QFETCH(QString, text);
        // At start the list is empty; after a search that finds nothing it is empty again.
        press(m_text1, Qt::Key(key), text);
        QCOMPARE(QApplication::focusWidget(), m_text1);
        writeStore(kQuiz);
        type(u"zzz"_s);
        QCOMPARE(m_list->model()->rowCount(), 0);
        press(m_text1, Qt::Key(key), text);
        QCOMPARE(QApplication::focusWidget(), m_text1);
    }

    void tabbingIntoAnEmptyListSendsTheFocusBack()
    {
        ui().Command1->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_text1);
    }

    void keyboardRoundTrip()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        QCOMPARE(m_list->model()->rowCount(), 5);
        press(m_text1, Qt::Key_Return, u"\r"_s);
        QCOMPARE(QApplication::focusWidget(), m_list);
        press(m_list, Qt::Key_Down, QString());
        QCOMPARE(selectedRow(), 1);
        QCOMPARE(m_label2->text(), u"世界杯冠军最多的国家？"_s);
        QCOMPARE(m_label4->text(), u"巴西"_s);
        press(m_list, Qt::Key_Down, QString());
        press(m_list, Qt::Key_Down, QString());
        QCOMPARE(m_label2->text(), u"It's a quote: O'Neil?"_s);
        QCOMPARE(m_label4->text(), u"yes"_s);
        press(m_list, Qt::Key_Up, QString());
        QCOMPARE(m_label2->text(), u"“李白”被称为什么？"_s);
        QCOMPARE(m_label4->text(), u"诗仙"_s);
        // The left arrow is no way back; Backspace is.
        press(m_list, Qt::Key_Left, QString());
        QCOMPARE(QApplication::focusWidget(), m_list);
        press(m_list, Qt::Key_Backspace, u"\x08"_s);
        QCOMPARE(QApplication::focusWidget(), m_text1);
        QCOMPARE(m_text1->text(), u"s"_s);
        // Typing on searches again and shows the first match.
        type(u"x"_s);
        QCOMPARE(questions(), QStringList{u"谁写了《红楼梦》？"_s});
        QCOMPARE(m_label2->text(), u"谁写了《红楼梦》？"_s);
        press(m_text1, Qt::Key_Down, QString());
        QCOMPARE(QApplication::focusWidget(), m_list);
        QCOMPARE(selectedRow(), 0);
    }

    void ctrlHInTheListIsNoBackspace()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        press(m_text1, Qt::Key_Return, u"\r"_s);
        press(m_list, Qt::Key_H, u"\x08"_s, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), m_list);
    }

    void aSelectedRowWithoutQuestionIsNotShownOnFocus()
    {
        writeStore({{std::nullopt, u"孤答"_s, u"gd"_s}, {u"孤题"_s, u"有答"_s, u"gt"_s}});
        type(u"g"_s);
        pair(u"kept"_s, u"kept too"_s);
        press(m_text1, Qt::Key_Return, u"\r"_s);
        QCOMPARE(QApplication::focusWidget(), m_list);
        QCOMPARE(m_label2->text(), u"kept"_s);
        QCOMPARE(m_label4->text(), u"kept too"_s);
        // Moving onto it shows it all the same.
        press(m_list, Qt::Key_Down, QString());
        press(m_list, Qt::Key_Up, QString());
        QCOMPARE(m_label2->text(), QString());
        QCOMPARE(m_label4->text(), u"孤答"_s);
    }

    void clickingARowShowsIt()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        const QRect third = m_list->visualRect(m_list->model()->index(2, 0));
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {}, third.center());
        QCOMPARE(selectedRow(), 2);
        QCOMPARE(m_label2->text(), u"“李白”被称为什么？"_s);
        QCOMPARE(m_label4->text(), u"诗仙"_s);
        // A click on the row already selected shows it again.
        pair(u"other"_s, u"other"_s);
        QTest::mouseClick(m_list->viewport(), Qt::LeftButton, {},
                          m_list->visualRect(m_list->model()->index(2, 1)).center());
        QCOMPARE(m_label2->text(), u"“李白”被称为什么？"_s);
        QCOMPARE(m_label4->text(), u"诗仙"_s);
    }

    // ---- copy and clear ----

    void copyPutsThreeLinesJoinedByLoneCarriageReturns()
    {
        writeStore(kQuiz);
        type(u"cc"_s);
        QApplication::clipboard()->setText(u"old"_s);
        QTest::mouseClick(ui().Command12, Qt::LeftButton);
        const QString zone = QString::fromUtf16(site::zoneHomeAddress);
        QCOMPARE(
            QApplication::clipboard()->text(),
            u"题目：长城有多长？\r答案：两万多公里\r(此答题内容来至ZembrikCorvanth智能答题器 "_s +
                zone + u")"_s);
        QVERIFY(!QApplication::clipboard()->text().contains(u'\n'));
        QVERIFY(!zone.endsWith(u'/'));
    }

    void copyReadsTheLabelsNotTheList()
    {
        writeStore(kQuiz);
        type(u"cc"_s);
        pair(u"写在标签上的题"_s, u"标签上的答"_s);
        QTest::mouseClick(ui().Command12, Qt::LeftButton);
        QVERIFY(QApplication::clipboard()->text().startsWith(
            u"题目：写在标签上的题\r答案：标签上的答\r("_s));
    }

    void copyAfterStartOrClearGivesTheHint()
    {
        QTest::mouseClick(ui().Command12, Qt::LeftButton);
        const QString expected = u"题目："_s + window::usageHint() +
                                 u"\r答案：\r(此答题内容来至ZembrikCorvanth智能答题器 "_s +
                                 QString::fromUtf16(site::zoneHomeAddress) + u")"_s;
        QCOMPARE(QApplication::clipboard()->text(), expected);
        writeStore(kQuiz);
        type(u"cc"_s);
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
        QTest::mouseClick(ui().Command12, Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), expected);
    }

    void clearKeepsTheListAndPutsTheFocusInTheBox()
    {
        writeStore(kQuiz);
        type(u"s"_s);
        press(m_text1, Qt::Key_Return, u"\r"_s);
        press(m_list, Qt::Key_Down, QString());
        QSignalSpy changed(m_text1, &QLineEdit::textChanged);
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
        QCOMPARE(m_text1->text(), QString());
        QCOMPARE(changed.size(), 1);
        QCOMPARE(m_label2->text(), window::usageHint());
        QCOMPARE(m_label4->text(), QString());
        QCOMPARE(QApplication::focusWidget(), m_text1);
        QCOMPARE(m_list->model()->rowCount(), 5);
        QCOMPARE(selectedRow(), 1);
        // Back in the list, the selected row shows again.
        press(m_text1, Qt::Key_Down, QString());
        QCOMPARE(m_label2->text(), u"世界杯冠军最多的国家？"_s);
        // Clear with the box already empty still restores the hint.
        QTest::mouseClick(ui().Command1, Qt::LeftButton);
        QCOMPARE(m_label2->text(), window::usageHint());
        QCOMPARE(QApplication::focusWidget(), m_text1);
    }
};

ZC_TEST_MAIN(TestLookupPage)
#include "tst_lookuppage.moc"
