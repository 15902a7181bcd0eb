// The keys of capture, each spelled once: what it does, its key in the program's window, its
// key on the whole desktop (a grab that works while the game has the focus) and its entry in
// Text1's context menu. Shortcuts, grabs, menu entries and notices are all made from this table.
#pragma once

#include <QKeyCombination>
#include <QString>

#include <array>

namespace capture {

enum class CaptureAction {
    Capture,      // read the remembered region (choosing it first when there is none)
    ChooseRegion, // choose the region again, then read it
    Watch,        // watch mode on or off: the region read by itself whenever a new question shows
};

struct CaptureKey
{
    CaptureAction action;
    QKeyCombination windowKey; // while the program's window has the focus
    QKeyCombination globalKey; // anywhere on the desktop; Qt::Key_unknown: none
    const char16_t *menuText;  // the entry in Text1's context menu
    bool checkable = false;    // the entry shows a state, checked while it is on
};

inline constexpr std::array<CaptureKey, 3> kCaptureKeys{{
    {CaptureAction::Capture, QKeyCombination(Qt::Key_F2),
     QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_Q), u"识别屏幕上的题目"},
    {CaptureAction::ChooseRegion, QKeyCombination(Qt::ShiftModifier, Qt::Key_F2),
     QKeyCombination(Qt::Key_unknown), u"重新框选题目区域"},
    // The same key in the program's window and on the desktop: the grab takes it everywhere
    // while it is ours, the window's shortcut where no grab is possible.
    {CaptureAction::Watch, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_W),
     QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_W), u"自动识别题目", true},
}};

const CaptureKey &captureKey(CaptureAction action);

// How a key is written for the player: "F2", "Shift+F2", "Ctrl+Alt+Q".
QString keyName(QKeyCombination key);

// The X keysym of a key that a global grab can name (letters, digits, F1 to F35); 0 otherwise.
unsigned keysymOf(Qt::Key key);

} // namespace capture
