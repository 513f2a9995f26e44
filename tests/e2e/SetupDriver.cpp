#include "SetupDriver.h"

#include <gtest/gtest.h>

#include "TestPaths.h"

namespace e2e {

void SetupDriver::Start(const std::string& arguments, const std::string& program, const std::string& folder) {
    std::string path = program.empty() ? testing_support::BinFolder() + "Setup.exe" : program;
    std::string commandLine = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    ASSERT_TRUE(process_.Start(commandLine, folder)) << commandLine;
}

automation::Window SetupDriver::ExpectBox(const std::string& caption, const std::string& text, LPCSTR icon,
                                          const std::vector<std::string>& buttons) {
    automation::Window box = automation::WaitForMessageBox(caption, kWait, process_.Id());
    EXPECT_TRUE(box) << "no message box \"" << caption << "\" appeared";
    if (!box) return box;
    EXPECT_EQ(automation::MessageBoxText(box.handle), text);
    EXPECT_EQ(automation::ButtonTexts(box.handle), buttons);
    // The icon is read from the screen: give a busy machine a moment to paint the box.
    LPCSTR shown = nullptr;
    automation::WaitUntil([&] { return (shown = automation::MessageBoxIcon(box.handle)) == icon; }, 3000);
    EXPECT_EQ(shown, icon);
    return box;
}

void SetupDriver::Press(const automation::Window& window, const std::string& button) {
    ASSERT_TRUE(window);
    ASSERT_TRUE(automation::PressButton(window.handle, button)) << "no button " << button;
}

void SetupDriver::ExpectEndsWithCodeZero(DWORD timeoutMs) {
    std::optional<DWORD> code = process_.WaitForExit(timeoutMs);
    ASSERT_TRUE(code.has_value()) << "Setup.exe did not end";
    EXPECT_EQ(*code, 0u);
}

automation::Window SetupDriver::StartInstallWindow(const std::string& program) {
    Start("", program);
    automation::Window question = automation::WaitForMessageBox(kSetupCaption, kWait, process_.Id());
    EXPECT_TRUE(question);
    if (!question) return {};
    Press(question, "Yes");
    automation::Window window = automation::WaitForWindow(kSetupCaption, kWait, process_.Id(), "TMainForm");
    EXPECT_TRUE(window) << "the setup window did not show";
    return window;
}

HWND SetupDriver::Label(const automation::Window& window, const std::string& text) {
    return automation::FindChildByText(window.handle, text, "TLabel");
}

void SetupDriver::ChooseFolder(const automation::Window& setupWindow, const std::string& folder) {
    Press(setupWindow, "Browse...");
    automation::Window chooser = automation::WaitForWindow("Choose Folder", kWait, process_.Id(), "TBrowseFolder");
    ASSERT_TRUE(chooser) << "the folder chooser did not show";
    HWND edit = nullptr;
    for (HWND child : automation::Children(chooser.handle))
        if (_stricmp(automation::ClassName(child).c_str(), "Edit") == 0) edit = child;
    ASSERT_TRUE(edit) << "the folder chooser has no path field";
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()), SMTO_ABORTIFHUNG,
                                      5000, &result));
    Press(chooser, "OK");
    DWORD attributes = ::GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        automation::Window question = ExpectBox(
            "Setup",
            "The Folder:\r\n\r\n'" + folder + "'\r\n\r\ndoes not exist. Do you want the folder to be created?",
            IDI_QUESTION, {"Yes", "No"});
        Press(question, "Yes");
    }
    EXPECT_TRUE(automation::WaitUntil([&] { return Label(setupWindow, folder) != nullptr; }, kWait))
        << "the setup window does not show " << folder;
}

void SetupDriver::StartInstall(const automation::Window& setupWindow) {
    Press(setupWindow, "Install");
    automation::Window licence = ExpectBox(
        kSetupCaption,
        "By installing this software you agree with the software license agreement. Do you wish to continue?",
        IDI_QUESTION, {"Yes", "No"});
    Press(licence, "Yes");
    EXPECT_TRUE(automation::WaitUntil([&] { return !::IsWindow(licence.handle); }, kWait))
        << "the licence question stays";
}

void SetupDriver::CancelInstall(const automation::Window& setupWindow) {
    Press(setupWindow, "Cancel");
    automation::Window box = ExpectBox("Exit Setup", "Do you wish to cancel this installation?", IDI_QUESTION,
                                       {"Yes", "No"});
    Press(box, "Yes");
    ExpectEndsWithCodeZero();
}

}  // namespace e2e
