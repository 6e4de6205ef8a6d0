// TKtRadioGroup: a group box of TKtGroupButtons, one per item, arranged in columns.
#pragma once

#include "KtRadioButton.h"

#include <memory>
#include <vector>

class TKtRadioGroup;

// An item button of a TKtRadioGroup: its clicks and keys go to the group.
class TKtGroupButton : public TKtRadioButton {
    STEWARD_CLASS(TKtGroupButton, TKtRadioButton)
    TKtGroupButton(TKtRadioGroup* group, int index);
    void Click() override;
    bool DoKeyDown(WORD& key, TShiftState shift) override;
    bool DoKeyPress(char& key) override;

private:
    friend class TKtRadioGroup;
    TKtRadioGroup* group_;
    bool inClick_ = false;
};

class TKtRadioGroup : public TCustomGroupBox {
    STEWARD_CLASS(TKtRadioGroup, TCustomGroupBox)
    explicit TKtRadioGroup(TComponent* owner);
    ~TKtRadioGroup() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int v);
    int Columns() const { return columns_; }
    void SetColumns(int v);

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    TKtGroupButton* Buttons(int i) const { return buttons_.at(i); }

    void SetEnabled(bool v) override;
    void Loaded() override;

    static constexpr int kMaxColumns = 16;

protected:
    void Resized() override;
    void FontChanged() override;

private:
    friend class TKtGroupButton;
    void ItemsChanged(TObject*);
    void UpdateButtons();
    void ArrangeButtons();
    void ButtonClicked(TKtGroupButton* button);
    std::unique_ptr<TStringList> items_;
    std::vector<TKtGroupButton*> buttons_;
    int itemIndex_ = -1;
    int columns_ = 1;
    bool updating_ = false;
};
