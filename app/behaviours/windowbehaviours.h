// The behaviours of the window as a whole: the always-on-top switch Check2, the expand/collapse
// strip Label7 and the fixed page viewport WebBrowser1.
#pragma once

#include "app/window/controls.h"

#include <QObject>
#include <QString>
#include <QStringView>

class FormLabel;
class QCheckBox;
class QUrl;
class QWebEngineView;
class QWidget;

namespace behaviours {

// Outer widths of the window, frame included, in twips.
inline constexpr int kExpandedWidth = 13100;
inline constexpr int kCollapsedWidth = 7150;
// The design's fixed single frame, on each side, in pixels; stands in for the real frame while
// the window has none to measure.
inline constexpr int kDesignFrame = 3;

// What a click on the strip makes of the window: the outer width it gets first and the caption
// it gets after.
struct StripStep
{
    int outerWidth; // twips
    QString caption;
};

// The strip's caption alone tells whether the window is collapsed: only the whole expand text
// says so, and every other caption leads to collapsing.
StripStep stripStep(QStringView caption);

// A check box's value as the window counts it: 0 unchecked, 1 checked, 2 greyed. (Qt counts a
// greyed box as 1 and a checked one as 2.)
int checkValue(Qt::CheckState state);

// Only a checked Check2 (1) puts the window on top; unchecked (0) and greyed (2) take it out.
bool staysOnTop(int checkValue);

// The script that cancels context menus and wheel turns in a document of the viewport.
QString viewportHookScript();

// Whether a new window of the viewport opens in the system's browser: web addresses only.
bool opensInSystemBrowser(const QUrl &url);

} // namespace behaviours

class WindowBehaviours : public QObject
{
    Q_OBJECT
public:
    explicit WindowBehaviours(const window::Controls &controls);

    void Check2_Click();
    void Label7_Click();
    void WebBrowser1_NavigateComplete2();
    void WebBrowser1_NewWindow(const QUrl &url);

private:
    void setStaysOnTop(bool on);
    void setOuterWidth(int twips);
    int frameWidth() const;

    QWidget *m_form;
    QCheckBox *m_check2;
    FormLabel *m_label7;
    QWebEngineView *m_browser;
};
