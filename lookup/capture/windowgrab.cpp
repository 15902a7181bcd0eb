#include "lookup/capture/windowgrab.h"

#include "lookup/capture/windowstack.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QWindow>

#include <xcb/composite.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <poll.h>

// Xlib only names the display Qt connected to; its macros would shadow Qt's event names.
#include <X11/Xlib.h>
#undef Expose

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace capture {

namespace {

// How long a window may take to draw again a part that our window hid or has just left. Games
// draw every frame; a desktop program answers an exposure within milliseconds.
constexpr int kRedrawMilliseconds = 1000;
// How long a window that has drawn something stays quiet before it counts as done.
constexpr int kQuietMilliseconds = 100;
// How long after one of our windows left a place the screen there still counts as ours: a
// window beneath draws itself again as soon as it is told, well within this.
constexpr int kVacatedMilliseconds = 1000;
// How many levels of window manager frames lie between a window and the root, at most.
constexpr int kFrameLevels = 8;
// How deep inside a top-level window to look for windows of another depth.
constexpr int kLayerLevels = 3;

struct FreeReply
{
    void operator()(void *p) const { std::free(p); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

// One window of the stack as the server describes it.
struct XWindow
{
    xcb_window_t id = 0;
    QRect rect;    // outer rectangle on the root, border included, inside its parent's
    QPoint origin; // the window's own origin (inside the border) on the root
    int depth = 0;
};

// A window of another program whose hidden or just uncovered part must be drawn again before
// it is read.
struct Redraw
{
    xcb_window_t id = 0;
    QPoint origin;
    QRegion needed; // on the root
    QRegion drawn;  // on the root, as the server reported it
    xcb_damage_damage_t damage = 0;
    bool redirected = false;
    qint64 lastDrawn = -1; // when the window last drew, in milliseconds of the wait
    bool done() const { return (needed - drawn).isEmpty(); }
};

class WindowReader : public QObject
{
public:
    static WindowReader *instance();
    ~WindowReader() override;

    // `region` on the root, in device pixels. `strict`: a part of the game hidden by our window
    // that cannot be read fails the whole read; otherwise it stays dark.
    Grab read(const QRect &region, bool strict);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    WindowReader();

    void syncQtConnection() const;
    std::vector<XWindow> viewableChildren(const XWindow &parent);
    // The windows that show in `region`, bottom to top: the root's children and, inside those,
    // the windows of another depth than the picture they lie in.
    std::vector<XWindow> topLevels(const QRect &region, std::vector<StackedWindow> *stack);
    void addLayer(const XWindow &window, bool ours, const QRect &region, int level,
                  std::vector<XWindow> *windows, std::vector<StackedWindow> *stack);
    void findLayers(const XWindow &parent, int layerDepth, bool ours, const QRect &region,
                    int level, std::vector<XWindow> *windows, std::vector<StackedWindow> *stack);
    QSet<xcb_window_t> ourTopLevels(const std::vector<XWindow> &windows) const;
    QRegion vacated();
    void remember(QWindow *window, bool gone);
    std::vector<bool> redirected(const std::vector<xcb_window_t> &windows);
    // Sets the windows to draw their hidden parts again; then the root can be read meanwhile,
    // and waitForRedraw() takes their reports.
    void beginRedraw(std::vector<Redraw> &redraws, const QRegion &uncover);
    void waitForRedraw(std::vector<Redraw> &redraws);
    void release(std::vector<Redraw> &redraws);
    std::optional<QImage> imageOf(Reply<xcb_get_image_reply_t> reply, QSize size) const;
    Grab readOnce(const QRect &region, bool strict, bool *windowGone);

    xcb_connection_t *m_qt = nullptr;         // Qt's own connection: our windows are made on it
    xcb_connection_t *m_connection = nullptr; // ours, so that waiting for events is ours alone
    xcb_window_t m_root = 0;
    QRect m_rootRect;
    int m_rootDepth = 24;
    QHash<xcb_visualid_t, PixelLayout> m_layouts; // depth, bits and pad filled in per image
    QHash<int, std::pair<int, int>> m_formats;    // depth -> bits per pixel, scanline pad
    bool m_msbFirst = false;
    bool m_composite = false;
    bool m_damage = false;
    uint8_t m_damageEvent = 0;
    xcb_window_t m_uncoverer = 0; // an invisible window mapped and unmapped to expose what lies
                                  // beneath it
    QElapsedTimer m_redrawStarted;

    struct Left
    {
        QRect rect;
        QElapsedTimer since;
    };
    QHash<QWindow *, QRect> m_shown; // our top-level windows where they were last seen
    std::vector<Left> m_left;        // places our windows have just left
};

WindowReader *WindowReader::instance()
{
    static QPointer<WindowReader> reader;
    if (!reader && qGuiApp)
        reader = new WindowReader; // lives as long as the application, which deletes it
    return reader;
}

WindowReader::WindowReader() : QObject(qGuiApp)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection() || !x11->display())
        return;
    m_qt = x11->connection();
    m_connection = xcb_connect(DisplayString(x11->display()), nullptr);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    const xcb_setup_t *setup = xcb_get_setup(m_connection);
    m_msbFirst = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        m_formats.insert(f.data->depth, {f.data->bits_per_pixel, f.data->scanline_pad});
    xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
    m_root = screen->root;
    m_rootRect = QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    m_rootDepth = screen->root_depth;
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d)) {
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            PixelLayout layout;
            layout.redMask = v.data->red_mask;
            layout.greenMask = v.data->green_mask;
            layout.blueMask = v.data->blue_mask;
            m_layouts.insert(v.data->visual_id, layout);
        }
    }

    // Composite 0.2 names a window's pixmap (how a redirected window is told apart); Damage
    // 1.1 reports where a window has drawn. Both must be asked for their version first.
    const auto *composite = xcb_get_extension_data(m_connection, &xcb_composite_id);
    const auto *damage = xcb_get_extension_data(m_connection, &xcb_damage_id);
    if (composite && composite->present) {
        Reply<xcb_composite_query_version_reply_t> v(xcb_composite_query_version_reply(
            m_connection, xcb_composite_query_version(m_connection, 0, 4), nullptr));
        m_composite = v && (v->major_version > 0 || v->minor_version >= 2);
    }
    if (damage && damage->present) {
        Reply<xcb_damage_query_version_reply_t> v(xcb_damage_query_version_reply(
            m_connection, xcb_damage_query_version(m_connection, 1, 1), nullptr));
        m_damage = bool(v);
        m_damageEvent = damage->first_event;
    }
    m_uncoverer = xcb_generate_id(m_connection);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1};
    xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_uncoverer, m_root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT, values);
    xcb_flush(m_connection);
    qGuiApp->installEventFilter(this);
}

WindowReader::~WindowReader()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

void WindowReader::syncQtConnection() const
{
    // A window Qt has just hidden (a menu, the overlay) is gone from the server's view only once
    // Qt's requests have been carried out; a round trip on Qt's connection waits for that.
    std::free(xcb_get_input_focus_reply(m_qt, xcb_get_input_focus(m_qt), nullptr));
}

bool WindowReader::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Show:
    case QEvent::Expose:
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::Hide:
        if (auto *window = qobject_cast<QWindow *>(watched); window && window->isTopLevel())
            remember(window, event->type() == QEvent::Hide ||
                                 (event->type() == QEvent::WindowStateChange &&
                                  window->windowStates() & Qt::WindowMinimized));
        break;
    default:
        break;
    }
    return false;
}

void WindowReader::remember(QWindow *window, bool gone)
{
    const auto known = m_shown.constFind(window);
    QRect now;
    if (!gone && window->isVisible() && window->screen()) {
        const QScreen *screen = window->screen();
        now = toDevicePixels(window->frameGeometry(), screen->geometry().topLeft(),
                             screen->devicePixelRatio());
    }
    if (known != m_shown.constEnd() && *known != now && !known->isEmpty()) {
        m_left.push_back({*known, {}});
        m_left.back().since.start();
    }
    if (now.isEmpty())
        m_shown.remove(window);
    else
        m_shown.insert(window, now);
}

QRegion WindowReader::vacated()
{
    std::erase_if(m_left, [](const Left &l) { return l.since.hasExpired(kVacatedMilliseconds); });
    QRegion places;
    for (const Left &l : m_left)
        places += l.rect;
    return places;
}

std::vector<XWindow> WindowReader::viewableChildren(const XWindow &parent)
{
    Reply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(m_connection, xcb_query_tree(m_connection, parent.id), nullptr));
    if (!tree)
        return {};
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    std::vector<xcb_get_window_attributes_cookie_t> attributes;
    std::vector<xcb_get_geometry_cookie_t> geometries;
    for (int i = 0; i < count; ++i) {
        attributes.push_back(xcb_get_window_attributes(m_connection, children[i]));
        geometries.push_back(xcb_get_geometry(m_connection, children[i]));
    }
    std::vector<XWindow> windows;
    for (int i = 0; i < count; ++i) {
        Reply<xcb_get_window_attributes_reply_t> a(
            xcb_get_window_attributes_reply(m_connection, attributes[size_t(i)], nullptr));
        Reply<xcb_get_geometry_reply_t> g(
            xcb_get_geometry_reply(m_connection, geometries[size_t(i)], nullptr));
        // Unmapped windows, input-only ones and those that vanished meanwhile show nothing.
        if (!a || !g || a->map_state != XCB_MAP_STATE_VIEWABLE ||
            a->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT || children[i] == m_uncoverer)
            continue;
        const int border = g->border_width;
        const QPoint corner = parent.origin + QPoint(g->x, g->y);
        // A child shows only inside its parent.
        windows.push_back(
            {children[i],
             QRect(corner, QSize(g->width + 2 * border, g->height + 2 * border)) & parent.rect,
             corner + QPoint(border, border), g->depth});
    }
    return windows;
}

std::vector<XWindow> WindowReader::topLevels(const QRect &region, std::vector<StackedWindow> *stack)
{
    const std::vector<XWindow> tops =
        viewableChildren({m_root, m_rootRect, QPoint(0, 0), m_rootDepth});
    const QSet<xcb_window_t> ours = ourTopLevels(tops);
    std::vector<XWindow> windows;
    stack->clear();
    for (const XWindow &top : tops)
        addLayer(top, ours.contains(top.id), region, 0, &windows, stack);
    return windows;
}

void WindowReader::addLayer(const XWindow &window, bool ours, const QRect &region, int level,
                            std::vector<XWindow> *windows, std::vector<StackedWindow> *stack)
{
    windows->push_back(window);
    stack->push_back({window.id, window.rect, ours, window.depth != 32});
    findLayers(window, window.depth, ours, region, level, windows, stack);
}

void WindowReader::findLayers(const XWindow &parent, int layerDepth, bool ours, const QRect &region,
                              int level, std::vector<XWindow> *windows,
                              std::vector<StackedWindow> *stack)
{
    // A window of another depth than the picture it lies in (a 24-bit game in XWayland's
    // 32-bit frame, an ARGB window in a plain frame) is not in that picture, or not in time:
    // it is read by its own id, as a layer just above it.
    if (level >= kLayerLevels || !parent.rect.intersects(region))
        return;
    for (const XWindow &child : viewableChildren(parent)) {
        if (child.depth != layerDepth)
            addLayer(child, ours, region, level + 1, windows, stack);
        else
            findLayers(child, layerDepth, ours, region, level + 1, windows, stack);
    }
}

QSet<xcb_window_t> WindowReader::ourTopLevels(const std::vector<XWindow> &windows) const
{
    // Every window Qt makes for this program carries its connection's id base; a window
    // manager's frame around one of them does not, so each of our windows is followed up to
    // the window that lies on the root.
    QSet<xcb_window_t> ours;
    const xcb_setup_t *setup = xcb_get_setup(m_qt);
    for (const XWindow &w : windows) {
        if ((w.id & ~setup->resource_id_mask) == setup->resource_id_base)
            ours.insert(w.id);
    }
    std::vector<xcb_window_t> level;
    for (QWindow *window : QGuiApplication::allWindows()) {
        if (window->handle())
            level.push_back(xcb_window_t(window->winId()));
    }
    for (int depth = 0; depth < kFrameLevels && !level.empty(); ++depth) {
        std::vector<xcb_query_tree_cookie_t> cookies;
        cookies.reserve(level.size());
        for (xcb_window_t w : level)
            cookies.push_back(xcb_query_tree(m_connection, w));
        QSet<xcb_window_t> up;
        for (size_t i = 0; i < cookies.size(); ++i) {
            Reply<xcb_query_tree_reply_t> r(
                xcb_query_tree_reply(m_connection, cookies[i], nullptr));
            if (!r)
                continue;
            if (r->parent == m_root)
                ours.insert(level[i]);
            else if (r->parent)
                up.insert(r->parent);
        }
        level.assign(up.cbegin(), up.cend());
    }
    return ours;
}

std::vector<bool> WindowReader::redirected(const std::vector<xcb_window_t> &windows)
{
    // Only a redirected window has a pixmap of its own to name: a compositing manager's,
    // XWayland's, or one with backing store.
    std::vector<bool> result(windows.size(), false);
    if (!m_composite)
        return result;
    std::vector<std::pair<xcb_pixmap_t, xcb_void_cookie_t>> cookies;
    for (xcb_window_t w : windows) {
        const xcb_pixmap_t pixmap = xcb_generate_id(m_connection);
        cookies.emplace_back(pixmap,
                             xcb_composite_name_window_pixmap_checked(m_connection, w, pixmap));
    }
    for (size_t i = 0; i < windows.size(); ++i) {
        if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookies[i].second)) {
            std::free(error);
            continue;
        }
        result[i] = true;
        xcb_free_pixmap(m_connection, cookies[i].first);
    }
    return result;
}

void WindowReader::beginRedraw(std::vector<Redraw> &redraws, const QRegion &uncover)
{
    // With the server grabbed, no window can draw until every damage report of the server's own
    // making (the copies and backgrounds of redirecting, the exposures) has been taken off the
    // queue: what is reported after the grab is the windows drawing themselves.
    xcb_grab_server(m_connection);
    for (Redraw &r : redraws) {
        r.damage = xcb_generate_id(m_connection);
        xcb_damage_create(m_connection, r.damage, r.id, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        if (r.redirected)
            xcb_composite_redirect_window(m_connection, r.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
    }
    if (!uncover.isEmpty()) {
        // Mapping and unmapping a window that draws nothing makes the server tell the windows
        // beneath to draw that place again, as when our menu went away, but now with the
        // damage reports in place.
        const QRect place = uncover.boundingRect();
        const uint32_t geometry[] = {uint32_t(place.x()), uint32_t(place.y()),
                                     uint32_t(place.width()), uint32_t(place.height()),
                                     XCB_STACK_MODE_ABOVE};
        xcb_configure_window(m_connection, m_uncoverer,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT | XCB_CONFIG_WINDOW_STACK_MODE,
                             geometry);
        xcb_map_window(m_connection, m_uncoverer);
        xcb_unmap_window(m_connection, m_uncoverer);
    }
    std::free(xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
    xcb_ungrab_server(m_connection);
    xcb_flush(m_connection);
    m_redrawStarted.start();
}

void WindowReader::waitForRedraw(std::vector<Redraw> &redraws)
{
    // A window that has drawn and then stays quiet for a moment has drawn all it will: what it
    // leaves out (a frame's border that the server paints by itself) is not waited for longer.
    const QElapsedTimer &waited = m_redrawStarted;
    const auto settled = [&](const Redraw &r) {
        return r.done() ||
               (r.lastDrawn >= 0 && waited.elapsed() - r.lastDrawn >= kQuietMilliseconds);
    };
    while (!waited.hasExpired(kRedrawMilliseconds)) {
        qint64 until = kRedrawMilliseconds;
        bool pending = false;
        for (const Redraw &r : redraws) {
            if (settled(r))
                continue;
            pending = true;
            if (r.lastDrawn >= 0)
                until = qMin(until, r.lastDrawn + kQuietMilliseconds);
        }
        if (!pending)
            break;
        xcb_generic_event_t *event = xcb_poll_for_event(m_connection);
        if (!event) {
            if (xcb_connection_has_error(m_connection))
                break;
            pollfd fd{xcb_get_file_descriptor(m_connection), POLLIN, 0};
            poll(&fd, 1, int(qMax<qint64>(1, until - waited.elapsed())));
            continue;
        }
        if ((event->response_type & 0x7f) == m_damageEvent + XCB_DAMAGE_NOTIFY) {
            const auto *notify = reinterpret_cast<xcb_damage_notify_event_t *>(event);
            for (Redraw &r : redraws) {
                if (r.damage != notify->damage)
                    continue;
                r.drawn +=
                    QRect(notify->area.x, notify->area.y, notify->area.width, notify->area.height)
                        .translated(r.origin);
                r.lastDrawn = waited.elapsed();
            }
        }
        std::free(event);
    }
}

void WindowReader::release(std::vector<Redraw> &redraws)
{
    for (const Redraw &r : redraws) {
        if (r.redirected)
            xcb_composite_unredirect_window(m_connection, r.id, XCB_COMPOSITE_REDIRECT_AUTOMATIC);
        if (r.damage)
            xcb_damage_destroy(m_connection, r.damage);
    }
    xcb_flush(m_connection);
    // Reports that came after the wait are of no use any more.
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection))
        std::free(event);
}

std::optional<QImage> WindowReader::imageOf(Reply<xcb_get_image_reply_t> reply, QSize size) const
{
    if (!reply)
        return std::nullopt;
    const auto format = m_formats.constFind(reply->depth);
    const auto visual = m_layouts.constFind(reply->visual);
    if (format == m_formats.constEnd() || visual == m_layouts.constEnd())
        return std::nullopt;
    PixelLayout layout = *visual;
    layout.depth = reply->depth;
    layout.bitsPerPixel = format->first;
    layout.scanlinePad = format->second;
    layout.msbFirst = m_msbFirst;
    uchar *data = xcb_get_image_data(reply.get());
    const qsizetype length = xcb_get_image_data_length(reply.get());

    // The usual layout (8 bits a colour in 32-bit pixels of the host's byte order) is taken as
    // it came, without a copy: a whole screen at 4K is 33 MB.
    const bool usual = layout.bitsPerPixel == 32 &&
                       layout.msbFirst == (Q_BYTE_ORDER == Q_BIG_ENDIAN) &&
                       layout.redMask == 0xff0000 && layout.greenMask == 0xff00 &&
                       layout.blueMask == 0xff && (layout.depth == 24 || layout.depth == 32);
    if (usual && length >= qsizetype(size.width()) * size.height() * 4) {
        if (layout.depth == 24) {
            auto *pixel = reinterpret_cast<quint32 *>(data);
            for (qsizetype i = 0, n = qsizetype(size.width()) * size.height(); i < n; ++i)
                pixel[i] |= 0xff000000u; // what Qt's RGB32 holds in the unused byte
        }
        xcb_get_image_reply_t *owned = reply.release();
        return QImage(
            data, size.width(), size.height(), size.width() * 4,
            layout.depth == 24 ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied,
            [](void *r) { std::free(r); }, owned);
    }
    QImage image = imageFromPixels(layout, data, length, size.width(), size.height());
    if (image.isNull())
        return std::nullopt;
    return image;
}

Grab WindowReader::read(const QRect &region, bool strict)
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return {{}, QString::fromUtf16(kNoScreenHere)};
    if ((region & m_rootRect).isEmpty())
        return {{}, QString::fromUtf16(kRegionOffScreen)};
    syncQtConnection();
    // A window that goes away between being listed and being read leaves a gap; listed again,
    // it is simply not there.
    bool windowGone = false;
    Grab grab = readOnce(region, strict, &windowGone);
    if (windowGone)
        grab = readOnce(region, strict, &windowGone);
    return grab;
}

Grab WindowReader::readOnce(const QRect &region, bool strict, bool *windowGone)
{
    *windowGone = false;
    const QRect onRoot = region & m_rootRect;
    std::vector<StackedWindow> stack;
    const std::vector<XWindow> windows = topLevels(onRoot, &stack);
    const ReadPlan plan = planRead(onRoot, stack, vacated());

    // Where none of our windows is or just was, the root window's picture is the screen as the
    // player sees it, read at once. XWayland refuses it: it has no picture of its own.
    const auto readRoot = [&](const QRect &part) {
        return Reply<xcb_get_image_reply_t>(xcb_get_image_reply(
            m_connection,
            xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, int16_t(part.x()),
                          int16_t(part.y()), uint16_t(part.width()), uint16_t(part.height()), ~0u),
            nullptr));
    };
    const bool rootReadable = bool(readRoot(QRect(onRoot.topLeft(), QSize(1, 1))));
    const bool fromRoot = rootReadable && !(QRegion(onRoot) - plan.ours).isEmpty();
    std::optional<QImage> rootImage;

    if (plan.parts.empty() && (strict || !fromRoot))
        return {{}, QString::fromUtf16(rootReadable ? kNoWindowUnder : kNoX11WindowUnder)};

    // What each window must give: everything of it the player would see where the root could
    // not be read, else only where our windows are or just were.
    std::vector<QRegion> wanted;
    for (const ReadPart &part : plan.parts)
        wanted.push_back(fromRoot ? part.visible & plan.ours : part.visible);

    // Windows without contents of their own under our windows draw those parts again first.
    std::vector<size_t> hidden;
    std::vector<xcb_window_t> hiddenIds;
    for (size_t i = 0; i < plan.parts.size(); ++i) {
        if (!(wanted[i] & (plan.parts[i].covered + plan.parts[i].vacated)).isEmpty()) {
            hidden.push_back(i);
            hiddenIds.push_back(windows[plan.parts[i].window].id);
        }
    }
    const std::vector<bool> own = redirected(hiddenIds);
    std::vector<Redraw> redraws;
    std::vector<size_t> redrawPart;
    QRegion uncover, unreadable;
    for (size_t h = 0; h < hidden.size(); ++h) {
        if (own[h])
            continue;
        const ReadPart &part = plan.parts[hidden[h]];
        const XWindow &w = windows[part.window];
        Redraw r;
        r.id = w.id;
        r.origin = w.origin;
        r.needed = wanted[hidden[h]] & (part.covered + part.vacated);
        r.redirected = !(wanted[hidden[h]] & part.covered).isEmpty();
        uncover += wanted[hidden[h]] & part.vacated;
        redraws.push_back(r);
        redrawPart.push_back(hidden[h]);
    }
    // The windows draw while the root's picture, 33 MB at 4K, comes over.
    const bool redrawing = !redraws.empty() && m_composite && m_damage;
    if (redrawing)
        beginRedraw(redraws, uncover);
    if (fromRoot)
        rootImage = imageOf(readRoot(onRoot), onRoot.size());
    if (redrawing)
        waitForRedraw(redraws);
    for (size_t r = 0; r < redraws.size(); ++r) {
        if (redraws[r].done())
            continue;
        const QRegion missing = redraws[r].needed - redraws[r].drawn;
        wanted[redrawPart[r]] -= missing;
        unreadable += missing;
    }
    if (strict && !unreadable.isEmpty()) {
        release(redraws);
        return {{}, QString::fromUtf16(kCoveredByUs)};
    }

    // The root's picture is the canvas when it covers the whole region, as it does unless the
    // region reaches off the screen.
    QImage canvas;
    const bool rootIsCanvas =
        rootImage && onRoot == region && rootImage->format() == QImage::Format_RGB32;
    if (rootIsCanvas) {
        canvas = std::move(*rootImage);
    } else {
        canvas = QImage(region.size(), QImage::Format_RGB32);
        canvas.fill(Qt::black);
    }
    QPainter painter(&canvas);
    painter.translate(-region.topLeft()); // root coordinates from here on
    if (rootImage) {
        if (!rootIsCanvas)
            painter.drawImage(onRoot.topLeft(), *rootImage);
        // Our pixels go; the windows beneath are painted there, bottom to top.
        for (const QRect &r : plan.ours)
            painter.fillRect(r, Qt::black);
    }

    std::vector<std::pair<QRect, xcb_get_image_cookie_t>> reads(plan.parts.size());
    for (size_t i = 0; i < plan.parts.size(); ++i) {
        if (wanted[i].isEmpty())
            continue;
        const XWindow &w = windows[plan.parts[i].window];
        const QRect r = wanted[i].boundingRect();
        const QPoint at = r.topLeft() - w.origin;
        reads[i] = {r,
                    xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, w.id, int16_t(at.x()),
                                  int16_t(at.y()), uint16_t(r.width()), uint16_t(r.height()), ~0u)};
    }
    int readable = 0;
    for (size_t i = 0; i < plan.parts.size(); ++i) {
        if (wanted[i].isEmpty())
            continue;
        Reply<xcb_get_image_reply_t> reply(
            xcb_get_image_reply(m_connection, reads[i].second, nullptr));
        const std::optional<QImage> image = imageOf(std::move(reply), reads[i].first.size());
        if (!image) {
            *windowGone = true;
            unreadable += wanted[i];
            continue;
        }
        ++readable;
        painter.setClipRegion(wanted[i]);
        painter.drawImage(reads[i].first.topLeft(), *image);
    }
    release(redraws);
    // What no window could give stays dark.
    painter.setClipping(false);
    for (const QRect &r : unreadable)
        painter.fillRect(r, Qt::black);
    painter.end();

    if (!rootImage && readable == 0)
        return {{}, QString::fromUtf16(kWindowRefused)};
    if (strict && *windowGone)
        return {{}, QString::fromUtf16(kWindowRefused)};
    if (allBlack(canvas))
        return {{}, QString::fromUtf16(kAllBlack)};
    return {canvas, {}};
}

// The screen that holds most of `region`.
QScreen *screenOf(const QRect &region)
{
    QScreen *best = nullptr;
    qint64 bestArea = 0;
    for (QScreen *screen : QGuiApplication::screens()) {
        const QRect common = screen->geometry() & region;
        const qint64 area = qint64(common.width()) * common.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

Grab readOnScreen(QScreen *screen, const QRect &region, bool strict)
{
    WindowReader *reader = screenReadable() ? WindowReader::instance() : nullptr;
    if (!reader)
        return {{}, QString::fromUtf16(kNoScreenHere)};
    const qreal dpr = screen->devicePixelRatio();
    Grab grab = reader->read(toDevicePixels(region, screen->geometry().topLeft(), dpr), strict);
    grab.image.setDevicePixelRatio(dpr);
    return grab;
}

} // namespace

std::function<QImage(const QRect &region, QString *failure)> windowGrabber()
{
    // Made now rather than at the first capture, so that it sees the menus and the overlay
    // that go away before it.
    if (screenReadable())
        WindowReader::instance();
    return [](const QRect &region, QString *failure) {
        Grab grab = grabWindows(region);
        *failure = grab.failure;
        return grab.image;
    };
}

Grab grabWindows(const QRect &region)
{
    QScreen *screen = screenOf(region);
    if (!screen)
        return {{}, QString::fromUtf16(screenReadable() ? kRegionOffScreen : kNoScreenHere)};
    return readOnScreen(screen, region, true);
}

Grab grabScreenStill(QScreen *screen)
{
    return readOnScreen(screen, screen->geometry(), false);
}

} // namespace capture
