#include "lookup/capture/answerwindow.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <cmath>

namespace capture {

namespace {

// A compact dark panel with the answer in large, warm type: readable at a glance over a
// bright or a dark game.
const QColor kBackground(0x1c, 0x22, 0x30);
const QColor kBorder(0x56, 0x62, 0x7a);
const QColor kQuestion(0xaa, 0xb4, 0xc5);
const QColor kAnswer(0xff, 0xd2, 0x4d);
const QColor kWarning(0xff, 0xae, 0x42);
const QColor kPlain(0xe8, 0xec, 0xf2);

constexpr int kPadding = 10;
constexpr int kAccent = 4; // the coloured strip down the left edge: answer or warning
constexpr int kLineGap = 3;
constexpr int kRuleGap = 7;
constexpr int kSmallPixels = 13;
constexpr int kTitlePixels = 16;
constexpr int kAnswerPixels = 28;
constexpr int kSmallestAnswerPixels = 18;

// A line's width in whole pixels, rounded up: eliding to a rounded-down width would cut a
// line that fits.
int widthOf(const QFont &font, const QString &text)
{
    return int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
}

QFont sized(const QFont &base, int pixels, bool bold)
{
    QFont font = base;
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

} // namespace

std::vector<ScreenArea> desktopScreens()
{
    std::vector<ScreenArea> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.push_back({screen->geometry(), screen->availableGeometry()});
    return screens;
}

// Outside the window manager's care (override-redirect on X11): it is mapped where it is put
// the moment it is shown, above the windows there, and can never be given the focus. Going
// through the window manager cost 20 to 40 ms more from key press to answer on a busy
// machine, and let it place and stack the window by its own rules.
AnswerWindow::AnswerWindow()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus | Qt::BypassWindowManagerHint)
{
    // Shown without taking the focus: the game keeps the keyboard.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    // A notification, for compositors that style windows by their type. Qt passes the type
    // to the window system only once the native window exists.
    winId();
    setAttribute(Qt::WA_X11NetWmWindowTypeNotification);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("answerWindow"));
    setWindowTitle(QStringLiteral("答案"));
    setCursor(Qt::PointingHandCursor);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &AnswerWindow::dismiss);
}

void AnswerWindow::present(const AnswerCard &card, const QRect &region)
{
    m_card = card;
    const std::vector<ScreenArea> screens = desktopScreens();
    const int holder = screenHolding(region, screens);
    const int room = holder < 0 ? kWidest : screens[size_t(holder)].geometry.width();
    const QSize size = layOut(std::min(kWidest, room - 2 * kAnswerGap));
    setGeometry(placeBeside(region, size, screens));
    // Screen readers read it out as it appears.
    setAccessibleName(shownLines().join(u'\n'));
    show();
    raise();
    update();
    m_timer.start(showMilliseconds(card.kind));
}

QStringList AnswerWindow::shownLines() const
{
    QStringList lines;
    for (const Line &line : m_lines)
        lines += line.text;
    return lines;
}

void AnswerWindow::dismiss()
{
    m_timer.stop();
    hide();
}

QSize AnswerWindow::layOut(int widest)
{
    const QFont base = font();
    const QFont small = sized(base, kSmallPixels, false);
    const QFont title = sized(base, kTitlePixels, true);
    m_lines.clear();
    switch (m_card.kind) {
    case AnswerCard::Kind::Answer:
        if (!m_card.title.isEmpty())
            m_lines.push_back({m_card.title, sized(base, kSmallPixels, true), kWarning});
        for (size_t i = 0; i < m_card.entries.size(); ++i) {
            const AnswerCard::Entry &entry = m_card.entries[i];
            m_lines.push_back({entry.question, small, kQuestion, i > 0});
            m_lines.push_back(
                {entry.answer, sized(base, kAnswerPixels, true), kAnswer, false, true});
        }
        if (!m_card.footnote.isEmpty())
            m_lines.push_back({m_card.footnote, small, kWarning});
        break;
    case AnswerCard::Kind::Notice:
        m_lines.push_back({m_card.title, title, kWarning});
        if (!m_card.hint.isEmpty())
            m_lines.push_back({m_card.hint, sized(base, kSmallPixels + 1, false), kPlain});
        break;
    case AnswerCard::Kind::State:
        m_lines.push_back({m_card.title, title, kPlain});
        break;
    }

    const int contentLimit = std::max(kNarrowest, widest) - 2 * kPadding - kAccent;
    // A long answer first gets smaller type; only what still does not fit is elided.
    for (Line &line : m_lines) {
        while (line.shrinks && line.font.pixelSize() > kSmallestAnswerPixels &&
               widthOf(line.font, line.text) > contentLimit)
            line.font.setPixelSize(line.font.pixelSize() - 2);
    }
    int content = kNarrowest - 2 * kPadding;
    for (const Line &line : m_lines)
        content = std::max(content, widthOf(line.font, line.text));
    content = std::min(content, contentLimit);
    int height = 2 * kPadding;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        Line &line = m_lines[i];
        const QFontMetrics metrics(line.font);
        line.text = metrics.elidedText(line.text, Qt::ElideRight, content);
        height += metrics.height() + (i ? (line.ruleAbove ? 2 * kRuleGap + 1 : kLineGap) : 0);
    }
    return QSize(kAccent + content + 2 * kPadding, height);
}

void AnswerWindow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setPen(kBorder);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.fillRect(QRect(1, 1, kAccent, height() - 2),
                     m_card.kind == AnswerCard::Kind::Answer   ? kAnswer
                     : m_card.kind == AnswerCard::Kind::Notice ? kWarning
                                                               : kPlain);
    painter.translate(kAccent, 0);
    const int contentWidth = width() - kAccent - 2 * kPadding;
    int y = kPadding;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (i && line.ruleAbove) {
            y += kRuleGap;
            painter.setPen(kBorder);
            painter.drawLine(kPadding, y, kPadding + contentWidth - 1, y);
            y += 1 + kRuleGap;
        } else if (i) {
            y += kLineGap;
        }
        const QFontMetrics metrics(line.font);
        painter.setFont(line.font);
        painter.setPen(line.colour);
        painter.drawText(QRect(kPadding, y, contentWidth, metrics.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, line.text);
        y += metrics.height();
    }
    painter.end();
    emit painted();
}

void AnswerWindow::mousePressEvent(QMouseEvent *)
{
    dismiss();
}

} // namespace capture
