// TGradPan as a window: its default picture, synchronous repaints, hit test and move event.
#include <gtest/gtest.h>

#include "WindowTestSupport.h"
#include "components/GradPan.h"
#include "platform/Forms.h"

using testing_support::AssertDisplay;

namespace {

class Host : public platform::Form {
public:
    Host() : Form("TestGradPanHost") {
        SetClientSize(300, 200);
        VisibleAtCreation = true;
    }
};

class GradPanWindow : public ::testing::Test {
protected:
    void SetUp() override {
        AssertDisplay();
        host_.Create();
        panel_ = std::make_unique<components::TGradPan>(&host_);
        panel_->SetBounds(20, 30, 120, 80);
        host_.Repaint();
    }
    COLORREF Pixel(int x, int y) {
        platform::ScopedGetDc dc(panel_->Handle());
        return ::GetPixel(dc.Get(), x, y);
    }
    Host host_;
    std::unique_ptr<components::TGradPan> panel_;
};

COLORREF PicturePixel(HBITMAP bitmap, int x, int y) {
    platform::ScopedMemoryDc dc(::CreateCompatibleDC(nullptr));
    platform::ScopedSelectObject select(dc.Get(), bitmap);
    return ::GetPixel(dc.Get(), x, y);
}

}  // namespace

TEST_F(GradPanWindow, DefaultPictureIsFiftySquareWithItsOutlineOneShortOfTheEdge) {
    BITMAP info{};
    ASSERT_EQ(::GetObjectA(panel_->Bitmap(), sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 50);
    EXPECT_EQ(info.bmHeight, 50);
    const COLORREF black = RGB(0, 0, 0), white = RGB(255, 255, 255);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 0, 20), black);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 48, 20), black);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 20, 0), black);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 20, 48), black);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 49, 20), white);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 20, 49), white);
    EXPECT_EQ(PicturePixel(panel_->Bitmap(), 20, 20), white);
}

TEST_F(GradPanWindow, SettersRepaintBeforeTheyReturn) {
    panel_->SetBackGroundEffect(components::bdFlat);
    panel_->SetColorStart(RGB(200, 10, 10));
    EXPECT_EQ(Pixel(60, 40), RGB(200, 10, 10));  // no message was pumped in between
    panel_->SetBackGroundEffect(components::bdTileImage);
    EXPECT_EQ(Pixel(10, 10), RGB(255, 255, 255));  // the default picture's inside
    EXPECT_EQ(Pixel(50, 5), RGB(0, 0, 0));         // the second tile's left outline
}

TEST_F(GradPanWindow, HitTestFollowsMoveableAndMarge) {
    POINT origin{0, 0};
    ::ClientToScreen(panel_->Handle(), &origin);
    auto hit = [&](int x, int y) {
        return ::SendMessageA(panel_->Handle(), WM_NCHITTEST, 0, MAKELPARAM(origin.x + x, origin.y + y));
    };
    EXPECT_EQ(hit(2, 2), HTNOWHERE);
    EXPECT_EQ(hit(60, 40), HTNOWHERE);
    panel_->Moveable = true;
    EXPECT_EQ(hit(2, 2), HTTOPLEFT);
    EXPECT_EQ(hit(60, 40), HTCAPTION);
    EXPECT_EQ(hit(119, 40), HTRIGHT);
    EXPECT_EQ(hit(114, 40), HTCAPTION);
    panel_->Marge = 10;
    EXPECT_EQ(hit(114, 40), HTRIGHT);
}

TEST_F(GradPanWindow, EveryMoveTellsOnPanelMoveWithThePanel) {
    std::vector<std::pair<components::TGradPan*, int>> calls;
    panel_->OnPanelMove = [&](components::TGradPan* sender) { calls.emplace_back(sender, 0); };
    panel_->SetBounds(40, 50, 120, 80);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].first, panel_.get());
    ::SetWindowPos(panel_->Handle(), nullptr, 70, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(calls.size(), 2u);
    EXPECT_EQ(panel_->Left(), 70);
    EXPECT_EQ(panel_->Top(), 60);
}
