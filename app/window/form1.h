// Form1, the program's one window.
//
// The window owns every control; the subsystems (answer lookup, war-soul evaluator, levelling
// calculator, web shortcuts, window behaviours) each attach one small class that connects the
// controls it uses to its handlers, and they meet only through those controls: every value
// lives in a text, a caption, a check box value or a list item.
//
// One rule carries the calculators: a text or caption set by the program raises that control's
// change handling at once, nested inside the handling that set it, before the setter returns.
// QLineEdit::textChanged does this for text boxes, FormLabel::captionChanged for labels.
//
// The controls are reached through controls(), typed and named as the design names them
// (Text1, Label18, qs_jx, ...).
#pragma once

#include "app/window/controls.h"

#include <QWidget>

class QWebEngineProfile;

namespace window {
struct Control;
}

class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    const window::Controls &controls() const { return m_controls; }

    QWebEngineProfile *browserProfile() const { return m_profile; }

private:
    void build();
    void bindControl(const window::Control &c, QWidget *w);
    void setFocusOrder();

    QWebEngineProfile *m_profile = nullptr;
    window::Controls m_controls;
};
