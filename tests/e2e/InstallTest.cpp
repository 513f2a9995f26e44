// Whole installs and uninstalls by the real Setup.exe, driven through its windows and message
// boxes as a user would, checked by what they leave on the machine.
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


TEST_F(InstallTest, DefaultFolderInstallThenUninstallThroughTheStoredCommand) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string destination = kDefaultFolder;
    ASSERT_NO_FATAL_FAILURE(InstallFromTheMedium(destination, "the default folder is proposed"));
    ExpectInstalled(destination, payload);
    std::vector<DWORD> servers = ExpectServicesRunning(destination);

    // What the uninstall must leave alone, and an image it did not install.
    WriteFileBytes(destination + "notes.txt", "mine");
    WriteFileBytes(destination + "html\\images\\extra.gif", "GIF89a");
    WriteFileBytes(destination + "html\\images\\keep.png", "PNG");
    {
        SetupDriver setup;
        ASSERT_NO_FATAL_FAILURE(UninstallThroughUninstallString(setup, destination));
    }
    ExpectUninstalled(destination);
    for (const Server& server : kServers) EXPECT_FALSE(ServiceExists(server.service)) << server.service;
    for (DWORD process : servers) EXPECT_FALSE(ProcessRunning(process)) << "a server still runs";
    EXPECT_FALSE(FileExists(destination + "html\\images\\logo.gif"));
    EXPECT_FALSE(FileExists(destination + "html\\images\\extra.gif"));
    EXPECT_TRUE(FileExists(destination + "html\\images\\keep.png"));
    EXPECT_TRUE(FileExists(destination + "notes.txt"));
    std::vector<std::string> pending = PendingDeletions();
    EXPECT_NE(std::find(pending.begin(), pending.end(), "\\??\\" + destination + "Setup.exe"), pending.end())
        << "the own file is not scheduled for deletion at restart";
}

TEST_F(InstallTest, UninstallLeavesAServiceThatIsStillStoppingAndItsProgram) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string destination = kDefaultFolder;
    ASSERT_NO_FATAL_FAILURE(InstallFromTheMedium(destination));
    ASSERT_EQ(ExpectServicesRunning(destination).size(), 3u);
    // The SMTP stand-in takes three seconds to stop, far beyond the uninstall's pause.
    WriteFileBytes(destination + "smtp.exe.slowstop", "3000");
    {
        SetupDriver setup;
        ASSERT_NO_FATAL_FAILURE(UninstallThroughUninstallString(setup, destination));
    }
    EXPECT_TRUE(ServiceExists("VORNASMTP")) << "a service still stopping was deleted";
    EXPECT_TRUE(FileExists(destination + "smtp.exe")) << "the program of a service still stopping";
    EXPECT_FALSE(ServiceExists("VORNAPOP3"));
    EXPECT_FALSE(ServiceExists("VORNAControl"));
    EXPECT_FALSE(FileExists(destination + "pop3.exe"));
    EXPECT_FALSE(FileExists(destination + "readme.txt"));
}

TEST_F(InstallTest, BrowsedFolderWithoutBackslashThenRepeatedInstallOverTheRunningOne) {
    const std::string destination = Managed("C:\\VornaMail\\");
    const std::string typed = "C:\\VornaMail";
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
        ASSERT_TRUE(window);
        setup.ChooseFolder(window, typed);
        ASSERT_NO_FATAL_FAILURE(InstallToTheEnd(setup, window, destination, true));
    }
    ExpectInstalled(destination, payload);
    std::vector<DWORD> first = ExpectServicesRunning(destination);
    ASSERT_EQ(first.size(), 3u);

    // A newer medium over the running installation, into the folder it proposes.
    payload.Set("readme.txt", "VORNA Mail Server 2.10.255 readme, second edition\r\n");
    payload.WriteTo(std::string(kMediumFolder) + "Setup.Dat");
    ASSERT_NO_FATAL_FAILURE(InstallFromTheMedium(destination, "the stored folder is proposed"));
    ExpectInstalled(destination, payload);
    std::vector<DWORD> second = ExpectServicesRunning(destination);
    for (DWORD process : first) EXPECT_FALSE(ProcessRunning(process)) << "a server of the first install still runs";
    for (DWORD process : second)
        EXPECT_EQ(std::find(first.begin(), first.end(), process), first.end()) << "a server was not restarted";
}

TEST_F(InstallTest, Win98InstallLaunchesTheServersRepeatedInstallRestartsThemUninstallKeepsOtherRenames) {
    UseWin98Mode();
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string destination = kDefaultFolder;
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
        ASSERT_TRUE(window);
        ASSERT_NO_FATAL_FAILURE(InstallToTheEnd(setup, window, destination, false));
    }
    ExpectInstalled(destination, payload);
    std::vector<HWND> first = ExpectServerWindows(destination);

    payload.Set("readme.txt", "VORNA Mail Server 2.10.255 readme, second edition\r\n");
    payload.WriteTo(std::string(kMediumFolder) + "Setup.Dat");
    {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
        ASSERT_TRUE(window);
        ASSERT_NO_FATAL_FAILURE(InstallToTheEnd(setup, window, destination, false));
    }
    ExpectInstalled(destination, payload);
    for (HWND window : first) EXPECT_FALSE(::IsWindow(window)) << "a server of the first install still runs";
    std::vector<HWND> second = ExpectServerWindows(destination);

    // A file of the user's own in the group keeps the group.
    WriteFileBytes(GroupFolder() + "mine.url", "[InternetShortcut]\r\n");
    const std::string windows = WindowsFolder();
    WriteFileBytes(windows + "wininit.ini", "[Rename]\r\nNUL=C:\\other\\file.tmp\r\n");
    {
        SetupDriver setup;
        ASSERT_NO_FATAL_FAILURE(UninstallThroughUninstallString(setup, destination));
    }
    ExpectUninstalled(destination, true);
    EXPECT_TRUE(FileExists(GroupFolder() + "mine.url"));
    for (HWND window : second) EXPECT_FALSE(::IsWindow(window)) << "a server window stays";
    std::vector<std::string> rename = IniSectionLines(ReadFileBytes(windows + "wininit.ini"), "Rename");
    EXPECT_NE(std::find(rename.begin(), rename.end(), "NUL=C:\\other\\file.tmp"), rename.end())
        << "the other program's entry was lost";
    EXPECT_NE(std::find(rename.begin(), rename.end(), "NUL=" + destination + "Setup.exe"), rename.end())
        << "the own file is not in wininit.ini";
    std::vector<std::string> pending = PendingDeletions();
    EXPECT_EQ(std::find(pending.begin(), pending.end(), "\\??\\" + destination + "Setup.exe"), pending.end())
        << "95/98 has no move-on-restart";
}


// The "Temp" folder beside the program may be the user's own (on a stick, say): its files stay.
TEST_F(InstallTest, WithoutTempTheArchiveIsUnpackedBesideTheProgramAndTheUsersTempFilesStay) {
    const std::string fallback = std::string(kMediumFolder) + "Temp\\VORNAInstall\\";
    const std::string usual = ExtractFolder();
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    ASSERT_TRUE(::CreateDirectoryA((std::string(kMediumFolder) + "Temp").c_str(), nullptr));
    WriteFileBytes(std::string(kMediumFolder) + "Temp\\mine.txt", "the user's");
    SetupDriver setup;
    automation::Window window;
    {
        ScopedVariable noTemp("TEMP", nullptr);
        window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    }
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    bool unpackedThere = false;
    automation::WaitUntil(
        [&] {
            if (FileExists(fallback + "readme.txt")) unpackedThere = true;
            return unpackedThere || automation::WaitForMessageBox("Information", 0, setup.Process().Id());
        },
        kInstallTimeout);
    EXPECT_TRUE(unpackedThere) << "nothing was unpacked into " << fallback;
    automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    EXPECT_FALSE(FolderExists(fallback)) << "the unpacked files stay";
    EXPECT_FALSE(FolderExists(usual));
    EXPECT_EQ(ReadFileBytes(std::string(kMediumFolder) + "Temp\\mine.txt"), "the user's");
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
    ExpectInstalled(kDefaultFolder, payload);
}

TEST_F(InstallTest, MissingSetupDatShowsTheExtractionErrorAndTouchesNothing) {
    MakeMedium(kMediumFolder, std::nullopt);
    ASSERT_NO_FATAL_FAILURE(ExpectExtractionRefused());
    EXPECT_FALSE(FolderExists(kDefaultFolder));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(ServiceExists("VORNASMTP"));
}

TEST_F(InstallTest, ProgramFileMissingFromTheArchiveEndsTheCopyAtIt) {
    Payload payload = Payload::Full();
    payload.Remove("config.exe");
    MakeMedium(kMediumFolder, payload);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox(
        "Error", "File copy error: " + platform::SystemErrorMessage(ERROR_FILE_NOT_FOUND), IDI_ERROR, {"OK"});
    EXPECT_EQ(StatusText(window), std::string("Copying File '") + kDefaultFolder + "config.exe'...");
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
    // The three before it in the table are copied, nothing after it.
    for (size_t i = 0; i < std::size(kProgramFiles); ++i) {
        std::string path = std::string(kDefaultFolder) + kProgramFiles[i];
        if (i < 3) {
            EXPECT_EQ(ReadFileBytes(path), payload.Data(kProgramFiles[i])) << path;
        } else {
            EXPECT_FALSE(FileExists(path)) << path;
        }
    }
    for (const char* name : kHtmlFiles) EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "html\\" + name)) << name;
    for (const std::string& image : payload.Images())
        EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "html\\images\\" + image)) << image;
    EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "Setup.exe"));
    EXPECT_FALSE(FileExists(SystemFolder() + "VORNA.CPL"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_EQ(ReadFileBytes(ExtractFolder() + "readme.txt"), payload.Data("readme.txt")) << "the unpacked files stay";
}

TEST_F(InstallTest, InstallIntoTheMediumFolderStopsAtTheOwnCopyAndKeepsTheProgramWhole) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string program = std::string(kMediumFolder) + "Setup.exe";
    const std::string original = ReadFileBytes(program);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(program);
    ASSERT_TRUE(window);
    setup.ChooseFolder(window, "C:\\VornaMedia");
    setup.StartInstall(window);
    automation::Window box = automation::WaitForMessageBox("Error", kInstallTimeout, setup.Process().Id());
    ASSERT_TRUE(box) << "no error box";
    // The running program's file is open: the system refuses to replace it.
    EXPECT_EQ(automation::MessageBoxText(box.handle),
              "File copy error: " + platform::SystemErrorMessage(ERROR_SHARING_VIOLATION));
    EXPECT_EQ(StatusText(window), "Copying File '" + program + "'...");
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
    EXPECT_EQ(ReadFileBytes(program), original) << "the setup program was damaged by copying it onto itself";
    for (const char* name : kHtmlFiles) EXPECT_TRUE(FileExists(std::string(kMediumFolder) + "html\\" + name)) << name;
    EXPECT_FALSE(FileExists(SystemFolder() + "VORNA.CPL")) << "the copy went on after the failure";
}

// Missing folders above the destination are made (the silent install's test makes some); a file
// where one of them would go stops the install with the directory error.
TEST_F(InstallTest, DestinationBelowAFileShowsTheDirectoryError) {
    const std::string blocker = "C:\\VornaNoParent";
    WriteFileBytes(blocker, "a file where a folder would go");
    struct Remove {
        std::string path;
        ~Remove() { ::DeleteFileA(path.c_str()); }
    } remove{blocker};
    const std::string typed = blocker + "\\Mail";
    MakeMedium(kMediumFolder, Payload::Full());
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.ChooseFolder(window, typed);
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox(
        "Error", "Directory could not be created: " + platform::SystemErrorMessage(ERROR_ALREADY_EXISTS), IDI_ERROR,
        {"OK"});
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
    EXPECT_FALSE(FolderExists(typed));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_TRUE(FileExists(ExtractFolder() + "smtp.exe")) << "the unpacked files stay";
}

TEST_F(InstallTest, EmptyDestinationIsRefusedAndTheSetupWindowStays) {
    MakeMedium(kMediumFolder, Payload::Full());
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.ChooseFolder(window, "");
    ASSERT_FALSE(setup.Label(window, kDefaultFolder)) << "the empty folder was not taken";
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox(kSetupCaption, "Please choose a destination folder for the installation.",
                                             IDI_WARNING, {"OK"});
    setup.Press(box, "OK");
    EXPECT_TRUE(automation::WaitUntil([&] { return !::IsWindow(box.handle); }, kWait));
    EXPECT_TRUE(setup.Process().Running());
    EXPECT_TRUE(::IsWindowVisible(window.handle)) << "the setup window went";
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the archive was unpacked";
    setup.CancelInstall(window);
}

TEST_F(InstallTest, SecondInstallClickDuringTheSequenceStartsNothing) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    ASSERT_TRUE(automation::WaitForWindow("Processing...", kWait, setup.Process().Id(), "TRunForm"));
    setup.Press(window, "Install");
    Watched watched = WatchUntilBox(window, setup.Process().Id());
    ASSERT_TRUE(watched.box);
    EXPECT_EQ(watched.box.caption, "Information") << automation::MessageBoxText(watched.box.handle);
    automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
    ExpectInstalled(kDefaultFolder, payload);
}

// Starts an install from a full medium and clicks Cancel once the progress window shows; the
// program serves the click at its next progress report, so the question comes mid-sequence.
struct CancelAsked {
    automation::Window window, question;
    std::string where;  // the status text while the question shows
};
CancelAsked AskCancelDuringTheSequence(SetupDriver& setup, const Payload& payload) {
    CancelAsked asked;
    MakeMedium(kMediumFolder, payload);
    asked.window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    if (!asked.window) return asked;
    setup.StartInstall(asked.window);
    if (!automation::WaitForWindow("Processing...", kWait, setup.Process().Id(), "TRunForm")) return asked;
    setup.Press(asked.window, "Cancel");
    asked.question =
        setup.ExpectBox("Exit Setup", "Do you wish to cancel this installation?", IDI_QUESTION, {"Yes", "No"});
    asked.where = StatusText(asked.window);
    return asked;
}

TEST_F(InstallTest, CancelDuringTheSequenceAnsweredNoGoesOnToTheEnd) {
    Payload payload = Payload::Full();
    SetupDriver setup;
    auto [window, question, where] = AskCancelDuringTheSequence(setup, payload);
    ASSERT_TRUE(question);
    EXPECT_NE(where, "Installation Complete") << "the question came after the sequence";
    setup.Press(question, "No");
    Watched watched = WatchUntilBox(window, setup.Process().Id());
    ASSERT_TRUE(watched.box);
    automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
    ExpectInstalled(kDefaultFolder, payload);
    ExpectServicesRunning(kDefaultFolder);
}

TEST_F(InstallTest, CancelDuringTheSequenceAnsweredYesEndsTheProgram) {
    Payload payload = Payload::Full();
    SetupDriver setup;
    auto [window, question, where] = AskCancelDuringTheSequence(setup, payload);
    ASSERT_TRUE(question);
    setup.Press(question, "Yes");
    bool closingBox = false;
    automation::WaitUntil(
        [&] {
            if (automation::WaitForMessageBox("Information", 0, setup.Process().Id())) closingBox = true;
            return !setup.Process().Running();
        },
        kWait);
    EXPECT_FALSE(closingBox) << "the closing box showed after the cancel";
    setup.ExpectEndsWithCodeZero();
    EXPECT_NE(where, "Installation Complete");
    EXPECT_TRUE(FolderExists(ExtractFolder())) << "the sequence went on to its end after the cancel at " << where;
    EXPECT_FALSE(ServiceExists("VORNAControl")) << "the sequence went on to the services after the cancel at " << where;
    if (where == "Extracting Files..." || where == "Checking For Running Services...") {
        EXPECT_FALSE(FolderExists(kDefaultFolder)) << "files were copied after the cancel at " << where;
    }
}

TEST_F(InstallTest, UninstallFromAnotherFolderRemovesTheFilesThereOnly) {
    const std::string installed = Managed("C:\\VornaInstalled\\");
    const std::string other = kMediumFolder;
    Payload payload = Payload::Full();
    for (const std::string& folder : {installed, other}) {
        MakeMedium(folder, std::nullopt);
        ASSERT_TRUE(::CreateDirectoryA((folder + "html").c_str(), nullptr));
        ASSERT_TRUE(::CreateDirectoryA((folder + "html\\images").c_str(), nullptr));
        for (const char* name : kProgramFiles) WriteFileBytes(folder + name, payload.Data(name));
        for (const char* name : kHtmlFiles) WriteFileBytes(folder + "html\\" + name, payload.Data(name));
        for (const std::string& image : payload.Images()) WriteFileBytes(folder + "html\\images\\" + image, payload.Data(image));
    }
    WriteFileBytes(other + "unlisted.txt", "stays");
    {
        HKEY raw = nullptr;
        ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kVornaKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &raw, nullptr),
                  ERROR_SUCCESS);
        platform::ScopedRegKey key(raw);
        ASSERT_EQ(::RegSetValueExA(key.Get(), "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(installed.c_str()),
                                   static_cast<DWORD>(installed.size() + 1)),
                  ERROR_SUCCESS);
    }
    SetupDriver setup;
    setup.Start("/UNINSTALL", other + "Setup.exe");
    automation::Window question = setup.ExpectBox(kSetupCaption, kUninstallQuestion, IDI_QUESTION, {"Yes", "No"});
    setup.Press(question, "Yes");
    automation::Window done = setup.ExpectBox("Information", kRemoved, IDI_INFORMATION, {"OK"});
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();

    for (const char* name : kProgramFiles) {
        EXPECT_FALSE(FileExists(other + name)) << other << name;
        EXPECT_TRUE(FileExists(installed + name)) << installed << name;
    }
    for (const char* name : kHtmlFiles) {
        EXPECT_FALSE(FileExists(other + "html\\" + name)) << other << name;
        EXPECT_TRUE(FileExists(installed + "html\\" + name)) << installed << name;
    }
    for (const std::string& image : payload.Images()) {
        EXPECT_FALSE(FileExists(other + "html\\images\\" + image)) << other << image;
        EXPECT_TRUE(FileExists(installed + "html\\images\\" + image)) << installed << image;
    }
    EXPECT_TRUE(FileExists(other + "unlisted.txt"));
    std::vector<std::string> pending = PendingDeletions();
    EXPECT_NE(std::find(pending.begin(), pending.end(), "\\??\\" + other + "Setup.exe"), pending.end());
    EXPECT_EQ(std::find(pending.begin(), pending.end(), "\\??\\" + installed + "Setup.exe"), pending.end());
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), installed);
}


namespace {

int CountFiles(const std::string& folder) {
    int count = 0;
    platform::ForEachFile(folder, "*.*", platform::kAnyFileMask, [&count](const std::string&) { ++count; });
    return count;
}

}  // namespace

// An uninstall killed in the middle of its deletions is still listed and keeps its shortcuts;
// run again it ends clean, and takes along a payload a killed install left unpacked in TEMP.
TEST_F(InstallTest, UninstallKilledDuringItsDeletionsCanBeRunAgainToACleanEnd) {
    Payload payload = Payload::Full();
    // Enough images that their deletion takes a while after the first web file went.
    for (int i = 0; i < 2000; ++i) payload.Set("many" + std::to_string(i) + ".gif", "GIF89a");
    MakeMedium(kMediumFolder, payload);
    const std::string destination = kDefaultFolder;
    ASSERT_EQ(RunSilently("/SILENT"), 0u);
    const std::string images = destination + "html\\images\\";
    ASSERT_EQ(CountFiles(images), static_cast<int>(payload.Images().size()));

    automation::Process uninstall;
    ASSERT_TRUE(uninstall.Start("\"" + destination + "Setup.exe\" /UNINSTALL /SILENT"));
    const std::string firstWebFile = destination + "html\\" + kHtmlFiles[0];
    const DWORD start = ::GetTickCount();
    while (FileExists(firstWebFile) && uninstall.Running() && ::GetTickCount() - start < kInstallTimeout) {
    }
    uninstall.Kill();
    ASSERT_FALSE(FileExists(firstWebFile)) << "the uninstall did not get to its deletions";
    ASSERT_GT(CountFiles(images), 0) << "killed too late: every image was gone";
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) << "the entry went before the files";
    for (const auto& shortcut : kShortcuts)
        EXPECT_TRUE(FileExists(GroupFolder() + shortcut[0] + ".lnk")) << "the shortcuts went before the files";

    // What a killed install leaves in TEMP.
    ASSERT_TRUE(::CreateDirectoryA(ExtractFolder().c_str(), nullptr));
    WriteFileBytes(ExtractFolder() + "smtp.exe", "left by a killed install");
    EXPECT_EQ(RunSilently("/UNINSTALL /SILENT", destination + "Setup.exe"), 0u);
    ExpectUninstalled(destination);
    EXPECT_EQ(CountFiles(images), 0);
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the unpacked payload stays";
}

