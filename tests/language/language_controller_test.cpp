// The language controller: real language files in GB2312, Big5 and UTF-8 in a temporary
// MultiLanguage folder, XML held in memory, property paths, exclusions, events, messages,
// and bad input that must never crash.
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "LanguageController.h"
#include "StdCtrls.h"
#include "language_test_support.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

using langtest::Installation;

template <class T> using Owned = std::unique_ptr<T, void (*)(TObject*)>;
template <class T> Owned<T> Make(T* obj) {
    return Owned<T>(obj, [](TObject* o) { o->Free(); });
}

const TFormDescription kWindow = {
    {{"Name", "frmSample"}, {"Caption", "费用报表"}},
    {},
    {
        {"lblCode", "TLabel", "", {8, 8, 60, 13}, "费用代码", "", {}, {}},
        {"btnOk", "TButton", "", {8, 30, 75, 25}, "确定", "", {}, {}},
        {"cboKind",
         "TComboBox",
         "",
         {8, 60, 120, 21},
         "",
         "",
         {{"Style", "csDropDownList"}, {"Items.Text", "全部\n部门"}, {"ItemIndex", "1"}},
         {}},
        {"lstUsers", "TListBox", "", {140, 8, 120, 60}, "", "", {{"Items.Text", "张三\n李四"}}, {}},
        {"pnlTop", "TPanel", "", {280, 8, 100, 40}, "条件", "", {}, {}},
    }};

class LanguageControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_ = Create<TForm>(nullptr);
        LoadFormDescription(form_, kWindow);
        controller_ = new TKtLangController(form_);
    }
    void TearDown() override { form_->Free(); }

    // Loads xml from memory and applies it to the window.
    void Apply(const std::string& xml) {
        controller_->XMLText()->SetText(xml);
        controller_->SetActive(true);
        controller_->CurrentReader()->ReadComponent(form_);
    }
    template <class T> T* Find(const char* name) { return dyn<T>(form_->FindComponent(name)); }
    std::string Caption(const char* name) {
        return GetPropText(form_->FindComponent(name), "Caption");
    }

    TForm* form_ = nullptr;
    TKtLangController* controller_ = nullptr;
};

// ---- Files and folders ----------------------------------------------------------------------

TEST_F(LanguageControllerTest, LoadsTheFileOfTheInterfaceLanguageInItsOwnEncoding) {
    struct Case {
        const char* uiCodePage;
        const char* code;
        const char* encoding;
        const char* caption;
    };
    const Case cases[] = {
        {"936", "CHS", "GB2312", "费用代码(新)"},
        {"950", "CHT", "Big5", "費用代碼"},
        {"437", "ENG", "UTF-8", "Expense code"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        Installation install("936", c.uiCodePage);
        // Every language has a file; only the interface's own may be read.
        for (const char* other : {"CHS", "CHT", "ENG"})
            install.WriteLng(other, "TfrmSample",
                             "<TfrmSample><lblCode Caption=\"wrong\"/></TfrmSample>");
        install.WriteLng(c.code, "TfrmSample",
                         std::string("<TfrmSample Caption=\"") + c.caption +
                             "\"><lblCode Caption=\"" + c.caption + "\"/></TfrmSample>",
                         c.encoding);
        EXPECT_EQ(TLanguageController::LanguageFolder(dtClient),
                  install.Base() + "MultiLanguage/" + c.code + "/");

        controller_->SetLangPackageName("TfrmSample");
        EXPECT_EQ(controller_->FileName(),
                  install.Base() + "MultiLanguage/" + c.code + "/TfrmSample.Lng");
        controller_->SetActive(true);
        controller_->CurrentReader()->ReadComponent(form_);
        EXPECT_EQ(form_->Caption(), c.caption);
        EXPECT_EQ(Caption("lblCode"), c.caption);
        controller_->SetLangPackageName(""); // the next case names the package afresh
    }
}

TEST_F(LanguageControllerTest, WithoutALanguageFolderFileNamesAreRelative) {
    Installation install("936", "950"); // no MultiLanguage/CHT folder
    EXPECT_EQ(TLanguageController::LanguageFolder(dtClient), "");
    controller_->SetLangPackageName("TfrmSample");
    EXPECT_EQ(controller_->FileName(), "TfrmSample.Lng");
}

TEST_F(LanguageControllerTest, LooksUpMessagesByKeyAndFallsBackToTheDefault) {
    Installation install("936", "437");
    install.WriteLng(
        "ENG", "TfrmBaseGene",
        "<TfrmBaseGene><sOption Msg=\"Options\"/><sEmpty Other=\"x\"/></TfrmBaseGene>");
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"TfrmBaseGene", "sOption", "Options"},   {"TfrmBaseGene", "sMissing", "default"},
        {"TfrmBaseGene", "sEmpty", "default"},    // no Msg attribute
        {"TfrmNoFile", "sOption", "default"},     // no file
        {"TfrmBaseGene", "bad key'[", "default"}, // not a valid path
        {"TfrmBaseGene", "", "default"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TLanguageController::LangMessage(dtClient, c.section, c.key, "default"),
                  c.expected)
            << c.section << "/" << c.key;
}

// ---- Property paths -------------------------------------------------------------------------

TEST_F(LanguageControllerTest, AppliesPathsIndexesColoursAndEnumerations) {
    Installation install("936", "936");
    Apply("<TfrmSample Caption=\"Expense\" Color=\"clRed\">"
          "  <lblCode Caption=\"Code\" Font.Name=\"Tahoma\" Font.Style=\" [fsBold] \"/>"
          "  <btnOk Caption=\"OK\" Cursor=\"crHandPoint\"/>"
          "  <cboKind Items_0=\"All\" Items_1=\"Department\"/>"
          "  <lstUsers Items_5=\"Sixth\"/>"
          "  <pnlTop Alignment=\" taLeftJustify \" Panels_0.Text=\"x\" Caption=\"Top\"/>"
          "</TfrmSample>");
    EXPECT_EQ(form_->Caption(), "Expense");
    EXPECT_EQ(form_->Color(), clRed);
    EXPECT_EQ(Caption("lblCode"), "Code");
    EXPECT_EQ(Find<TLabel>("lblCode")->Font()->Name(), "Tahoma");
    EXPECT_TRUE(Find<TLabel>("lblCode")->Font()->Style().Contains(fsBold));
    EXPECT_EQ(Find<TButton>("btnOk")->Cursor(), crHandPoint);

    auto* combo = Find<TComboBox>("cboKind");
    EXPECT_EQ(combo->Items()->Text(), "All\nDepartment\n");
    EXPECT_EQ(combo->ItemIndex(), 1); // kept while its items were replaced

    auto* list = Find<TListBox>("lstUsers");
    ASSERT_EQ(list->Items()->Count(), 6);
    EXPECT_EQ(list->Items()->Get(1), "李四");
    EXPECT_EQ(list->Items()->Get(4), "");
    EXPECT_EQ(list->Items()->Get(5), "Sixth");

    auto* panel = Find<TPanel>("pnlTop");
    EXPECT_EQ(panel->Alignment(), taLeftJustify);
    EXPECT_EQ(panel->Caption(), "Top"); // the stopped Panels_0 path did not end the element
}

TEST_F(LanguageControllerTest, BadAttributesAreSkippedAndTheRestIsStillApplied) {
    Installation install("936", "936");
    const int width = Find<TButton>("btnOk")->Width();
    Apply("<TfrmSample>"
          "  <btnOk Width=\"wide\" Visible=\"maybe\" NoSuchProp=\"1\" Caption.Text=\"x\""
          "         Font.NoSuch=\"1\" Items_x=\"1\" Items_-1=\"1\" Caption_2=\"x\""
          "         Font.Color=\"clNoSuchColour\" Items_99999999999=\"1\" Caption=\"OK\"/>"
          "  <lstUsers Items_2000000000=\"far\" Items_-3=\"neg\" Items_1.Text=\"t\"/>"
          "  <lblMissing Caption=\"nobody\"/>"
          "  <cboKind Columns_0.Caption=\"c\" Style=\"csNoSuchStyle\"/>"
          "</TfrmSample>");
    EXPECT_EQ(Caption("btnOk"), "OK");
    EXPECT_EQ(Find<TButton>("btnOk")->Width(), width);
    EXPECT_TRUE(Find<TButton>("btnOk")->Visible());
    EXPECT_EQ(Find<TListBox>("lstUsers")->Items()->Text(), "张三\n李四\n");
    EXPECT_EQ(Find<TComboBox>("cboKind")->Style(), csDropDownList);
}

TEST_F(LanguageControllerTest, ReachesColumnsItemsAndNodesByIndex) {
    Installation install("936", "936");
    auto* list = new TListView(form_);
    list->SetName("lvUsers");
    list->SetParent(form_);
    list->Columns()->Add()->SetCaption("代码");
    list->Columns()->Add()->SetCaption("名称");
    list->Items()->Add()->SetCaption("张三");
    auto* tree = new TTreeView(form_);
    tree->SetName("tvSubjects");
    tree->SetParent(form_);
    tree->Items()->AddChild(tree->Items()->Add(nullptr, "会计科目"), "管理费用");

    Apply("<TfrmSample>"
          "  <lvUsers Columns_1.Caption=\"Name\" Columns_5.Caption=\"beyond\""
          "           Items_0.Caption=\"Zhang San\" Items_0.SubItems_1=\"x\" "
          "Items_3.Caption=\"beyond\"/>"
          "  <tvSubjects Items_1.Text=\"Administrative\" Items_9.Text=\"beyond\" "
          "Columns_0.Text=\"no\"/>"
          "</TfrmSample>");
    EXPECT_EQ(list->Columns()->Items(0)->Caption(), "代码");
    EXPECT_EQ(list->Columns()->Items(1)->Caption(), "Name");
    EXPECT_EQ(list->Columns()->Count(), 2);
    EXPECT_EQ(list->Items()->Item(0)->Caption(), "Zhang San");
    EXPECT_EQ(list->Items()->Count(), 1);
    EXPECT_EQ(tree->Items()->Item(0)->Text(), "会计科目");
    EXPECT_EQ(tree->Items()->Item(1)->Text(), "Administrative");
}

TEST_F(LanguageControllerTest, SetsPropertiesByPathAndReportsFailures) {
    auto* label = Find<TLabel>("lblCode");
    EXPECT_TRUE(TrySetPropertyByPath(label, "Font.Color", "clBlue"));
    EXPECT_EQ(label->Font()->Color(), clBlue);
    EXPECT_TRUE(TrySetPropertyByPath(label, "Alignment", " taCenter "));
    EXPECT_EQ(label->Alignment(), taCenter);
    EXPECT_TRUE(TrySetPropertyByPath(label, "Alignment", "1"));
    EXPECT_EQ(label->Alignment(), taRightJustify);
    EXPECT_FALSE(TrySetPropertyByPath(label, "Font.Missing", "1"));
    EXPECT_FALSE(TrySetPropertyByPath(label, "Caption.Length", "1"));
    EXPECT_FALSE(TrySetPropertyByPath(label, "Width", "abc"));
    EXPECT_FALSE(TrySetPropertyByPath(nullptr, "Width", "1"));
    EXPECT_EQ(GetObjectPropByName(label, "Font"), label->Font());
    EXPECT_EQ(GetObjectPropByName(label, "Caption"), nullptr);
}

// ---- Which components are read --------------------------------------------------------------

TEST_F(LanguageControllerTest, FindsTheFirstElementOfANameAnywhereAndSkipsExcludedComponents) {
    Installation install("936", "936");
    // A component owned by the panel is read even though the panel is excluded.
    auto* inner = new TLabel(Find<TPanel>("pnlTop"));
    inner->SetName("lblInner");
    auto excluded = std::make_unique<TStringList>(std::initializer_list<std::string>{" PNLTOP "});
    controller_->SetExcludeControls(excluded.get());

    Apply("<TfrmSample>"
          "  <group><btnOk Caption=\"First\"/></group>"
          "  <btnOk Caption=\"Second\"/>"
          "  <pnlTop Caption=\"Excluded\"><lblInner Caption=\"Inner\"/></pnlTop>"
          "</TfrmSample>");
    EXPECT_EQ(Caption("btnOk"), "First");
    EXPECT_EQ(Caption("pnlTop"), "条件");
    EXPECT_EQ(inner->Caption(), "Inner");

    // Replacing the list reaches the active reader at once.
    controller_->SetExcludeControls(nullptr);
    controller_->CurrentReader()->ReadComponent(form_);
    EXPECT_EQ(Caption("pnlTop"), "Excluded");
}

TEST_F(LanguageControllerTest, RaisesLoadEventsAroundEachComponentItReads) {
    Installation install("936", "936");
    std::vector<std::string> log;
    controller_->BeforeLoadComponent = [&](TComponent* c, const TXmlNode& node) {
        log.push_back("before " + c->Name() + " " + node.Name());
    };
    controller_->AfterLoadComponent = [&](TComponent* c, const TXmlNode& node) {
        log.push_back("after " + c->Name() + " " + node.Name());
    };
    Apply("<Root Caption=\"x\"><btnOk Caption=\"OK\"/></Root>");
    const std::vector<std::string> expected{"before frmSample Root", "after frmSample Root",
                                            "before btnOk btnOk", "after btnOk btnOk"};
    EXPECT_EQ(log, expected);
}

TEST_F(LanguageControllerTest, ALoadEventThatClosesTheControllerDoesNotEndTheRead) {
    Installation install("936", "936");
    controller_->AfterLoadComponent = [&](TComponent* c, const TXmlNode&) {
        if (c->Name() == "lblCode")
            controller_->SetFileName("Other.Lng"); // closes the document being read
    };
    Apply("<TfrmSample><lblCode Caption=\"Code\"/><btnOk Caption=\"OK\"/></TfrmSample>");
    EXPECT_FALSE(controller_->Active());
    EXPECT_EQ(Caption("lblCode"), "Code");
    EXPECT_EQ(Caption("btnOk"), "OK");
}

// ---- Activity -------------------------------------------------------------------------------

TEST_F(LanguageControllerTest, OpensAndClosesWithItsEventsAndItsSourceChanges) {
    Installation install("936", "936");
    std::vector<std::string> log;
    controller_->BeforeOpen = [&](TObject*) { log.push_back("BeforeOpen"); };
    controller_->AfterOpen = [&](TObject*) { log.push_back("AfterOpen"); };
    controller_->BeforeClose = [&](TObject*) { log.push_back("BeforeClose"); };
    controller_->AfterClose = [&](TObject*) { log.push_back("AfterClose"); };

    const std::string file =
        install.WriteLng("CHS", "TfrmSample", "<TfrmSample Caption=\"from file\"/>");
    controller_->SetFileName(file);
    controller_->SetActive(true);
    EXPECT_TRUE(controller_->Active());
    controller_->SetActive(true); // already active: nothing happens

    // XML in memory replaces the file and closes the document.
    controller_->XMLText()->SetText("<TfrmSample Caption=\"from memory\"/>");
    EXPECT_FALSE(controller_->Active());
    EXPECT_EQ(controller_->FileName(), "");
    controller_->SetActive(true);
    controller_->CurrentReader()->ReadComponent(form_);
    EXPECT_EQ(form_->Caption(), "from memory");

    // A new file name clears the XML in memory.
    controller_->SetFileName(file);
    EXPECT_EQ(controller_->XMLText()->Count(), 0);
    EXPECT_FALSE(controller_->Active());

    const std::vector<std::string> expected{"BeforeOpen", "AfterOpen", "BeforeClose", "AfterClose",
                                            "BeforeOpen", "AfterOpen", "BeforeClose", "AfterClose"};
    EXPECT_EQ(log, expected);
}

TEST_F(LanguageControllerTest, FailsWithTheDesignedErrors) {
    Installation install("936", "936");
    auto messageOf = [&](auto&& action) -> std::string {
        try {
            action();
        } catch (const LanguageControllerError& e) {
            EXPECT_EQ(e.ClassName(), "LanguageControllerError");
            return e.Message();
        }
        return "(no error)";
    };
    EXPECT_EQ(messageOf([&] { controller_->CurrentReader(); }), "No active LanguageController!");
    EXPECT_EQ(messageOf([&] { controller_->SetActive(true); }), "Cannot Find File !");

    const std::string broken =
        install.WriteLng("CHS", "TfrmBroken", "<TfrmBroken><btnOk></TfrmBroken>");
    for (const std::string& file : {broken, install.Base() + "MultiLanguage/CHS/TfrmMissing.Lng"}) {
        controller_->SetFileName(file);
        const std::string message = messageOf([&] { controller_->SetActive(true); });
        EXPECT_NE(message, "(no error)") << file;
        EXPECT_FALSE(message.empty()) << file;
        EXPECT_FALSE(controller_->Active());
    }
    controller_->XMLText()->SetText("not xml at all <");
    EXPECT_NE(messageOf([&] { controller_->SetActive(true); }), "(no error)");
    EXPECT_EQ(messageOf([&] { controller_->CurrentReader(); }), "No active LanguageController!");
}

TEST_F(LanguageControllerTest, ActivityGivenWhileLoadingTakesEffectWhenLoadingEnds) {
    Installation install("936", "936");
    auto* loading = new TKtLangController(form_);
    loading->XMLText()->SetText("<TfrmSample Caption=\"loaded\"/>");
    loading->SetLoading();
    loading->SetActive(true);
    EXPECT_FALSE(loading->Active());
    loading->Loaded();
    EXPECT_TRUE(loading->Active());
}

} // namespace
