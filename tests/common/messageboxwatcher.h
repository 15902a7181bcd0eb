// Answers the program's modal message boxes in tests: while a watcher lives, every QMessageBox
// that becomes the active modal window is recorded and closed with its OK button. The box is
// the program's real one, shown by the real code path.
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

class QMessageBox;

struct SeenMessageBox
{
    QString title;
    QString text;
    int icon = 0;        // QMessageBox::Icon
    int buttonCount = 0; // buttons the box offered
};

class MessageBoxWatcher : public QObject
{
    Q_OBJECT
public:
    MessageBoxWatcher();
    const QList<SeenMessageBox> &seen() const { return m_seen; }
    qsizetype count() const { return m_seen.size(); }
    QStringList texts() const;
    void clear() { m_seen.clear(); }

private:
    void poll();
    QTimer m_timer;
    QList<SeenMessageBox> m_seen;
};
