// The window as it opens: names, kinds, places, texts, looks, hidden controls, focus order.
#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "tests/common/testmain.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QWebEngineView>

using namespace Qt::StringLiterals;

namespace {

// Places in twips as the window was designed; the test converts them itself.
QRect twips(int l, int t, int w, int h)
{
    auto px = [](int v) { return int(std::lround(v / 15.0)); };
    return QRect(px(l), px(t), px(w), px(h));
}

const char16_t kCollapse[] = u"                                         点   击   此   处   收   "
                             u"起      <<<            <<<           <<<";

} // namespace

class TestForm1Design : public QObject
{
    Q_OBJECT
    std::unique_ptr<Form1> m_form;

    QWidget *w(const char *name) const
    {
        if (m_form->objectName() == QLatin1String(name))
            return m_form.get();
        auto *found = m_form->findChild<QWidget *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    // Place relative to a named container (the tab control for page controls).
    QRect placeIn(const char *name, const char *container) const
    {
        QWidget *c = w(name);
        return QRect(c->mapTo(w(container), QPoint(0, 0)), c->size());
    }

private slots:
    void initTestCase()
    {
        m_form = std::make_unique<Form1>();
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void windowFrameAndCaption()
    {
        QCOMPARE(m_form->objectName(), u"Form1"_s);
        QCOMPARE(m_form->windowTitle(), u"ZembrikCorvanth多功能答题器"_s);
        QCOMPARE(m_form->size(), QSize(868, 505));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize()); // not resizable
        QVERIFY(!m_form->windowIcon().isNull());
        QVERIFY(m_form->windowIcon().availableSizes().contains(QSize(32, 32)));
        QCOMPARE(m_form->font().pointSizeF(), 9.0);
        // The font chosen must draw Chinese.
        QVERIFY(QFontMetrics(m_form->font()).inFont(QChar(u'题')));
    }

    void tabControlHasThreePagesAndOpensOnTheFirst()
    {
        auto *tabs = qobject_cast<QTabWidget *>(w("SSTab1"));
        QVERIFY(tabs);
        QCOMPARE(tabs->geometry(), twips(0, 0, 6615, 7575));
        QCOMPARE(tabs->count(), 3);
        QCOMPARE(tabs->tabText(0), u"Zembrik智能答题器"_s);
        QCOMPARE(tabs->tabText(1), u"战魂评估/升级计算"_s);
        QCOMPARE(tabs->tabText(2), u"使用说明"_s);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void controlKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("className");
        const std::pair<const char *, const char *> rows[] = {
            {"Text1", "QLineEdit"},
            {"Command1", "QPushButton"},
            {"Check2", "QCheckBox"},
            {"ListView1", "QTreeView"},
            {"Frame1", "QGroupBox"},
            {"Label2", "FormLabel"},
            {"Label4", "FormLabel"},
            {"Command12", "QPushButton"},
            {"Frame6", "QGroupBox"},
            {"Label7", "StripLabel"},
            {"Picture1", "QFrame"},
            {"WebBrowser1", "QWebEngineView"},
            {"WebBrowser2", "QWebEngineView"},
            {"Lis_jy", "QListWidget"},
            {"Frame5", "QGroupBox"},
            {"Text4", "QLineEdit"},
            {"Label5", "FormLabel"},
            {"Label49", "FormLabel"},
            {"qs_jx", "QLineEdit"},
            {"mq_hp", "QLineEdit"},
            {"jy_dj", "QLineEdit"},
            {"Check1", "QCheckBox"},
            {"Command13", "QPushButton"},
            {"lbl_result", "FormLabel"},
            {"lbl_pingjia", "FormLabel"},
            {"Picture2", "QLabel"},
            {"Label50", "FormLabel"},
        };
        for (const auto &[name, cls] : rows)
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(cls);
    }
    void controlKinds()
    {
        QFETCH(QString, name);
        QFETCH(QString, className);
        QWidget *c = w(name.toLatin1().constData());
        QVERIFY2(c->inherits(className.toLatin1().constData()), c->metaObject()->className());
    }

    void places_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("container");
        QTest::addColumn<QRect>("place");
        auto row = [](const char *name, const char *container, QRect r) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(container) << r;
        };
        // Outside the tab control, relative to the client area.
        row("Label7", "Form1", twips(6720, 0, 375, 7575));
        row("Picture1", "Form1", twips(7150, 150, 5775, 7125));
        row("WebBrowser1", "Picture1", twips(-4590, -6060, 11415, 13620));
        row("WebBrowser2", "Form1", twips(2040, 8280, 6735, 2655));
        row("Lis_jy", "Form1", twips(11760, 7920, 1815, 3480));
        // Page controls are placed relative to the tab control's corner.
        row("Text1", "SSTab1", twips(1440, 1035, 2415, 300));
        row("Command1", "SSTab1", twips(3960, 960, 975, 375));
        row("Check2", "SSTab1", twips(5040, 1080, 1455, 255));
        row("ListView1", "SSTab1", twips(240, 1440, 6135, 2775));
        row("Frame1", "SSTab1", twips(240, 4200, 6135, 1335));
        row("Command8", "SSTab1", twips(4680, 7040, 1335, 375));
        row("Command2", "SSTab1", twips(2280, 6360, 1215, 375));
        row("Frame5", "SSTab1", twips(120, 480, 6375, 2295));
        row("Frame3", "SSTab1", twips(240, 5040, 5175, 1095));
        row("Picture2", "SSTab1", twips(160, 480, 6255, 6630));
        // Inside frames, relative to the frame.
        row("Label2", "Frame1", twips(120, 240, 5895, 700));
        row("Command12", "Frame1", twips(4800, 840, 1215, 375));
        row("Label44", "Frame6", twips(5160, 600, 735, 220));
        row("Text4", "Frame5", twips(1080, 322, 495, 270));
        row("Text11", "Frame5", twips(480, 1912, 735, 270));
        row("Command13", "Frame5", twips(5400, 1800, 855, 375));
        row("qs_hp", "Frame2", twips(2520, 712, 855, 270));
        row("Check1", "Frame2", twips(3840, 720, 975, 255));
        row("jy_dj", "Frame4", twips(4080, 352, 975, 270));
        row("mq_qz", "Frame3", twips(4200, 352, 855, 270));
    }
    void places()
    {
        QFETCH(QString, name);
        QFETCH(QString, container);
        QFETCH(QRect, place);
        auto *tabs = qobject_cast<QTabWidget *>(w("SSTab1"));
        // Show the page that holds the control so that the tab control has laid it out.
        for (int i = 0; i < tabs->count(); ++i)
            if (tabs->widget(i)->isAncestorOf(w(name.toLatin1().constData())))
                tabs->setCurrentIndex(i);
        QCOMPARE(placeIn(name.toLatin1().constData(), container.toLatin1().constData()), place);
        tabs->setCurrentIndex(0);
    }

    void designTexts()
    {
        auto text = [this](const char *name) {
            if (auto *label = qobject_cast<QLabel *>(w(name)))
                return label->text();
            if (auto *button = qobject_cast<QAbstractButton *>(w(name)))
                return button->text();
            return qobject_cast<QGroupBox *>(w(name))->title();
        };
        QCOMPARE(text("Label21"), u"本答题器已收录完Corvanth最新的每日答题及世界杯答题内容。"_s);
        QCOMPARE(text("Label45"),
                 u"ZembrikCorvanth专区宗旨为广大玩家提供最舒适的服务"_s + QString(13, u' '));
        QCOMPARE(text("Label34"), u"提交我的建议>>>"_s);
        QCOMPARE(text("Label1"), u"查询关键字："_s);
        QCOMPARE(text("Check2"), u"是否始终前置"_s);
        QCOMPARE(
            text("Label2"),
            u"输入完关键字按回车键\"Enter\"，\"↑\"，\"↓\"可快速进入题目显示栏,按删除键\"←\"可返回查询关键字窗口，继续输入关键字"_s);
        QCOMPARE(text("Label3"), u"答案："_s);
        QCOMPARE(text("Label4"), QString());
        QCOMPARE(text("Command12"), u"复制答题"_s);
        QCOMPARE(text("Command7"), u"野外BOSS"_s);
        QCOMPARE(text("Label41"), u"Velmar"_s);
        QCOMPARE(text("Frame5"), u"升级经验"_s);
        QCOMPARE(text("Frame1"), QString());
        QCOMPARE(text("Label47"), u"若当前击杀怪物得到"_s);
        QCOMPARE(text("Label12"), u"分钟可获得经验："_s);
        QCOMPARE(text("Frame2"), u"战魂起始五围"_s);
        QCOMPARE(text("Frame4"), u"战魂当前情况"_s);
        QCOMPARE(text("Frame3"), u"战魂目前五围"_s);
        QCOMPARE(text("Label31"), u"精血："_s);
        QCOMPARE(text("Label27"), u"魂魄："_s);
        QCOMPARE(text("Label33"), u"战魂聚缘等级："_s);
        QCOMPARE(text("Check1"), u"默认值"_s);
        QCOMPARE(text("Command2"), u"开始计算"_s);
        QCOMPARE(text("lbl_result"), u"计算结果："_s);
        QCOMPARE(text("lbl_pingjia"), u"战魂评价："_s);
        QCOMPARE(text("Label46"), u"PS：评估数据仅供参考"_s);
        QCOMPARE(text("Label50"), u"ZembrikCorvanth专区制作"_s);
        QCOMPARE(text("Label7"), QString::fromUtf16(kCollapse));
        QCOMPARE(text("Label7").size(), 100);
    }

    void boxesStartEmptyAndUncheckedWithoutLengthLimit()
    {
        const auto boxes = m_form->findChildren<QLineEdit *>();
        QCOMPARE(boxes.size(), 20); // the query box and nineteen numeric boxes
        for (QLineEdit *box : boxes) {
            QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
            QVERIFY(box->isEnabled());
            QVERIFY(box->maxLength() > 1000000);
        }
        QCOMPARE(qobject_cast<QCheckBox *>(w("Check1"))->checkState(), Qt::Unchecked);
        QCOMPARE(qobject_cast<QCheckBox *>(w("Check2"))->checkState(), Qt::Unchecked);
    }

    void hiddenControlsAreNeverSeen()
    {
        auto *tabs = qobject_cast<QTabWidget *>(w("SSTab1"));
        const char *hidden[] = {"WebBrowser2", "Lis_jy", "Label5", "Label49"};
        for (int width : {868, 470}) {
            m_form->setFixedWidth(width);
            for (int page = 0; page < 3; ++page) {
                tabs->setCurrentIndex(page);
                for (const char *name : hidden) {
                    QWidget *c = w(name);
                    const QRect onForm(c->mapTo(m_form.get(), QPoint(0, 0)), c->size());
                    const bool seen = c->isVisible() && onForm.intersects(m_form->rect());
                    QVERIFY2(!seen, name);
                }
            }
        }
        m_form->setFixedWidth(868);
        tabs->setCurrentIndex(0);
    }

    void viewportShowsOnlyTheMiddleOfThePage()
    {
        QWidget *viewport = w("Picture1");
        QWidget *browser = w("WebBrowser1");
        const QRect shown = browser->geometry().intersected(viewport->rect());
        QCOMPARE(shown, viewport->rect()); // the page fills the whole viewport
        // Page pixels 306..691 across and 404..879 down are the ones in view.
        QCOMPARE(-browser->x(), 306);
        QCOMPARE(-browser->y(), 404);
        // The browser's scroll bars run along its right and bottom edges, out of view.
        QVERIFY(browser->geometry().right() - 20 > viewport->width());
        QVERIFY(browser->geometry().bottom() - 20 > viewport->height());
        // The viewport ends inside the expanded window.
        QVERIFY(viewport->geometry().right() < m_form->width());
    }

    void looks()
    {
        auto colour = [this](const char *name) {
            return w(name)->palette().color(QPalette::WindowText);
        };
        for (const char *name : {"Label35", "Label36", "Label39", "Label40", "Label44", "Label7"}) {
            QCOMPARE(colour(name), QColor(0, 0, 255));
            QCOMPARE(w(name)->cursor().shape(), Qt::PointingHandCursor);
        }
        QCOMPARE(colour("Label34"), QColor(255, 0, 0));
        QVERIFY(w("Label34")->font().underline());
        QCOMPARE(w("Label34")->cursor().shape(), Qt::PointingHandCursor);
        for (const char *name : {"Label46", "Label50"}) {
            QCOMPARE(colour(name), QColor(255, 0, 0));
            QCOMPARE(w(name)->cursor().shape(), Qt::ArrowCursor);
        }
        QCOMPARE(colour("Label21"), QColor(0, 0, 0));
        QCOMPARE(w("ListView1")->font().pointSizeF(), 9.75);
        QCOMPARE(w("Text1")->font().pointSizeF(), 9.0);
    }

    void pictureBoxHoldsA415By440Picture()
    {
        auto *picture = qobject_cast<QLabel *>(w("Picture2"));
        QCOMPARE(picture->contentsRect().size(), QSize(415, 440));
        QCOMPARE(picture->backgroundRole(), QPalette::Base);
    }

    void resultLabelsGrowToTheRight()
    {
        auto *label = qobject_cast<FormLabel *>(w("lbl_result"));
        const QPoint topLeft = label->pos();
        const int before = label->width();
        label->setText(u"计算结果为：1234567.5 and a much longer caption"_s);
        QCOMPARE(label->pos(), topLeft);
        QVERIFY(label->width() > before);
        QVERIFY(label->width() >= label->sizeHint().width());
        label->setText(u"计算结果："_s);
    }

    // A caption that looks like markup is shown as it stands, in every label.
    void labelsShowMarkupLiterally()
    {
        const QString question = u"H<sub>2</sub>O是什么？"_s;
        const auto labels = m_form->findChildren<FormLabel *>();
        QVERIFY(labels.size() > 50);
        for (FormLabel *label : labels)
            QVERIFY2(label->textFormat() == Qt::PlainText, qPrintable(label->objectName()));
        FormLabel *grows = m_form->controls().lbl_result;
        grows->setText(question);
        QVERIFY(grows->width() >= grows->fontMetrics().horizontalAdvance(question));
    }

    void captionChangeIsSignalledAtOnceAndOnlyOnChange()
    {
        auto *label = qobject_cast<FormLabel *>(w("Label49"));
        QStringList seen;
        auto c = connect(label, &FormLabel::captionChanged, this,
                         [&](const QString &text) { seen << text; });
        label->setText(u"3只"_s);
        QCOMPARE(seen, QStringList{u"3只"_s});
        label->setText(u"3只"_s);
        QCOMPARE(seen.size(), 1);
        label->setText(QString());
        QCOMPARE(seen, (QStringList{u"3只"_s, QString()}));
        disconnect(c);
    }

    void focusOrder()
    {
        auto *tabs = qobject_cast<QTabWidget *>(w("SSTab1"));
        auto walk = [&](const QStringList &expected) {
            tabs->tabBar()->setFocus();
            QStringList order;
            QWidget *next = tabs->tabBar();
            for (qsizetype i = 0; i < expected.size(); ++i) {
                do
                    next = next->nextInFocusChain();
                while (!(next->isVisible() && next->isEnabled() &&
                         (next->focusPolicy() & Qt::TabFocus)));
                order << next->objectName();
            }
            QCOMPARE(order, expected);
        };
        tabs->setCurrentIndex(0);
        walk({u"Text1"_s, u"Command1"_s, u"ListView1"_s, u"Check2"_s, u"Command6"_s, u"Command7"_s,
              u"Command8"_s, u"Command9"_s, u"Command10"_s, u"Command11"_s, u"Command12"_s});
        tabs->setCurrentIndex(1);
        walk({u"Text4"_s,    u"Text5"_s,    u"Text3"_s,    u"Text2"_s,  u"Text9"_s,
              u"Text10"_s,   u"Text11"_s,   u"qs_jx"_s,    u"qs_yq"_s,  u"qs_qz"_s,
              u"qs_lq"_s,    u"qs_hp"_s,    u"mq_dj"_s,    u"jy_dj"_s,  u"mq_jx"_s,
              u"mq_yq"_s,    u"mq_qz"_s,    u"mq_lq"_s,    u"mq_hp"_s,  u"Command2"_s,
              u"Command4"_s, u"Command5"_s, u"Command3"_s, u"Check1"_s, u"Command13"_s});
        tabs->setCurrentIndex(0);
    }
};

ZC_TEST_MAIN(TestForm1Design)
#include "tst_form1design.moc"
