// Forms built from descriptions: typing, focus order, key preview, dialog keys, messages,
// closing, and the modal seam.
#include "Dialogs.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "TypInfo.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A form of the kind the module builds: described as data, handlers published by name.
class TfrmSample : public TForm {
    STEWARD_CLASS(TfrmSample, TForm)
    explicit TfrmSample(TComponent* owner) : TForm(owner) {}

    std::vector<std::string> log;
    void Note(TObject* sender, const char* what) {
        log.push_back(std::string(what) + ":" + static_cast<TComponent*>(sender)->Name());
    }
    void AnyEnter(TObject* s) { Note(s, "enter"); }
    void AnyExit(TObject* s) { Note(s, "exit"); }
    void edCodeChange(TObject* s) { Note(s, "change"); }
    void FormKeyDown(TObject* s, WORD& key, TShiftState) {
        Note(s, ("formkey" + std::to_string(key)).c_str());
        if (key == VK_F2)
            key = 0; // the form takes F2 for itself
    }
    void edCodeKeyDown(TObject* s, WORD& key, TShiftState) {
        Note(s, ("key" + std::to_string(key)).c_str());
    }
    void edCodeKeyPress(TObject*, char& key) {
        if (key == '-')
            key = '/';
    }
    void btnOkClick(TObject* s) { Note(s, "click"); }
};

STEWARD_REGISTER_CLASS(TfrmSample, [](TPropertyBuilder<TfrmSample>& b) {
    b.Method("AnyEnter", &TfrmSample::AnyEnter);
    b.Method("AnyExit", &TfrmSample::AnyExit);
    b.Method("edCodeChange", &TfrmSample::edCodeChange);
    b.Method("FormKeyDown", &TfrmSample::FormKeyDown);
    b.Method("edCodeKeyDown", &TfrmSample::edCodeKeyDown);
    b.Method("edCodeKeyPress", &TfrmSample::edCodeKeyPress);
    b.Method("btnOkClick", &TfrmSample::btnOkClick);
});

const TDescPairs kFocusEvents = {{"OnEnter", "AnyEnter"}, {"OnExit", "AnyExit"}};

// Tab order deliberately differs from the order of creation; edName sits in a panel.
const TFormDescription kSample = {
    {{"Name", "frmSample"},
     {"Caption", "Sample"},
     {"Width", "360"},
     {"Height", "240"},
     {"KeyPreview", "True"},
     {"Font.Name", "宋体"},
     {"Font.Height", "-13"}},
    {{"OnKeyDown", "FormKeyDown"}},
    {
        {"edCode",
         "TEdit",
         "",
         {8, 8, 121, 21},
         "",
         "code",
         {{"TabOrder", "1"}},
         {{"OnEnter", "AnyEnter"},
          {"OnExit", "AnyExit"},
          {"OnChange", "edCodeChange"},
          {"OnKeyDown", "edCodeKeyDown"},
          {"OnKeyPress", "edCodeKeyPress"}}},
        {"pnlName", "TPanel", "", {8, 40, 200, 40}, "", "", {{"TabOrder", "0"}}, kFocusEvents},
        {"edName", "TEdit", "pnlName", {8, 8, 121, 21}, "", "", {}, kFocusEvents},
        {"edOff",
         "TEdit",
         "",
         {8, 90, 121, 21},
         "",
         "",
         {{"TabOrder", "2"}, {"Enabled", "False"}},
         kFocusEvents},
        {"chkAll",
         "TCheckBox",
         "",
         {8, 120, 121, 17},
         "全部",
         "",
         {{"TabOrder", "3"}},
         kFocusEvents},
        {"btnOk",
         "TButton",
         "",
         {180, 170, 75, 25},
         "确定",
         "",
         {{"Default", "True"}, {"ModalResult", "1"}},
         {{"OnClick", "btnOkClick"}}},
        {"btnCancel",
         "TButton",
         "",
         {264, 170, 75, 25},
         "取消",
         "",
         {{"Cancel", "True"}, {"ModalResult", "2"}},
         {}},
    }};

class FormFixture : public ::testing::Test {
protected:
    void SetUp() override {
        form = Create<TfrmSample>(nullptr);
        LoadFormDescription(form, kSample);
        edCode = dyn<TEdit>(form->FindComponent("edCode"));
        edName = dyn<TEdit>(form->FindComponent("edName"));
        edOff = dyn<TEdit>(form->FindComponent("edOff"));
        chkAll = dyn<TCheckBox>(form->FindComponent("chkAll"));
        ASSERT_TRUE(edCode && edName && edOff && chkAll);
    }
    void TearDown() override {
        if (form)
            form->Free();
    }
    // A key as the user types it into the control that has the focus.
    void Key(TWinControl* c, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        EXPECT_EQ(form->ActiveControl(), c);
        QTest::keyClick(c->Widget(), key, mods);
    }
    std::vector<std::string> TakeLog() { return std::exchange(form->log, {}); }
    // The log without the form's previewed keys.
    std::vector<std::string> TakeFocusLog() {
        std::vector<std::string> out;
        for (auto& s : TakeLog())
            if (s.rfind("formkey", 0) != 0)
                out.push_back(s);
        return out;
    }

    TfrmSample* form = nullptr;
    TEdit* edCode = nullptr;
    TEdit* edName = nullptr;
    TEdit* edOff = nullptr;
    TCheckBox* chkAll = nullptr;
};

TEST_F(FormFixture, DescriptionBuildsControlsWithTheirSettings) {
    EXPECT_EQ(form->Caption(), "Sample");
    EXPECT_EQ(form->Width(), 360);
    EXPECT_FALSE(form->IsLoading());
    EXPECT_FALSE(edCode->IsLoading());
    EXPECT_EQ(edName->Parent()->Name(), "pnlName");
    EXPECT_EQ(edCode->Hint(), "code");
    EXPECT_EQ(chkAll->Caption(), "全部");
    // Parent font reaches the controls.
    EXPECT_EQ(edName->Font()->Name(), "宋体");
    EXPECT_EQ(edName->Font()->Height(), -13);
    // Tab orders as described, whatever the order of creation.
    EXPECT_EQ(form->FindComponent("pnlName")
                  ? dyn<TWinControl>(form->FindComponent("pnlName"))->TabOrder()
                  : -1,
              0);
    EXPECT_EQ(edCode->TabOrder(), 1);

    // A wrong description names what is wrong.
    TForm* other = Create<TForm>(nullptr);
    try {
        LoadFormDescription(other, {{}, {}, {{"x", "TNoSuchControl", "", {}, "", "", {}, {}}}});
        ADD_FAILURE() << "no error";
    } catch (const EComponentError& e) {
        EXPECT_NE(std::string(e.what()).find("TNoSuchControl"), std::string::npos);
    }
    EXPECT_THROW(
        LoadFormDescription(
            other, {{}, {}, {{"y", "TEdit", "", {}, "", "", {}, {{"OnClick", "nothing"}}}}}),
        EComponentError);
    other->Free();
}

TEST_F(FormFixture, TypingChangesTextAndRaisesChange) {
    form->Show();
    edCode->SetFocus();
    TakeLog();
    QTest::keyClicks(edCode->Widget(), "a1");
    EXPECT_EQ(edCode->Text(), "a1");
    EXPECT_TRUE(edCode->Modified());
    auto log = TakeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "change:edCode"), 2);

    // OnKeyPress may replace the character the edit receives.
    QTest::keyClicks(edCode->Widget(), "-");
    EXPECT_EQ(edCode->Text(), "a1/");

    // Setting Text in code raises OnChange too, as it does for the user.
    edCode->SetText("x");
    EXPECT_EQ(TakeLog().back(), "change:edCode");
}

TEST_F(FormFixture, TabFollowsTabOrderSkipsDisabledAndRaisesExitThenEnter) {
    form->Show();
    // The first control in tab order takes the focus when the form is shown.
    EXPECT_EQ(form->ActiveControl(), edName);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"enter:pnlName", "enter:edName"}));

    Key(edName, Qt::Key_Tab);
    EXPECT_EQ(form->ActiveControl(), edCode);
    // Leaving the panel's edit leaves the panel too, inner control first.
    auto log = TakeFocusLog();
    ASSERT_GE(log.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(log.begin(), log.begin() + 3),
              (std::vector<std::string>{"exit:edName", "exit:pnlName", "enter:edCode"}));

    Key(edCode, Qt::Key_Tab); // edOff is disabled: skipped
    EXPECT_EQ(form->ActiveControl(), chkAll);
    Key(chkAll, Qt::Key_Tab, Qt::ShiftModifier); // back again
    EXPECT_EQ(form->ActiveControl(), edCode);

    // A disabled parent disables its children for focus too.
    dyn<TPanel>(form->FindComponent("pnlName"))->SetEnabled(false);
    EXPECT_FALSE(edName->CanFocus());
    Key(edCode, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_NE(form->ActiveControl(), edName);
    EXPECT_THROW(edName->SetFocus(), EInvalidOperation);
}

TEST_F(FormFixture, KeyPreviewSeesKeysFirstAndMayConsumeThem) {
    form->Show();
    edCode->SetFocus();
    TakeLog();
    Key(edCode, Qt::Key_F3);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"formkey114:frmSample", "key114:edCode"}));
    Key(edCode, Qt::Key_F2);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"formkey113:frmSample"}));

    // Without preview the form does not see its controls' keys.
    form->SetKeyPreview(false);
    Key(edCode, Qt::Key_F2);
    EXPECT_EQ(TakeLog(), (std::vector<std::string>{"key113:edCode"}));
}

TEST_F(FormFixture, ReturnAndEscapePressDefaultAndCancelButtonsOfAModalForm) {
    struct Case {
        Qt::Key key;
        TModalResult expected;
    };
    for (Case c : {Case{Qt::Key_Return, mrOk}, Case{Qt::Key_Escape, mrCancel}}) {
        TModalHandlerScope answer([&](TCustomForm& f) -> TModalResult {
            EXPECT_EQ(&f, form);
            EXPECT_EQ(form->ActiveControl(), edName);
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget()
                                                        : edName->Widget(),
                            c.key);
            return mrNone; // the button set the form's modal result
        });
        EXPECT_EQ(form->ShowModal(), c.expected);
        EXPECT_FALSE(form->Visible());
    }
    EXPECT_EQ(std::count(form->log.begin(), form->log.end(), "click:btnOk"), 1);
}

TEST_F(FormFixture, PostedMessagesArriveInOrderAndSentOnesAtOnce) {
    std::vector<std::string> got;
    auto record = [&](TWinControl* c) {
        TWndMethod old = c->WindowProc;
        c->WindowProc = [&got, c, old](TMessage& m) {
            if (m.Msg >= WM_USER) {
                got.push_back(c->Name() + ":" + std::to_string(m.Msg - WM_USER) + ":" +
                              std::to_string(m.LParam));
                m.Result = 42;
                return;
            }
            old(m);
        };
    };
    record(edCode);
    record(edName);
    EXPECT_TRUE(PostMessage(edCode->Handle(), WM_USER + 1, 0, 1));
    EXPECT_TRUE(PostMessage(edName->Handle(), WM_F2LOOKUP, 0, 2));
    EXPECT_TRUE(PostMessage(edCode->Handle(), WM_USER + 3, 0, 3));
    EXPECT_TRUE(got.empty());
    EXPECT_EQ(SendMessage(edName->Handle(), WM_USER + 4, 0, 4), 42);
    Application->ProcessMessages();
    EXPECT_EQ(got,
              (std::vector<std::string>{"edName:4:4", "edCode:1:1", "edName:10:2", "edCode:3:3"}));

    // Handles are stable and find their control; a message to a freed control is dropped.
    HWND h = edName->Handle();
    EXPECT_EQ(FindControl(h), edName);
    PostMessage(h, WM_USER, 0, 0);
    edName->Free();
    edName = nullptr;
    EXPECT_FALSE(IsWindow(h));
    Application->ProcessMessages();
    EXPECT_EQ(got.size(), 4u);
    EXPECT_FALSE(PostMessage(h, WM_USER, 0, 0));
}

TEST_F(FormFixture, CloseAsksCloseQueryAndFreeOnCloseFreesAfterTheQueue) {
    bool allow = false;
    form->OnCloseQuery = [&](TObject*, bool& can) { can = allow; };
    form->OnClose = [](TObject*, TCloseAction& a) { a = caFree; };
    form->Show();
    form->Close();
    EXPECT_TRUE(form->Visible());
    allow = true;
    HWND h = form->Handle();
    PostMessage(h, WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    Application->ProcessMessages();
    EXPECT_FALSE(IsWindow(h));
    form = nullptr; // freed by its close action
}

TEST_F(FormFixture, ModalSeamAnswersANestedMessageDialog) {
    // The OK button asks for confirmation; the test answers both windows.
    auto* ok = dyn<TButton>(form->FindComponent("btnOk"));
    int confirmed = -1;
    ok->OnClick = [&](TObject*) {
        TForm* dlg = CreateMessageDialog("Save the scheme?", mtConfirmation, mbYesNoCancel);
        dyn<TButton>(dlg->FindComponent("Yes"))->SetCaption("是(&Y)");
        confirmed = dlg->ShowModal();
        dlg->Free();
    };
    std::vector<std::string> seen;
    TModalHandlerScope answer([&](TCustomForm& f) -> TModalResult {
        seen.push_back(f.Caption());
        if (&f == form) {
            ClickControl(ok); // opens the nested dialog
            return mrNone;
        }
        auto* text = dyn<TLabel>(f.FindComponent("Message"));
        EXPECT_TRUE(text && text->Caption() == "Save the scheme?");
        EXPECT_EQ(dyn<TButton>(f.FindComponent("Yes"))->Caption(), "是(&Y)");
        EXPECT_NE(f.FindComponent("No"), nullptr);
        EXPECT_NE(f.FindComponent("Cancel"), nullptr);
        EXPECT_EQ(f.FindComponent("OK"), nullptr);
        EXPECT_NE(f.FindComponent("Image"), nullptr);
        ClickControl(dyn<TButton>(f.FindComponent("No")));
        return mrNone;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(confirmed, mrNo);
    EXPECT_EQ(seen, (std::vector<std::string>{"Sample", "Confirm"}));
}

TEST(MessageDialogs, KindsButtonsAndResults) {
    struct Case {
        TMsgDlgType type;
        TMsgDlgButtons buttons;
        const char* caption;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {mtWarning, {mbOK}, "Warning", {"OK"}},
        {mtError, mbAbortRetryIgnore, "Error", {"Abort", "Retry", "Ignore"}},
        {mtInformation, {mbOK, mbHelp}, "Information", {"OK", "Help"}},
        {mtConfirmation,
         {mbYes, mbNo, mbAll, mbNoToAll, mbYesToAll},
         "Confirm",
         {"Yes", "No", "All", "NoToAll", "YesToAll"}},
    };
    for (const Case& c : cases) {
        TForm* dlg = CreateMessageDialog("text", c.type, c.buttons);
        EXPECT_EQ(dlg->Caption(), c.caption);
        std::vector<std::string> names;
        for (int i = 0; i < dlg->ComponentCount(); ++i)
            if (auto* b = dyn<TButton>(dlg->Components(i)))
                names.push_back(b->Name());
        EXPECT_EQ(names, c.names);
        dlg->Free();
    }
    const std::pair<TMsgDlgBtn, int> results[] = {
        {mbOK, 1},  {mbCancel, 2}, {mbAbort, 3}, {mbRetry, 4},   {mbIgnore, 5},
        {mbYes, 6}, {mbNo, 7},     {mbAll, 8},   {mbNoToAll, 9}, {mbYesToAll, 10}};
    for (auto [button, result] : results) {
        TModalHandlerScope answer([&](TCustomForm& f) -> TModalResult {
            ClickControl(dyn<TButton>(f.FindComponent(MsgDlgButtonName(button))));
            return mrNone;
        });
        EXPECT_EQ(MessageDlg("?", mtCustom, TMsgDlgButtons{button}), result);
    }
}

TEST(Application, HandleExceptionReachesOnExceptionAndIsSilentForAbort) {
    std::string seen;
    Application->OnException = [&](TObject*, const std::exception& e) { seen = e.what(); };
    try {
        throw EConvertError("'x' is not a valid integer value");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(seen, "'x' is not a valid integer value");
    seen.clear();
    try {
        throw EAbort("quiet");
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(seen, "");
    Application->OnException = nullptr;
}

TEST(Alignment, AlignedControlsShareTheClientAreaAndFollowResizes) {
    TForm* f = Create<TForm>(nullptr);
    f->SetBorderStyle(bsNone);
    f->SetBounds(0, 0, 300, 200);
    auto make = [&](TAlign a, int size) {
        auto* p = new TPanel(f);
        p->SetParent(f);
        p->SetBounds(0, 0, size, size);
        p->SetAlign(a);
        return p;
    };
    TPanel* top = make(alTop, 40);
    TPanel* bottom = make(alBottom, 30);
    TPanel* left = make(alLeft, 50);
    TPanel* client = make(alClient, 10);
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 40));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 170, 300, 200));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 40, 50, 170));
    EXPECT_EQ(client->BoundsRect(), Rect(50, 40, 300, 170));
    f->SetBounds(0, 0, 400, 300);
    EXPECT_EQ(client->BoundsRect(), Rect(50, 40, 400, 270));
    left->SetVisible(false);
    EXPECT_EQ(client->BoundsRect(), Rect(0, 40, 400, 270));
    f->Free();
}

} // namespace
