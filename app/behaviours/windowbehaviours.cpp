#include "app/behaviours/windowbehaviours.h"

#include "app/window/design.h"
#include "app/window/formlabel.h"
#include "app/window/quietpage.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QUrl>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineView>
#include <QWindow>

using namespace Qt::StringLiterals;

namespace behaviours {

StripStep stripStep(QStringView caption)
{
    if (caption == QStringView(window::kExpandText))
        return {kExpandedWidth, QString::fromUtf16(window::kCollapseText)};
    return {kCollapsedWidth, QString::fromUtf16(window::kExpandText)};
}

int checkValue(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked:
        return 0;
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    }
    return 0;
}

bool staysOnTop(int checkValue)
{
    return checkValue == 1;
}

QString viewportHookScript()
{
    // Runs in the program's own script world, so the page's scripts can neither reach the
    // listeners to remove them nor replace preventDefault under them. Registered on the window
    // in the capture phase before any script of the page runs, the listeners see every context
    // menu and wheel turn first; wheel listeners must say they are not passive, or the engine
    // scrolls without waiting for them. Rewriting the document (document.open) drops every
    // listener of the window; the observer sees the document's element replaced and puts them
    // back. Running the script again only re-registers the same listeners, which is a no-op.
    return uR"js(
(function () {
    if (typeof window.zcViewportHook === 'function') {
        window.zcViewportHook();
        return;
    }
    const cancel = function (event) { event.preventDefault(); };
    const options = { capture: true, passive: false };
    const hook = function () {
        window.addEventListener('contextmenu', cancel, options);
        window.addEventListener('wheel', cancel, options);
    };
    window.zcViewportHook = hook;
    hook();
    new MutationObserver(hook).observe(document, { childList: true });
})();
)js"_s;
}

bool opensInSystemBrowser(const QUrl &url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace behaviours

WindowBehaviours::WindowBehaviours(const window::Controls &controls)
    : m_form(controls.Form1), m_check2(controls.Check2), m_label7(controls.Label7),
      m_browser(controls.WebBrowser1)
{
    // A value set by the program runs the click handling too, as a click does.
    connect(m_check2, &QCheckBox::stateChanged, this, &WindowBehaviours::Check2_Click);
    connect(m_label7, &FormLabel::clicked, this, &WindowBehaviours::Label7_Click);

    // Every document of the viewport, in every frame, takes the hook as soon as it exists, so a
    // page reached through a clicked link is held like the first one.
    QWebEngineScript hook;
    hook.setName(u"viewport"_s);
    hook.setSourceCode(behaviours::viewportHookScript());
    hook.setInjectionPoint(QWebEngineScript::DocumentCreation);
    hook.setWorldId(QWebEngineScript::ApplicationWorld);
    hook.setRunsOnSubFrames(true);
    m_browser->page()->scripts().insert(hook);
    connect(m_browser->page(), &QWebEnginePage::loadFinished, this,
            &WindowBehaviours::WebBrowser1_NavigateComplete2);

    // A link that wants a new window opens in the system's browser, as the shortcuts do.
    if (auto *quiet = qobject_cast<QuietPage *>(m_browser->page()))
        connect(quiet, &QuietPage::newWindowRequested, this,
                &WindowBehaviours::WebBrowser1_NewWindow);

    // The view's own menu would otherwise open when the engine asks for one.
    m_browser->setContextMenuPolicy(Qt::NoContextMenu);
}

void WindowBehaviours::Check2_Click()
{
    setStaysOnTop(behaviours::staysOnTop(behaviours::checkValue(m_check2->checkState())));
}

void WindowBehaviours::Label7_Click()
{
    const behaviours::StripStep step = behaviours::stripStep(m_label7->text());
    setOuterWidth(step.outerWidth);
    m_label7->setText(step.caption);
}

void WindowBehaviours::WebBrowser1_NavigateComplete2()
{
    // Hooks a document that came into being before the hook was installed, and repeats it for
    // one that has it already. A document that cannot run scripts is left as it is.
    m_browser->page()->runJavaScript(behaviours::viewportHookScript(),
                                     QWebEngineScript::ApplicationWorld);
}

void WindowBehaviours::WebBrowser1_NewWindow(const QUrl &url)
{
    if (behaviours::opensInSystemBrowser(url))
        QDesktopServices::openUrl(url);
}

void WindowBehaviours::setStaysOnTop(bool on)
{
    Qt::WindowFlags flags = m_form->windowFlags();
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (flags == m_form->windowFlags())
        return;
    QWindow *native = m_form->windowHandle();
    if (!native) {
        // Not on the screen yet: the flag is taken when the window is created.
        m_form->setWindowFlags(flags);
        return;
    }
    // QWidget::setWindowFlags would hide the window and map it anew, which lets the window
    // manager place it again and drops the focus. The native window takes the flag as it is: on
    // X11 Qt asks the window manager for the above state of the mapped window.
    const QPoint topLeft = m_form->pos();
    m_form->overrideWindowFlags(flags);
    native->setFlags(flags);
    if (m_form->pos() != topLeft)
        m_form->move(topLeft);
}

int WindowBehaviours::frameWidth() const
{
    // A shown window has its real frame, which is none at all without a window manager; before
    // it is shown the design's frame stands in.
    if (m_form->isVisible() && m_form->windowHandle())
        return m_form->frameGeometry().width() - m_form->width();
    return 2 * behaviours::kDesignFrame;
}

void WindowBehaviours::setOuterWidth(int twips)
{
    // The window has a fixed size: its fixed width is its client width. Resizing keeps the left
    // edge, the top and the height.
    m_form->setFixedWidth(window::px(twips) - frameWidth());
}
