#include "links/linktable.h"

#include "siteconfig.h"

namespace links {
namespace {

using C = window::Controls;

constexpr Link kTable[] = {
    {&C::Command6, nullptr, Host::Zone, u"/zhanhun/index.html"},
    {&C::Command7, nullptr, Host::Zone, u"/cv/gx/zhjy/529918.shtml"},
    {&C::Command8, nullptr, Host::Zone, u"/cv/gx/736896.shtml"},
    {&C::Command9, nullptr, Host::Zone, u"/cv/gx/736898.shtml"},
    {&C::Command10, nullptr, Host::Zone, u"/zl/186532.shtml"},
    {&C::Command11, nullptr, Host::Zone, u"/cv/gx/zyxd/vlm/117468.shtml"},
    {nullptr, &C::Label34, Host::Zone, u"/cv/gx/736896.shtml"},
    {nullptr, &C::Label35, Host::Zone, u"/"},
    {nullptr, &C::Label36, Host::Official, u"/"},
    {nullptr, &C::Label37, Host::Zone, u"/cv/gx/fb/index.shtml"},
    {nullptr, &C::Label38, Host::Zone, u"/cv/gx/jt/index.shtml"},
    {nullptr, &C::Label39, Host::Forum, u"/forum-2062-1.html"},
    {nullptr, &C::Label40, Host::Zone, u"/cv/gx/zyxd/index.shtml"},
    {nullptr, &C::Label41, Host::Zone, u"/cv/gx/zyxd/vlm/index.shtml"},
    {nullptr, &C::Label42, Host::Zone, u"/cv/gx/zyxd/osk/index.shtml"},
    {nullptr, &C::Label43, Host::Zone, u"/cv/gx/zyxd/trn/index.shtml"},
    {nullptr, &C::Label44, Host::Zone, u"/cv/gx/zyxd/ysl/index.shtml"},
};

} // namespace

std::span<const Link> linkTable()
{
    return kTable;
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
