#include "Graphics.h"
#include "TvResD5.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

class GlyphLibraryTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "glyph-tests";
        static char* argv[] = {name, nullptr};
        if (QGuiApplication::instance() == nullptr)
            app_ = new QGuiApplication(argc, argv);
    }
    static void TearDownTestSuite() {
        delete app_;
        app_ = nullptr;
    }

    static inline QGuiApplication* app_ = nullptr;
};

TEST_F(GlyphLibraryTest, ServesEveryPictureTheFormsNameAsSquareStrips) {
    struct Case {
        int id;
        int images;
    };
    // lookup, date picker, delete-all (with its disabled image), delete-one, users,
    // footer/sign-off, tree, and the scheme panel's image lists
    const Case cases[] = {{8, 1},  {9, 1},   {4, 2},   {47, 1},  {39, 1},  {81, 1},
                          {84, 1}, {101, 1}, {105, 1}, {111, 1}, {115, 1}, {1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        TBitmap bitmap;
        ASSERT_TRUE(LoadBmp(&bitmap, c.id));
        ASSERT_GT(bitmap.Height(), 0);
        EXPECT_EQ(bitmap.Width(), bitmap.Height() * c.images);
        EXPECT_LE(c.id, GetMaxBmpID());

        // The corner names the transparent colour, and the picture is not all background.
        const QImage& image = bitmap.Image();
        const QRgb key = image.pixel(0, image.height() - 1);
        EXPECT_EQ(bitmap.TransparentColor(), QColorToColor(QColor(key)));
        int drawn = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.height(); ++x)
                drawn += image.pixel(x, y) != key ? 1 : 0;
        }
        EXPECT_GT(drawn, image.height() * image.height() / 10);
    }
}

TEST_F(GlyphLibraryTest, DisabledImageDiffersFromTheEnabledOne) {
    TBitmap bitmap;
    ASSERT_TRUE(LoadBmp(&bitmap, 4));
    const QImage& image = bitmap.Image();
    const int size = image.height();
    EXPECT_NE(image.copy(0, 0, size, size), image.copy(size, 0, size, size));
}

TEST_F(GlyphLibraryTest, RefusesNumbersItDoesNotHold) {
    TBitmap bitmap;
    for (int id : {0, -1, 11, GetMaxBmpID() + 1}) {
        EXPECT_FALSE(LoadBmp(&bitmap, id)) << id;
        EXPECT_TRUE(bitmap.Empty()) << id;
    }
    EXPECT_FALSE(LoadBmp(nullptr, 8));
}

// STEWARD_GLYPH_SHEET=file.png writes every picture, enlarged, to look at.
TEST_F(GlyphLibraryTest, WritesAContactSheetWhenAsked) {
    const char* sheetFile = std::getenv("STEWARD_GLYPH_SHEET");
    if (sheetFile == nullptr)
        GTEST_SKIP() << "STEWARD_GLYPH_SHEET not set";
    constexpr int kCell = 80;
    QImage sheet(kCell * 12, kCell * 3, QImage::Format_RGB32);
    sheet.fill(QColor(240, 240, 240));
    QPainter painter(&sheet);
    int cell = 0;
    for (int id = 1; id <= GetMaxBmpID(); ++id) {
        TBitmap bitmap;
        if (!LoadBmp(&bitmap, id))
            continue;
        const QPixmap pixmap = bitmap.ToPixmap(true);
        const int x = (cell % 12) * kCell;
        const int y = (cell / 12) * kCell;
        painter.drawPixmap(x + 4, y + 4, pixmap);
        painter.drawPixmap(QRect(x + 4, y + 28, pixmap.width() * 2, pixmap.height() * 2), pixmap);
        painter.drawText(x + 30, y + 16, QString::number(id));
        ++cell;
    }
    painter.end();
    ASSERT_TRUE(sheet.save(sheetFile));
}

} // namespace
