#include "ExtPage.h"

#include "TypInfo.h"

#include <QFontMetrics>

namespace {
constexpr int kActiveInset = 2;
constexpr int kInactiveDrop = 2;
} // namespace

STEWARD_REGISTER_CLASS(TExtPageControl, [](auto&) {});

TExtPageControl::TExtPageControl(TComponent* owner) : TPageControl(owner) {
    SetOwnerDraw(true);
}

void TExtPageControl::DrawTab(int tabIndex, const TRect& rect, bool active) {
    if (OnDrawTab) {
        OnDrawTab(this, tabIndex, rect, active);
        return;
    }
    TCanvas* c = Canvas();
    TRect r = rect;
    TFontStyles style = c->Font()->Style();
    if (active) {
        r = Rect(r.Left + kActiveInset, r.Top + kActiveInset, r.Right - kActiveInset,
                 r.Bottom - kActiveInset);
        c->Font()->SetColor(clCaptionText);
        c->Font()->SetStyle(style.Include(fsBold));
        c->Brush()->SetColor(clActiveCaption);
    } else {
        c->Font()->SetColor(clInactiveCaptionText);
        c->Font()->SetStyle(style.Exclude(fsBold));
        c->Brush()->SetColor(clInactiveCaption);
    }
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    if (!active)
        r.Top += kInactiveDrop;
    TTabSheet* page = PageForTab(tabIndex);
    if (!page)
        return;
    std::string caption = page->Caption();
    TPoint extent = c->TextExtent(caption);
    c->Brush()->SetStyle(bsClear);
    c->TextRect(r, r.Left + (r.Width() - extent.X) / 2, r.Top + (r.Height() - extent.Y) / 2,
                caption);
}
