#include "links/webshortcuts.h"

#include "app/window/form1.h"
#include "app/window/formlabel.h"
#include "links/linktable.h"

#include <QAbstractButton>

#ifdef Q_OS_WIN
#include <shellapi.h>
#include <windows.h>
#else
#include <QDesktopServices>
#include <QUrl>
#endif

namespace links {

void openLink(const Link &link)
{
    const QString target = address(link);
#ifdef Q_OS_WIN
    // Narrow strings in the ANSI code page; the addresses are plain ASCII.
    ShellExecuteA(nullptr, "open", target.toLocal8Bit().constData(), nullptr, nullptr,
                  SW_SHOWMAXIMIZED);
#else
    QDesktopServices::openUrl(QUrl(target));
#endif
}

} // namespace links

WebShortcuts::WebShortcuts(Form1 &form)
{
    for (const links::Link &link : links::linkTable()) {
        auto *control = form.control<QWidget>(link.control);
        const auto open = [&link] { links::openLink(link); };
        if (auto *button = qobject_cast<QAbstractButton *>(control))
            connect(button, &QAbstractButton::clicked, this, open);
        else
            connect(form.control<FormLabel>(link.control), &FormLabel::clicked, this, open);
    }
}
