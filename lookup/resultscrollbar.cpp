#include "lookup/resultscrollbar.h"

#include <QGuiApplication>
#include <QPainter>
#include <QStyleOptionSlider>

using namespace Qt::StringLiterals;

ResultScrollBar::ResultScrollBar(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{}

std::optional<ResultScrollBar::Look> ResultScrollBar::restingLook() const
{
    const QStyle *s = style();
    if (s->name().compare(u"fusion"_s, Qt::CaseInsensitive) != 0 ||
        s->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this) || underMouse() ||
        isSliderDown() || QGuiApplication::mouseButtons() != Qt::NoButton)
        return std::nullopt;
    QStyleOptionSlider option;
    initStyleOption(&option);
    return Look{s,
                devicePixelRatioF(),
                palette().cacheKey(),
                option.state,
                option.rect,
                s->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                option.minimum == option.maximum,
                option.sliderValue == option.minimum,
                option.sliderValue == option.maximum};
}

void ResultScrollBar::paintEvent(QPaintEvent *event)
{
    const std::optional<Look> look = restingLook();
    if (!look) {
        m_pictured.reset();
        QScrollBar::paintEvent(event);
        return;
    }
    if (look != m_pictured) {
        // What QScrollBar draws for a bar that is neither hovered nor pressed.
        QStyleOptionSlider option;
        initStyleOption(&option);
        option.subControls = QStyle::SC_All;
        option.activeSubControls = QStyle::SC_None;
        m_picture = QPixmap(size() * look->pixelRatio);
        m_picture.setDevicePixelRatio(look->pixelRatio);
        m_picture.fill(Qt::transparent);
        QPainter painter(&m_picture);
        style()->drawComplexControl(QStyle::CC_ScrollBar, &option, &painter, this);
        m_pictured = look;
    }
    QPainter(this).drawPixmap(0, 0, m_picture);
}
