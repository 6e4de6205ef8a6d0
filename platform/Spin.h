// The spin edit: a free-text edit for whole numbers with up/down buttons.
#pragma once

#include "StdCtrls.h"

class QToolButton;

// The text stays free while the user types (it may be blank or a lone "-"); Value reads it
// (MinValue when it is not a number) and, when MaxValue > MinValue, keeps it in the range.
// Leaving the control writes a value out of range back as the clamped value.
class TSpinEdit : public TCustomEdit {
    STEWARD_CLASS(TSpinEdit, TCustomEdit)
    explicit TSpinEdit(TComponent* owner);
    ~TSpinEdit() override;

    int MinValue() const { return minValue_; }
    void SetMinValue(int v) { minValue_ = v; }
    int MaxValue() const { return maxValue_; }
    void SetMaxValue(int v) { maxValue_ = v; }
    int Value() const;
    // Writes the value, clamped, as the text.
    void SetValue(int v);
    int Increment() const { return increment_; }
    void SetIncrement(int v) { increment_ = v; }
    // False: only the buttons and arrow keys change the value.
    bool EditorEnabled() const { return editorEnabled_; }
    void SetEditorEnabled(bool v) { editorEnabled_ = v; }

    // Value + Increment / Value - Increment (nothing when read-only).
    virtual void UpClick();
    virtual void DownClick();

    // Up and Down step the value after OnKeyDown, unless it consumed the key.
    bool DoKeyDown(WORD& key, TShiftState shift) override;
    // Characters other than digits, signs and control keys are refused before OnKeyPress
    // (with EditorEnabled false every typed character is).
    bool DoKeyPress(char& key) override;
    void DoExit() override;

    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

protected:
    // Whether a typed character may reach the text.
    virtual bool IsValidChar(char key) const;
    int CheckValue(int v) const;
    void Resized() override;

private:
    void PlaceButtons();
    QToolButton* up_ = nullptr;
    QToolButton* down_ = nullptr;
    int minValue_ = 0;
    int maxValue_ = 0;
    int increment_ = 1;
    bool editorEnabled_ = true;
};
