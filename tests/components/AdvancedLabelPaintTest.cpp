// The three-dimensional label's layers, read back from a DIB section painted by Wine's GDI.
// The plain text (3D off) is the stamp; each setting must equal the background with the
// stamp applied at the expected offsets, in the expected order.
#include <gtest/gtest.h>

#include "Surface.h"
#include "components/AdvancedLabel.h"

using namespace components;
using platform::TextAlignment;
using platform::TextLayout;
using namespace testing_support;  // the painting surface and its comparisons

namespace {

constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBack = RGB(0, 0, 140);

class LabelLayers : public ::testing::Test {
protected:
    void SetUp() override {
        font_.Reset(CreateCrispFont("Tahoma", -16, true));
        ASSERT_TRUE(font_);
        look_.client = RECT{0, 0, 180, 40};
        look_.caption = "VORNA Mail";
        look_.font = font_.Get();
        look_.fontColor = kWhite;
        look_.transparent = true;
        // The setup window's title.
        f3d_.SetEnabled(true);
        f3d_.SetStyle(fsInset);
        f3d_.SetHighlight(kGrey);
        f3d_.SetShadow(kBlack);
        f3d_.SetRepetition(frOnShadow);
        f3d_.SetRepetitionColor(kGrey);
        f3d_.SetRepetitionWidth(4);
    }
    // Paints at (10, 10) of a larger surface, so copies left of and above the text show.
    std::vector<COLORREF> Render(const LabelLook& look, const TFont3D& f3d) {
        Surface s(kW, kH, kBack);
        ::SetViewportOrgEx(s.Dc(), 10, 10, nullptr);
        PaintLabel3D(s.Dc(), look, f3d);
        return s.Pixels();
    }
    std::vector<COLORREF> Background() { return Surface(kW, kH, kBack).Pixels(); }
    testing_support::Mask Stamp() {
        TFont3D off;
        off.SetEnabled(false);
        LabelLook plain = look_;
        plain.enabled = true;
        auto stamp = Difference(Background(), Render(plain, off), kW);
        EXPECT_GT(stamp.size(), 30u);
        return stamp;
    }
    void ExpectLayers(const std::vector<Layer>& layers) {
        const auto expected = Compose(Background(), kW, kH, Stamp(), layers);
        const auto actual = Render(look_, f3d_);
        EXPECT_EQ(expected, actual) << DescribeDifferences(expected, actual, kW);
    }
    static constexpr int kW = 210, kH = 70;
    platform::ScopedFont font_;
    LabelLook look_;
    TFont3D f3d_;
};

}  // namespace

TEST_F(LabelLayers, TitleSettingsTrailDownRightThenInsetThenWhite) {
    ExpectLayers({{1, 1, kGrey}, {2, 2, kGrey}, {3, 3, kGrey}, {4, 4, kGrey},
                  {-1, -1, kGrey}, {1, 1, kBlack}, {0, 0, kWhite}});
}

TEST_F(LabelLayers, EffectOffDrawsOnlyTheMainText) {
    f3d_.SetEnabled(false);
    ExpectLayers({{0, 0, kWhite}});
}

TEST_F(LabelLayers, DisabledLabelShowsTheTwoSystemColoursAndNoEffect) {
    look_.enabled = false;
    ExpectLayers({{1, 1, ::GetSysColor(COLOR_BTNHIGHLIGHT)}, {0, 0, ::GetSysColor(COLOR_BTNSHADOW)}});
}

TEST_F(LabelLayers, OnHighLightMovesTheMainTextByTheWidth) {
    const COLORREF rep = RGB(200, 0, 0), shadow = RGB(0, 200, 0);
    f3d_.SetRepetition(frOnHighLight);
    f3d_.SetRepetitionWidth(3);
    f3d_.SetRepetitionColor(rep);
    f3d_.SetStyle(fsOnlyShadow);
    f3d_.SetShadow(shadow);
    ExpectLayers({{1, 1, rep}, {2, 2, rep}, {3, 3, rep}, {4, 4, shadow}, {3, 3, kWhite}});
}

TEST_F(LabelLayers, ZeroWidthDrawsNoCopiesAndNoDisplacement) {
    f3d_.SetRepetitionWidth(0);
    f3d_.SetStyle(fsOnlyHighlight);
    for (TFont3DRepeat r : {frOnShadow, frOnHighLight}) {
        f3d_.SetRepetition(r);
        ExpectLayers({{-1, -1, kGrey}, {0, 0, kWhite}});
    }
}

TEST_F(LabelLayers, NegativeWidthDrawsNoTrail) {
    f3d_.SetRepetitionWidth(-5);
    ExpectLayers({{-1, -1, kGrey}, {1, 1, kBlack}, {0, 0, kWhite}});
}

TEST_F(LabelLayers, OpaqueLabelFillsItsClientWithItsColour) {
    look_.transparent = false;
    look_.color = 0x80000000 | COLOR_BTNFACE;
    look_.caption.clear();
    const auto pixels = Render(look_, f3d_);
    EXPECT_EQ(pixels[10 * kW + 10], ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(pixels[49 * kW + 189], ::GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(pixels[50 * kW + 190], kBack);
}

TEST_F(LabelLayers, BottomAndCentreLayoutKeepTheHorizontalAlignment) {
    f3d_.SetEnabled(false);
    look_.alignment = TextAlignment::RightJustify;
    const auto top = Difference(Background(), Render(look_, f3d_), kW);
    RECT line{0, 0, 180, 0};
    {
        Surface probe(4, 4);
        ::SelectObject(probe.Dc(), font_.Get());
        ::DrawTextA(probe.Dc(), look_.caption.data(), -1, &line, DT_CALCRECT | DT_EXPANDTABS);
    }
    const int spare = 40 - line.bottom;
    ASSERT_GT(spare, 4);
    for (auto [layout, dy] : {std::pair{TextLayout::Bottom, spare}, std::pair{TextLayout::Center, spare / 2}}) {
        look_.layout = layout;
        const auto expected = Compose(Background(), kW, kH, top, {{0, dy, kWhite}});
        const auto actual = Render(look_, f3d_);
        EXPECT_EQ(expected, actual) << DescribeDifferences(expected, actual, kW);
    }
}

TEST_F(LabelLayers, MeasuringRunCarriesTheHighLightDisplacement) {
    f3d_.SetRepetition(frOnHighLight);
    f3d_.SetRepetitionWidth(2);
    f3d_.SetStyle(fsOnlyShadow);
    look_.layout = TextLayout::Bottom;
    // The measuring run leaves the rectangle 2 right and down; drawing starts from there and
    // moves it by the trail again, so the group stands 4 right of the top-left placing and
    // the main text 4 below the measured place moved to the label's bottom.
    TFont3D off;
    off.SetEnabled(false);
    LabelLook top = look_;
    top.layout = TextLayout::Top;
    const auto stamp = Difference(Background(), Render(top, off), kW);
    RECT line{0, 0, 180, 0};
    {
        Surface probe(4, 4);
        ::SelectObject(probe.Dc(), font_.Get());
        ::DrawTextA(probe.Dc(), look_.caption.data(), -1, &line, DT_CALCRECT | DT_EXPANDTABS);
    }
    const int down = 40 - (2 + line.bottom);
    const auto expected = Compose(Background(), kW, kH, stamp,
                                  {{3, 3 + down, kGrey}, {4, 4 + down, kGrey}, {5, 5 + down, kBlack},
                                   {4, 4 + down, kWhite}});
    const auto actual = Render(look_, f3d_);
    EXPECT_EQ(expected, actual) << DescribeDifferences(expected, actual, kW);
}
