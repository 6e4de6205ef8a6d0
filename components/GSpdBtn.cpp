#include "GSpdBtn.h"

#include "Dialogs.h"
#include "TvResD5.h"
#include "TypInfo.h"

#include <string>

STEWARD_REGISTER_CLASS(TGSpeedButton, [](TPropertyBuilder<TGSpeedButton>& b) {
    b.Int("GlyphIndex", &TGSpeedButton::GlyphIndex, &TGSpeedButton::SetGlyphIndex);
    b.Int("HintIndex", &TGSpeedButton::HintIndex, &TGSpeedButton::SetHintIndex);
});

TGSpeedButton::TGSpeedButton(TComponent* owner) : TSpeedButton(owner) {}

void TGSpeedButton::SetGlyphIndex(int n) {
    if (n == glyphIndex_)
        return;
    glyphIndex_ = n;
    SetCaption(std::to_string(n));
    try {
        LoadGlyph(n);
    } catch (...) {
        MessageDlg(kGlyphLoadError, mtError, {mbOK});
    }
}

void TGSpeedButton::LoadGlyph(int n) {
    if (n == 0 || n > GetMaxBmpID()) {
        TBitmap none;
        SetGlyph(&none);
        return;
    }
    TBitmap picture;
    if (!LoadBmp(&picture, n))
        return;
    SetCaption("");
    SetGlyph(&picture);
    if (picture.Height() > 0)
        SetNumGlyphs(picture.Width() / picture.Height());
}
