#include "app/window/quietpage.h"

#include <QAuthenticator>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// Stands in for the new window a silent page asks for: it loads nothing, hands the address of
// its first navigation to the page that asked, and goes.
class NewWindowCatcher : public QWebEnginePage
{
public:
    explicit NewWindowCatcher(QuietPage *opener)
        : QWebEnginePage(opener->profile(), opener), m_opener(opener)
    {}

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame) override
    {
        if (!isMainFrame || url.isEmpty() || url.scheme() == QLatin1String("about"))
            return true;
        if (!m_done) {
            m_done = true;
            emit m_opener->newWindowRequested(url);
            deleteLater();
        }
        return false;
    }

private:
    QuietPage *m_opener;
    bool m_done = false;
};

} // namespace

QuietPage::QuietPage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent)
{
    // A silent page refuses what would otherwise ask the player something.
    connect(this, &QWebEnginePage::authenticationRequired, this,
            [this](const QUrl &, QAuthenticator *auth) {
                if (m_silent)
                    *auth = QAuthenticator();
            });
    connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
            [this](const QUrl &, QAuthenticator *auth, const QString &) {
                if (m_silent)
                    *auth = QAuthenticator();
            });
    connect(this, &QWebEnginePage::featurePermissionRequested, this,
            [this](const QUrl &origin, Feature feature) {
                if (m_silent)
                    setFeaturePermission(origin, feature, PermissionDeniedByUser);
            });
}

void QuietPage::setSilent(bool on)
{
    m_silent = on;
}

void QuietPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (!m_silent)
        QWebEnginePage::javaScriptAlert(securityOrigin, msg);
}

bool QuietPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    return m_silent ? false : QWebEnginePage::javaScriptConfirm(securityOrigin, msg);
}

bool QuietPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                 const QString &defaultValue, QString *result)
{
    return m_silent ? false
                    : QWebEnginePage::javaScriptPrompt(securityOrigin, msg, defaultValue, result);
}

void QuietPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level,
                                         const QString &message, int lineNumber,
                                         const QString &sourceID)
{
    // Script errors of the zone's pages are none of the player's business.
    if (!m_silent)
        QWebEnginePage::javaScriptConsoleMessage(level, message, lineNumber, sourceID);
}

QStringList QuietPage::chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                                   const QStringList &acceptedMimeTypes)
{
    return m_silent ? QStringList()
                    : QWebEnginePage::chooseFiles(mode, oldFiles, acceptedMimeTypes);
}

QWebEnginePage *QuietPage::createWindow(WebWindowType type)
{
    return m_silent ? new NewWindowCatcher(this) : QWebEnginePage::createWindow(type);
}
