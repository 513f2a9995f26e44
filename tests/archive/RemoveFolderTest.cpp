#include <windows.h>

#include <gtest/gtest.h>

#include "ArchiveBuilder.h"
#include "ScratchFolder.h"
#include "archive/DataUnit.h"
#include "platform/SystemInfo.h"

using testing_support::Listing;
using testing_support::WriteFileBytes;
using Names = std::vector<std::string>;

namespace {

void WriteWithAttributes(const std::string& path, DWORD attributes) {
    WriteFileBytes(path, "x");
    ASSERT_TRUE(::SetFileAttributesA(path.c_str(), attributes)) << path;
}

}  // namespace

TEST(RemoveFolder, DeletesFilesOfAnyAttributesAndTheFolder) {
    testing_support::ScratchFolder scratch("rm");
    std::string folder = scratch.Path() + "VORNAInstall\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    WriteWithAttributes(folder + "plain.exe", FILE_ATTRIBUTE_NORMAL);
    WriteWithAttributes(folder + "hidden.gif", FILE_ATTRIBUTE_HIDDEN);
    WriteWithAttributes(folder + "system.cpl", FILE_ATTRIBUTE_SYSTEM);
    WriteWithAttributes(folder + "both", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    WriteWithAttributes(folder + "noext", FILE_ATTRIBUTE_ARCHIVE);
    archive::RemoveFolder(folder);
    EXPECT_FALSE(platform::FolderExists(folder));
    EXPECT_TRUE(Listing(scratch.Path()).empty());
}

TEST(RemoveFolder, DoesNotDescendAndKeepsAFolderThatIsNotEmpty) {
    testing_support::ScratchFolder scratch("rm");
    std::string folder = scratch.Path() + "x\\";
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((folder + "sub").c_str(), nullptr));
    WriteFileBytes(folder + "sub\\inner.txt", "x");
    WriteFileBytes(folder + "a.txt", "x");
    archive::RemoveFolder(folder);
    EXPECT_EQ(Listing(folder), Names{"sub\\"});
    EXPECT_EQ(Listing(folder + "sub\\"), Names{"inner.txt"});

    ::RemoveDirectoryA((folder + "sub").c_str());  // fails: not empty
    WriteWithAttributes(folder + "readonly.txt", FILE_ATTRIBUTE_READONLY);
    testing_support::DeleteTree(folder + "sub");
    archive::RemoveFolder(folder);
    EXPECT_EQ(Listing(folder), Names{"readonly.txt"});  // cannot be deleted, so the folder stays
    ::SetFileAttributesA((folder + "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(RemoveFolder, MissingEmptyOrUnterminatedPathsTouchNothing) {
    testing_support::ScratchFolder scratch("rm");
    archive::RemoveFolder(scratch.Path() + "missing\\");
    WriteFileBytes(scratch.Path() + "keep.txt", "x");
    WriteFileBytes(scratch.Path() + "keepsake.txt", "x");

    char previous[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(::SetCurrentDirectoryA(scratch.Path().c_str()));
    archive::RemoveFolder("");  // would otherwise clear the current folder
    ::SetCurrentDirectoryA(previous);
    // Without its backslash the search would run beside the folder ("<scratch>\keep*.*").
    archive::RemoveFolder(scratch.Path() + "keep");
    archive::RemoveFolder(scratch.Path().substr(0, scratch.Path().size() - 1));
    EXPECT_EQ(Listing(scratch.Path()), (Names{"keep.txt", "keepsake.txt"}));
}
