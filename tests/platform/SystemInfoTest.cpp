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

TEST(ModulePath, NamesTheRunningTestProgram) {
    EXPECT_EQ(FileNameOf(ModulePath()), ModuleFileName());
    EXPECT_NE(ModuleFileName().find("platform_tests"), std::string::npos);
    EXPECT_TRUE(FolderExists(ModuleFolder()));
}
