// Panels, bevels, images and splitters.
#pragma once

#include "StdCtrls.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// Draws a raised or lowered frame of the given width inside r and shrinks r by it.
void Frame3D(TCanvas* canvas, TRect& r, TColor topLeft, TColor bottomRight, int width);

class TCustomPanel : public TCustomControl {
    STEWARD_CLASS(TCustomPanel, TCustomControl)
    explicit TCustomPanel(TComponent* owner);

    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut v);
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut v);
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int v);
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int v);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment v);
    void SetText(const std::string& s) override;

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) const override;

private:
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
    TAlignment alignment_ = taCenter;
};

class TPanel : public TCustomPanel {
    STEWARD_CLASS(TPanel, TCustomPanel)
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

class TBevel : public TGraphicControl {
    STEWARD_CLASS(TBevel, TGraphicControl)
    explicit TBevel(TComponent* owner);
    TBevelShape Shape() const { return shape_; }
    void SetShape(TBevelShape v);
    TBevelStyle Style() const { return style_; }
    void SetStyle(TBevelStyle v);

protected:
    void Paint() override;

private:
    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

class TImage : public TGraphicControl {
    STEWARD_CLASS(TImage, TGraphicControl)
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TBitmap* Picture() const { return picture_.get(); }
    void SetPicture(TBitmap* b) { picture_->Assign(b); }
    bool Stretch() const { return stretch_; }
    void SetStretch(bool v);
    bool Center() const { return center_; }
    void SetCenter(bool v);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool v);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool v);

protected:
    void Paint() override;

private:
    std::unique_ptr<TBitmap> picture_;
    bool stretch_ = false, center_ = false, transparent_ = false, autoSize_ = false;
};

// A bar the user drags to resize the control aligned beside it.
class TSplitter : public TGraphicControl {
    STEWARD_CLASS(TSplitter, TGraphicControl)
    explicit TSplitter(TComponent* owner);
    int MinSize() const { return minSize_; }
    void SetMinSize(int v) { minSize_ = v; }
    // The control it resizes: the one aligned to the same side just before it.
    TControl* FindControl() const;
    // Moves the splitter by delta pixels (as a drag does), resizing that control.
    void MoveBy(int delta);

    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    int minSize_ = 30;
    bool dragging_ = false;
    int dragStart_ = 0;
};
