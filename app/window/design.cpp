#include "app/window/design.h"

#include <array>

namespace design {
namespace {

// Places are (left, top, width, height) in twips. Controls on a page are placed relative to
// the tab control's top-left corner, controls in a frame or picture box relative to it.
constexpr Control table[] = {
    // Outside the tab control, relative to the client area.
    {"SSTab1", Kind::TabControl, "Form1", 0, 0, 6615, 7575, u""},
    {"page0", Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {"page1", Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {"page2", Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {"Label7", Kind::StripLabel, "Form1", 6720, 0, 375, 7575, collapseText, Blue | Hand | Strip},
    {"Picture1", Kind::Picture, "Form1", 7150, 150, 5775, 7125, u""},
    // Larger than the viewport and shifted, so that only the middle of the page shows and
    // the browser's own scroll bars lie outside the viewport.
    {"WebBrowser1", Kind::Browser, "Picture1", -4590, -6060, 11415, 13620, u""},
    // Below the client area: loads its page unseen.
    {"WebBrowser2", Kind::Browser, "Form1", 2040, 8280, 6735, 2655, u""},
    {"Lis_jy", Kind::ListBox, "Form1", 11760, 7920, 1815, 3480, u"", Hidden},

    // Page 0: the answer lookup.
    {"Label21", Kind::Label, "page0", 240, 480, 5055, 195,
     u"本答题器已收录完Corvanth最新的每日答题及世界杯答题内容。", Black},
    {"Label45", Kind::Label, "page0", 240, 720, 4095, 195,
     u"ZembrikCorvanth专区宗旨为广大玩家提供最舒适的服务             "},
    {"Label34", Kind::Label, "page0", 4920, 720, 1455, 195, u"提交我的建议>>>",
     Red | Underline | Hand},
    {"Label1", Kind::Label, "page0", 240, 1080, 1095, 255, u"查询关键字："},
    {"Text1", Kind::TextBox, "page0", 1440, 1035, 2415, 300, u""},
    {"Command1", Kind::Button, "page0", 3960, 960, 975, 375, u"清空"},
    {"Check2", Kind::CheckBox, "page0", 5040, 1080, 1455, 255, u"是否始终前置"},
    {"ListView1", Kind::ListView, "page0", 240, 1440, 6135, 2775, u""},
    {"Frame1", Kind::Frame, "page0", 240, 4200, 6135, 1335, u""},
    {"Label2", Kind::Label, "Frame1", 120, 240, 5895, 700, nullptr},  // the usage hint
    {"Label3", Kind::Label, "Frame1", 120, 1000, 615, 200, u"答案："},
    {"Label4", Kind::Label, "Frame1", 840, 1000, 3855, 200, u""},
    {"Command12", Kind::Button, "Frame1", 4800, 840, 1215, 375, u"复制答题"},
    {"Frame6", Kind::Frame, "page0", 240, 5520, 6135, 880, u""},
    {"Label35", Kind::Label, "Frame6", 240, 240, 735, 220, u"专区首页", Blue | Hand},
    {"Label36", Kind::Label, "Frame6", 1440, 240, 735, 220, u"官方网站", Blue | Hand},
    {"Label37", Kind::Label, "Frame6", 2760, 240, 735, 220, u"副本经验", Blue | Hand},
    {"Label38", Kind::Label, "Frame6", 3960, 240, 735, 220, u"四格漫画", Blue | Hand},
    {"Label39", Kind::Label, "Frame6", 5160, 240, 735, 220, u"玩家论坛", Blue | Hand},
    {"Label40", Kind::Label, "Frame6", 240, 600, 735, 220, u"职业经验", Blue | Hand},
    {"Label41", Kind::Label, "Frame6", 1440, 600, 735, 220, u"Velmar", Blue | Hand},
    {"Label42", Kind::Label, "Frame6", 2760, 600, 735, 220, u"Oskith", Blue | Hand},
    {"Label43", Kind::Label, "Frame6", 3960, 600, 735, 220, u"Trennal", Blue | Hand},
    {"Label44", Kind::Label, "Frame6", 5160, 600, 735, 220, u"Ystrel", Blue | Hand},
    {"Command6", Kind::Button, "page0", 600, 6540, 1335, 375, u"战魂专题"},
    {"Command7", Kind::Button, "page0", 2640, 6540, 1335, 375, u"野外BOSS"},
    {"Command11", Kind::Button, "page0", 4680, 6540, 1335, 375, u"技能大全"},
    {"Command9", Kind::Button, "page0", 600, 7040, 1335, 375, u"分享经验"},
    {"Command10", Kind::Button, "page0", 2640, 7040, 1335, 375, u"镶嵌宝石"},
    {"Command8", Kind::Button, "page0", 4680, 7040, 1335, 375, u"我有建议"},

    // Page 1: the levelling calculator above, the war-soul evaluator below.
    {"Frame5", Kind::Frame, "page1", 120, 480, 6375, 2295, u"升级经验"},
    {"Label8", Kind::Label, "Frame5", 120, 360, 975, 195, u"初始等级："},
    {"Text4", Kind::TextBox, "Frame5", 1080, 322, 495, 270, u""},
    {"Label9", Kind::Label, "Frame5", 1680, 360, 975, 195, u"终止等级："},
    {"Text5", Kind::TextBox, "Frame5", 2640, 322, 495, 270, u""},
    {"Label10", Kind::Label, "Frame5", 3240, 330, 975, 255, u"所需经验："},
    {"Label18", Kind::Label, "Frame5", 4320, 330, 1935, 255, u""},
    {"Label47", Kind::Label, "Frame5", 120, 735, 1695, 255, u"若当前击杀怪物得到"},
    {"Text3", Kind::TextBox, "Frame5", 1800, 727, 615, 270, u""},
    {"Label48", Kind::Label, "Frame5", 2520, 735, 1455, 255, u"经验，则需击杀："},
    {"Label51", Kind::Label, "Frame5", 4080, 720, 2175, 255, u""},
    {"Label11", Kind::Label, "Frame5", 120, 1120, 1095, 255, u"若1小时能打"},
    {"Text2", Kind::TextBox, "Frame5", 1320, 1112, 855, 270, u""},
    {"Label13", Kind::Label, "Frame5", 2280, 1120, 1455, 255, u"经验，则需耗时："},
    {"Label6", Kind::Label, "Frame5", 3840, 1080, 2415, 255, u""},
    {"Label14", Kind::Label, "Frame5", 120, 1550, 375, 255, u"若每"},
    {"Text9", Kind::TextBox, "Frame5", 600, 1542, 495, 270, u""},
    {"Label15", Kind::Label, "Frame5", 1200, 1550, 615, 255, u"秒获得"},
    {"Text10", Kind::TextBox, "Frame5", 1800, 1542, 855, 270, u""},
    {"Label16", Kind::Label, "Frame5", 2760, 1550, 1455, 255, u"经验，则需耗时："},
    {"Label20", Kind::Label, "Frame5", 4320, 1560, 1935, 255, u""},
    {"Label19", Kind::Label, "Frame5", 120, 1920, 255, 255, u"则"},
    {"Text11", Kind::TextBox, "Frame5", 480, 1912, 735, 270, u""},
    {"Label12", Kind::Label, "Frame5", 1440, 1920, 1455, 255, u"分钟可获得经验："},
    {"Label17", Kind::Label, "Frame5", 3000, 1920, 2175, 255, u""},
    {"Command13", Kind::Button, "Frame5", 5400, 1800, 855, 375, u"清空"},
    {"Label49", Kind::Label, "Frame5", 720, 840, 975, 255, u"", Hidden},
    {"Label5", Kind::Label, "Frame5", 1320, 1320, 2055, 255, u"", Hidden},

    {"Frame2", Kind::Frame, "page1", 240, 2880, 5175, 1095, u"战魂起始五围"},
    {"Label22", Kind::Label, "Frame2", 240, 360, 615, 255, u"精血："},
    {"qs_jx", Kind::TextBox, "Frame2", 840, 352, 855, 270, u""},
    {"Label23", Kind::Label, "Frame2", 1920, 360, 615, 255, u"元气："},
    {"qs_yq", Kind::TextBox, "Frame2", 2520, 352, 855, 270, u""},
    {"Label24", Kind::Label, "Frame2", 3600, 360, 615, 255, u"强壮："},
    {"qs_qz", Kind::TextBox, "Frame2", 4200, 352, 855, 270, u""},
    {"Label25", Kind::Label, "Frame2", 240, 720, 615, 255, u"灵巧："},
    {"qs_lq", Kind::TextBox, "Frame2", 840, 712, 855, 270, u""},
    {"Label26", Kind::Label, "Frame2", 1920, 720, 615, 255, u"魂魄："},
    {"qs_hp", Kind::TextBox, "Frame2", 2520, 712, 855, 270, u""},
    {"Check1", Kind::CheckBox, "Frame2", 3840, 720, 975, 255, u"默认值"},

    {"Frame4", Kind::Frame, "page1", 240, 4080, 5175, 855, u"战魂当前情况"},
    {"Label32", Kind::Label, "Frame4", 120, 360, 1335, 255, u"战魂当前等级："},
    {"mq_dj", Kind::TextBox, "Frame4", 1440, 352, 975, 270, u""},
    {"Label33", Kind::Label, "Frame4", 2760, 360, 1335, 255, u"战魂聚缘等级："},
    {"jy_dj", Kind::TextBox, "Frame4", 4080, 352, 975, 270, u""},

    {"Frame3", Kind::Frame, "page1", 240, 5040, 5175, 1095, u"战魂目前五围"},
    {"Label31", Kind::Label, "Frame3", 240, 360, 615, 255, u"精血："},
    {"mq_jx", Kind::TextBox, "Frame3", 840, 352, 855, 270, u""},
    {"Label30", Kind::Label, "Frame3", 1920, 360, 615, 255, u"元气："},
    {"mq_yq", Kind::TextBox, "Frame3", 2520, 352, 855, 270, u""},
    {"Label29", Kind::Label, "Frame3", 3600, 360, 615, 255, u"强壮："},
    {"mq_qz", Kind::TextBox, "Frame3", 4200, 352, 855, 270, u""},
    {"Label28", Kind::Label, "Frame3", 240, 720, 615, 255, u"灵巧："},
    {"mq_lq", Kind::TextBox, "Frame3", 840, 712, 855, 270, u""},
    {"Label27", Kind::Label, "Frame3", 1920, 720, 615, 255, u"魂魄："},
    {"mq_hp", Kind::TextBox, "Frame3", 2520, 712, 855, 270, u""},

    {"Command3", Kind::Button, "page1", 5520, 3240, 855, 375, u"清空"},
    {"Command4", Kind::Button, "page1", 5520, 4320, 855, 375, u"清空"},
    {"Command5", Kind::Button, "page1", 5520, 5400, 855, 375, u"清空"},
    {"Command2", Kind::Button, "page1", 2280, 6360, 1215, 375, u"开始计算"},
    {"lbl_result", Kind::Label, "page1", 1200, 6960, 900, 180, u"计算结果：", AutoSize},
    {"lbl_pingjia", Kind::Label, "page1", 3600, 6960, 900, 180, u"战魂评价：", AutoSize},
    {"Label46", Kind::Label, "page1", 4680, 7245, 1815, 195, u"PS：评估数据仅供参考", Red},

    // Page 2: the instruction picture.
    {"Picture2", Kind::PictureImage, "page2", 160, 480, 6255, 6630, u""},
    {"Label50", Kind::Label, "page2", 4560, 7240, 1815, 195, u"ZembrikCorvanth专区制作", Red},
};

constexpr std::array<const char16_t *, 3> titles = {
    u"Zembrik智能答题器",
    u"战魂评估/升级计算",
    u"使用说明",
};

constexpr std::array<const char *, 11> order0 = {
    "Text1",    "Command1", "ListView1", "Check2",    "Command6",  "Command7",
    "Command8", "Command9", "Command10", "Command11", "Command12",
};

constexpr std::array<const char *, 25> order1 = {
    "Text4",  "Text5",  "Text3",  "Text2",  "Text9",    "Text10",   "Text11",
    "qs_jx",  "qs_yq",  "qs_qz",  "qs_lq",  "qs_hp",    "mq_dj",    "jy_dj",
    "mq_jx",  "mq_yq",  "mq_qz",  "mq_lq",  "mq_hp",    "Command2", "Command4",
    "Command5", "Command3", "Check1", "Command13",
};

} // namespace

std::span<const Control> controls() { return table; }
std::span<const char16_t *const> pageTitles() { return titles; }
std::span<const char *const> focusOrderPage0() { return order0; }
std::span<const char *const> focusOrderPage1() { return order1; }

QString usageHint()
{
    // Seventeen pieces: note the ASCII quotation marks, the full-width commas around the
    // arrows and the single ASCII comma before 按删除键.
    const QChar mark = QLatin1Char('"');
    return QStringLiteral("输入完关键字按回车键") + mark + QStringLiteral("Enter") + mark +
           QStringLiteral("，") + mark + QStringLiteral("↑") + mark + QStringLiteral("，") +
           mark + QStringLiteral("↓") + mark + QStringLiteral("可快速进入题目显示栏,按删除键") +
           mark + QStringLiteral("←") + mark + QStringLiteral("可返回查询关键字窗口，继续输入关键字");
}

} // namespace design
