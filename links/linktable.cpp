#include "links/linktable.h"

#include "siteconfig.h"

namespace links {
namespace {

constexpr Link table[] = {
    {"Command6", Host::Zone, u"/zhanhun/index.html"},
    {"Command7", Host::Zone, u"/cv/gx/zhjy/529918.shtml"},
    {"Command8", Host::Zone, u"/cv/gx/736896.shtml"},
    {"Command9", Host::Zone, u"/cv/gx/736898.shtml"},
    {"Command10", Host::Zone, u"/zl/186532.shtml"},
    {"Command11", Host::Zone, u"/cv/gx/zyxd/vlm/117468.shtml"},
    {"Label34", Host::Zone, u"/cv/gx/736896.shtml"},
    {"Label35", Host::Zone, u"/"},
    {"Label36", Host::Official, u"/"},
    {"Label37", Host::Zone, u"/cv/gx/fb/index.shtml"},
    {"Label38", Host::Zone, u"/cv/gx/jt/index.shtml"},
    {"Label39", Host::Forum, u"/forum-2062-1.html"},
    {"Label40", Host::Zone, u"/cv/gx/zyxd/index.shtml"},
    {"Label41", Host::Zone, u"/cv/gx/zyxd/vlm/index.shtml"},
    {"Label42", Host::Zone, u"/cv/gx/zyxd/osk/index.shtml"},
    {"Label43", Host::Zone, u"/cv/gx/zyxd/trn/index.shtml"},
    {"Label44", Host::Zone, u"/cv/gx/zyxd/ysl/index.shtml"},
};

} // namespace

std::span<const Link> linkTable()
{
    return table;
}

QString hostName(Host host)
{
    switch (host) {
    case Host::Zone:
        return QString::fromUtf16(site::zoneHost);
    case Host::Forum:
        return QString::fromUtf16(site::forumHost);
    case Host::Official:
        return QString::fromUtf16(site::officialHost);
    }
    Q_UNREACHABLE();
    return {};
}

QString address(const Link &link)
{
    return QStringLiteral("http://") + hostName(link.host) + QString::fromUtf16(link.path);
}

} // namespace links
