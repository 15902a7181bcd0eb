#include "app/singleinstance.h"
#include "siteconfig.h"

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QLoggingCategory>
#include <QWidget>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace app {

namespace {

Q_LOGGING_CATEGORY(lcInstance, "zc.instance", QtWarningMsg)

// What a later copy says, and the running copy's answer.
constexpr char kShow[] = "show\n";
constexpr char kShown[] = "shown\n";
constexpr int kAnswerWaitMs = 2000;
constexpr int kLockWaitMs = 5000;

} // namespace

SingleInstance::SingleInstance(QString socketPath, QObject *parent)
    : QObject(parent), m_path(std::move(socketPath))
{
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
}

bool SingleInstance::claim()
{
    // A lock left by a copy that crashed is stale once its process is gone: QLockFile
    // takes it over.
    QLockFile lock(m_path + u".lock"_s);
    if (!lock.tryLock(kLockWaitMs))
        qCDebug(lcInstance) << "lock" << lock.fileName() << "not taken; going on";

    QLocalSocket running;
    running.connectToServer(m_path);
    if (running.waitForConnected(kAnswerWaitMs)) {
        running.write(kShow);
        running.waitForBytesWritten(kAnswerWaitMs);
        // Its answer, or its going: either way it has had the request.
        running.waitForReadyRead(kAnswerWaitMs);
        qCDebug(lcInstance) << "another copy runs on" << m_path;
        return false;
    }
    // Nobody answers: any socket file there is a crashed copy's.
    QLocalServer::removeServer(m_path);
    if (!m_server.listen(m_path))
        qCDebug(lcInstance) << "cannot listen on" << m_path << ":" << m_server.errorString();
    return true;
}

void SingleInstance::answer()
{
    while (QLocalSocket *later = m_server.nextPendingConnection()) {
        connect(later, &QLocalSocket::disconnected, later, &QObject::deleteLater);
        connect(later, &QLocalSocket::readyRead, this, [this, later] {
            if (!later->canReadLine())
                return;
            if (later->readLine() == kShow) {
                emit showRequested();
                later->write(kShown);
            }
            later->disconnectFromServer();
        });
    }
}

QString instanceSocketPath()
{
    // One copy per display: the same user may run one on each of two desktops.
    QString display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("WAYLAND_DISPLAY");
    for (QChar &c : display)
        if (!c.isLetterOrNumber() && c != u'.')
            c = u'_';
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QString name = QString::fromUtf16(site::applicationName);
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + u'/' + name + u'-' + display;
    return QDir::tempPath() + u"/%1-%2-"_s.arg(name).arg(::getuid()) + display;
}

void bringToFront(QWidget *window)
{
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->show();
    window->raise();
    window->activateWindow();
}

} // namespace app
