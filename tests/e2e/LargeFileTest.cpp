// An install with a member far larger than a copy block: the windows answer all through it,
// and a Cancel in the middle of the file leaves no part of it.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <sstream>
#include <thread>

#include "InstallFlows.h"
#include "InstallSupport.h"
#include "SetupDriver.h"
#include "TestPaths.h"
#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

using namespace e2e;


// Appends a member of size bytes to an archive, written a block at a time: a later member of the
// same name replaces an earlier one, and a test holds no such file in memory.
void AppendLargeMember(const std::string& archivePath, const std::string& name, uint32_t size) {
    platform::ScopedFile archive(::CreateFileA(archivePath.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(archive);
    char header[1 + 255 + 4] = {};
    header[0] = static_cast<char>(name.size());
    std::copy(name.begin(), name.end(), header + 1);
    for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    std::string block(1024 * 1024, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 % 251);
    ASSERT_TRUE(platform::WriteAll(archive.Get(), header, sizeof(header)));
    for (uint32_t left = size; left > 0;) {
        uint32_t count = std::min<uint32_t>(left, static_cast<uint32_t>(block.size()));
        ASSERT_TRUE(platform::WriteAll(archive.Get(), block.data(), count));
        left -= count;
    }
}

// The share of the window's pixels on the screen that are pure black (a window not yet painted).
double BlackShare(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    HDC screen = ::GetDC(nullptr);
    int black = 0, all = 0;
    for (int y = rect.top; y < rect.bottom; y += 2) {
        for (int x = rect.left; x < rect.right; x += 2, ++all) black += ::GetPixel(screen, x, y) == RGB(0, 0, 0);
    }
    ::ReleaseDC(nullptr, screen);
    return all == 0 ? 1.0 : static_cast<double>(black) / all;
}

// A file far larger than a copy block: the windows answer all through its unpacking and its copy,
// the progress window is whole on the screen from its first text, and a Cancel in the middle of
// the file's copy leaves no part of it. Then the whole install, asked to its closing box: after
// "Installation Complete" the unpacked member is closed and deleted, which may take long.
TEST_F(InstallTest, ALargeFileKeepsTheWindowsAnsweringAndACancelInItsCopyLeavesNoPartOfIt) {
    constexpr uint32_t kLarge = 768u * 1024 * 1024;
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    ASSERT_NO_FATAL_FAILURE(AppendLargeMember(std::string(kMediumFolder) + "Setup.Dat", "vorna.hlp", kLarge));
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    HWND bar = automation::Children(window.handle, STATUSCLASSNAMEA).front();
    setup.StartInstall(window);

    const std::string large = std::string("Copying File '") + kDefaultFolder + "vorna.hlp'...";
    const std::string copy = std::string(kDefaultFolder) + "vorna.hlp";
    // The size of the copy as the directory shows it, without opening the file (-1: none).
    auto copiedSize = [&copy]() -> int64_t {
        WIN32_FIND_DATAA found{};
        HANDLE find = ::FindFirstFileA(copy.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return -1;
        ::FindClose(find);
        return static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    };
    DWORD longest = 0;
    double blackAfterFirstText = -1;
    bool pressed = false;
    // Asks for the status bar's text every 50 ms, as a person's clicks and the system's checks do.
    for (DWORD start = ::GetTickCount(); !pressed && ::GetTickCount() - start < kInstallTimeout; ::Sleep(50)) {
        char text[1024] = {};
        DWORD_PTR copied = 0;
        DWORD asked = ::GetTickCount();
        bool answered = ::SendMessageTimeoutA(bar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                              SMTO_NORMAL, 5000, &copied);
        longest = std::max(longest, ::GetTickCount() - asked);
        if (!answered) break;
        HWND progress = ::FindWindowA("TRunForm", "Processing...");
        if (blackAfterFirstText < 0 && progress && std::string(text) == "Extracting Files...") {
            ::Sleep(300);
            blackAfterFirstText = BlackShare(progress);
        }
        // Pressed early in the copy, so that the click is taken while the copy still runs.
        const int64_t size = copiedSize();
        if (size > 0 && size < kLarge / 2) {
            setup.Press(window, "Cancel");
            pressed = true;
        }
    }
    ASSERT_TRUE(pressed) << "the copy of the large file was not seen";
    automation::Window question =
        setup.ExpectBox("Exit Setup", "Do you wish to cancel this installation?", IDI_QUESTION, {"Yes", "No"});
    EXPECT_EQ(StatusText(window), large) << "the question came after the large file's copy";
    EXPECT_LT(copiedSize(), int64_t{kLarge}) << "the question came after the large file's copy";
    setup.Press(question, "Yes");
    setup.ExpectEndsWithCodeZero();
    EXPECT_LE(longest, 250u) << "the windows did not answer for " << longest << " ms";
    EXPECT_GE(blackAfterFirstText, 0) << "the progress window was not seen with its first text";
    EXPECT_LT(blackAfterFirstText, 0.2) << "the progress window is not painted while the files are unpacked";
    EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "vorna.hlp")) << "a part of the large file was left";
    EXPECT_TRUE(FileExists(std::string(kDefaultFolder) + "smtp.exe")) << "the files before it were not copied";

    SetupDriver whole;
    automation::Window second = whole.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(second);
    HWND secondBar = automation::Children(second.handle, STATUSCLASSNAMEA).front();
    whole.StartInstall(second);
    DWORD longestToTheEnd = 0;
    std::string longestAt;
    bool boxSeen = false;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < kInstallTimeout; ::Sleep(50)) {
        if ((boxSeen = automation::WaitForMessageBox("Information", 0, whole.Process().Id()).handle != nullptr)) break;
        char text[1024] = {};
        DWORD_PTR copied = 0;
        DWORD asked = ::GetTickCount();
        bool answered = ::SendMessageTimeoutA(secondBar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                              SMTO_NORMAL, 5000, &copied);
        if (::GetTickCount() - asked > longestToTheEnd) {
            longestToTheEnd = ::GetTickCount() - asked;
            longestAt = text;
        }
        if (!answered) break;
    }
    ASSERT_TRUE(boxSeen) << "no closing box; the windows did not answer for " << longestToTheEnd << " ms at \""
                         << longestAt << "\"";
    automation::Window done = whole.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    whole.Press(done, "OK");
    whole.ExpectEndsWithCodeZero();
    EXPECT_LE(longestToTheEnd, 250u) << "the windows did not answer for " << longestToTheEnd << " ms, after \""
                                     << longestAt << "\"";
    WIN32_FILE_ATTRIBUTE_DATA installed{};
    ASSERT_TRUE(::GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &installed));
    EXPECT_EQ(installed.nFileSizeLow, kLarge) << "the large file was not installed whole";
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the unpacked files were not removed";
}
