// The design of the window Form1 as data: every control with its kind, container, place in
// twips, caption and look. Form1 builds itself by walking this table once.
#pragma once

#include <QString>
#include <span>

class QWidget;

namespace window {

struct Controls;

// 15 twips make one logical pixel.
inline constexpr int kTwipsPerPixel = 15;
// Twips to logical pixels, to the nearest pixel (halves away from zero).
constexpr int px(int twips)
{
    return twips >= 0 ? (2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel)
                      : -((-2 * twips + kTwipsPerPixel) / (2 * kTwipsPerPixel));
}

enum class Kind {
    TabControl, // QTabWidget
    Page,       // a page of the tab control, canvas placed at the tab control's origin
    Label,      // FormLabel
    StripLabel, // the expand/collapse strip
    TextBox,    // QLineEdit
    Button,     // QPushButton
    CheckBox,   // QCheckBox
    Frame,      // QGroupBox
    ListView,   // QTreeView
    ListBox,    // QListWidget
    Picture,    // QFrame (a container) or QLabel (a picture)
    PictureImage,
    Browser, // QWebEngineView
};

enum Look : unsigned {
    Plain = 0,
    Blue = 1u << 0, // link colour (0, 0, 255)
    Red = 1u << 1,  // (255, 0, 0)
    Black = 1u << 2,
    Underline = 1u << 3,
    Hand = 1u << 4,     // pointing-hand cursor
    Hidden = 1u << 5,   // never shown
    AutoSize = 1u << 6, // sizes itself to its text, growing to the right
    Strip = 1u << 7,    // background in the inactive-border colour
};

struct Control
{
    const char *name;
    // Puts the built widget into its member of Controls; false when the widget is not of the
    // member's type.
    bool (*bind)(Controls &, QWidget *);
    Kind kind;
    const char *container;        // "Form1", "page0".."page2", or a frame / picture box
    int left, top, width, height; // twips, relative to the container
    const char16_t *caption;
    unsigned look = Plain;
};

// The design table, in building order: a container comes before what it holds.
std::span<const Control> designTable();

// Page texts of SSTab1, in page order.
std::span<const char16_t *const> pageTitles();

// Keyboard focus order of page 0 and page 1; the tab control comes before both.
std::span<const char *const> focusOrderPage0();
std::span<const char *const> focusOrderPage1();

// The window's design name, the container of the controls outside the tab control.
inline constexpr char kFormName[] = "Form1";
inline constexpr char16_t kWindowCaption[] = u"ZembrikCorvanth多功能答题器";
inline constexpr char16_t kApplicationTitle[] = u"ZembrikCorvanth专区";
inline constexpr int kClientWidth = 13020; // twips
inline constexpr int kClientHeight = 7575; // twips

// The two captions of the strip Label7: 100 characters each.
inline constexpr char16_t kExpandText[] = u"                                         点   击   此  "
                                          u" 处   展   开      >>>            >>>           >>>";
inline constexpr char16_t kCollapseText[] =
    u"                                         点   击   此   处   收   起      <<<            <<< "
    u"          <<<";

// The usage hint that Label2 holds at start and after every clear.
QString usageHint();

} // namespace window
