#include "tests/common/messageboxwatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

MessageBoxWatcher::MessageBoxWatcher()
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &MessageBoxWatcher::poll);
    m_timer.start();
}

QStringList MessageBoxWatcher::texts() const
{
    QStringList out;
    for (const SeenMessageBox &box : m_seen)
        out << box.text;
    return out;
}

void MessageBoxWatcher::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("zcSeen").toBool())
        return;
    box->setProperty("zcSeen", true);
    m_seen.append({box->windowTitle(), box->text(), int(box->icon()), int(box->buttons().size())});
    if (QAbstractButton *ok = box->button(QMessageBox::Ok))
        ok->click();
    else
        box->reject();
}
