#include "DBLabel.h"

#include "DataLink.h"
#include "Dialogs.h"
#include "FormPeers.h"
#include "TypInfo.h"

#include <algorithm>

namespace {
constexpr const char* kDefaultCaption = "挂靠标签";
} // namespace

STEWARD_REGISTER_CLASS(TDBLabel, [](TPropertyBuilder<TDBLabel>& b) {
    static const TTypeInfo& pos =
        b.Own(MakeEnumType("TPos", {"psTop", "psLeft", "psRight", "psBottom"}));
    using C = TDBLabel;
    b.Object("FocusControl", &C::FocusControl, &C::SetFocusControl);
    b.Bool("AutoAlign", &C::AutoAlign, &C::SetAutoAlign);
    b.Bool("AutoCaption", &C::AutoCaption, &C::SetAutoCaption);
    b.Ord("Pos", pos, &C::Pos, &C::SetPos);
    b.Int("Gap", &C::Gap, &C::SetGap);
});

TDBLabel::TDBLabel(TComponent* owner) : TLabel(owner) {
    SetCaption(kDefaultCaption);
    TFormPeers<TDBLabel>::Add(this);
}

TDBLabel::~TDBLabel() {
    TFormPeers<TDBLabel>::Remove(this);
}

bool TDBLabel::AttachedElsewhere(const TWinControl* c) const {
    return TFormPeers<TDBLabel>::AnyOther(
        this, [c](const TDBLabel* other) { return other->FocusControl() == c; });
}

void TDBLabel::SetFocusControl(TWinControl* c) {
    if (c && c == FocusControl())
        return;
    if (c && AttachedElsewhere(c)) {
        MessageDlg(kDBLabelTaken, mtError, {mbOK});
        return;
    }
    TLabel::SetFocusControl(c);
    if (c)
        RefreshAttachment();
}

void TDBLabel::SetAutoAlign(bool v) {
    autoAlign_ = v;
    RefreshAttachment();
}

void TDBLabel::SetAutoCaption(bool v) {
    autoCaption_ = v;
    RefreshAttachment();
}

void TDBLabel::SetPos(TPos v) {
    if (v == pos_)
        return;
    pos_ = v;
    RefreshAttachment();
}

void TDBLabel::SetGap(int v) {
    auto gap = static_cast<std::uint8_t>(std::clamp(v, 0, 255));
    if (gap == gap_)
        return;
    gap_ = gap;
    RefreshAttachment();
}

void TDBLabel::RefreshAttachment() {
    TakeFieldCaption();
    PlaceBesideControl();
}

void TDBLabel::TakeFieldCaption() {
    TWinControl* c = FocusControl();
    if (!autoCaption_ || !c)
        return;
    const TPropInfo* prop = GetPropInfo(c, "DataSource");
    if (!prop || prop->Kind() != tkClass)
        return;
    try {
        auto* source = dynamic_cast<IFieldLabelSource*>(GetObjectProp(c, "DataSource"));
        if (!source)
            return;
        std::string label;
        if (source->FieldDisplayLabel(GetStrPropByName(c, "DataField"), label))
            SetCaption(label);
    } catch (const Exception&) {
        // A missing field leaves the caption as it is.
    }
}

void TDBLabel::PlaceBesideControl() {
    const TWinControl* c = FocusControl();
    if (!c || !autoAlign_)
        return;
    int left = Left();
    int top = Top();
    switch (pos_) {
    case psTop:
        left = c->Left();
        top = c->Top() - Height() - gap_;
        break;
    case psBottom:
        left = c->Left();
        top = c->Top() + c->Height() + gap_;
        break;
    case psLeft:
    case psRight:
        top = c->Height() == Height() ? c->Top() : c->Top() + c->Height() / 2 - Height() / 2;
        left = pos_ == psLeft ? c->Left() - Width() - gap_ : c->Left() + c->Width() + gap_;
        left = std::max(left, 0);
        break;
    }
    SetBounds(left, std::max(top, 0), Width(), Height());
}
