#include "lookup/lookuppage.h"

#include "app/window/controls.h"
#include "app/window/design.h"
#include "app/window/formlabel.h"
#include "lookup/copytext.h"
#include "lookup/notice.h"
#include "lookup/resultmodel.h"
#include "lookup/store/store.h"
#include "lookup/storenotice.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

using namespace Qt::StringLiterals;

LookupPage::LookupPage(const window::Controls &controls, std::shared_ptr<store::StoreReader> reader)
    : m_text1(controls.Text1), m_listView1(controls.ListView1), m_label2(controls.Label2),
      m_label4(controls.Label4), m_command1(controls.Command1), m_command12(controls.Command12),
      m_reader(reader ? std::move(reader) : std::make_shared<store::StoreReader>()),
      m_session(std::make_unique<store::StoreSession>(m_reader))
{
    connect(m_text1, &QLineEdit::textChanged, this, &LookupPage::Text1_Change);
    connect(m_listView1, &QAbstractItemView::clicked, this, &LookupPage::ListView1_ItemClick);
    connect(m_command12, &QPushButton::clicked, this, &LookupPage::Command12_Click);
    connect(m_command1, &QPushButton::clicked, this, &LookupPage::Command1_Click);
    m_text1->installEventFilter(this);
    m_listView1->installEventFilter(this);
}

LookupPage::~LookupPage() = default;

bool LookupPage::eventFilter(QObject *watched, QEvent *event)
{
    // The handlers only look: every key still reaches its control afterwards.
    if (watched == m_text1 && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        Text1_KeyDown(key->key());
        if (!key->text().isEmpty())
            Text1_KeyPress(key->text());
    } else if (watched == m_listView1 && event->type() == QEvent::KeyPress) {
        ListView1_KeyDown(static_cast<QKeyEvent *>(event)->key());
    } else if (watched == m_listView1 && event->type() == QEvent::FocusIn) {
        // Focus coming back with the whole window, or after a menu, is no move into the list.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            ListView1_GotFocus();
    }
    return QObject::eventFilter(watched, event);
}

void LookupPage::Text1_Change()
{
    const QString text = m_text1->text();
    if (text.isEmpty())
        return;
    // A store that is missing or cannot be read changes nothing on screen.
    if (!OpenStoreQuery(text))
        return;
    // The list is emptied and refilled with every match in one go. It keeps this search's rows
    // for as long as it shows them, after the session has moved on to the next query, and
    // reads a row's text only when that row is drawn. A null field reads as empty text.
    std::shared_ptr<const store::RecordSet> rows = m_session->currentRecordSet();
    showRows({rows->recordCount(), [rows](qsizetype row, ResultModel::Column column) {
                  return rows->text(row, column);
              }});
}

void LookupPage::showRows(ResultModel::Rows rows)
{
    ResultModel *model = resultModel();
    model->setRows(std::move(rows));
    if (model->rowCount() == 0)
        return; // no first item: the display pair keeps the previous match
    m_listView1->scrollToTop();
    m_listView1->selectionModel()->setCurrentIndex(
        model->index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_label2->setText(model->question(0));
    m_label4->setText(model->answer(0));
}

void LookupPage::Text1_KeyDown(int key)
{
    // Both Enter keys, the up and the down arrow.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Up || key == Qt::Key_Down)
        m_listView1->setFocus(Qt::OtherFocusReason);
}

void LookupPage::Text1_KeyPress(const QString &text)
{
    // A carriage return however typed (Enter, or Ctrl+M on a desktop that sends it).
    if (text == u"\r"_s)
        m_listView1->setFocus(Qt::OtherFocusReason);
}

void LookupPage::ListView1_GotFocus()
{
    const int row = selectedRow();
    if (row < 0) {
        m_text1->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (resultModel()->question(row).isEmpty())
        return;
    ListView1_ItemClick();
}

void LookupPage::ListView1_ItemClick()
{
    // The selected row, whichever item the event was about.
    const int row = selectedRow();
    if (row < 0)
        return;
    ResultModel *model = resultModel();
    m_label2->setText(model->question(row));
    m_label4->setText(model->answer(row));
}

void LookupPage::ListView1_KeyDown(int key)
{
    // Backspace only: the left arrow stays the list's own key.
    if (key == Qt::Key_Backspace)
        m_text1->setFocus(Qt::OtherFocusReason);
}

void LookupPage::Command12_Click()
{
    QClipboard *clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(lookup::copyText(m_label2->text(), m_label4->text()));
}

void LookupPage::Command1_Click()
{
    m_text1->setText(QString());
    m_label2->setText(window::usageHint());
    m_label4->setText(QString());
    m_text1->setFocus(Qt::OtherFocusReason);
}

ResultModel *LookupPage::resultModel()
{
    ResultModel *model = ResultModel::of(m_listView1);
    // The list gets its model when it is shaped at load; its selection drives the display
    // pair from then on.
    if (m_watchedSelection != m_listView1->selectionModel()) {
        m_watchedSelection = m_listView1->selectionModel();
        connect(m_watchedSelection, &QItemSelectionModel::selectionChanged, this,
                &LookupPage::ListView1_ItemClick);
    }
    return model;
}

int LookupPage::selectedRow() const
{
    const QItemSelectionModel *selection = m_listView1->selectionModel();
    if (!selection || !qobject_cast<ResultModel *>(m_listView1->model()))
        return -1;
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

bool LookupPage::OpenStoreQuery(const QString &text)
{
    // The session builds the connection string from the program's folder as it is now and
    // checks the file anew; the text is bound to the statement, never pasted into it.
    const std::optional<store::StoreError> error = m_session->OpenStoreQuery(
        QString::fromUtf16(store::kSearchStatement), store::searchParameters(text));
    if (error) {
        noticeRefusedStore(*error);
        return false;
    }
    m_refusalNoticed.clear();
    return true;
}

void LookupPage::noticeRefusedStore(const store::StoreError &error)
{
    // Only a store that could not be opened: a statement that failed on an open store is no
    // news about the file.
    if (m_session->currentConnection()->isOpen())
        return;
    // The shipped store is the program's own business; the player's is the player's, who
    // would otherwise see every search do nothing and never learn why.
    const store::StoreLocation where = m_reader->location();
    if (!where.playersOwn)
        return;
    const QString notice = lookup::storeNotice(where.path(), error);
    // Once: typing on over the same broken file says nothing more.
    if (notice == m_refusalNoticed)
        return;
    m_refusalNoticed = notice;
    lookup::showNotice(m_text1, notice);
}
