#include "F2Button.h"

#include "Dialogs.h"
#include "FormPeers.h"
#include "Forms.h"
#include "TypInfo.h"

#include <algorithm>

namespace {

// The window the lookup request goes to: the control's owner when it is windowed,
// else the control's form.
TWinControl* LookupTarget(TWinControl* control) {
    if (auto* w = dynamic_cast<TWinControl*>(control->Owner()); w && w->HandleAllocated())
        return w;
    return GetParentForm(control);
}
} // namespace

bool SendLookupRequest(TWinControl* control) {
    if (!control || !control->CanFocus())
        return false;
    control->SetFocus();
    if (!control->Focused())
        return false;
    TWinControl* target = LookupTarget(control);
    if (!target)
        return false;
    SendMessage(target->Handle(), WM_F2LOOKUP, 0, reinterpret_cast<LPARAM>(control));
    return true;
}

STEWARD_REGISTER_CLASS(TF2Button, [](TPropertyBuilder<TF2Button>& b) {
    b.Bool("AutoAlign", &TF2Button::AutoAlign, &TF2Button::SetAutoAlign);
    b.Object("F2Control", &TF2Button::F2Control, &TF2Button::SetF2Control);
    b.Int("Gap", &TF2Button::Gap, &TF2Button::SetGap);
});

TF2Button::TF2Button(TComponent* owner) : TGSpeedButton(owner) {
    SetFlat(true);
    SetGlyphIndex(kLookupGlyph);
    TFormPeers<TF2Button>::Add(this);
}

TF2Button::~TF2Button() {
    TFormPeers<TF2Button>::Remove(this);
    if (f2Control_)
        f2Control_->RemoveFreeNotification(this);
}

void TF2Button::SetAutoAlign(bool v) {
    autoAlign_ = v;
    AlignToControl();
}

void TF2Button::SetGap(int v) {
    auto gap = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    if (gap == gap_)
        return;
    gap_ = gap;
    AlignToControl();
}

bool TF2Button::ServedByAnother(const TWinControl* c) const {
    return TFormPeers<TF2Button>::AnyOther(
        this, [c](const TF2Button* other) { return other->f2Control_ == c; });
}

void TF2Button::SetF2Control(TWinControl* c) {
    if (c && c == f2Control_)
        return;
    if (c && ServedByAnother(c)) {
        MessageDlg(kF2ButtonTaken, mtError, {mbOK});
        return;
    }
    if (f2Control_)
        f2Control_->RemoveFreeNotification(this);
    f2Control_ = c;
    if (c)
        c->FreeNotification(this);
    AlignToControl();
}

void TF2Button::AlignToControl() {
    if (!f2Control_ || !autoAlign_)
        return;
    const TWinControl* c = f2Control_;
    int side = c->Height();
    SetBounds(c->Left() + c->Width() + gap_, c->Top(), side, side);
}

void TF2Button::Click() {
    TGSpeedButton::Click();
    if (!f2Control_ || !f2Control_->Enabled())
        return;
    SendLookupRequest(f2Control_);
}

void TF2Button::Notification(TComponent* component, TOperation operation) {
    TGSpeedButton::Notification(component, operation);
    if (operation == opRemove && component == f2Control_)
        f2Control_ = nullptr;
}
