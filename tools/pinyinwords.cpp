#include "tools/pinyinwords.h"

#include <QHash>
#include <QList>
#include <QString>

#include <algorithm>
#include <string>

namespace tools::pinyin {
namespace {

// Readings that differ by their first letter from the character's Unihan reading. Grouped by
// the character that needs them.
constexpr WordReading kWords[] = {
    // 长 cháng by default (see below); zhǎng in these.
    {u"队长", "dz"},
    {u"校长", "xz"},
    {u"部长", "bz"},
    {u"市长", "sz"},
    {u"首长", "sz"},
    {u"州长", "zz"},
    {u"董事长", "dsz"},
    {u"家长", "jz"},
    {u"班长", "bz"},
    {u"船长", "cz"},
    {u"组长", "zz"},
    {u"省长", "sz"},
    {u"院长", "yz"},
    {u"团长", "tz"},
    {u"酋长", "qz"},
    {u"连长", "lz"},
    {u"排长", "pz"},
    {u"社长", "sz"},
    {u"局长", "jz"},
    {u"县长", "xz"},
    {u"村长", "cz"},
    {u"会长", "hz"},
    {u"厂长", "cz"},
    {u"处长", "cz"},
    {u"科长", "kz"},
    {u"站长", "zz"},
    {u"秘书长", "msz"},
    {u"司长", "sz"},
    {u"馆长", "gz"},
    {u"族长", "zz"},
    {u"兄长", "xz"},
    {u"师长", "sz"},
    {u"学长", "xz"},
    {u"长子", "zz"},
    {u"长孙", "zs"},
    {u"长老", "zl"},
    {u"长辈", "zb"},
    {u"长官", "zg"},
    {u"长大", "zd"},
    {u"增长", "zz"},
    {u"助长", "zz"},
    {u"滋长", "zz"},
    {u"年长", "nz"},
    {u"长者", "zz"},
    {u"尊长", "zz"},
    {u"长相", "zx"},
    {u"长势", "zs"},
    {u"生长", "sz"},
    {u"成长", "cz"},
    {u"行长", "hz"},
    // 行 xíng; háng in these.
    {u"银行", "yh"},
    {u"行业", "hy"},
    {u"行当", "hd"},
    {u"行列", "hl"},
    {u"排行", "ph"},
    {u"内行", "nh"},
    {u"外行", "wh"},
    {u"行情", "hq"},
    {u"商行", "sh"},
    {u"一行白鹭", "yhbl"},
    // 重 zhòng; chóng in these.
    {u"重庆", "cq"},
    {u"重阳", "cy"},
    {u"重新", "cx"},
    {u"重复", "cf"},
    {u"重叠", "cd"},
    {u"重建", "cj"},
    {u"重逢", "cf"},
    {u"重组", "cz"},
    {u"重返", "cf"},
    {u"重演", "cy"},
    {u"重申", "cs"},
    {u"重现", "cx"},
    {u"山重水复", "scsf"},
    // 乐 lè; yuè in these.
    {u"音乐", "yy"},
    {u"乐器", "yq"},
    {u"乐府", "yf"},
    {u"乐曲", "yq"},
    {u"乐团", "yt"},
    {u"乐队", "yd"},
    {u"乐章", "yz"},
    {u"乐谱", "yp"},
    {u"声乐", "sy"},
    {u"器乐", "qy"},
    {u"民乐", "my"},
    {u"交响乐", "jxy"},
    {u"乐坛", "yt"},
    {u"乐师", "ys"},
    {u"管弦乐", "gxy"},
    {u"礼乐", "ly"},
    {u"乐圣", "ys"},
    {u"乐理", "yl"},
    {u"配乐", "py"},
    {u"奏乐", "zy"},
    {u"乐手", "ys"},
    {u"乐舞", "yw"},
    {u"乐毅", "yy"},
    // 藏 cáng; zàng in these.
    {u"西藏", "xz"},
    {u"藏族", "zz"},
    {u"藏语", "zy"},
    {u"藏文", "zw"},
    {u"宝藏", "bz"},
    {u"藏传", "zc"},
    {u"青藏", "qz"},
    {u"大藏经", "dzj"},
    {u"藏历", "zl"},
    {u"藏羚羊", "zly"},
    {u"藏獒", "za"},
    // 调 diào; tiáo in these.
    {u"调节", "tj"},
    {u"调和", "th"},
    {u"调整", "tz"},
    {u"调解", "tj"},
    {u"空调", "kt"},
    {u"协调", "xt"},
    {u"调剂", "tj"},
    {u"调皮", "tp"},
    {u"调味", "tw"},
    {u"调控", "tk"},
    {u"调料", "tl"},
    {u"失调", "st"},
    // 朝 cháo; zhāo in these.
    {u"朝花夕拾", "zhxs"},
    {u"朝夕", "zx"},
    {u"朝霞", "zx"},
    {u"朝气", "zq"},
    {u"今朝", "jz"},
    {u"朝三暮四", "zsms"},
    {u"朝令夕改", "zlxg"},
    {u"朝思暮想", "zsmx"},
    {u"朝秦暮楚", "zqmc"},
    {u"朝不保夕", "zbbx"},
    {u"朝发夕至", "zfxz"},
    // 会 huì; kuài in these.
    {u"会计", "kj"},
    {u"会稽", "kj"},
    // 传 chuán; zhuàn in these.
    {u"水浒传", "shz"},
    {u"传记", "zj"},
    {u"自传", "zz"},
    {u"左传", "zz"},
    {u"列传", "lz"},
    {u"外传", "wz"},
    {u"正传", "zz"},
    {u"英雄传", "yxz"},
    {u"纪传", "jz"},
    {u"经传", "jz"},
    {u"传略", "zl"},
    {u"别传", "bz"},
    {u"呼兰河传", "hlhz"},
    // 参 cān; shēn in these.
    {u"人参", "rs"},
    {u"海参", "hs"},
    {u"党参", "ds"},
    {u"参商", "ss"},
    {u"曾参", "zs"},
    {u"参差", "cc"},
    // 省 shěng; xǐng in these.
    {u"反省", "fx"},
    {u"省亲", "xq"},
    {u"内省", "nx"},
    {u"自省", "zx"},
    {u"三省吾身", "sxws"},
    // 率 lǜ; shuài in these.
    {u"率领", "sl"},
    {u"率先", "sx"},
    {u"统率", "ts"},
    {u"表率", "bs"},
    {u"坦率", "ts"},
    {u"直率", "zs"},
    {u"草率", "cs"},
    {u"轻率", "qs"},
    {u"率军", "sj"},
    {u"率兵", "sb"},
    {u"率部", "sb"},
    {u"率众", "sz"},
    {u"率船", "sc"},
    {u"率农", "sn"},
    {u"率队", "sd"},
    {u"率团", "st"},
    // 曾 céng; zēng as a family name.
    {u"曾国藩", "zgf"},
    {u"曾巩", "zg"},
    {u"曾子", "zz"},
    {u"曾孙", "zs"},
    {u"曾祖", "zz"},
    // 给 gěi; jǐ in these.
    {u"供给", "gj"},
    {u"给予", "jy"},
    {u"自给", "zj"},
    {u"补给", "bj"},
    {u"配给", "pj"},
    // 壳 ké; qiào in these.
    {u"地壳", "dq"},
    {u"甲壳", "jq"},
    {u"躯壳", "qq"},
    {u"金蝉脱壳", "jctq"},
    // 降 jiàng; xiáng in these.
    {u"投降", "tx"},
    {u"降服", "xf"},
    {u"受降", "sx"},
    {u"招降", "zx"},
    {u"诈降", "zx"},
    {u"降龙", "xl"},
    // 校 xiào; jiào in these.
    {u"校对", "jd"},
    {u"校订", "jd"},
    {u"校正", "jz"},
    {u"校勘", "jk"},
    {u"校准", "jz"},
    // 弹 dàn; tán in these.
    {u"弹琴", "tq"},
    {u"弹奏", "tz"},
    {u"弹性", "tx"},
    {u"弹簧", "th"},
    {u"弹力", "tl"},
    {u"弹唱", "tc"},
    {u"弹跳", "tt"},
    {u"弹劾", "th"},
    {u"反弹", "ft"},
    {u"弹拨", "tb"},
    {u"弹钢琴", "tgq"},
    {u"弹古筝", "tgz"},
    {u"弹吉他", "tjt"},
    {u"弹指", "tz"},
    // 泊 pō; bó in these.
    {u"停泊", "tb"},
    {u"漂泊", "pb"},
    {u"淡泊", "db"},
    {u"泊船", "bc"},
    // Single words.
    {u"便宜", "py"},
    {u"阿房宫", "efg"},
    {u"阿胶", "ej"},
    {u"阿谀", "ey"},
    {u"高句丽", "ggl"},
    {u"龟兹", "qc"},
    {u"吐蕃", "tb"},
    {u"月氏", "yz"},
    {u"大宛", "dy"},
    {u"番禺", "py"},
    {u"六安", "la"},
    {u"厦门", "xm"},
    {u"秘鲁", "bl"},
    {u"奇数", "js"},
    {u"星宿", "xx"},
    {u"二十八宿", "esbx"},
    {u"刹那", "cn"},
    {u"古刹", "gc"},
    {u"游说", "ys"},
    {u"不亦说乎", "byyh"},
    {u"否极泰来", "pjtl"},
    {u"可恶", "kw"},
    {u"厌恶", "yw"},
    {u"憎恶", "zw"},
    {u"倔强", "jj"},
    {u"单于", "cy"},
    {u"尉迟", "yc"},
    {u"关卡", "gq"},
    {u"查良镛", "zly"},
    {u"大腹便便", "dfpp"},
};

// Characters whose Unihan reading is the rarer one.
constexpr std::pair<char16_t, char> kUsual[] = {
    {u'长', 'c'}, // cháng: 长城, 长江, 最长; the zhǎng words are listed above
};

struct Index
{
    // Words by their first character, longest first.
    QHash<QChar, QList<WordReading>> byFirst;
    Index()
    {
        for (const WordReading &w : kWords)
            byFirst[QChar(w.word[0])].append(w);
        for (auto &list : byFirst)
            std::stable_sort(list.begin(), list.end(), [](const auto &a, const auto &b) {
                return std::char_traits<char16_t>::length(a.word) >
                       std::char_traits<char16_t>::length(b.word);
            });
    }
};

const Index &index()
{
    static const Index kIndex;
    return kIndex;
}

} // namespace

const WordReading *wordAt(QStringView text, qsizetype position)
{
    const auto it = index().byFirst.constFind(text.at(position));
    if (it == index().byFirst.constEnd())
        return nullptr;
    const QStringView rest = text.mid(position);
    for (const WordReading &w : *it)
        if (rest.startsWith(QStringView(w.word)))
            return &w;
    return nullptr;
}

char usualInitial(char32_t codePoint)
{
    for (const auto &[c, letter] : kUsual)
        if (char32_t(c) == codePoint)
            return letter;
    return 0;
}

} // namespace tools::pinyin
