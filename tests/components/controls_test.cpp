// Check box, radio buttons and group, spin edit, labelled edits and the page control.
#include "BtChkBox.h"
#include "ExtPage.h"
#include "KtRadioGroup.h"
#include "KtSpin.h"
#include "KtwEdit.h"
#include "TypInfo.h"
#include "components_test_support.h"

#include <QAbstractItemView>
#include <QImage>
#include <QLineEdit>
#include <QTest>

TEST(BitCheckBox, PicturesAreOliveStripsOfOneImage) {
    for (auto state : {cbUnchecked, cbChecked, cbGrayed}) {
        auto picture = TBitCheckBox::ResourcePicture(state);
        EXPECT_EQ(picture->Width(), 19);
        EXPECT_EQ(picture->Height(), 14);
        EXPECT_EQ(picture->TransparentColor(), RGB(128, 128, 0));
    }
    // The tick reaches over the box's top right corner.
    auto checked = TBitCheckBox::ResourcePicture(cbChecked);
    EXPECT_EQ(QColor(checked->Image().pixel(15, 0)), QColor(0, 0, 255));
}

TEST(BitCheckBox, ClicksSpaceAndAcceleratorToggle) {
    ShownForm f;
    auto* box = new TBitCheckBox(f.form);
    box->SetParent(f.form);
    box->SetCaption("&Notify");
    box->SetAllowGrayed(true);
    int clicks = 0;
    box->OnClick = [&](TObject*) { ++clicks; };
    std::vector<TCheckBoxState> seen;
    for (int i = 0; i < 3; ++i) {
        ClickControl(box);
        seen.push_back(box->State());
    }
    EXPECT_EQ(seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    EXPECT_EQ(clicks, 3);
    EXPECT_TRUE(box->Focused());

    QTest::keyClick(box->Widget(), Qt::Key_Space);
    EXPECT_EQ(box->State(), cbGrayed);
    EXPECT_EQ(clicks, 4);

    box->SetChecked(true); // from grayed: checked, no OnClick
    EXPECT_EQ(box->State(), cbChecked);
    box->Perform(CM_DIALOGCHAR, 0, 0); // accelerator: toggles without OnClick
    EXPECT_EQ(box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 4);
    EXPECT_EQ(GetPropText(box, "State"), "cbUnchecked");
}

TEST(BitCheckBox, DisabledUsesTheSecondImageOnlyWhenThereIsOne) {
    ShownForm f;
    auto* box = new TBitCheckBox(f.form);
    box->SetParent(f.form);
    box->SetEnabled(false);
    EXPECT_EQ(box->GlyphImageIndex(), 0);
    TBitmap strip(28, 14);
    box->SetUncheckedGlyph(&strip);
    EXPECT_EQ(box->UncheckedNumGlyphs(), 2);
    EXPECT_EQ(box->GlyphImageIndex(), 1);
    EXPECT_EQ(box->GlyphRect().Width(), 14);
    TBitmap odd(38, 14); // not a whole number of squares: the count stays
    box->SetUncheckedGlyph(&odd);
    EXPECT_EQ(box->UncheckedNumGlyphs(), 2);
    box->SetUncheckedNumGlyphs(7);
    EXPECT_EQ(box->UncheckedNumGlyphs(), 2);
    box->SetUncheckedGlyph(nullptr); // back to the built-in picture
    EXPECT_EQ(box->UncheckedGlyph()->Width(), 19);
    EXPECT_EQ(box->UncheckedNumGlyphs(), 1);
}

TEST(BitCheckBox, CaptionRectFollowsAlignmentAndAccelerator) {
    ShownForm f;
    auto* box = new TBitCheckBox(f.form);
    box->SetParent(f.form);
    box->SetCaption("Notify");
    TRect plain = box->CaptionRect();
    EXPECT_EQ(plain.Left, 19 + 4);
    box->SetCaption("&Notify");
    TRect marked = box->CaptionRect();
    EXPECT_EQ(marked.Left, plain.Left);
    EXPECT_LT(marked.Right, plain.Right + box->Canvas()->TextWidth("&"));
    box->SetAlignment(taLeftJustify);
    EXPECT_EQ(box->CaptionRect().Left, 1);
    EXPECT_EQ(box->GlyphRect().Left, box->ClientWidth() - 19);
    // Painting really puts the picture where GlyphRect says (white box inside).
    QImage shot = box->Widget()->grab().toImage();
    TRect g = box->GlyphRect();
    EXPECT_EQ(QColor(shot.pixel(g.Left + 7, g.Top + 7)), QColor(Qt::white));
}

TEST(KtRadioButton, ChecksExclusivelyAmongItsOwnKind) {
    ShownForm f;
    auto* a = new TKtRadioButton(f.form);
    auto* b = new TKtRadioButton(f.form);
    auto* platform = new TRadioButton(f.form);
    for (TControl* c : std::initializer_list<TControl*>{a, b, platform})
        c->SetParent(f.form);
    platform->SetChecked(true);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    a->SetChecked(true);
    ClickControl(b);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_TRUE(b->TabStop());
    EXPECT_FALSE(a->TabStop());
    EXPECT_TRUE(platform->Checked());
    EXPECT_EQ(clicks, 1);
    ClickControl(b); // clicking a checked button keeps it checked
    EXPECT_TRUE(b->Checked());
}

TEST(KtRadioButton, CaptionOffsetByFontSize) {
    const std::pair<int, int> cases[] = {{8, 17},  {9, 19},  {16, 20}, {23, 21}, {24, 23}, {35, 25},
                                         {41, 27}, {43, 29}, {60, 31}, {80, 39}, {81, 44}, {0, 44}};
    for (auto [points, offset] : cases)
        EXPECT_EQ(TKtRadioButton::CaptionOffset(points), offset) << points;
    ShownForm f;
    auto* r = new TKtRadioButton(f.form);
    r->SetParent(f.form);
    r->Font()->SetSize(9);
    r->SetCaption("立即处理");
    EXPECT_EQ(r->CaptionArea().Left + 4, 19);
}

TEST(KtRadioGroup, ArrangesItemsInColumns) {
    ShownForm f;
    auto* g = new TKtRadioGroup(f.form);
    g->SetParent(f.form);
    g->SetBounds(0, 0, 210, 105);
    g->Items()->SetText("a\nb\nc\nd\ne");
    g->SetColumns(2);
    ASSERT_EQ(g->ButtonCount(), 5);
    int h = QFontMetrics(g->Font()->ToQFont()).height();
    int bw = (210 - 10) / 2, space = 105 - h - 5, bh = space / 3;
    int top = h + 1 + (space % 3) / 2;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(g->Buttons(i)->BoundsRect(), Bounds((i / 3) * bw + 8, (i % 3) * bh + top, bw, bh))
            << i;
        EXPECT_TRUE(g->Buttons(i)->Visible());
    }
    for (auto [set, got] : {std::pair{0, 1}, std::pair{20, 16}, std::pair{3, 3}}) {
        g->SetColumns(set);
        EXPECT_EQ(g->Columns(), got);
    }
}

TEST(KtRadioGroup, ItemIndexFollowsClicksAndShrinkingItems) {
    ShownForm f;
    auto* g = new TKtRadioGroup(f.form);
    g->SetParent(f.form);
    g->Items()->SetText("a\nb\nc\nd");
    int clicks = 0;
    g->OnClick = [&](TObject*) { ++clicks; };
    g->SetItemIndex(3);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(g->Buttons(3)->Checked());
    ClickControl(g->Buttons(1));
    EXPECT_EQ(g->ItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_FALSE(g->Buttons(3)->Checked());
    g->SetItemIndex(3);
    g->Items()->Delete(3);
    g->Items()->Delete(2);
    EXPECT_EQ(g->ItemIndex(), 1);
    EXPECT_TRUE(g->Buttons(1)->Checked());
    g->SetItemIndex(9);
    EXPECT_EQ(g->ItemIndex(), 1);
    g->SetEnabled(false);
    EXPECT_FALSE(g->Buttons(0)->Enabled());
}

TEST(KtSpinEdit, DropsLateSignsAndStaysQuietWhileBlank) {
    ShownForm f;
    auto* se = new TKtSpinEdit(f.form);
    se->SetParent(f.form);
    se->SetMinValue(1);
    se->SetMaxValue(31);
    std::vector<std::string> changes;
    se->OnChange = [&](TObject*) { changes.push_back(se->Text()); };
    se->SetFocus();
    se->SetText("");
    EXPECT_TRUE(changes.empty());
    QTest::keyClicks(se->LineEdit(), "12-");
    EXPECT_EQ(se->Text(), "12");
    QTest::keyClicks(se->LineEdit(), "+");
    EXPECT_EQ(se->Text(), "12");
    changes.clear();
    se->SetText("");
    EXPECT_TRUE(changes.empty());
    se->SetText("-5");
    EXPECT_EQ(changes, std::vector<std::string>{"-5"});
}

TEST(KtEdit, LabelAndButtonFollowTheEdit) {
    ShownForm f;
    auto* ed = new TKtBtnDBEdit(f.form);
    ed->SetParent(f.form);
    ed->SetBounds(100, 60, 120, 21);
    SetStrProp(ed, "Caption", "编号");
    TLabel* label = ed->EditLabel();
    ASSERT_EQ(label, dyn<TLabel>(ed->FindComponent("EditLabel")));
    EXPECT_EQ(label->Parent(), f.form);
    EXPECT_EQ(label->Left(), 100 - label->Width() - 4);
    SetPropText(ed, "LabelPosition", "lpAbove");
    EXPECT_EQ(label->Top() + label->Height(), 60 - 4);
    ed->SetLabelSpacing(-3);
    EXPECT_EQ(ed->LabelSpacing(), 4);
    ed->SetBounds(100, 100, 120, 24);
    EXPECT_EQ(label->Top() + label->Height(), 100 - 4);
    TGSpeedButton* button = ed->Button();
    EXPECT_EQ(button->BoundsRect(), Bounds(100 + 120 + 2, 100, 24, 24));
    EXPECT_EQ(button->GlyphIndex(), 8);
    ed->SetEnabled(false);
    EXPECT_FALSE(label->Enabled());
    EXPECT_FALSE(button->Enabled());
    ed->SetEnabled(true);
    label->Free();
    EXPECT_EQ(ed->LabelCaption(), "");
    ed->SetLabelCaption("ignored");
}

TEST(KtEdit, ButtonSendsLookupUnlessOnDialogIsSet) {
    ShownForm f;
    auto* ed = new TKtBtnDBEdit(f.form);
    ed->SetParent(f.form);
    ClickControl(ed->Button());
    ASSERT_EQ(f->Requests.size(), 1u);
    EXPECT_EQ(f->Requests[0], ed);
    TObject* dialogSender = nullptr;
    ed->OnDialog = [&](TObject* s) { dialogSender = s; };
    ClickControl(ed->Button());
    EXPECT_EQ(dialogSender, ed);
    EXPECT_EQ(f->Requests.size(), 1u);
}

TEST(ExtPageControl, DrawsTabsInCaptionColoursSkippingHiddenTabs) {
    ShownForm f;
    auto* pc = new TExtPageControl(f.form);
    pc->SetParent(f.form);
    pc->SetBounds(0, 0, 400, 200);
    std::vector<TTabSheet*> pages;
    for (const char* caption : {"A", "B", "C"}) {
        auto* ts = new TTabSheet(f.form);
        ts->SetPageControl(pc);
        ts->SetCaption(caption);
        pages.push_back(ts);
    }
    pages[1]->SetTabVisible(false);
    EXPECT_EQ(pc->TabCount(), 2);
    EXPECT_EQ(pc->PageForTab(1), pages[2]);
    pc->SetActivePage(pages[0]);
    auto colourAt = [&](int tab, int dx, int dy) {
        QImage shot = pc->Widget()->grab().toImage();
        TRect r = pc->TabRect(tab);
        return QColor(shot.pixel(r.Left + dx, r.Top + dy));
    };
    EXPECT_EQ(colourAt(0, 3, 3), ColorToQColor(clActiveCaption));
    EXPECT_EQ(colourAt(1, 3, 3), ColorToQColor(clInactiveCaption));
    pc->SetActivePage(pages[2]);
    EXPECT_EQ(colourAt(1, 3, 3), ColorToQColor(clActiveCaption));
    EXPECT_EQ(colourAt(0, 3, 3), ColorToQColor(clInactiveCaption));
    int custom = 0;
    pc->OnDrawTab = [&](TCustomTabControl*, int, const TRect&, bool) { ++custom; };
    pc->Widget()->grab();
    EXPECT_GT(custom, 0);
}
