#include "lookup/resultmodel.h"

#include <QHeaderView>
#include <QTreeView>

using namespace Qt::StringLiterals;

ResultModel::ResultModel(QObject *parent) : QAbstractTableModel(parent) {}

int ResultModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ResultModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ResultModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    const auto &row = m_rows.at(index.row());
    return index.column() == 0 ? row.first : row.second;
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? u"题目"_s : u"答案"_s;
}

void ResultModel::clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ResultModel::append(const QString &question, const QString &answer)
{
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append({question, answer});
    endInsertRows();
}

void shapeResultList(QTreeView *list)
{
    auto *model = new ResultModel(list);
    list->setModel(model);
    list->setHeaderHidden(false);
    // The two columns fill the list's outer width, a little more than fits inside its frame;
    // a horizontal scroll bar for those two pixels would only hide a row.
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // The widths are worked out in single precision from the list's width, as the column
    // headers of the list were always sized.
    const float width = float(list->width());
    list->header()->resizeSection(0, int(width * 3.0f / 4.0f));
    list->header()->resizeSection(1, int(width / 4.0f));
}
