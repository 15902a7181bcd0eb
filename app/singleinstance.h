// One copy of the program per user and display. The first copy listens on a local socket in
// the user's runtime folder; a copy started while it runs finds it there, asks it to bring
// its window to the front, and ends. So two copies never fight over the global capture key.
//
// A copy that crashed leaves its socket file behind: nobody answers on it, so the next copy
// takes its place. A lock file held for the moment of looking and listening keeps two copies
// started at the same instant from both becoming the first.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class QWidget;

namespace app {

class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `socketPath` is a full path; see instanceSocketPath().
    explicit SingleInstance(QString socketPath, QObject *parent = nullptr);

    // True when this process is the program's copy (it now listens for later ones); false
    // when another copy runs and has been asked to show itself.
    bool claim();

signals:
    // A later copy was started: the window should come to the front.
    void showRequested();

private:
    void answer();

    QString m_path;
    QLocalServer m_server;
};

// $XDG_RUNTIME_DIR/zembrik-corvanth-DISPLAY (or, without a runtime folder, the same name with
// the user's id in the temporary folder): one per user and display.
QString instanceSocketPath();

// Brings `window` to the front, from a minimised state too.
void bringToFront(QWidget *window);

} // namespace app
