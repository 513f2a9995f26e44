// The copying step in a real folder tree: <scratch>\extract\ holds the unpacked payload,
// <scratch>\dest\ is the installation and <scratch>\sys\ stands in for the system folder.
#include <windows.h>

#include <gtest/gtest.h>

#include "../archive/ArchiveBuilder.h"
#include "RecordingProgress.h"
#include "RecordingUi.h"
#include "ScratchFolder.h"
#include "StepCheck.h"
#include "archive/DataUnit.h"
#include "platform/FileSearch.h"
#include "platform/SystemInfo.h"
#include "setup/FileManifest.h"

using testing_support::ExpectDone;
using testing_support::ExpectErrorBox;
using testing_support::ReadFileBytes;
using testing_support::RecordingProgress;
using testing_support::WriteFileBytes;

namespace {

std::string Copying(const std::string& path) { return "Copying File '" + path + "'..."; }

// Image names in the order the file system lists them.
std::vector<std::string> ListedImages(const std::string& folder) {
    std::vector<std::string> names;
    platform::ForEachEntry(folder, "*.gif", [&](const WIN32_FIND_DATAA& entry) { names.push_back(entry.cFileName); });
    return names;
}

class CopyTest : public ::testing::Test {
protected:
    testing_support::ScratchFolder scratch{"copy"};
    std::string extract = scratch.Path() + "extract\\";
    std::string dest = scratch.Path() + "dest\\";
    std::string sys = scratch.Path() + "sys\\";
    testing_support::RecordingUi ui;  // a step shows no box itself: the runner does
    setup::InstallContext context;
    RecordingProgress progress;

    void SetUp() override {
        ASSERT_TRUE(::CreateDirectoryA(extract.c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA(sys.c_str(), nullptr));
        for (const char* name : setup::ProgramFiles) WriteFileBytes(extract + name, std::string("new ") + name);
        for (const char* name : setup::HtmlFiles) WriteFileBytes(extract + name, std::string("new ") + name);
        for (const char* name : {"logo.gif", "back.gif", "title.gif"}) WriteFileBytes(extract + name, name);
        WriteFileBytes(extract + "notes.txt", "not an image");
        WriteFileBytes(extract + "VORNA.CPL", "applet");
        context.DestinationFolder = dest;
        context.SystemFolder = sys;
        context.ExtractFolder = extract;
    }

    // Every progress text of a complete copy, in order.
    std::vector<std::string> ExpectedTexts() {
        std::vector<std::string> texts;
        for (const char* name : setup::ProgramFiles) texts.push_back(Copying(dest + name));
        for (const char* name : setup::HtmlFiles) texts.push_back(Copying(dest + "html\\" + name));
        for (const std::string& name : ListedImages(extract)) texts.push_back(Copying(dest + "html\\images\\" + name));
        texts.push_back(Copying(dest + platform::ModuleFileName()));
        texts.push_back(Copying(sys + "VORNA.CPL"));
        return texts;
    }
};

}  // namespace

TEST_F(CopyTest, CopiesEveryFileInOrderReportingEachOne) {
    ExpectDone(setup::CreateFolders(context));
    ExpectDone(setup::CopyAllFiles(progress, context));
    EXPECT_EQ(progress.texts, ExpectedTexts());
    EXPECT_EQ(progress.texts.size(), 13u + 27u + 3u + 2u);
    EXPECT_EQ(progress.texts[0], "Copying File '" + dest + "smtp.exe'...");

    for (const char* name : setup::ProgramFiles) EXPECT_EQ(ReadFileBytes(dest + name), std::string("new ") + name);
    for (const char* name : setup::HtmlFiles) EXPECT_EQ(ReadFileBytes(dest + "html\\" + name), std::string("new ") + name);
    EXPECT_EQ(ReadFileBytes(dest + "html\\images\\logo.gif"), "logo.gif");
    EXPECT_FALSE(platform::FileExists(dest + "html\\images\\notes.txt"));
    EXPECT_FALSE(platform::FileExists(dest + "notes.txt"));
    EXPECT_EQ(ReadFileBytes(dest + platform::ModuleFileName()), ReadFileBytes(platform::ModulePath()));
    EXPECT_EQ(ReadFileBytes(sys + "VORNA.CPL"), "applet");
}

TEST_F(CopyTest, HiddenAndSystemImagesAreCopiedToo) {
    ASSERT_TRUE(::SetFileAttributesA((extract + "logo.gif").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(::CreateDirectoryA((extract + "folder.gif").c_str(), nullptr));  // a folder is no image
    // "*.gif" finds it through its short alias, but its own extension is ".gifx".
    WriteFileBytes(extract + "extra-image.gifx", "no image");
    ExpectDone(setup::CreateFolders(context));
    ExpectDone(setup::CopyImages(progress, context));
    EXPECT_EQ(progress.texts.size(), 3u);
    EXPECT_TRUE(platform::FileExists(dest + "html\\images\\logo.gif"));
    EXPECT_FALSE(platform::FolderExists(dest + "html\\images\\folder.gif"));
    EXPECT_FALSE(platform::FileExists(dest + "html\\images\\extra-image.gifx"));
}

TEST_F(CopyTest, OverwritesAnOlderInstallationAndKeepsItsOtherFiles) {
    ASSERT_TRUE(::CreateDirectoryA(dest.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA((dest + "html").c_str(), nullptr));
    WriteFileBytes(dest + "smtp.exe", "old smtp.exe, longer than the new one");
    WriteFileBytes(dest + "html\\about.html", "old about");
    WriteFileBytes(dest + "mailboxes.dat", "the user's mail");
    WriteFileBytes(dest + "html\\custom.html", "the user's page");
    ExpectDone(setup::CreateFolders(context));
    ExpectDone(setup::CopyAllFiles(progress, context));
    EXPECT_EQ(ReadFileBytes(dest + "smtp.exe"), "new smtp.exe");
    EXPECT_EQ(ReadFileBytes(dest + "html\\about.html"), "new about.html");
    EXPECT_EQ(ReadFileBytes(dest + "mailboxes.dat"), "the user's mail");
    EXPECT_EQ(ReadFileBytes(dest + "html\\custom.html"), "the user's page");
}

TEST_F(CopyTest, WithoutImagesNoImageIsCopiedAndNothingIsReported) {
    for (const char* name : {"logo.gif", "back.gif", "title.gif"}) ::DeleteFileA((extract + name).c_str());
    ExpectDone(setup::CreateFolders(context));
    ExpectDone(setup::CopyAllFiles(progress, context));
    EXPECT_EQ(progress.texts.size(), 13u + 27u + 2u);
    EXPECT_TRUE(ListedImages(dest + "html\\images\\").empty());
    EXPECT_TRUE(platform::FolderExists(dest + "html\\images\\"));
}

TEST_F(CopyTest, MissingParentFoldersAreMade) {
    context.DestinationFolder = scratch.Path() + "missing\\deeper\\Vorna\\";
    ExpectDone(setup::CreateFolders(context));
    EXPECT_TRUE(platform::FolderExists(context.DestinationFolder + "html\\images\\"));
    EXPECT_TRUE(ui.Boxes().empty());
    EXPECT_TRUE(progress.texts.empty());
}

TEST_F(CopyTest, AFileOfTheFolderNameFailsTheStep) {
    ASSERT_TRUE(::CreateDirectoryA(dest.c_str(), nullptr));
    WriteFileBytes(dest + "html", "a file, not a folder");
    ExpectErrorBox(setup::CreateFolders(context),
                   "Directory could not be created: " + platform::SystemErrorMessage(ERROR_ALREADY_EXISTS));
}

TEST_F(CopyTest, FileMissingFromTheArchiveStopsTheCopyAfterTheFilesBeforeIt) {
    ASSERT_TRUE(::DeleteFileA((extract + "vorna.hlp").c_str()));  // the 8th program file
    ExpectDone(setup::CreateFolders(context));
    ExpectErrorBox(setup::CopyAllFiles(progress, context),
                   "File copy error: " + platform::SystemErrorMessage(ERROR_FILE_NOT_FOUND));
    ASSERT_EQ(progress.texts.size(), 8u);
    EXPECT_EQ(progress.texts.back(), Copying(dest + "vorna.hlp"));
    for (size_t i = 0; i < 7; ++i) EXPECT_TRUE(platform::FileExists(dest + setup::ProgramFiles[i]));
    EXPECT_FALSE(platform::FileExists(dest + "vorna.cnt"));
    EXPECT_FALSE(platform::FileExists(dest + "html\\about.html"));
    EXPECT_FALSE(platform::FileExists(sys + "VORNA.CPL"));
}

TEST_F(CopyTest, ADestinationInUseFailsTheCopyWithTheSystemsReason) {
    ExpectDone(setup::CreateFolders(context));
    WriteFileBytes(dest + "pop3.exe", "running");
    HANDLE running = ::CreateFileA((dest + "pop3.exe").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(running, INVALID_HANDLE_VALUE);
    setup::StepResult result = setup::CopyAllFiles(progress, context);
    ::CloseHandle(running);
    ExpectErrorBox(result, "File copy error: " + platform::SystemErrorMessage(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(progress.texts.size(), 2u);
    EXPECT_EQ(ReadFileBytes(dest + "pop3.exe"), "running");
}

// As in the install: the copies read the held files of a real extraction. What the archive
// lacked fails as a missing file, and an image put beside the unpacked files is not installed.
TEST_F(CopyTest, FromHeldFilesInstallsWhatTheArchiveHeldAndNothingPutBesideIt) {
    const std::string archivePath = scratch.Path() + "Setup.Dat", unpacked = scratch.Path() + "held\\";
    auto extract = [&](archive::ExtractedFiles& held, const char* left) {
        std::string bytes;
        for (const char* name : setup::ProgramFiles)
            if (std::string(name) != left) bytes += testing_support::Member(name, std::string("held ") + name);
        for (const char* name : setup::HtmlFiles) bytes += testing_support::Member(name, std::string("held ") + name);
        bytes += testing_support::Member("logo.gif", "held logo") + testing_support::Member("VORNA.CPL", "held applet");
        WriteFileBytes(archivePath, bytes);
        ASSERT_TRUE(archive::ExtractArchive(archivePath, unpacked, held));
        context.ExtractFolder = unpacked;
        context.Unpacked = &held;
    };
    {
        archive::ExtractedFiles held;
        ASSERT_NO_FATAL_FAILURE(extract(held, ""));
        WriteFileBytes(unpacked + "put.gif", "not from the archive");
        ExpectDone(setup::CreateFolders(context));
        ExpectDone(setup::CopyAllFiles(progress, context));
        EXPECT_EQ(progress.texts.size(), 13u + 27u + 1u + 2u);
        for (const char* name : setup::ProgramFiles) EXPECT_EQ(ReadFileBytes(dest + name), std::string("held ") + name);
        EXPECT_EQ(ReadFileBytes(dest + "html\\styles.css"), "held styles.css");
        EXPECT_EQ(ReadFileBytes(dest + "html\\images\\logo.gif"), "held logo");
        EXPECT_FALSE(platform::FileExists(dest + "html\\images\\put.gif"));
        EXPECT_EQ(ReadFileBytes(sys + "VORNA.CPL"), "held applet");
        EXPECT_EQ(ReadFileBytes(dest + platform::ModuleFileName()), ReadFileBytes(platform::ModulePath()));
    }
    archive::ExtractedFiles held;
    ASSERT_NO_FATAL_FAILURE(extract(held, "vorna.hlp"));
    progress.texts.clear();
    ExpectErrorBox(setup::CopyAllFiles(progress, context),
                   "File copy error: " + platform::SystemErrorMessage(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(progress.texts.size(), 8u);
}
