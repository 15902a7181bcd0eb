// The web shortcuts of the lookup page: six buttons and eleven labels, each opening its page of
// the link table in the system's default browser.
#pragma once

#include "app/window/controls.h"

#include <QObject>

namespace links {
struct Link;

// Hands the row's address to the system, which opens it in the default browser, maximized where
// the system lets the program ask for that. Every call opens the page again; the result is not
// examined.
void openLink(const Link &link);
} // namespace links

class WebShortcuts : public QObject
{
    Q_OBJECT
public:
    explicit WebShortcuts(const window::Controls &controls);
};
