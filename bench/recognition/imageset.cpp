#include "bench/recognition/imageset.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <random>

using namespace Qt::StringLiterals;

namespace bench {

namespace {

// Droid Sans Fallback is left out: it has no Latin digits.
const char *const kFontFiles[] = {
    "/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc",
    "/usr/share/fonts/truetype/wqy/wqy-microhei.ttc",
    "/usr/share/fonts/truetype/arphic/uming.ttc",
    "/usr/share/fonts/truetype/arphic/ukai.ttc",
};

class Dice
{
public:
    explicit Dice(std::uint32_t seed) : m_engine(seed) {}
    int between(int low, int high) // inclusive
    {
        return low + int(m_engine() % std::uint32_t(high - low + 1));
    }
    bool chance(int percent) { return between(1, 100) <= percent; }
    template <class T> const T &pick(const std::vector<T> &items)
    {
        return items[size_t(between(0, int(items.size()) - 1))];
    }

private:
    std::mt19937 m_engine;
};

QColor colour(Dice &dice, int lightLow, int lightHigh)
{
    return QColor::fromHsl(dice.between(0, 359), dice.between(0, 200),
                           dice.between(lightLow, lightHigh));
}

void paintGround(QPainter &p, const QRect &r, Dice &dice, bool dark)
{
    const int low = dark ? 10 : 175, high = dark ? 75 : 250;
    switch (dice.between(0, 2)) {
    case 0: // flat
        p.fillRect(r, colour(dice, low, high));
        break;
    case 1: { // gradient
        QLinearGradient g(r.topLeft(), dice.chance(50) ? r.topRight() : r.bottomLeft());
        g.setColorAt(0, colour(dice, low, high));
        g.setColorAt(1, colour(dice, low, high));
        p.fillRect(r, g);
        break;
    }
    default: { // texture: soft blobs and strokes over a flat ground
        p.fillRect(r, colour(dice, low, high));
        p.setPen(Qt::NoPen);
        for (int i = 0, n = dice.between(8, 20); i < n; ++i) {
            QColor c = colour(dice, low, high);
            c.setAlpha(dice.between(40, 120));
            p.setBrush(c);
            p.drawEllipse(QPointF(dice.between(0, r.width()), dice.between(0, r.height())),
                          dice.between(5, 60), dice.between(3, 20));
        }
        for (int i = 0, n = dice.between(3, 10); i < n; ++i) {
            QColor c = colour(dice, low, high);
            c.setAlpha(dice.between(40, 110));
            p.setPen(QPen(c, dice.between(1, 2)));
            p.drawLine(dice.between(0, r.width()), dice.between(0, r.height()),
                       dice.between(0, r.width()), dice.between(0, r.height()));
        }
        break;
    }
    }
}

void addNoise(QImage &image, Dice &dice)
{
    const int amplitude = dice.between(0, 18);
    if (amplitude == 0)
        return;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = dice.between(-amplitude, amplitude);
            const auto clip = [n](int v) { return std::clamp(v + n, 0, 255); };
            line[x] = qRgb(clip(qRed(line[x])), clip(qGreen(line[x])), clip(qBlue(line[x])));
        }
    }
}

QImage jpeg(const QImage &image, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", quality);
    return QImage::fromData(bytes, "JPG").convertToFormat(QImage::Format_RGB32);
}

} // namespace

QStringList loadFonts()
{
    QStringList families;
    for (const char *file : kFontFiles) {
        const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(file));
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            families += QFontDatabase::applicationFontFamilies(id).first();
    }
    return families;
}

std::vector<Capture> renderCaptures(const std::vector<store::CvRow> &rows, const QStringList &fonts,
                                    int count, std::uint32_t seed)
{
    Dice dice(seed);
    std::vector<qsizetype> usable;
    for (qsizetype i = 0; i < qsizetype(rows.size()); ++i) {
        if (rows[size_t(i)].question && !rows[size_t(i)].question->isEmpty())
            usable.push_back(i);
    }
    const std::vector<QString> prefixes{u"第%1题 "_s, u"【每日答题】"_s, u"【每日答题】第%1题："_s,
                                        u"%1. "_s};
    const std::vector<QString> suffixes{u"  倒计时 %1秒"_s, u"  (%1s)"_s, u"   剩余时间：%1"_s};

    std::vector<Capture> captures;
    captures.reserve(size_t(count));
    for (int n = 0; n < count; ++n) {
        Capture c;
        c.row = dice.pick(usable);
        c.font = fonts[dice.between(0, int(fonts.size()) - 1)];
        c.pixelSize = dice.between(12, 26);
        const bool lightOnDark = dice.chance(50);
        const auto numbered = [&dice](QString text, int most) {
            return text.replace(u"%1"_s, QString::number(dice.between(1, most)));
        };
        const QString prefix = dice.chance(45) ? numbered(dice.pick(prefixes), 20) : QString();
        const QString suffix = dice.chance(35) ? numbered(dice.pick(suffixes), 30) : QString();
        c.oneLine = !dice.chance(30);
        c.cut = dice.chance(15);
        const QString question = *rows[size_t(c.row)].question;

        QString options;
        if (!c.oneLine) {
            std::vector<QString> answers{rows[size_t(c.row)].answer.value_or(u"是"_s)};
            while (answers.size() < 4)
                answers.push_back(rows[size_t(dice.pick(usable))].answer.value_or(u"否"_s));
            std::swap(answers[0], answers[size_t(dice.between(0, 3))]);
            options =
                u"A.%1   B.%2   C.%3   D.%4"_s.arg(answers[0], answers[1], answers[2], answers[3]);
        }

        QFont font(c.font);
        font.setPixelSize(c.pixelSize);
        const QFontMetricsF metrics(font);
        const double lineHeight = metrics.height() * 1.35;
        const int padX = dice.between(4, 16), padY = dice.between(3, 8);
        double textWidth = metrics.horizontalAdvance(prefix + question + suffix);
        if (!c.oneLine)
            textWidth = std::max(textWidth, metrics.horizontalAdvance(options));
        if (c.cut) {
            // The region's edge falls inside the question, somewhere after half of it.
            const double share = dice.between(55, 85) / 100.0;
            textWidth =
                metrics.horizontalAdvance(prefix) + metrics.horizontalAdvance(question) * share;
        }
        const int width = int(textWidth) + 2 * padX;
        const int height = int(lineHeight * (c.oneLine ? 1 : 2)) + 2 * padY;

        QImage image(width, height, QImage::Format_RGB32);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        paintGround(p, image.rect(), dice, lightOnDark);
        p.setFont(font);
        p.setPen(lightOnDark ? colour(dice, 180, 250) : colour(dice, 0, 85));
        const double baseline = padY + (lineHeight - metrics.height()) / 2 + metrics.ascent();
        p.drawText(QPointF(padX, baseline), prefix + question + suffix);
        if (!c.oneLine)
            p.drawText(QPointF(padX, baseline + lineHeight), options);
        p.end();

        addNoise(image, dice);
        c.image = jpeg(image, dice.between(60, 80));
        captures.push_back(std::move(c));
    }
    return captures;
}

} // namespace bench
