// The seventeen web shortcuts of the lookup page as data: which control opens which page. The
// hosts are configuration; the paths are fixed.
#pragma once

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
    const char *control; // design name of the button or label
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
