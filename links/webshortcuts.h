// The web shortcuts of the lookup page: six buttons and eleven labels, each opening its page of
// the link table in the system's default browser.
#pragma once

#include "app/window/controls.h"

#include <QObject>

namespace links {
struct Link;

// Hands the row's address to the desktop's opener (xdg-open on Linux), which opens it in the
// default browser. No window state is asked for: the opener takes none, so the browser opens
// its window, or a tab, as the player has set it up (docs/differences.md). Every call opens the
// page again; the result is not examined.
void openLink(const Link &link);
} // namespace links

class WebShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit WebShortcuts(const window::Controls &controls);
};
