// An install over an existing installation and its way back.
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

namespace {

// The uninstall entry's values as the list of programs shows them.
std::map<std::string, std::optional<std::string>> EntryTexts() {
    std::map<std::string, std::optional<std::string>> texts;
    for (const char* name : {"DisplayName", "DisplayVersion", "UninstallString", "QuietUninstallString",
                             "InstallLocation", "DisplayIcon"})
        texts[name] = RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    texts["InstallDir"] = RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir");
    return texts;
}

// A previous version: every file differs from the full payload's (the servers still run).
Payload PreviousVersion() {
    Payload previous = Payload::Full();
    for (const char* name : kProgramFiles) previous.Set(name, previous.Data(name) + "previous version");
    for (const char* name : kHtmlFiles) previous.Set(name, "previous " + previous.Data(name));
    previous.Set("VORNA.CPL", "MZ previous applet");
    return previous;
}

// What is left once an upgrade is over: neither the kept files nor their record.
void ExpectNothingKept(const std::string& destination) {
    EXPECT_FALSE(FolderExists(destination + "VORNA.kept\\")) << "the kept files stay";
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, std::string(kVornaKey) + "\\Upgrade")) << "the journal stays";
}

class UpgradeTest : public HijackTest {};

}  // namespace

// An upgrade whose copy does not fit on the volume: the copy error as ever, then the previous
// version as it was, byte for byte, its services configured and running, the entry unchanged.
TEST_F(UpgradeTest, UpgradeThatDoesNotFitPutsThePreviousVersionBackRunning) {
    if (MountVolumeAsT("8m").empty()) return;
    const std::string destination = "T:\\Vorna\\";
    // The servers end before the volume goes.
    struct EndServers {
        ~EndServers() {
            RemoveSuiteServices();
            EndProgramsIn("T:\\Vorna\\");
        }
    } endServers;

    Payload previous = PreviousVersion();
    MakeMedium(kMediumFolder, previous);
    ASSERT_EQ(RunSilently("/SILENT /DIR=" + destination), 0u);
    ASSERT_EQ(ExpectServicesRunning(destination).size(), 3u);
    const auto entry = EntryTexts();

    Payload next = Payload::Full();
    next.Set("vorna.hlp", std::string(6 * 1024 * 1024, 'h'));  // beside the previous files, more than the volume holds
    MakeMedium(kMediumFolder, next);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    ASSERT_TRUE(setup.Label(window, destination)) << "the stored folder is not proposed";
    ASSERT_NO_FATAL_FAILURE(InstallUntilTheDiskIsFull(setup, window));

    // A failed install leaves its unpacked files in TEMP, as it always has (the next run or the
    // uninstall removes them).
    testing_support::DeleteTree(ExtractFolder());
    ExpectInstalled(destination, previous);
    ExpectServicesRunning(destination);
    EXPECT_EQ(EntryTexts(), entry);
    ExpectNothingKept(destination);
}

// An upgrade killed in the middle of its copy, then the setup run again: the previous version
// is put back first, then the new one installed and running.
TEST_F(UpgradeTest, UpgradeKilledDuringTheCopyThenRunAgainEndsInAWorkingInstallation) {
    Payload previous = PreviousVersion();
    MakeMedium(kMediumFolder, previous);
    const std::string destination = kDefaultFolder;
    ASSERT_EQ(RunSilently("/SILENT"), 0u);
    ASSERT_EQ(ExpectServicesRunning(destination).size(), 3u);

    Payload next = Payload::Full();
    // Enough images that the copy takes a while after the first file was kept.
    for (int i = 0; i < 1000; ++i) next.Set("many" + std::to_string(i) + ".gif", "GIF89a");
    MakeMedium(kMediumFolder, next);
    automation::Process upgrade;
    ASSERT_TRUE(upgrade.Start("\"" + std::string(kMediumFolder) + "Setup.exe\" /SILENT"));
    const std::string kept = destination + "VORNA.kept\\";
    const DWORD start = ::GetTickCount();
    while (!FileExists(kept + "1.kept") && upgrade.Running() && ::GetTickCount() - start < kInstallTimeout) {
    }
    upgrade.Kill();
    ASSERT_TRUE(FolderExists(kept)) << "the upgrade was not killed during its copy";
    EXPECT_FALSE(ServiceExists("VORNASMTP")) << "killed before the services were cleared";

    const std::string log = std::string(kMediumFolder) + "again.log";
    EXPECT_EQ(RunSilently("/SILENT /LOG=" + log), 0u);
    std::vector<std::string> lines = LogLines(log);
    EXPECT_TRUE(Has(lines, "Putting the previous version back"));
    ExpectInstalled(destination, next);
    ExpectServicesRunning(destination);
    ExpectNothingKept(destination);
}

// 95/98 has no services: an upgrade that fails launches the previous servers again, from the
// previous files.
TEST_F(UpgradeTest, FailedUpgradeOn98LaunchesThePreviousServersAgain) {
    UseWin98Mode();
    Payload previous = PreviousVersion();
    MakeMedium(kMediumFolder, previous);
    ASSERT_EQ(RunSilently("/SILENT"), 0u);
    std::vector<HWND> before = ExpectServerWindows(kDefaultFolder);
    ASSERT_EQ(before.size(), 3u);

    Payload next = Payload::Full();
    next.Remove("readme.txt");  // the copy fails there, after the servers were replaced
    MakeMedium(kMediumFolder, next);
    EXPECT_EQ(RunSilently("/SILENT"), 1603u);
    testing_support::DeleteTree(ExtractFolder());  // what a failed install leaves, as ever
    ExpectInstalled(kDefaultFolder, previous);
    std::vector<HWND> after = ExpectServerWindows(kDefaultFolder);
    EXPECT_EQ(after.size(), 3u);
    for (HWND window : before) EXPECT_EQ(std::count(after.begin(), after.end(), window), 0) << "never closed";
    ExpectNothingKept(kDefaultFolder);
}
