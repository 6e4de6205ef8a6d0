#include "ExtCtrls.h"

#include "TypInfo.h"

#include <QWidget>
#include <algorithm>

void Frame3D(TCanvas* canvas, TRect& r, TColor topLeft, TColor bottomRight, int width) {
    for (int i = 0; i < width; ++i) {
        canvas->Pen()->SetColor(topLeft);
        canvas->MoveTo(r.Left, r.Bottom - 1);
        canvas->LineTo(r.Left, r.Top);
        canvas->LineTo(r.Right - 1, r.Top);
        canvas->Pen()->SetColor(bottomRight);
        canvas->MoveTo(r.Right - 1, r.Top);
        canvas->LineTo(r.Right - 1, r.Bottom - 1);
        canvas->LineTo(r.Left - 1, r.Bottom - 1);
        r.Left += 1;
        r.Top += 1;
        r.Right -= 1;
        r.Bottom -= 1;
    }
}

namespace {
const TTypeInfo& BevelCutType() {
    static const TTypeInfo t =
        MakeEnumType("TPanelBevel", {"bvNone", "bvLowered", "bvRaised", "bvSpace"});
    return t;
}
} // namespace

STEWARD_REGISTER_CLASS(TCustomPanel, [](TPropertyBuilder<TCustomPanel>& b) {
    const TTypeInfo& alignment = TypeInfoAlignment();
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Ord("BevelOuter", BevelCutType(), &TCustomPanel::BevelOuter, &TCustomPanel::SetBevelOuter);
    b.Ord("BevelInner", BevelCutType(), &TCustomPanel::BevelInner, &TCustomPanel::SetBevelInner);
    b.Int("BevelWidth", &TCustomPanel::BevelWidth, &TCustomPanel::SetBevelWidth);
    b.Int("BorderWidth", &TCustomPanel::BorderWidth, &TCustomPanel::SetBorderWidth);
    b.Ord("Alignment", alignment, &TCustomPanel::Alignment, &TCustomPanel::SetAlignment);
});
STEWARD_REGISTER_CLASS(TPanel, [](auto&) {});

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 185, 41);
}

void TCustomPanel::SetText(const std::string& s) {
    TCustomControl::SetText(s);
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut v) {
    bevelOuter_ = v;
    AlignControls();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
    bevelInner_ = v;
    AlignControls();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int v) {
    bevelWidth_ = std::max(1, v);
    AlignControls();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int v) {
    borderWidth_ = std::max(0, v);
    AlignControls();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment v) {
    alignment_ = v;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& r) const {
    int inset = borderWidth_;
    if (bevelOuter_ != bvNone)
        inset += bevelWidth_;
    if (bevelInner_ != bvNone)
        inset += bevelWidth_;
    r.Left += inset;
    r.Top += inset;
    r.Right -= inset;
    r.Bottom -= inset;
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(Color());
    c->Brush()->SetStyle(bsSolid);
    c->FillRect(r);
    auto bevel = [&](TBevelCut cut) {
        if (cut == bvNone)
            return;
        if (cut == bvSpace) {
            r.Left += bevelWidth_;
            r.Top += bevelWidth_;
            r.Right -= bevelWidth_;
            r.Bottom -= bevelWidth_;
            return;
        }
        bool raised = cut == bvRaised;
        Frame3D(c, r, raised ? clBtnHighlight : clBtnShadow, raised ? clBtnShadow : clBtnHighlight,
                bevelWidth_);
    };
    bevel(bevelOuter_);
    r.Left += borderWidth_;
    r.Top += borderWidth_;
    r.Right -= borderWidth_;
    r.Bottom -= borderWidth_;
    bevel(bevelInner_);
    std::string text = Caption();
    if (text.empty())
        return;
    c->Brush()->SetStyle(bsClear);
    int w = c->TextWidth(text), h = c->TextHeight(text);
    int x = alignment_ == taLeftJustify    ? r.Left + 2
            : alignment_ == taRightJustify ? r.Right - w - 2
                                           : r.Left + (r.Width() - w) / 2;
    int y = r.Top + (r.Height() - h) / 2;
    if (!EnabledInParents())
        c->Font()->SetColor(clGrayText);
    c->TextOut(x, y, text);
}

// ---------------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TBevel, [](TPropertyBuilder<TBevel>& b) {
    static const TTypeInfo& shape =
        b.Own(MakeEnumType("TBevelShape", {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine",
                                           "bsLeftLine", "bsRightLine", "bsSpacer"}));
    static const TTypeInfo& style = b.Own(MakeEnumType("TBevelStyle", {"bsLowered", "bsRaised"}));
    b.Ord("Shape", shape, &TBevel::Shape, &TBevel::SetShape);
    b.Ord("Style", style, &TBevel::Style, &TBevel::SetStyle);
});

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape v) {
    shape_ = v;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle v) {
    style_ = v;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = Canvas();
    TColor a = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
    TColor b = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
    TRect r = ClientRect();
    auto line = [&](int x1, int y1, int x2, int y2, TColor col) {
        c->Pen()->SetColor(col);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    switch (shape_) {
    case bsBox:
        Frame3D(c, r, a, b, 1);
        break;
    case bsFrame: {
        TRect outer = r;
        outer.Right -= 1;
        outer.Bottom -= 1;
        Frame3D(c, outer, a, a, 1);
        TRect inner = {r.Left + 1, r.Top + 1, r.Right, r.Bottom};
        Frame3D(c, inner, b, b, 1);
        break;
    }
    case bsTopLine:
        line(0, 0, Width(), 0, a);
        line(0, 1, Width(), 1, b);
        break;
    case bsBottomLine:
        line(0, Height() - 2, Width(), Height() - 2, a);
        line(0, Height() - 1, Width(), Height() - 1, b);
        break;
    case bsLeftLine:
        line(0, 0, 0, Height(), a);
        line(1, 0, 1, Height(), b);
        break;
    case bsRightLine:
        line(Width() - 2, 0, Width() - 2, Height(), a);
        line(Width() - 1, 0, Width() - 1, Height(), b);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TImage, [](TPropertyBuilder<TImage>& b) {
    b.Object("Picture", &TImage::Picture, &TImage::SetPicture);
    b.Bool("Stretch", &TImage::Stretch, &TImage::SetStretch);
    b.Bool("Center", &TImage::Center, &TImage::SetCenter);
    b.Bool("Transparent", &TImage::Transparent, &TImage::SetTransparent);
    b.Bool("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
});

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TBitmap>()) {
    SetBounds(0, 0, 105, 105);
    picture_->OnChange = [this](TObject*) {
        if (autoSize_ && !picture_->Empty())
            SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
        Invalidate();
    };
}

TImage::~TImage() {
    picture_->OnChange = nullptr;
}

void TImage::SetStretch(bool v) {
    stretch_ = v;
    Invalidate();
}
void TImage::SetCenter(bool v) {
    center_ = v;
    Invalidate();
}
void TImage::SetTransparent(bool v) {
    transparent_ = v;
    picture_->SetTransparent(v);
    Invalidate();
}
void TImage::SetAutoSize(bool v) {
    autoSize_ = v;
    if (v && !picture_->Empty())
        SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

void TImage::Paint() {
    if (picture_->Empty())
        return;
    if (stretch_) {
        Canvas()->StretchDraw(ClientRect(), picture_.get());
        return;
    }
    int x = center_ ? (Width() - picture_->Width()) / 2 : 0;
    int y = center_ ? (Height() - picture_->Height()) / 2 : 0;
    Canvas()->Draw(x, y, picture_.get());
}

// ---------------------------------------------------------------------------------------

STEWARD_REGISTER_CLASS(TSplitter, [](TPropertyBuilder<TSplitter>& b) {
    b.Int("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize);
    b.Event("OnMoved", "TNotifyEvent", &TSplitter::OnMoved);
});

TSplitter::TSplitter(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 3, 100);
    SetAlign(alLeft);
    SetCursor(crHSplit);
}

TControl* TSplitter::FindControl() const {
    TWinControl* p = Parent();
    if (!p)
        return nullptr;
    for (int i = 0; i < p->ControlCount(); ++i) {
        TControl* c = p->Controls(i);
        if (c == this || !c->Visible() || c->Align() != Align())
            continue;
        switch (Align()) {
        case alLeft:
            if (c->Left() + c->Width() == Left())
                return c;
            break;
        case alRight:
            if (c->Left() == Left() + Width())
                return c;
            break;
        case alTop:
            if (c->Top() + c->Height() == Top())
                return c;
            break;
        case alBottom:
            if (c->Top() == Top() + Height())
                return c;
            break;
        default:
            break;
        }
    }
    return nullptr;
}

void TSplitter::MoveBy(int delta) {
    TControl* c = FindControl();
    if (!c || delta == 0)
        return;
    switch (Align()) {
    case alLeft:
        c->SetWidth(std::max(minSize_, c->Width() + delta));
        break;
    case alRight:
        c->SetWidth(std::max(minSize_, c->Width() - delta));
        break;
    case alTop:
        c->SetHeight(std::max(minSize_, c->Height() + delta));
        break;
    case alBottom:
        c->SetHeight(std::max(minSize_, c->Height() - delta));
        break;
    default:
        return;
    }
    if (!Quiet() && OnMoved)
        OnMoved(this);
}

void TSplitter::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

void TSplitter::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft)
        return;
    dragging_ = true;
    bool horizontal = Align() == alLeft || Align() == alRight;
    dragStart_ = horizontal ? ClientToScreen({x, y}).X : ClientToScreen({x, y}).Y;
}

void TSplitter::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    bool horizontal = Align() == alLeft || Align() == alRight;
    TPoint p = ClientToScreen({x, y});
    int now = horizontal ? p.X : p.Y;
    MoveBy(now - dragStart_);
    dragStart_ = now;
}

void TSplitter::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    dragging_ = false;
}
