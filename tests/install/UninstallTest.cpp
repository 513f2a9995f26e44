// The uninstall's pieces on an NT system: the wininit.ini text, the deferred deletion through
// the pending-rename list, the images, and the whole removal on a real folder tree.
#include <gtest/gtest.h>

#include "InstallTestSupport.h"
#include "RecordingUi.h"
#include "ScratchFolder.h"
#include "ScratchRegistry.h"
#include "StepCheck.h"
#include "platform/SystemInfo.h"
#include "setup/FileManifest.h"
#include "setup/Shortcuts.h"
#include "setup/Uninstall.h"

namespace {

using install_tests::FolderEntries;
using setup::WithRenameEntry;
using testing_support::GetRegistryValue;
using testing_support::ReadFileBytes;
using testing_support::RegistryKeyExists;
using testing_support::WriteFileBytes;

const char kPath[] = "C:\\Program Files\\Vorna\\Setup.exe";
const std::string kEntry = std::string("NUL=") + kPath + "\r\n";

TEST(WithRenameEntry, WithoutAFileOrASectionTheSectionIsAddedAtTheEnd) {
    EXPECT_EQ(WithRenameEntry("", kPath), "[Rename]\r\n" + kEntry);
    EXPECT_EQ(WithRenameEntry("[Other]\r\nA=1\r\n", kPath), "[Other]\r\nA=1\r\n[Rename]\r\n" + kEntry);
    // A last line without its line break gets one before the new section.
    EXPECT_EQ(WithRenameEntry("[Other]\nA=1", kPath), "[Other]\nA=1\r\n[Rename]\r\n" + kEntry);
}

TEST(WithRenameEntry, AnExistingEntryIsKeptAndTheNewOneFollowsItInsideItsSection) {
    const std::string before = "[Before]\r\nX=1\r\n";
    const std::string after = "[After]\r\nY=2\r\n";
    EXPECT_EQ(WithRenameEntry(before + "[Rename]\r\nNUL=C:\\OLD\\A.EXE\r\n\r\n" + after, kPath),
              before + "[Rename]\r\nNUL=C:\\OLD\\A.EXE\r\n" + kEntry + "\r\n" + after);
    // Line feeds alone, the header in other letters and indented, the section last and its
    // last line without a line break.
    EXPECT_EQ(WithRenameEntry("[x]\nk=v\n  [rename]\nNUL=C:\\OLD\\A.EXE\nC:\\NEW.EXE=C:\\TMP.EXE", kPath),
              "[x]\nk=v\n  [rename]\nNUL=C:\\OLD\\A.EXE\nC:\\NEW.EXE=C:\\TMP.EXE\r\n" + kEntry);
    // An empty section.
    EXPECT_EQ(WithRenameEntry("[Rename]\n[After]\n", kPath), "[Rename]\n" + kEntry + "[After]\n");
}

TEST(WithRenameEntry, OnlyASectionHeaderOpensTheSection) {
    // A value that merely holds the text "[Rename]" is no header; a similar name is another section.
    const std::string text = "[Other]\r\nK=C:\\[Rename]\\x\r\n[Renamed]\r\nA=1\r\n[Rename]\r\nNUL=C:\\OLD.EXE\r\n";
    EXPECT_EQ(WithRenameEntry(text, kPath), text + kEntry);
}

TEST(ScheduleDeletionAtRestart, OnNtTheFileIsAddedToThePendingRenameList) {
    install_tests::PendingRenamesGuard pending;  // puts the list back afterwards
    testing_support::ScratchFolder folder("restart");
    std::string file = folder.Path() + "Setup.exe";
    WriteFileBytes(file, "MZ");
    ASSERT_TRUE(platform::IsWindowsNT());

    setup::ScheduleDeletionAtRestart(file);

    auto list = pending.Current();
    ASSERT_TRUE(list);
    // A source and an empty destination: delete.
    const std::string pair = "\\??\\" + file + std::string(1, '\0') + std::string(1, '\0');
    EXPECT_NE(list->find(pair), std::string::npos);
    EXPECT_TRUE(platform::FileExists(file)) << "deleted now instead of at the restart";
}

TEST(DeleteImages, EveryGifGoesUnlessReadOnlyAndNothingElse) {
    testing_support::ScratchFolder folder("images");
    std::string html = folder.Path() + "html\\", images = html + "images\\";
    ASSERT_TRUE(::CreateDirectoryA(html.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryA(images.c_str(), nullptr));
    const std::pair<const char*, DWORD> gifs[] = {
        {"plain.gif", FILE_ATTRIBUTE_NORMAL}, {"hidden.gif", FILE_ATTRIBUTE_HIDDEN},
        {"system.gif", FILE_ATTRIBUTE_SYSTEM}, {"archive.gif", FILE_ATTRIBUTE_ARCHIVE},
        {"UPPER.GIF", FILE_ATTRIBUTE_NORMAL}, {"extra.gif", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"locked.gif", FILE_ATTRIBUTE_READONLY},
    };
    for (const auto& [name, attributes] : gifs) {
        WriteFileBytes(images + name, "GIF89a");
        ASSERT_TRUE(::SetFileAttributesA((images + name).c_str(), attributes)) << name;
    }
    for (const char* name : {"photo.jpg", "icon.png", "anim.gif.bak"}) WriteFileBytes(images + name, "x");
    ASSERT_TRUE(::CreateDirectoryA((images + "old.gif").c_str(), nullptr));
    WriteFileBytes(images + "old.gif\\inner.gif", "GIF89a");
    WriteFileBytes(html + "top.gif", "GIF89a");

    setup::DeleteImages(folder.Path());

    EXPECT_EQ(FolderEntries(images),
              (std::vector<std::string>{"anim.gif.bak", "icon.png", "locked.gif", "old.gif", "photo.jpg"}));
    EXPECT_TRUE(platform::FileExists(images + "old.gif\\inner.gif"));
    EXPECT_TRUE(platform::FileExists(html + "top.gif"));

    // No images folder at all: nothing to do, nothing fails.
    testing_support::ScratchFolder empty("noimages");
    setup::DeleteImages(empty.Path());
    EXPECT_TRUE(FolderEntries(empty.Path()).empty());
}

// An installation laid out as the install leaves it, with files of the user's beside it.
class RemoveInstallationTest : public ::testing::Test {
protected:
    RemoveInstallationTest() {
        context.SystemFolder = system.Path();
        context.ProgramFolder = program.Path();
        context.ProgramFileName = "Setup.exe";

        std::string folder = program.Path();
        html = folder + "html\\";
        images = html + "images\\";
        ::CreateDirectoryA(html.c_str(), nullptr);
        ::CreateDirectoryA(images.c_str(), nullptr);
        for (const char* name : setup::ProgramFiles) WriteFileBytes(folder + name, name);
        for (const char* name : setup::HtmlFiles) WriteFileBytes(html + name, name);
        for (const char* name : {"logo.gif", "back.gif", "added-later.gif"}) WriteFileBytes(images + name, "GIF89a");
        WriteFileBytes(folder + "Setup.exe", "MZ");
        WriteFileBytes(folder + "mailboxes.dat", "user data");
        WriteFileBytes(html + "custom.html", "user page");
        WriteFileBytes(images + "photo.jpg", "user image");
        WriteFileBytes(system.Path() + setup::kAppletName, "applet");
        WriteFileBytes(system.Path() + "other.cpl", "another applet");

        registry.SetCurrentUserString("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                      "Programs", menu.Path().substr(0, menu.Path().size() - 1));
        group = menu.Path() + "VORNA Mail Server\\";
        ::CreateDirectoryA(group.c_str(), nullptr);
        for (const char* name : setup::ShortcutNames) WriteFileBytes(group + name + ".lnk", "link");
        registry.SetLocalMachineString(kUninstall + "\\Vorna", "DisplayName", "VORNA Mail Server");
        registry.SetLocalMachineString(kUninstall + "\\Vorna", "UninstallString", "\"x\" /UNINSTALL");
        registry.SetLocalMachineString(kUninstall + "\\Vorna\\Sub", "Extra", "1");
        registry.SetLocalMachineString(kUninstall + "\\Other", "DisplayName", "Other program");
        registry.SetLocalMachineString("Software\\VORNA", "InstallDir", program.Path());
    }
    void Run() { testing_support::ExpectDone(setup::RemoveInstallation(context)); }

    void ExpectInstallationRemoved() {
        EXPECT_EQ(FolderEntries(program.Path()), (std::vector<std::string>{"Setup.exe", "html", "mailboxes.dat"}));
        EXPECT_EQ(FolderEntries(html), (std::vector<std::string>{"custom.html", "images"}));
        EXPECT_EQ(FolderEntries(images), std::vector<std::string>{"photo.jpg"});
        EXPECT_EQ(FolderEntries(system.Path()), std::vector<std::string>{"other.cpl"});
        EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstall + "\\Vorna"));
        EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstall + "\\Other"));
        auto installDir = GetRegistryValue(HKEY_LOCAL_MACHINE, "Software\\VORNA", "InstallDir");
        ASSERT_TRUE(installDir);
        EXPECT_EQ(installDir->data, program.Path() + std::string(1, '\0'));
        // The running program's own file waits for the restart.
        auto list = pending.Current();
        ASSERT_TRUE(list);
        EXPECT_NE(list->find("\\??\\" + program.Path() + "Setup.exe" + std::string(1, '\0')), std::string::npos);
    }

    const std::string kUninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    install_tests::PendingRenamesGuard pending;  // before the registry redirection: it holds the real key
    testing_support::ScratchRegistry registry;
    testing_support::RecordingUi ui;
    testing_support::ScratchFolder program{"installed"}, menu{"menu"}, system{"system"};
    setup::InstallContext context;
    std::string html, images, group;
};

TEST_F(RemoveInstallationTest, RemovesTheTablesFilesImagesAppletShortcutsGroupAndEntry) {
    Run();
    ExpectInstallationRemoved();
    EXPECT_FALSE(platform::FolderExists(group));
    EXPECT_TRUE(ui.Boxes().empty());
}

TEST_F(RemoveInstallationTest, AGroupWithAFileOfTheUsersStaysWithThatFile) {
    WriteFileBytes(group + "My link.lnk", "mine");
    Run();
    ExpectInstallationRemoved();
    EXPECT_EQ(FolderEntries(group), std::vector<std::string>{"My link.lnk"});
}

}  // namespace
