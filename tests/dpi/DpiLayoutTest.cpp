// The four windows at the display's DPI. ctest runs this program at 96 DPI in the test run's
// prefix and at 144 and 192 DPI in prefixes of their own (tests/dpi/at-dpi.sh). Each window's
// client area is its designed one scaled, each control's text fits the control in the
// control's own font, and only the controls that overlap as designed overlap.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "RecordingUi.h"
#include "WindowTestSupport.h"
#include "components/GradPan.h"
#include "platform/Forms.h"
#include "setup/Main.h"
#include "windows/BackgroundFormUnit.h"
#include "windows/BrowseUnit.h"

using testing_support::AssertDisplay;

namespace {

int DisplayDpi() {
    platform::ScopedGetDc screen(nullptr);
    return ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
}

// The DPI the prefix was made for (VORNA_EXPECT_DPI, 96 by default): a prefix that did not
// take it would otherwise pass for one that did.
void AssertRequestedDpi() {
    const char* requested = std::getenv("VORNA_EXPECT_DPI");
    ASSERT_EQ(DisplayDpi(), requested ? std::atoi(requested) : 96);
}

int Scaled(int designed) { return ::MulDiv(designed, DisplayDpi(), 96); }

SIZE TextSize(HFONT font, const std::string& text, UINT flags) {
    platform::ScopedGetDc screen(nullptr);
    platform::ScopedSelectObject select(screen.Get(), font);
    RECT r{0, 0, 0, 0};
    ::DrawTextA(screen.Get(), text.c_str(), static_cast<int>(text.size()), &r, flags | DT_CALCRECT);
    return {r.right, r.bottom};
}

int CellHeight(HFONT font) { return TextSize(font, "Xg", DT_SINGLELINE).cy; }

std::string NameOf(HWND window) {
    char className[64] = {}, text[40] = {};
    ::GetClassNameA(window, className, sizeof className);
    ::GetWindowTextA(window, text, sizeof text);
    return std::string(className) + " \"" + text + "\"";
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> found;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
        if (::GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) found.push_back(child);
    return found;
}

// The text of control, measured in its own font, against the room the control has for it.
void ExpectTextFits(HWND window) {
    auto* control = platform::WinControl::FromHandle(window);
    ASSERT_NE(control, nullptr) << NameOf(window);
    const std::string name = NameOf(window);
    const RECT client = control->ClientRect();
    const HFONT font = control->GetFont().Handle();
    if (auto* label = dynamic_cast<platform::Label*>(control)) {
        const SIZE text = TextSize(font, label->Caption(), label->TextFlags());
        EXPECT_LE(text.cx, client.right) << name;
        EXPECT_LE(text.cy, client.bottom) << name;
    } else if (auto* panel = dynamic_cast<platform::Panel*>(control)) {
        const SIZE text = TextSize(font, panel->Caption(), DT_SINGLELINE | DT_NOPREFIX);
        EXPECT_LE(text.cx, client.right) << name;
        EXPECT_LE(text.cy, client.bottom) << name;
    } else if (dynamic_cast<platform::Button*>(control)) {
        const SIZE text = TextSize(font, control->Caption(), DT_SINGLELINE);
        EXPECT_LE(text.cx, client.right - Scaled(4)) << name << ": the text within the button's edges";
        EXPECT_LE(text.cy, client.bottom - Scaled(4)) << name;
    } else if (dynamic_cast<platform::GroupBox*>(control)) {
        const SIZE text = TextSize(font, control->Caption(), DT_SINGLELINE);
        EXPECT_LE(text.cx, client.right) << name;
        for (HWND child : Children(window))
            EXPECT_GE(platform::WinControl::FromHandle(child)->Top(), text.cy) << name << ": caption over " << NameOf(child);
    } else if (dynamic_cast<platform::StatusBar*>(control)) {
        const auto barFont = reinterpret_cast<HFONT>(::SendMessageA(window, WM_GETFONT, 0, 0));
        EXPECT_LE(CellHeight(barFont ? barFont : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT))), client.bottom - 2)
            << name;
    } else if (dynamic_cast<platform::ListBox*>(control)) {
        EXPECT_GE(::SendMessageA(window, LB_GETITEMHEIGHT, 0, 0), CellHeight(font)) << name;
    } else {  // edit, memo, combo box: one line of text fits
        EXPECT_LE(CellHeight(font), client.bottom) << name;
    }
}

// Every pair of overlapping siblings under parent (recursively), as "A / B".
void CollectOverlaps(HWND parent, std::set<std::string>& overlaps) {
    const std::vector<HWND> children = Children(parent);
    for (size_t i = 0; i < children.size(); ++i) {
        for (size_t j = i + 1; j < children.size(); ++j) {
            RECT a{}, b{}, both{};
            ::GetWindowRect(children[i], &a);
            ::GetWindowRect(children[j], &b);
            if (::IntersectRect(&both, &a, &b)) {
                const std::string first = NameOf(children[i]), second = NameOf(children[j]);
                overlaps.insert(first < second ? first + " / " + second : second + " / " + first);
            }
        }
        CollectOverlaps(children[i], overlaps);
    }
}

void ExpectScaledClient(const platform::Form& form, int designedWidth, int designedHeight, int dpi = DisplayDpi()) {
    EXPECT_EQ(form.Dpi(), dpi) << NameOf(form.Handle());
    RECT client{};
    ::GetClientRect(form.Handle(), &client);
    EXPECT_EQ(client.right, ::MulDiv(designedWidth, dpi, 96)) << NameOf(form.Handle());
    EXPECT_EQ(client.bottom, ::MulDiv(designedHeight, dpi, 96)) << NameOf(form.Handle());
}

void ExpectTextsFitAndOnlyDesignedOverlaps(const platform::Form& form, const std::set<std::string>& designedOverlaps) {
    SCOPED_TRACE(NameOf(form.Handle()) + " at " + std::to_string(form.Dpi()) + " DPI");
    std::vector<HWND> pending = Children(form.Handle());
    while (!pending.empty()) {
        const HWND window = pending.back();
        pending.pop_back();
        ExpectTextFits(window);
        for (HWND child : Children(window)) pending.push_back(child);
    }
    std::set<std::string> overlaps;
    CollectOverlaps(form.Handle(), overlaps);
    EXPECT_EQ(overlaps, designedOverlaps);
}

void ExpectScaledWindow(const platform::Form& form, int designedWidth, int designedHeight,
                        const std::set<std::string>& designedOverlaps) {
    ExpectScaledClient(form, designedWidth, designedHeight);
    ExpectTextsFitAndOnlyDesignedOverlaps(form, designedOverlaps);
}

class WindowsAtDisplayDpi : public ::testing::Test {
protected:
    void SetUp() override {
        AssertDisplay();
        AssertRequestedDpi();
    }
    void TearDown() override {
        platform::Application::Instance().DestroyForms();
        ::SetCurrentDirectoryA("C:\\");
    }
    testing_support::RecordingUi ui_;
};

TEST_F(WindowsAtDisplayDpi, SetupWindowAndProgressWindowScaleAndTheirTextsFit) {
    windows::TRunForm runForm;
    runForm.Create();
    setup::TMainForm main{std::vector<std::string>{}};
    main.OnCreate = nullptr;  // no start-up questions: only the windows are under test
    main.Create();
    setup::RunForm = &runForm;
    main.ShowProgress("Checking For Running Services...");
    setup::RunForm = nullptr;
    // The title's trail reaches over the copyright line, as designed.
    ExpectScaledWindow(main, 454, 329,
                       {"TAdvancedLabel \"VORNA Mail Server\" / TLabel \"Copyright (C) 1999-2005 VORNA\""});
    ExpectScaledWindow(runForm, 323, 45, {});
}

// A move to a monitor of twice the DPI: the window and everything on it scale again.
TEST_F(WindowsAtDisplayDpi, SetupWindowScalesAgainWhenItsDpiChanges) {
    setup::TMainForm main{std::vector<std::string>{}};
    main.OnCreate = nullptr;
    main.Create();
    const int dpi = 2 * DisplayDpi();
    RECT suggested{10, 20, 10 + 2 * 460, 20 + 2 * 360};
    ::SendMessageA(main.Handle(), 0x02E0 /* WM_DPICHANGED */, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
    ExpectScaledClient(main, 454, 329, dpi);
    RECT window{};
    ::GetWindowRect(main.Handle(), &window);
    EXPECT_EQ(window.left, 10);
    EXPECT_EQ(window.top, 20);
    EXPECT_EQ(main.StatusBar->Height(), ::MulDiv(19, dpi, 96));
    ExpectTextsFitAndOnlyDesignedOverlaps(
        main, {"TAdvancedLabel \"VORNA Mail Server\" / TLabel \"Copyright (C) 1999-2005 VORNA\""});
}

TEST_F(WindowsAtDisplayDpi, FolderChooserScalesAndItsTextsFit) {
    windows::TBrowseFolder chooser;
    chooser.Create();
    chooser.PathEdit->SetText(windows::kDefaultFolder);
    ExpectScaledWindow(chooser, 250, 266, {});
    const int itemHeight = static_cast<int>(::SendMessageA(chooser.DirectoryListBox->Handle(), LB_GETITEMHEIGHT, 0, 0));
    EXPECT_EQ(itemHeight, Scaled(16));
}

TEST_F(WindowsAtDisplayDpi, BackdropScalesAndItsTextsFit) {
    auto& application = platform::Application::Instance();
    auto* backdrop = application.CreateForm<windows::TBackgroundForm>();
    ExpectScaledClient(*backdrop, 350, 223);
    // Its texts are laid out for the maximised window it always is.
    backdrop->Show();
    application.ProcessMessages();
    ExpectTextsFitAndOnlyDesignedOverlaps(*backdrop, {});
}

}  // namespace
