// Edits that carry their own caption label ("EditLabel"): TKtEdit, the data-aware
// TKtDBEdit, and TKtBtnDBEdit with a lookup button ("F2Button") at its right.
#pragma once

#include "GSpdBtn.h"
#include "StdCtrls.h"

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The label half every labelled edit shares.
class TEditLabelLink {
public:
    explicit TEditLabelLink(TWinControl* edit);
    TLabel* Label() const { return label_; }
    std::string Caption() const;
    void SetCaption(const std::string& s);
    TLabelPosition Position() const { return position_; }
    void SetPosition(TLabelPosition p);
    int Spacing() const { return spacing_; }
    void SetSpacing(int v);
    void Place();
    void Forget(TComponent* component);
    void FollowParent(TWinControl* parent);
    void FollowEnabled(bool v);
    void FollowVisible(bool v);

private:
    TWinControl* edit_;
    TLabel* label_;
    TLabelPosition position_ = lpLeft;
    int spacing_ = 4;
};

class TKtEdit : public TEdit {
    STEWARD_CLASS(TKtEdit, TEdit)
    explicit TKtEdit(TComponent* owner);

    TLabel* EditLabel() const { return link_.Label(); }
    std::string LabelCaption() const { return link_.Caption(); }
    void SetLabelCaption(const std::string& s) { link_.SetCaption(s); }
    TLabelPosition LabelPosition() const { return link_.Position(); }
    void SetLabelPosition(TLabelPosition p) { link_.SetPosition(p); }
    int LabelSpacing() const { return link_.Spacing(); }
    void SetLabelSpacing(int v) { link_.SetSpacing(v); }

    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void SetEnabled(bool v) override;
    void SetVisible(bool v) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TEditLabelLink link_;
};

class TKtDBEdit : public TKtEdit {
    STEWARD_CLASS(TKtDBEdit, TKtEdit)
    explicit TKtDBEdit(TComponent* owner) : TKtEdit(owner) {}

    TComponent* DataSource() const { return dataSource_; }
    void SetDataSource(TComponent* source);
    const std::string& DataField() const { return dataField_; }
    // At design time a bound field's display label becomes the caption.
    void SetDataField(const std::string& field);

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TComponent* dataSource_ = nullptr;
    std::string dataField_;
};

class TKtBtnDBEdit : public TKtDBEdit {
    STEWARD_CLASS(TKtBtnDBEdit, TKtDBEdit)
    explicit TKtBtnDBEdit(TComponent* owner);

    TGSpeedButton* Button() const { return button_; }
    int ButtonSpacing() const { return buttonSpacing_; }
    void SetButtonSpacing(int v);
    int GlyphIndex() const { return button_ ? button_->GlyphIndex() : 0; }
    void SetGlyphIndex(int n);
    std::string ButtonHint() const { return button_ ? button_->Hint() : ""; }
    void SetButtonHint(const std::string& h);

    // Replaces the lookup request on a button click (Sender = the edit).
    TNotifyEvent OnDialog;

    void SetBounds(int left, int top, int width, int height) override;
    void SetParent(TWinControl* parent) override;
    void SetEnabled(bool v) override;
    void SetVisible(bool v) override;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void PlaceButton();
    void ButtonClick(TObject*);
    TGSpeedButton* button_ = nullptr;
    int buttonSpacing_ = 2;
};
