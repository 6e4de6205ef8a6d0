// Picture buttons and the spin edit: glyph strips as drawn, speed-button groups under real
// mouse clicks, bitmap buttons closing modal forms, typing and stepping in spin edits.
#include "Buttons.h"
#include "Forms.h"
#include "Spin.h"
#include "TypInfo.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const QColor kKey(128, 128, 0); // the strip's bottom-left pixel: transparent
const QColor kImageColors[] = {QColor(255, 0, 0), QColor(0, 0, 255), QColor(0, 160, 0),
                               QColor(255, 0, 255)};

// A strip of n 16 × 16 images on the key colour, image i an 8 × 8 square of colour i.
std::unique_ptr<TBitmap> Strip(int n) {
    QImage img(16 * n, 16, QImage::Format_RGB32);
    img.fill(kKey);
    for (int i = 0; i < n; ++i)
        for (int y = 4; y < 12; ++y)
            for (int x = 4; x < 12; ++x)
                img.setPixel(16 * i + x, y, kImageColors[i].rgb());
    auto b = std::make_unique<TBitmap>();
    b->SetImage(img);
    return b;
}

int CountColor(const QImage& img, const QColor& c) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += QColor(img.pixel(x, y)).rgb() == c.rgb();
    return n;
}

// The images of the strip a control shows: how many pixels of each image colour it draws.
std::vector<int> ShownImages(TControl* c) {
    QImage img = c->Widget()->grab().toImage();
    std::vector<int> counts;
    for (const QColor& color : kImageColors)
        counts.push_back(CountColor(img, color));
    return counts;
}

class ButtonForm : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetBounds(0, 0, 400, 300);
    }
    void TearDown() override { form->Free(); }
    template <class T> T* Add(int left, int top) {
        auto* c = new T(form);
        c->SetParent(form);
        c->SetLeft(left);
        c->SetTop(top);
        return c;
    }
    TForm* form = nullptr;
};

// ---------------------------------------------------------------------------------------
// Glyphs

TEST_F(ButtonForm, GlyphStripShowsTheImageOfTheState) {
    struct Case {
        int images;    // in the bitmap
        int numGlyphs; // declared
        bool enabled;
        std::vector<int> shown; // pixels of image colour 0..3
    };
    const Case cases[] = {
        {2, 2, true, {64, 0, 0, 0}},
        {2, 2, false, {0, 64, 0, 0}},
        // One declared image: the whole strip is that image.
        {2, 1, true, {64, 64, 0, 0}},
        // No disabled image: the up image grayed, none of its colours left.
        {1, 1, false, {0, 0, 0, 0}},
        {4, 4, false, {0, 64, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.images << " images, NumGlyphs " << c.numGlyphs
                                        << (c.enabled ? ", enabled" : ", disabled"));
        auto strip = Strip(c.images);
        auto* bit = Add<TBitBtn>(8, 8);
        auto* speed = Add<TSpeedButton>(8, 40);
        speed->SetWidth(c.images * 16 + 8);
        for (TControl* ctl : std::initializer_list<TControl*>{bit, speed}) {
            SetObjectProp(ctl, "Glyph", strip.get());
            SetOrdProp(ctl, "NumGlyphs", c.numGlyphs);
            ctl->SetEnabled(c.enabled);
            EXPECT_EQ(ShownImages(ctl), c.shown) << ctl->ClassName();
            // The key colour never shows.
            EXPECT_EQ(CountColor(ctl->Widget()->grab().toImage(), kKey), 0) << ctl->ClassName();
        }
        bit->Free();
        speed->Free();
    }
}

TEST_F(ButtonForm, DisabledWithoutDisabledImageIsEmbossed) {
    auto strip = Strip(1);
    auto* speed = Add<TSpeedButton>(0, 0);
    speed->SetFlat(true); // no frame: every shadow pixel is the glyph's
    speed->SetGlyph(strip.get());
    speed->SetEnabled(false);
    QImage img = speed->Widget()->grab().toImage();
    EXPECT_EQ(CountColor(img, ColorToQColor(clBtnShadow)), 64);
    EXPECT_GT(CountColor(img, ColorToQColor(clBtnHighlight)), 0);
}

TEST_F(ButtonForm, SettingGlyphCopiesItAndCountsItsImages) {
    auto* speed = Add<TSpeedButton>(0, 0);
    auto* bit = Add<TBitBtn>(0, 30);
    for (TControl* ctl : std::initializer_list<TControl*>{speed, bit}) {
        SCOPED_TRACE(ctl->ClassName());
        auto strip = Strip(3);
        SetObjectProp(ctl, "Glyph", strip.get());
        EXPECT_EQ(GetOrdProp(ctl, "NumGlyphs"), 3);
        // The control holds its own copy.
        strip->SetSize(5, 5);
        auto* glyph = dynamic_cast<TBitmap*>(GetObjectProp(ctl, "Glyph"));
        ASSERT_NE(glyph, nullptr);
        EXPECT_EQ(glyph->Width(), 48);
        // Not a row of squares: the count stays as it was.
        auto odd = std::make_unique<TBitmap>(20, 16);
        SetObjectProp(ctl, "Glyph", odd.get());
        EXPECT_EQ(GetOrdProp(ctl, "NumGlyphs"), 3);
        SetPropText(ctl, "NumGlyphs", "9");
        EXPECT_EQ(GetOrdProp(ctl, "NumGlyphs"), 4);
    }
    // Filling the glyph in place (as a picture library does) shows at the next paint.
    speed->SetNumGlyphs(1);
    speed->Glyph()->Assign(Strip(1).get());
    EXPECT_EQ(ShownImages(speed)[0], 64);
}

TEST_F(ButtonForm, GlyphAndCaptionFollowLayoutMarginAndSpacing) {
    TPoint glyph;
    TRect text;
    const TRect client = Rect(0, 0, 100, 30);
    // Centred pair: 16 + 4 + 40 = 60 wide in 100.
    CalcButtonLayout(client, {16, 16}, {40, 14}, blGlyphLeft, -1, 4, glyph, text);
    EXPECT_EQ(glyph, Point(20, 7));
    EXPECT_EQ(text, Bounds(40, 8, 40, 14));
    CalcButtonLayout(client, {16, 16}, {40, 14}, blGlyphRight, 5, 2, glyph, text);
    EXPECT_EQ(glyph, Point(79, 7));
    EXPECT_EQ(text.Left, 37);
    // Spacing -1: the text sits centred in what the margin and glyph leave.
    CalcButtonLayout(client, {16, 16}, {40, 14}, blGlyphLeft, 2, -1, glyph, text);
    EXPECT_EQ(glyph.X, 2);
    EXPECT_EQ(text.Left, 2 + 16 + 21);
    CalcButtonLayout(Rect(0, 0, 60, 60), {16, 16}, {20, 14}, blGlyphTop, -1, 4, glyph, text);
    EXPECT_EQ(glyph, Point(22, 13));
    EXPECT_EQ(text.Top, 33);
    // A glyph alone is centred, whatever the spacing.
    CalcButtonLayout(Rect(0, 0, 23, 22), {16, 16}, {0, 0}, blGlyphLeft, -1, 4, glyph, text);
    EXPECT_EQ(glyph, Point(4, 3));
}

// ---------------------------------------------------------------------------------------
// Speed buttons

class CountingSpeedButton : public TSpeedButton {
    STEWARD_CLASS(CountingSpeedButton, TSpeedButton)
    explicit CountingSpeedButton(TComponent* owner) : TSpeedButton(owner) {}
    void Click() override {
        downAtClick.push_back(Down());
        TSpeedButton::Click();
    }
    std::vector<bool> downAtClick;
};
STEWARD_REGISTER_CLASS(CountingSpeedButton, [](auto&) {});

class SpeedGroup : public ButtonForm {
protected:
    void SetUp() override {
        ButtonForm::SetUp();
        for (int i = 0; i < 3; ++i) {
            b[i] = Add<CountingSpeedButton>(10 + 30 * i, 10);
            b[i]->SetGroupIndex(1);
            b[i]->OnClick = [this, i](TObject*) { clicks.push_back(i); };
        }
        single = Add<CountingSpeedButton>(120, 10);
        form->Show();
    }
    void Click(TControl* c) { QTest::mouseClick(c->Widget(), Qt::LeftButton, {}, QPoint(5, 5)); }
    std::vector<bool> Downs() const { return {b[0]->Down(), b[1]->Down(), b[2]->Down()}; }
    CountingSpeedButton* b[3] = {};
    CountingSpeedButton* single = nullptr;
    std::vector<int> clicks;
};

TEST_F(SpeedGroup, ClicksLatchOneButtonOfTheGroup) {
    Click(b[0]);
    EXPECT_EQ(Downs(), (std::vector<bool>{true, false, false}));
    Click(b[1]);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, true, false}));
    // A down button stays down without AllowAllUp, yet the click is raised.
    Click(b[1]);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, true, false}));
    EXPECT_EQ(clicks, (std::vector<int>{0, 1, 1}));
    // The click comes after the toggle.
    EXPECT_EQ(b[0]->downAtClick, std::vector<bool>{true});

    // AllowAllUp set on one button holds for the whole group.
    b[2]->SetAllowAllUp(true);
    EXPECT_TRUE(b[1]->AllowAllUp());
    Click(b[1]);
    EXPECT_EQ(Downs(), (std::vector<bool>{false, false, false}));

    // Without a group the button clicks but never stays down.
    Click(single);
    EXPECT_FALSE(single->Down());
    EXPECT_EQ(single->downAtClick, std::vector<bool>{false});
    single->SetDown(true);
    EXPECT_FALSE(single->Down());
}

TEST_F(SpeedGroup, ReleaseOutsideNeitherTogglesNorClicks) {
    QWidget* w = b[0]->Widget();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b[0]->State(), bsDown);
    QTest::mouseMove(w, QPoint(60, 5));
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(60, 5));
    EXPECT_FALSE(b[0]->Down());
    EXPECT_EQ(b[0]->State(), bsUp);
    EXPECT_TRUE(clicks.empty());

    // A disabled button ignores mouse messages sent in code as well.
    b[0]->SetEnabled(false);
    ClickControl(b[0]);
    EXPECT_FALSE(b[0]->Down());
    EXPECT_TRUE(clicks.empty());
    b[0]->SetEnabled(true);
    ClickControl(b[0]);
    EXPECT_TRUE(b[0]->Down());
    EXPECT_EQ(clicks, std::vector<int>{0});
}

TEST_F(SpeedGroup, PressedAndLatchedButtonsShowTheirImages) {
    auto strip = Strip(4);
    b[0]->SetWidth(40);
    b[0]->SetGlyph(strip.get());
    QWidget* w = b[0]->Widget();
    QTest::mousePress(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_GT(ShownImages(b[0])[2], 0); // down image while pressed
    QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(b[0]->State(), bsExclusive);
    EXPECT_GT(ShownImages(b[0])[3], 0); // stay-down image
    // With fewer images the up image stands in.
    b[0]->SetNumGlyphs(2);
    b[0]->SetWidth(24);
    EXPECT_GT(ShownImages(b[0])[0], 0);
}

TEST_F(ButtonForm, DownSettlesWhenTheDescriptionIsLoaded) {
    const TFormDescription desc = {
        {},
        {},
        {
            // Down comes before GroupIndex here; the group still takes it.
            {"sb1",
             "TSpeedButton",
             "",
             {0, 0, 23, 22},
             "",
             "",
             {{"Down", "True"}, {"GroupIndex", "2"}},
             {}},
            {"sb2",
             "TSpeedButton",
             "",
             {30, 0, 23, 22},
             "",
             "",
             {{"GroupIndex", "2"}, {"Down", "True"}},
             {}},
            {"sb3",
             "TSpeedButton",
             "",
             {60, 0, 23, 22},
             "A",
             "",
             {{"Down", "True"}, {"Flat", "True"}},
             {}},
        }};
    LoadFormDescription(form, desc);
    auto* sb1 = dyn<TSpeedButton>(form->FindComponent("sb1"));
    auto* sb2 = dyn<TSpeedButton>(form->FindComponent("sb2"));
    auto* sb3 = dyn<TSpeedButton>(form->FindComponent("sb3"));
    ASSERT_TRUE(sb1 && sb2 && sb3);
    EXPECT_NE(sb1->Down(), sb2->Down()); // exactly one of the group
    EXPECT_FALSE(sb3->Down());
    EXPECT_EQ(GetPropText(sb3, "Caption"), "A");
    EXPECT_EQ(GetPropText(sb3, "Flat"), "True");
    EXPECT_EQ(GetPropText(sb3, "Layout"), "blGlyphLeft");
}

// ---------------------------------------------------------------------------------------
// Bitmap buttons

TEST_F(ButtonForm, KindSetsCaptionResultAndRoleUntilOverridden) {
    struct Case {
        const char* kind;
        const char* caption;
        TModalResult result;
        bool isDefault, isCancel;
    };
    const Case cases[] = {{"bkOK", "OK", mrOk, true, false},
                          {"bkCancel", "Cancel", mrCancel, false, true},
                          {"bkNo", "&No", mrNo, false, true},
                          {"bkClose", "&Close", mrNone, false, false},
                          {"bkRetry", "&Retry", mrRetry, false, false}};
    auto* btn = Add<TBitBtn>(0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        SetPropText(btn, "Kind", c.kind);
        EXPECT_EQ(GetPropText(btn, "Kind"), c.kind);
        EXPECT_EQ(btn->Caption(), c.caption);
        EXPECT_EQ(btn->ModalResult(), c.result);
        EXPECT_EQ(btn->Default(), c.isDefault);
        EXPECT_EQ(btn->Cancel(), c.isCancel);
        EXPECT_FALSE(btn->Glyph()->Empty());
    }
    // A changed caption keeps the kind; a changed modal result or glyph does not.
    btn->SetKind(bkOK);
    btn->SetCaption("确定");
    EXPECT_EQ(btn->Kind(), bkOK);
    btn->SetModalResult(mrYes);
    EXPECT_EQ(btn->Kind(), bkCustom);
    btn->SetKind(bkOK);
    auto strip = Strip(2);
    btn->SetGlyph(strip.get());
    EXPECT_EQ(btn->Kind(), bkCustom);
    EXPECT_EQ(btn->ModalResult(), mrOk);
}

TEST_F(ButtonForm, ModalResultClosesTheModalForm) {
    const TFormDescription desc = {
        {{"Caption", "Pick"}},
        {},
        {{"BitBtn1",
          "TBitBtn",
          "",
          {10, 10, 75, 25},
          "确定",
          "",
          {{"Default", "True"}, {"ModalResult", "1"}},
          {}},
         {"BitBtn2",
          "TBitBtn",
          "",
          {90, 10, 75, 25},
          "取消",
          "",
          {{"Kind", "bkCancel"}, {"Caption", "取消"}},
          {}},
         {"BitBtn3", "TBitBtn", "", {170, 10, 75, 25}, "", "", {{"Kind", "bkClose"}}, {}}}};
    LoadFormDescription(form, desc);
    auto* edit = Add<TEdit>(10, 50);
    int clicked = 0;
    auto* ok = dyn<TBitBtn>(form->FindComponent("BitBtn1"));
    ok->OnClick = [&](TObject*) { ++clicked; };
    struct Case {
        const char* button;
        bool byKey; // Escape / Return instead of a click
        TModalResult expected;
    };
    const Case cases[] = {{"BitBtn1", false, mrOk},
                          {"BitBtn2", false, mrCancel},
                          {"BitBtn2", true, mrCancel},
                          {"BitBtn1", true, mrOk},
                          {"BitBtn3", false, mrCancel}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        auto* btn = dyn<TBitBtn>(form->FindComponent(c.button));
        TModalHandlerScope answer([&](TCustomForm& f) -> TModalResult {
            EXPECT_EQ(&f, form);
            if (c.byKey) {
                // The edit has the focus: the form's default or cancel button takes the key.
                edit->SetFocus();
                QTest::keyClick(edit->Widget(), btn->Cancel() ? Qt::Key_Escape : Qt::Key_Return);
            } else
                ClickControl(btn);
            return mrNone;
        });
        EXPECT_EQ(form->ShowModal(), c.expected);
    }
    EXPECT_EQ(clicked, 2);
}

TEST_F(ButtonForm, BitBtnMouseClickAndCaptionPainting) {
    auto* btn = Add<TBitBtn>(10, 10);
    btn->SetCaption("Go");
    auto strip = Strip(2);
    btn->SetGlyph(strip.get());
    int clicks = 0;
    btn->OnClick = [&](TObject*) { ++clicks; };
    form->Show();
    QTest::mouseClick(btn->Widget(), Qt::LeftButton, {}, QPoint(30, 12));
    EXPECT_EQ(clicks, 1);
    // The glyph sits left of the caption with Layout blGlyphLeft, right with blGlyphRight.
    auto glyphLeft = [&] {
        QImage img = btn->Widget()->grab().toImage();
        for (int x = 0; x < img.width(); ++x)
            for (int y = 0; y < img.height(); ++y)
                if (QColor(img.pixel(x, y)) == kImageColors[0])
                    return x;
        return -1;
    };
    int left = glyphLeft();
    SetPropText(btn, "Layout", "blGlyphRight");
    int right = glyphLeft();
    EXPECT_GT(left, 0);
    EXPECT_GT(right, left + 10);
    SetPropText(btn, "Margin", "2");
    EXPECT_EQ(glyphLeft(), 75 - 2 - 2 - 16 + 4);
}

// ---------------------------------------------------------------------------------------
// Spin edits

class SpinForm : public ButtonForm {
protected:
    void SetUp() override {
        ButtonForm::SetUp();
        se = Add<TSpinEdit>(10, 10);
        se->SetName("seDay");
        other = Add<TEdit>(10, 40);
        se->SetMinValue(-99);
        se->SetMaxValue(99);
        se->SetValue(0);
        se->OnChange = [this](TObject*) { changes.push_back(se->Text()); };
        form->Show();
        se->SetFocus();
        se->SelectAll();
        changes.clear();
    }
    void Type(const char* text) { QTest::keyClicks(se->Widget(), text); }
    void Key(Qt::Key key) { QTest::keyClick(se->Widget(), key); }
    TSpinEdit* se = nullptr;
    TEdit* other = nullptr;
    std::vector<std::string> changes;
};

TEST_F(SpinForm, TypingKeepsFreeTextAndValueReadsItClamped) {
    Type("-");
    EXPECT_EQ(se->Text(), "-");
    EXPECT_EQ(se->Value(), -99); // not a number yet: the minimum
    Type("1x2");
    EXPECT_EQ(se->Text(), "-12"); // letters refused
    EXPECT_EQ(se->Value(), -12);
    EXPECT_EQ(changes, (std::vector<std::string>{"-", "-1", "-12"}));
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(se->Text(), ""); // blank is allowed while typing

    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {{"150", 99}, {"-150", -99}, {"42", 42},   {" 7 ", 7},
                          {"+5", 5},   {"", -99},     {"abc", -99}, {"99999999999", -99}};
    for (const Case& c : cases) {
        se->SetText(c.text);
        EXPECT_EQ(se->Value(), c.value) << '"' << c.text << '"';
    }
    // Without a range nothing is clamped.
    se->SetMaxValue(se->MinValue());
    se->SetText("150");
    EXPECT_EQ(GetPropText(se, "Value"), "150");
    SetPropText(se, "Value", "-500");
    EXPECT_EQ(se->Text(), "-500");
}

TEST_F(SpinForm, ArrowsAndButtonsStepWithinTheRange) {
    se->SetIncrement(5);
    Key(Qt::Key_Up);
    EXPECT_EQ(se->Text(), "5");
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(se->Text(), "-5");
    se->SetValue(97);
    Key(Qt::Key_Up);
    EXPECT_EQ(se->Value(), 99);
    QTest::mouseClick(se->DownButton(), Qt::LeftButton);
    EXPECT_EQ(se->Value(), 94);
    QTest::mouseClick(se->UpButton(), Qt::LeftButton);
    EXPECT_EQ(se->Value(), 99);

    // A handler that consumes the key stops the step; read-only stops all steps.
    se->OnKeyDown = [](TObject*, WORD& key, TShiftState) {
        if (key == VK_UP)
            key = 0;
    };
    se->SetValue(0);
    Key(Qt::Key_Up);
    EXPECT_EQ(se->Value(), 0);
    se->OnKeyDown = nullptr;
    se->SetReadOnly(true);
    Key(Qt::Key_Down);
    QTest::mouseClick(se->DownButton(), Qt::LeftButton);
    EXPECT_EQ(se->Value(), 0);
}

TEST_F(SpinForm, KeysReachOnKeyPressAndEditorEnabledLocksTheText) {
    // A descendant's filter sees the typed characters on the ordinary key path.
    std::string seen;
    se->OnKeyPress = [&](TObject*, char& key) {
        seen += key;
        if (key == '+')
            key = 0;
    };
    Type("1+a2");
    EXPECT_EQ(se->Text(), "12");
    EXPECT_EQ(seen, "1+2"); // the letter never reaches the handler

    se->SetEditorEnabled(false);
    EXPECT_EQ(GetPropText(se, "EditorEnabled"), "False");
    Type("3");
    Key(Qt::Key_Backspace);
    EXPECT_EQ(se->Text(), "12");
    Key(Qt::Key_Up);
    EXPECT_EQ(se->Text(), "13");

    se->SetEditorEnabled(true);
    se->SetMaxLength(3);
    se->SelectAll();
    Type("-1234");
    EXPECT_EQ(se->Text(), "-12");
}

TEST_F(SpinForm, LeavingCorrectsAnOutOfRangeNumberButNotABlank) {
    std::string textAtExit;
    se->OnExit = [&](TObject*) { textAtExit = se->Text(); };
    const struct {
        const char* typed;
        const char* after;
    } cases[] = {{"150", "99"}, {"", ""}, {"-", "-"}, {"-7", "-7"}};
    for (const auto& c : cases) {
        se->SetFocus();
        se->SetText(c.typed);
        other->SetFocus();
        EXPECT_EQ(textAtExit, c.typed); // OnExit sees the text as typed
        EXPECT_EQ(se->Text(), c.after) << '"' << c.typed << '"';
    }
}

} // namespace
