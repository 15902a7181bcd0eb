// The rows of the result list ListView1: one per match, the question in column "题目" and the
// answer in column "答案".
//
// A search may match every row of the store. The model therefore holds no text of its own: it
// keeps the matches where the query left them and converts a row's text only when the view
// asks for it, which is for the rows on screen. Refilling the list is one model reset.
#pragma once

#include "lookup/store/recordset.h"

#include <QAbstractTableModel>

#include <functional>

class QTreeView;

class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The matches of one search: how many, and the text of a row's question or answer, empty
    // for a null field. The accessor keeps whatever it reads from alive. The list's columns
    // are the store's result columns, in their order.
    using Column = store::ResultColumn;
    struct Rows
    {
        qsizetype count = 0;
        std::function<QString(qsizetype row, Column column)> text;
    };

    explicit ResultModel(QObject *parent = nullptr);

    // The list lays out every row at each refill, asking for each row's index and flags: both
    // are answered here without the generic checks.
    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Empties the list and fills it with `rows`, in their order, in one reset.
    void setRows(Rows rows);
    // The text of a listed row; empty past the end.
    QString question(int row) const { return text(row, Column::Question); }
    QString answer(int row) const { return text(row, Column::Answer); }

    // The list's model; a list that has none yet gets an empty one.
    static ResultModel *of(QTreeView *list);

private:
    QString text(int row, Column column) const;

    Rows m_rows;
    int m_count = 0;
};

// Report view with the two columns, three quarters and one quarter of the list's width.
void shapeResultList(QTreeView *list);
