// The backdrop: maximised, no maximise, a title bar that does not drag, the gradient panel
// with the copyright line on it, the "come to the front" message and the close question.
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "WindowTestSupport.h"
#include "windows/BackgroundFormUnit.h"

using testing_support::AssertDisplay;
using testing_support::PlacementInParent;
using testing_support::RecordingUi;

namespace {

// Stands in for the setup window: counts the "come to the front" messages it gets.
class MessageCounter : public platform::Form {
public:
    MessageCounter() : Form("TestMessageCounter") {}
    int count = 0;

protected:
    bool HandleMessage(UINT message, WPARAM, LPARAM, LRESULT& result) override {
        if (message != windows::WM_SHOWSETUPWINDOW) return false;
        ++count;
        result = 0;
        return true;
    }
};

class Backdrop : public ::testing::Test {
protected:
    void SetUp() override {
        AssertDisplay();
        auto& application = platform::Application::Instance();
        form_ = application.CreateForm<windows::TBackgroundForm>();
        counter_.Create();
        form_->SetupWindow = &counter_;
        form_->Show();
        application.ProcessMessages();
    }
    void TearDown() override { platform::Application::Instance().DestroyForms(); }

    windows::TBackgroundForm* form_ = nullptr;
    MessageCounter counter_;
};

COLORREF ScreenPixel(HWND window, int x, int y) {
    ::UpdateWindow(window);
    platform::ScopedGetDc dc(window);
    return ::GetPixel(dc.Get(), x, y);
}

}  // namespace

TEST_F(Backdrop, ShownMaximisedWithMaximizeGreyedAndMinimiseKept) {
    HWND h = form_->Handle();
    EXPECT_TRUE(::IsZoomed(h));
    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    HMENU menu = ::GetSystemMenu(h, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(::GetMenuState(menu, SC_MAXIMIZE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
    EXPECT_FALSE(::GetMenuState(menu, SC_MINIMIZE, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
}

TEST_F(Backdrop, TitleBarAnswersClientSoItCannotBeDragged) {
    HWND h = form_->Handle();
    RECT window{};
    ::GetWindowRect(h, &window);
    POINT clientOrigin{0, 0};
    ::ClientToScreen(h, &clientOrigin);
    const int y = clientOrigin.y - ::GetSystemMetrics(SM_CYCAPTION) / 2;
    const LPARAM point = MAKELPARAM((window.left + window.right) / 2, y);
    ASSERT_EQ(::DefWindowProcA(h, WM_NCHITTEST, 0, point), HTCAPTION) << "the point is not on the title bar";
    EXPECT_EQ(::SendMessageA(h, WM_NCHITTEST, 0, point), HTCLIENT);
    // The system-menu button keeps its own answer.
    const LPARAM menuButton = MAKELPARAM(clientOrigin.x + 4, y);
    EXPECT_EQ(::SendMessageA(h, WM_NCHITTEST, 0, menuButton), ::DefWindowProcA(h, WM_NCHITTEST, 0, menuButton));
}

TEST_F(Backdrop, GradientPanelFillsTheWindowBlueToBlackWithTheCopyrightAtItsBottom) {
    ASSERT_TRUE(form_->Backdrop);
    components::TGradPan& panel = *form_->Backdrop;
    RECT client{}, panelRect = PlacementInParent(panel.Handle());
    ::GetClientRect(form_->Handle(), &client);
    EXPECT_EQ(panelRect.left, 0);
    EXPECT_EQ(panelRect.top, 0);
    EXPECT_EQ(panelRect.right, client.right);
    EXPECT_EQ(panelRect.bottom, client.bottom);
    EXPECT_EQ(panel.Caption(), " VORNA SMTP/ESMTP/POP3/IMAP4 Server 2.10.255");
    EXPECT_EQ(panel.BackGroundEffect(), components::bdUp);
    EXPECT_EQ(panel.VertAlign(), components::vlTop);
    EXPECT_EQ(panel.Alignment, platform::TextAlignment::LeftJustify);
    EXPECT_EQ(panel.ColorShadow(), RGB(0, 0, 0));

    const int w = client.right, h = client.bottom;
    HWND p = panel.Handle();
    EXPECT_EQ(ScreenPixel(p, w - 20, 3), RGB(0, 0, 255));
    EXPECT_EQ(ScreenPixel(p, 20, h - 3), RGB(0, 0, 2));
    EXPECT_EQ(ScreenPixel(p, w / 2, 0), RGB(255, 255, 255));
    EXPECT_EQ(ScreenPixel(p, w / 2, h - 1), RGB(128, 128, 128));

    HWND label = form_->CopyrightLabel->Handle();
    EXPECT_EQ(::GetParent(label), p);
    const RECT r = PlacementInParent(label);
    EXPECT_EQ(r.left, 1);
    EXPECT_EQ(r.right, w - 1);
    EXPECT_EQ(r.bottom, h - 1);
    EXPECT_EQ(r.bottom - r.top, 13);
}

TEST_F(Backdrop, EachShowingAsksTheSetupWindowOnceToComeToTheFront) {
    auto& application = platform::Application::Instance();
    EXPECT_EQ(counter_.count, 1);
    form_->Hide();
    form_->Show();
    application.ProcessMessages();
    EXPECT_EQ(counter_.count, 2);
}

TEST_F(Backdrop, CloseAsksAndOnlyYesEndsTheProgram) {
    RecordingUi ui;
    auto& application = platform::Application::Instance();
    ui.Answer(IDNO);
    form_->Close();
    ASSERT_EQ(ui.Boxes().size(), 1u);
    EXPECT_EQ(ui.Boxes()[0].text, "Do you wish to cancel this installation?");
    EXPECT_EQ(ui.Boxes()[0].caption, "Exit Setup");
    EXPECT_EQ(ui.Boxes()[0].flags, 0x2024u);
    EXPECT_FALSE(application.Terminated());
    EXPECT_TRUE(::IsWindowVisible(form_->Handle()));

    ui.Answer(IDYES);
    ::SendMessageA(form_->Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(ui.Boxes().size(), 2u);
    EXPECT_TRUE(application.Terminated());
}
