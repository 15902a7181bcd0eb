#include "bench/recognition/imageset.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QRegularExpression>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

using namespace Qt::StringLiterals;

namespace bench {

namespace {

// The faces, by family name (a .ttc holds several: the Simplified Chinese one is chosen by
// name). Droid Sans Fallback is left out: it has no Latin digits.
struct Face
{
    const char *family;
    std::array<const char *, 2> files;
    bool validationOnly;
};
const Face kFaces[] = {
    {"Noto Sans CJK SC",
     {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
      "/usr/share/fonts/opentype/noto/NotoSansCJK-Bold.ttc"},
     false},
    {"Noto Serif CJK SC",
     {"/usr/share/fonts/opentype/noto/NotoSerifCJK-Regular.ttc",
      "/usr/share/fonts/opentype/noto/NotoSerifCJK-Bold.ttc"},
     false},
    {"WenQuanYi Micro Hei", {"/usr/share/fonts/truetype/wqy/wqy-microhei.ttc", nullptr}, false},
    {"WenQuanYi Zen Hei", {"/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc", nullptr}, false},
    {"AR PL UMing CN", {"/usr/share/fonts/truetype/arphic/uming.ttc", nullptr}, false},
    {"AR PL UKai CN", {"/usr/share/fonts/truetype/arphic/ukai.ttc", nullptr}, false},
    {"AR PL KaitiM GB", {"/usr/share/fonts/truetype/arphic-gkai00mp/gkai00mp.ttf", nullptr}, true},
    {"AR PL SungtiL GB", {"/usr/share/fonts/truetype/arphic-gbsn00lp/gbsn00lp.ttf", nullptr}, true},
};

enum Ground { PanelOverScene, BareScene, Plasma, Noise, Tiles, Gradient, Bokeh, kGroundCount };
const char *const kGroundNames[] = {"panel over scene", "bare scene", "plasma", "noise", "tiles",
                                    "gradient",         "bokeh"};
constexpr Ground kValidationOnlyGround = Bokeh;

struct SplitPlan
{
    std::uint32_t seed;
};
constexpr SplitPlan kTuningPlan{20261207};
constexpr SplitPlan kValidationPlan{90417733};

class Dice
{
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}
    int between(int low, int high) // inclusive
    {
        if (high <= low)
            return low;
        return low + int(m_engine() % std::uint32_t(high - low + 1));
    }
    double real(double low, double high)
    {
        return low + (high - low) * double(m_engine()) / double(std::mt19937::max());
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <class T> const T &pick(const std::vector<T> &items)
    {
        return items[size_t(between(0, int(items.size()) - 1))];
    }
    // An index drawn by weight.
    int weighted(std::initializer_list<int> weights)
    {
        int total = 0;
        for (const int w : weights)
            total += w;
        int roll = between(1, total), i = 0;
        for (const int w : weights) {
            if ((roll -= w) <= 0)
                return i;
            ++i;
        }
        return i - 1;
    }

private:
    std::mt19937 m_engine;
};

// --- Colours, held to a band of relative luminance so that text stays readable by design:
// plain or shadowed light text only ever lies on grounds of luminance at most 0.12, dark text
// on at least 0.45; outlined or glowing text, which the game draws so to stand out from a busy
// scene, on grounds up to 0.2 and down to 0.4.

double linear(int v)
{
    const double c = v / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double luminance(const QColor &c)
{
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

// The colour of hue and saturation (0-255) whose luminance is nearest `target`.
QColor ofLuminance(int hue, int saturation, double target)
{
    int low = 0, high = 255;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (luminance(QColor::fromHsl(hue, saturation, mid)) < target)
            low = mid + 1;
        else
            high = mid;
    }
    return QColor::fromHsl(hue, saturation, low);
}

struct Band
{
    double low, high;
};
constexpr Band kDarkGround{0.004, 0.12};
constexpr Band kLightGround{0.45, 0.85};
constexpr Band kBusyDarkGround{0.004, 0.2};
constexpr Band kBusyLightGround{0.4, 0.9};

bool isLight(Band band)
{
    return band.low >= 0.3;
}
constexpr Band kAnyScene{0.02, 0.7};

// A ground colour: on light grounds mostly the warm hues of parchment.
QColor groundColour(Dice &dice, Band band, int hue = -1)
{
    const bool light = isLight(band);
    if (hue < 0)
        hue = light && dice.chance(75) ? dice.between(25, 55) : dice.between(0, 359);
    const int saturation = light ? dice.between(40, 150) : dice.between(20, 220);
    return ofLuminance(hue, saturation, dice.real(band.low, band.high));
}

// --- Grounds. Each paints a rectangle of its own layer.

void paintScene(QPainter &p, const QRectF &r, Dice &dice, Band band)
{
    const auto colour = [&](int hue = -1) { return groundColour(dice, band, hue); };
    QLinearGradient sky(r.topLeft(), r.bottomLeft());
    sky.setColorAt(0, colour(dice.between(190, 250)));
    sky.setColorAt(1, colour(dice.between(0, 60)));
    p.fillRect(r, sky);
    p.setPen(Qt::NoPen);
    // A sun or moon, then clouds.
    QColor sun = colour(dice.between(30, 60));
    p.setBrush(sun);
    const double radius = dice.real(0.08, 0.2) * r.height();
    p.drawEllipse(QPointF(r.left() + dice.real(0.1, 0.9) * r.width(),
                          r.top() + dice.real(0.05, 0.35) * r.height()),
                  radius, radius);
    for (int i = 0, n = dice.between(2, 7); i < n; ++i) {
        QColor cloud = colour(dice.between(200, 240));
        cloud.setAlpha(dice.between(90, 200));
        p.setBrush(cloud);
        const QPointF at(r.left() + dice.real(0, 1) * r.width(),
                         r.top() + dice.real(0.05, 0.4) * r.height());
        for (int k = 0; k < 4; ++k) {
            p.drawEllipse(at + QPointF(dice.real(-30, 30), dice.real(-6, 6)), dice.real(12, 36),
                          dice.real(5, 14));
        }
    }
    // Ridges of hills, farther ones first, then trees and roofs on the nearest.
    const int layers = dice.between(1, 3);
    for (int layer = 0; layer < layers; ++layer) {
        QPainterPath ridge;
        double y = r.top() + r.height() * dice.real(0.35 + 0.15 * layer, 0.6 + 0.12 * layer);
        ridge.moveTo(r.left(), r.bottom());
        for (double x = r.left(); x <= r.right() + 12; x += dice.real(8, 30)) {
            y = std::clamp(y + dice.real(-12, 12), r.top() + r.height() * 0.25, r.bottom());
            ridge.lineTo(x, y);
        }
        ridge.lineTo(r.right() + 12, r.bottom());
        ridge.closeSubpath();
        p.setBrush(colour(dice.between(80, 160)));
        p.drawPath(ridge);
    }
    for (int i = 0, n = dice.between(3, 14); i < n; ++i) {
        const double x = r.left() + dice.real(0, 1) * r.width();
        const double base = r.top() + r.height() * dice.real(0.7, 1.0);
        const double h = dice.real(10, 40);
        p.setBrush(colour());
        if (dice.chance(60)) { // a tree
            QPolygonF tree;
            tree << QPointF(x, base - h) << QPointF(x - h / 3, base) << QPointF(x + h / 3, base);
            p.drawPolygon(tree);
        } else { // a house with a roof and a lit window
            const double w = dice.real(14, 40);
            p.drawRect(QRectF(x, base - h * 0.6, w, h * 0.6));
            QPolygonF roof;
            roof << QPointF(x - 4, base - h * 0.6) << QPointF(x + w + 4, base - h * 0.6)
                 << QPointF(x + w / 2, base - h);
            p.setBrush(colour());
            p.drawPolygon(roof);
            p.setBrush(colour(dice.between(40, 55)));
            p.drawRect(QRectF(x + w / 3, base - h * 0.45, w / 4, h / 6));
        }
    }
}

void paintPlasma(QImage &layer, Dice &dice, Band band)
{
    // A palette of hues whose luminance swings across the band, indexed by a sum of waves.
    std::array<QRgb, 256> palette{};
    const int hue0 = dice.between(0, 359), hueSpan = dice.between(90, 360);
    const int saturation = isLight(band) ? dice.between(60, 140) : dice.between(120, 255);
    const double swings = dice.real(1, 3);
    for (int k = 0; k < 256; ++k) {
        const double wave = 0.5 + 0.5 * std::sin(2 * M_PI * swings * k / 256.0);
        palette[size_t(k)] = ofLuminance((hue0 + hueSpan * k / 256) % 360, saturation,
                                         band.low + (band.high - band.low) * wave)
                                 .rgb();
    }
    std::array<double, 4> scale{}, phase{};
    for (size_t i = 0; i < 4; ++i) {
        scale[i] = dice.real(8, 40);
        phase[i] = dice.real(0, 2 * M_PI);
    }
    const double cx = dice.real(0, layer.width()), cy = dice.real(0, layer.height());
    for (int y = 0; y < layer.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const double v = std::sin(x / scale[0] + phase[0]) + std::sin(y / scale[1] + phase[1]) +
                             std::sin((x + y) / scale[2] + phase[2]) +
                             std::sin(std::hypot(x - cx, y - cy) / scale[3] + phase[3]);
            line[x] = palette[size_t(std::clamp(int((v + 4) * 32), 0, 255))];
        }
    }
}

void paintNoise(QImage &layer, Dice &dice, Band band)
{
    QPainter(&layer).fillRect(layer.rect(), groundColour(dice, band));
    const bool light = isLight(band);
    const int amplitude = dice.between(18, light ? 45 : 30);
    const bool coloured = dice.chance(50);
    for (int y = 0; y < layer.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(layer.scanLine(y));
        for (int x = 0; x < layer.width(); ++x) {
            const int grey = dice.between(-amplitude, amplitude);
            const auto clip = [&](int v) {
                return std::clamp(v + (coloured ? dice.between(-amplitude, amplitude) : grey), 0,
                                  255);
            };
            line[x] = qRgb(clip(qRed(line[x])), clip(qGreen(line[x])), clip(qBlue(line[x])));
        }
    }
}

const char *paintTiles(QPainter &p, const QRectF &r, Dice &dice, Band band)
{
    const QColor base = groundColour(dice, band), other = groundColour(dice, band);
    p.fillRect(r, base);
    switch (dice.between(0, 2)) {
    case 0: { // bricks, each a shade of its own, with mortar between them
        const double w = dice.between(16, 40), h = dice.between(7, 16), mortar = dice.between(1, 3);
        const QColor joint = groundColour(dice, band);
        p.fillRect(r, joint);
        p.setPen(Qt::NoPen);
        int row = 0;
        for (double y = r.top(); y < r.bottom(); y += h, ++row) {
            for (double x = r.left() - (row % 2 ? w / 2 : 0); x < r.right(); x += w) {
                p.setBrush(dice.chance(50) ? base : groundColour(dice, band, base.hslHue()));
                p.drawRect(QRectF(x + mortar / 2, y + mortar / 2, w - mortar, h - mortar));
            }
        }
        return "bricks";
    }
    case 1: { // checks
        const double cell = dice.between(5, 22);
        for (double y = r.top(); y < r.bottom(); y += cell) {
            for (double x = r.left(); x < r.right(); x += cell) {
                if ((int((x - r.left()) / cell) + int((y - r.top()) / cell)) % 2)
                    p.fillRect(QRectF(x, y, cell, cell), other);
            }
        }
        return "checks";
    }
    default: { // an ornament repeated: diamonds, rings with a cross, or a square spiral
        const double cell = dice.between(12, 30);
        const int motif = dice.between(0, 2);
        p.setPen(QPen(other, dice.between(1, 2)));
        p.setBrush(Qt::NoBrush);
        for (double y = r.top(); y < r.bottom(); y += cell) {
            for (double x = r.left(); x < r.right(); x += cell) {
                const QPointF c(x + cell / 2, y + cell / 2);
                const double s = cell * 0.4;
                if (motif == 0) {
                    QPolygonF diamond;
                    diamond << c + QPointF(0, -s) << c + QPointF(s, 0) << c + QPointF(0, s)
                            << c + QPointF(-s, 0);
                    p.drawPolygon(diamond);
                } else if (motif == 1) {
                    p.drawEllipse(c, s, s);
                    p.drawLine(c + QPointF(-s, 0), c + QPointF(s, 0));
                    p.drawLine(c + QPointF(0, -s), c + QPointF(0, s));
                } else {
                    QPolygonF spiral;
                    spiral << c + QPointF(-s, s) << c + QPointF(-s, -s) << c + QPointF(s, -s)
                           << c + QPointF(s, s) << c + QPointF(-s / 2, s)
                           << c + QPointF(-s / 2, -s / 2) << c + QPointF(s / 2, -s / 2)
                           << c + QPointF(s / 2, s / 2);
                    p.drawPolyline(spiral);
                }
            }
        }
        return "ornaments";
    }
    }
}

void paintGradient(QPainter &p, const QRectF &r, Dice &dice, Band band)
{
    if (dice.chance(65)) {
        const double angle = dice.real(0, M_PI);
        const QPointF c = r.center(),
                      d(std::cos(angle) * r.width() / 2, std::sin(angle) * r.height() / 2);
        QLinearGradient g(c - d, c + d);
        const int stops = dice.between(2, 3);
        for (int i = 0; i < stops; ++i)
            g.setColorAt(double(i) / (stops - 1), groundColour(dice, band));
        p.fillRect(r, g);
    } else {
        QRadialGradient g(
            QPointF(r.left() + dice.real(0, 1) * r.width(), r.top() + dice.real(0, 1) * r.height()),
            std::max(r.width(), r.height()) * dice.real(0.4, 1.0));
        g.setColorAt(0, groundColour(dice, band));
        g.setColorAt(1, groundColour(dice, band));
        p.fillRect(r, g);
    }
}

// Soft discs of light and small four-pointed sparkles over a gradient.
void paintBokeh(QPainter &p, const QRectF &r, Dice &dice, Band band)
{
    paintGradient(p, r, dice, band);
    p.setPen(Qt::NoPen);
    for (int i = 0, n = dice.between(12, 40); i < n; ++i) {
        const QPointF c(r.left() + dice.real(0, 1) * r.width(),
                        r.top() + dice.real(0, 1) * r.height());
        const double radius = dice.real(4, 30);
        QRadialGradient g(c, radius);
        QColor light = groundColour(dice, {band.high * 0.8, band.high});
        light.setAlpha(dice.between(80, 200));
        g.setColorAt(0, light);
        g.setColorAt(dice.real(0.5, 0.9), light);
        light.setAlpha(0);
        g.setColorAt(1, light);
        p.setBrush(g);
        p.drawEllipse(c, radius, radius);
    }
    for (int i = 0, n = dice.between(4, 14); i < n; ++i) {
        const QPointF c(r.left() + dice.real(0, 1) * r.width(),
                        r.top() + dice.real(0, 1) * r.height());
        const double s = dice.real(2, 6);
        QPolygonF star;
        for (int k = 0; k < 8; ++k) {
            const double reach = k % 2 ? s / 4 : s, a = k * M_PI / 4;
            star << c + QPointF(std::cos(a) * reach, std::sin(a) * reach);
        }
        p.setBrush(groundColour(dice, {band.high * 0.9, band.high}));
        p.drawPolygon(star);
    }
}

// --- Image operations.

// A Gaussian blur of every channel, edges clamped.
QImage blurred(const QImage &source, double sigma)
{
    const QImage in = source.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int radius = std::max(1, int(std::ceil(sigma * 3)));
    std::vector<double> kernel(2 * size_t(radius) + 1);
    double sum = 0;
    for (int i = -radius; i <= radius; ++i) {
        const int at = i + radius;
        sum += kernel[size_t(at)] = std::exp(-i * i / (2 * sigma * sigma));
    }
    for (double &k : kernel)
        k /= sum;
    const int w = in.width(), h = in.height();
    const auto pass = [&](const QImage &from, bool horizontal) {
        QImage to(w, h, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < h; ++y) {
            auto *out = reinterpret_cast<QRgb *>(to.scanLine(y));
            for (int x = 0; x < w; ++x) {
                std::array<double, 4> acc{};
                for (int i = -radius; i <= radius; ++i) {
                    const int sx = horizontal ? std::clamp(x + i, 0, w - 1) : x;
                    const int sy = horizontal ? y : std::clamp(y + i, 0, h - 1);
                    const QRgb v = reinterpret_cast<const QRgb *>(from.constScanLine(sy))[sx];
                    const int at = i + radius;
                    const double k = kernel[size_t(at)];
                    acc[0] += k * qRed(v);
                    acc[1] += k * qGreen(v);
                    acc[2] += k * qBlue(v);
                    acc[3] += k * qAlpha(v);
                }
                out[x] = qRgba(int(std::lround(acc[0])), int(std::lround(acc[1])),
                               int(std::lround(acc[2])), int(std::lround(acc[3])));
            }
        }
        return to;
    };
    return pass(pass(in, true), false).convertToFormat(source.format());
}

QImage jpeg(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB32);
}

// --- Text.

QString halfWidth(QString text)
{
    static const std::pair<char16_t, char16_t> forms[] = {
        {u'？', u'?'}, {u'，', u','}, {u'：', u':'}, {u'；', u';'}, {u'！', u'!'},
        {u'（', u'('}, {u'）', u')'}, {u'“', u'"'},  {u'”', u'"'},  {u'。', u'.'}};
    for (QChar &c : text) {
        for (const auto &[full, half] : forms) {
            if (c == QChar(full))
                c = QChar(half);
        }
    }
    return text;
}

bool covers(const QFontMetricsF &metrics, const QString &text)
{
    for (const QChar c : text) {
        if (!c.isSpace() && !metrics.inFont(c))
            return false;
    }
    return true;
}

bool hasLatinOrDigit(const QString &text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E
                               ? char16_t(c.unicode() - 0xFEE0)
                               : c.unicode();
        if ((u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
            return true;
    }
    return false;
}

// The answer as a game might word its option: without what is in brackets, without a final
// 省 or 市, "前221年" for "公元前221年". The text itself when no rule applies.
QString reworded(const QString &answer)
{
    QString out = answer;
    static const QRegularExpression bracketed(u"[（(][^）)]*[）)]"_s);
    out.remove(bracketed);
    if (out.size() >= 3 && (out.endsWith(u'省') || out.endsWith(u'市')))
        out.chop(1);
    if (out.startsWith(u"公元前"_s))
        out.remove(0, 2);
    return out.trimmed().isEmpty() ? answer : out.trimmed();
}

// Lines of at most `width` advance, broken between any two characters.
QStringList wrapped(const QFontMetricsF &metrics, const QString &text, double width)
{
    QStringList lines;
    QString line;
    for (const QChar c : text) {
        if (!line.isEmpty() && metrics.horizontalAdvance(line + c) > width) {
            lines += line;
            line.clear();
        }
        line += c;
    }
    if (!line.isEmpty())
        lines += line;
    return lines;
}

// The narrowest width that wraps `text` into `count` lines (fewer when it is too short).
QStringList wrappedInto(const QFontMetricsF &metrics, const QString &text, int count)
{
    const double whole = metrics.horizontalAdvance(text);
    if (count <= 1)
        return {text};
    for (double width = whole / count; width < whole + 1; width *= 1.03) {
        QStringList lines = wrapped(metrics, text, width);
        if (lines.size() <= count)
            return lines;
    }
    return {text};
}

struct Placed
{
    QString text;
    QPointF at; // the left end of the baseline
    QRectF box; // the line's box: advance wide, ascent to descent high
};

struct Style
{
    enum Kind { Plain, Outline, Shadow, Glow } kind = Plain;
    int outlineWidth = 1;
    QColor ink, effect;
    bool goldGradient = false;
    QPointF shadowOffset;
    double blur = 0;
};

QPainterPath pathOf(const std::vector<Placed> &texts, const QFont &font)
{
    QPainterPath path;
    for (const Placed &t : texts)
        path.addText(t.at, font, t.text);
    return path;
}

void drawInk(QPainter &p, const std::vector<Placed> &texts, const QFont &font, const Style &s)
{
    p.setFont(font);
    for (const Placed &t : texts) {
        if (s.goldGradient) {
            QLinearGradient g(t.box.topLeft(), t.box.bottomLeft());
            g.setColorAt(0, s.ink.lighter(125));
            g.setColorAt(1, s.ink.darker(118));
            p.setPen(QPen(QBrush(g), 1));
        } else {
            p.setPen(s.ink);
        }
        p.drawText(t.at, t.text);
    }
}

void drawTexts(QImage &screen, const std::vector<Placed> &texts, const QFont &font, const Style &s)
{
    if (s.kind == Style::Shadow || s.kind == Style::Glow) {
        QImage layer(screen.size(), QImage::Format_ARGB32_Premultiplied);
        layer.fill(Qt::transparent);
        {
            QPainter p(&layer);
            p.setRenderHint(QPainter::Antialiasing);
            const QPainterPath path = pathOf(texts, font);
            if (s.kind == Style::Shadow) {
                p.fillPath(path.translated(s.shadowOffset), s.effect);
            } else {
                p.strokePath(path, QPen(s.effect, 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                p.fillPath(path, s.effect);
            }
        }
        if (s.blur > 0)
            layer = blurred(layer, s.blur);
        QPainter p(&screen);
        p.drawImage(0, 0, layer);
        if (s.kind == Style::Glow) // a glow is a halo both strong and soft
            p.drawImage(0, 0, layer);
    }
    QPainter p(&screen);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (s.kind == Style::Outline) {
        const QPainterPath path = pathOf(texts, font);
        p.strokePath(
            path, QPen(s.effect, 2.0 * s.outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    }
    // The ink itself as the game's text renderer draws it, hinted, over any outline.
    drawInk(p, texts, font, s);
}

// Four small flourishes on the panel's corners and an icon beside the question.
void drawOrnaments(QPainter &p, const QRectF &panel, const QColor &metal, Dice &dice, double size)
{
    p.setPen(QPen(metal.darker(150), 1));
    p.setBrush(metal);
    const int shape = dice.between(0, 2);
    for (const QPointF &c :
         {panel.topLeft(), panel.topRight(), panel.bottomLeft(), panel.bottomRight()}) {
        if (shape == 0) {
            QPolygonF diamond;
            diamond << c + QPointF(0, -size) << c + QPointF(size, 0) << c + QPointF(0, size)
                    << c + QPointF(-size, 0);
            p.drawPolygon(diamond);
        } else if (shape == 1) {
            p.drawEllipse(c, size * 0.7, size * 0.7);
            p.drawEllipse(c, size * 0.3, size * 0.3);
        } else {
            p.drawRect(QRectF(c - QPointF(size / 2, size / 2), QSizeF(size, size)));
        }
    }
}

void drawIcon(QPainter &p, const QRectF &r, Dice &dice)
{
    QLinearGradient g(r.topLeft(), r.bottomRight());
    g.setColorAt(0, QColor::fromHsl(dice.between(0, 359), 180, 150));
    g.setColorAt(1, QColor::fromHsl(dice.between(0, 359), 200, 60));
    p.setPen(QPen(QColor(230, 200, 120), 1.5));
    p.setBrush(g);
    p.drawRoundedRect(r, r.width() * 0.2, r.width() * 0.2);
    // A scroll or a book: a pale sheet with lines on it.
    p.setBrush(QColor(245, 235, 205));
    p.setPen(Qt::NoPen);
    const QRectF sheet =
        r.adjusted(r.width() * 0.25, r.height() * 0.2, -r.width() * 0.25, -r.height() * 0.2);
    p.drawRect(sheet);
    p.setPen(QPen(QColor(120, 80, 40), 1));
    for (double y = sheet.top() + sheet.height() / 4; y < sheet.bottom() - 1;
         y += sheet.height() / 4)
        p.drawLine(QPointF(sheet.left() + 2, y), QPointF(sheet.right() - 2, y));
}

QColor inkOf(Dice &dice, int kind)
{
    switch (kind) {
    case 0: // gold
        return ofLuminance(dice.between(38, 50), dice.between(200, 255), dice.real(0.5, 0.7));
    case 1: // white
        return ofLuminance(dice.between(0, 359), dice.between(0, 40), dice.real(0.82, 1.0));
    case 2: // cyan
        return ofLuminance(dice.between(175, 195), dice.between(170, 255), dice.real(0.5, 0.72));
    default: // dark, on parchment
        return ofLuminance(dice.between(0, 40), dice.between(0, 120), dice.real(0.0, 0.03));
    }
}

const char *const kInkNames[] = {"gold on dark", "white on dark", "cyan on dark",
                                 "dark on parchment"};

struct FaceChoice
{
    QString family;
    bool bold = false;
};

} // namespace

const char *splitName(Split split)
{
    return split == Split::Tuning ? "tuning" : "validation";
}

QStringList loadFonts()
{
    QStringList families;
    for (const Face &face : kFaces) {
        bool found = false;
        for (const char *file : face.files) {
            if (!file)
                continue;
            const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
            found = found || (id >= 0 && QFontDatabase::applicationFontFamilies(id).contains(
                                             QString::fromUtf8(face.family)));
        }
        if (found)
            families += QString::fromUtf8(face.family);
    }
    return families;
}

QStringList fontsOf(Split split)
{
    static const QStringList installed = loadFonts();
    QStringList out;
    for (const Face &face : kFaces) {
        const QString family = QString::fromUtf8(face.family);
        if (installed.contains(family) && (split == Split::Validation || !face.validationOnly))
            out += family;
    }
    return out;
}

QStringList groundsOf(Split split)
{
    QStringList out;
    for (int g = 0; g < kGroundCount; ++g) {
        if (split == Split::Validation || g != kValidationOnlyGround)
            out += QString::fromUtf8(kGroundNames[g]);
    }
    return out;
}

std::vector<Capture> renderCaptures(const std::vector<store::CvRow> &rows, Split split, int count,
                                    std::uint32_t seed)
{
    const SplitPlan plan = split == Split::Tuning ? kTuningPlan : kValidationPlan;
    Dice dice(seed != 0 ? seed : plan.seed);
    const QStringList fonts = fontsOf(split);
    std::vector<int> grounds;
    for (int g = 0; g < kGroundCount; ++g) {
        if (split == Split::Validation || g != kValidationOnlyGround)
            grounds.push_back(g);
    }
    std::vector<qsizetype> usable;
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        const store::CvRow &r = rows[size_t(i)];
        if (r.question && !r.question->trimmed().isEmpty() && r.answer &&
            !r.answer->trimmed().isEmpty())
            usable.push_back(i);
    }
    std::vector<Capture> captures;
    if (fonts.isEmpty() || usable.size() < 4)
        return captures;
    captures.reserve(size_t(count));

    for (int n = 0; n < count; ++n) {
        Capture c;
        c.split = split;
        c.index = n;
        std::vector<Factor> &f = c.factors;
        const auto record = [&f](const char *name, const QString &value) {
            f.emplace_back(QString::fromUtf8(name), value);
        };

        // The face, its size and the display's scaling.
        c.font = fonts[dice.between(0, int(fonts.size()) - 1)];
        const bool bold = dice.chance(40);
        const int band = dice.between(0, 2);
        static const int sizes[3][2] = {{11, 14}, {16, 22}, {28, 36}};
        c.pixelSize = dice.between(sizes[band][0], sizes[band][1]);
        static const int scalings[] = {100, 125, 150};
        const int scaling = scalings[dice.between(0, 2)];
        QFont font(c.font);
        font.setPixelSize(c.pixelSize);
        font.setWeight(bold ? QFont::Bold : QFont::Normal);
        // No other face may stand in for a missing character: rows the face cannot draw are
        // passed over instead.
        font.setStyleStrategy(QFont::NoFontMerging);
        const QFontMetricsF metrics(font);

        // The question and what surrounds it.
        const bool half = dice.chance(40);
        const int prefixKind = dice.weighted({40, 30, 30});
        const int number = dice.between(1, 30);
        QString prefix;
        if (prefixKind == 1)
            prefix = dice.chance(50) ? u"第%1题 "_s.arg(number) : u"第%1题："_s.arg(number);
        else if (prefixKind == 2)
            prefix = dice.chance(50) ? u"【每日答题】"_s : u"【每日答题】第%1题 "_s.arg(number);
        const bool timer = dice.chance(40);
        static const QString timers[] = {u"倒计时 %1秒"_s, u"%1s"_s, u"剩余时间：%1"_s, u"00:%1"_s,
                                         u"%1"_s};
        const int timerKind = dice.between(0, 4);
        const QString timerText =
            timers[timerKind].arg(dice.between(1, 30), timerKind == 3 ? 2 : 1, 10, QChar(u'0'));
        const int lines = 1 + dice.weighted({40, 35, 25});
        const int optionLayout = dice.weighted({50, 20, 15, 15}); // none, row, grid, column
        const bool rewordOptions = dice.chance(30);
        static const QString labels[] = {u"%1."_s, u"%1、"_s, u"%1："_s, u"%1)"_s, u"%1 "_s};
        const QString label = labels[dice.between(0, 4)];
        const bool labelSpace = dice.chance(40);

        // A row whose every character the face draws.
        QString question, answer;
        QStringList options;
        for (int attempt = 0;; ++attempt) {
            c.row = dice.pick(usable);
            question = *rows[size_t(c.row)].question;
            answer = *rows[size_t(c.row)].answer;
            options.clear();
            if (optionLayout > 0) {
                // Three other answers, alike in kind where the store has them.
                QStringList shown{answer};
                const bool digits = hasLatinOrDigit(answer);
                for (int tries = 0; shown.size() < 4 && tries < 400; ++tries) {
                    const QString other = *rows[size_t(dice.pick(usable))].answer;
                    const bool alike = hasLatinOrDigit(other) == digits &&
                                       std::abs(other.size() - answer.size()) <= 3;
                    bool clash = false;
                    for (const QString &s : shown)
                        clash = clash || s.contains(other) || other.contains(s);
                    if (!clash && (alike || tries > 200))
                        shown += other;
                }
                if (rewordOptions) {
                    for (QString &s : shown)
                        s = reworded(s);
                }
                shown.removeDuplicates();
                if (shown.size() < 4)
                    continue;
                const int right = dice.between(0, 3);
                std::swap(shown[0], shown[right]);
                options = shown;
                c.rightLetter = QString(QChar(u'A' + right));
            }
            QString all = prefix + question + timerText + options.join(QString()) + label;
            if (covers(metrics, half ? halfWidth(all) : all) || attempt > 50)
                break;
        }
        if (half) {
            question = halfWidth(question);
            prefix = halfWidth(prefix);
        }
        c.options = options;

        // Layout, in the game's own pixels before the display's scaling.
        const double em = c.pixelSize;
        const double lineHeight = metrics.height() * dice.real(1.15, 1.5);
        const double padX = em * dice.real(0.6, 1.2), padY = em * dice.real(0.4, 0.9);
        const double outer = 24;
        const bool icon = dice.chance(50);
        const double iconSize = lineHeight * 1.3;
        const double columnX = outer + padX + (icon ? iconSize + em * 0.5 : 0);
        const QStringList questionLines = wrappedInto(metrics, prefix + question, lines);
        std::vector<Placed> texts;
        double y = outer + padY;
        double questionRight = columnX;
        qsizetype widest = 0;
        for (const QString &line : questionLines) {
            const double w = metrics.horizontalAdvance(line);
            const QPointF at(columnX, y + (lineHeight - metrics.height()) / 2 + metrics.ascent());
            texts.push_back(
                {line, at, QRectF(at.x(), at.y() - metrics.ascent(), w, metrics.height())});
            if (w > texts[size_t(widest)].box.width())
                widest = qsizetype(texts.size()) - 1;
            questionRight = std::max(questionRight, columnX + w);
            y += lineHeight;
        }
        const Placed firstLine = texts.front();
        const Placed widestLine = texts[size_t(widest)];
        double right = questionRight;
        if (timer) {
            const double x = questionRight + em * dice.real(1.0, 2.5);
            const double w = metrics.horizontalAdvance(timerText);
            texts.push_back({timerText, QPointF(x, firstLine.at.y()),
                             QRectF(x, firstLine.box.top(), w, metrics.height())});
            right = x + w;
        }
        const int rectangleKind = dice.weighted({40, 35, 13, 12}); // tight, big, first, last cut
        QString optionsFactor = u"none"_s;
        int optionRows = 0;
        if (!options.isEmpty()) {
            y += lineHeight * dice.real(0.2, 0.6);
            // Options stand indented from the question, so that a rectangle cutting the
            // question's first character leaves their letters whole.
            const double indent =
                em * (rectangleKind == 2 ? dice.real(1.0, 2.0) : dice.real(0.0, 1.5));
            QStringList labelled;
            for (int i = 0; i < 4; ++i) {
                labelled +=
                    label.arg(QChar(u'A' + i)) + (labelSpace ? u" "_s : QString()) + options[i];
            }
            const double gap = em * dice.real(1.5, 3.0);
            double cellWidth = 0;
            for (const QString &s : labelled)
                cellWidth = std::max(cellWidth, metrics.horizontalAdvance(s));
            // Under a rectangle that cuts the question's last character the options stand one
            // per line, so that the cut leaves them whole where it can.
            int layout = rectangleKind == 3 ? 3 : optionLayout;
            const double limit = std::max(questionRight - columnX, em * 24);
            if (layout == 1 && 4 * cellWidth + 3 * gap > limit)
                layout = 2;
            if (layout == 2 && 2 * cellWidth + gap > limit)
                layout = 3;
            const int perRow = layout == 1 ? 4 : layout == 2 ? 2 : 1;
            for (int i = 0; i < 4; ++i) {
                const double x = columnX + indent + (i % perRow) * (cellWidth + gap);
                const int row = i / perRow;
                const double rowY = y + row * lineHeight;
                const QPointF at(x, rowY + (lineHeight - metrics.height()) / 2 + metrics.ascent());
                const double w = metrics.horizontalAdvance(labelled[i]);
                texts.push_back({labelled[i], at,
                                 QRectF(at.x(), at.y() - metrics.ascent(), w, metrics.height())});
                right = std::max(right, x + w);
            }
            const int rowsTaken = 4 / perRow;
            y += lineHeight * rowsTaken;
            optionRows = rowsTaken;
            static const char *const layouts[] = {"", "A-D in a row", "A-D in a grid",
                                                  "A-D one per line"};
            optionsFactor = QString::fromUtf8(layouts[layout]);
        }
        const QRectF panel(outer, outer, right + padX - outer, y + padY - outer);
        const QSize screenSize(int(std::ceil(panel.right() + outer)),
                               int(std::ceil(panel.bottom() + outer)));

        // Colours and the ground.
        const int inkKind = dice.between(0, 3);
        const bool darkInk = inkKind == 3;
        Style style;
        style.kind = Style::Kind(dice.between(0, 3));
        const bool standsOut = style.kind == Style::Outline || style.kind == Style::Glow;
        const Band toned = darkInk ? (standsOut ? kBusyLightGround : kLightGround)
                                   : (standsOut ? kBusyDarkGround : kDarkGround);
        const int ground = grounds[size_t(dice.between(0, int(grounds.size()) - 1))];
        QImage screen(screenSize, QImage::Format_RGB32);
        QString pattern;
        {
            QPainter p(&screen);
            p.setRenderHint(QPainter::Antialiasing);
            paintScene(p, screen.rect(), dice, ground == BareScene ? toned : kAnyScene);
            const double radius = dice.chance(50) ? dice.real(2, 10) : 0;
            QPainterPath shape;
            shape.addRoundedRect(panel, radius, radius);
            if (ground == PanelOverScene) {
                QColor veil = darkInk ? groundColour(dice, {0.7, 0.85}, dice.between(30, 50))
                                      : groundColour(dice, {0.0, 0.01});
                veil.setAlphaF(float(darkInk ? dice.real(0.82, 0.92) : dice.real(0.62, 0.82)));
                p.fillPath(shape, veil);
            } else if (ground != BareScene) {
                QImage layer(panel.size().toSize() + QSize(1, 1), QImage::Format_RGB32);
                const QRectF local(QPointF(0, 0), layer.size());
                if (ground == Plasma) {
                    paintPlasma(layer, dice, toned);
                } else if (ground == Noise) {
                    paintNoise(layer, dice, toned);
                } else {
                    QPainter lp(&layer);
                    lp.setRenderHint(QPainter::Antialiasing);
                    if (ground == Tiles)
                        pattern = QString::fromUtf8(paintTiles(lp, local, dice, toned));
                    else if (ground == Gradient)
                        paintGradient(lp, local, dice, toned);
                    else
                        paintBokeh(lp, local, dice, toned);
                }
                p.setClipPath(shape);
                p.drawImage(panel.topLeft(), layer);
                p.setClipping(false);
            }
            // The frame: a metal border, ornaments on the corners, the icon.
            const QColor metal =
                ofLuminance(dice.between(30, 50), dice.between(80, 200), dice.real(0.25, 0.6));
            if (ground != BareScene) {
                p.setPen(QPen(metal, dice.between(1, 3)));
                p.setBrush(Qt::NoBrush);
                p.drawPath(shape);
                if (dice.chance(60))
                    drawOrnaments(p, panel, metal, dice, em * dice.real(0.4, 0.7));
            }
            if (icon) {
                drawIcon(p,
                         QRectF(outer + padX, firstLine.box.center().y() - iconSize / 2, iconSize,
                                iconSize),
                         dice);
            }
        }

        style.ink = inkOf(dice, inkKind);
        style.goldGradient = inkKind == 0 && dice.chance(50);
        if (style.kind == Style::Outline) {
            style.outlineWidth = c.pixelSize >= 16 && dice.chance(50) ? 2 : 1;
            style.effect = darkInk ? ofLuminance(dice.between(30, 50), 60, dice.real(0.8, 1.0))
                                   : ofLuminance(dice.between(0, 359), dice.between(0, 200),
                                                 dice.real(0.0, 0.015));
        } else if (style.kind == Style::Shadow) {
            const double d = std::max(1.0, em / 12);
            style.shadowOffset = QPointF(d * dice.real(0.7, 1.5), d * dice.real(0.7, 1.5));
            style.blur = dice.chance(50) ? dice.real(0.5, 1.0) : 0;
            style.effect = darkInk ? QColor(90, 70, 40, dice.between(90, 130))
                                   : QColor(0, 0, 0, dice.between(180, 255));
        } else if (style.kind == Style::Glow) {
            style.blur = dice.real(1.0, 2.0);
            style.effect = darkInk ? ofLuminance(dice.between(40, 60), 120, dice.real(0.85, 1.0))
                                   : ofLuminance(dice.between(0, 359), dice.between(100, 255),
                                                 dice.real(0.0, 0.02));
        }
        drawTexts(screen, texts, font, style);

        // The display's scaling, then the rectangle the player drew.
        const double s = scaling / 100.0;
        if (scaling != 100) {
            screen = screen.scaled(int(std::lround(screen.width() * s)),
                                   int(std::lround(screen.height() * s)), Qt::IgnoreAspectRatio,
                                   Qt::SmoothTransformation);
        }
        QRectF tight;
        for (const Placed &t : texts)
            tight = tight.united(t.box);
        tight.adjust(-dice.real(1, 4), -dice.real(1, 4), dice.real(1, 4), dice.real(1, 4));
        QRectF rectangle = tight;
        const char *fit = "tight";
        if (rectangleKind == 1) {
            const double m = dice.real(2, 16);
            rectangle = panel.adjusted(-m, -m, m, m);
            fit = "too big";
        } else if (rectangleKind == 2) {
            // The left edge falls inside the first character.
            const double w = metrics.horizontalAdvance(firstLine.text.left(1));
            rectangle.setLeft(firstLine.at.x() + w * dice.real(0.3, 0.7));
            fit = "first character cut";
        } else if (rectangleKind == 3) {
            // The right edge falls inside the widest line's last letter; when an option or
            // the timer reaches further, they are cut too.
            QString line = widestLine.text;
            while (line.size() > 1 && !line.back().isLetterOrNumber())
                line.chop(1);
            const double before = metrics.horizontalAdvance(line.left(line.size() - 1));
            const double w = metrics.horizontalAdvance(line.right(1));
            rectangle.setRight(widestLine.at.x() + before + w * dice.real(0.3, 0.7));
            fit = "last character cut";
            // An option the cut would reach makes it a tight rectangle after all: the options
            // must be read whole for the letter to be known.
            for (size_t i = texts.size() - size_t(options.size()); i < texts.size(); ++i) {
                if (texts[i].box.right() > rectangle.right()) {
                    rectangle = tight;
                    fit = "tight";
                }
            }
        }
        c.cut = rectangle != tight && rectangleKind >= 2;
        const QRect crop = QRect(QPoint(int(std::floor(rectangle.left() * s)),
                                        int(std::floor(rectangle.top() * s))),
                                 QPoint(int(std::ceil(rectangle.right() * s)) - 1,
                                        int(std::ceil(rectangle.bottom() * s)) - 1))
                               .intersected(screen.rect());
        QImage image = screen.copy(crop);
        const bool blur = dice.chance(25);
        if (blur)
            image = blurred(image, dice.real(0.5, 0.8));
        const bool compressed = dice.chance(45);
        if (compressed)
            image = jpeg(image, dice.between(55, 90));
        c.image = image.convertToFormat(QImage::Format_RGB32);
        c.oneLine = questionLines.size() == 1 && options.isEmpty();
        c.questionLines = int(questionLines.size());
        c.textRows = c.questionLines + optionRows;

        static const char *const bands[] = {"11-14 px", "16-22 px", "28-36 px"};
        static const char *const styles[] = {"plain", "outline", "shadow", "glow"};
        record("font", c.font);
        record("weight", bold ? u"bold"_s : u"regular"_s);
        record("size", QString::fromUtf8(bands[band]));
        record("scaling", u"%1 %"_s.arg(scaling));
        record("ground", QString::fromUtf8(kGroundNames[ground]));
        if (!pattern.isEmpty())
            record("pattern", pattern);
        record("ink", QString::fromUtf8(kInkNames[inkKind]));
        record("style", style.kind == Style::Outline ? u"outline %1 px"_s.arg(style.outlineWidth)
                                                     : QString::fromUtf8(styles[style.kind]));
        record("lines", QString::number(questionLines.size()));
        record("options", optionsFactor);
        if (!options.isEmpty())
            record("option wording", rewordOptions ? u"reworded"_s : u"as stored"_s);
        record("prefix", prefixKind == 0   ? u"none"_s
                         : prefixKind == 1 ? u"第N题"_s
                                           : u"【每日答题】"_s);
        record("timer", timer ? u"yes"_s : u"no"_s);
        record("rectangle", QString::fromUtf8(fit));
        record("punctuation", half ? u"half-width"_s : u"full-width"_s);
        record("Latin or digits", hasLatinOrDigit(question) ? u"yes"_s : u"no"_s);
        record("icon", icon ? u"yes"_s : u"no"_s);
        record("blur", blur ? u"yes"_s : u"no"_s);
        record("JPEG", compressed ? u"yes"_s : u"no"_s);
        captures.push_back(std::move(c));
    }
    return captures;
}

} // namespace bench
