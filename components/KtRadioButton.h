// TKtRadioButton: a radio button that draws its caption itself, so the caption keeps its
// font colour and background also when the button is disabled. Checking one unchecks the
// other TKtRadioButtons of the same parent (platform radio buttons are left alone).
#pragma once

#include "Accelerator.h"
#include "StdCtrls.h"

#include <memory>

class QRadioButton;

class TKtRadioButton : public TButtonControl {
    STEWARD_CLASS(TKtRadioButton, TButtonControl)
    explicit TKtRadioButton(TComponent* owner);
    ~TKtRadioButton() override;

    virtual bool GetChecked() const { return checked_; }
    virtual void SetChecked(bool v);
    bool Checked() const { return GetChecked(); }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);

    std::string GetText() const override { return caption_; }
    void SetText(const std::string& s) override;

    // Where the caption starts for a font of that many points.
    static int CaptionOffset(int points);
    // The caption's area as painted (filled with Color, 4-pixel margin included).
    TRect CaptionArea() const;

    void WndProc(TMessage& message) override;
    QRadioButton* RadioButton() const;

    // Internal: paints the caption over the button the widget drew.
    void PaintCaption(QPainter& painter);

protected:
    void MouseClick() override { SetChecked(true); }
    // While true, checking raises no OnClick.
    bool clicksDisabled_ = false;

private:
    bool checked_ = false;
    std::string caption_;
    TAlignment alignment_ = taRightJustify;
    std::unique_ptr<TAcceleratorHook> accel_;
};
