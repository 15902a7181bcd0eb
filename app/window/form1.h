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
// Controls are found by their design names ("Text1", "Label18", "qs_jx", ...) with control<T>().
#pragma once

#include <QHash>
#include <QWidget>

class QWebEngineProfile;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    explicit Form1(QWidget *parent = nullptr);
    ~Form1() override;

    // The control with that design name, which must exist with that type.
    template <class T> T *control(const char *name) const
    {
        T *typed = qobject_cast<T *>(m_controls.value(QByteArray(name)));
        if (!typed)
            missingControl(name);
        return typed;
    }

    QWebEngineProfile *browserProfile() const { return m_profile; }

private:
    [[noreturn]] static void missingControl(const char *name);
    void build();
    void setFocusOrder();

    QWebEngineProfile *m_profile = nullptr;
    QHash<QByteArray, QWidget *> m_controls;
};
