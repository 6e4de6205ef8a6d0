#include "Buttons.h"

#include "Forms.h"
#include "TypInfo.h"

#include <QEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

static QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

namespace {

const TTypeInfo& ButtonLayoutType() {
    static const TTypeInfo t = MakeEnumType(
        "TButtonLayout", {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
    return t;
}

constexpr int kTextFlags = Qt::TextShowMnemonic | Qt::AlignLeft | Qt::AlignTop;

// The caption's extent as buttons lay it out ("&" marks an accelerator and takes no room).
TPoint CaptionSize(const QFont& font, const std::string& caption) {
    if (caption.empty())
        return {0, 0};
    QSize s = QFontMetrics(font).size(Qt::TextShowMnemonic, Q(caption));
    return {s.width(), s.height()};
}

// Glyph and caption of a button: the glyph image of the state, the caption in the text
// colour, or embossed when disabled.
void DrawGlyphAndCaption(QPainter& p, const TRect& client, TPoint offset, const TBitmap& glyph,
                         TNumGlyphs numGlyphs, TButtonState state, const std::string& caption,
                         TButtonLayout layout, int margin, int spacing, const QColor& textColor) {
    QImage image = ButtonGlyphImage(glyph, numGlyphs, state);
    TPoint glyphSize{image.width(), image.height()};
    TPoint textSize = CaptionSize(p.font(), caption);
    TPoint glyphPos;
    TRect textBounds;
    CalcButtonLayout(client, glyphSize, textSize, layout, margin, spacing, glyphPos, textBounds);
    if (!image.isNull())
        p.drawImage(glyphPos.X + offset.X, glyphPos.Y + offset.Y, image);
    if (caption.empty())
        return;
    QRect r(textBounds.Left + offset.X, textBounds.Top + offset.Y, textBounds.Width(),
            textBounds.Height());
    if (state == bsDisabled) {
        p.setPen(ColorToQColor(clBtnHighlight));
        p.drawText(r.translated(1, 1), kTextFlags, Q(caption));
        p.setPen(ColorToQColor(clBtnShadow));
    } else {
        p.setPen(textColor);
    }
    p.drawText(r, kTextFlags, Q(caption));
}

} // namespace

// ---------------------------------------------------------------------------------------
// Glyph strips

QImage ButtonGlyphImage(const TBitmap& glyph, TNumGlyphs numGlyphs, TButtonState state) {
    if (glyph.Empty())
        return QImage();
    numGlyphs = std::clamp(numGlyphs, 1, 4);
    int w = glyph.Width() / numGlyphs;
    int h = glyph.Height();
    if (w <= 0)
        return QImage();
    int index = static_cast<int>(state);
    if (state == bsDown && numGlyphs < 3)
        index = 0;
    bool emboss = state == bsDisabled && numGlyphs < 2;
    if (index >= numGlyphs)
        index = 0;
    // Transparency comes from the whole strip: its bottom-left pixel is the key colour.
    QImage strip = glyph.ToPixmap(true).toImage().convertToFormat(QImage::Format_ARGB32);
    QImage cell = strip.copy(index * w, 0, w, h);
    if (!emboss)
        return cell;
    // No disabled image of its own: the dark parts of the image, embossed in the button's
    // highlight and shadow colours.
    QImage out(w, h, QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QRgb highlight = ColorToQColor(clBtnHighlight).rgb();
    QRgb shadow = ColorToQColor(clBtnShadow).rgb();
    auto ink = [&](int x, int y) {
        QRgb c = cell.pixel(x, y);
        return qAlpha(c) != 0 && qRed(c) + qGreen(c) + qBlue(c) < 3 * 0xC0;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (ink(x, y) && x + 1 < w && y + 1 < h)
                out.setPixel(x + 1, y + 1, highlight);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (ink(x, y))
                out.setPixel(x, y, shadow);
    return out;
}

void CalcButtonLayout(const TRect& client, TPoint glyphSize, TPoint textSize, TButtonLayout layout,
                      int margin, int spacing, TPoint& glyphPos, TRect& textBounds) {
    TPoint clientSize{client.Width(), client.Height()};
    TPoint textPos;
    glyphPos = {};
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    // Across the layout direction both parts are centred.
    if (horizontal) {
        glyphPos.Y = (clientSize.Y - glyphSize.Y + 1) / 2;
        textPos.Y = (clientSize.Y - textSize.Y + 1) / 2;
    } else {
        glyphPos.X = (clientSize.X - glyphSize.X + 1) / 2;
        textPos.X = (clientSize.X - textSize.X + 1) / 2;
    }
    if (textSize.X == 0 || glyphSize.X == 0)
        spacing = 0;
    int along = horizontal ? clientSize.X : clientSize.Y;
    int glyphAlong = horizontal ? glyphSize.X : glyphSize.Y;
    int textAlong = horizontal ? textSize.X : textSize.Y;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (along - glyphAlong - textAlong) / 3;
            spacing = margin;
        } else {
            margin = (along - (glyphAlong + spacing + textAlong) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (along - (margin + glyphAlong) - textAlong) / 2;
    }
    switch (layout) {
    case blGlyphLeft:
        glyphPos.X = margin;
        textPos.X = glyphPos.X + glyphSize.X + spacing;
        break;
    case blGlyphRight:
        glyphPos.X = clientSize.X - margin - glyphSize.X;
        textPos.X = glyphPos.X - spacing - textSize.X;
        break;
    case blGlyphTop:
        glyphPos.Y = margin;
        textPos.Y = glyphPos.Y + glyphSize.Y + spacing;
        break;
    case blGlyphBottom:
        glyphPos.Y = clientSize.Y - margin - glyphSize.Y;
        textPos.Y = glyphPos.Y - spacing - textSize.Y;
        break;
    }
    glyphPos.X += client.Left;
    glyphPos.Y += client.Top;
    textBounds = Bounds(textPos.X + client.Left, textPos.Y + client.Top, textSize.X, textSize.Y);
}

// ---------------------------------------------------------------------------------------
// TBitBtn

namespace {

// A push button whose face the control paints: the style draws the bevel, the control the
// glyph and caption.
class TBitBtnWidget : public QPushButton {
public:
    TBitBtn* owner = nullptr;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        opt.text.clear();
        opt.icon = QIcon();
        p.drawControl(QStyle::CE_PushButtonBevel, opt);
        if (owner)
            owner->PaintContent(p, isDown() || isChecked());
        if (hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = rect().adjusted(4, 4, -4, -4);
            p.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
};

struct KindInfo {
    const char* caption;
    TModalResult result;
};

const KindInfo& KindOf(TBitBtnKind kind) {
    static const KindInfo kinds[] = {
        {"", mrNone},        {"OK", mrOk},          {"Cancel", mrCancel}, {"&Help", mrNone},
        {"&Yes", mrYes},     {"&No", mrNo},         {"&Close", mrNone},   {"Abort", mrAbort},
        {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll}};
    return kinds[static_cast<int>(kind)];
}

// The picture of a kind: a simple sign on the olive key colour.
void MakeKindGlyph(TBitmap& bmp, TBitBtnKind kind) {
    if (kind == bkCustom) {
        bmp.Assign(nullptr);
        return;
    }
    QImage img(18, 18, QImage::Format_RGB32);
    img.fill(QColor(128, 128, 0));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    auto pen = [&](QColor c) { p.setPen(QPen(c, 2, Qt::SolidLine, Qt::SquareCap)); };
    switch (kind) {
    case bkOK:
    case bkYes:
    case bkAll:
        pen(QColor(0, 128, 0));
        p.drawLine(3, 9, 7, 13);
        p.drawLine(7, 13, 14, 4);
        if (kind == bkAll)
            p.drawLine(9, 13, 15, 6);
        break;
    case bkCancel:
    case bkAbort:
    case bkNo:
        pen(QColor(192, 0, 0));
        p.drawLine(4, 4, 13, 13);
        p.drawLine(13, 4, 4, 13);
        break;
    case bkHelp:
        p.setPen(QColor(0, 0, 160));
        p.setFont(QFont("DejaVu Sans", 11, QFont::Bold));
        p.drawText(QRect(0, 0, 18, 18), Qt::AlignCenter, "?");
        break;
    case bkClose:
        p.fillRect(4, 2, 9, 14, QColor(128, 0, 0));
        p.fillRect(10, 8, 2, 2, QColor(255, 255, 0));
        break;
    case bkRetry:
        pen(QColor(0, 0, 160));
        p.drawArc(4, 4, 10, 10, 90 * 16, 270 * 16);
        p.drawLine(9, 4, 12, 2);
        break;
    case bkIgnore:
        pen(QColor(0, 0, 160));
        p.drawLine(3, 9, 14, 9);
        break;
    default:
        break;
    }
    p.end();
    bmp.SetImage(img);
}

} // namespace

STEWARD_REGISTER_CLASS(TBitBtn, [](TPropertyBuilder<TBitBtn>& b) {
    static const TTypeInfo& kind = b.Own(
        MakeEnumType("TBitBtnKind", {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo",
                                     "bkClose", "bkAbort", "bkRetry", "bkIgnore", "bkAll"}));
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TButtonStyle", {"bsAutoDetect", "bsWin31", "bsNew"}));
    b.Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph);
    b.Int("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs);
    b.Ord("Kind", kind, &TBitBtn::Kind, &TBitBtn::SetKind);
    b.Ord("Layout", ButtonLayoutType(), &TBitBtn::Layout, &TBitBtn::SetLayout);
    b.Int("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin);
    b.Int("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing);
    b.Ord("Style", style, &TBitBtn::Style, &TBitBtn::SetStyle);
});

TBitBtn::TBitBtn(TComponent* owner)
    : TButton(owner, new TBitBtnWidget), glyph_(std::make_unique<TBitmap>()) {
    static_cast<TBitBtnWidget*>(PushButton())->owner = this;
    glyph_->OnChange = [this](TObject*) { GlyphChanged(); };
}

TBitBtn::~TBitBtn() {
    if (auto* w = static_cast<TBitBtnWidget*>(PushButton()))
        w->owner = nullptr;
}

void TBitBtn::GlyphChanged() {
    if (!settingKind_)
        ownGlyph_ = true;
    Invalidate();
}

void TBitBtn::SetGlyph(TBitmap* value) {
    glyph_->Assign(value);
    if (value && value->Height() > 0 && value->Width() % value->Height() == 0) {
        int n = value->Width() / value->Height();
        SetNumGlyphs(n > 4 ? 1 : n);
    }
}

void TBitBtn::SetNumGlyphs(TNumGlyphs value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_)
        return;
    numGlyphs_ = value;
    Invalidate();
}

TBitBtnKind TBitBtn::Kind() const {
    if (kind_ == bkCustom)
        return bkCustom;
    bool defaultKind = kind_ == bkOK || kind_ == bkYes;
    bool cancelKind = kind_ == bkCancel || kind_ == bkNo;
    if (defaultKind != Default() || cancelKind != Cancel() ||
        ModalResult() != KindOf(kind_).result || ownGlyph_)
        return bkCustom;
    return kind_;
}

void TBitBtn::SetKind(TBitBtnKind value) {
    if (value == kind_ && Kind() == value)
        return;
    kind_ = value;
    if (value != bkCustom) {
        settingKind_ = true;
        SetDefault(value == bkOK || value == bkYes);
        SetCancel(value == bkCancel || value == bkNo);
        SetModalResult(KindOf(value).result);
        SetCaption(KindOf(value).caption);
        MakeKindGlyph(*glyph_, value);
        numGlyphs_ = 1;
        ownGlyph_ = false;
        settingKind_ = false;
    }
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    layout_ = value;
    Invalidate();
}

void TBitBtn::SetMargin(int value) {
    margin_ = std::max(value, -1);
    Invalidate();
}

void TBitBtn::SetSpacing(int value) {
    spacing_ = std::max(value, -1);
    Invalidate();
}

void TBitBtn::TextChanged() {
    Invalidate();
}

void TBitBtn::Click() {
    if (Quiet())
        return;
    TCustomForm* form = GetParentForm(this);
    if (kind_ == bkClose && Kind() == bkClose && form) {
        form->Close();
        TButton::Click();
        return;
    }
    TButton::Click();
}

void TBitBtn::PaintContent(QPainter& painter, bool down) {
    QWidget* w = PushButton();
    TRect client = Rect(0, 0, w->width(), w->height());
    // The face inside the bevel.
    client = Rect(client.Left + 2, client.Top + 2, client.Right - 2, client.Bottom - 2);
    TButtonState state = !w->isEnabled() ? bsDisabled : down ? bsDown : bsUp;
    TPoint offset = down ? Point(1, 1) : Point(0, 0);
    painter.setFont(w->font());
    DrawGlyphAndCaption(painter, client, offset, *glyph_, numGlyphs_, state, Caption(), layout_,
                        margin_, spacing_, w->palette().color(QPalette::ButtonText));
}

// ---------------------------------------------------------------------------------------
// TSpeedButton

STEWARD_REGISTER_CLASS(TSpeedButton, [](TPropertyBuilder<TSpeedButton>& b) {
    b.Str("Caption", &TControl::Caption, &TControl::SetCaption);
    b.Object("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
    b.Int("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs);
    b.Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat);
    b.Bool("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent);
    b.Int("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex);
    b.Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown);
    b.Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp);
    b.Ord("Layout", ButtonLayoutType(), &TSpeedButton::Layout, &TSpeedButton::SetLayout);
    b.Int("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin);
    b.Int("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing);
});

TSpeedButton::TSpeedButton(TComponent* owner)
    : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    glyph_->OnChange = [this](TObject*) { Invalidate(); };
    Widget()->setAttribute(Qt::WA_Hover, true);
    SetParentColor(false);
    SetColor(clBtnFace);
    SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* value) {
    glyph_->Assign(value);
    if (value && value->Height() > 0 && value->Width() % value->Height() == 0) {
        int n = value->Width() / value->Height();
        SetNumGlyphs(n > 4 ? 1 : n);
    }
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_)
        return;
    numGlyphs_ = value;
    Invalidate();
}

void TSpeedButton::SetFlat(bool value) {
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
    transparent_ = value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
    if (value == groupIndex_)
        return;
    groupIndex_ = value;
    UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
    if (IsLoading()) {
        // The group may be set later in the description; Loaded settles it.
        down_ = value;
        return;
    }
    if (groupIndex_ == 0)
        value = false;
    if (value == down_)
        return;
    if (down_ && !allowAllUp_)
        return;
    down_ = value;
    Invalidate();
    if (value)
        UpdateExclusive();
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (value == allowAllUp_)
        return;
    allowAllUp_ = value;
    UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
    if (groupIndex_ == 0 || !Parent())
        return;
    for (int i = 0; i < Parent()->ControlCount(); ++i) {
        auto* other = dynamic_cast<TSpeedButton*>(Parent()->Controls(i));
        if (other && other != this && other->groupIndex_ == groupIndex_)
            other->ButtonPressed(this);
    }
}

void TSpeedButton::ButtonPressed(TSpeedButton* sender) {
    if (sender->down_ && down_) {
        down_ = false;
        Invalidate();
    }
    allowAllUp_ = sender->allowAllUp_;
}

void TSpeedButton::Loaded() {
    TGraphicControl::Loaded();
    if (groupIndex_ == 0)
        down_ = false;
    else if (down_)
        UpdateExclusive();
    Invalidate();
}

TButtonState TSpeedButton::State() const {
    if (!Enabled())
        return bsDisabled;
    if (dragging_ && pressedInside_)
        return down_ ? bsExclusive : bsDown;
    return down_ ? bsExclusive : bsUp;
}

void TSpeedButton::Click() {
    TGraphicControl::Click();
}

void TSpeedButton::WndProc(TMessage& m) {
    // Mouse messages sent in code reach a disabled button no more than real clicks do.
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONUP || m.Msg == WM_LBUTTONDBLCLK) &&
        !EnabledInParents())
        return;
    TGraphicControl::WndProc(m);
}

bool TSpeedButton::WidgetEvent(QObject* watched, QEvent* event) {
    if (watched == Widget()) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::Leave) {
            mouseInControl_ = event->type() == QEvent::Enter && Enabled();
            if (flat_)
                Invalidate();
        }
    }
    return TGraphicControl::WidgetEvent(watched, event);
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) {
        dragging_ = true;
        pressedInside_ = true;
        Invalidate();
    }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!dragging_)
        return;
    bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
    if (inside != pressedInside_) {
        pressedInside_ = inside;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !dragging_)
        return;
    dragging_ = false;
    pressedInside_ = false;
    bool inside = x >= 0 && x < Width() && y >= 0 && y < Height();
    // The toggle happens before the click the release goes on to raise.
    if (groupIndex_ != 0 && inside)
        SetDown(!down_);
    Invalidate();
}

void TSpeedButton::Paint() {
    QPainter* p = Canvas()->Painter();
    if (!p)
        return;
    TRect r = ClientRect();
    TButtonState state = State();
    bool pressed = state == bsDown || state == bsExclusive;
    p->save();
    p->setRenderHint(QPainter::Antialiasing, false);
    // A frame one pixel wide: topLeft on the left and top edges, bottomRight on the others.
    auto frame = [&](TColor topLeft, TColor bottomRight, int inset) {
        int x1 = r.Left + inset, y1 = r.Top + inset;
        int x2 = r.Right - 1 - inset, y2 = r.Bottom - 1 - inset;
        p->setPen(ColorToQColor(topLeft));
        p->drawLine(x1, y2, x1, y1);
        p->drawLine(x1, y1, x2, y1);
        p->setPen(ColorToQColor(bottomRight));
        p->drawLine(x2, y1, x2, y2);
        p->drawLine(x1, y2, x2, y2);
    };
    QRect face(r.Left, r.Top, r.Width(), r.Height());
    if (!flat_ || !transparent_ || pressed)
        p->fillRect(face, ColorToQColor(Color()));
    if (state == bsExclusive && !(dragging_ && pressedInside_))
        // Latched down: the face dithered with the highlight colour.
        p->fillRect(face.adjusted(1, 1, -1, -1),
                    QBrush(ColorToQColor(clBtnHighlight), Qt::Dense4Pattern));
    if (flat_) {
        if (pressed)
            frame(clBtnShadow, clBtnHighlight, 0);
        else if (mouseInControl_ && state != bsDisabled)
            frame(clBtnHighlight, clBtnShadow, 0);
    } else if (pressed) {
        frame(cl3DDkShadow, clBtnHighlight, 0);
        frame(clBtnShadow, clBtnFace, 1);
    } else {
        frame(clBtnHighlight, cl3DDkShadow, 0);
        frame(clBtnFace, clBtnShadow, 1);
    }
    TPoint offset = pressed ? Point(1, 1) : Point(0, 0);
    p->setFont(Font()->ToQFont());
    DrawGlyphAndCaption(*p, r, offset, *glyph_, numGlyphs_, state, Caption(), layout_, margin_,
                        spacing_, ColorToQColor(Font()->Color()));
    p->restore();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    layout_ = value;
    Invalidate();
}

void TSpeedButton::SetMargin(int value) {
    margin_ = std::max(value, -1);
    Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
    spacing_ = std::max(value, -1);
    Invalidate();
}
