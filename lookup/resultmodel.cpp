#include "lookup/resultmodel.h"

#include "lookup/resultscrollbar.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTreeView>

#include <limits>

using namespace Qt::StringLiterals;

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent)
{}

QModelIndex ResultModel::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || row >= m_count || column < 0 ||
        column >= store::kResultColumnCount)
        return {};
    return createIndex(row, column);
}

Qt::ItemFlags ResultModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return {};
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_count;
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : store::kResultColumnCount;
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return text(index.row(), Column(index.column()));
}

QString ResultModel::text(int row, Column column) const
{
    if (row < 0 || row >= m_count)
        return {};
    return m_rows.text(row, column);
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return Column(section) == Column::Question ? u"题目"_s : u"答案"_s;
}

void ResultModel::setRows(Rows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    // Item views count rows in int; a store has far fewer rows than that.
    m_count = int(std::min<qsizetype>(m_rows.count, std::numeric_limits<int>::max()));
    endResetModel();
}

ResultModel *ResultModel::of(QTreeView *list)
{
    if (auto *model = qobject_cast<ResultModel *>(list->model()))
        return model;
    auto *model = new ResultModel(list);
    list->setModel(model);
    return model;
}

void shapeResultList(QTreeView *list)
{
    ResultModel::of(list);
    list->setHeaderHidden(false);
    // The two columns fill the list's outer width, a little more than fits inside its frame and
    // beside the vertical scroll bar: as in a report-view list, the horizontal scroll bar comes
    // whenever the columns are wider than the visible area, so the end of an answer can always
    // be reached.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // The widths are worked out in single precision from the list's width, as the column
    // headers of the list were always sized.
    const float width = float(list->width());
    list->header()->resizeSection(0, int(width * 3.0f / 4.0f));
    list->header()->resizeSection(1, int(width / 4.0f));
    // While a refill leaves a bar looking as it did, it puts back its last drawing.
    if (!qobject_cast<ResultScrollBar *>(list->verticalScrollBar()))
        list->setVerticalScrollBar(new ResultScrollBar(Qt::Vertical, list));
    if (!qobject_cast<ResultScrollBar *>(list->horizontalScrollBar()))
        list->setHorizontalScrollBar(new ResultScrollBar(Qt::Horizontal, list));
    // Every refill moves the vertical scroll bar's slider. The Fusion style, which the window
    // has wherever the desktop gives it no other, draws a scroll bar that does not fade with its
    // groove filling the whole bar, so the bar is marked opaque there: redrawing it then no
    // longer redraws the page and the frame behind it first.
    for (QScrollBar *bar : {list->verticalScrollBar(), list->horizontalScrollBar()}) {
        if (bar->style()->name().compare(u"fusion"_s, Qt::CaseInsensitive) == 0 &&
            !bar->style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, bar))
            bar->setAttribute(Qt::WA_OpaquePaintEvent);
    }
}
