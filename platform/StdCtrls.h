// Standard controls: label, edit, memo, button, check box, radio button, group box, combo
// box and list box.
#pragma once

#include "Controls.h"
#include "Forms.h"

#include <vector>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class QRadioButton;
class QGroupBox;
class QComboBox;
class QListWidget;

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TOwnerDrawStateItem { odSelected, odGrayed, odDisabled, odChecked, odFocused };
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent =
    TEvent<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = TEvent<void(TWinControl* Control, int Index, int& Height)>;

// A string list that lives in a widget (combo box items, list box items, memo lines).
class TWidgetStrings : public TStrings {
    STEWARD_CLASS(TWidgetStrings, TStrings)
    TObject* GetObject(int index) const override;
    void PutObject(int index, TObject* obj) override;

protected:
    void ObjInsert(int index) { objects_.insert(objects_.begin() + index, nullptr); }
    void ObjDelete(int index) { objects_.erase(objects_.begin() + index); }
    void ObjClear() { objects_.clear(); }

private:
    std::vector<TObject*> objects_;
};

// ---------------------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
    STEWARD_CLASS(TCustomLabel, TGraphicControl)
    explicit TCustomLabel(TComponent* owner);
    ~TCustomLabel() override;

    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    TTextLayout Layout() const { return layout_; }
    void SetLayout(TTextLayout v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* c);
    void AdjustSize();

    void Loaded() override;

protected:
    void TextChanged() override;
    void FontChanged() override;
    void ApplyColor() override;
    void Notification(TComponent* component, TOperation operation) override;
    QLabel* Label() const;

private:
    void UpdateLabel();
    bool autoSize_ = true;
    TAlignment alignment_ = taLeftJustify;
    TTextLayout layout_ = tlTop;
    bool wordWrap_ = false;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    TWinControl* focusControl_ = nullptr;
};

class TLabel : public TCustomLabel {
    STEWARD_CLASS(TLabel, TCustomLabel)
    explicit TLabel(TComponent* owner) : TCustomLabel(owner) {}
};

// ---------------------------------------------------------------------------------------

class TCustomEdit : public TWinControl {
    STEWARD_CLASS(TCustomEdit, TWinControl)
    explicit TCustomEdit(TComponent* owner);

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    char PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(char c);
    TEditCharCase CharCase() const { return charCase_; }
    void SetCharCase(TEditCharCase v);
    bool AutoSelect() const { return autoSelect_; }
    void SetAutoSelect(bool v) { autoSelect_ = v; }
    TBorderStyle BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(TBorderStyle v);
    // Selection in characters (not bytes).
    int SelStart() const;
    void SetSelStart(int v);
    int SelLength() const;
    void SetSelLength(int v);
    std::string SelText() const;
    void SetSelText(const std::string& s);
    void SelectAll();
    void Clear() { SetText(""); }
    bool Modified() const { return modified_; }
    void SetModified(bool v) { modified_ = v; }
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();

    TNotifyEvent OnChange;

    QLineEdit* LineEdit() const;
    void DoEnter() override;

protected:
    TCustomEdit(TComponent* owner, QLineEdit* edit);
    virtual void Change();
    int ColorRole() const override;

private:
    void Init();
    int maxLength_ = 0;
    char passwordChar_ = 0;
    TEditCharCase charCase_ = ecNormal;
    bool autoSelect_ = true;
    bool modified_ = false;
    bool applyingCase_ = false;
    TBorderStyle borderStyle_ = bsSingle;
};

class TEdit : public TCustomEdit {
    STEWARD_CLASS(TEdit, TCustomEdit)
    explicit TEdit(TComponent* owner) : TCustomEdit(owner) {}

protected:
    TEdit(TComponent* owner, QLineEdit* edit) : TCustomEdit(owner, edit) {}
};

// ---------------------------------------------------------------------------------------

class TMemo : public TWinControl {
    STEWARD_CLASS(TMemo, TWinControl)
    explicit TMemo(TComponent* owner);
    ~TMemo() override;

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* s) { lines_->Assign(s); }
    bool ReadOnly() const;
    void SetReadOnly(bool v);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool v);
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool v) { wantReturns_ = v; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool v) { wantTabs_ = v; }
    TScrollStyle ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollStyle v);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v) { maxLength_ = v; }
    // Caret: X the column, Y the line (both from 0).
    TPoint CaretPos() const;
    void SetCaretPos(TPoint p);
    void Clear() { SetText(""); }
    bool WantsKey(WORD key, TShiftState shift) const override;

    TNotifyEvent OnChange;

    QPlainTextEdit* Editor() const;

protected:
    int ColorRole() const override;

private:
    std::unique_ptr<TStrings> lines_;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
    TScrollStyle scrollBars_ = ssNone;
    int maxLength_ = 0;
};

// ---------------------------------------------------------------------------------------

class TButtonControl : public TWinControl {
    STEWARD_CLASS(TButtonControl, TWinControl)

protected:
    TButtonControl(TComponent* owner, QWidget* widget);
    // The reaction to a click delivered as mouse messages (ClickControl).
    virtual void MouseClick() { Click(); }
    void WndProc(TMessage& message) override;

private:
    bool pressed_ = false;
};

class TButton : public TButtonControl {
    STEWARD_CLASS(TButton, TButtonControl)
    explicit TButton(TComponent* owner);

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    bool Default() const { return default_; }
    void SetDefault(bool v);
    bool Cancel() const { return cancel_; }
    void SetCancel(bool v) { cancel_ = v; }
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult v) { modalResult_ = v; }

    // Sets the form's modal result, then raises OnClick.
    void Click() override;
    bool DialogKey(WORD key, TShiftState shift) override;
    bool WantsKey(WORD key, TShiftState shift) const override;
    bool DoKeyDown(WORD& key, TShiftState shift) override;

    QPushButton* PushButton() const;

protected:
    TButton(TComponent* owner, QPushButton* button);

private:
    void Init();
    bool default_ = false;
    bool cancel_ = false;
    TModalResult modalResult_ = mrNone;
};

class TCheckBox : public TButtonControl {
    STEWARD_CLASS(TCheckBox, TButtonControl)
    explicit TCheckBox(TComponent* owner);

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    bool Checked() const { return State() == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const;
    void SetState(TCheckBoxState s);
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    // The next state (unchecked → checked → grayed when allowed → unchecked); raises OnClick.
    virtual void Toggle();

    QCheckBox* CheckBox() const;

protected:
    void MouseClick() override { Toggle(); }

private:
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    bool setting_ = false;
};

class TRadioButton : public TButtonControl {
    STEWARD_CLASS(TRadioButton, TButtonControl)
    explicit TRadioButton(TComponent* owner);

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    bool Checked() const;
    // Checking unchecks the other radio buttons of the same parent and raises OnClick.
    void SetChecked(bool v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

    QRadioButton* RadioButton() const;

protected:
    void MouseClick() override { SetChecked(true); }

private:
    TAlignment alignment_ = taRightJustify;
    bool setting_ = false;
};

// ---------------------------------------------------------------------------------------

class TCustomGroupBox : public TWinControl {
    STEWARD_CLASS(TCustomGroupBox, TWinControl)
    explicit TCustomGroupBox(TComponent* owner);
    std::string GetText() const override;
    void SetText(const std::string& s) override;
    QGroupBox* GroupBox() const;

protected:
    void AdjustClientRect(TRect& rect) const override;
};

class TGroupBox : public TCustomGroupBox {
    STEWARD_CLASS(TGroupBox, TCustomGroupBox)
    explicit TGroupBox(TComponent* owner) : TCustomGroupBox(owner) {}
};

// ---------------------------------------------------------------------------------------

class TCustomComboBox : public TWinControl {
    STEWARD_CLASS(TCustomComboBox, TWinControl)
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    std::string GetText() const override;
    void SetText(const std::string& s) override;
    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle s);
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const;
    void SetItemIndex(int i);
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int v);
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int v);
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int v) { itemHeight_ = v; }
    bool DroppedDown() const;
    void SetDroppedDown(bool v);
    void Clear();
    bool WantsKey(WORD key, TShiftState shift) const override;

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    QComboBox* ComboBox() const;

protected:
    virtual void Change();
    int ColorRole() const override;

private:
    void SortItems();
    std::unique_ptr<TStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
    bool sorted_ = false;
    int maxLength_ = 0;
    int itemHeight_ = 16;
};

class TComboBox : public TCustomComboBox {
    STEWARD_CLASS(TComboBox, TCustomComboBox)
    explicit TComboBox(TComponent* owner) : TCustomComboBox(owner) {}
};

class TCustomListBox : public TWinControl {
    STEWARD_CLASS(TCustomListBox, TWinControl)
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* s) { items_->Assign(s); }
    int ItemIndex() const;
    void SetItemIndex(int i);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool v);
    bool Selected(int index) const;
    void SetSelected(int index, bool v);
    int SelCount() const;
    bool Sorted() const { return sorted_; }
    void SetSorted(bool v);
    TListBoxStyle Style() const { return style_; }
    void SetStyle(TListBoxStyle s) { style_ = s; }
    int ItemHeight() const { return itemHeight_; }
    void SetItemHeight(int v) { itemHeight_ = v; }
    int TopIndex() const;
    void Clear();

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    QListWidget* ListWidget() const;

protected:
    int ColorRole() const override;

private:
    std::unique_ptr<TStrings> items_;
    bool multiSelect_ = false;
    bool sorted_ = false;
    bool programmatic_ = false;
    TListBoxStyle style_ = lbStandard;
    int itemHeight_ = 16;
};

class TListBox : public TCustomListBox {
    STEWARD_CLASS(TListBox, TCustomListBox)
    explicit TListBox(TComponent* owner) : TCustomListBox(owner) {}
};
