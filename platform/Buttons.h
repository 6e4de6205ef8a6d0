// Picture buttons: the bitmap button (a push button with a glyph) and the speed button (a
// flat tool button without a window that toggles within a group).
//
// A glyph is a horizontal strip of up to four equal images: up, disabled, down, stay-down.
// Its transparent colour is the colour of its bottom-left pixel.
#pragma once

#include "StdCtrls.h"

#include <memory>

class QPushButton;

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};
using TNumGlyphs = int; // 1..4

// The image of the strip a button in the given state shows: the state's own image when the
// strip has one, else the up image; a strip without a disabled image is grayed (embossed)
// for the disabled state. Transparent where the strip has its transparent colour. Null for
// an empty glyph.
QImage ButtonGlyphImage(const TBitmap& glyph, TNumGlyphs numGlyphs, TButtonState state);

// Where a glyph and a caption go in a button's client rectangle. margin -1 centres the pair;
// spacing -1 spreads the free space evenly. The caption's rectangle is its text extent.
void CalcButtonLayout(const TRect& client, TPoint glyphSize, TPoint textSize, TButtonLayout layout,
                      int margin, int spacing, TPoint& glyphPos, TRect& textBounds);

// ---------------------------------------------------------------------------------------

class TBitBtn : public TButton {
    STEWARD_CLASS(TBitBtn, TButton)
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    // The picture strip; setting it copies the bitmap and, when the bitmap is a whole number
    // of squares (at most 4), takes that number as NumGlyphs.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TNumGlyphs value);
    // Reads bkCustom once caption-independent settings no longer match the kind (its
    // default/cancel role, modal result, or a glyph of its own).
    TBitBtnKind Kind() const;
    // Sets the kind's caption, modal result, default/cancel role and picture.
    void SetKind(TBitBtnKind value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle value) { style_ = value; }

    // A bkClose button closes its form after OnClick.
    void Click() override;

    // Internal: draws glyph and caption over the widget's bevel.
    void PaintContent(QPainter& painter, bool down);

protected:
    void TextChanged() override;

private:
    void GlyphChanged();
    std::unique_ptr<TBitmap> glyph_;
    TNumGlyphs numGlyphs_ = 1;
    TBitBtnKind kind_ = bkCustom;
    bool ownGlyph_ = false; // a glyph set by the user, not by the kind
    bool settingKind_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    TButtonStyle style_ = bsAutoDetect;
};

// ---------------------------------------------------------------------------------------

// A button without a window that paints itself. With a GroupIndex it stays down when
// clicked and releases the other buttons of the same parent and group; with AllowAllUp a
// down button comes up again when clicked.
class TSpeedButton : public TGraphicControl {
    STEWARD_CLASS(TSpeedButton, TGraphicControl)
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    TBitmap* Glyph() const { return glyph_.get(); }
    // Copies the bitmap; a strip of 1..4 squares sets NumGlyphs.
    void SetGlyph(TBitmap* value);
    TNumGlyphs NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(TNumGlyphs value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    // Without a group the button never stays down; a down button of a group comes up only
    // with AllowAllUp. Going down releases the others of the group.
    void SetDown(bool value);
    bool AllowAllUp() const { return allowAllUp_; }
    // Shared by the whole group.
    void SetAllowAllUp(bool value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    int Margin() const { return margin_; }
    void SetMargin(int value);
    int Spacing() const { return spacing_; }
    void SetSpacing(int value);
    // The state the button paints.
    TButtonState State() const;
    bool MouseInControl() const { return mouseInControl_; }

    // Raises OnClick. Descendants replace the click reaction here; mouse clicks and
    // ClickControl arrive through it after the button has toggled.
    void Click() override;

    void WndProc(TMessage& message) override;
    void Loaded() override;
    bool WidgetEvent(QObject* watched, QEvent* event) override;

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void TextChanged() override { Invalidate(); }

private:
    // Tells the other buttons of the group that this one went down or changed AllowAllUp.
    void UpdateExclusive();
    void ButtonPressed(TSpeedButton* sender);
    std::unique_ptr<TBitmap> glyph_;
    TNumGlyphs numGlyphs_ = 1;
    bool flat_ = false;
    bool transparent_ = true;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    TButtonLayout layout_ = blGlyphLeft;
    int margin_ = -1;
    int spacing_ = 4;
    bool dragging_ = false;
    bool pressedInside_ = false; // pressed and the mouse still over the button
    bool mouseInControl_ = false;
};
