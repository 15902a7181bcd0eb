// The answer lookup on page 0: the query box Text1, the result list ListView1, the display pair
// Label2 (question) and Label4 (answer), Command12 (copy) and Command1 (clear).
//
// Every change of Text1 to a non-empty text queries the store "crvt.dat" (the player's own, or
// the one beside the program) and refills the list; Enter or an arrow key goes from the box to
// the list, Backspace goes back, and whatever row is selected in the list shows in the display
// pair. A player's own store that cannot be read leaves the screen as it was and is said once
// in a passing notice below Text1.
#pragma once

#include <QObject>
#include <QPointer>

#include "lookup/resultmodel.h"

#include <memory>

class FormLabel;
class QLineEdit;
class QItemSelectionModel;
class QPushButton;
class QTreeView;

namespace window {
struct Controls;
}

namespace store {
class StoreReader;
class StoreSession;
} // namespace store

class LookupPage : public QObject
{
    Q_OBJECT
public:
    // `reader` is where the store is read from: by default the program's store.
    explicit LookupPage(const window::Controls &controls,
                        std::shared_ptr<store::StoreReader> reader = {});
    ~LookupPage() override;

    // The reader the search reads the store through, for capture to read the same store.
    const std::shared_ptr<store::StoreReader> &storeReader() const { return m_reader; }

    void Text1_Change();
    void Text1_KeyDown(int key);
    void Text1_KeyPress(const QString &text);
    void ListView1_GotFocus();
    void ListView1_ItemClick();
    void ListView1_KeyDown(int key);
    void Command12_Click();
    void Command1_Click();

    // Fills the list with `rows` in their order and shows the first in the display pair, as a
    // search does; no rows leave the screen as it was.
    void showRows(ResultModel::Rows rows);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Runs the search for `text` on the store, leaving its record set current; false when the
    // store could not be opened or the statement failed.
    bool OpenStoreQuery(const QString &text);
    // Says once that the player's own store cannot be read.
    void noticeRefusedStore(const store::StoreError &error);
    ResultModel *resultModel();
    int selectedRow() const;

    QLineEdit *m_text1;
    QTreeView *m_listView1;
    FormLabel *m_label2;
    FormLabel *m_label4;
    QPushButton *m_command1;
    QPushButton *m_command12;
    std::shared_ptr<store::StoreReader> m_reader;
    // The store connection of the latest query, replaced by every query.
    std::unique_ptr<store::StoreSession> m_session;
    QString m_refusalNoticed; // the notice said about the store, until it is read again
    QPointer<QItemSelectionModel> m_watchedSelection;
};
