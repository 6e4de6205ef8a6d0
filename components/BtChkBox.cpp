#include "BtChkBox.h"

#include "TypInfo.h"

#include <QEvent>
#include <QImage>
#include <QPainter>
#include <algorithm>

namespace {
constexpr int kDefaultWidth = 97;
constexpr int kDefaultHeight = 17;
constexpr int kCaptionGap = 4;        // between the picture and the caption
constexpr int kLeftCaptionIndent = 1; // caption at the left (taLeftJustify)
constexpr int kPictureWidth = 19;
constexpr int kPictureHeight = 14;
const QColor kOlive(128, 128, 0);
const QColor kTickBlue(0, 0, 255);

// The sunken box every picture shares: a 12 x 12 field with a two-pixel 3D frame.
void DrawSunkenBox(QPainter& p) {
    const int l = 2, t = 1, r = 14, b = 13; // inclusive edges
    p.setPen(QColor(128, 128, 128));
    p.drawLine(l, t, r - 1, t);
    p.drawLine(l, t, l, b - 1);
    p.setPen(QColor(0, 0, 0));
    p.drawLine(l + 1, t + 1, r - 2, t + 1);
    p.drawLine(l + 1, t + 1, l + 1, b - 2);
    p.setPen(QColor(255, 255, 255));
    p.drawLine(l, b, r, b);
    p.drawLine(r, t, r, b);
    p.setPen(QColor(192, 192, 192));
    p.drawLine(l + 1, b - 1, r - 1, b - 1);
    p.drawLine(r - 1, t + 1, r - 1, b - 1);
    p.fillRect(QRect(l + 2, t + 2, r - l - 3, b - t - 3), Qt::white);
}

void DrawTick(QPainter& p) {
    // Two strokes three pixels thick; the long one reaches over the box's top right corner.
    p.setPen(kTickBlue);
    for (int d = 0; d < 3; ++d) {
        p.drawLine(5, 6 + d, 7, 8 + d);
        p.drawLine(7, 8 + d, 16, -1 + d);
    }
}

void DrawQuestion(QPainter& p) {
    p.setPen(kTickBlue);
    p.drawLine(6, 4, 7, 3);
    p.drawLine(7, 3, 10, 3);
    p.drawLine(10, 3, 11, 4);
    p.drawLine(11, 4, 11, 6);
    p.drawLine(11, 6, 9, 8);
    p.drawLine(9, 8, 9, 9);
    p.drawPoint(9, 11);
    p.drawPoint(8, 11);
    p.drawLine(6, 4, 6, 5);
}
} // namespace

STEWARD_REGISTER_CLASS(TBitCheckBox, [](TPropertyBuilder<TBitCheckBox>& b) {
    static const TTypeInfo& state =
        b.Own(MakeEnumType("TCheckBoxState", {"cbUnchecked", "cbChecked", "cbGrayed"}));
    static const TTypeInfo& align =
        b.Own(MakeEnumType("TLeftRight", {"taLeftJustify", "taRightJustify"}));
    using C = TBitCheckBox;
    b.Ord("State", state, &C::State, &C::SetState);
    b.Bool("Checked", &C::Checked, &C::SetChecked);
    b.Bool("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed);
    b.Ord("Alignment", align, &C::Alignment, &C::SetAlignment);
    b.Object("CheckedGlyph", &C::CheckedGlyph, &C::SetCheckedGlyph);
    b.Object("UncheckedGlyph", &C::UncheckedGlyph, &C::SetUncheckedGlyph);
    b.Object("GrayedGlyph", &C::GrayedGlyph, &C::SetGrayedGlyph);
    b.Int("CheckedNumGlyphs", &C::CheckedNumGlyphs, &C::SetCheckedNumGlyphs);
    b.Int("UncheckedNumGlyphs", &C::UncheckedNumGlyphs, &C::SetUncheckedNumGlyphs);
    b.Int("GrayedNumGlyphs", &C::GrayedNumGlyphs, &C::SetGrayedNumGlyphs);
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Bool("Ctl3D", &C::Ctl3D, &C::SetCtl3D);
    b.Bool("ParentCtl3D", &C::ParentCtl3D, &C::SetParentCtl3D);
    b.Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder);
    b.Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
});

TBitCheckBox::TBitCheckBox(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, kDefaultWidth, kDefaultHeight);
    SetTabStop(true);
    for (auto s : {cbUnchecked, cbChecked, cbGrayed})
        glyphs_[s] = ResourcePicture(s);
    accel_ = std::make_unique<TAcceleratorHook>(this);
}

TBitCheckBox::~TBitCheckBox() = default;

std::unique_ptr<TBitmap> TBitCheckBox::ResourcePicture(TCheckBoxState state) {
    QImage img(kPictureWidth, kPictureHeight, QImage::Format_RGB32);
    img.fill(kOlive);
    {
        QPainter p(&img);
        DrawSunkenBox(p);
        if (state == cbChecked)
            DrawTick(p);
        else if (state == cbGrayed)
            DrawQuestion(p);
    }
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetImage(img);
    return bmp;
}

void TBitCheckBox::SetState(TCheckBoxState s) {
    if (s == state_)
        return;
    state_ = s;
    Invalidate();
}

void TBitCheckBox::SetAlignment(TAlignment a) {
    if (a == alignment_)
        return;
    alignment_ = a;
    Invalidate();
}

void TBitCheckBox::SetCtl3D(bool v) {
    if (v == ctl3D_)
        return;
    ctl3D_ = v;
    parentCtl3D_ = false;
    Invalidate();
    AlignControls();
}

void TBitCheckBox::SetGlyph(TCheckBoxState s, TBitmap* b) {
    if (b && !b->Empty()) {
        glyphs_[s] = std::make_unique<TBitmap>();
        glyphs_[s]->Assign(b);
    } else {
        // The built-in pictures hold one image; a count kept from a strip would cut them.
        glyphs_[s] = ResourcePicture(s);
        numGlyphs_[s] = 1;
    }
    const TBitmap* g = glyphs_[s].get();
    if (g->Height() > 0 && g->Width() % g->Height() == 0)
        SetNumGlyphs(s, g->Width() / g->Height());
    Invalidate();
}

void TBitCheckBox::SetNumGlyphs(TCheckBoxState s, int n) {
    numGlyphs_[s] = std::clamp(n, 1, 2);
    Invalidate();
}

void TBitCheckBox::Toggle() {
    switch (state_) {
    case cbUnchecked:
        SetState(allowGrayed_ ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbChecked);
        break;
    }
}

void TBitCheckBox::Click() {
    Toggle();
    TCustomControl::Click();
    if (CanFocus())
        SetFocus();
}

bool TBitCheckBox::DoKeyPress(char& key) {
    if (!TCustomControl::DoKeyPress(key))
        return false;
    if (key != ' ')
        return true;
    Click();
    return true;
}

void TBitCheckBox::WndProc(TMessage& m) {
    switch (m.Msg) {
    case CM_DIALOGCHAR:
        // The accelerator focuses and toggles, without OnClick.
        if (Enabled() && CanFocus()) {
            SetFocus();
            if (Focused())
                Toggle();
        }
        m.Result = 1;
        return;
    case CM_ENABLEDCHANGED:
    case CM_ENTER:
    case CM_EXIT:
        Invalidate();
        break;
    default:
        break;
    }
    TCustomControl::WndProc(m);
}

void TBitCheckBox::TextChanged() {
    accel_->Update(Caption());
    Invalidate();
}

void TBitCheckBox::FontChanged() {
    TCustomControl::FontChanged();
    Invalidate();
}

bool TBitCheckBox::WidgetEvent(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)
        Invalidate();
    return TCustomControl::WidgetEvent(watched, event);
}

TRect TBitCheckBox::CaptionRect() {
    const TBitmap* g = glyph(state_);
    int w = g->Width() / numGlyphs_[state_];
    std::string caption = Caption();
    TCanvas* c = Canvas();
    c->Font()->Assign(Font());
    TPoint extent = c->TextExtent(caption);
    TRect r;
    r.Left = alignment_ == taRightJustify ? w + kCaptionGap : kLeftCaptionIndent;
    r.Right = r.Left + extent.X;
    if (caption.find('&') != std::string::npos)
        r.Right -= c->TextWidth("&");
    r.Top = (ClientHeight() - extent.Y) / 2 - 2;
    r.Bottom = r.Top + extent.Y + 3;
    r.Left = std::max(r.Left, 0);
    r.Top = std::max(r.Top, 0);
    r.Right = std::min(r.Right, ClientWidth());
    r.Bottom = std::min(r.Bottom, ClientHeight());
    return r;
}

TRect TBitCheckBox::GlyphRect() const {
    const TBitmap* g = glyph(state_);
    int w = g->Width() / numGlyphs_[state_];
    int left = alignment_ == taRightJustify ? 0 : ClientWidth() - w;
    int top = (ClientHeight() - g->Height()) / 2;
    return Bounds(left, top, w, g->Height());
}

int TBitCheckBox::GlyphImageIndex() const {
    return !EnabledInParents() && numGlyphs_[state_] == 2 ? 1 : 0;
}

void TBitCheckBox::PaintCaption(const TRect& r) {
    TCanvas* c = Canvas();
    TAccelText text = StripAccel(Caption());
    int y = r.Top + (r.Height() - c->TextHeight(text.shown)) / 2;
    auto draw = [&](int dx, TColor color) {
        c->Font()->SetColor(color);
        c->Brush()->SetStyle(bsClear);
        c->TextRect(Rect(r.Left + dx, r.Top + dx, r.Right + dx, r.Bottom + dx), r.Left + dx, y + dx,
                    text.shown);
        if (text.marked < 0)
            return;
        int x0 = r.Left + dx + c->TextWidth(text.shown.substr(0, text.marked));
        int x1 = x0 + c->TextWidth(
                          text.shown.substr(text.marked, Utf8CharLength(text.shown, text.marked)));
        int base = y + dx + c->TextHeight(text.shown) - 2;
        c->Pen()->SetColor(color);
        c->Pen()->SetStyle(psSolid);
        c->MoveTo(x0, base);
        c->LineTo(x1 - 1, base);
    };
    if (EnabledInParents()) {
        draw(0, Font()->Color());
        return;
    }
    if (ctl3D_)
        draw(1, clBtnHighlight);
    draw(0, clGrayText);
}

void TBitCheckBox::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(ClientRect());

    TRect cr = CaptionRect();
    PaintCaption(cr);
    if (Focused()) {
        TRect f = cr;
        if (f.Left > 0)
            --f.Left;
        if (f.Top > 0)
            --f.Top;
        ++f.Right;
        if (f.Bottom < Height())
            ++f.Bottom;
        c->Brush()->SetStyle(bsClear);
        c->Pen()->SetColor(clWindowText);
        c->Pen()->SetStyle(psDot);
        c->Rectangle(f);
    }

    TBitmap* g = glyph(state_);
    TRect gr = GlyphRect();
    TBitmap image;
    image.SetImage(g->Image().copy(GlyphImageIndex() * gr.Width(), 0, gr.Width(), g->Height()));
    image.SetTransparent(true);
    c->Draw(gr.Left, gr.Top, &image);
}
