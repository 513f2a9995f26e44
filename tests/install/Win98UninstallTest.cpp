// The deferred deletion on a 95/98 system (this program runs with Wine's version set to
// Windows 98): the own file goes into wininit.ini's [Rename] section, never into the NT list.
#include <gtest/gtest.h>

#include "InstallTestSupport.h"
#include "ScratchFolder.h"
#include "platform/SystemInfo.h"
#include "setup/Uninstall.h"

namespace {

using testing_support::ReadFileBytes;
using testing_support::WriteFileBytes;

DWORD PlatformId() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return ::GetVersionExA(&info) ? info.dwPlatformId : 0xFFFFFFFFu;
}

std::string WindowsFolder() {
    char folder[MAX_PATH] = {};
    UINT length = ::GetWindowsDirectoryA(folder, MAX_PATH);
    return std::string(folder, length < MAX_PATH ? length : 0);
}

class Win98DeletionTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Run through ctest, whose launcher sets the version for programs named *_win98.exe.
        ASSERT_EQ(PlatformId(), static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS)) << "not running as Windows 98";
        ASSERT_FALSE(platform::IsWindowsNT());
        ASSERT_FALSE(WindowsFolder().empty());
    }

    install_tests::PendingRenamesGuard pending;
    std::string wininit = WindowsFolder() + "\\wininit.ini";
    install_tests::FileRestorer restore{wininit};
    testing_support::ScratchFolder folder{"win98"};
};

TEST_F(Win98DeletionTest, TheEntryGoesBesideAnotherProgramsPendingEntry) {
    std::string file = folder.Path() + "Setup.exe";
    WriteFileBytes(file, "MZ");
    const std::string existing = "[Other]\r\nA=1\r\n[rename]\r\nNUL=C:\\OTHER\\OLD.EXE\r\n";
    WriteFileBytes(wininit, existing);
    auto listBefore = pending.Current();

    setup::ScheduleDeletionAtRestart(file);

    EXPECT_EQ(ReadFileBytes(wininit), existing + "NUL=" + file + "\r\n");
    EXPECT_FALSE(platform::FileExists(wininit + ".new"));
    EXPECT_EQ(pending.Current(), listBefore);
    EXPECT_TRUE(platform::FileExists(file));
}

TEST_F(Win98DeletionTest, WithoutAWininitFileOneIsMadeWithTheSection) {
    ::DeleteFileA(wininit.c_str());
    std::string file = folder.Path() + "Setup.exe";
    setup::ScheduleDeletionAtRestart(file);
    EXPECT_EQ(ReadFileBytes(wininit), "[Rename]\r\nNUL=" + file + "\r\n");
    // What the restart reads: the profile API finds the entry in the section.
    char value[MAX_PATH] = {};
    ::GetPrivateProfileStringA("Rename", "NUL", "", value, MAX_PATH, wininit.c_str());
    EXPECT_EQ(std::string(value), file);
}

}  // namespace
