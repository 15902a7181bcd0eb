#include "tools/instructionpicture/composition.h"

#include "app/window/appicon.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextOption>

#include <cmath>

using namespace Qt::StringLiterals;

namespace tools {
namespace {

const QColor ink(0x22, 0x22, 0x22);
const QColor accent(0xd3, 0x2f, 0x2f);     // the red of the marks and arrows
const QColor headerBlue(0x1d, 0x4f, 0x91); // the blue of the program's icon
const QColor noteFill(0xff, 0xf8, 0xe1);
const QColor frameGrey(0x9e, 0x9e, 0x9e);

QFont font(int pixels, bool bold = false)
{
    QFont f;
    f.setFamilies(
        {u"WenQuanYi Zen Hei"_s, u"Noto Sans CJK SC"_s, u"Droid Sans Fallback"_s, u"SimSun"_s});
    f.setPixelSize(pixels);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// A part of a page picture, reduced by `scale` with area averaging, so that small text keeps
// its shape instead of losing pixel rows.
QImage reduce(const QImage &page, const QRect &part, qreal scale)
{
    const QImage cut = page.copy(part);
    return cut.scaled(qRound(part.width() * scale), qRound(part.height() * scale),
                      Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// Where a place of a page picture lands once its part `part` is drawn at `origin`, reduced.
struct Placement
{
    QPointF origin;
    QRect part;
    qreal scale;
    QRectF map(const QRect &r) const
    {
        return QRectF(origin.x() + (r.x() - part.x()) * scale,
                      origin.y() + (r.y() - part.y()) * scale, r.width() * scale,
                      r.height() * scale);
    }
};

void drawPicture(QPainter &p, const QImage &image, QPointF at)
{
    p.drawImage(at, image);
    p.setPen(QPen(frameGrey, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(at.x() - 0.5, at.y() - 0.5, image.width() + 1, image.height() + 1));
}

void mark(QPainter &p, const QRectF &r)
{
    p.setPen(QPen(accent, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(-2, -2, 2, 2), 3, 3);
}

void arrow(QPainter &p, QPointF from, QPointF to)
{
    p.setPen(QPen(accent, 1.4, Qt::SolidLine, Qt::RoundCap));
    const QPointF d = to - from;
    const qreal length = std::hypot(d.x(), d.y());
    const QPointF unit = d / length;
    const QPointF normal(-unit.y(), unit.x());
    const qreal head = 6;
    p.drawLine(from, to - unit * head * 0.8);
    QPolygonF tip;
    tip << to << to - unit * head + normal * head * 0.45 << to - unit * head - normal * head * 0.45;
    p.setBrush(accent);
    p.setPen(Qt::NoPen);
    p.drawPolygon(tip);
}

// A note: a pale box with a red edge; returns the box.
QRectF note(QPainter &p, const QRectF &box, const QString &text)
{
    p.setPen(QPen(accent, 1));
    p.setBrush(noteFill);
    p.drawRoundedRect(box, 4, 4);
    p.setPen(ink);
    p.setFont(font(11));
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    p.drawText(box.adjusted(5, 3, -4, -2), text, wrap);
    return box;
}

// A round number that ties a heading of the lower part to the place it speaks of.
void badge(QPainter &p, const QRectF &where, const QString &number)
{
    p.setPen(Qt::NoPen);
    p.setBrush(headerBlue);
    p.drawEllipse(where);
    p.setPen(Qt::white);
    p.setFont(font(where.height() > 13 ? 10 : 9, true));
    p.drawText(where, Qt::AlignCenter, number);
}

// A numbered heading of the lower part.
void numbered(QPainter &p, QPointF at, const QString &number, const QString &title)
{
    badge(p, QRectF(at.x(), at.y(), 15, 15), number);
    p.setPen(headerBlue);
    p.setFont(font(12, true));
    p.drawText(QPointF(at.x() + 20, at.y() + 12), title);
}

void paragraph(QPainter &p, const QRectF &box, const QString &text)
{
    p.setPen(ink);
    p.setFont(font(11));
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    p.drawText(box, text, wrap);
}

} // namespace

QImage compose(const Shots &shots)
{
    const Geometry &g = shots.geometry;
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);

    // Title band.
    p.fillRect(QRect(0, 0, kWidth, 26), headerBlue);
    p.drawImage(QPoint(6, 4), window::appIconImage(18));
    p.setPen(Qt::white);
    p.setFont(font(13, true));
    p.drawText(QRect(30, 0, kWidth - 36, 26), Qt::AlignVCenter | Qt::AlignLeft,
               u"ZembrikCorvanth多功能答题器 使用说明"_s);

    // Page 0 after the initials, from the tabs down to the display pair and its button.
    const QRect part0(0, 0, shots.initialsPage0.width(), g.frame1.bottom() + 4);
    const Placement page0{QPointF(6, 32), part0, 0.655};
    drawPicture(p, reduce(shots.initialsPage0, part0, page0.scale), page0.origin);
    const qreal right = page0.origin.x() + part0.width() * page0.scale + 8;
    const qreal noteWidth = kWidth - right - 5;

    // Notes on the right, each pointing at its control.
    const QRectF check2 = page0.map(g.check2);
    mark(p, check2);
    const QRectF onTop = note(p, QRectF(right, 64, noteWidth, 62),
                              u"勾选“是否始终前置”，答题器总在其他窗口前面，边玩边查。"_s);
    arrow(p, QPointF(onTop.left(), onTop.top() + 14),
          QPointF(check2.right() - 4, check2.bottom() + 3));

    const QRectF text1 = page0.map(g.text1);
    mark(p, text1);
    badge(p, QRectF(text1.right() - 14, text1.center().y() - 6, 12, 12), u"1"_s);
    const QRectF list = page0.map(g.listView1);
    const QRectF keys = note(p, QRectF(right, 136, noteWidth, 76),
                             u"输完关键字按回车或↑、↓键进入题目栏选题；按退格键“←”回到查询框。"_s);
    const QRectF selected = page0.map(g.selectedRow);
    arrow(p, QPointF(keys.left(), keys.top() + 20),
          QPointF(qMin(selected.right(), list.right()) - 4, selected.center().y()));

    const QRectF copy = page0.map(g.command12);
    mark(p, copy);
    const QRectF copied =
        note(p, QRectF(right, 222, noteWidth, 48), u"点“复制答题”，题目和答案复制到剪贴板。"_s);
    arrow(p, QPointF(copied.left(), copied.top() + 24),
          QPointF(copy.right() + 3, copy.center().y()));

    // The two ways of searching.
    const qreal lower = page0.origin.y() + part0.height() * page0.scale + 8;
    const qreal columnWidth = 255;
    numbered(p, QPointF(6, lower), u"1"_s, u"拼音首字母查询"_s);
    paragraph(
        p, QRectF(26, lower + 17, columnWidth - 20, 30),
        u"输入题目中每个字拼音的第一个字母，如输入“sjb”即可查到有“世界杯”的题目（见上图）。"_s);
    const qreal second = lower + 50;
    numbered(p, QPointF(6, second), u"2"_s, u"任意文字查询"_s);
    paragraph(p, QRectF(26, second + 17, columnWidth - 20, 16),
              u"输入题目中任意一段文字，如“冠军”："_s);
    // The query box and the first rows of the list, as far across as the list goes.
    const QRect insetPart(g.listView1.left() - 2, g.text1.top() - 3, g.listView1.width() + 4,
                          g.listView1.top() - g.text1.top() + 62);
    const Placement inset{QPointF(26, second + 35), insetPart,
                          (columnWidth - 26) / insetPart.width()};
    drawPicture(p, reduce(shots.fragmentPage0, insetPart, inset.scale), inset.origin);
    const QRectF insetText1 = inset.map(g.text1);
    mark(p, insetText1);
    badge(p, QRectF(insetText1.right() - 12, insetText1.center().y() - 5, 10, 10), u"2"_s);

    // Page 1, reduced.
    const qreal thumbLeft = 6 + columnWidth + 10;
    p.setPen(headerBlue);
    p.setFont(font(10, true));
    p.drawText(QRectF(thumbLeft, lower, kWidth - thumbLeft - 4, 14), Qt::AlignCenter,
               u"第二页：战魂评估/升级计算"_s);
    const qreal thumbTop = lower + 16;
    const qreal thumbScale = (kHeight - 5 - thumbTop) / shots.page1.height();
    const QImage thumb = reduce(shots.page1, QRect(QPoint(0, 0), shots.page1.size()), thumbScale);
    drawPicture(p, thumb,
                QPointF(thumbLeft + (kWidth - thumbLeft - 4 - thumb.width()) / 2, thumbTop));
    p.end();
    return picture;
}

} // namespace tools
