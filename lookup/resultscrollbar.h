// The result list's scroll bars, which keep the picture they last drew.
//
// Every refill of the list lays the list out again, and Qt then raises both of its scroll bars
// above the viewport; raising a widget redraws it, so both bars are redrawn at every keystroke
// whether or not anything about them changed. With the Fusion style a bar is gradients that the
// paint engine spreads over the GUI thread pool, which makes the bars most of the cost of showing
// a new result. A bar here draws through the style only when its look changes and otherwise puts
// back the same pixels from its last drawing.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QScrollBar>
#include <QStyle>

#include <optional>

class ResultScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    explicit ResultScrollBar(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Everything the Fusion style's drawing of a resting bar depends on: the numbers behind the
    // slider count only through where it stands and whether it is at an end.
    struct Look
    {
        const QStyle *style;
        qreal pixelRatio;
        qint64 palette;
        QStyle::State state;
        QRect rect, slider;
        bool empty, atMinimum, atMaximum;
        bool operator==(const Look &) const = default;
    };
    // None while the pointer is over the bar or a button is down (the bar then shows which part
    // is hovered or pressed), or with a style whose drawing is not known to depend on the look
    // alone or that fades the bar in and out.
    std::optional<Look> restingLook() const;

    QPixmap m_picture;
    std::optional<Look> m_pictured;
};
