#include "bench/common/quizrows.h"

#include <QRandomGenerator>

#include <span>

namespace bench {
namespace {

struct Han
{
    char16_t character;
    char initial; // first letter of its Mandarin reading
};

// Characters that quiz questions are made of, the frequent ones listed more than once.
constexpr Han kCharacters[] = {
    {u'的', 'd'}, {u'的', 'd'}, {u'的', 'd'}, {u'是', 's'}, {u'是', 's'}, {u'哪', 'n'},
    {u'哪', 'n'}, {u'个', 'g'}, {u'个', 'g'}, {u'一', 'y'}, {u'国', 'g'}, {u'中', 'z'},
    {u'年', 'n'}, {u'大', 'd'}, {u'人', 'r'}, {u'有', 'y'}, {u'为', 'w'}, {u'下', 'x'},
    {u'列', 'l'}, {u'位', 'w'}, {u'最', 'z'}, {u'名', 'm'}, {u'称', 'c'}, {u'什', 's'},
    {u'么', 'm'}, {u'被', 'b'}, {u'于', 'y'}, {u'世', 's'}, {u'界', 'j'}, {u'杯', 'b'},
    {u'冠', 'g'}, {u'军', 'j'}, {u'球', 'q'}, {u'队', 'd'}, {u'第', 'd'}, {u'次', 'c'},
    {u'古', 'g'}, {u'代', 'd'}, {u'诗', 's'}, {u'作', 'z'}, {u'者', 'z'}, {u'首', 's'},
    {u'都', 'd'}, {u'山', 's'}, {u'河', 'h'}, {u'江', 'j'}, {u'海', 'h'}, {u'长', 'c'},
    {u'城', 'c'}, {u'历', 'l'}, {u'史', 's'}, {u'朝', 'c'}, {u'皇', 'h'}, {u'帝', 'd'},
    {u'唐', 't'}, {u'宋', 's'}, {u'明', 'm'}, {u'清', 'q'}, {u'汉', 'h'}, {u'文', 'w'},
    {u'学', 'x'}, {u'小', 'x'}, {u'说', 's'}, {u'书', 's'}, {u'地', 'd'}, {u'理', 'l'},
    {u'科', 'k'}, {u'物', 'w'}, {u'化', 'h'}, {u'生', 's'}, {u'动', 'd'}, {u'植', 'z'},
    {u'星', 'x'}, {u'月', 'y'}, {u'日', 'r'}, {u'天', 't'}, {u'水', 's'}, {u'火', 'h'},
    {u'金', 'j'}, {u'木', 'm'}, {u'土', 't'}, {u'元', 'y'}, {u'素', 's'}, {u'号', 'h'},
    {u'多', 'd'}, {u'少', 's'}, {u'几', 'j'}, {u'种', 'z'}, {u'东', 'd'}, {u'西', 'x'},
    {u'南', 'n'}, {u'北', 'b'}, {u'方', 'f'}, {u'京', 'j'}, {u'上', 's'}, {u'省', 's'},
    {u'湖', 'h'}, {u'岛', 'd'}, {u'洲', 'z'}, {u'欧', 'o'}, {u'亚', 'y'}, {u'美', 'm'},
    {u'非', 'f'}, {u'巴', 'b'}, {u'德', 'd'}, {u'法', 'f'}, {u'英', 'y'}, {u'意', 'y'},
    {u'阿', 'a'}, {u'根', 'g'}, {u'廷', 't'}, {u'进', 'j'}, {u'赛', 's'}, {u'届', 'j'},
    {u'场', 'c'}, {u'比', 'b'}, {u'分', 'f'}, {u'射', 's'}, {u'手', 's'}, {u'门', 'm'},
    {u'将', 'j'}, {u'画', 'h'}, {u'家', 'j'}, {u'音', 'y'}, {u'乐', 'y'}, {u'歌', 'g'},
    {u'曲', 'q'}, {u'节', 'j'}, {u'气', 'q'}, {u'春', 'c'}, {u'夏', 'x'}, {u'秋', 'q'},
    {u'冬', 'd'}, {u'风', 'f'}, {u'雨', 'y'}, {u'龙', 'l'}, {u'虎', 'h'}, {u'马', 'm'},
    {u'牛', 'n'}, {u'羊', 'y'}, {u'鸟', 'n'}, {u'鱼', 'y'}, {u'花', 'h'}, {u'草', 'c'},
    {u'成', 'c'}, {u'语', 'y'}, {u'典', 'd'}, {u'故', 'g'}, {u'出', 'c'}, {u'自', 'z'},
    {u'部', 'b'}, {u'著', 'z'}, {u'发', 'f'}, {u'造', 'z'}, {u'纸', 'z'}, {u'术', 's'},
    {u'印', 'y'}, {u'刷', 's'}, {u'指', 'z'}, {u'针', 'z'}, {u'药', 'y'}, {u'之', 'z'},
    {u'父', 'f'}, {u'母', 'm'}, {u'别', 'b'}, {u'战', 'z'}, {u'魂', 'h'}, {u'级', 'j'},
};

// Question endings as the daily quiz writes them.
struct Ending
{
    const char16_t *text;
    const char *initials;
};
constexpr Ending kEndings[] = {
    {u"？", ""},          {u"是？", "s"},       {u"是哪一年？", "snyn"},
    {u"叫什么？", "jsm"}, {u"在哪里？", "znl"},
};

// A few questions carry a Latin or numeric part, which the initials keep lower-cased.
constexpr const char16_t *kLatin[] = {u"NBA", u"2006", u"CCTV", u"F1", u"1998", u"WTO"};

} // namespace

std::vector<QuizRow> quizRows(int count, std::uint32_t seed)
{
    QRandomGenerator random(seed);
    const std::span<const Han> han(kCharacters);
    auto pick = [&](QString &text, QString *initials) {
        const Han &h = han[random.bounded(int(han.size()))];
        text += QChar(h.character);
        if (initials)
            *initials += QLatin1Char(h.initial);
    };

    std::vector<QuizRow> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        QuizRow row;
        const int length = 6 + random.bounded(13);
        const int latinAt = random.bounded(8) == 0 ? random.bounded(length) : -1;
        for (int k = 0; k < length; ++k) {
            if (k == latinAt) {
                const QString latin = QString::fromUtf16(kLatin[random.bounded(6)]);
                row.question += latin;
                row.pinyin += latin.toLower();
            }
            pick(row.question, &row.pinyin);
        }
        const Ending &ending = kEndings[random.bounded(5)];
        row.question += QString::fromUtf16(ending.text);
        row.pinyin += QLatin1String(ending.initials);
        const int answerLength = 1 + random.bounded(6);
        for (int k = 0; k < answerLength; ++k)
            pick(row.answer, nullptr);
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace bench
