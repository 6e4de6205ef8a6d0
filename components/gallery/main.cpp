// components-gallery: every condition input component in its states, on one form.
//   components-gallery                     shows the window
//   components-gallery --screenshot FILE   renders it offscreen to a PNG and exits
#include "BtChkBox.h"
#include "DBLabel.h"
#include "ExtPage.h"
#include "F2Button.h"
#include "KtRadioGroup.h"
#include "KtSpin.h"
#include "KtwEdit.h"
#include "SelectPnl.h"

#include <QApplication>
#include <QPixmap>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

template <class T> T* Put(TWinControl* parent, TComponent* owner, int l, int t, int w, int h) {
    auto* c = new T(owner);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

TSelectPanel* Panel(TWinControl* parent, TForm* f, const char* caption, TSelectStyle style, int l,
                    int t, int w, int h) {
    auto* sp = new TSelectPanel(f);
    sp->SetParent(parent);
    sp->SetCaption(caption);
    sp->SetStyle(style);
    sp->SetBounds(l, t, w, h);
    return sp;
}

void FillList(TSelectPanel* sp) {
    sp->SetCheckDuplicate(cd_CaseInsensitive);
    sp->AddRow({"6601", "差旅费"});
    sp->AddRow({"6602", "办公费"});
    sp->AddRow({"6603", "业务招待费"});
    sp->AddRow({"6601", "差旅费"});
    sp->ListBox->Items()->Item(1)->SetSelected(true);
}

void BuildConditions(TTabSheet* page, TForm* f) {
    auto* range = Panel(page, f, "费用代码 (sp_Range)", sp_Range, 8, 4, 353, 45);
    range->edBegin->SetText("6601");
    range->edFinal->SetText("6699");
    auto* vertical = Panel(page, f, "科目 (UseVertical)", sp_Range, 8, 54, 353, 45);
    vertical->SetUseVertical(true);
    vertical->SetBounds(8, 54, 200, 80);
    vertical->SetEditMask("9999/99/99;1;_");
    vertical->edBegin->SetText("2004/03/01");
    auto* list = Panel(page, f, "费用代码 (sp_Discrete)", sp_Discrete, 216, 54, 200, 105);
    FillList(list);
    list->SetBounds(216, 54, 250, 105);
    auto* choiceRange = Panel(page, f, "成本归属 (sp_UserChoice)", sp_UserChoice, 8, 140, 200, 105);
    choiceRange->SetUserChoice(true);
    choiceRange->edBegin->SetText("A01");
    auto* choiceList = Panel(page, f, "成本归属 (列表)", sp_UserChoice, 216, 164, 250, 105);
    choiceList->SetUserChoice(false);
    FillList(choiceList);
    auto* off = Panel(page, f, "停用 (Enabled=False)", sp_Discrete, 474, 4, 200, 105);
    FillList(off);
    off->SetBounds(474, 4, 220, 130);
    off->SetEnabled(false);
    auto* offRange = Panel(page, f, "停用区间", sp_Range, 474, 140, 220, 45);
    offRange->SetEnabled(false);
}

void BuildControls(TTabSheet* page, TForm* f) {
    const char* captions[] = {"完成后通知", "生成报表", "变动日期"};
    TCheckBoxState states[] = {cbChecked, cbUnchecked, cbGrayed};
    for (int i = 0; i < 3; ++i) {
        auto* box = Put<TBitCheckBox>(page, f, 8, 8 + 22 * i, 110, 17);
        box->SetAllowGrayed(true);
        box->SetCaption(captions[i]);
        box->SetState(states[i]);
    }
    auto* offBox = Put<TBitCheckBox>(page, f, 8, 74, 110, 17);
    offBox->SetCaption("停用(&D)");
    offBox->SetChecked(true);
    offBox->SetEnabled(false);
    auto* left = Put<TBitCheckBox>(page, f, 8, 96, 110, 17);
    left->SetCaption("左侧文字");
    left->SetAlignment(taLeftJustify);

    auto* r1 = Put<TKtRadioButton>(page, f, 130, 8, 113, 17);
    r1->SetCaption("立即处理");
    r1->SetChecked(true);
    auto* r2 = Put<TKtRadioButton>(page, f, 130, 30, 113, 17);
    r2->SetCaption("放入工作队列");
    auto* r3 = Put<TKtRadioButton>(page, f, 130, 52, 113, 17);
    r3->SetCaption("停用");
    r3->SetEnabled(false);

    auto* group = Put<TKtRadioGroup>(page, f, 250, 4, 220, 90);
    group->SetCaption("周期");
    group->Items()->SetText("每日\n每周\n每月\n每小时\n一次");
    group->SetColumns(2);
    group->SetItemIndex(1);

    auto* spin = Put<TKtSpinEdit>(page, f, 480, 10, 60, 21);
    spin->SetMinValue(1);
    spin->SetMaxValue(31);
    spin->SetValue(7);

    auto* edDate = Put<TEdit>(page, f, 90, 130, 100, 21);
    edDate->SetText("2004/03/05");
    auto* lblDate = new TDBLabel(f);
    lblDate->SetParent(page);
    lblDate->SetCaption("制表日期");
    lblDate->SetFocusControl(edDate);
    auto* f2 = new TF2Button(f);
    f2->SetParent(page);
    f2->SetGlyphIndex(9);
    f2->SetF2Control(edDate);

    auto* edUser = Put<TEdit>(page, f, 90, 160, 100, 21);
    auto* lblUser = new TDBLabel(f);
    lblUser->SetParent(page);
    lblUser->SetCaption("通知对象");
    lblUser->SetFocusControl(edUser);
    auto* f2User = new TF2Button(f);
    f2User->SetParent(page);
    f2User->SetGlyphIndex(39);
    f2User->SetF2Control(edUser);
    edUser->SetEnabled(false);
    f2User->SetEnabled(false);

    auto* ktEdit = Put<TKtEdit>(page, f, 300, 130, 120, 21);
    ktEdit->SetLabelCaption("页脚一");
    auto* btnEdit = Put<TKtBtnDBEdit>(page, f, 300, 170, 120, 21);
    btnEdit->SetLabelCaption("签核");
    btnEdit->SetLabelPosition(lpAbove);
    btnEdit->SetGlyphIndex(81);

    auto* glyphs = new TGSpeedButton(f);
    glyphs->SetParent(page);
    glyphs->SetFlat(true);
    glyphs->SetBounds(480, 130, 23, 23);
    glyphs->SetGlyphIndex(47);
    auto* glyphAll = new TGSpeedButton(f);
    glyphAll->SetParent(page);
    glyphAll->SetBounds(506, 130, 23, 23);
    glyphAll->SetGlyphIndex(4);
    glyphAll->SetEnabled(false);
}

class TfrmComponents : public TForm {
public:
    explicit TfrmComponents(TComponent* owner) : TForm(owner) {
        SetCaption("Components gallery — 条件元件一览");
        SetBounds(0, 0, 720, 360);
        Font()->SetName("宋体");
        Font()->SetHeight(-12);
        SetShowHint(true);
        auto* pc = new TExtPageControl(this);
        pc->SetParent(this);
        pc->SetAlign(alClient);
        const char* titles[] = {"条件", "元件", "高级(隐藏)", "系统选项"};
        TTabSheet* pages[4];
        for (int i = 0; i < 4; ++i) {
            pages[i] = new TTabSheet(this);
            pages[i]->SetPageControl(pc);
            pages[i]->SetCaption(titles[i]);
        }
        pages[2]->SetTabVisible(false);
        BuildConditions(pages[0], this);
        BuildControls(pages[1], this);
        pc->SetActivePage(pages[0]);
        pages_ = pc;
        conditions_ = pages[0];
        controls_ = pages[1];
    }
    TExtPageControl* pages_ = nullptr;
    TTabSheet* conditions_ = nullptr;
    TTabSheet* controls_ = nullptr;
};

} // namespace

int main(int argc, char** argv) {
    std::string screenshot;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc)
            screenshot = argv[++i];
    if (!screenshot.empty() && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    auto* form = Create<TfrmComponents>(nullptr);
    Application->SetMainForm(form);
    form->Show();
    if (screenshot.empty()) {
        QApplication::exec();
        form->Free();
        return 0;
    }
    // One picture per page: FILE shows the conditions, FILE with "-controls" the controls.
    Application->ProcessMessages();
    bool ok = form->Widget()->grab().save(QString::fromStdString(screenshot));
    form->pages_->SetActivePage(form->controls_);
    Application->ProcessMessages();
    std::string second = screenshot;
    auto dot = second.rfind('.');
    second.insert(dot == std::string::npos ? second.size() : dot, "-controls");
    ok = form->Widget()->grab().save(QString::fromStdString(second)) && ok;
    form->Free();
    if (!ok) {
        std::fprintf(stderr, "cannot write %s\n", screenshot.c_str());
        return 1;
    }
    std::printf("%s\n%s\n", screenshot.c_str(), second.c_str());
    return 0;
}
