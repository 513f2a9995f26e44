// The setup window and the folder chooser driven by real key presses (sent through the X
// server), with the focused control read after each key: where the focus starts, the tab
// cycle both ways, and the focus coming back after the chooser and after a question.
#include <gtest/gtest.h>

#include "SetupDriver.h"

using namespace e2e;

namespace {

const char kLicenceQuestion[] =
    "By installing this software you agree with the software license agreement. Do you wish to continue?";

class KeyboardUser {
public:
    explicit KeyboardUser(HWND window) : window_(window) {}

    // Presses keys, then expects the focus on expected (waiting a little for it to move).
    void Type(const std::string& keys, HWND expected, const std::string& what) {
        std::string error;
        ASSERT_TRUE(automation::TypeKeys(keys, &error)) << error;
        ExpectFocus(expected, "after " + keys + ": " + what);
    }
    // The control has the focus, and its window is the one in front that keys go to.
    void ExpectFocus(HWND expected, const std::string& what) {
        auto inFront = [&] { return ::GetForegroundWindow() == ::GetAncestor(expected, GA_ROOT); };
        automation::WaitUntil([&] { return automation::FocusedControl(window_) == expected && inFront(); }, 3000);
        HWND focus = automation::FocusedControl(window_);
        EXPECT_EQ(focus, expected) << what << " (the focus is on \"" << automation::WindowText(focus) << "\", class "
                                   << automation::ClassName(focus) << ")";
        EXPECT_TRUE(inFront()) << what << ": \"" << automation::WindowText(::GetForegroundWindow())
                               << "\" is in front";
    }
    // Waits as a person would before the first key: when the install question goes, no window
    // of the program is there yet and Wine activates its taskbar, which can hold the display's
    // keyboard a moment after the setup window has taken over.
    static void Settle() { ::Sleep(700); }
    // Tab through the stops from stops[0] and back again, both times around to the start.
    void ExpectTabCycle(const std::vector<HWND>& stops, const std::vector<std::string>& names) {
        const size_t count = stops.size();
        for (size_t i = 1; i <= count; ++i) Type("Tab", stops[i % count], "Tab to " + names[i % count]);
        for (size_t i = 1; i <= count; ++i)
            Type("shift+Tab", stops[(count - i) % count], "Shift+Tab to " + names[(count - i) % count]);
    }

private:
    HWND window_;
};

HWND ChildOfClass(HWND parent, const char* className) {
    std::vector<HWND> children = automation::Children(parent, className);
    return children.empty() ? nullptr : children.front();
}

bool Answer(const automation::Window& box, const char* key) {
    std::string error;
    EXPECT_TRUE(automation::TypeKeys(key, &error)) << error;
    return automation::WaitUntil([&] { return !::IsWindow(box.handle); }, kWait);
}

}  // namespace

TEST(Keyboard, SetupWindowFocusStartsOnInstallTabsRoundAndComesBackAfterAQuestion) {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow();
    ASSERT_TRUE(window);
    HWND install = automation::FindChildByText(window.handle, "Install", "Button");
    HWND cancel = automation::FindChildByText(window.handle, "Cancel", "Button");
    HWND browse = automation::FindChildByText(window.handle, "Browse...", "Button");
    HWND licence = ChildOfClass(window.handle, "Edit");
    ASSERT_TRUE(install && cancel && browse && licence);
    KeyboardUser user(window.handle);
    user.ExpectFocus(install, "when the setup window appears");
    user.Settle();
    user.ExpectTabCycle({install, cancel, browse, licence}, {"Install", "Cancel", "Browse", "the licence"});

    // The licence text keeps its own keys.
    user.Type("shift+Tab", licence, "back into the licence");
    user.Type("ctrl+End", licence, "scrolling the licence");
    EXPECT_GT(::SendMessageA(licence, EM_GETFIRSTVISIBLELINE, 0, 0), 0) << "Ctrl+End did not scroll the licence";
    user.Type("Escape", licence, "Escape in the licence");
    ASSERT_TRUE(::IsWindowVisible(licence)) << "Escape took the licence away";
    user.Type("Tab", install, "out of the licence");

    // Enter presses Install; the licence question answered N gives the keyboard back.
    ASSERT_TRUE(automation::TypeKeys("Return"));
    automation::Window question = setup.ExpectBox(kSetupCaption, kLicenceQuestion, IDI_QUESTION, {"Yes", "No"});
    ASSERT_TRUE(question);
    ASSERT_TRUE(Answer(question, "n")) << "N did not answer the licence question";
    user.ExpectFocus(install, "after the licence question");
    ASSERT_TRUE(automation::TypeKeys("alt+c"));
    automation::Window exit = setup.ExpectBox("Exit Setup", "Do you wish to cancel this installation?", IDI_QUESTION,
                                              {"Yes", "No"});
    ASSERT_TRUE(Answer(exit, "n"));
    user.ExpectFocus(cancel, "after the cancel question");
    user.Type("Tab", browse, "the keyboard reaches the setup window after the questions");
    setup.CancelInstall(window);
}

TEST(Keyboard, FolderChooserTabsRoundAndGivesTheFocusBackToBrowse) {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow();
    ASSERT_TRUE(window);
    HWND browse = automation::FindChildByText(window.handle, "Browse...", "Button");
    ASSERT_TRUE(browse);
    KeyboardUser user(window.handle);
    user.ExpectFocus(automation::FindChildByText(window.handle, "Install", "Button"), "at the start");
    user.Settle();

    ASSERT_TRUE(automation::TypeKeys("alt+b"));
    automation::Window chooser = automation::WaitForWindow("Choose Folder", kWait, setup.Process().Id(), "TBrowseFolder");
    ASSERT_TRUE(chooser) << "Alt+B did not open the folder chooser";
    HWND path = ChildOfClass(chooser.handle, "Edit");
    HWND ok = automation::FindChildByText(chooser.handle, "OK", "Button");
    HWND cancel = automation::FindChildByText(chooser.handle, "Cancel", "Button");
    HWND folders = ChildOfClass(chooser.handle, "ListBox");
    HWND drives = ChildOfClass(chooser.handle, "ComboBox");
    HWND network = automation::FindChildByText(chooser.handle, "Network...", "Button");
    ASSERT_TRUE(path && ok && cancel && folders && drives && network);
    user.ExpectFocus(path, "when the chooser opens");
    user.ExpectTabCycle({path, ok, cancel, folders, drives, network},
                        {"the path", "OK", "Cancel", "the folders", "the drives", "Network"});

    // Escape leaves the chooser open; Enter in the path asks about a missing folder, and N
    // gives the focus back to the path; Alt+C closes the chooser.
    user.Type("Escape", path, "Escape");
    EXPECT_TRUE(::IsWindowVisible(chooser.handle)) << "Escape closed the chooser";
    const std::string missing = "C:\\Vorna keyboard test missing";
    ::SendMessageA(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(missing.c_str()));
    ASSERT_TRUE(automation::TypeKeys("Return"));
    automation::Window question = setup.ExpectBox(
        "Setup", "The Folder:\r\n\r\n'" + missing + "'\r\n\r\ndoes not exist. Do you want the folder to be created?",
        IDI_QUESTION, {"Yes", "No"});
    ASSERT_TRUE(question);
    ASSERT_TRUE(Answer(question, "n"));
    user.ExpectFocus(path, "after the missing-folder question");
    user.Type("alt+c", browse, "Alt+C on the chooser");
    EXPECT_FALSE(::IsWindowVisible(chooser.handle));

    // Enter on a focused Cancel presses Cancel, not the default OK; OK by Enter in the path.
    user.Type("alt+b", path, "the chooser again");
    user.Type("Tab Tab", cancel, "to Cancel");
    user.Type("Return", browse, "Enter on Cancel");
    EXPECT_FALSE(setup.Label(window, missing)) << "Enter on Cancel took the path";
    user.Type("alt+b", path, "the chooser a third time");
    ::SendMessageA(path, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("C:\\windows"));
    user.Type("Return", browse, "Enter on the path");
    EXPECT_TRUE(automation::WaitUntil([&] { return setup.Label(window, "C:\\windows") != nullptr; }, kWait))
        << "Enter on the path did not press OK";
    setup.CancelInstall(window);
}
