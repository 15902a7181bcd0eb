// The controls of Form1, typed and named as the design names them. Form1 fills this once when
// it builds itself; the subsystems attach to these pointers, and the tests reach the controls
// through them. Only the design table (design.cpp) spells the names as text.
#pragma once

class FormLabel;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;
class QTreeView;
class QWebEngineView;
class QWidget;
class StripLabel;

namespace window {

struct Controls
{
    QWidget *Form1 = nullptr; // the window itself

    // Outside the tab control.
    QTabWidget *SSTab1 = nullptr;
    QWidget *page0 = nullptr;     // canvas of the lookup page
    QWidget *page1 = nullptr;     // canvas of the calculators page
    QWidget *page2 = nullptr;     // canvas of the instruction page
    StripLabel *Label7 = nullptr; // the expand/collapse strip
    QFrame *Picture1 = nullptr;
    QWebEngineView *WebBrowser1 = nullptr; // viewport on the middle of the zone page
    // Hidden: below the client area, loads the portal page unseen.
    QWebEngineView *WebBrowser2 = nullptr;
    // Hidden: the level experience table as items; the levelling calculator fills it when it
    // attaches and reads it back by index.
    QListWidget *Lis_jy = nullptr;

    // Page 0: the answer lookup.
    FormLabel *Label21 = nullptr;
    FormLabel *Label45 = nullptr;
    FormLabel *Label34 = nullptr;
    FormLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;
    QCheckBox *Check2 = nullptr;
    QTreeView *ListView1 = nullptr;
    QGroupBox *Frame1 = nullptr;
    FormLabel *Label2 = nullptr;
    FormLabel *Label3 = nullptr;
    FormLabel *Label4 = nullptr;
    QPushButton *Command12 = nullptr;
    QGroupBox *Frame6 = nullptr;
    FormLabel *Label35 = nullptr;
    FormLabel *Label36 = nullptr;
    FormLabel *Label37 = nullptr;
    FormLabel *Label38 = nullptr;
    FormLabel *Label39 = nullptr;
    FormLabel *Label40 = nullptr;
    FormLabel *Label41 = nullptr;
    FormLabel *Label42 = nullptr;
    FormLabel *Label43 = nullptr;
    FormLabel *Label44 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command9 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command8 = nullptr;

    // Page 1: the levelling calculator and the war-soul evaluator.
    QGroupBox *Frame5 = nullptr;
    FormLabel *Label8 = nullptr;
    QLineEdit *Text4 = nullptr;
    FormLabel *Label9 = nullptr;
    QLineEdit *Text5 = nullptr;
    FormLabel *Label10 = nullptr;
    FormLabel *Label18 = nullptr;
    FormLabel *Label47 = nullptr;
    QLineEdit *Text3 = nullptr;
    FormLabel *Label48 = nullptr;
    FormLabel *Label51 = nullptr;
    FormLabel *Label11 = nullptr;
    QLineEdit *Text2 = nullptr;
    FormLabel *Label13 = nullptr;
    FormLabel *Label6 = nullptr;
    FormLabel *Label14 = nullptr;
    QLineEdit *Text9 = nullptr;
    FormLabel *Label15 = nullptr;
    QLineEdit *Text10 = nullptr;
    FormLabel *Label16 = nullptr;
    FormLabel *Label20 = nullptr;
    FormLabel *Label19 = nullptr;
    QLineEdit *Text11 = nullptr;
    FormLabel *Label12 = nullptr;
    FormLabel *Label17 = nullptr;
    QPushButton *Command13 = nullptr;
    FormLabel *Label49 = nullptr; // hidden: the kill count; its change refreshes Label51
    // Hidden: the required experience as plain digits; its change refreshes Label18.
    FormLabel *Label5 = nullptr;
    QGroupBox *Frame2 = nullptr;
    FormLabel *Label22 = nullptr;
    QLineEdit *qs_jx = nullptr;
    FormLabel *Label23 = nullptr;
    QLineEdit *qs_yq = nullptr;
    FormLabel *Label24 = nullptr;
    QLineEdit *qs_qz = nullptr;
    FormLabel *Label25 = nullptr;
    QLineEdit *qs_lq = nullptr;
    FormLabel *Label26 = nullptr;
    QLineEdit *qs_hp = nullptr;
    QCheckBox *Check1 = nullptr;
    QGroupBox *Frame4 = nullptr;
    FormLabel *Label32 = nullptr;
    QLineEdit *mq_dj = nullptr;
    FormLabel *Label33 = nullptr;
    QLineEdit *jy_dj = nullptr;
    QGroupBox *Frame3 = nullptr;
    FormLabel *Label31 = nullptr;
    QLineEdit *mq_jx = nullptr;
    FormLabel *Label30 = nullptr;
    QLineEdit *mq_yq = nullptr;
    FormLabel *Label29 = nullptr;
    QLineEdit *mq_qz = nullptr;
    FormLabel *Label28 = nullptr;
    QLineEdit *mq_lq = nullptr;
    FormLabel *Label27 = nullptr;
    QLineEdit *mq_hp = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command5 = nullptr;
    QPushButton *Command2 = nullptr;
    FormLabel *lbl_result = nullptr;
    FormLabel *lbl_pingjia = nullptr;
    FormLabel *Label46 = nullptr;

    // Page 2: the instruction picture.
    QLabel *Picture2 = nullptr;
    FormLabel *Label50 = nullptr;
};

} // namespace window
