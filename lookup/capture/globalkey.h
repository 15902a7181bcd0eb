// A key combination that reaches the program while another window has the focus: on X11 a
// passive grab of the key on the root window, released when the object goes. Where no grab is
// possible the object says why and does nothing else; when another client holds the key,
// grab() may be tried again later and takes it as soon as it is free.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QKeyCombination>
#include <QObject>
#include <QString>

#include <vector>

namespace capture {

class GlobalKey : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    enum class Failure {
        Nothing,
        NotX11, // the desktop has no global keys for us (no X server)
        NoKey,  // the keyboard has no such key
        Held,   // another client holds the combination; worth trying again
    };

    // Tries to take `key` (letters, digits and function keys, with Ctrl, Alt, Shift, Meta).
    explicit GlobalKey(QKeyCombination key, QObject *parent = nullptr);
    ~GlobalKey() override;

    // Tries to take the key if it is not taken yet; true when it is ours.
    bool grab();

    QKeyCombination key() const { return m_key; }
    bool isActive() const { return m_active; }
    Failure failure() const { return m_failure; }
    // Why the key could not be taken, for the player; empty while active.
    QString failureText() const;

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

signals:
    void activated();

private:
    void release();

    QKeyCombination m_key;
    bool m_active = false;
    Failure m_failure = Failure::Nothing;
    unsigned m_keycode = 0;
    unsigned m_modifierMask = 0;
    unsigned m_root = 0;
    std::vector<unsigned> m_grabbedMasks; // the modifier masks grabbed, lock keys included
};

} // namespace capture
