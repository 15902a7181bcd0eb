#include "app/window/design.h"

#include "app/window/controls.h"
#include "app/window/formlabel.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeView>
#include <QWebEngineView>

#include <array>

namespace window {
namespace {

template <class T> bool bindTo(T *&member, QWidget *widget)
{
    member = qobject_cast<T *>(widget);
    return member != nullptr;
}

// A control's design name, and where Form1 keeps it in Controls.
#define ZC_CONTROL(name) #name, [](Controls & c, QWidget * w) { return bindTo(c.name, w); }

// Places are (left, top, width, height) in twips. Controls on a page are placed relative to
// the tab control's top-left corner, controls in a frame or picture box relative to it.
constexpr Control kTable[] = {
    // Outside the tab control, relative to the client area.
    {ZC_CONTROL(SSTab1), Kind::TabControl, "Form1", 0, 0, 6615, 7575, u""},
    {ZC_CONTROL(page0), Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {ZC_CONTROL(page1), Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {ZC_CONTROL(page2), Kind::Page, "SSTab1", 0, 0, 6615, 7575, u""},
    {ZC_CONTROL(Label7), Kind::StripLabel, "Form1", 6720, 0, 375, 7575, kCollapseText,
     Blue | Hand | Strip},
    {ZC_CONTROL(Picture1), Kind::Picture, "Form1", 7150, 150, 5775, 7125, u""},
    // Larger than the viewport and shifted, so that only the middle of the page shows and
    // the browser's own scroll bars lie outside the viewport.
    {ZC_CONTROL(WebBrowser1), Kind::Browser, "Picture1", -4590, -6060, 11415, 13620, u""},
    // Below the client area: loads its page unseen.
    {ZC_CONTROL(WebBrowser2), Kind::Browser, "Form1", 2040, 8280, 6735, 2655, u""},
    {ZC_CONTROL(Lis_jy), Kind::ListBox, "Form1", 11760, 7920, 1815, 3480, u"", Hidden},

    // Page 0: the answer lookup.
    {ZC_CONTROL(Label21), Kind::Label, "page0", 240, 480, 5055, 195,
     u"本答题器已收录完Corvanth最新的每日答题及世界杯答题内容。", Black},
    {ZC_CONTROL(Label45), Kind::Label, "page0", 240, 720, 4095, 195,
     u"ZembrikCorvanth专区宗旨为广大玩家提供最舒适的服务             "},
    {ZC_CONTROL(Label34), Kind::Label, "page0", 4920, 720, 1455, 195, u"提交我的建议>>>",
     Red | Underline | Hand},
    {ZC_CONTROL(Label1), Kind::Label, "page0", 240, 1080, 1095, 255, u"查询关键字："},
    {ZC_CONTROL(Text1), Kind::TextBox, "page0", 1440, 1035, 2415, 300, u""},
    {ZC_CONTROL(Command1), Kind::Button, "page0", 3960, 960, 975, 375, u"清空"},
    {ZC_CONTROL(Check2), Kind::CheckBox, "page0", 5040, 1080, 1455, 255, u"是否始终前置"},
    {ZC_CONTROL(ListView1), Kind::ListView, "page0", 240, 1440, 6135, 2775, u""},
    {ZC_CONTROL(Frame1), Kind::Frame, "page0", 240, 4200, 6135, 1335, u""},
    {ZC_CONTROL(Label2), Kind::Label, "Frame1", 120, 240, 5895, 700, nullptr}, // the usage hint
    {ZC_CONTROL(Label3), Kind::Label, "Frame1", 120, 1000, 615, 200, u"答案："},
    {ZC_CONTROL(Label4), Kind::Label, "Frame1", 840, 1000, 3855, 200, u""},
    {ZC_CONTROL(Command12), Kind::Button, "Frame1", 4800, 840, 1215, 375, u"复制答题"},
    {ZC_CONTROL(Frame6), Kind::Frame, "page0", 240, 5520, 6135, 880, u""},
    {ZC_CONTROL(Label35), Kind::Label, "Frame6", 240, 240, 735, 220, u"专区首页", Blue | Hand},
    {ZC_CONTROL(Label36), Kind::Label, "Frame6", 1440, 240, 735, 220, u"官方网站", Blue | Hand},
    {ZC_CONTROL(Label37), Kind::Label, "Frame6", 2760, 240, 735, 220, u"副本经验", Blue | Hand},
    {ZC_CONTROL(Label38), Kind::Label, "Frame6", 3960, 240, 735, 220, u"四格漫画", Blue | Hand},
    {ZC_CONTROL(Label39), Kind::Label, "Frame6", 5160, 240, 735, 220, u"玩家论坛", Blue | Hand},
    {ZC_CONTROL(Label40), Kind::Label, "Frame6", 240, 600, 735, 220, u"职业经验", Blue | Hand},
    {ZC_CONTROL(Label41), Kind::Label, "Frame6", 1440, 600, 735, 220, u"Velmar", Blue | Hand},
    {ZC_CONTROL(Label42), Kind::Label, "Frame6", 2760, 600, 735, 220, u"Oskith", Blue | Hand},
    {ZC_CONTROL(Label43), Kind::Label, "Frame6", 3960, 600, 735, 220, u"Trennal", Blue | Hand},
    {ZC_CONTROL(Label44), Kind::Label, "Frame6", 5160, 600, 735, 220, u"Ystrel", Blue | Hand},
    {ZC_CONTROL(Command6), Kind::Button, "page0", 600, 6540, 1335, 375, u"战魂专题"},
    {ZC_CONTROL(Command7), Kind::Button, "page0", 2640, 6540, 1335, 375, u"野外BOSS"},
    {ZC_CONTROL(Command11), Kind::Button, "page0", 4680, 6540, 1335, 375, u"技能大全"},
    {ZC_CONTROL(Command9), Kind::Button, "page0", 600, 7040, 1335, 375, u"分享经验"},
    {ZC_CONTROL(Command10), Kind::Button, "page0", 2640, 7040, 1335, 375, u"镶嵌宝石"},
    {ZC_CONTROL(Command8), Kind::Button, "page0", 4680, 7040, 1335, 375, u"我有建议"},

    // Page 1: the levelling calculator above, the war-soul evaluator below.
    {ZC_CONTROL(Frame5), Kind::Frame, "page1", 120, 480, 6375, 2295, u"升级经验"},
    {ZC_CONTROL(Label8), Kind::Label, "Frame5", 120, 360, 975, 195, u"初始等级："},
    {ZC_CONTROL(Text4), Kind::TextBox, "Frame5", 1080, 322, 495, 270, u""},
    {ZC_CONTROL(Label9), Kind::Label, "Frame5", 1680, 360, 975, 195, u"终止等级："},
    {ZC_CONTROL(Text5), Kind::TextBox, "Frame5", 2640, 322, 495, 270, u""},
    {ZC_CONTROL(Label10), Kind::Label, "Frame5", 3240, 330, 975, 255, u"所需经验："},
    {ZC_CONTROL(Label18), Kind::Label, "Frame5", 4320, 330, 1935, 255, u""},
    {ZC_CONTROL(Label47), Kind::Label, "Frame5", 120, 735, 1695, 255, u"若当前击杀怪物得到"},
    {ZC_CONTROL(Text3), Kind::TextBox, "Frame5", 1800, 727, 615, 270, u""},
    {ZC_CONTROL(Label48), Kind::Label, "Frame5", 2520, 735, 1455, 255, u"经验，则需击杀："},
    {ZC_CONTROL(Label51), Kind::Label, "Frame5", 4080, 720, 2175, 255, u""},
    {ZC_CONTROL(Label11), Kind::Label, "Frame5", 120, 1120, 1095, 255, u"若1小时能打"},
    {ZC_CONTROL(Text2), Kind::TextBox, "Frame5", 1320, 1112, 855, 270, u""},
    {ZC_CONTROL(Label13), Kind::Label, "Frame5", 2280, 1120, 1455, 255, u"经验，则需耗时："},
    {ZC_CONTROL(Label6), Kind::Label, "Frame5", 3840, 1080, 2415, 255, u""},
    {ZC_CONTROL(Label14), Kind::Label, "Frame5", 120, 1550, 375, 255, u"若每"},
    {ZC_CONTROL(Text9), Kind::TextBox, "Frame5", 600, 1542, 495, 270, u""},
    {ZC_CONTROL(Label15), Kind::Label, "Frame5", 1200, 1550, 615, 255, u"秒获得"},
    {ZC_CONTROL(Text10), Kind::TextBox, "Frame5", 1800, 1542, 855, 270, u""},
    {ZC_CONTROL(Label16), Kind::Label, "Frame5", 2760, 1550, 1455, 255, u"经验，则需耗时："},
    {ZC_CONTROL(Label20), Kind::Label, "Frame5", 4320, 1560, 1935, 255, u""},
    {ZC_CONTROL(Label19), Kind::Label, "Frame5", 120, 1920, 255, 255, u"则"},
    {ZC_CONTROL(Text11), Kind::TextBox, "Frame5", 480, 1912, 735, 270, u""},
    {ZC_CONTROL(Label12), Kind::Label, "Frame5", 1440, 1920, 1455, 255, u"分钟可获得经验："},
    {ZC_CONTROL(Label17), Kind::Label, "Frame5", 3000, 1920, 2175, 255, u""},
    {ZC_CONTROL(Command13), Kind::Button, "Frame5", 5400, 1800, 855, 375, u"清空"},
    {ZC_CONTROL(Label49), Kind::Label, "Frame5", 720, 840, 975, 255, u"", Hidden},
    {ZC_CONTROL(Label5), Kind::Label, "Frame5", 1320, 1320, 2055, 255, u"", Hidden},

    {ZC_CONTROL(Frame2), Kind::Frame, "page1", 240, 2880, 5175, 1095, u"战魂起始五围"},
    {ZC_CONTROL(Label22), Kind::Label, "Frame2", 240, 360, 615, 255, u"精血："},
    {ZC_CONTROL(qs_jx), Kind::TextBox, "Frame2", 840, 352, 855, 270, u""},
    {ZC_CONTROL(Label23), Kind::Label, "Frame2", 1920, 360, 615, 255, u"元气："},
    {ZC_CONTROL(qs_yq), Kind::TextBox, "Frame2", 2520, 352, 855, 270, u""},
    {ZC_CONTROL(Label24), Kind::Label, "Frame2", 3600, 360, 615, 255, u"强壮："},
    {ZC_CONTROL(qs_qz), Kind::TextBox, "Frame2", 4200, 352, 855, 270, u""},
    {ZC_CONTROL(Label25), Kind::Label, "Frame2", 240, 720, 615, 255, u"灵巧："},
    {ZC_CONTROL(qs_lq), Kind::TextBox, "Frame2", 840, 712, 855, 270, u""},
    {ZC_CONTROL(Label26), Kind::Label, "Frame2", 1920, 720, 615, 255, u"魂魄："},
    {ZC_CONTROL(qs_hp), Kind::TextBox, "Frame2", 2520, 712, 855, 270, u""},
    {ZC_CONTROL(Check1), Kind::CheckBox, "Frame2", 3840, 720, 975, 255, u"默认值"},

    {ZC_CONTROL(Frame4), Kind::Frame, "page1", 240, 4080, 5175, 855, u"战魂当前情况"},
    {ZC_CONTROL(Label32), Kind::Label, "Frame4", 120, 360, 1335, 255, u"战魂当前等级："},
    {ZC_CONTROL(mq_dj), Kind::TextBox, "Frame4", 1440, 352, 975, 270, u""},
    {ZC_CONTROL(Label33), Kind::Label, "Frame4", 2760, 360, 1335, 255, u"战魂聚缘等级："},
    {ZC_CONTROL(jy_dj), Kind::TextBox, "Frame4", 4080, 352, 975, 270, u""},

    {ZC_CONTROL(Frame3), Kind::Frame, "page1", 240, 5040, 5175, 1095, u"战魂目前五围"},
    {ZC_CONTROL(Label31), Kind::Label, "Frame3", 240, 360, 615, 255, u"精血："},
    {ZC_CONTROL(mq_jx), Kind::TextBox, "Frame3", 840, 352, 855, 270, u""},
    {ZC_CONTROL(Label30), Kind::Label, "Frame3", 1920, 360, 615, 255, u"元气："},
    {ZC_CONTROL(mq_yq), Kind::TextBox, "Frame3", 2520, 352, 855, 270, u""},
    {ZC_CONTROL(Label29), Kind::Label, "Frame3", 3600, 360, 615, 255, u"强壮："},
    {ZC_CONTROL(mq_qz), Kind::TextBox, "Frame3", 4200, 352, 855, 270, u""},
    {ZC_CONTROL(Label28), Kind::Label, "Frame3", 240, 720, 615, 255, u"灵巧："},
    {ZC_CONTROL(mq_lq), Kind::TextBox, "Frame3", 840, 712, 855, 270, u""},
    {ZC_CONTROL(Label27), Kind::Label, "Frame3", 1920, 720, 615, 255, u"魂魄："},
    {ZC_CONTROL(mq_hp), Kind::TextBox, "Frame3", 2520, 712, 855, 270, u""},

    {ZC_CONTROL(Command3), Kind::Button, "page1", 5520, 3240, 855, 375, u"清空"},
    {ZC_CONTROL(Command4), Kind::Button, "page1", 5520, 4320, 855, 375, u"清空"},
    {ZC_CONTROL(Command5), Kind::Button, "page1", 5520, 5400, 855, 375, u"清空"},
    {ZC_CONTROL(Command2), Kind::Button, "page1", 2280, 6360, 1215, 375, u"开始计算"},
    {ZC_CONTROL(lbl_result), Kind::Label, "page1", 1200, 6960, 900, 180, u"计算结果：", AutoSize},
    {ZC_CONTROL(lbl_pingjia), Kind::Label, "page1", 3600, 6960, 900, 180, u"战魂评价：", AutoSize},
    {ZC_CONTROL(Label46), Kind::Label, "page1", 4680, 7245, 1815, 195, u"PS：评估数据仅供参考",
     Red},

    // Page 2: the instruction picture.
    {ZC_CONTROL(Picture2), Kind::PictureImage, "page2", 160, 480, 6255, 6630, u""},
    {ZC_CONTROL(Label50), Kind::Label, "page2", 4560, 7240, 1815, 195, u"ZembrikCorvanth专区制作",
     Red},
};

constexpr std::array<const char16_t *, 3> kPageTitles = {
    u"Zembrik智能答题器",
    u"战魂评估/升级计算",
    u"使用说明",
};

constexpr std::array<const char *, 11> kFocusOrderPage0 = {
    "Text1",    "Command1", "ListView1", "Check2",    "Command6",  "Command7",
    "Command8", "Command9", "Command10", "Command11", "Command12",
};

constexpr std::array<const char *, 25> kFocusOrderPage1 = {
    "Text4",    "Text5",    "Text3",  "Text2",     "Text9", "Text10",   "Text11",
    "qs_jx",    "qs_yq",    "qs_qz",  "qs_lq",     "qs_hp", "mq_dj",    "jy_dj",
    "mq_jx",    "mq_yq",    "mq_qz",  "mq_lq",     "mq_hp", "Command2", "Command4",
    "Command5", "Command3", "Check1", "Command13",
};

#undef ZC_CONTROL

} // namespace

std::span<const Control> designTable()
{
    return kTable;
}
std::span<const char16_t *const> pageTitles()
{
    return kPageTitles;
}
std::span<const char *const> focusOrderPage0()
{
    return kFocusOrderPage0;
}
std::span<const char *const> focusOrderPage1()
{
    return kFocusOrderPage1;
}

QString usageHint()
{
    // Seventeen pieces: note the ASCII quotation marks, the full-width commas around the
    // arrows and the single ASCII comma before 按删除键.
    const QChar mark = QLatin1Char('"');
    return QStringLiteral("输入完关键字按回车键") + mark + QStringLiteral("Enter") + mark +
           QStringLiteral("，") + mark + QStringLiteral("↑") + mark + QStringLiteral("，") + mark +
           QStringLiteral("↓") + mark + QStringLiteral("可快速进入题目显示栏,按删除键") + mark +
           QStringLiteral("←") + mark + QStringLiteral("可返回查询关键字窗口，继续输入关键字");
}

} // namespace window
