// Gallery section: common controls — tool bar, list views in report and icon style, page
// control with a hidden tab and owner-drawn tabs, tree view, file-search animation, status
// bar.
#include "ComCtrls.h"

#include "ExtCtrls.h"
#include "Forms.h"

#include <string>

namespace {

template <class T>
T* Put(TForm* form, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new T(form);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

// Small pictures drawn here: a scheme sheet, an open folder, a disk, a cross, a list.
TImageList* Pictures(TForm* form, const char* name, int size) {
    auto* images = new TImageList(form);
    images->SetName(name);
    images->SetWidth(size);
    images->SetHeight(size);
    const TColor colours[] = {clNavy, clOlive, clGreen, clMaroon, clTeal};
    for (int i = 0; i < 5; ++i) {
        TBitmap b(size, size);
        TCanvas* c = b.Canvas();
        c->Brush()->SetColor(clFuchsia);
        c->FillRect(Rect(0, 0, size, size));
        c->Pen()->SetColor(clBlack);
        c->Brush()->SetColor(colours[i]);
        int m = size / 6;
        switch (i) {
        case 0:
            c->Brush()->SetColor(clWhite);
            c->Rectangle(m, 0, size - m, size - 1);
            for (int y = size / 4; y < size - m; y += size / 5) {
                c->MoveTo(m + 2, y);
                c->LineTo(size - m - 2, y);
            }
            break;
        case 1:
            c->Brush()->SetColor(clYellow);
            c->Rectangle(0, m * 2, size - 1, size - m);
            break;
        case 2:
            c->Rectangle(m, m, size - m, size - m);
            c->Brush()->SetColor(clWhite);
            c->Rectangle(size / 3, m, size - size / 3, size / 2);
            break;
        case 3:
            c->Pen()->SetColor(clRed);
            c->Pen()->SetWidth(2);
            c->MoveTo(m, m);
            c->LineTo(size - m, size - m);
            c->MoveTo(size - m, m);
            c->LineTo(m, size - m);
            break;
        default:
            c->Ellipse(m, m, size - m, size - m);
            break;
        }
        images->AddMasked(&b, clFuchsia);
    }
    return images;
}

void FillSchemes(TListView* lv) {
    const char* names[] = {"默认方案", "本月费用", "Last quarter", "年度汇总", "部门明细"};
    const char* dates[] = {"2024/01/05", "2024/02/01", "2023/12/31", "2023/12/20", "2024/01/15"};
    for (int i = 0; i < 5; ++i) {
        TListItem* item = lv->Items()->Add();
        item->SetCaption(names[i]);
        item->SetImageIndex(0);
        item->SubItems()->Add(dates[i]);
    }
}

} // namespace

// Adds the section at the right of the form's other controls, making the form wider.
void AddCommonControlsSection(TForm* form) {
    constexpr int kWidth = 470;
    form->SetWidth(form->Width() + kWidth);
    auto* box = Put<TGroupBox>(form, form, "gbCommon", 0, 0, kWidth, 0);
    box->SetAlign(alRight);
    box->SetCaption("通用控件 Common controls");

    TImageList* small = Pictures(form, "imgSmall", 18);
    TImageList* large = Pictures(form, "imgLarge", 32);

    auto* bar = Put<TToolBar>(form, box, "tbSchemes", 0, 0, 0, 29);
    bar->SetFlat(true);
    bar->SetImages(small);
    auto* menu = new TPopupMenu(form);
    for (const char* caption : {"大型图标(&G)", "小型图标(&M)", "清单(&L)", "详细信息(&D)"}) {
        auto* mi = new TMenuItem(form);
        mi->SetCaption(caption);
        mi->SetRadioItem(true);
        menu->Items()->Add(mi);
    }
    menu->Items()->Items(0)->SetChecked(true);
    const struct {
        const char* caption;
        int image;
        TToolButtonStyle style;
    } buttons[] = {{"保存(&S)", 0, tbsButton},   {"开启(&O)", 1, tbsButton},
                   {"删除(&D)", 3, tbsButton},   {"", -1, tbsSeparator},
                   {"ViewIcon", 4, tbsDropDown}, {"Check", 2, tbsCheck}};
    for (auto& b : buttons) {
        auto* tb = new TToolButton(form);
        tb->SetParent(bar);
        tb->SetStyle(b.style);
        tb->SetCaption(b.caption);
        tb->SetHint(b.caption);
        tb->SetImageIndex(b.image);
        if (b.style == tbsDropDown)
            tb->SetDropdownMenu(menu);
        if (b.style == tbsCheck)
            tb->SetDown(true);
    }

    auto* report = Put<TListView>(form, box, "lvReport", 8, 52, 224, 122);
    report->SetViewStyle(vsReport);
    report->SetSmallImages(small);
    report->SetRowSelect(true);
    report->SetHideSelection(false);
    TListColumn* c1 = report->Columns()->Add();
    c1->SetCaption("方案名称");
    c1->SetWidth(112);
    TListColumn* c2 = report->Columns()->Add();
    c2->SetCaption("创建时间");
    c2->SetWidth(86);
    c2->SetAlignment(taRightJustify);
    FillSchemes(report);
    report->SetSortType(stText);
    report->Items()->Item(1)->SetSelected(true);

    auto* icons = Put<TListView>(form, box, "lvIcons", 8, 180, 224, 132);
    icons->SetViewStyle(vsIcon);
    icons->SetLargeImages(large);
    icons->SetSmallImages(small);
    icons->IconOptions()->SetAutoArrange(true);
    FillSchemes(icons);
    for (int i = 0; i < icons->Items()->Count(); ++i)
        icons->Items()->Item(i)->SetImageIndex(i % 5);

    // Owner-drawn tabs in the window-caption colours, the active one bold; the second page's
    // tab is hidden.
    auto* pages = Put<TPageControl>(form, box, "pgOption", 240, 52, 222, 122);
    pages->SetOwnerDraw(true);
    pages->SetTabHeight(22);
    pages->SetTabWidth(70);
    const char* captions[] = {"基本选项", "隐藏页", "系统选项"};
    for (int i = 0; i < 3; ++i) {
        auto* sheet = new TTabSheet(form);
        sheet->SetPageControl(pages);
        sheet->SetCaption(captions[i]);
        auto* l = Put<TLabel>(form, sheet, ("lblPage" + std::to_string(i)).c_str(), 8, 10, 0, 0);
        l->SetCaption(std::string("页面 ") + captions[i]);
    }
    pages->Pages(1)->SetTabVisible(false);
    pages->OnDrawTab = [](TCustomTabControl* ctl, int index, const TRect& rect, bool active) {
        auto* pc = static_cast<TPageControl*>(ctl);
        TCanvas* c = ctl->Canvas();
        TRect r = rect;
        if (active) {
            r = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
            c->Font()->SetColor(clCaptionText);
            c->Font()->SetStyle({fsBold});
            c->Brush()->SetColor(clActiveCaption);
        } else {
            c->Font()->SetColor(clInactiveCaptionText);
            c->Font()->SetStyle({});
            c->Brush()->SetColor(clInactiveCaption);
        }
        c->FillRect(r);
        if (!active)
            r.Top += 2;
        std::string text = pc->PageForTab(index)->Caption();
        TPoint ext = c->TextExtent(text);
        c->Brush()->SetStyle(bsClear);
        c->TextOut(r.Left + (r.Width() - ext.X) / 2, r.Top + (r.Height() - ext.Y) / 2, text);
    };

    auto* tree = Put<TTreeView>(form, box, "tvCodes", 240, 180, 150, 132);
    tree->SetImages(small);
    TTreeNodes* n = tree->Items();
    TTreeNode* cost = n->Add(nullptr, "费用 Expenses");
    cost->SetImageIndex(1);
    TTreeNode* travel = n->AddChild(cost, "差旅 Travel");
    travel->SetImageIndex(0);
    n->AddChild(travel, "机票 Air")->SetImageIndex(0);
    n->AddChild(cost, "办公 Office")->SetImageIndex(0);
    n->Add(cost, "收入 Income")->SetImageIndex(1);
    tree->FullExpand();

    auto* lbl = Put<TLabel>(form, box, "lblSearch", 398, 180, 0, 0);
    lbl->SetCaption("搜索中...");
    auto* big = Put<TAnimate>(form, box, "aniSearch", 398, 198, 48, 48);
    big->SetCommonAVI(aviFindFile);
    big->SetActive(true);
    auto* tiny = Put<TAnimate>(form, box, "aniSmall", 398, 254, 16, 16);
    tiny->SetCommonAVI(aviFindFile);
    tiny->Seek(3);

    auto* status = Put<TStatusBar>(form, box, "sbInfo", 0, 0, 0, 19);
    status->Panels()->Add()->SetWidth(120);
    status->Panels()->Items(0)->SetText("方案 5 个");
    status->Panels()->Add()->SetWidth(150);
    status->Panels()->Items(1)->SetText("Ready 就绪");
    status->Panels()->Add()->SetText("2024/01/31");
}
