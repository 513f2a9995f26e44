#include <gtest/gtest.h>

#include "platform/SystemInfo.h"

using namespace platform;

TEST(SystemErrorMessage, TrimsTrailingSpacesControlCharactersAndFullStops) {
    // Wine's texts end in ".\r\n"; the setup's boxes show them without.
    std::string text = SystemErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(text.empty());
    unsigned char last = static_cast<unsigned char>(text.back());
    EXPECT_GT(last, 32);
    EXPECT_NE(last, '.');
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(SystemErrorMessage, LastErrorIsTakenFirst) {
    ::SetLastError(ERROR_SERVICE_EXISTS);
    EXPECT_EQ(LastErrorMessage(), SystemErrorMessage(ERROR_SERVICE_EXISTS));
}

TEST(Paths, FolderAndFileNameSplitAtTheLastBackslash) {
    EXPECT_EQ(FolderOf("C:\\Program Files\\Vorna\\Setup.exe"), "C:\\Program Files\\Vorna\\");
    EXPECT_EQ(FileNameOf("C:\\Program Files\\Vorna\\Setup.exe"), "Setup.exe");
    EXPECT_EQ(FolderOf("Setup.exe"), "");
    EXPECT_EQ(FileNameOf("D:\\"), "");
    EXPECT_EQ(WithTrailingBackslash("D:\\Mail"), "D:\\Mail\\");
    EXPECT_EQ(WithTrailingBackslash("D:\\"), "D:\\");
    EXPECT_EQ(WithTrailingBackslash(""), "");
}

TEST(Paths, OnlyDriveAndNetworkPathsAreFull) {
    EXPECT_TRUE(IsFullPath("C:\\"));
    EXPECT_TRUE(IsFullPath("d:\\Mail"));
    EXPECT_TRUE(IsFullPath("\\\\server\\share"));
    // Each of these resolves from the current folder or the current drive.
    EXPECT_FALSE(IsFullPath(""));
    EXPECT_FALSE(IsFullPath("Mail\\Vorna"));
    EXPECT_FALSE(IsFullPath("C:x"));
    EXPECT_FALSE(IsFullPath("C:"));
    EXPECT_FALSE(IsFullPath("\\Vorna"));
    EXPECT_FALSE(IsFullPath("\\\\\\server"));
    EXPECT_FALSE(IsFullPath("1:\\x"));
}

TEST(Paths, ShortTextsAreCutTo255) {
    EXPECT_EQ(CutToShortText(std::string(300, 'a')).size(), 255u);
    EXPECT_EQ(CutToShortText("abc"), "abc");
}

TEST(ModulePath, NamesTheRunningTestProgram) {
    EXPECT_EQ(FileNameOf(ModulePath()), ModuleFileName());
    EXPECT_NE(ModuleFileName().find("platform_tests"), std::string::npos);
    EXPECT_TRUE(FolderExists(ModuleFolder()));
}
