// TGSpeedButton: a flat tool button whose picture is fetched by number from the suite's
// glyph library (TvResD5) instead of being stored with the form.
#pragma once

#include "Buttons.h"

class TGSpeedButton : public TSpeedButton {
    STEWARD_CLASS(TGSpeedButton, TSpeedButton)
    explicit TGSpeedButton(TComponent* owner);

    int GlyphIndex() const { return glyphIndex_; }
    // Loads picture n; while none is loaded the caption shows the number.
    void SetGlyphIndex(int n);
    // Kept with the form; it has no effect.
    int HintIndex() const { return hintIndex_; }
    void SetHintIndex(int n) { hintIndex_ = n; }

private:
    void LoadGlyph(int n);
    int glyphIndex_ = 0;
    int hintIndex_ = 0;
};

// The message shown when the glyph library fails while loading a picture.
inline constexpr const char* kGlyphLoadError = "读取 BMP 发生错误";
