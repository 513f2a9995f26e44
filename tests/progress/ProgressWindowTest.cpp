// The "Processing..." window: it refuses to close until the install allows it, and
// ShowProgress leaves the last text in both the window and the setup window's status bar.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "RecordingUi.h"
#include "platform/ScopedHandle.h"
#include "setup/Main.h"

namespace {

class ProgressWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::GetSystemMetrics(SM_CXSCREEN), 0) << "no display: these tests need an X server";
        runForm_.Create();
        ASSERT_TRUE(runForm_.Handle());
        main_.OnCreate = nullptr;  // no start-up questions: only the window is under test
        main_.Create();
        ASSERT_TRUE(main_.Handle());
        setup::RunForm = &runForm_;
    }
    void TearDown() override { setup::RunForm = nullptr; }

    std::string StatusText() {
        char text[512] = {};
        ::SendMessageA(main_.StatusBar->Handle(), SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
        return text;
    }

    testing_support::RecordingUi ui_;
    windows::TRunForm runForm_;
    setup::TMainForm main_{std::vector<std::string>{}};
};

TEST_F(ProgressWindow, IsDesignedSmallOnTopAndWithoutCaptionButtons) {
    RECT client{};
    ::GetClientRect(runForm_.Handle(), &client);
    EXPECT_EQ(client.right, 323);
    EXPECT_EQ(client.bottom, 45);
    LONG style = ::GetWindowLongA(runForm_.Handle(), GWL_STYLE);
    EXPECT_FALSE(style & WS_SYSMENU) << "no system menu: no close button either";
    EXPECT_TRUE(::GetWindowLongA(runForm_.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(runForm_.Caption(), "Processing...");
    EXPECT_FALSE(::IsWindowVisible(runForm_.Handle())) << "hidden until the first progress text";
}

TEST_F(ProgressWindow, RefusesEveryCloseUntilTheInstallAllowsIt) {
    main_.ShowProgress("Extracting Files...");
    ASSERT_TRUE(::IsWindowVisible(runForm_.Handle()));
    ::SendMessageA(runForm_.Handle(), WM_CLOSE, 0, 0);
    ::SendMessageA(runForm_.Handle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    runForm_.Close();
    EXPECT_TRUE(::IsWindowVisible(runForm_.Handle()));

    runForm_.AllowClose = true;
    runForm_.Close();
    EXPECT_FALSE(::IsWindowVisible(runForm_.Handle()));
}

TEST_F(ProgressWindow, TheLastTextWinsInThePanelAndTheStatusBar) {
    main_.ShowProgress("Checking For Running Services...");
    main_.ShowProgress("Copying File 'C:\\Program Files\\Vorna\\smtp.exe'...");
    EXPECT_EQ(runForm_.BackPanel->Caption(), "Copying File 'C:\\Program Files\\Vorna\\smtp.exe'...");
    EXPECT_EQ(StatusText(), "Copying File 'C:\\Program Files\\Vorna\\smtp.exe'...");
    EXPECT_TRUE(::IsWindowVisible(runForm_.Handle()));

    // Closing the window at the end leaves the status bar's last text.
    main_.ShowProgress("Installation Complete");
    runForm_.AllowClose = true;
    runForm_.Close();
    EXPECT_EQ(StatusText(), "Installation Complete");
}

// What a window shows on the screen, as colours without alpha.
std::vector<COLORREF> ScreenPixels(HWND window) {
    RECT client{};
    ::GetClientRect(window, &client);
    platform::ScopedGetDc screen(window);
    platform::ScopedMemoryDc memory(::CreateCompatibleDC(screen.Get()));
    platform::ScopedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), client.right, client.bottom));
    platform::ScopedSelectObject select(memory.Get(), bitmap.Get());
    ::BitBlt(memory.Get(), 0, 0, client.right, client.bottom, screen.Get(), 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom; ++y)
        for (int x = 0; x < client.right; ++x) pixels.push_back(::GetPixel(memory.Get(), x, y));
    return pixels;
}

// Each report repaints only what changed, and the status bar draws its texts over a picture of
// itself: what reaches the screen must be what each control's own whole painting shows.
TEST_F(ProgressWindow, EachTextReachesTheScreenAsAWholeRepaintWouldShowIt) {
    HWND panel = runForm_.BackPanel->Handle();
    HWND bar = main_.StatusBar->Handle();
    auto expectAsPaintedWhole = [&](const std::string& text) {
        main_.ShowProgress(text);
        std::vector<COLORREF> panelShown = ScreenPixels(panel), barShown = ScreenPixels(bar);
        ::RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        {
            // The bar's own painting, straight onto the screen.
            platform::ScopedGetDc screen(bar);
            ::SendMessageA(bar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(screen.Get()), PRF_CLIENT | PRF_ERASEBKGND);
        }
        EXPECT_TRUE(panelShown == ScreenPixels(panel)) << "progress window, text: " << text;
        EXPECT_TRUE(barShown == ScreenPixels(bar)) << "status bar, text: " << text;
    };
    expectAsPaintedWhole("Copying File 'C:\\Program Files\\Vorna\\html\\images\\image12.gif'...");
    expectAsPaintedWhole("Installation Complete");  // shorter: the old text's end must go
    expectAsPaintedWhole(std::string(300, 'W'));
    expectAsPaintedWhole("A & B");
    // A bar of another size is painted from a picture of that size.
    main_.StatusBar->SetBounds(0, 310, 300, 19);
    expectAsPaintedWhole("Creating Icons...");
}

TEST_F(ProgressWindow, ALongTextStaysOnOneLineClippedAtTheEdges) {
    std::string text = "Copying File '" + std::string(200, 'x') + "'...";
    main_.ShowProgress(text);
    // Painted into a bitmap: the text band is one line high in the middle, and nothing of the
    // text is drawn in the rows above or below it.
    platform::ScopedGetDc screen(nullptr);
    platform::ScopedMemoryDc dc(::CreateCompatibleDC(screen.Get()));
    platform::ScopedBitmap bitmap(::CreateCompatibleBitmap(screen.Get(), 323, 45));
    platform::ScopedSelectObject select(dc.Get(), bitmap.Get());
    HDC memory = dc.Get();
    runForm_.BackPanel->Paint(memory);
    COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    int firstInk = -1, lastInk = -1;
    for (int y = 0; y < 45; ++y)
        for (int x = 0; x < 323; ++x)
            if (::GetPixel(memory, x, y) != face) {
                if (firstInk < 0) firstInk = y;
                lastInk = y;
            }
    ASSERT_GE(firstInk, 0) << "the text was drawn";
    EXPECT_GT(firstInk, 10);
    EXPECT_LT(lastInk, 35);
    EXPECT_LT(lastInk - firstInk, 20) << "one line, not wrapped";
}

}  // namespace
