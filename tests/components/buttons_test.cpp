// Glyph buttons, lookup buttons and the attached label.
#include "DBLabel.h"
#include "DataLink.h"
#include "F2Button.h"
#include "KtwEdit.h"
#include "TvResD5.h"
#include "TypInfo.h"
#include "components_test_support.h"

TEST(GSpeedButton, GlyphIndexLoadsPictureOrShowsNumber) {
    ShownForm f;
    auto* b = new TGSpeedButton(f.form);
    b->SetParent(f.form);
    b->SetGlyphIndex(4); // delete-all: a strip of two images
    EXPECT_EQ(b->Caption(), "");
    ASSERT_FALSE(b->Glyph()->Empty());
    EXPECT_EQ(b->NumGlyphs(), b->Glyph()->Width() / b->Glyph()->Height());
    EXPECT_EQ(b->NumGlyphs(), 2);

    struct Case {
        int index;
        std::string caption;
    };
    for (const Case& c :
         {Case{0, "0"}, Case{GetMaxBmpID() + 1, std::to_string(GetMaxBmpID() + 1)}}) {
        b->SetGlyphIndex(c.index);
        EXPECT_EQ(b->Caption(), c.caption);
        EXPECT_TRUE(b->Glyph()->Empty());
    }
    // The same index again does not reload (the caption set by hand stays).
    b->SetGlyphIndex(8);
    b->SetCaption("x");
    b->SetGlyphIndex(8);
    EXPECT_EQ(b->Caption(), "x");
    EXPECT_EQ(GetOrdPropByName(b, "GlyphIndex"), 8);
}

TEST(F2Button, AlignsSquareAndFlushToItsControl) {
    ShownForm f;
    auto* ed = new TEdit(f.form);
    ed->SetParent(f.form);
    ed->SetBounds(10, 20, 100, 21);
    auto* b = new TF2Button(f.form);
    b->SetParent(f.form);
    b->SetF2Control(ed);
    EXPECT_EQ(b->BoundsRect(), Bounds(112, 20, 21, 21));
    b->SetGap(5);
    EXPECT_EQ(b->Left(), 115);
    // It does not follow later moves of the control, and AutoAlign off keeps it put.
    ed->SetLeft(50);
    EXPECT_EQ(b->Left(), 115);
    auto* other = new TEdit(f.form);
    other->SetParent(f.form);
    other->SetBounds(300, 300, 80, 30);
    b->SetAutoAlign(false);
    b->SetF2Control(other);
    EXPECT_EQ(b->Left(), 115);
    EXPECT_EQ(b->F2Control(), other);
}

TEST(F2Button, SecondButtonForTheSameControlIsRefused) {
    ShownForm f;
    auto* ed = new TEdit(f.form);
    ed->SetParent(f.form);
    auto* first = new TF2Button(f.form);
    first->SetParent(f.form);
    first->SetF2Control(ed);
    first->SetF2Control(ed); // itself again: no message
    auto* keep = new TEdit(f.form);
    keep->SetParent(f.form);
    auto* second = new TF2Button(f.form);
    second->SetParent(f.form);
    second->SetF2Control(keep);
    {
        ExpectMessage message(kF2ButtonTaken);
        second->SetF2Control(ed);
    }
    EXPECT_EQ(second->F2Control(), keep);
    // Freeing the control releases it from its button.
    ed->Free();
    EXPECT_EQ(first->F2Control(), nullptr);
}

TEST(F2Button, ClickRaisesOnClickThenSendsTheLookupToTheForm) {
    ShownForm f;
    auto* ed = new TEdit(f.form);
    ed->SetParent(f.form);
    auto* b = new TF2Button(f.form);
    b->SetParent(f.form);
    std::vector<std::string> order;
    b->OnClick = [&](TObject*) { order.push_back("click:" + std::to_string(f->Requests.size())); };
    b->SetF2Control(ed);
    ClickControl(b);
    ASSERT_EQ(f->Requests.size(), 1u);
    EXPECT_EQ(f->Requests[0], ed);
    EXPECT_EQ(order, std::vector<std::string>{"click:0"});
    EXPECT_TRUE(ed->Focused());

    ed->SetEnabled(false);
    ClickControl(b);
    EXPECT_EQ(order.size(), 2u);
    EXPECT_EQ(f->Requests.size(), 1u);
}

TEST(DBLabel, PlacesItselfBesideItsControlAndClampsAtZero) {
    ShownForm f;
    struct Case {
        TPos pos;
        TRect control;
        TPoint expected;
    };
    auto* probe = new TDBLabel(f.form);
    probe->SetParent(f.form);
    int w = probe->Width(), h = probe->Height();
    probe->Free();
    const Case cases[] = {
        {psLeft, Bounds(10, 50, 100, h), {0, 50}}, // 10 - w - 4 < 0
        {psLeft, Bounds(200, 50, 100, h + 10), {200 - w - 4, 50 + (h + 10) / 2 - h / 2}},
        {psRight, Bounds(10, 50, 100, h), {114, 50}},
        {psTop, Bounds(30, 5, 100, 21), {30, 0}}, // 5 - h - 4 < 0
        {psTop, Bounds(30, 80, 100, 21), {30, 80 - h - 4}},
        {psBottom, Bounds(30, 80, 100, 21), {30, 105}},
    };
    for (const Case& c : cases) {
        auto* ed = new TEdit(f.form);
        ed->SetParent(f.form);
        ed->SetBoundsRect(c.control);
        auto* label = new TDBLabel(f.form);
        label->SetParent(f.form);
        label->SetPos(c.pos);
        label->SetFocusControl(ed);
        EXPECT_EQ(label->Left(), c.expected.X) << c.pos;
        EXPECT_EQ(label->Top(), c.expected.Y) << c.pos;
        EXPECT_EQ(label->Width(), w);
        // A plain edit has no data source: the caption stays.
        EXPECT_EQ(label->Caption(), "挂靠标签");
        // Setting Gap to its value does not move it back after a manual move.
        label->SetLeft(300);
        label->SetGap(4);
        EXPECT_EQ(label->Left(), 300);
        label->Free();
        ed->Free();
    }
}

TEST(DBLabel, TakesTheFieldCaptionAndRefusesASecondLabel) {
    ShownForm f;
    auto* source = new TKtDataSource(f.form);
    source->AddField("BDate", "制表日期");
    auto* ed = new TKtDBEdit(f.form);
    ed->SetParent(f.form);
    ed->SetBounds(100, 40, 120, 21);
    ed->SetDataSource(source);
    ed->SetDataField("BDate");
    auto* label = new TDBLabel(f.form);
    label->SetParent(f.form);
    label->SetFocusControl(ed);
    EXPECT_EQ(label->Caption(), "制表日期");
    ed->SetDataField("Missing");
    label->SetAutoCaption(true);
    EXPECT_EQ(label->Caption(), "制表日期");

    auto* second = new TDBLabel(f.form);
    second->SetParent(f.form);
    {
        ExpectMessage message(kDBLabelTaken);
        second->SetFocusControl(ed);
    }
    EXPECT_EQ(second->FocusControl(), nullptr);
}
