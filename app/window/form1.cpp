#include "app/window/form1.h"

#include "app/window/appicon.h"
#include "app/window/design.h"
#include "app/window/formlabel.h"
#include "app/window/quietpage.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeView>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

QRect place(const window::Control &c)
{
    return QRect(window::px(c.left), window::px(c.top), window::px(c.width), window::px(c.height));
}

// The window's font: 宋体 where it exists, otherwise a Chinese font of this system.
QFont formFont(qreal pointSize)
{
    QFont font;
    // The Mono face of WenQuanYi has 宋体's metrics: Chinese full width, Latin half width,
    // so captions fit the places they were designed for.
    font.setFamilies({u"SimSun"_s, u"宋体"_s, u"NSimSun"_s, u"WenQuanYi Zen Hei Mono"_s,
                      u"WenQuanYi Zen Hei"_s, u"Noto Sans Mono CJK SC"_s, u"Noto Sans CJK SC"_s,
                      u"Droid Sans Fallback"_s});
    font.setPointSizeF(pointSize);
    return font;
}

// A page of the tab control holds a canvas that always sits at the tab control's top-left
// corner, so controls on a page are placed relative to the tab control, whatever the height of
// the tab row in the current style.
class TabPage : public QWidget
{
public:
    TabPage(QTabWidget *tabs, const char *canvasName) : m_tabs(tabs)
    {
        m_canvas = new QWidget(this);
        m_canvas->setObjectName(QString::fromLatin1(canvasName));
    }
    QWidget *canvas() const { return m_canvas; }

protected:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::Move || e->type() == QEvent::Resize || e->type() == QEvent::Show ||
            e->type() == QEvent::Polish) {
            m_canvas->setGeometry(QRect(-mapTo(m_tabs, QPoint(0, 0)), m_tabs->size()));
            keepCaptionsInside();
        }
        return QWidget::event(e);
    }

private:
    // On a scaled screen a caption can draw relatively wider than at 1:1, and a label grown to
    // the right to show it whole (fitSingleLine) can pass the page's edge; such a label stands
    // left of its place just enough to be seen whole, and goes back when there is room.
    void keepCaptionsInside()
    {
        const int right = mapTo(m_tabs, QPoint(0, 0)).x() + width(); // in the canvas's terms
        if (width() <= 0 || !isVisible())
            return; // not laid out yet
        for (FormLabel *label : m_canvas->findChildren<FormLabel *>(Qt::FindDirectChildrenOnly)) {
            const int placed = m_placed.value(label, label->x());
            m_placed.insert(label, placed);
            label->move(qMax(0, qMin(placed, right - label->width())), label->y());
        }
    }

    QTabWidget *m_tabs;
    QWidget *m_canvas;
    QHash<const FormLabel *, int> m_placed; // each label's place as built
};

void applyLook(QWidget *w, unsigned look)
{
    QPalette pal = w->palette();
    if (look & window::Blue)
        pal.setColor(QPalette::WindowText, QColor(0, 0, 255));
    if (look & window::Red)
        pal.setColor(QPalette::WindowText, QColor(255, 0, 0));
    if (look & window::Black)
        pal.setColor(QPalette::WindowText, QColor(0, 0, 0));
    if (look & window::Strip) {
        pal.setColor(QPalette::Window, pal.color(QPalette::Inactive, QPalette::Midlight));
        w->setAutoFillBackground(true);
    }
    w->setPalette(pal);
    if (look & window::Underline) {
        QFont f = w->font();
        f.setUnderline(true);
        w->setFont(f);
    }
    if (look & window::Hand)
        w->setCursor(Qt::PointingHandCursor);
    if (look & window::Hidden)
        w->setVisible(false);
}

// A label one line high shows its caption on that line: wrapping would push the end of the
// caption onto a second line that the label has no room to show. Where this system's font
// draws a caption wider than its place, the label grows to the right.
void fitSingleLine(FormLabel *label)
{
    if (label->height() >= 2 * label->fontMetrics().height())
        return;
    label->setWordWrap(false);
    const int needed = label->sizeHint().width();
    if (needed > label->width())
        label->resize(needed, label->height());
}

} // namespace

Form1::Form1(QWidget *parent) : QWidget(parent)
{
    setObjectName(QString::fromLatin1(window::kFormName));
    setWindowTitle(QString::fromUtf16(window::kWindowCaption));
    setWindowIcon(window::appIcon());
    setFont(formFont(9));
    // A fixed single frame: the player cannot resize the window.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(window::px(window::kClientWidth), window::px(window::kClientHeight));

    // Off the record: the program keeps no browsing state between runs.
    m_profile = new QWebEngineProfile(this);
    build();
    setFocusOrder();
}

Form1::~Form1()
{
    // Pages must go before the profile they were made with.
    const auto views = findChildren<QWebEngineView *>();
    for (QWebEngineView *view : views)
        delete view->page();
}

void Form1::build()
{
    m_controls.Form1 = this;
    QHash<QByteArray, QWidget *> containers;
    containers.insert(objectName().toLatin1(), this);

    for (const window::Control &c : window::designTable()) {
        const QString caption = c.caption ? QString::fromUtf16(c.caption) : window::usageHint();
        QWidget *container = containers.value(c.container);
        Q_ASSERT(container);
        QWidget *w = nullptr;

        switch (c.kind) {
        case window::Kind::TabControl: {
            auto *tabs = new QTabWidget(container);
            tabs->setFocusPolicy(Qt::TabFocus);
            w = tabs;
            break;
        }
        case window::Kind::Page: {
            auto *tabs = static_cast<QTabWidget *>(container);
            const int index = tabs->count();
            auto *page = new TabPage(tabs, c.name);
            tabs->addTab(page, QString::fromUtf16(window::pageTitles()[index]));
            containers.insert(c.name, page->canvas());
            bindControl(c, page->canvas());
            continue;
        }
        case window::Kind::Label: {
            auto *label = new FormLabel(container);
            label->setText(caption);
            w = label;
            break;
        }
        case window::Kind::StripLabel: {
            auto *label = new StripLabel(container);
            label->setText(caption);
            w = label;
            break;
        }
        case window::Kind::TextBox: {
            auto *box = new QLineEdit(container);
            box->setMaxLength(std::numeric_limits<int>::max());
            w = box;
            break;
        }
        case window::Kind::Button: {
            auto *button = new QPushButton(caption, container);
            button->setAutoDefault(false);
            w = button;
            break;
        }
        case window::Kind::CheckBox:
            w = new QCheckBox(caption, container);
            break;
        case window::Kind::Frame:
            w = new QGroupBox(caption, container);
            break;
        case window::Kind::ListView: {
            auto *view = new QTreeView(container);
            view->setRootIsDecorated(false);
            view->setItemsExpandable(false);
            view->setUniformRowHeights(true);
            view->setAllColumnsShowFocus(true);
            view->setSelectionBehavior(QAbstractItemView::SelectRows);
            view->setSelectionMode(QAbstractItemView::SingleSelection);
            view->setEditTriggers(QAbstractItemView::NoEditTriggers);
            view->header()->setStretchLastSection(false);
            view->setFont(formFont(9.75));
            w = view;
            break;
        }
        case window::Kind::ListBox: {
            auto *list = new QListWidget(container);
            list->setFocusPolicy(Qt::NoFocus);
            w = list;
            break;
        }
        case window::Kind::Picture: {
            auto *box = new QFrame(container);
            box->setFrameShape(QFrame::NoFrame);
            w = box;
            break;
        }
        case window::Kind::PictureImage: {
            auto *picture = new QLabel(container);
            picture->setFrameShape(QFrame::Box);
            picture->setLineWidth(1);
            picture->setAlignment(Qt::AlignCenter);
            picture->setBackgroundRole(QPalette::Base);
            picture->setAutoFillBackground(true);
            w = picture;
            break;
        }
        case window::Kind::Browser: {
            auto *view = new QWebEngineView(container);
            view->setPage(new QuietPage(m_profile, view));
            view->setFocusPolicy(Qt::ClickFocus);
            view->setContextMenuPolicy(Qt::DefaultContextMenu);
            w = view;
            break;
        }
        }

        w->setObjectName(QString::fromLatin1(c.name));
        w->setGeometry(place(c));
        applyLook(w, c.look);
        if (c.look & window::AutoSize)
            static_cast<FormLabel *>(w)->setAutoSize(true);
        else if (c.kind == window::Kind::Label)
            fitSingleLine(static_cast<FormLabel *>(w));
        if (c.kind == window::Kind::Frame || c.kind == window::Kind::Picture ||
            c.kind == window::Kind::TabControl)
            containers.insert(c.name, w);
        bindControl(c, w);
    }

    // The pages are stacked in the tab control; the lookup page shows first.
    m_controls.SSTab1->setCurrentIndex(0);
}

void Form1::bindControl(const window::Control &c, QWidget *w)
{
    if (!c.bind(m_controls, w))
        qFatal("The window's control %s is not of its member's type", c.name);
}

void Form1::setFocusOrder()
{
    QWidget *previous = m_controls.SSTab1->tabBar();
    for (const auto &order : {window::focusOrderPage0(), window::focusOrderPage1()}) {
        for (const char *name : order) {
            QWidget *next = findChild<QWidget *>(QLatin1StringView(name));
            Q_ASSERT(next);
            setTabOrder(previous, next);
            previous = next;
        }
    }
}
