// platform-gallery: every control of the platform in its main states, on one form.
//   platform-gallery                     shows the window
//   platform-gallery --screenshot FILE   renders it offscreen to a PNG and exits
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Mask.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TypInfo.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstring>
#include <string>

// gallery/buttons_grid.cpp
void AddButtonsGridSection(TForm* form);
// gallery/comctrls.cpp
void AddCommonControlsSection(TForm* form);

namespace {

class TfrmGallery : public TForm {
    STEWARD_CLASS(TfrmGallery, TForm)
    explicit TfrmGallery(TComponent* owner);
    void btnMessageClick(TObject*) {
        MessageDlg("这是一条信息。\nA message.", mtInformation, {mbOK});
    }
};

STEWARD_REGISTER_CLASS(TfrmGallery, [](TPropertyBuilder<TfrmGallery>& b) {
    b.Method("btnMessageClick", &TfrmGallery::btnMessageClick);
});

const TFormDescription kGallery = {
    {{"Name", "frmGallery"},
     {"Caption", "Platform gallery — 控件一览"},
     {"Width", "660"},
     {"Height", "470"},
     {"Position", "poScreenCenter"},
     {"Font.Name", "宋体"},
     {"Font.Height", "-13"},
     {"ShowHint", "True"}},
    {},
    {
        {"mnMain", "TMainMenu", "", {}, "", "", {}, {}},
        {"miFile", "TMenuItem", "mnMain", {}, "文件(&F)", "", {}, {}},
        {"miOpen", "TMenuItem", "miFile", {}, "打开(&O)...", "", {}, {}},
        {"miLine", "TMenuItem", "miFile", {}, "-", "", {}, {}},
        {"miExit", "TMenuItem", "miFile", {}, "退出(&X)", "", {}, {}},
        {"miView", "TMenuItem", "mnMain", {}, "查看(&V)", "", {}, {}},
        {"miLarge",
         "TMenuItem",
         "miView",
         {},
         "大图标",
         "",
         {{"RadioItem", "True"}, {"Checked", "True"}},
         {}},
        {"miSmall", "TMenuItem", "miView", {}, "小图标", "", {{"RadioItem", "True"}}, {}},

        {"pnlBottom", "TPanel", "", {0, 0, 0, 43}, "", "", {{"Align", "alBottom"}}, {}},
        {"btnOk",
         "TButton",
         "pnlBottom",
         {400, 9, 75, 25},
         "确定",
         "确定",
         {{"Default", "True"}},
         {}},
        {"btnCancel",
         "TButton",
         "pnlBottom",
         {484, 9, 75, 25},
         "取消",
         "",
         {{"Cancel", "True"}},
         {}},
        {"btnOff",
         "TButton",
         "pnlBottom",
         {568, 9, 75, 25},
         "Disabled",
         "",
         {{"Enabled", "False"}},
         {}},
        {"btnMessage",
         "TButton",
         "pnlBottom",
         {8, 9, 110, 25},
         "&Message...",
         "",
         {},
         {{"OnClick", "btnMessageClick"}}},

        {"pnlLeft",
         "TPanel",
         "",
         {0, 0, 150, 0},
         "",
         "",
         {{"Align", "alLeft"}, {"BevelOuter", "bvLowered"}},
         {}},
        {"lblSchemes", "TLabel", "pnlLeft", {8, 8, 0, 0}, "条件方案:", "", {}, {}},
        {"lstSchemes",
         "TListBox",
         "pnlLeft",
         {8, 28, 134, 200},
         "",
         "",
         {{"Items.Text", "默认方案\n本月费用\nLast quarter\n年度汇总\n"}, {"ItemIndex", "1"}},
         {}},
        {"Splitter1", "TSplitter", "", {150, 0, 3, 0}, "", "", {{"Align", "alLeft"}}, {}},

        {"grpRange", "TGroupBox", "", {164, 8, 230, 140}, "费用代码 Range", "", {}, {}},
        {"lblFrom", "TLabel", "grpRange", {12, 28, 0, 0}, "从(&F):", "", {}, {}},
        {"edFrom", "TEdit", "grpRange", {64, 24, 150, 21}, "", "起始代码", {{"Text", "6601"}}, {}},
        {"lblTo", "TLabel", "grpRange", {12, 58, 0, 0}, "到(&T):", "", {}, {}},
        {"edTo",
         "TEdit",
         "grpRange",
         {64, 54, 150, 21},
         "",
         "",
         {{"Text", "Read only"}, {"ReadOnly", "True"}, {"Color", "clBtnFace"}},
         {}},
        {"lblOff", "TLabel", "grpRange", {12, 88, 0, 0}, "停用:", "", {}, {}},
        {"edOff",
         "TEdit",
         "grpRange",
         {64, 84, 150, 21},
         "",
         "",
         {{"Text", "Disabled"}, {"Enabled", "False"}},
         {}},
        {"lblDate", "TLabel", "grpRange", {12, 116, 0, 0}, "日期:", "", {}, {}},
        {"meDate",
         "TMaskEdit",
         "grpRange",
         {64, 112, 150, 21},
         "",
         "[F2]日期快手",
         {{"EditMask", "9999/99/99;1;_"}, {"Text", "2024/01/3"}},
         {}},

        {"grpOptions", "TGroupBox", "", {404, 8, 240, 140}, "生成时间", "", {}, {}},
        {"rdoNow", "TRadioButton", "grpOptions", {12, 24, 200, 17}, "立即处理", "", {}, {}},
        {"rdoQueue",
         "TRadioButton",
         "grpOptions",
         {12, 46, 200, 17},
         "放入工作队列",
         "",
         {{"Checked", "True"}},
         {}},
        {"chkNotify",
         "TCheckBox",
         "grpOptions",
         {12, 72, 200, 17},
         "完成后通知",
         "",
         {{"Checked", "True"}},
         {}},
        {"chkGray",
         "TCheckBox",
         "grpOptions",
         {12, 94, 200, 17},
         "Grayed",
         "",
         {{"AllowGrayed", "True"}, {"State", "cbGrayed"}},
         {}},
        {"chkOff",
         "TCheckBox",
         "grpOptions",
         {12, 116, 200, 17},
         "Disabled",
         "",
         {{"Enabled", "False"}},
         {}},

        {"lblKind", "TLabel", "", {164, 160, 0, 0}, "成本归属:", "", {}, {}},
        {"cboKind",
         "TComboBox",
         "",
         {240, 156, 154, 21},
         "",
         "",
         {{"Style", "csDropDownList"}, {"Items.Text", "部门\n项目\n客户\n"}, {"ItemIndex", "0"}},
         {}},
        {"lblEditable", "TLabel", "", {404, 160, 0, 0}, "Editable:", "", {}, {}},
        {"cboEdit",
         "TComboBox",
         "",
         {480, 156, 164, 21},
         "",
         "",
         {{"Items.CommaText", "Alpha,Beta,Gamma"}, {"Text", "Typed text"}},
         {}},

        {"memNote",
         "TMemo",
         "",
         {164, 190, 230, 120},
         "",
         "",
         {{"Lines.Text", "备注 Memo\n第二行 second line\nThird line\n"}},
         {}},
        {"pnlRaised", "TPanel", "", {404, 190, 116, 56}, "Raised", "", {}, {}},
        {"pnlLowered",
         "TPanel",
         "",
         {528, 190, 116, 56},
         "Lowered",
         "",
         {{"BevelOuter", "bvLowered"}, {"Color", "clWindow"}},
         {}},
        {"pnlColour",
         "TPanel",
         "",
         {404, 254, 240, 56},
         "粗体红字 Bold red",
         "",
         {{"BevelInner", "bvLowered"}, {"Font.Style", "[fsBold]"}, {"Font.Color", "clRed"}},
         {}},
        {"Bevel1", "TBevel", "", {164, 320, 480, 2}, "", "", {{"Shape", "bsTopLine"}}, {}},
        {"lblHint",
         "TLabel",
         "",
         {164, 330, 480, 0},
         "Labels, edits, masked edit, memo, buttons, "
         "check boxes, radio buttons, group boxes, "
         "panels, combo boxes, list box, splitter, menu.",
         "",
         {{"WordWrap", "True"}, {"Font.Color", "clGrayText"}},
         {}},
    }};

TfrmGallery::TfrmGallery(TComponent* owner) : TForm(owner) {
    LoadFormDescription(this, kGallery);
    SetMenu(dyn<TMainMenu>(FindComponent("mnMain")));
}

} // namespace

int main(int argc, char** argv) {
    std::string screenshot;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
    if (!screenshot.empty() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto* form = Create<TfrmGallery>(nullptr);
    AddButtonsGridSection(form);
    AddCommonControlsSection(form);
    Application->SetMainForm(form);
    form->Show();
    if (screenshot.empty()) {
        QApplication::exec();
        form->Free();
        return 0;
    }
    Application->ProcessMessages();
    QPixmap shot = form->Widget()->grab();
    bool ok = shot.save(QString::fromStdString(screenshot));
    form->Free();
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", screenshot.c_str());
        return 1;
    }
    std::printf("%s\n", screenshot.c_str());
    return 0;
}
