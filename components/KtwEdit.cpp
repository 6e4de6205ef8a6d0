#include "KtwEdit.h"

#include "DataLink.h"
#include "F2Button.h"
#include "TypInfo.h"

namespace {
constexpr const char* kLabelName = "EditLabel";
constexpr const char* kButtonName = "F2Button";

const TTypeInfo& LabelPositionType() {
    static const TTypeInfo type =
        MakeEnumType("TLabelPosition", {"lpAbove", "lpBelow", "lpLeft", "lpRight"});
    return type;
}
} // namespace

// ---- Label link ---------------------------------------------------------------------------

TEditLabelLink::TEditLabelLink(TWinControl* edit) : edit_(edit), label_(new TLabel(edit)) {
    label_->SetName(kLabelName);
    label_->SetCaption("");
    label_->SetFocusControl(edit);
}

std::string TEditLabelLink::Caption() const {
    return label_ ? label_->Caption() : "";
}

void TEditLabelLink::SetCaption(const std::string& s) {
    if (!label_)
        return;
    label_->SetCaption(s);
    Place();
}

void TEditLabelLink::SetPosition(TLabelPosition p) {
    position_ = p;
    Place();
}

void TEditLabelLink::SetSpacing(int v) {
    if (v < 0)
        return;
    spacing_ = v;
    Place();
}

void TEditLabelLink::Place() {
    if (!label_)
        return;
    const TWinControl* e = edit_;
    int w = label_->Width(), h = label_->Height();
    int left = e->Left(), top = e->Top();
    switch (position_) {
    case lpAbove:
        top = e->Top() - h - spacing_;
        break;
    case lpBelow:
        top = e->Top() + e->Height() + spacing_;
        break;
    case lpLeft:
        left = e->Left() - w - spacing_;
        top = e->Top() + (e->Height() - h) / 2;
        break;
    case lpRight:
        left = e->Left() + e->Width() + spacing_;
        top = e->Top() + (e->Height() - h) / 2;
        break;
    }
    label_->SetBounds(left, top, w, h);
}

void TEditLabelLink::Forget(TComponent* component) {
    if (component == label_)
        label_ = nullptr;
}

void TEditLabelLink::FollowParent(TWinControl* parent) {
    if (!label_)
        return;
    label_->SetParent(parent);
    Place();
}

void TEditLabelLink::FollowEnabled(bool v) {
    if (label_)
        label_->SetEnabled(v);
}

void TEditLabelLink::FollowVisible(bool v) {
    if (label_)
        label_->SetVisible(v);
}

// ---- TKtEdit ------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TKtEdit, [](TPropertyBuilder<TKtEdit>& b) {
    using C = TKtEdit;
    b.Str("Caption", &C::LabelCaption, &C::SetLabelCaption);
    b.Ord("LabelPosition", LabelPositionType(), &C::LabelPosition, &C::SetLabelPosition);
    b.Int("LabelSpacing", &C::LabelSpacing, &C::SetLabelSpacing);
});

TKtEdit::TKtEdit(TComponent* owner) : TEdit(owner), link_(this) {}

void TKtEdit::SetBounds(int left, int top, int width, int height) {
    TEdit::SetBounds(left, top, width, height);
    link_.Place();
}

void TKtEdit::SetParent(TWinControl* parent) {
    TEdit::SetParent(parent);
    link_.FollowParent(parent);
}

void TKtEdit::SetEnabled(bool v) {
    TEdit::SetEnabled(v);
    link_.FollowEnabled(v);
}

void TKtEdit::SetVisible(bool v) {
    TEdit::SetVisible(v);
    link_.FollowVisible(v);
}

void TKtEdit::Notification(TComponent* component, TOperation operation) {
    TEdit::Notification(component, operation);
    if (operation == opRemove)
        link_.Forget(component);
}

// ---- TKtDBEdit ----------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TKtDBEdit, [](TPropertyBuilder<TKtDBEdit>& b) {
    b.Object("DataSource", &TKtDBEdit::DataSource, &TKtDBEdit::SetDataSource);
    b.Str("DataField", &TKtDBEdit::DataField, &TKtDBEdit::SetDataField);
});

void TKtDBEdit::SetDataSource(TComponent* source) {
    if (dataSource_)
        dataSource_->RemoveFreeNotification(this);
    dataSource_ = source;
    if (source)
        source->FreeNotification(this);
}

void TKtDBEdit::SetDataField(const std::string& field) {
    dataField_ = field;
    if (!ComponentState().Contains(csDesigning))
        return;
    std::string label;
    if (auto* source = dynamic_cast<IFieldLabelSource*>(dataSource_);
        source && source->FieldDisplayLabel(field, label))
        SetLabelCaption(label);
}

void TKtDBEdit::Notification(TComponent* component, TOperation operation) {
    TKtEdit::Notification(component, operation);
    if (operation == opRemove && component == dataSource_)
        dataSource_ = nullptr;
}

// ---- TKtBtnDBEdit -------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TKtBtnDBEdit, [](TPropertyBuilder<TKtBtnDBEdit>& b) {
    using C = TKtBtnDBEdit;
    b.Int("ButtonSpacing", &C::ButtonSpacing, &C::SetButtonSpacing);
    b.Int("GlyphIndex", &C::GlyphIndex, &C::SetGlyphIndex);
    b.Str("ButtonHint", &C::ButtonHint, &C::SetButtonHint);
    b.Event("OnDialog", "TNotifyEvent", &C::OnDialog);
});

TKtBtnDBEdit::TKtBtnDBEdit(TComponent* owner) : TKtDBEdit(owner), button_(new TGSpeedButton(this)) {
    button_->SetName(kButtonName);
    button_->SetFlat(true);
    button_->SetGlyphIndex(kLookupGlyph);
    button_->OnClick = TNotifyEvent(this, &TKtBtnDBEdit::ButtonClick);
    PlaceButton();
}

void TKtBtnDBEdit::PlaceButton() {
    if (!button_)
        return;
    button_->SetBounds(Left() + Width() + buttonSpacing_, Top(), Height(), Height());
}

void TKtBtnDBEdit::SetButtonSpacing(int v) {
    buttonSpacing_ = v;
    PlaceButton();
}

void TKtBtnDBEdit::SetGlyphIndex(int n) {
    if (button_)
        button_->SetGlyphIndex(n);
}

void TKtBtnDBEdit::SetButtonHint(const std::string& h) {
    if (button_)
        button_->SetHint(h);
}

void TKtBtnDBEdit::ButtonClick(TObject*) {
    if (OnDialog) {
        OnDialog(this);
        return;
    }
    SendLookupRequest(this);
}

void TKtBtnDBEdit::SetBounds(int left, int top, int width, int height) {
    TKtDBEdit::SetBounds(left, top, width, height);
    PlaceButton();
}

void TKtBtnDBEdit::SetParent(TWinControl* parent) {
    TKtDBEdit::SetParent(parent);
    if (button_)
        button_->SetParent(parent);
    PlaceButton();
}

void TKtBtnDBEdit::SetEnabled(bool v) {
    TKtDBEdit::SetEnabled(v);
    if (button_)
        button_->SetEnabled(v);
}

void TKtBtnDBEdit::SetVisible(bool v) {
    TKtDBEdit::SetVisible(v);
    if (button_)
        button_->SetVisible(v);
}

void TKtBtnDBEdit::Notification(TComponent* component, TOperation operation) {
    TKtDBEdit::Notification(component, operation);
    if (operation == opRemove && component == button_)
        button_ = nullptr;
}
