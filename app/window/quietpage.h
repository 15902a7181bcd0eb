// A web page that can be told to stay silent: no dialog boxes of its own (script errors,
// JavaScript alerts, confirmations, prompts, file choosers, log-in requests). A new window it
// asks for (a link with target=_blank, window.open) is never made: a silent page only names the
// address the window would have loaded, through newWindowRequested.
#pragma once

#include <QUrl>
#include <QWebEnginePage>

class QuietPage : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit QuietPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    void setSilent(bool on);
    bool isSilent() const { return m_silent; }

signals:
    void newWindowRequested(const QUrl &url);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                          const QString &defaultValue, QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                  int lineNumber, const QString &sourceID) override;
    QStringList chooseFiles(FileSelectionMode mode, const QStringList &oldFiles,
                            const QStringList &acceptedMimeTypes) override;
    QWebEnginePage *createWindow(WebWindowType type) override;

private:
    bool m_silent = false;
};
