// Without a person: the command lines deployment tools run, their exit codes and logs.
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


// As a deployment tool runs it: the silent install from the medium into a folder whose parent
// is missing, then the stored quiet uninstall command from a 64-bit process.
TEST_F(InstallTest, SilentInstallAndQuietUninstallShowNothingAndEndWithZero) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    Managed("C:\\VornaDeploy\\");
    const std::string destination = "C:\\VornaDeploy\\Mail Server\\";
    const std::string logFolder = Managed("C:\\VornaLogs\\");
    ASSERT_TRUE(::CreateDirectoryA(logFolder.c_str(), nullptr));
    const std::string log = logFolder + "install log.txt";
    // Switches in any case and order, values quoted, a folder with its closing backslash.
    EXPECT_EQ(RunSilently("/LOG=\"" + log + "\" /silent /DIR=\"" + destination + "\""), 0u);
    ExpectInstalled(destination, payload);
    std::vector<DWORD> servers = ExpectServicesRunning(destination);
    EXPECT_EQ(servers.size(), 3u);
    ExpectDeploymentValues(destination, payload);

    std::vector<std::string> lines = LogLines(log);
    ASSERT_FALSE(lines.empty()) << "no log";
    EXPECT_TRUE(Has(lines, "VORNA Mail Server Setup 2.10.255"));
    EXPECT_TRUE(Has(lines, "Destination folder: " + destination));
    EXPECT_TRUE(Has(lines, "CopyAllFiles: started"));
    EXPECT_TRUE(Has(lines, "Files copied: " + std::to_string(std::size(kProgramFiles) + std::size(kHtmlFiles) +
                                                             payload.Images().size() + 2)));
    for (const Server& server : kServers) EXPECT_TRUE(Has(lines, std::string("Service started: ") + server.service));
    EXPECT_EQ(lines.back(), "Exit code: 0");

    std::optional<std::string> quiet =
        RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kUninstallKey), "QuietUninstallString", KEY_WOW64_64KEY);
    ASSERT_EQ(quiet, "\"" + destination + "Setup.exe\" /UNINSTALL /SILENT");
    SetupDriver uninstall;
    ASSERT_NO_FATAL_FAILURE(StartFrom64BitProcess(uninstall, *quiet));
    EXPECT_EQ(ExitWithoutAWindow(uninstall.Process()), 0u);
    ExpectUninstalled(destination);
    for (const Server& server : kServers) EXPECT_FALSE(ServiceExists(server.service)) << server.service;
    for (DWORD process : servers) EXPECT_FALSE(ProcessRunning(process)) << "a server still runs";
}

TEST_F(InstallTest, SilentRunsThatCannotInstallSayWhyInTheirExitCodes) {
    MakeMedium(kMediumFolder, std::nullopt);
    const std::string log = std::string(kMediumFolder) + "setup.log";
    // No Setup.Dat: what a person sees in the extraction error box goes into the log.
    EXPECT_EQ(RunSilently("/SILENT /LOG=" + log), 1603u);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Has(lines, "Message box \"Error\": Extracting files error: data file error"));
    EXPECT_FALSE(lines.empty() || lines.back() != "Exit code: 1603") << "the log does not end with the exit code";
    EXPECT_FALSE(FolderExists(kDefaultFolder));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(ServiceExists("VORNASMTP"));

    // Command lines that cannot be run: nothing is tried.
    for (const char* arguments : {"/SILENT /DIR=Vorna\\Mail", "/SILENT /QUIET", "/SILENT /LOG=C:\\VornaNoFolder\\a.log",
                                  "/UNINSTALL /SILENT /DIR=C:\\Vorna"})
        EXPECT_EQ(RunSilently(arguments), 1639u) << arguments;

    // Another run holds the lock (an interactive one with a log, at its first question): the
    // silent run ends with 1618 and leaves it alone.
    const std::string firstLog = std::string(kMediumFolder) + "first.log";
    SetupDriver first;
    first.Start("/LOG=" + firstLog, std::string(kMediumFolder) + "Setup.exe");
    automation::Window question = automation::WaitForMessageBox(kSetupCaption, kWait, first.Process().Id());
    ASSERT_TRUE(question);
    EXPECT_EQ(RunSilently("/SILENT"), 1618u);
    EXPECT_TRUE(::IsWindow(question.handle));
    first.Press(question, "No");
    first.ExpectEndsWithCodeZero();
    lines = LogLines(firstLog);
    EXPECT_TRUE(Has(lines, std::string("Message box \"") + kSetupCaption +
                               "\": This will install VORNA Mail Server 2.10.255. Do you wish to continue?"));
    EXPECT_FALSE(lines.empty() || lines.back() != "Exit code: 0") << "the log does not end with the exit code";
}

// 95/98 has no services: the silent install launches the servers, the quiet uninstall closes them.
TEST_F(InstallTest, SilentInstallOn98LaunchesTheServersAndTheQuietUninstallClosesThem) {
    UseWin98Mode();
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    EXPECT_EQ(RunSilently("/SILENT"), 0u);
    ExpectInstalled(kDefaultFolder, payload);
    std::vector<HWND> servers = ExpectServerWindows(kDefaultFolder);
    EXPECT_EQ(servers.size(), 3u);
    std::optional<std::string> quiet = RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "QuietUninstallString");
    ASSERT_EQ(quiet, "\"" + std::string(kDefaultFolder) + "Setup.exe\" /UNINSTALL /SILENT");
    EXPECT_EQ(RunSilently("/UNINSTALL /SILENT", std::string(kDefaultFolder) + "Setup.exe"), 0u);
    ExpectUninstalled(kDefaultFolder);
    for (HWND window : servers) EXPECT_FALSE(::IsWindow(window)) << "a server window stays";
}

// A server still stopping keeps its program in use: the quiet uninstall has it removed at the
// restart and says so (3010); the setup program's own copy, which always waits, does not count.
TEST_F(InstallTest, QuietUninstallLeavingAProgramInUseForTheRestartEndsWith3010) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string destination = kDefaultFolder;
    EXPECT_EQ(RunSilently("/SILENT"), 0u);
    ASSERT_EQ(ExpectServicesRunning(destination).size(), 3u);
    WriteFileBytes(destination + "smtp.exe.slowstop", "3000");
    EXPECT_EQ(RunSilently("/UNINSTALL /SILENT", destination + "Setup.exe"), 3010u);
    std::vector<std::string> pending = PendingDeletions();
    EXPECT_NE(std::find(pending.begin(), pending.end(), "\\??\\" + destination + "smtp.exe"), pending.end())
        << "the program in use is not scheduled for deletion at restart";
    EXPECT_FALSE(FileExists(destination + "pop3.exe"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}
