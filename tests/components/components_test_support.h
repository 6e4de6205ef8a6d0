// A shown form that records the lookup requests (WM_F2LOOKUP) its components send, and a
// helper that answers one expected message box.
#pragma once

#include "Dialogs.h"
#include "Forms.h"
#include "StdCtrls.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

class TLookupForm : public TForm {
public:
    explicit TLookupForm(TComponent* owner) : TForm(owner) { SetBounds(0, 0, 640, 480); }
    std::vector<TObject*> Requests;
    void WndProc(TMessage& m) override {
        if (m.Msg == WM_F2LOOKUP)
            Requests.push_back(reinterpret_cast<TObject*>(m.LParam));
        TForm::WndProc(m);
    }
};

// Creates and shows the form; frees it at the end of the test.
struct ShownForm {
    TLookupForm* form = Create<TLookupForm>(nullptr);
    ShownForm() { form->Show(); }
    ~ShownForm() { form->Free(); }
    TLookupForm* operator->() const { return form; }
};

// Expects exactly one message box with this text and answers it with OK.
class ExpectMessage {
public:
    explicit ExpectMessage(std::string text)
        : text_(std::move(text)), scope_([this](TCustomForm& f) -> TModalResult {
              ++shown_;
              auto* label = dyn<TLabel>(f.FindComponent("Message"));
              EXPECT_TRUE(label && label->Caption() == text_);
              return mrOk;
          }) {}
    ~ExpectMessage() { EXPECT_EQ(shown_, 1) << text_; }

private:
    std::string text_;
    int shown_ = 0;
    TModalHandlerScope scope_;
};
