// The rows of the result list ListView1: one per match, the question in column "题目" and the
// answer in column "答案".
#pragma once

#include <QAbstractTableModel>
#include <QList>

class QTreeView;

class ResultModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit ResultModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void clear();
    void append(const QString &question, const QString &answer);
    QString question(int row) const { return m_rows.at(row).first; }
    QString answer(int row) const { return m_rows.at(row).second; }

private:
    QList<std::pair<QString, QString>> m_rows;
};

// Report view with the two columns, three quarters and one quarter of the list's width.
void shapeResultList(QTreeView *list);
