// Start-up of the real Setup.exe: the mode is chosen by the first argument, the first
// question comes before any window, and the setup window shows the version and the folder.
#include <gtest/gtest.h>

#include "SetupDriver.h"
#include "platform/ScopedHandle.h"

using namespace e2e;

namespace {

const char kInstallQuestion[] = "This will install VORNA Mail Server 2.10.255. Do you wish to continue?";
const char kUninstallQuestion[] = "Are you sure to completely remove all files and components of this program?";

// HKLM\Software\VORNA as a test sets it up; removed again afterwards.
class StoredInstallDir {
public:
    StoredInstallDir() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\VORNA"); }
    ~StoredInstallDir() { ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\VORNA"); }
    void Set(DWORD type, const void* data, DWORD size) {
        platform::ScopedRegKey key;
        HKEY raw = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VORNA", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                    &raw, nullptr),
                  ERROR_SUCCESS);
        key.Reset(raw);
        ASSERT_EQ(::RegSetValueExA(key.Get(), "InstallDir", 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    void SetString(const std::string& text) { Set(REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1)); }
};

// Watches the process until it ends; true when it never showed a window.
bool EndsShowingNothing(automation::Process& process) {
    bool shown = false;
    bool ended = automation::WaitUntil(
        [&] {
            if (!automation::TopLevelWindows(process.Id()).empty()) shown = true;
            return !process.Running();
        },
        kWait);
    return ended && !shown;
}

}  // namespace

TEST(StartUp, InstallQuestionComesFirstAndNoEndsBeforeAnyWindow) {
    SetupDriver setup;
    setup.Start("");
    automation::Window box = setup.ExpectBox(kSetupCaption, kInstallQuestion, IDI_QUESTION, {"Yes", "No"});
    ASSERT_TRUE(box);
    for (const automation::Window& window : automation::TopLevelWindows(setup.Process().Id()))
        EXPECT_EQ(window.handle, box.handle) << "a window showed before the question: " << window.caption;
    setup.Press(box, "No");
    setup.ExpectEndsWithCodeZero();
}

TEST(StartUp, UninstallSwitchInAnyCaseAsksTheUninstallQuestion) {
    for (const char* argument : {"/UNINSTALL", "/uninstall", "/UnInstall extra arguments are ignored"}) {
        SCOPED_TRACE(argument);
        SetupDriver setup;
        setup.Start(argument);
        automation::Window box = setup.ExpectBox(kSetupCaption, kUninstallQuestion, IDI_QUESTION, {"Yes", "No"});
        setup.Press(box, "No");
        setup.ExpectEndsWithCodeZero();
    }
}

TEST(StartUp, AnyOtherFirstArgumentEndsSilentlyWithCodeZero) {
    std::string longText(3000, 'x');
    for (std::string argument : {std::string("/x"), std::string("C:\\Setup\\Setup.exe"), std::string("\"\""),
                                 std::string("/UNINSTALLX"), longText, std::string("/\xC4\xD6\xDC\xE9")}) {
        SCOPED_TRACE(argument.substr(0, 40));
        SetupDriver setup;
        setup.Start(argument);
        EXPECT_TRUE(EndsShowingNothing(setup.Process()));
        setup.ExpectEndsWithCodeZero(1000);
    }
}

TEST(StartUp, YesShowsTheSetupWindowInFrontOfTheMaximisedBackground) {
    StoredInstallDir none;
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow();
    ASSERT_TRUE(window);
    automation::Window background = automation::WaitForWindow(kSetupCaption, kWait, setup.Process().Id(),
                                                               "TBackgroundForm");
    ASSERT_TRUE(background);
    EXPECT_TRUE(::IsZoomed(background.handle));
    // In front: the setup window stands above the background in the z-order.
    bool above = false;
    for (HWND w = ::GetWindow(background.handle, GW_HWNDPREV); w; w = ::GetWindow(w, GW_HWNDPREV))
        if (w == window.handle) above = true;
    EXPECT_TRUE(above);
    EXPECT_TRUE(setup.Label(window, "2.10.255")) << "version label";
    EXPECT_TRUE(setup.Label(window, "C:\\Program Files\\Vorna\\")) << "default destination";
    setup.CancelInstall(window);
}

TEST(StartUp, StoredInstallDirIsProposedAsStored) {
    StoredInstallDir stored;
    stored.SetString("D:\\Mail");
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(setup.Label(window, "D:\\Mail")) << "the stored folder, without a backslash added";
    setup.CancelInstall(window);
}

TEST(StartUp, UnusableStoredInstallDirLeavesTheDefault) {
    StoredInstallDir stored;
    DWORD number = 42;
    stored.Set(REG_DWORD, &number, sizeof(number));
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow();
        ASSERT_TRUE(window);
        EXPECT_TRUE(setup.Label(window, "C:\\Program Files\\Vorna\\"));
        setup.CancelInstall(window);
    }
    stored.SetString("");
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow();
        ASSERT_TRUE(window);
        EXPECT_TRUE(setup.Label(window, "C:\\Program Files\\Vorna\\"));
        setup.CancelInstall(window);
    }
}

TEST(StartUp, VeryLongStoredInstallDirDoesNotUpsetStartUp) {
    StoredInstallDir stored;
    std::string longFolder = "C:\\" + std::string(5000, 'v') + "\\";
    stored.SetString(longFolder);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(setup.Label(window, longFolder));
    setup.CancelInstall(window);
}
