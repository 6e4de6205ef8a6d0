// The component model: ownership and names, published properties by name and path,
// events with identity, string lists.
#include "ExtCtrls.h"
#include "Forms.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "TypInfo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A component of the kind the module writes: its own class, published properties and
// events registered the same way as the platform's.
enum TRangeKind { rkRange, rkDiscrete, rkUserChoice };

class TTestRangePanel : public TGroupBox {
    STEWARD_CLASS(TTestRangePanel, TGroupBox)
    explicit TTestRangePanel(TComponent* owner) : TGroupBox(owner) {}
    TRangeKind Kind() const { return kind_; }
    void SetKind(TRangeKind k) { kind_ = k; }
    const std::string& BeginValue() const { return begin_; }
    void SetBeginValue(const std::string& v) { begin_ = v; }
    TStrings* Words() const { return words_.get(); }
    void SetWords(TStrings* s) { words_->Assign(s); }
    TNotifyEvent OnRangeChange;

private:
    TRangeKind kind_ = rkRange;
    std::string begin_;
    std::unique_ptr<TStringList> words_ = std::make_unique<TStringList>();
};

STEWARD_REGISTER_CLASS(TTestRangePanel, [](TPropertyBuilder<TTestRangePanel>& b) {
    static const TTypeInfo& kind =
        b.Own(MakeEnumType("TRangeKind", {"rkRange", "rkDiscrete", "rkUserChoice"}));
    b.Ord("Kind", kind, &TTestRangePanel::Kind, &TTestRangePanel::SetKind);
    b.Str("BeginValue", &TTestRangePanel::BeginValue, &TTestRangePanel::SetBeginValue);
    b.Object("Words", &TTestRangePanel::Words, &TTestRangePanel::SetWords);
    b.Event("OnRangeChange", "TNotifyEvent", &TTestRangePanel::OnRangeChange);
});

class Recorder {
public:
    void Clicked(TObject* sender) {
        log.push_back("click:" + static_cast<TComponent*>(sender)->Name());
    }
    void Other(TObject*) { log.push_back("other"); }
    void KeyDown(TObject*, WORD& key, TShiftState) { log.push_back("key:" + std::to_string(key)); }
    std::vector<std::string> log;
};

class ComponentModel : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TForm>(nullptr);
        form->SetName("frmTest");
        panel = new TPanel(form);
        panel->SetName("pnlMain");
        panel->SetParent(form);
        edit = new TEdit(form);
        edit->SetName("edCode");
        edit->SetParent(panel);
        label = new TLabel(form);
        label->SetName("lblCode");
        label->SetParent(panel);
        check = new TCheckBox(form);
        check->SetName("chkNotify");
        check->SetParent(form);
        range = new TTestRangePanel(form);
        range->SetName("sp01");
        range->SetParent(form);
    }
    void TearDown() override { form->Free(); }

    TForm* form = nullptr;
    TPanel* panel = nullptr;
    TEdit* edit = nullptr;
    TLabel* label = nullptr;
    TCheckBox* check = nullptr;
    TTestRangePanel* range = nullptr;
};

TEST_F(ComponentModel, OwnerKeepsNamesUniqueAndFreesWhatItOwns) {
    EXPECT_EQ(form->FindComponent("EDCODE"), edit);
    EXPECT_EQ(form->FindComponent("missing"), nullptr);
    EXPECT_EQ(edit->ComponentIndex(), 1);
    EXPECT_THROW(label->SetName("edCode"), EComponentError);
    EXPECT_THROW(label->SetName("1abc"), EComponentError);
    EXPECT_EQ(label->Name(), "lblCode");

    // Freeing a component takes it out of its owner and its parent, and tells those who
    // asked (the label's FocusControl) so no dangling pointer stays behind.
    label->SetFocusControl(edit);
    int count = form->ComponentCount();
    edit->Free();
    EXPECT_EQ(form->ComponentCount(), count - 1);
    EXPECT_EQ(form->FindComponent("edCode"), nullptr);
    EXPECT_EQ(label->FocusControl(), nullptr);
    EXPECT_EQ(panel->ControlCount(), 1);

    // A parent frees its children with itself, whoever owns them.
    panel->Free();
    EXPECT_EQ(form->FindComponent("lblCode"), nullptr);
}

TEST_F(ComponentModel, ClassInformationIncludesTheModulesOwnClasses) {
    EXPECT_EQ(range->ClassName(), "TTestRangePanel");
    EXPECT_TRUE(range->InheritsFrom("TGroupBox"));
    EXPECT_TRUE(range->InheritsFrom(TWinControl::StaticClass()));
    EXPECT_FALSE(edit->InheritsFrom("TGroupBox"));
    EXPECT_EQ(GetClass("ttestrangepanel"), &TTestRangePanel::StaticClass());
    EXPECT_EQ(form->ClassParent()->ClassName(), "TCustomForm");

    // Inherited and own properties are both found by name, whatever the case.
    EXPECT_TRUE(HasPropByName(range, "caption"));
    EXPECT_TRUE(HasPropByName(range, "Kind"));
    EXPECT_TRUE(HasPropByName(range, "OnRangeChange"));
    EXPECT_FALSE(HasPropByName(range, "Text"));
    // An edit publishes Text, not Caption: converting captions must not touch typed text.
    EXPECT_TRUE(HasPropByName(edit, "Text"));
    EXPECT_FALSE(HasPropByName(edit, "Caption"));
    EXPECT_TRUE(HasPropByName(edit, "ImeName"));
    EXPECT_FALSE(HasPropByName(nullptr, "Name"));
}

struct PathCase {
    const char* component;
    const char* path;
    const char* written;
    const char* readBack;
};

class PropertyPaths : public ComponentModel, public ::testing::WithParamInterface<PathCase> {};

TEST_P(PropertyPaths, TextWrittenByPathReadsBackAndReachesTheWidget) {
    const PathCase& c = GetParam();
    TComponent* target = form->FindComponent(c.component);
    if (std::string(c.component) == "frmTest")
        target = form;
    ASSERT_NE(target, nullptr);
    SetPropTextByPath(target, c.path, c.written);
    EXPECT_EQ(GetPropTextByPath(target, c.path), c.readBack);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PropertyPaths,
    ::testing::Values(PathCase{"lblCode", "Font.Name", "Tahoma", "Tahoma"},
                      PathCase{"lblCode", " Font . Charset ", "134", "134"},
                      PathCase{"lblCode", "Font.Style", "[fsBold, fsItalic]", "[fsBold,fsItalic]"},
                      PathCase{"edCode", "Color", "clRed", "255"},
                      PathCase{"edCode", "Color", "$00FF00", "65280"},
                      PathCase{"pnlMain", "Align", "  alClient ", "alClient"},
                      PathCase{"pnlMain", "Align", "3", "alLeft"},
                      PathCase{"chkNotify", "Checked", "True", "True"},
                      PathCase{"chkNotify", "Checked", "0", "False"},
                      PathCase{"sp01", "Kind", "rkDiscrete", "rkDiscrete"},
                      PathCase{"sp01", "Words.Text", "a\nb\n", "a\nb\n"},
                      PathCase{"frmTest", "KeyPreview", "True", "True"},
                      PathCase{"frmTest", "BorderIcons", "[biSystemMenu,biMaximize]",
                               "[biSystemMenu,biMaximize]"},
                      PathCase{"edCode", "Font.Color", "clBtnFace", "-2147483633"}));

TEST_F(ComponentModel, PropertiesReadAndWriteTheWidgetsRealState) {
    SetStrProp(edit, "Text", "20240131");
    EXPECT_EQ(edit->LineEdit()->text().toStdString(), "20240131");
    edit->LineEdit()->setText(QStringLiteral("宋体文字"));
    EXPECT_EQ(GetStrProp(edit, "Text"), "宋体文字");

    SetPropTextByPath(label, "Font.Name", "宋体");
    EXPECT_EQ(label->Widget()->font().families().value(0).toStdString(), "Noto Serif CJK SC");
    SetPropTextByPath(label, "Font.Charset", "136");
    SetPropTextByPath(label, "Font.Name", "MingLiU");
    EXPECT_EQ(label->Widget()->font().families().value(0).toStdString(), "Noto Serif CJK TC");

    SetOrdProp(check, "Checked", 1);
    EXPECT_TRUE(check->CheckBox()->isChecked());
}

TEST_F(ComponentModel, StrictAccessRaisesAndForgivingAccessDoesNot) {
    EXPECT_THROW(GetStrProp(edit, "NoSuchProperty"), EPropertyError);
    EXPECT_THROW(SetPropText(panel, "Align", "alSideways"), EPropertyError);
    EXPECT_THROW(SetPropText(edit, "MaxLength", "ten"), EConvertError);
    EXPECT_THROW(SetPropTextByPath(edit, "Font.Nope.Name", "x"), EPropertyError);
    EXPECT_THROW(SetOrdProp(edit, "Text", 3), EPropertyError);

    EXPECT_EQ(GetStrPropByName(edit, "NoSuchProperty"), "");
    EXPECT_EQ(GetStrPropByName(nullptr, "Text"), "");
    EXPECT_EQ(GetOrdPropByName(edit, "Text"), 0); // not ordinal
    SetStrPropByName(edit, "MaxLength", "ten");   // rejected value: ignored
    EXPECT_EQ(edit->MaxLength(), 0);
    SetOrdPropByName(form, "ComponentCount", 5); // no such property: ignored

    SetStrPropByName(edit, "ImeName", "Chinese (Simplified) - Microsoft Pinyin");
    EXPECT_EQ(GetStrPropByName(edit, "ImeName"), "Chinese (Simplified) - Microsoft Pinyin");
    SetStrPropByName(edit, "ImeName", "");
    EXPECT_EQ(edit->ImeName(), "");

    check->SetChecked(true);
    EXPECT_EQ(GetOrdPropByName(check, "Checked"), 1);
    SetOrdPropByName(panel, "Align", alBottom);
    EXPECT_EQ(panel->Align(), alBottom);
    EXPECT_EQ(GetOrdPropByName(panel, "Align"), alBottom);
}

TEST_F(ComponentModel, SavedHandlersCompareEqualAndCanBeRestored) {
    Recorder a, b;
    check->OnClick = TNotifyEvent(&a, &Recorder::Clicked);
    edit->OnKeyDown = TKeyEvent(&a, &Recorder::KeyDown);

    // Binding the same method to the same object again gives an equal handler; another
    // object, another method or a lambda does not.
    EXPECT_TRUE(check->OnClick == TNotifyEvent(&a, &Recorder::Clicked));
    EXPECT_FALSE(check->OnClick == TNotifyEvent(&b, &Recorder::Clicked));
    EXPECT_FALSE(check->OnClick == TNotifyEvent(&a, &Recorder::Other));
    TNotifyEvent lambda = [](TObject*) {};
    TNotifyEvent copy = lambda;
    EXPECT_TRUE(copy == lambda);
    EXPECT_FALSE(lambda == TNotifyEvent([](TObject*) {}));

    // Save by name, replace, restore: the restored handler is the original one and still
    // reaches its object.
    TMethod saved = GetMethodPropByName(check, "OnClick");
    EXPECT_TRUE(saved.Assigned());
    EXPECT_EQ(saved.Data, &a);
    SetMethodPropByName(check, "OnClick", TNotifyEvent(&b, &Recorder::Other).Method());
    ClickControl(check);
    SetMethodPropByName(check, "OnClick", saved);
    EXPECT_TRUE(GetMethodPropByName(check, "OnClick") == saved);
    ClickControl(check);
    EXPECT_EQ(b.log, (std::vector<std::string>{"other"}));
    EXPECT_EQ(a.log, (std::vector<std::string>{"click:chkNotify"}));

    // A handler of another event type is refused: strictly with an error, forgivingly
    // without effect.
    TMethod key = GetMethodPropByName(edit, "OnKeyDown");
    EXPECT_THROW(SetMethodProp(check, "OnClick", key), EPropertyError);
    SetMethodPropByName(check, "OnClick", key);
    EXPECT_TRUE(GetMethodPropByName(check, "OnClick") == saved);

    // Clearing and the empty handler.
    SetMethodPropByName(check, "OnClick", TMethod{});
    EXPECT_FALSE(check->OnClick);
    EXPECT_FALSE(GetMethodPropByName(check, "NoSuchEvent").Assigned());
}

TEST_F(ComponentModel, ClickControlTogglesACheckBoxAndPressesAButton) {
    int clicks = 0;
    check->OnClick = [&](TObject*) { ++clicks; };
    ClickControl(check);
    EXPECT_TRUE(check->Checked());
    ClickControl(check);
    EXPECT_FALSE(check->Checked());
    EXPECT_EQ(clicks, 2);

    // A disabled control does not react.
    check->SetEnabled(false);
    ClickControl(check);
    EXPECT_FALSE(check->Checked());

    auto* btn = new TButton(form);
    btn->SetParent(form);
    btn->SetModalResult(mrYes);
    ClickControl(btn);
    EXPECT_EQ(form->ModalResult(), mrYes);
}

TEST(StringLists, SortedListsTextAndNameValuePairs) {
    TStringList list;
    list.SetSorted(true);
    for (const char* s : {"pear", "Apple", "fig", "apple"})
        list.Add(s);
    EXPECT_EQ(list.ToVector(), (std::vector<std::string>{"Apple", "fig", "pear"}));
    EXPECT_EQ(list.IndexOf("PEAR"), 2);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
    list.SetDuplicates(dupError);
    EXPECT_THROW(list.Add("FIG"), EStringListError);

    TStringList csv;
    csv.SetCommaText(R"(a,"b c","say ""hi""",,d)");
    EXPECT_EQ(csv.ToVector(), (std::vector<std::string>{"a", "b c", "say \"hi\"", "", "d"}));
    EXPECT_EQ(csv.CommaText(), R"(a,"b c","say ""hi""","",d)");

    TStringList pairs;
    pairs.SetText("936=CHS\r\n950=CHT\n437=ENG");
    EXPECT_EQ(pairs.Count(), 3);
    EXPECT_EQ(pairs.Values("950"), "CHT");
    EXPECT_EQ(pairs.Names(2), "437");
    pairs.SetValue("950", "");
    EXPECT_EQ(pairs.Count(), 2);
    EXPECT_THROW(pairs.Get(5), EStringListError);

    int changes = 0;
    pairs.OnChange = [&](TObject*) { ++changes; };
    pairs.BeginUpdate();
    pairs.Add("1");
    pairs.Add("2");
    pairs.EndUpdate();
    EXPECT_EQ(changes, 1);
}

TEST_F(ComponentModel, WidgetListsBehaveAsStringLists) {
    auto* combo = new TComboBox(form);
    combo->SetParent(form);
    combo->Items()->SetCommaText("ab,cd,ef");
    combo->SetItemIndex(1);
    // Replacing the text of the list through the property keeps what the widget shows.
    SetPropTextByPath(combo, "Items.Text", "x\ny\nz\n");
    EXPECT_EQ(combo->ComboBox()->count(), 3);
    EXPECT_EQ(combo->Items()->Get(2), "z");
    combo->SetItemIndex(2);
    EXPECT_EQ(combo->Text(), "z");
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1);

    auto* memo = new TMemo(form);
    memo->SetParent(form);
    memo->Lines()->Add("first");
    memo->Lines()->Add("第二行");
    EXPECT_EQ(memo->Text(), "first\n第二行\n");
    memo->SetCaretPos({2, 1});
    EXPECT_EQ(memo->CaretPos(), (TPoint{2, 1}));
}

} // namespace
