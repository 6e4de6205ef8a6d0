// Colours, fonts, pens, brushes, canvases and bitmaps.
#pragma once

#include "Classes.h"

#include <QFont>
#include <QImage>
#include <cstdint>
#include <memory>
#include <string>

class QPainter;
class QColor;
class QPixmap;

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};
inline TPoint Point(int x, int y) {
    return {x, y};
}
inline TRect Rect(int l, int t, int r, int b) {
    return {l, t, r, b};
}
inline TRect Bounds(int l, int t, int w, int h) {
    return {l, t, l + w, t + h};
}

// ---------------------------------------------------------------------------------------
// Colours: 0x00BBGGRR, or a system colour (0x80000000 | index) that follows the palette.

using TColor = std::int32_t;

constexpr TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) {
    return c & 0xFF;
}
constexpr int GetGValue(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c) {
    return (c >> 16) & 0xFF;
}

constexpr TColor clSystemColor = static_cast<TColor>(0x80000000u);
constexpr TColor SysColor(int index) {
    return static_cast<TColor>(0x80000000u | unsigned(index));
}

constexpr TColor clScrollBar = SysColor(0);
constexpr TColor clBackground = SysColor(1);
constexpr TColor clActiveCaption = SysColor(2);
constexpr TColor clInactiveCaption = SysColor(3);
constexpr TColor clMenu = SysColor(4);
constexpr TColor clWindow = SysColor(5);
constexpr TColor clWindowFrame = SysColor(6);
constexpr TColor clMenuText = SysColor(7);
constexpr TColor clWindowText = SysColor(8);
constexpr TColor clCaptionText = SysColor(9);
constexpr TColor clActiveBorder = SysColor(10);
constexpr TColor clInactiveBorder = SysColor(11);
constexpr TColor clAppWorkSpace = SysColor(12);
constexpr TColor clHighlight = SysColor(13);
constexpr TColor clHighlightText = SysColor(14);
constexpr TColor clBtnFace = SysColor(15);
constexpr TColor clBtnShadow = SysColor(16);
constexpr TColor clGrayText = SysColor(17);
constexpr TColor clBtnText = SysColor(18);
constexpr TColor clInactiveCaptionText = SysColor(19);
constexpr TColor clBtnHighlight = SysColor(20);
constexpr TColor cl3DDkShadow = SysColor(21);
constexpr TColor cl3DLight = SysColor(22);
constexpr TColor clInfoText = SysColor(23);
constexpr TColor clInfoBk = SysColor(24);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A4;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// A system colour becomes its RGB value; others are returned unchanged.
TColor ColorToRGB(TColor color);
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& c);
// "clRed" for a known colour, else "$00BBGGRR".
std::string ColorToString(TColor color);
// An identifier ("clBtnFace") or a number ("$0000FF", "255"); EConvertError otherwise.
TColor StringToColor(std::string_view text);
bool IdentToColor(std::string_view ident, TColor& color);
bool ColorToIdent(TColor color, std::string& ident);

// ---------------------------------------------------------------------------------------
// Fonts

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
using TFontCharset = std::uint8_t;
enum TFontPitch { fpDefault, fpVariable, fpFixed };

constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;

// Screen resolution the forms are designed for.
constexpr int ScreenPixelsPerInch = 96;

// The face a design-time font name and character set are drawn with: "宋体"/"SimSun" →
// Noto Serif CJK SC, "MingLiU" → Noto Serif CJK TC, "Tahoma" and other Windows Latin faces →
// a Latin sans face; charset 134 prefers the SC face for Chinese, 136 the TC face.
QStringList MapFontFamilies(const std::string& name, TFontCharset charset);

class TFont : public TPersistent {
    STEWARD_CLASS(TFont, TPersistent)
    TFont();

    const std::string& Name() const { return name_; }
    void SetName(const std::string& v);
    // Negative: character height in pixels; positive: cell height.
    int Height() const { return height_; }
    void SetHeight(int v);
    int Size() const;
    void SetSize(int points);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset v);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles v);
    TColor Color() const { return color_; }
    void SetColor(TColor v);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch v);

    void Assign(TPersistent* source) override;
    bool SameAs(const TFont& other) const;
    const QFont& ToQFont() const;

    TNotifyEvent OnChange;

private:
    void Changed();
    mutable QFont qfont_;
    mutable bool qfontValid_ = false;
    std::string name_ = "Tahoma";
    int height_ = -11;
    TFontCharset charset_ = DEFAULT_CHARSET;
    TFontStyles style_;
    TColor color_ = clWindowText;
    TFontPitch pitch_ = fpDefault;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };

class TBrush : public TPersistent {
    STEWARD_CLASS(TBrush, TPersistent)
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }
    TBrushStyle Style() const { return style_; }
    void SetStyle(TBrushStyle s) { style_ = s; }
    void Assign(TPersistent* source) override;

private:
    TColor color_ = clWhite;
    TBrushStyle style_ = bsSolid;
};

class TPen : public TPersistent {
    STEWARD_CLASS(TPen, TPersistent)
    TColor Color() const { return color_; }
    void SetColor(TColor c) { color_ = c; }
    int Width() const { return width_; }
    void SetWidth(int w) { width_ = w; }
    TPenStyle Style() const { return style_; }
    void SetStyle(TPenStyle s) { style_ = s; }
    void Assign(TPersistent* source) override;

private:
    TColor color_ = clBlack;
    int width_ = 1;
    TPenStyle style_ = psSolid;
};

class TBitmap;

// Drawing on a bitmap, or (while a control paints itself) on a painter the control lends.
class TCanvas : public TPersistent {
    STEWARD_CLASS(TCanvas, TPersistent)
    TCanvas();
    explicit TCanvas(QImage* target);
    explicit TCanvas(QPainter* painter);
    ~TCanvas() override;

    TFont* Font() { return &font_; }
    TBrush* Brush() { return &brush_; }
    TPen* Pen() { return &pen_; }
    TPoint PenPos() const { return penPos_; }

    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y);
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    void Rectangle(int l, int t, int r, int b);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void Ellipse(int l, int t, int r, int b);
    void TextOut(int x, int y, const std::string& text);
    void TextRect(const TRect& r, int x, int y, const std::string& text);
    TPoint TextExtent(const std::string& text);
    int TextWidth(const std::string& text) { return TextExtent(text).X; }
    int TextHeight(const std::string& text) { return TextExtent(text).Y; }
    void Draw(int x, int y, TBitmap* bitmap);
    void StretchDraw(const TRect& r, TBitmap* bitmap);
    TColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, TColor c);

    void SetTarget(QImage* target) { image_ = target; }
    void SetPainter(QPainter* painter) { painter_ = painter; }
    // The painter lent while a control paints itself (null otherwise).
    QPainter* Painter() const { return painter_; }

private:
    template <class F> void Paint(F&& f);
    QImage* image_ = nullptr;
    QPainter* painter_ = nullptr;
    TFont font_;
    TBrush brush_;
    TPen pen_;
    TPoint penPos_;
};

enum TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };

// A picture held as 24-bit pixels. Its transparent colour is, by default, the colour of
// its bottom-left pixel.
class TBitmap : public TPersistent {
    STEWARD_CLASS(TBitmap, TPersistent)
    TBitmap();
    TBitmap(int width, int height);
    ~TBitmap() override;

    int Width() const { return image_.width(); }
    int Height() const { return image_.height(); }
    void SetWidth(int w) { SetSize(w, Height()); }
    void SetHeight(int h) { SetSize(Width(), h); }
    // Keeps the pixels that still fit; new pixels are white.
    void SetSize(int w, int h);
    bool Empty() const { return image_.isNull() || Width() == 0 || Height() == 0; }
    TPixelFormat PixelFormat() const { return pf24bit; }
    void SetPixelFormat(TPixelFormat) {}

    TCanvas* Canvas() { return &canvas_; }
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool t) { transparent_ = t; }
    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode m) { transparentMode_ = m; }
    TColor TransparentColor() const;
    void SetTransparentColor(TColor c);

    void LoadFromFile(const std::string& fileName); // EInOutError-like EConvertError on failure
    void SaveToFile(const std::string& fileName) const;
    void Assign(TPersistent* source) override;

    const QImage& Image() const { return image_; }
    void SetImage(const QImage& image);
    // The picture as drawn on a control: transparent colour made transparent when asked.
    QPixmap ToPixmap(bool useTransparency = true) const;

    TNotifyEvent OnChange;

private:
    QImage image_;
    TCanvas canvas_;
    bool transparent_ = false;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
};
