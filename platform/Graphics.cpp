#include "Graphics.h"

#include "TypInfo.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <cmath>

// ---------------------------------------------------------------------------------------
// Colours

namespace {

// A light, classic desktop scheme; fixed so pictures and tests do not depend on the theme.
constexpr TColor kSystemRGB[] = {
    RGB(200, 200, 200), // scroll bar
    RGB(0, 78, 152),    // background
    RGB(153, 180, 209), // active caption
    RGB(191, 205, 219), // inactive caption
    RGB(240, 240, 240), // menu
    RGB(255, 255, 255), // window
    RGB(100, 100, 100), // window frame
    RGB(0, 0, 0),       // menu text
    RGB(0, 0, 0),       // window text
    RGB(0, 0, 0),       // caption text
    RGB(180, 180, 180), // active border
    RGB(244, 247, 252), // inactive border
    RGB(171, 171, 171), // app workspace
    RGB(0, 120, 215),   // highlight
    RGB(255, 255, 255), // highlight text
    RGB(240, 240, 240), // button face
    RGB(160, 160, 160), // button shadow
    RGB(109, 109, 109), // gray text
    RGB(0, 0, 0),       // button text
    RGB(0, 0, 0),       // inactive caption text
    RGB(255, 255, 255), // button highlight
    RGB(105, 105, 105), // 3D dark shadow
    RGB(227, 227, 227), // 3D light
    RGB(0, 0, 0),       // info text
    RGB(255, 255, 225), // info background
};

const std::vector<std::pair<std::string, std::int64_t>>& ColorIdents() {
    static const std::vector<std::pair<std::string, std::int64_t>> idents = {
        {"clBlack", clBlack},
        {"clMaroon", clMaroon},
        {"clGreen", clGreen},
        {"clOlive", clOlive},
        {"clNavy", clNavy},
        {"clPurple", clPurple},
        {"clTeal", clTeal},
        {"clGray", clGray},
        {"clSilver", clSilver},
        {"clRed", clRed},
        {"clLime", clLime},
        {"clYellow", clYellow},
        {"clBlue", clBlue},
        {"clFuchsia", clFuchsia},
        {"clAqua", clAqua},
        {"clWhite", clWhite},
        {"clMoneyGreen", clMoneyGreen},
        {"clSkyBlue", clSkyBlue},
        {"clCream", clCream},
        {"clMedGray", clMedGray},
        {"clScrollBar", clScrollBar},
        {"clBackground", clBackground},
        {"clActiveCaption", clActiveCaption},
        {"clInactiveCaption", clInactiveCaption},
        {"clMenu", clMenu},
        {"clWindow", clWindow},
        {"clWindowFrame", clWindowFrame},
        {"clMenuText", clMenuText},
        {"clWindowText", clWindowText},
        {"clCaptionText", clCaptionText},
        {"clActiveBorder", clActiveBorder},
        {"clInactiveBorder", clInactiveBorder},
        {"clAppWorkSpace", clAppWorkSpace},
        {"clHighlight", clHighlight},
        {"clHighlightText", clHighlightText},
        {"clBtnFace", clBtnFace},
        {"clBtnShadow", clBtnShadow},
        {"clGrayText", clGrayText},
        {"clBtnText", clBtnText},
        {"clInactiveCaptionText", clInactiveCaptionText},
        {"clBtnHighlight", clBtnHighlight},
        {"cl3DDkShadow", cl3DDkShadow},
        {"cl3DLight", cl3DLight},
        {"clInfoText", clInfoText},
        {"clInfoBk", clInfoBk},
        {"clNone", clNone},
        {"clDefault", clDefault},
    };
    return idents;
}

} // namespace

const TTypeInfo& TypeInfoColor() {
    static const TTypeInfo t = [] {
        TTypeInfo info;
        info.Name = "TColor";
        info.Kind = tkInteger;
        info.Idents = ColorIdents();
        return info;
    }();
    return t;
}

TColor ColorToRGB(TColor color) {
    auto u = static_cast<std::uint32_t>(color);
    if (u & 0x80000000u) {
        unsigned index = u & 0xFF;
        if (index < std::size(kSystemRGB))
            return kSystemRGB[index];
        return clBlack;
    }
    return color;
}

QColor ColorToQColor(TColor color) {
    if (color == clNone)
        return QColor(Qt::transparent);
    TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}

bool ColorToIdent(TColor color, std::string& ident) {
    return IntToIdent(TypeInfoColor(), color, ident);
}

bool IdentToColor(std::string_view ident, TColor& color) {
    std::int64_t v;
    if (!IdentToInt(TypeInfoColor(), ident, v))
        return false;
    color = static_cast<TColor>(v);
    return true;
}

std::string ColorToString(TColor color) {
    std::string ident;
    if (ColorToIdent(color, ident))
        return ident;
    char buf[16];
    std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(color));
    return buf;
}

TColor StringToColor(std::string_view text) {
    TColor c;
    if (IdentToColor(text, c))
        return c;
    std::string s(text);
    char* end = nullptr;
    long long v = 0;
    if (!s.empty() && s[0] == '$')
        v = std::strtoll(s.c_str() + 1, &end, 16);
    else
        v = std::strtoll(s.c_str(), &end, 10);
    if (s.empty() || (end && *end))
        throw EConvertError("'" + s + "' is not a valid colour");
    return static_cast<TColor>(v);
}

// ---------------------------------------------------------------------------------------
// Fonts

QStringList MapFontFamilies(const std::string& name, TFontCharset charset) {
    static const QString sc = QStringLiteral("Noto Serif CJK SC");
    static const QString tc = QStringLiteral("Noto Serif CJK TC");
    static const QString sansSc = QStringLiteral("Noto Sans CJK SC");
    static const QString sansTc = QStringLiteral("Noto Sans CJK TC");
    static const QString latin = QStringLiteral("DejaVu Sans");
    QString n = QString::fromStdString(name).trimmed();
    QString lower = n.toLower();
    bool traditional = charset == CHINESEBIG5_CHARSET;
    if (n == QStringLiteral("宋体") || lower == "simsun" || n == QStringLiteral("新宋体") ||
        lower == "nsimsun")
        return {traditional ? tc : sc, latin};
    if (lower == "mingliu" || lower == "pmingliu" || n == QStringLiteral("細明體") ||
        n == QStringLiteral("新細明體"))
        return {charset == GB2312_CHARSET ? sc : tc, latin};
    if (n == QStringLiteral("黑体") || lower == "simhei" || lower == "microsoft yahei" ||
        n == QStringLiteral("微软雅黑"))
        return {traditional ? sansTc : sansSc, latin};
    if (lower == "tahoma" || lower == "ms sans serif" || lower == "arial" ||
        lower == "microsoft sans serif" || lower == "verdana" || lower == "segoe ui" || n.isEmpty())
        return {latin, traditional ? sansTc : sansSc};
    if (lower == "courier new" || lower == "courier")
        return {QStringLiteral("DejaVu Sans Mono"), traditional ? sansTc : sansSc};
    if (lower == "times new roman")
        return {QStringLiteral("DejaVu Serif"), traditional ? tc : sc};
    return {n, traditional ? sansTc : sansSc};
}

STEWARD_REGISTER_CLASS(TFont, [](TPropertyBuilder<TFont>& b) {
    static const TTypeInfo& styles =
        b.Own(MakeSetType("TFontStyles", {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}));
    static const TTypeInfo& pitch =
        b.Own(MakeEnumType("TFontPitch", {"fpDefault", "fpVariable", "fpFixed"}));
    static const TTypeInfo& charset = b.Own([] {
        TTypeInfo t;
        t.Name = "TFontCharset";
        t.Kind = tkInteger;
        t.Idents = {{"ANSI_CHARSET", 0},
                    {"DEFAULT_CHARSET", 1},
                    {"SYMBOL_CHARSET", 2},
                    {"GB2312_CHARSET", 134},
                    {"CHINESEBIG5_CHARSET", 136}};
        return t;
    }());
    b.Ord("Charset", charset, &TFont::Charset, &TFont::SetCharset);
    b.Color("Color", &TFont::Color, &TFont::SetColor);
    b.Int("Height", &TFont::Height, &TFont::SetHeight);
    b.Str("Name", &TFont::Name, &TFont::SetName);
    b.Ord("Pitch", pitch, &TFont::Pitch, &TFont::SetPitch);
    b.Int("Size", &TFont::Size, &TFont::SetSize);
    b.Set("Style", styles, &TFont::Style, &TFont::SetStyle);
    b.Event("OnChange", "TNotifyEvent", &TFont::OnChange);
});

TFont::TFont() = default;

void TFont::Changed() {
    qfontValid_ = false;
    if (OnChange)
        OnChange(this);
}

void TFont::SetName(const std::string& v) {
    if (v.empty() || v == name_)
        return;
    name_ = v;
    Changed();
}

void TFont::SetHeight(int v) {
    if (v == height_)
        return;
    height_ = v;
    Changed();
}

int TFont::Size() const {
    return static_cast<int>(std::lround(-height_ * 72.0 / ScreenPixelsPerInch));
}

void TFont::SetSize(int points) {
    SetHeight(-static_cast<int>(std::lround(points * double(ScreenPixelsPerInch) / 72.0)));
}

void TFont::SetCharset(TFontCharset v) {
    if (v == charset_)
        return;
    charset_ = v;
    Changed();
}

void TFont::SetStyle(TFontStyles v) {
    if (v == style_)
        return;
    style_ = v;
    Changed();
}

void TFont::SetColor(TColor v) {
    if (v == color_)
        return;
    color_ = v;
    Changed();
}

void TFont::SetPitch(TFontPitch v) {
    if (v == pitch_)
        return;
    pitch_ = v;
    Changed();
}

bool TFont::SameAs(const TFont& o) const {
    return name_ == o.name_ && height_ == o.height_ && charset_ == o.charset_ &&
           style_ == o.style_ && color_ == o.color_ && pitch_ == o.pitch_;
}

void TFont::Assign(TPersistent* source) {
    if (auto* f = dynamic_cast<TFont*>(source)) {
        if (SameAs(*f))
            return;
        name_ = f->name_;
        height_ = f->height_;
        charset_ = f->charset_;
        style_ = f->style_;
        color_ = f->color_;
        pitch_ = f->pitch_;
        // Same values, same Qt font: reuse it rather than map the face again.
        qfont_ = f->ToQFont();
        qfontValid_ = true;
        if (OnChange)
            OnChange(this);
        return;
    }
    TPersistent::Assign(source);
}

const QFont& TFont::ToQFont() const {
    if (qfontValid_)
        return qfont_;
    QFont& f = qfont_;
    f = QFont();
    f.setFamilies(MapFontFamilies(name_, charset_));
    // A negative height is the character height: the em size in pixels. A positive height
    // is the cell height, which includes the internal leading (about a fifth).
    int px = height_ < 0 ? -height_ : std::max(1, static_cast<int>(std::lround(height_ * 0.8)));
    f.setPixelSize(std::max(1, px));
    f.setBold(style_.Contains(fsBold));
    f.setItalic(style_.Contains(fsItalic));
    f.setUnderline(style_.Contains(fsUnderline));
    f.setStrikeOut(style_.Contains(fsStrikeOut));
    if (pitch_ == fpFixed)
        f.setFixedPitch(true);
    qfontValid_ = true;
    return f;
}

// ---------------------------------------------------------------------------------------
// Brushes, pens

STEWARD_REGISTER_CLASS(TBrush, [](TPropertyBuilder<TBrush>& b) {
    static const TTypeInfo& style = b.Own(
        MakeEnumType("TBrushStyle", {"bsSolid", "bsClear", "bsHorizontal", "bsVertical",
                                     "bsFDiagonal", "bsBDiagonal", "bsCross", "bsDiagCross"}));
    b.Color("Color", &TBrush::Color, &TBrush::SetColor);
    b.Ord("Style", style, &TBrush::Style, &TBrush::SetStyle);
});

void TBrush::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TBrush*>(source)) {
        color_ = s->color_;
        style_ = s->style_;
        return;
    }
    TPersistent::Assign(source);
}

STEWARD_REGISTER_CLASS(TPen, [](TPropertyBuilder<TPen>& b) {
    static const TTypeInfo& style =
        b.Own(MakeEnumType("TPenStyle", {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot",
                                         "psClear", "psInsideFrame"}));
    b.Color("Color", &TPen::Color, &TPen::SetColor);
    b.Int("Width", &TPen::Width, &TPen::SetWidth);
    b.Ord("Style", style, &TPen::Style, &TPen::SetStyle);
});

void TPen::Assign(TPersistent* source) {
    if (auto* s = dynamic_cast<TPen*>(source)) {
        color_ = s->color_;
        width_ = s->width_;
        style_ = s->style_;
        return;
    }
    TPersistent::Assign(source);
}

// ---------------------------------------------------------------------------------------
// Canvas

STEWARD_REGISTER_CLASS(TCanvas, [](TPropertyBuilder<TCanvas>& b) {
    b.Object("Font", &TCanvas::Font, [](TCanvas* c, TFont* f) { c->Font()->Assign(f); });
    b.Object("Brush", &TCanvas::Brush, [](TCanvas* c, TBrush* v) { c->Brush()->Assign(v); });
    b.Object("Pen", &TCanvas::Pen, [](TCanvas* c, TPen* v) { c->Pen()->Assign(v); });
});

TCanvas::TCanvas() = default;
TCanvas::TCanvas(QImage* target) : image_(target) {}
TCanvas::TCanvas(QPainter* painter) : painter_(painter) {}
TCanvas::~TCanvas() = default;

template <class F> void TCanvas::Paint(F&& f) {
    if (painter_) {
        painter_->save();
        f(*painter_);
        painter_->restore();
        return;
    }
    if (!image_ || image_->isNull())
        return;
    QPainter p(image_);
    f(p);
}

static QPen MakePen(TPen& pen) {
    if (pen.Style() == psClear)
        return QPen(Qt::NoPen);
    QPen p(ColorToQColor(pen.Color()));
    p.setWidth(pen.Width());
    switch (pen.Style()) {
    case psDash:
        p.setStyle(Qt::DashLine);
        break;
    case psDot:
        p.setStyle(Qt::DotLine);
        break;
    case psDashDot:
        p.setStyle(Qt::DashDotLine);
        break;
    case psDashDotDot:
        p.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    return p;
}

static QBrush MakeBrush(TBrush& brush) {
    if (brush.Style() == bsClear)
        return QBrush(Qt::NoBrush);
    Qt::BrushStyle st = Qt::SolidPattern;
    switch (brush.Style()) {
    case bsHorizontal:
        st = Qt::HorPattern;
        break;
    case bsVertical:
        st = Qt::VerPattern;
        break;
    case bsFDiagonal:
        st = Qt::FDiagPattern;
        break;
    case bsBDiagonal:
        st = Qt::BDiagPattern;
        break;
    case bsCross:
        st = Qt::CrossPattern;
        break;
    case bsDiagCross:
        st = Qt::DiagCrossPattern;
        break;
    default:
        break;
    }
    return QBrush(ColorToQColor(brush.Color()), st);
}

void TCanvas::LineTo(int x, int y) {
    Paint([&](QPainter& p) {
        p.setPen(MakePen(pen_));
        p.drawLine(penPos_.X, penPos_.Y, x, y);
    });
    penPos_ = {x, y};
}

void TCanvas::FillRect(const TRect& r) {
    Paint([&](QPainter& p) {
        if (brush_.Style() != bsClear)
            p.fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()), MakeBrush(brush_));
    });
}

void TCanvas::FrameRect(const TRect& r) {
    Paint([&](QPainter& p) {
        p.setPen(ColorToQColor(brush_.Color()));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRect(r.Left, r.Top, r.Width() - 1, r.Height() - 1));
    });
}

void TCanvas::Rectangle(int l, int t, int r, int b) {
    Paint([&](QPainter& p) {
        p.setPen(MakePen(pen_));
        p.setBrush(MakeBrush(brush_));
        p.drawRect(QRect(l, t, r - l - 1, b - t - 1));
    });
}

void TCanvas::Ellipse(int l, int t, int r, int b) {
    Paint([&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(MakePen(pen_));
        p.setBrush(MakeBrush(brush_));
        p.drawEllipse(QRect(l, t, r - l - 1, b - t - 1));
    });
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
    Paint([&](QPainter& p) {
        QFont f = font_.ToQFont();
        p.setFont(f);
        QFontMetrics fm(f);
        QString s = QString::fromStdString(text);
        QRect box(x, y, fm.horizontalAdvance(s), fm.height());
        if (brush_.Style() != bsClear)
            p.fillRect(box, MakeBrush(brush_));
        p.setPen(ColorToQColor(font_.Color()));
        p.drawText(x, y + fm.ascent(), s);
    });
    penPos_.X = x + TextWidth(text);
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
    Paint([&](QPainter& p) {
        QRect clip(r.Left, r.Top, r.Width(), r.Height());
        p.setClipRect(clip);
        if (brush_.Style() != bsClear)
            p.fillRect(clip, MakeBrush(brush_));
        QFont f = font_.ToQFont();
        p.setFont(f);
        p.setPen(ColorToQColor(font_.Color()));
        p.drawText(x, y + QFontMetrics(f).ascent(), QString::fromStdString(text));
    });
}

TPoint TCanvas::TextExtent(const std::string& text) {
    QFontMetrics fm(font_.ToQFont());
    return {fm.horizontalAdvance(QString::fromStdString(text)), fm.height()};
}

void TCanvas::Draw(int x, int y, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty())
        return;
    Paint([&](QPainter& p) { p.drawPixmap(x, y, bitmap->ToPixmap(bitmap->Transparent())); });
}

void TCanvas::StretchDraw(const TRect& r, TBitmap* bitmap) {
    if (!bitmap || bitmap->Empty())
        return;
    Paint([&](QPainter& p) {
        p.drawPixmap(QRect(r.Left, r.Top, r.Width(), r.Height()),
                     bitmap->ToPixmap(bitmap->Transparent()));
    });
}

TColor TCanvas::Pixel(int x, int y) const {
    if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height())
        return clNone;
    return QColorToColor(QColor(image_->pixel(x, y)));
}

void TCanvas::SetPixel(int x, int y, TColor c) {
    if (!image_ || x < 0 || y < 0 || x >= image_->width() || y >= image_->height())
        return;
    image_->setPixel(x, y, ColorToQColor(c).rgb());
}

// ---------------------------------------------------------------------------------------
// Bitmap

STEWARD_REGISTER_CLASS(TBitmap, [](TPropertyBuilder<TBitmap>& b) {
    b.Int("Width", &TBitmap::Width, &TBitmap::SetWidth);
    b.Int("Height", &TBitmap::Height, &TBitmap::SetHeight);
    b.Bool("Transparent", &TBitmap::Transparent, &TBitmap::SetTransparent);
    b.Color("TransparentColor", &TBitmap::TransparentColor, &TBitmap::SetTransparentColor);
});

TBitmap::TBitmap() : canvas_(&image_) {}

TBitmap::TBitmap(int width, int height) : canvas_(&image_) {
    SetSize(width, height);
}

TBitmap::~TBitmap() = default;

void TBitmap::SetSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == Width() && h == Height() && !image_.isNull())
        return;
    QImage next(w, h, QImage::Format_RGB32);
    next.fill(Qt::white);
    if (!image_.isNull()) {
        QPainter p(&next);
        p.drawImage(0, 0, image_);
    }
    image_ = next;
    if (OnChange)
        OnChange(this);
}

TColor TBitmap::TransparentColor() const {
    if (transparentMode_ == tmFixed && transparentColor_ != clDefault)
        return transparentColor_;
    if (Empty())
        return clDefault;
    return QColorToColor(QColor(image_.pixel(0, Height() - 1)));
}

void TBitmap::SetTransparentColor(TColor c) {
    transparentColor_ = c;
    transparentMode_ = c == clDefault ? tmAuto : tmFixed;
}

void TBitmap::LoadFromFile(const std::string& fileName) {
    QImage img;
    if (!img.load(QString::fromStdString(fileName)))
        throw EConvertError("Cannot load the picture " + fileName);
    SetImage(img);
}

void TBitmap::SaveToFile(const std::string& fileName) const {
    if (!image_.save(QString::fromStdString(fileName)))
        throw EConvertError("Cannot save the picture " + fileName);
}

void TBitmap::SetImage(const QImage& image) {
    image_ = image.convertToFormat(QImage::Format_RGB32);
    if (OnChange)
        OnChange(this);
}

void TBitmap::Assign(TPersistent* source) {
    if (!source) {
        image_ = QImage();
        // Releasing the picture is a change its users must see (a button repaints).
        if (OnChange)
            OnChange(this);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(source)) {
        image_ = b->image_.copy();
        transparent_ = b->transparent_;
        transparentMode_ = b->transparentMode_;
        transparentColor_ = b->transparentColor_;
        if (OnChange)
            OnChange(this);
        return;
    }
    TPersistent::Assign(source);
}

QPixmap TBitmap::ToPixmap(bool useTransparency) const {
    if (Empty())
        return QPixmap();
    if (!useTransparency)
        return QPixmap::fromImage(image_);
    QImage img = image_.convertToFormat(QImage::Format_ARGB32);
    QRgb key = ColorToQColor(TransparentColor()).rgb() & 0xFFFFFF;
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
    }
    return QPixmap::fromImage(img);
}
