// The seventeen web shortcuts of the lookup page as data: which control opens which page. The
// hosts are configuration; the paths are fixed.
#pragma once

#include "app/window/controls.h"

#include <QString>
#include <span>

namespace links {

enum class Host {
    Zone,     // the game's zone on the maker's portal
    Forum,    // the maker's player forum
    Official, // the game's official site
};

struct Link
{
    // The control that opens the page: a button or a label, the other member is null.
    QPushButton *window::Controls::*button;
    FormLabel *window::Controls::*label;
    Host host;
    const char16_t *path;
};

// One row per control, in the order of the window's design.
std::span<const Link> linkTable();

// The configured host of a role.
QString hostName(Host host);

// The plain web address of a row: "http://" + host + path.
QString address(const Link &link);

} // namespace links
