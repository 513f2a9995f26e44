// The setup window's designed layout, read back from the windows the system made, and what
// becomes of an exception its handlers let escape.
#include <gtest/gtest.h>

#include <stdexcept>

#include "RecordingUi.h"
#include "WindowTestSupport.h"
#include "platform/Forms.h"
#include "setup/Main.h"
#include "windows/SetupWindow.h"

using testing_support::AssertDisplay;
using testing_support::PlacementInParent;

namespace {

class SetupWindowLayout : public ::testing::Test {
protected:
    void SetUp() override {
        AssertDisplay();
        window_.Create();
        ASSERT_NE(window_.Handle(), nullptr);
    }
    void ExpectAt(const platform::WinControl& control, int left, int top, int width, int height, const char* name) {
        const RECT r = PlacementInParent(control.Handle());
        EXPECT_EQ(r.left, left) << name;
        EXPECT_EQ(r.top, top) << name;
        EXPECT_EQ(r.right - r.left, width) << name;
        EXPECT_EQ(r.bottom - r.top, height) << name;
    }
    SIZE TextExtent(const platform::Label& label, const std::string& text) {
        platform::ScopedGetDc screen(nullptr);
        platform::ScopedSelectObject font(screen.Get(), label.GetFont().Handle());
        RECT r{0, 0, 0, 0};
        ::DrawTextA(screen.Get(), text.c_str(), -1, &r, DT_CALCRECT | DT_EXPANDTABS);
        return {r.right, r.bottom};
    }
    windows::TSetupWindow window_;
};

}  // namespace

TEST_F(SetupWindowLayout, FrameClientSizeAndNoCaptionButtons) {
    RECT client{};
    ::GetClientRect(window_.Handle(), &client);
    EXPECT_EQ(client.right, 454);
    EXPECT_EQ(client.bottom, 329);
    const LONG style = ::GetWindowLongA(window_.Handle(), GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU) << "without a system menu the caption shows no buttons";
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(::GetWindowLongA(window_.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    char caption[64] = {};
    ::GetWindowTextA(window_.Handle(), caption, sizeof caption);
    EXPECT_STREQ(caption, "VORNA Mail Server Setup");
    EXPECT_TRUE(::IsWindowVisible(window_.Handle()));
}

TEST_F(SetupWindowLayout, FixedSizeControlsAtTheirPlaces) {
    ExpectAt(*window_.InstallButon, 377, 257, 75, 23, "InstallButon");
    ExpectAt(*window_.CloseButton, 377, 284, 75, 23, "CloseButton");
    ExpectAt(*window_.StatusBar, 0, 310, 454, 19, "StatusBar");
    ExpectAt(*window_.FolderBox, 2, 259, 370, 43, "FolderBox");
    ExpectAt(*window_.BrowseButton, 288, 15, 75, 22, "BrowseButton");
    ExpectAt(*window_.LicenseBox, 2, 70, 451, 181, "LicenseBox");
    ExpectAt(*window_.LicenseMemo, 7, 19, 437, 155, "LicenseMemo");
    ExpectAt(*window_.LogoImage, 6, 9, 32, 32, "LogoImage");
    ExpectAt(*window_.CopyrightLabel, 95, 32, 264, 13, "CopyrightLabel");
    EXPECT_EQ(::GetParent(window_.BrowseButton->Handle()), window_.FolderBox->Handle());
    EXPECT_EQ(::GetParent(window_.PathEdit->Handle()), window_.FolderBox->Handle());
    EXPECT_EQ(::GetParent(window_.LicenseMemo->Handle()), window_.LicenseBox->Handle());
}

TEST_F(SetupWindowLayout, SelfSizingLabelsStartAtTheirPlacesAndFitTheirText) {
    struct Case { const platform::Label* label; int left, top; const char* name; };
    for (Case c : {Case{window_.PathEdit.get(), 6, 19, "PathEdit"}, Case{window_.TextLabel.get(), 113, 47, "TextLabel"},
                   Case{window_.VersionLabel.get(), 303, 15, "VersionLabel"}}) {
        const RECT r = PlacementInParent(c.label->Handle());
        const SIZE text = TextExtent(*c.label, c.label->Caption());
        EXPECT_EQ(r.left, c.left) << c.name;
        EXPECT_EQ(r.top, c.top) << c.name;
        EXPECT_EQ(r.right - r.left, text.cx) << c.name;
        EXPECT_EQ(r.bottom - r.top, 13) << c.name;
    }
    EXPECT_EQ(window_.PathEdit->Caption(), "C:\\Program Files\\Vorna\\");
}

TEST_F(SetupWindowLayout, TitleIsItsTextPlusTheTrailOnEachSideOncePerCaptionChange) {
    const components::TAdvancedLabel& title = *window_.AboutLabel;
    SIZE text = TextExtent(title, "VORNA Mail Server");
    RECT r = PlacementInParent(title.Handle());
    EXPECT_EQ(r.left, 133);
    EXPECT_EQ(r.top, 9);
    EXPECT_EQ(r.right - r.left, text.cx + 8);
    EXPECT_EQ(r.bottom - r.top, text.cy + 8);
    EXPECT_EQ(title.Font3D().Style(), components::fsInset);
    EXPECT_EQ(title.Font3D().Repetition(), components::frOnShadow);
    EXPECT_EQ(title.Font3D().RepetitionWidth(), 4);
    EXPECT_TRUE(title.Transparent);

    window_.AboutLabel->SetCaption("VORNA");
    text = TextExtent(title, "VORNA");
    r = PlacementInParent(title.Handle());
    EXPECT_EQ(r.right - r.left, text.cx + 8);
    EXPECT_EQ(r.bottom - r.top, text.cy + 8);
}

TEST_F(SetupWindowLayout, TabOrderFontsAndDefaultButton) {
    HWND form = window_.Handle();
    const HWND expected[] = {window_.InstallButon->Handle(), window_.CloseButton->Handle(),
                             window_.BrowseButton->Handle(), window_.LicenseMemo->Handle()};
    HWND at = expected[0];
    for (size_t i = 1; i <= 4; ++i) {
        at = ::GetNextDlgTabItem(form, at, FALSE);
        EXPECT_EQ(at, expected[i % 4]) << "tab stop " << i;
    }
    EXPECT_EQ(LOWORD(::SendMessageA(form, DM_GETDEFID, 0, 0)), window_.InstallButon->ControlId());
    EXPECT_TRUE(::GetWindowLongA(window_.InstallButon->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON);

    LOGFONTA font{};
    auto handle = reinterpret_cast<HFONT>(::SendMessageA(window_.InstallButon->Handle(), WM_GETFONT, 0, 0));
    ASSERT_EQ(::GetObjectA(handle, sizeof font, &font), static_cast<int>(sizeof font));
    EXPECT_STREQ(font.lfFaceName, "MS Sans Serif");
    EXPECT_EQ(font.lfHeight, -11);
    ::GetObjectA(window_.AboutLabel->GetFont().Handle(), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -16);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
}

TEST_F(SetupWindowLayout, LicenceIsReadOnlyScrollableAndSixtyNineLines) {
    HWND memo = window_.LicenseMemo->Handle();
    const LONG style = ::GetWindowLongA(memo, GWL_STYLE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_HSCROLL);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_EQ(::SendMessageA(memo, EM_GETLINECOUNT, 0, 0), 69);
    for (int i = 0; i < 69; ++i) {
        char line[128] = {};
        *reinterpret_cast<WORD*>(line) = sizeof line - 1;
        const LRESULT length = ::SendMessageA(memo, EM_GETLINE, i, reinterpret_cast<LPARAM>(line));
        EXPECT_LE(length, 84) << "line " << i;
    }
}

TEST_F(SetupWindowLayout, AFixedSizeTitleDoesNotGrowWithEachCaptionChange) {
    components::TAdvancedLabel label(&window_);
    label.AutoSize = false;
    label.Font3D().SetRepetitionWidth(4);
    label.SetBounds(10, 10, 100, 30);
    label.Loaded();
    label.SetCaption("one");
    label.SetCaption("two");
    const RECT r = PlacementInParent(label.Handle());
    EXPECT_EQ(r.right - r.left, 100);
    EXPECT_EQ(r.bottom - r.top, 30);
}

// Whatever escapes an event handler goes to the application-wide handler, which drops it
// without a word; the window stays and the next message is served as usual.
TEST(SetupWindowHandlers, AnExceptionEscapingAHandlerIsDroppedAndTheProgramGoesOn) {
    AssertDisplay();
    testing_support::RecordingUi ui;
    ui.Answer(IDYES);  // the install question at start
    setup::TMainForm form{std::vector<std::string>{}};
    form.Create();
    ASSERT_EQ(ui.Boxes().size(), 1u);
    int clicks = 0;
    form.BrowseButton->OnClick = [&clicks] {
        ++clicks;
        throw std::runtime_error("unexpected");
    };
    for (int i = 0; i < 2; ++i) {
        testing_support::PostClick(form.BrowseButton->Handle());
        platform::Application::Instance().ProcessMessages();
    }
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(ui.Boxes().size(), 1u);
    EXPECT_FALSE(ui.Ended());
    EXPECT_TRUE(::IsWindow(form.Handle()));
    platform::Application::Instance().OnException = nullptr;  // it names this form
}
