#include "KtRadioGroup.h"

#include "TypInfo.h"

#include <QFontMetrics>
#include <algorithm>

namespace {
constexpr int kSideMargin = 10; // width taken by the frame, both sides
constexpr int kButtonLeft = 8;
constexpr int kBottomMargin = 5;
} // namespace

STEWARD_REGISTER_CLASS(TKtGroupButton, [](auto&) {});

TKtGroupButton::TKtGroupButton(TKtRadioGroup* group, int index)
    : TKtRadioButton(nullptr), group_(group) {
    SetVisible(false);
    SetEnabled(group->Enabled());
    SetParentShowHint(false);
    SetParent(group);
    SetTag(index);
}

void TKtGroupButton::Click() {
    if (group_->updating_ || inClick_)
        return;
    inClick_ = true;
    Guard([&] {
        TKtRadioButton::Click();
        group_->ButtonClicked(this);
    });
    inClick_ = false;
}

bool TKtGroupButton::DoKeyDown(WORD& key, TShiftState shift) {
    if (!TKtRadioButton::DoKeyDown(key, shift))
        return false;
    return group_->DoKeyDown(key, shift);
}

bool TKtGroupButton::DoKeyPress(char& key) {
    if (!TKtRadioButton::DoKeyPress(key))
        return false;
    return group_->DoKeyPress(key);
}

STEWARD_REGISTER_CLASS(TKtRadioGroup, [](TPropertyBuilder<TKtRadioGroup>& b) {
    using C = TKtRadioGroup;
    b.Object("Items", &C::Items, &C::SetItems);
    b.Int("ItemIndex", &C::ItemIndex, &C::SetItemIndex);
    b.Int("Columns", &C::Columns, &C::SetColumns);
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
});

TKtRadioGroup::TKtRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), items_(std::make_unique<TStringList>()) {
    items_->OnChange = TNotifyEvent(this, &TKtRadioGroup::ItemsChanged);
}

TKtRadioGroup::~TKtRadioGroup() {
    items_->OnChange = nullptr;
}

void TKtRadioGroup::ItemsChanged(TObject*) {
    if (IsLoading())
        return;
    if (itemIndex_ >= items_->Count())
        itemIndex_ = items_->Count() - 1;
    UpdateButtons();
}

void TKtRadioGroup::UpdateButtons() {
    while (ButtonCount() < items_->Count())
        buttons_.push_back(new TKtGroupButton(this, ButtonCount()));
    while (ButtonCount() > items_->Count()) {
        TKtGroupButton* last = buttons_.back();
        buttons_.pop_back();
        last->Free();
    }
    updating_ = true;
    for (int i = 0; i < ButtonCount(); ++i) {
        buttons_[i]->SetCaption(items_->Get(i));
        buttons_[i]->clicksDisabled_ = true;
        buttons_[i]->SetChecked(i == itemIndex_);
        buttons_[i]->clicksDisabled_ = false;
    }
    updating_ = false;
    ArrangeButtons();
    Invalidate();
}

void TKtRadioGroup::ArrangeButtons() {
    if (IsLoading() || buttons_.empty())
        return;
    int h = QFontMetrics(Font()->ToQFont()).height();
    int n = ButtonCount();
    int rows = (n + columns_ - 1) / columns_;
    int width = (Width() - kSideMargin) / columns_;
    int space = Height() - h - kBottomMargin;
    int height = space / rows;
    int topMargin = h + 1 + (space % rows) / 2;
    for (int i = 0; i < n; ++i) {
        buttons_[i]->SetBounds((i / rows) * width + kButtonLeft, (i % rows) * height + topMargin,
                               width, height);
        buttons_[i]->SetVisible(true);
    }
}

void TKtRadioGroup::SetColumns(int v) {
    v = std::clamp(v, 1, kMaxColumns);
    if (v == columns_)
        return;
    columns_ = v;
    ArrangeButtons();
    Invalidate();
}

void TKtRadioGroup::SetItemIndex(int v) {
    if (IsLoading()) {
        itemIndex_ = v;
        return;
    }
    v = std::clamp(v, -1, ButtonCount() - 1);
    if (v == itemIndex_)
        return;
    updating_ = true;
    if (itemIndex_ >= 0 && itemIndex_ < ButtonCount())
        buttons_[itemIndex_]->SetChecked(false);
    itemIndex_ = v;
    if (v >= 0)
        buttons_[v]->SetChecked(true);
    updating_ = false;
}

void TKtRadioGroup::ButtonClicked(TKtGroupButton* button) {
    auto it = std::find(buttons_.begin(), buttons_.end(), button);
    if (it == buttons_.end())
        return;
    itemIndex_ = static_cast<int>(it - buttons_.begin());
    if (!Quiet() && OnClick)
        OnClick(this);
}

void TKtRadioGroup::SetEnabled(bool v) {
    TCustomGroupBox::SetEnabled(v);
    for (TKtGroupButton* b : buttons_)
        b->SetEnabled(v);
}

void TKtRadioGroup::Loaded() {
    TCustomGroupBox::Loaded();
    if (itemIndex_ >= items_->Count())
        itemIndex_ = items_->Count() - 1;
    UpdateButtons();
}

void TKtRadioGroup::Resized() {
    TCustomGroupBox::Resized();
    ArrangeButtons();
}

void TKtRadioGroup::FontChanged() {
    TCustomGroupBox::FontChanged();
    ArrangeButtons();
}
