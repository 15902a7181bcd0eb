// A key combination that reaches the program while another window has the focus: on X11 a
// passive grab of the key on the root window, released when the object goes. Where no grab is
// possible (another program holds the key, or the platform is not X11) the object says why
// once and does nothing else.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>
#include <QString>

#include <vector>

namespace capture {

class GlobalKey : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    // `keysym` is an X keysym (e.g. 0x71 for 'q'); `modifiers` Qt's Control, Alt, Shift, Meta.
    GlobalKey(unsigned keysym, Qt::KeyboardModifiers modifiers, QObject *parent = nullptr);
    ~GlobalKey() override;

    bool isActive() const { return m_active; }
    // Why the key could not be grabbed; empty while active.
    const QString &failure() const { return m_failure; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void activated();

private:
    void release();

    bool m_active = false;
    QString m_failure;
    unsigned m_keycode = 0;
    unsigned m_modifierMask = 0;
    unsigned m_root = 0;
    std::vector<unsigned> m_grabbedMasks; // the modifier masks grabbed, lock keys included
};

} // namespace capture
