// The result list's model: one reset per search, text converted only for the rows asked for,
// and the list's shape at load.
#include "lookup/resultmodel.h"
#include "lookup/resultscrollbar.h"
#include "tests/common/testmain.h"

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTreeView>

#include <set>

using namespace Qt::StringLiterals;

namespace {

// Rows whose text says where it is, recording which rows were read.
ResultModel::Rows countedRows(qsizetype count, const std::shared_ptr<std::set<qsizetype>> &read)
{
    return {count, [read](qsizetype row, ResultModel::Column column) {
                read->insert(row);
                return u"%1:%2"_s.arg(row).arg(int(column));
            }};
}

} // namespace

class TestResultModel : public QObject
{
    Q_OBJECT
private slots:
    void aSearchRefillsTheListInOneReset()
    {
        ResultModel model;
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        QSignalSpy inserts(&model, &QAbstractItemModel::rowsInserted);
        auto read = std::make_shared<std::set<qsizetype>>();
        model.setRows(countedRows(100000, read));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(inserts.size(), 0);
        QCOMPARE(model.rowCount(), 100000);
        QCOMPARE(model.columnCount(), 2);
        QVERIFY(read->empty());
        model.setRows({});
        QCOMPARE(resets.size(), 2);
        QCOMPARE(model.rowCount(), 0);
    }

    void textIsReadPerRowAndColumn()
    {
        ResultModel model;
        auto read = std::make_shared<std::set<qsizetype>>();
        model.setRows(countedRows(5, read));
        QCOMPARE(model.index(3, 0).data().toString(), u"3:0"_s);
        QCOMPARE(model.index(3, 1).data().toString(), u"3:1"_s);
        QCOMPARE(model.question(4), u"4:0"_s);
        QCOMPARE(model.answer(0), u"0:1"_s);
        QCOMPARE(*read, (std::set<qsizetype>{0, 3, 4}));
        QVERIFY(!model.index(3, 0).data(Qt::EditRole).isValid());
        QVERIFY(!model.index(5, 0).isValid());
        QCOMPARE(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), u"题目"_s);
        QCOMPARE(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), u"答案"_s);
        QVERIFY(!model.headerData(0, Qt::Vertical, Qt::DisplayRole).isValid());
    }

    void aShownListReadsOnlyTheRowsOnScreen()
    {
        QTreeView list;
        list.setUniformRowHeights(true);
        list.resize(409, 185);
        shapeResultList(&list);
        auto read = std::make_shared<std::set<qsizetype>>();
        ResultModel::of(&list)->setRows(countedRows(100000, read));
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        list.viewport()->repaint();
        QVERIFY2(!read->empty(), "no row was read to paint the list");
        QVERIFY2(read->size() < 100, qPrintable(QString::number(read->size())));
        QVERIFY2(*read->rbegin() < 100,
                 qPrintable(u"row %1 read at the top"_s.arg(*read->rbegin())));
        read->clear();
        list.scrollToBottom();
        list.viewport()->repaint();
        QVERIFY2(read->count(99999), "the last row was not read at the bottom");
        QVERIFY2(read->size() < 100, qPrintable(QString::number(read->size())));
    }

    // A result bar puts back its last drawing while it looks the same; whatever the change, it
    // must show exactly what a plain scroll bar in the same state shows.
    void aResultBarShowsWhatAPlainBarShows_data()
    {
        QTest::addColumn<Qt::Orientation>("orientation");
        QTest::addColumn<QList<int>>("before"); // minimum, maximum, value
        QTest::addColumn<QList<int>>("after");
        QTest::addColumn<bool>("enabled");
        const auto v = Qt::Vertical;
        QTest::newRow("more rows, slider as short as it gets")
            << v << QList{0, 19129, 0} << QList{0, 91462, 0} << true;
        QTest::newRow("fewer rows, longer slider")
            << v << QList{0, 19129, 0} << QList{0, 28, 0} << true;
        QTest::newRow("the slider moves") << v << QList{0, 1000, 0} << QList{0, 1000, 500} << true;
        QTest::newRow("at the end") << v << QList{0, 1000, 999} << QList{0, 1000, 1000} << true;
        QTest::newRow("nothing to scroll") << v << QList{0, 100, 0} << QList{0, 0, 0} << true;
        QTest::newRow("disabled") << v << QList{0, 50, 0} << QList{0, 50, 0} << false;
        QTest::newRow("horizontal, unchanged")
            << Qt::Horizontal << QList{0, 15, 0} << QList{0, 15, 0} << true;
        QTest::newRow("horizontal, scrolled")
            << Qt::Horizontal << QList{0, 15, 0} << QList{0, 15, 15} << true;
    }
    void aResultBarShowsWhatAPlainBarShows()
    {
        QFETCH(Qt::Orientation, orientation);
        QFETCH(QList<int>, before);
        QFETCH(QList<int>, after);
        QFETCH(bool, enabled);
        ResultScrollBar result(orientation);
        QScrollBar plain(orientation);
        const QSize size = orientation == Qt::Vertical ? QSize(14, 169) : QSize(393, 14);
        for (QScrollBar *bar : {static_cast<QScrollBar *>(&result), &plain}) {
            bar->resize(size);
            bar->setPageStep(8);
            bar->setEnabled(enabled);
            bar->setAttribute(Qt::WA_OpaquePaintEvent);
        }
        for (const QList<int> &state : {before, after, before}) {
            for (QScrollBar *bar : {static_cast<QScrollBar *>(&result), &plain}) {
                bar->setRange(state[0], state[1]);
                bar->setValue(state[2]);
            }
            const QImage shown = result.grab().toImage();
            QCOMPARE(shown, plain.grab().toImage());
            // The same state once more is drawn from the kept picture.
            QCOMPARE(result.grab().toImage(), shown);
        }
    }

    void theListIsShapedIntoTwoColumnsOfItsWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        // Three quarters and one quarter, each cut to whole pixels.
        QTest::newRow("design width 409") << 409 << 306 << 102;
        QTest::newRow("divisible 400") << 400 << 300 << 100;
        QTest::newRow("odd 7") << 7 << 5 << 1;
    }
    void theListIsShapedIntoTwoColumnsOfItsWidth()
    {
        QFETCH(int, width);
        QFETCH(int, first);
        QFETCH(int, second);
        QTreeView list;
        list.header()->setStretchLastSection(false);
        list.header()->setMinimumSectionSize(0);
        list.resize(width, 100);
        shapeResultList(&list);
        QCOMPARE(list.model()->columnCount(), 2);
        QCOMPARE(list.columnWidth(0), first);
        QCOMPARE(list.columnWidth(1), second);
        QVERIFY(!list.isHeaderHidden());
        // Shaping again keeps the model and whatever it lists.
        ResultModel *model = ResultModel::of(&list);
        model->setRows(countedRows(3, std::make_shared<std::set<qsizetype>>()));
        shapeResultList(&list);
        QCOMPARE(list.model(), model);
        QCOMPARE(model->rowCount(), 3);
    }
};

ZC_TEST_MAIN(TestResultModel)
#include "tst_resultmodel.moc"
