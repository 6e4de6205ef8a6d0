#include "TvResD5.h"

#include "Graphics.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>

namespace {

// Pictures are drawn in a 16-unit square and scaled to their pixel size.
constexpr double kDesignUnits = 16.0;
constexpr int kGlyphSize = 16;
constexpr int kLargeListSize = 24;
constexpr int kSmallListSize = 18;
// The colour that stands for "transparent"; no picture uses it.
const QColor kTransparentKey(128, 128, 0);
// Anti-aliased edges are blended with the button face they will be drawn on.
const QColor kButtonFace(240, 240, 240);
constexpr int kOpaqueAlpha = 96;

using Drawer = void (*)(QPainter& p);

struct Picture {
    int id;
    int size;       // pixels per image
    int imageCount; // 2 = enabled image followed by the disabled one
    Drawer draw;
};

QPen Outline(const QColor& colour, double width = 1.0) {
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    return pen;
}

void Tick(QPainter& p, const QColor& colour, double width) {
    p.setPen(Outline(colour, width));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(std::array{QPointF(3, 8.5), QPointF(6.5, 12), QPointF(13, 4)}.data(), 3);
}

void Cross(QPainter& p, const QRectF& r, const QColor& colour, double width) {
    p.setPen(Outline(colour, width));
    p.drawLine(r.topLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomLeft());
}

// A sheet of paper with a folded corner.
void Sheet(QPainter& p, const QRectF& r) {
    const double fold = r.width() * 0.3;
    QPainterPath path;
    path.moveTo(r.left(), r.top());
    path.lineTo(r.right() - fold, r.top());
    path.lineTo(r.right(), r.top() + fold);
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(Outline(QColor(90, 100, 120)));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold));
    p.drawLine(QPointF(r.right() - fold, r.top() + fold), QPointF(r.right(), r.top() + fold));
}

void TextLines(QPainter& p, double left, double right, double top, int count) {
    p.setPen(Outline(QColor(120, 140, 170), 0.9));
    for (int i = 0; i < count; ++i)
        p.drawLine(QPointF(left, top + 2.0 * i), QPointF(right, top + 2.0 * i));
}

void Magnifier(QPainter& p, const QPointF& centre, double radius) {
    p.setPen(Outline(QColor(60, 60, 70), 1.6));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(centre, radius, radius);
    p.setPen(Outline(QColor(120, 80, 40), 2.4));
    const double d = radius * 0.72;
    p.drawLine(centre + QPointF(d, d), centre + QPointF(d + 4, d + 4));
}

void DrawOk(QPainter& p) {
    Tick(p, QColor(30, 140, 50), 2.4);
}

void DrawCancel(QPainter& p) {
    Cross(p, QRectF(4, 4, 8, 8), QColor(200, 40, 40), 2.4);
}

void DrawOkAndClose(QPainter& p) {
    p.setPen(Outline(QColor(110, 80, 50)));
    p.setBrush(QColor(235, 215, 170));
    p.drawRect(QRectF(9.5, 2.5, 5, 11));
    p.save();
    p.scale(0.75, 0.75);
    Tick(p, QColor(30, 140, 50), 2.8);
    p.restore();
}

void DrawDeleteAll(QPainter& p) {
    Cross(p, QRectF(2.5, 3, 6, 6), QColor(200, 40, 40), 1.8);
    Cross(p, QRectF(7.5, 7, 6, 6), QColor(200, 40, 40), 1.8);
}

void DrawQuery(QPainter& p) {
    Sheet(p, QRectF(1.5, 1.5, 9, 12));
    TextLines(p, 3.5, 8, 5, 3);
    Magnifier(p, QPointF(10, 9.5), 3.2);
}

void DrawDesign(QPainter& p) {
    Sheet(p, QRectF(1.5, 1.5, 9, 12));
    TextLines(p, 3.5, 8, 5, 3);
    p.setPen(Outline(QColor(60, 60, 70)));
    p.setBrush(QColor(240, 190, 60));
    const std::array pencil{QPointF(13.5, 4.5), QPointF(15, 6), QPointF(8.5, 12.5),
                            QPointF(6.5, 13), QPointF(7, 11)};
    p.drawPolygon(pencil.data(), static_cast<int>(pencil.size()));
}

void DrawDownArrow(QPainter& p) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    const std::array arrow{QPointF(4, 6), QPointF(12, 6), QPointF(8, 11)};
    p.drawPolygon(arrow.data(), static_cast<int>(arrow.size()));
}

void DrawLookup(QPainter& p) {
    p.setPen(Outline(QColor(90, 100, 120)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 1.5, 10, 11));
    TextLines(p, 3.5, 9.5, 4, 3);
    Magnifier(p, QPointF(9.5, 9.5), 3.4);
}

void DrawCalendar(QPainter& p) {
    p.setPen(Outline(QColor(70, 80, 100)));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2.5, 13, 12));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(200, 50, 50));
    p.drawRect(QRectF(2, 3, 12, 3));
    p.setBrush(QColor(90, 100, 120));
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 4; ++col)
            p.drawRect(QRectF(3 + col * 2.8, 7.3 + row * 2.3, 1.6, 1.4));
    }
    p.setPen(Outline(QColor(70, 80, 100), 1.2));
    p.drawLine(QPointF(5, 1), QPointF(5, 4));
    p.drawLine(QPointF(11, 1), QPointF(11, 4));
}

void DrawGlobe(QPainter& p) {
    p.setPen(Outline(QColor(30, 80, 150), 1.1));
    p.setBrush(QColor(170, 210, 245));
    p.drawEllipse(QPointF(8, 8), 6.3, 6.3);
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(8, 8), 2.8, 6.3);
    p.drawLine(QPointF(1.7, 8), QPointF(14.3, 8));
    p.drawLine(QPointF(8, 1.7), QPointF(8, 14.3));
}

void Person(QPainter& p, const QPointF& head, const QColor& colour) {
    p.setPen(Outline(colour.darker(140)));
    p.setBrush(colour);
    p.drawEllipse(head, 2.3, 2.3);
    QPainterPath body;
    body.moveTo(head.x() - 4, head.y() + 8.5);
    body.cubicTo(head.x() - 4, head.y() + 3, head.x() + 4, head.y() + 3, head.x() + 4,
                 head.y() + 8.5);
    body.closeSubpath();
    p.drawPath(body);
}

void DrawUsers(QPainter& p) {
    Person(p, QPointF(10.5, 4), QColor(120, 160, 220));
    Person(p, QPointF(5.5, 6), QColor(60, 120, 200));
}

void DrawDeleteOne(QPainter& p) {
    Cross(p, QRectF(4.5, 4.5, 7, 7), QColor(200, 40, 40), 2.0);
}

void DrawSignOff(QPainter& p) {
    Sheet(p, QRectF(2.5, 1.5, 10, 13));
    TextLines(p, 4.5, 10, 4.5, 2);
    p.setPen(Outline(QColor(30, 60, 160), 1.0));
    QPainterPath signature;
    signature.moveTo(4, 12);
    signature.cubicTo(5.5, 8.5, 6.5, 13.5, 8, 11);
    signature.cubicTo(9, 9.5, 9.5, 12.5, 11, 11);
    p.setBrush(Qt::NoBrush);
    p.drawPath(signature);
}

void DrawTree(QPainter& p) {
    p.setPen(Outline(QColor(110, 110, 110)));
    p.drawLine(QPointF(4, 5), QPointF(4, 12.5));
    p.drawLine(QPointF(4, 8.5), QPointF(8, 8.5));
    p.drawLine(QPointF(4, 12.5), QPointF(8, 12.5));
    p.setPen(Outline(QColor(150, 110, 30)));
    p.setBrush(QColor(245, 200, 90));
    p.drawRect(QRectF(1.5, 1.5, 5, 3.5));
    p.setBrush(QColor(120, 180, 240));
    p.setPen(Outline(QColor(40, 90, 160)));
    p.drawRect(QRectF(8.5, 7, 5, 3));
    p.drawRect(QRectF(8.5, 11, 5, 3));
}

void DrawScheme(QPainter& p) {
    Sheet(p, QRectF(3, 1.5, 10, 13));
    TextLines(p, 5, 11, 5, 4);
}

void DrawSave(QPainter& p) {
    p.setPen(Outline(QColor(30, 50, 110)));
    p.setBrush(QColor(60, 100, 190));
    p.drawRect(QRectF(2, 2, 12, 12));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(4.5, 2, 7, 4.5));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(4.5, 9, 7, 5));
}

void DrawOpen(QPainter& p) {
    p.setPen(Outline(QColor(150, 110, 30)));
    p.setBrush(QColor(230, 185, 80));
    p.drawRect(QRectF(1.5, 4, 11, 9.5));
    p.setBrush(QColor(250, 215, 120));
    const std::array flap{QPointF(3.5, 7), QPointF(15, 7), QPointF(12.5, 13.5), QPointF(1.5, 13.5)};
    p.drawPolygon(flap.data(), static_cast<int>(flap.size()));
}

void DrawDeleteScheme(QPainter& p) {
    Sheet(p, QRectF(2, 1.5, 9, 12));
    Cross(p, QRectF(8, 8, 5.5, 5.5), QColor(200, 40, 40), 2.0);
}

void DrawViewIcons(QPainter& p) {
    p.setPen(Outline(QColor(40, 90, 160)));
    p.setBrush(QColor(120, 180, 240));
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 2; ++col)
            p.drawRect(QRectF(2 + col * 6.5, 2 + row * 6.5, 5, 5));
    }
}

// Scheme panel images: 24-pixel ids 101.., 18-pixel ids 111.., in image-list order.
constexpr int kLargeListBase = 101;
constexpr int kSmallListBase = 111;

const std::array kPictures{
    Picture{1, kGlyphSize, 1, DrawOk},
    Picture{2, kGlyphSize, 1, DrawCancel},
    Picture{3, kGlyphSize, 1, DrawOkAndClose},
    Picture{4, kGlyphSize, 2, DrawDeleteAll},
    Picture{5, kGlyphSize, 1, DrawQuery},
    Picture{6, kGlyphSize, 1, DrawDesign},
    Picture{7, kGlyphSize, 1, DrawDownArrow},
    Picture{8, kGlyphSize, 1, DrawLookup},
    Picture{9, kGlyphSize, 1, DrawCalendar},
    Picture{10, kGlyphSize, 1, DrawGlobe},
    Picture{39, kGlyphSize, 1, DrawUsers},
    Picture{47, kGlyphSize, 1, DrawDeleteOne},
    Picture{81, kGlyphSize, 1, DrawSignOff},
    Picture{84, kGlyphSize, 1, DrawTree},
    Picture{kLargeListBase + 0, kLargeListSize, 1, DrawScheme},
    Picture{kLargeListBase + 1, kLargeListSize, 1, DrawSave},
    Picture{kLargeListBase + 2, kLargeListSize, 1, DrawOpen},
    Picture{kLargeListBase + 3, kLargeListSize, 1, DrawDeleteScheme},
    Picture{kLargeListBase + 4, kLargeListSize, 1, DrawViewIcons},
    Picture{kSmallListBase + 0, kSmallListSize, 1, DrawScheme},
    Picture{kSmallListBase + 1, kSmallListSize, 1, DrawSave},
    Picture{kSmallListBase + 2, kSmallListSize, 1, DrawOpen},
    Picture{kSmallListBase + 3, kSmallListSize, 1, DrawDeleteScheme},
    Picture{kSmallListBase + 4, kSmallListSize, 1, DrawViewIcons},
};

const Picture* FindPicture(int id) {
    const auto it = std::find_if(kPictures.begin(), kPictures.end(),
                                 [id](const Picture& picture) { return picture.id == id; });
    return it == kPictures.end() ? nullptr : &*it;
}

QImage DrawImage(const Picture& picture) {
    QImage image(picture.size, picture.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(picture.size / kDesignUnits, picture.size / kDesignUnits);
    picture.draw(painter);
    return image;
}

// The disabled look: the picture in light grey.
QImage Disabled(const QImage& image) {
    QImage result = image;
    for (int y = 0; y < result.height(); ++y) {
        for (int x = 0; x < result.width(); ++x) {
            const QColor c = result.pixelColor(x, y);
            const int grey = 130 + qGray(c.rgb()) / 3;
            result.setPixelColor(x, y, QColor(grey, grey, grey, c.alpha()));
        }
    }
    return result;
}

// Pixels that are mostly transparent become the key colour, the others are blended with the
// button face so their edges stay smooth on a button.
void Flatten(const QImage& image, QImage& strip, int left) {
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < kOpaqueAlpha) {
                strip.setPixelColor(left + x, y, kTransparentKey);
                continue;
            }
            const double a = c.alphaF();
            strip.setPixelColor(left + x, y,
                                QColor::fromRgbF(c.redF() * a + kButtonFace.redF() * (1 - a),
                                                 c.greenF() * a + kButtonFace.greenF() * (1 - a),
                                                 c.blueF() * a + kButtonFace.blueF() * (1 - a)));
        }
    }
}

QImage DrawStrip(const Picture& picture) {
    QImage strip(picture.size * picture.imageCount, picture.size, QImage::Format_RGB32);
    strip.fill(kTransparentKey);
    const QImage image = DrawImage(picture);
    Flatten(image, strip, 0);
    if (picture.imageCount > 1)
        Flatten(Disabled(image), strip, picture.size);
    // The bottom-left pixel names the transparent colour.
    strip.setPixelColor(0, picture.size - 1, kTransparentKey);
    return strip;
}

} // namespace

extern "C" {

int GetMaxBmpID() {
    int highest = 0;
    for (const Picture& picture : kPictures)
        highest = std::max(highest, picture.id);
    return highest;
}

bool LoadBmp(TBitmap* bitmap, int id) {
    if (bitmap == nullptr)
        return false;
    const Picture* picture = FindPicture(id);
    if (picture == nullptr)
        return false;
    bitmap->SetImage(DrawStrip(*picture));
    return true;
}
}
