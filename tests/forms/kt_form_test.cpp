// The base window: its description, creation handling, disabled button images, language
// files of the class chain, the one-time conversion and translated texts.
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "KTForm.h"
#include "KtwEdit.h"
#include "SelectPnl.h"
#include "StdCtrls.h"
#include "TypInfo.h"
#include "language_test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using langtest::Installation;

// A two-level window family below the base window.
class TfrmKtBase : public TKTForm {
    STEWARD_CLASS(TfrmKtBase, TKTForm)
    explicit TfrmKtBase(TComponent* owner);
};

class TfrmKtSample : public TfrmKtBase {
    STEWARD_CLASS(TfrmKtSample, TfrmKtBase)
    explicit TfrmKtSample(TComponent* owner);
};

STEWARD_REGISTER_CLASS(TfrmKtBase, [](auto&) {});
STEWARD_REGISTER_CLASS(TfrmKtSample, [](auto&) {});

const TFormDescription kBase = {{{"Name", "frmKtBase"}, {"Caption", "基础窗口"}},
                                {},
                                {{"lblCode", "TLabel", "", {8, 8, 60, 13}, "费用代码", "", {}, {}},
                                 {"edCode",
                                  "TEdit",
                                  "",
                                  {80, 8, 100, 21},
                                  "",
                                  "",
                                  {{"ImeName", "中文 (简体) - 微软拼音"}},
                                  {}}}};

const TFormDescription kSample = {
    {{"Name", "frmKtSample"}, {"Caption", "费用报表"}},
    {},
    {{"btnFind", "TSpeedButton", "", {8, 40, 23, 22}, "", "", {}, {}},
     {"btnTwo", "TSpeedButton", "", {40, 40, 23, 22}, "", "", {}, {}},
     {"btnPrint", "TBitBtn", "", {80, 40, 75, 25}, "打印", "", {}, {}},
     {"btnOk", "TButton", "", {8, 70, 75, 25}, "确定", "", {}, {}}}};

// A picture of count 8x8 images side by side.
void SetGlyph(TComponent* form, const char* button, int count) {
    TBitmap glyph(8 * count, 8);
    glyph.Canvas()->SetPixel(3, 3, clBlack);
    SetObjectProp(form->FindComponent(button), "Glyph", &glyph);
    SetOrdProp(form->FindComponent(button), "NumGlyphs", count);
}

TfrmKtBase::TfrmKtBase(TComponent* owner) : TKTForm(owner) {
    LoadFormDescription(this, kBase);
}
TfrmKtSample::TfrmKtSample(TComponent* owner) : TfrmKtBase(owner) {
    LoadFormDescription(this, kSample);
    // Pictures as the window's resources would hold them, before the creation handler runs.
    SetGlyph(this, "btnFind", 1);
    SetGlyph(this, "btnTwo", 2);
    SetGlyph(this, "btnPrint", 1);
}

template <class T> using Owned = std::unique_ptr<T, void (*)(TObject*)>;
template <class T> Owned<T> Make() {
    return Owned<T>(Create<T>(nullptr), [](TObject* o) { o->Free(); });
}

template <class T> T* Find(TComponent* form, const char* name) {
    T* c = dyn<T>(form->FindComponent(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// ---- The window as created ------------------------------------------------------------------

TEST(KTFormTest, IsBuiltFromTheBaseDescription) {
    Installation install("936", "936");
    auto form = Make<TKTForm>();
    EXPECT_EQ(form->Name(), "KTForm");
    EXPECT_EQ(form->Caption(), "KTForm");
    EXPECT_EQ(form->Width(), 400);
    EXPECT_EQ(form->Height(), 191);
    EXPECT_EQ(form->Position(), poScreenCenter);
    EXPECT_TRUE(form->KeyPreview());
    EXPECT_TRUE(form->ShowHint());
    EXPECT_EQ(form->Font()->Name(), "宋体");
    EXPECT_EQ(form->Font()->Height(), -13);
    ASSERT_NE(form->KtConverter(), nullptr);
    ASSERT_NE(form->LangController(), nullptr);
    EXPECT_EQ(form->KtConverter()->DesignType(), dtClient);
    EXPECT_FALSE(form->LangController()->Active());
    EXPECT_EQ(GetObjectProp(form.get(), "KtConverter"), form->KtConverter());
    EXPECT_FALSE(form->Converted());
    EXPECT_TRUE(form->AutoLanguage());
}

TEST(KTFormTest, CreationClearsInputMethodsAndSwitchesFontsOnlyForEnglish) {
    struct Case {
        const char* ui;
        const char* fontName;
        TFontCharset charset;
    };
    const Case cases[] = {
        {"437", "Tahoma", GB2312_CHARSET},
        {"936", "宋体", DEFAULT_CHARSET},
        {"950", "宋体", DEFAULT_CHARSET},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ui);
        Installation install("936", c.ui);
        auto form = Make<TfrmKtSample>();
        auto* label = Find<TLabel>(form.get(), "lblCode");
        EXPECT_EQ(label->Font()->Name(), c.fontName);
        EXPECT_EQ(label->Font()->Charset(), c.charset);
        EXPECT_EQ(Find<TEdit>(form.get(), "edCode")->ImeName(), "");
        EXPECT_EQ(form->GetUICodePage(), c.ui);
    }
}

TEST(KTFormTest, CreationGivesSingleImageButtonsADisabledImage) {
    Installation install("936", "936");
    auto form = Make<TfrmKtSample>();
    for (const char* name : {"btnFind", "btnPrint"}) {
        SCOPED_TRACE(name);
        TComponent* single = form->FindComponent(name);
        EXPECT_EQ(GetOrdProp(single, "NumGlyphs"), 2);
        auto* glyph = dyn<TBitmap>(GetObjectProp(single, "Glyph"));
        ASSERT_NE(glyph, nullptr);
        EXPECT_EQ(glyph->Width(), 16);
        EXPECT_EQ(glyph->Height(), 8);
    }
    auto* two = Find<TSpeedButton>(form.get(), "btnTwo");
    EXPECT_EQ(two->NumGlyphs(), 2);
    EXPECT_EQ(two->Glyph()->Width(), 16); // already two images: left as it was
}

// ---- Disabled images ------------------------------------------------------------------------

// A picture drawn from rows of characters: 't' the transparent colour, 'w' white, 'k' dark
// grey, 'l' light grey. The bottom-left pixel must be 't'.
std::unique_ptr<TBitmap> Picture(const std::vector<std::string>& rows, TColor transparent) {
    auto picture =
        std::make_unique<TBitmap>(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    TBitmap& bitmap = *picture;
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            const TColor color = c == 't'   ? transparent
                                 : c == 'w' ? clWhite
                                 : c == 'k' ? RGB(60, 60, 60)
                                            : RGB(200, 200, 200);
            bitmap.Canvas()->SetPixel(x, y, color);
        }
    }
    return picture;
}

// Checks the disabled image against the pixels expected to be marked ('#').
void ExpectEmbossed(const TBitmap& disabled, const std::vector<std::string>& marks) {
    const TColor face = ColorToRGB(clBtnFace);
    const TColor shadow = ColorToRGB(clBtnShadow);
    const TColor highlight = ColorToRGB(clBtnHighlight);
    auto marked = [&](int x, int y) {
        return x >= 0 && y >= 0 &&
               marks[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)] == '#';
    };
    for (int y = 0; y < disabled.Height(); ++y) {
        for (int x = 0; x < disabled.Width(); ++x) {
            const TColor expected = marked(x, y) ? shadow : marked(x - 1, y - 1) ? highlight : face;
            EXPECT_EQ(QColorToColor(disabled.Image().pixel(x, y)), expected) << x << "," << y;
        }
    }
}

TEST(DisabledGlyphTest, MarksDarkPixelsAndLightPixelsTouchingTheTransparentColour) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<std::string> marks;
    };
    const std::vector<Case> cases = {
        {"all transparent", {"ttt", "ttt", "ttt"}, {"...", "...", "..."}},
        {"white square: its border only",
         {"tttttt", "twwwwt", "twwwwt", "twwwwt", "twwwwt", "tttttt"},
         {"......", ".####.", ".#..#.", ".#..#.", ".####.", "......"}},
        {"dark inner pixel, light pixels on the edge of the picture",
         {"llllll", "lwwwwl", "lwkwwl", "lwwwwl", "tlllll"},
         {"......", "......", "..#...", "#.....", ".#...."}},
    };
    for (TColor transparent : {clFuchsia, clBlack}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (transparent == clBlack ? " on black" : ""));
            ExpectEmbossed(*MakeDisabledGlyph(*Picture(c.rows, transparent)), c.marks);
        }
    }
}

TEST(DisabledGlyphTest, AddingTheDisabledImageDoublesTheWidth) {
    const std::unique_ptr<TBitmap> owned = Picture({"tttt", "twwt", "tkwt", "tttt"}, clFuchsia);
    TBitmap& picture = *owned;
    const QImage original = picture.Image().convertToFormat(QImage::Format_RGB32);
    const std::unique_ptr<TBitmap> disabled = MakeDisabledGlyph(picture);
    AddDisabledGlyph(picture);
    ASSERT_EQ(picture.Width(), 8);
    ASSERT_EQ(picture.Height(), 4);
    EXPECT_EQ(picture.Image().copy(0, 0, 4, 4).convertToFormat(QImage::Format_RGB32), original);
    EXPECT_EQ(picture.Image().copy(4, 0, 4, 4).convertToFormat(QImage::Format_RGB32),
              disabled->Image().convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(picture.TransparentColor(), clFuchsia);
}

// ---- Language files of the class chain ------------------------------------------------------

TEST(KTFormLanguageTest, ShowingAppliesTheFilesFromTheBaseWindowDownToItsOwnClass) {
    Installation install("936", "437");
    install.WriteLng(
        "ENG", "TKTForm",
        "<KTForm Caption=\"Base\"><lblCode Caption=\"from base\" Hint=\"base hint\"/></KTForm>");
    // no TfrmKtBase.Lng: skipped silently
    install.WriteLng("ENG", "TfrmKtSample",
                     "<TfrmKtSample Caption=\"Expense report\"><lblCode Caption=\"Expense code\"/>"
                     "<btnOk Caption=\"OK\"/></TfrmKtSample>");
    auto form = Make<TfrmKtSample>();
    // The root element of each file applied, in order.
    std::vector<std::string> applied;
    form->LangController()->AfterLoadComponent = [&](TComponent* c, const TXmlNode& node) {
        if (c == form.get())
            applied.push_back(node.Name());
    };
    form->Show();
    EXPECT_EQ(applied, (std::vector<std::string>{"KTForm", "TfrmKtSample"}));
    EXPECT_EQ(form->Caption(), "Expense report");
    auto* label = Find<TLabel>(form.get(), "lblCode");
    EXPECT_EQ(label->Caption(), "Expense code"); // the derived class's file wins
    EXPECT_EQ(label->Hint(), "base hint");
    EXPECT_EQ(Find<TButton>(form.get(), "btnOk")->Caption(), "OK");
    form->Hide();

    applied.clear();
    form->LoadLanguage(form.get(), false);
    EXPECT_EQ(applied, std::vector<std::string>{"TfrmKtSample"});
    applied.clear();
    form->LoadLanguageExceptBase(form.get(), true);
    EXPECT_EQ(applied, std::vector<std::string>{"TfrmKtSample"});
}

TEST(KTFormLanguageTest, AFileThatDoesNotParseRaisesTheControllersError) {
    Installation install("936", "437");
    install.WriteLng("ENG", "TfrmKtBase", "<frmKtBase><lblCode Caption=\"x\"></frmKtBase>");
    auto form = Make<TfrmKtSample>();
    EXPECT_THROW(form->LoadLanguage(form.get(), true), LanguageControllerError);
}

TEST(KTFormLanguageTest, TranslatesTextsByKeyWithTheDefaultInTheInterfacesForm) {
    Installation install("936", "950");
    install.WriteLng("CHT", "TfrmBaseGene", "<TfrmBaseGene><sOption Msg=\"選項\"/></TfrmBaseGene>",
                     "Big5");
    auto form = Make<TKTForm>();
    struct Case {
        const char* key;
        bool convertDefault;
        const char* expected;
    };
    const Case cases[] = {
        {"sOption", false, "選項"},
        {"sMissing", false, "方案名称"},
        {"sMissing", true, "方案名稱"},
    };
    for (const Case& c : cases) {
        std::string result = "unchanged";
        form->TranslatedText("TfrmBaseGene", c.key, result, c.convertDefault, "方案名称");
        EXPECT_EQ(result, c.expected) << c.key << " " << c.convertDefault;
    }
}

// ---- Conversion -----------------------------------------------------------------------------

TEST(KTFormConvertTest, ConvertsTheWindowOnce) {
    Installation install("936", "950");
    auto form = Make<TfrmKtSample>();
    EXPECT_EQ(form->GetUIConvertKind(), 2);
    form->ConvertForm();
    EXPECT_TRUE(form->Converted());
    auto* label = Find<TLabel>(form.get(), "lblCode");
    EXPECT_EQ(label->Caption(), "費用代碼");
    EXPECT_EQ(label->Font()->Charset(), CHINESEBIG5_CHARSET);
    label->SetCaption("报表");
    form->ConvertForm();
    EXPECT_EQ(label->Caption(), "报表");
}

TEST(KTFormConvertTest, ShowsConvertedMessagesCaptionedLikeTheWindow) {
    Installation install("936", "936");
    auto form = Make<TKTForm>();
    form->SetCaption("费用报表");
    std::string caption;
    TModalHandlerScope scope([&](TCustomForm& dialog) -> TModalResult {
        caption = dialog.Caption();
        return mrOk;
    });
    EXPECT_EQ(form->ConvertedMessageDlg("完成", mtInformation, {mbOK}), mrOk);
    EXPECT_EQ(caption, "费用报表");
    EXPECT_EQ(form->ConvertedMessageDlg("", mtInformation, {mbOK}), 0);
}

// ---- The module's components ---------------------------------------------------------------

class TfrmKtParts : public TKTForm {
    STEWARD_CLASS(TfrmKtParts, TKTForm)
    explicit TfrmKtParts(TComponent* owner);
};
STEWARD_REGISTER_CLASS(TfrmKtParts, [](auto&) {});

const TFormDescription kParts = {
    {{"Name", "frmKtParts"}, {"Caption", "费用报表"}, {"Width", "520"}, {"Height", "300"}},
    {},
    {{"sp01", "TSelectPanel", "", {8, 8, 480, 160}, "费用代码", "", {{"HintWord", "费用代码"}}, {}},
     {"edSubject", "TKtBtnDBEdit", "", {8, 180, 120, 21}, "", "", {}, {}}}};

TfrmKtParts::TfrmKtParts(TComponent* owner) : TKTForm(owner) {
    LoadFormDescription(this, kParts);
    auto* panel = dyn<TSelectPanel>(FindComponent("sp01"));
    panel->BeginWords()->SetText("从");
    panel->FinalWords()->SetText("至");
    panel->ChildHints()->SetText("选择\n起始代码\n查询");
    panel->ListBox->Columns()->Add()->SetCaption("代码");
    panel->ListBox->Items()->Add()->SetCaption("管理费用");
}

TEST(KTFormComponentsTest, SelectionPanelsAndLookupEditsGetDisabledImagesAndConvertedTexts) {
    Installation install("936", "950");
    auto form = Make<TfrmKtParts>();
    auto* panel = Find<TSelectPanel>(form.get(), "sp01");
    auto* edit = Find<TKtBtnDBEdit>(form.get(), "edSubject");
    ASSERT_TRUE(panel && edit);

    for (TSpeedButton* button :
         {static_cast<TSpeedButton*>(panel->btnBegin), static_cast<TSpeedButton*>(panel->btnFinal),
          static_cast<TSpeedButton*>(panel->btnOpenWin),
          static_cast<TSpeedButton*>(edit->Button())}) {
        SCOPED_TRACE(button->Name());
        EXPECT_EQ(button->NumGlyphs(), 2);
        EXPECT_EQ(button->Glyph()->Width(), 2 * button->Glyph()->Height());
    }

    form->ConvertForm();
    EXPECT_EQ(panel->Caption(), "費用代碼");
    EXPECT_EQ(panel->HintWord(), "費用代碼");
    EXPECT_EQ(panel->BeginWords()->Text(), "從\n");
    EXPECT_EQ(panel->FinalWords()->Text(), "至\n");
    EXPECT_EQ(panel->ChildHints()->Text(), "選擇\n起始代碼\n查詢\n");
    EXPECT_EQ(panel->ListBox->Columns()->Items(0)->Caption(), "代碼");
    EXPECT_EQ(panel->ListBox->Items()->Item(0)->Caption(), "管理費用");
}

} // namespace
