// TBitCheckBox: a check box painted entirely by the control from three pictures (one per
// state), each a strip of one image or of an enabled and a disabled image.
#pragma once

#include "Accelerator.h"
#include "StdCtrls.h"

#include <memory>

class TBitCheckBox : public TCustomControl {
    STEWARD_CLASS(TBitCheckBox, TCustomControl)
    explicit TBitCheckBox(TComponent* owner);
    ~TBitCheckBox() override;

    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState s);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool v) { SetState(v ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool v) { allowGrayed_ = v; }
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment a);
    bool Ctl3D() const { return ctl3D_; }
    void SetCtl3D(bool v);
    bool ParentCtl3D() const { return parentCtl3D_; }
    void SetParentCtl3D(bool v) { parentCtl3D_ = v; }

    // Pictures per state; assigning null reloads the built-in picture.
    TBitmap* CheckedGlyph() const { return glyph(cbChecked); }
    void SetCheckedGlyph(TBitmap* b) { SetGlyph(cbChecked, b); }
    TBitmap* UncheckedGlyph() const { return glyph(cbUnchecked); }
    void SetUncheckedGlyph(TBitmap* b) { SetGlyph(cbUnchecked, b); }
    TBitmap* GrayedGlyph() const { return glyph(cbGrayed); }
    void SetGrayedGlyph(TBitmap* b) { SetGlyph(cbGrayed, b); }
    int CheckedNumGlyphs() const { return numGlyphs_[cbChecked]; }
    void SetCheckedNumGlyphs(int n) { SetNumGlyphs(cbChecked, n); }
    int UncheckedNumGlyphs() const { return numGlyphs_[cbUnchecked]; }
    void SetUncheckedNumGlyphs(int n) { SetNumGlyphs(cbUnchecked, n); }
    int GrayedNumGlyphs() const { return numGlyphs_[cbGrayed]; }
    void SetGrayedNumGlyphs(int n) { SetNumGlyphs(cbGrayed, n); }

    // unchecked -> grayed (when allowed) or checked; checked -> unchecked; grayed -> checked.
    virtual void Toggle();

    // Geometry the painting uses, exposed for layout checks.
    TRect CaptionRect();
    TRect GlyphRect() const;
    // 0 for the enabled image, 1 for the disabled one.
    int GlyphImageIndex() const;

    // The built-in pictures: 19 x 14 on olive, named "CHECKED", "UNCHECKED", "GRAYED".
    static std::unique_ptr<TBitmap> ResourcePicture(TCheckBoxState state);

    void Click() override;
    bool DoKeyPress(char& key) override;
    void WndProc(TMessage& message) override;

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    bool WidgetEvent(QObject* watched, QEvent* event) override;

private:
    TBitmap* glyph(TCheckBoxState s) const { return glyphs_[s].get(); }
    void SetGlyph(TCheckBoxState s, TBitmap* b);
    void SetNumGlyphs(TCheckBoxState s, int n);
    void PaintCaption(const TRect& r);

    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    bool ctl3D_ = true;
    bool parentCtl3D_ = true;
    std::unique_ptr<TBitmap> glyphs_[3];
    int numGlyphs_[3] = {1, 1, 1};
    std::unique_ptr<TAcceleratorHook> accel_;
};
