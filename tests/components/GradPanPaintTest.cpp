// The gradient panel's painting, read back from a DIB section painted by Wine's GDI.
#include <gtest/gtest.h>

#include <string>

#include "Surface.h"
#include "components/GradPan.h"

using namespace components;
using platform::BevelCut;
using platform::TextAlignment;
using namespace testing_support;  // the painting surface and its comparisons

namespace {

int Red(COLORREF c) { return GetRValue(c); }

GradPanLook Plain(int w, int h, TDirection mode) {
    GradPanLook look;
    look.width = w;
    look.height = h;
    look.backGroundEffect = mode;
    look.bevelOuter = BevelCut::None;
    look.caption.clear();
    return look;
}

std::vector<COLORREF> Paint(const GradPanLook& look, Surface& surface) {
    ColorTable table{};
    PaintGradPan(surface.Dc(), look, table, nullptr);
    return surface.Pixels();
}

}  // namespace

TEST(BuildGradient, DownwardChannelKeepsTheExtendedPrecisionDigits) {
    ColorTable t{};
    BuildGradient(t, RGB(255, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(Red(t[0]), 255);
    EXPECT_EQ(Red(t[1]), 252);
    EXPECT_EQ(Red(t[20]), 204);
    EXPECT_EQ(Red(t[99]), 2);
}

TEST(BuildGradient, UpwardChannelComesOutOneBelowAtMultiplesOfTwenty) {
    ColorTable t{};
    BuildGradient(t, RGB(0, 0, 0), RGB(0, 255, 0));
    const int expected[][2] = {{0, 0}, {1, 2}, {20, 50}, {40, 101}, {60, 152}, {80, 203}, {99, 252}};
    for (auto [i, v] : expected) EXPECT_EQ(GetGValue(t[i]), v) << "entry " << i;
    for (COLORREF c : t) EXPECT_EQ(c & 0xFF00FFu, 0u);  // other channels stay 0, top byte 0
}

TEST(BuildGradient, SystemColourReferenceIsReadAsItsLowBytes) {
    ColorTable t{};
    BuildGradient(t, 0x8000000F, RGB(15, 0, 0));
    EXPECT_EQ(t[0], 0x0000000Fu);  // low bytes 0F 00 00, not the resolved button face
}

TEST(GradPanPaint, FiftyPixelPanelShowsEveryOtherBand) {
    Surface s(8, 50);
    GradPanLook look = Plain(8, 50, bdUp);
    look.colorStart = RGB(0, 0, 0);
    look.colorEnd = RGB(255, 0, 0);
    Paint(look, s);
    ColorTable t{};
    BuildGradient(t, look.colorStart, look.colorEnd);
    for (int row = 0; row < 50; ++row) EXPECT_EQ(s.Pixel(3, row), t[2 * row]) << "row " << row;
}

TEST(GradPanPaint, HundredPixelColumnsLeftToRight) {
    ColorTable t{};
    BuildGradient(t, RGB(0, 0, 0), RGB(200, 100, 50));
    Surface s(100, 4);
    GradPanLook look = Plain(100, 4, bdLeft);
    look.colorStart = RGB(0, 0, 0);
    look.colorEnd = RGB(200, 100, 50);
    Paint(look, s);
    for (int col = 0; col < 100; ++col) ASSERT_EQ(s.Pixel(col, 2), t[col]) << "column " << col;
}

TEST(GradPanPaint, HorzInMirrorsTheTableFromTheEdgesToTheMiddle) {
    Surface s(4, 100);
    GradPanLook look = Plain(4, 100, bdHorzIn);
    look.colorStart = RGB(0, 0, 0);
    look.colorEnd = RGB(0, 0, 250);
    Paint(look, s);
    ColorTable t{};
    BuildGradient(t, look.colorStart, look.colorEnd);
    EXPECT_EQ(s.Pixel(1, 0), t[1]);
    EXPECT_EQ(s.Pixel(1, 1), t[3]);
    EXPECT_EQ(s.Pixel(1, 49), t[99]);
    EXPECT_EQ(s.Pixel(1, 50), t[98]);
    EXPECT_EQ(s.Pixel(1, 98), t[2]);
    EXPECT_EQ(s.Pixel(1, 99), t[0]);
}

TEST(GradPanPaint, BlueToBlackTopAndBottomBands) {
    Surface s(30, 600);
    GradPanLook look = Plain(30, 600, bdUp);
    look.colorStart = RGB(0, 0, 255);
    look.colorEnd = RGB(0, 0, 0);
    Paint(look, s);
    for (int row = 0; row < 6; ++row) EXPECT_EQ(s.Pixel(15, row), RGB(0, 0, 255));
    for (int row = 594; row < 600; ++row) EXPECT_EQ(s.Pixel(15, row), RGB(0, 0, 2));
}

TEST(GradPanPaint, FlatFillsWithTheResolvedSystemColour) {
    Surface s(20, 10);
    GradPanLook look = Plain(20, 10, bdFlat);
    look.colorStart = 0x80000000 | COLOR_HIGHLIGHT;
    Paint(look, s);
    const COLORREF expected = ::GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(s.Pixel(0, 0), expected);
    EXPECT_EQ(s.Pixel(19, 9), expected);
}

class BitmapModes : public ::testing::Test {
protected:
    // A 10 x 10 picture, green with a red top-left pixel.
    void SetUp() override {
        Surface source(10, 10, RGB(0, 200, 0));
        source.SetPixel(0, 0, RGB(255, 0, 0));
        picture_.Reset(::CreateCompatibleBitmap(screen_.Get(), 10, 10));
        platform::ScopedMemoryDc dc(::CreateCompatibleDC(nullptr));
        platform::ScopedSelectObject sel(dc.Get(), picture_.Get());
        ::BitBlt(dc.Get(), 0, 0, 10, 10, source.Dc(), 0, 0, SRCCOPY);
    }
    platform::ScopedGetDc screen_{nullptr};
    platform::ScopedBitmap picture_;
};

TEST_F(BitmapModes, StretchLeavesTheLastColumnAndRowInsideTheMargin) {
    const COLORREF bg = RGB(1, 2, 3);
    Surface s(40, 30, bg);
    GradPanLook look = Plain(40, 30, bdStretchImage);
    look.bitmap = picture_.Get();
    PaintBitmap(s.Dc(), look);
    EXPECT_EQ(s.Pixel(0, 0), RGB(255, 0, 0));
    EXPECT_EQ(s.Pixel(38, 28), RGB(0, 200, 0));
    EXPECT_EQ(s.Pixel(39, 10), bg);
    EXPECT_EQ(s.Pixel(10, 29), bg);

    s.Fill(bg);
    look.ctl3D = true;
    look.bevelWidth = 2;
    look.borderWidth = 1;  // margin 2 * 2 + 1 = 5
    PaintBitmap(s.Dc(), look);
    EXPECT_EQ(s.Pixel(4, 4), bg);
    EXPECT_EQ(s.Pixel(5, 5), RGB(255, 0, 0));
    EXPECT_EQ(s.Pixel(33, 23), RGB(0, 200, 0));
    EXPECT_EQ(s.Pixel(34, 23), bg);
    EXPECT_EQ(s.Pixel(33, 24), bg);
}

TEST_F(BitmapModes, TileStartsAtTheMarginAndRunsOnToTheEdge) {
    const COLORREF bg = RGB(1, 2, 3);
    Surface s(40, 30, bg);
    GradPanLook look = Plain(40, 30, bdTileImage);
    look.bitmap = picture_.Get();
    look.ctl3D = true;
    look.bevelWidth = 1;
    look.borderWidth = 1;  // margin 3: columns 34 / 10 + 1 = 4, rows 24 / 10 + 1 = 3
    PaintBitmap(s.Dc(), look);
    EXPECT_EQ(s.Pixel(2, 2), bg);
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 3; ++r) EXPECT_EQ(s.Pixel(3 + 10 * c, 3 + 10 * r), RGB(255, 0, 0)) << c << "," << r;
    EXPECT_EQ(s.Pixel(39, 29), RGB(0, 200, 0));  // not clipped to the margin
}

TEST(GradPanPaint, MissingPictureInBitmapModesPaintsFlat) {
    for (TDirection mode : {bdStretchImage, bdTileImage}) {
        Surface s(12, 12);
        GradPanLook look = Plain(12, 12, mode);
        look.colorStart = RGB(9, 8, 7);
        look.bitmap = nullptr;
        Paint(look, s);
        EXPECT_EQ(s.Pixel(0, 0), RGB(9, 8, 7));
        EXPECT_EQ(s.Pixel(11, 11), RGB(9, 8, 7));
    }
}

TEST(GradPanPaint, BevelColoursRaisedLoweredAndSpace) {
    const COLORREF white = RGB(255, 255, 255), grey = RGB(128, 128, 128), fill = RGB(0, 0, 90);
    struct Case { BevelCut outer; COLORREF topLeft, bottomRight; };
    for (Case c : {Case{BevelCut::Raised, white, grey}, Case{BevelCut::Lowered, grey, white}, Case{BevelCut::Space, grey, white}}) {
        Surface s(20, 16);
        GradPanLook look = Plain(20, 16, bdFlat);
        look.colorStart = fill;
        look.bevelOuter = c.outer;
        look.bevelWidth = 2;
        Paint(look, s);
        EXPECT_EQ(s.Pixel(5, 0), c.topLeft);
        EXPECT_EQ(s.Pixel(5, 1), c.topLeft);
        EXPECT_EQ(s.Pixel(0, 8), c.topLeft);
        EXPECT_EQ(s.Pixel(5, 15), c.bottomRight);
        EXPECT_EQ(s.Pixel(18, 8), c.bottomRight);
        EXPECT_EQ(s.Pixel(19, 8), c.bottomRight);
        EXPECT_EQ(s.Pixel(5, 2), fill);
    }
}

// Caption passes: the plain text's pixels (drawn once with tenone) are the stamp; each
// effect must equal the background with the stamp applied at its offsets, in order.
class CaptionPasses : public ::testing::Test {
protected:
    void SetUp() override {
        font_.Reset(CreateCrispFont("Tahoma", -16, true));
        ASSERT_TRUE(font_);
        look_ = Plain(kW, kH, bdFlat);
        look_.colorStart = RGB(0, 0, 120);
        look_.font = font_.Get();
        look_.alignment = TextAlignment::LeftJustify;
        look_.vertAlign = vlCenter;
        look_.caption = "Wg|Mq";
    }
    std::vector<COLORREF> Render(TTextEffect effect) {
        look_.textEffect = effect;
        Surface s(kW, kH);
        return Paint(look_, s);
    }
    void ExpectLayers(TTextEffect effect, const std::vector<Layer>& layers) {
        std::string caption = look_.caption;
        look_.caption.clear();
        const auto base = Render(tenone);
        look_.caption = caption;
        const COLORREF shadow = look_.colorShadow;
        look_.colorShadow = RGB(255, 255, 255);
        const auto stamp = Difference(base, Render(tenone), kW);
        look_.colorShadow = shadow;
        ASSERT_GT(stamp.size(), 20u);
        const auto actual = Render(effect);
        const auto expected = Compose(base, kW, kH, stamp, layers);
        EXPECT_EQ(expected, actual) << DescribeDifferences(expected, actual, kW);
    }
    static constexpr int kW = 90, kH = 120;
    platform::ScopedFont font_;
    GradPanLook look_;
};

TEST_F(CaptionPasses, NoEffectDrawsOnceInColorShadow) {
    look_.colorShadow = RGB(200, 0, 0);
    look_.fontColor = RGB(0, 255, 0);
    ExpectLayers(tenone, {{0, 0, RGB(200, 0, 0)}});
}

TEST_F(CaptionPasses, ShadowIsTwoPixelsOffUnrotatedAndOneRotated) {
    look_.colorShadow = RGB(0, 0, 0);
    look_.fontColor = RGB(255, 255, 0);
    ExpectLayers(teShadow, {{2, 2, RGB(0, 0, 0)}, {0, 0, RGB(255, 255, 0)}});
    look_.textRotation = TrUp;
    ExpectLayers(teShadow, {{1, 1, RGB(0, 0, 0)}, {0, 0, RGB(255, 255, 0)}});
    look_.textRotation = TrDown;
    ExpectLayers(teShadow, {{1, 1, RGB(0, 0, 0)}, {0, 0, RGB(255, 255, 0)}});
}

TEST(DrawRotatedText, LongCaptionIsCutTo255Characters) {
    platform::ScopedFont font(CreateCrispFont("Tahoma", -10));
    const std::string text255(255, 'W');
    const std::string text400 = text255 + std::string(145, 'M');
    SIZE extent{};
    {
        Surface probe(4, 4);
        ::SelectObject(probe.Dc(), font.Get());
        ::GetTextExtentPoint32A(probe.Dc(), text400.data(), 400, &extent);
    }
    const int w = extent.cx + 20;
    Surface cut(w, 20), full(w, 20);
    for (auto* s : {&cut, &full}) {
        ::SelectObject(s->Dc(), font.Get());
        ::SetBkMode(s->Dc(), TRANSPARENT);
        ::SetTextColor(s->Dc(), RGB(255, 255, 255));
    }
    // Angle 0 keeps the whole 400-character run on the surface, so a longer draw would show.
    DrawRotatedText(cut.Dc(), 2, 2, 0, text255);
    DrawRotatedText(full.Dc(), 2, 2, 0, text400);
    const auto a = cut.Pixels();
    EXPECT_NE(a, Surface(w, 20).Pixels());
    EXPECT_EQ(a, full.Pixels());
}

TEST(GradPanHitTest, MoveableZones) {
    const int w = 100, h = 50, m = 6;
    struct P { int x, y; LRESULT hit; };
    const P points[] = {
        {0, 0, HTTOPLEFT},     {5, 5, HTTOPLEFT},      {0, 49, HTBOTTOMLEFT}, {5, 45, HTBOTTOMLEFT},
        {5, 25, HTLEFT},       {6, 25, HTCAPTION},     {99, 0, HTTOPRIGHT},   {95, 5, HTTOPRIGHT},
        {95, 45, HTBOTTOMRIGHT}, {95, 25, HTRIGHT},    {94, 25, HTCAPTION},   {50, 0, HTTOP},
        {50, 5, HTTOP},        {50, 6, HTCAPTION},     {50, 45, HTBOTTOM},    {50, 44, HTCAPTION},
        {94, 44, HTCAPTION},   {6, 6, HTCAPTION},
    };
    for (const P& p : points) {
        EXPECT_EQ(GradPanHitTest(p.x, p.y, w, h, m, true), p.hit) << p.x << "," << p.y;
        EXPECT_EQ(GradPanHitTest(p.x, p.y, w, h, m, false), HTNOWHERE) << p.x << "," << p.y;
    }
}

TEST(GradPanHitTest, NarrowPanelLeftAndTopAnswersWin) {
    // 8 x 8 with Marge 6: every point is in a left or right zone and a top or bottom zone.
    EXPECT_EQ(GradPanHitTest(3, 3, 8, 8, 6, true), HTTOPLEFT);
    EXPECT_EQ(GradPanHitTest(5, 7, 8, 8, 6, true), HTBOTTOMLEFT);
    EXPECT_EQ(GradPanHitTest(6, 3, 8, 8, 6, true), HTTOPRIGHT);
    EXPECT_EQ(GradPanHitTest(7, 7, 8, 8, 6, true), HTBOTTOMRIGHT);
    // 8 wide, 40 high: mid-height points are left up to x 5, right after.
    EXPECT_EQ(GradPanHitTest(5, 20, 8, 40, 6, true), HTLEFT);
    EXPECT_EQ(GradPanHitTest(6, 20, 8, 40, 6, true), HTRIGHT);
    EXPECT_EQ(GradPanHitTest(3, 3, 8, 8, 6, false), HTNOWHERE);
}
