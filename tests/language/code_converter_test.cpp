// The code converter with the real translator library and a real configuration: values,
// the window pass and the converted message dialog.
#include "CodeConverter.h"
#include "ComCtrls.h"
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "Grids.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "language_test_support.h"

#include <QFontInfo>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

using langtest::Installation;

template <class T> using Owned = std::unique_ptr<T, void (*)(TObject*)>;
template <class T> Owned<T> Make(T* obj) {
    return Owned<T>(obj, [](TObject* o) { o->Free(); });
}

Owned<TCodeConverter> MakeConverter() {
    return Make(Create<TCodeConverter>(nullptr));
}

// ---- Settings and values --------------------------------------------------------------------

TEST(CodeConverterTest, ReadsItsKindsFromTheConfigurationAndNeedsATranslatorOnlyToConvert) {
    struct Case {
        const char* sys;
        const char* ui;
        const char* db;
        int uiKind;
        int dbKind;
    };
    const Case cases[] = {
        {"936", "936", "936", 0, 0}, {"936", "936", "950", 0, 1}, {"936", "950", "936", 2, 2},
        {"950", "936", "936", 4, 0}, {"437", "437", "936", 0, 0},
    };
    for (const Case& c : cases) {
        Installation install(c.sys, c.ui, c.db);
        auto converter = MakeConverter();
        SCOPED_TRACE(std::string(c.sys) + "/" + c.ui + "/" + c.db);
        EXPECT_EQ(converter->SysCodePage(), c.sys);
        EXPECT_EQ(converter->UICodePage(), c.ui);
        EXPECT_EQ(converter->DBCodePage(), c.db);
        EXPECT_EQ(converter->UIConvertKind(), c.uiKind);
        EXPECT_EQ(converter->DBConvertKind(), c.dbKind);
        EXPECT_EQ(converter->HasTranslator(), c.uiKind != 0);
    }
}

TEST(CodeConverterTest, WithoutATranslatorDatabaseValuesPassUnchanged) {
    // A GB interface over a Big5 database: the database kind is 1, but no translator exists.
    Installation install("936", "936", "950");
    auto converter = MakeConverter();
    ASSERT_EQ(converter->DBConvertKind(), 1);
    EXPECT_EQ(converter->DBToUI(Variant("報表")).AsString(), "報表");
    EXPECT_EQ(converter->UIToDB(Variant("报表")).AsString(), "报表");
}

TEST(CodeConverterTest, ConvertsScalarsByKindAndLeavesOtherValuesAlone) {
    Installation install("936", "950");
    auto converter = MakeConverter();
    struct Case {
        int kind;
        Variant value;
        Variant expected;
    };
    const Case cases[] = {
        {2, Variant("报表条件"), Variant("報表條件")},
        {1, Variant("報表條件"), Variant("报表条件")},
        {2, Variant(5), Variant("5")}, // a converted value comes back as text
        {4, Variant("报表"), Variant("报表")},
        {3, Variant(5), Variant(5)},
        {2, Variant(), Variant()},
        {2, Variant(VarNullValue), Variant(VarNullValue)},
    };
    for (const Case& c : cases) {
        const Variant result = converter->ConvertValue(static_cast<std::uint8_t>(c.kind), c.value);
        EXPECT_EQ(VarType(result), VarType(c.expected)) << "kind " << c.kind;
        EXPECT_TRUE(result == c.expected) << "kind " << c.kind << ": " << VarToStr(result);
    }
    // A wide text stays wide.
    const Variant wide = converter->ConvertValue(2, Variant::OleStr("门"));
    EXPECT_EQ(VarType(wide), varOleStr);
    EXPECT_EQ(wide.AsString(), "門");
}

TEST(CodeConverterTest, ConvertsArraysCellByCellAndNestedArraysRecursively) {
    Installation install("936", "950");
    auto converter = MakeConverter();

    Variant grid = VarArrayCreate({1, 2, 0, 1}, varVariant);
    grid.At(1, 0) = "费用";
    grid.At(1, 1) = 7;
    grid.At(2, 0) = "科目";
    grid.At(2, 1) = Variant();
    const Variant convertedGrid = converter->ConvertValue(2, grid);
    EXPECT_EQ(VarArrayLowBound(convertedGrid, 1), 1);
    EXPECT_EQ(convertedGrid.At(1, 0).AsString(), "費用");
    EXPECT_EQ(convertedGrid.At(1, 1).AsString(), "7");
    EXPECT_EQ(convertedGrid.At(2, 0).AsString(), "科目");
    EXPECT_TRUE(VarIsEmpty(convertedGrid.At(2, 1)));
    EXPECT_EQ(grid.At(1, 0).AsString(), "费用"); // the argument is not touched

    const Variant nested = VarArrayOf({"报表", VarArrayOf({"条件", VarArrayOf({"门"})})});
    const Variant convertedNested = converter->ConvertValue(2, nested);
    EXPECT_EQ(convertedNested[0].AsString(), "報表");
    EXPECT_EQ(convertedNested[1][0].AsString(), "條件");
    EXPECT_EQ(convertedNested[1][1][0].AsString(), "門");

    Variant cube = VarArrayCreate({0, 0, 0, 0, 0, 0}, varVariant);
    cube.At({0, 0, 0}) = "报表";
    EXPECT_EQ(converter->ConvertValue(2, cube).At({0, 0, 0}).AsString(), "报表");
}

TEST(CodeConverterTest, ReversesTheDatabaseAndDesignDirections) {
    // Big5 interface over a GB database: both kinds are 2.
    Installation install("936", "950", "936");
    auto converter = MakeConverter();
    EXPECT_EQ(converter->DBToUI(Variant("费用代码")).AsString(), "費用代碼");
    EXPECT_EQ(converter->UIToDB(Variant("費用代碼")).AsString(), "费用代码");
    EXPECT_EQ(converter->DesignToUI(Variant("条件")).AsString(), "條件");
    EXPECT_EQ(converter->UIToDesign(Variant("條件")).AsString(), "条件");
    // Objects have no text: they pass unchanged instead of failing.
    const Variant error(AsErrorKind, 5);
    EXPECT_TRUE(converter->UIToDB(error) == error);
    EXPECT_TRUE(converter->DBToUI(error) == error);
}

TEST(CodeConverterTest, SetsFontsByKind) {
    struct Case {
        int kind;
        int charset;
    };
    const Case cases[] = {{0, 134}, {1, 134}, {2, 136}, {3, 136}, {4, 134}};
    for (const Case& c : cases) {
        TFont font;
        font.SetName("Tahoma");
        TCodeConverter::SetFontForKind(static_cast<std::uint8_t>(c.kind), &font);
        EXPECT_EQ(font.Name(), "SimSun") << c.kind;
        EXPECT_EQ(font.Charset(), c.charset) << c.kind;
    }
}

// ---- The window pass ------------------------------------------------------------------------

const TFormDescription kWindow = {
    {{"Caption", "费用报表"}, {"Hint", "报表提示"}, {"Font.Name", "宋体"}},
    {},
    {
        {"lblCode", "TLabel", "", {8, 8, 60, 13}, "费用代码", "输入代码", {}, {}},
        {"btnOk", "TButton", "", {8, 30, 75, 25}, "确定", "", {}, {}},
        {"cboKind",
         "TComboBox",
         "",
         {8, 60, 120, 21},
         "",
         "",
         {{"Items.Text", "全部\n部门\n项目"}},
         {}},
        {"cboPick",
         "TComboBox",
         "",
         {8, 90, 120, 21},
         "",
         "",
         {{"Style", "csDropDownList"}, {"Items.Text", "费用\n科目"}, {"ItemIndex", "1"}},
         {}},
        {"cboFree", "TComboBox", "", {8, 120, 120, 21}, "", "", {{"Style", "csSimple"}}, {}},
        {"lstUsers", "TListBox", "", {140, 8, 120, 60}, "", "", {{"Items.Text", "张三\n李四"}}, {}},
        {"meNote",
         "TMemo",
         "",
         {140, 80, 120, 60},
         "",
         "",
         {{"Lines.Text", "说明第一行\n第二行"}},
         {}},
        {"pnlTop", "TPanel", "", {280, 8, 100, 40}, "条件", "选择条件", {}, {}},
        {"mnuMain", "TMainMenu", "", {}, "", "", {}, {}},
        {"mnuFile", "TMenuItem", "mnuMain", {}, "文件", "", {}, {}},
        {"mnuPopup", "TPopupMenu", "", {}, "", "", {}, {}},
        {"mnuCopy", "TMenuItem", "mnuPopup", {}, "复制", "", {}, {}},
    }};

class ConvertWindowTest : public ::testing::Test {
protected:
    Owned<TForm> MakeWindow() {
        auto form = Make(Create<TForm>(nullptr));
        LoadFormDescription(form.get(), kWindow);
        return form;
    }
    template <class T> static T* Find(TForm* form, const char* name) {
        T* c = dyn<T>(form->FindComponent(name));
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
};

TEST_F(ConvertWindowTest, OnAGBInterfaceNothingChanges) {
    Installation install("936", "936");
    auto converter = MakeConverter();
    auto form = MakeWindow();
    converter->ConvertComponents(form.get(), true);
    EXPECT_EQ(form->Caption(), "费用报表");
    auto* label = Find<TLabel>(form.get(), "lblCode");
    EXPECT_EQ(label->Caption(), "费用代码");
    EXPECT_EQ(label->Font()->Name(), "宋体");
    EXPECT_EQ(Find<TComboBox>(form.get(), "cboKind")->Style(), csDropDown);
    EXPECT_FALSE(Find<TMainMenu>(form.get(), "mnuMain")->OwnerDraw());
}

TEST_F(ConvertWindowTest, ABig5InterfaceGetsTraditionalTextsFontsAndOwnerDrawnLists) {
    Installation install("936", "950");
    auto converter = MakeConverter();
    auto form = MakeWindow();
    auto* users = Find<TListBox>(form.get(), "lstUsers");
    TObject marker;
    users->Items()->PutObject(1, &marker);

    converter->ConvertComponents(form.get(), true);

    EXPECT_EQ(form->Caption(), "費用報表");
    EXPECT_EQ(form->Hint(), "報表提示");
    auto* label = Find<TLabel>(form.get(), "lblCode");
    EXPECT_EQ(label->Caption(), "費用代碼");
    EXPECT_EQ(label->Hint(), "輸入代碼");
    EXPECT_EQ(label->Font()->Name(), "SimSun");
    EXPECT_EQ(label->Font()->Charset(), CHINESEBIG5_CHARSET);
    // What the user sees: the traditional text drawn with the traditional face.
    EXPECT_EQ(QFontInfo(label->Widget()->font()).family().toStdString(), "Noto Serif CJK TC");
    EXPECT_EQ(Find<TButton>(form.get(), "btnOk")->Caption(), "確定");
    EXPECT_EQ(Find<TPanel>(form.get(), "pnlTop")->Caption(), "條件");
    EXPECT_EQ(Find<TPanel>(form.get(), "pnlTop")->Hint(), "選擇條件");
    EXPECT_EQ(Find<TMenuItem>(form.get(), "mnuFile")->Caption(), "文件");
    EXPECT_EQ(Find<TMenuItem>(form.get(), "mnuCopy")->Caption(), "複製");

    // Combo boxes: owner-drawn fixed, item 0 chosen when none was, a chosen item kept.
    auto* kind = Find<TComboBox>(form.get(), "cboKind");
    EXPECT_EQ(kind->Style(), csOwnerDrawFixed);
    EXPECT_EQ(kind->Items()->Text(), "全部\n部門\n項目\n");
    EXPECT_EQ(kind->ItemIndex(), 0);
    auto* pick = Find<TComboBox>(form.get(), "cboPick");
    EXPECT_EQ(pick->Style(), csOwnerDrawFixed);
    EXPECT_EQ(pick->ItemIndex(), 1);
    EXPECT_EQ(pick->Text(), "科目");
    EXPECT_EQ(Find<TComboBox>(form.get(), "cboFree")->Style(), csSimple);

    // List box: owner-drawn, lines converted, the objects attached to lines kept.
    EXPECT_EQ(users->Style(), lbOwnerDrawFixed);
    EXPECT_EQ(users->Items()->Text(), "張三\n李四\n");
    EXPECT_EQ(users->Items()->GetObject(1), &marker);
    EXPECT_EQ(Find<TMemo>(form.get(), "meNote")->Lines()->Text(), "說明第一行\n第二行\n");

    EXPECT_TRUE(Find<TMainMenu>(form.get(), "mnuMain")->OwnerDraw());
    EXPECT_TRUE(Find<TPopupMenu>(form.get(), "mnuPopup")->OwnerDraw());
    EXPECT_EQ(Screen->HintFont()->Charset(), CHINESEBIG5_CHARSET);
}

TEST_F(ConvertWindowTest, AGBInterfaceOnABig5SystemOnlyChangesFontsStylesAndTheTitle) {
    Installation install("950", "936");
    auto converter = MakeConverter();
    ASSERT_EQ(converter->UIConvertKind(), 4);
    auto form = MakeWindow();
    converter->ConvertComponents(form.get(), true);

    EXPECT_EQ(form->Caption(), "費用報表"); // the system draws the title in Big5
    auto* label = Find<TLabel>(form.get(), "lblCode");
    EXPECT_EQ(label->Caption(), "费用代码");
    EXPECT_EQ(label->Font()->Name(), "SimSun");
    EXPECT_EQ(label->Font()->Charset(), GB2312_CHARSET);
    EXPECT_EQ(QFontInfo(label->Widget()->font()).family().toStdString(), "Noto Serif CJK SC");
    EXPECT_EQ(Find<TComboBox>(form.get(), "cboKind")->Style(), csOwnerDrawVariable);
    EXPECT_EQ(Find<TComboBox>(form.get(), "cboPick")->Style(), csOwnerDrawFixed);
    EXPECT_EQ(Find<TComboBox>(form.get(), "cboPick")->ItemIndex(), 1);
    EXPECT_EQ(Find<TListBox>(form.get(), "lstUsers")->Style(), lbOwnerDrawFixed);
    EXPECT_EQ(Find<TListBox>(form.get(), "lstUsers")->Items()->Text(), "张三\n李四\n");
    EXPECT_TRUE(Find<TMainMenu>(form.get(), "mnuMain")->OwnerDraw());
}

// Lists the pass converts by class: list view, tab set, tree view and grid (only with
// convertAll), status panels; all in the Big5 direction here.
TEST_F(ConvertWindowTest, ConvertsListViewsTabSetsTreeViewsGridsAndStatusPanels) {
    Installation install("936", "950");
    auto converter = MakeConverter();
    for (bool convertAll : {false, true}) {
        SCOPED_TRACE(convertAll);
        auto form = MakeWindow();
        auto* list = new TListView(form.get());
        list->SetParent(form.get());
        list->Columns()->Add()->SetCaption("代码");
        TListItem* item = list->Items()->Add();
        item->SetCaption("费用");
        item->SubItems()->SetText("说明\n备注");
        auto* tabs = new TTabSet(form.get());
        tabs->SetParent(form.get());
        tabs->Tabs()->SetText("条件\n选项");
        tabs->SetTabIndex(1);
        auto* tree = new TTreeView(form.get());
        tree->SetParent(form.get());
        tree->Items()->AddChild(tree->Items()->Add(nullptr, "会计科目"), "管理费用");
        auto* grid = new TStringGrid(form.get());
        grid->SetParent(form.get());
        grid->SetColCount(2);
        grid->SetRowCount(2);
        grid->SetCells(1, 1, "金额");
        auto* status = new TStatusBar(form.get());
        status->SetParent(form.get());
        status->Panels()->Add()->SetText("就绪");

        converter->ConvertComponents(form.get(), convertAll);

        EXPECT_EQ(list->Columns()->Items(0)->Caption(), "代碼");
        EXPECT_EQ(item->Caption(), "費用");
        EXPECT_EQ(item->SubItems()->Text(), "說明\n備註\n");
        EXPECT_EQ(tabs->Tabs()->Text(), "條件\n選項\n");
        EXPECT_EQ(tabs->TabIndex(), 1);
        EXPECT_EQ(tree->Items()->Item(0)->Text(), convertAll ? "會計科目" : "会计科目");
        EXPECT_EQ(tree->Items()->Item(1)->Text(), convertAll ? "管理費用" : "管理费用");
        EXPECT_EQ(grid->Cells(1, 1), convertAll ? "金額" : "金额");
        EXPECT_EQ(static_cast<TStatusPanel*>(status->Panels()->Items(0))->Text(), "就緒");
    }
}

// ---- Message dialog -------------------------------------------------------------------------

struct ShownDialog {
    int calls = 0;
    std::string text;
    std::string caption;
    TFontCharset charset = 0;
};

TModalHandler Recorder(ShownDialog& shown) {
    return [&shown](TCustomForm& dialog) -> TModalResult {
        ++shown.calls;
        shown.caption = dialog.Caption();
        shown.charset = dialog.Font()->Charset();
        if (auto* message = dyn<TLabel>(dialog.FindComponent("Message")))
            shown.text = message->Caption();
        return mrYes;
    };
}

TEST(CodeConverterDialogTest, ShowsNothingForAnEmptyText) {
    Installation install("936", "936");
    ShownDialog shown;
    TModalHandlerScope scope(Recorder(shown));
    auto converter = MakeConverter();
    EXPECT_EQ(converter->MessageDlgConverted("", mtInformation, {mbOK}), 0);
    EXPECT_EQ(shown.calls, 0);
}

TEST(CodeConverterDialogTest, CaptionsTheDialogLikeItsWindowAndPadsGBTexts) {
    struct Case {
        const char* sys;
        const char* ui;
        const char* expectedText;
        TFontCharset charset;
    };
    const Case cases[] = {
        {"936", "936", "保存方案吗?      ", GB2312_CHARSET},
        {"437", "950", "保存方案吗?", CHINESEBIG5_CHARSET},
    };
    for (const Case& c : cases) {
        Installation install(c.sys, c.ui);
        ShownDialog shown;
        TModalHandlerScope scope(Recorder(shown));
        auto form = Make(Create<TForm>(nullptr));
        form->SetCaption("费用报表");
        auto* converter = new TCodeConverter(form.get());
        EXPECT_EQ(converter->MessageDlgConverted("保存方案吗?", mtConfirmation, {mbYes, mbNo}),
                  mrYes);
        EXPECT_EQ(shown.calls, 1);
        EXPECT_EQ(shown.text, c.expectedText);
        EXPECT_EQ(shown.caption, "费用报表");
        EXPECT_EQ(shown.charset, c.charset);
    }
}

} // namespace
