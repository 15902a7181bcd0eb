#include "lookup/capture/globalkey.h"

#include "lookup/capture/capturekeys.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <X11/Xlib.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace capture {

namespace {

unsigned xModifiers(Qt::KeyboardModifiers modifiers)
{
    unsigned mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

// Caps Lock and Num Lock (Mod2 on every common layout) must not stop the key: the grab is
// made for each combination of them.
constexpr unsigned kLockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                   XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};

xcb_connection_t *x11Connection(Display **display)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11)
        return nullptr;
    *display = x11->display();
    return x11->connection();
}

} // namespace

GlobalKey::GlobalKey(QKeyCombination key, QObject *parent) : QObject(parent), m_key(key)
{
    grab();
}

GlobalKey::~GlobalKey()
{
    release();
}

bool GlobalKey::grab()
{
    if (m_active)
        return true;
    Display *display = nullptr;
    xcb_connection_t *connection = x11Connection(&display);
    if (!connection || !display) {
        m_failure = Failure::NotX11;
        return false;
    }
    const unsigned keysym = keysymOf(m_key.key());
    m_keycode = keysym ? XKeysymToKeycode(display, keysym) : 0;
    if (m_keycode == 0) {
        m_failure = Failure::NoKey;
        return false;
    }
    m_modifierMask = xModifiers(m_key.keyboardModifiers());
    m_root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;

    for (unsigned lock : kLockMasks) {
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection, 1, m_root, uint16_t(m_modifierMask | lock), xcb_keycode_t(m_keycode),
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        if (xcb_generic_error_t *error = xcb_request_check(connection, cookie)) {
            std::free(error);
            // BadAccess: another client holds this combination. What was taken is given
            // back, so that a later try starts clean.
            m_failure = Failure::Held;
            release();
            return false;
        }
        m_grabbedMasks.push_back(m_modifierMask | lock);
    }
    m_active = true;
    m_failure = Failure::Nothing;
    QCoreApplication::instance()->installNativeEventFilter(this);
    return true;
}

QString GlobalKey::failureText() const
{
    switch (m_failure) {
    case Failure::Nothing:
        return {};
    case Failure::NotX11:
        return QStringLiteral("此桌面不支持全局热键");
    case Failure::NoKey:
        return QStringLiteral("键盘上没有这个热键");
    case Failure::Held:
        return QStringLiteral("热键已被其他程序占用，空出后自动启用");
    }
    return {};
}

void GlobalKey::release()
{
    if (m_active && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
    m_active = false;
    if (m_grabbedMasks.empty())
        return;
    Display *display = nullptr;
    if (xcb_connection_t *connection = x11Connection(&display)) {
        for (unsigned mask : m_grabbedMasks)
            xcb_ungrab_key(connection, xcb_keycode_t(m_keycode), m_root, uint16_t(mask));
        xcb_flush(connection);
    }
    m_grabbedMasks.clear();
}

bool GlobalKey::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    const unsigned relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;
    if (press->detail != m_keycode || (press->state & relevant) != m_modifierMask)
        return false;
    emit activated();
    return true;
}

} // namespace capture
