#include "links/webshortcuts.h"

#include "app/window/formlabel.h"
#include "links/linktable.h"

#include <QDesktopServices>
#include <QPushButton>
#include <QUrl>

namespace links {

void openLink(const Link &link)
{
    QDesktopServices::openUrl(QUrl(address(link)));
}

} // namespace links

WebShortcuts::WebShortcuts(const window::Controls &controls)
{
    for (const links::Link &link : links::linkTable()) {
        const auto open = [&link] { links::openLink(link); };
        if (link.button)
            connect(controls.*link.button, &QAbstractButton::clicked, this, open);
        else
            connect(controls.*link.label, &FormLabel::clicked, this, open);
    }
}
