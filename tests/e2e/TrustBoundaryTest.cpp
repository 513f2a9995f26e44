// The program tried as an attacker (or an unlucky user) would: planted DLLs and files, swapped
// files, a full volume, a squatted lock, a planted link.
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


TEST_F(HijackTest, DllsPlantedBesideTheProgramNeverRun) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    for (const char* dll : kPlantedDlls)
        for (std::string name : {std::string(dll), "real" + std::string(dll)})
            ASSERT_TRUE(::CopyFileA((testing_support::BinFolder() + "planted\\" + name + ".dll").c_str(),
                                    (std::string(kMediumFolder) + name + ".dll").c_str(), FALSE));
    // As Windows does for DLLs that are not KnownDLLs: the program's folder first.
    ScopedVariable nativeFirst("WINEDLLOVERRIDES", "mpr,version,uxtheme=n,b");
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    ExpectNoPlantedDllLoaded("at start-up");
    setup.Press(window, "Browse...");
    automation::Window chooser = automation::WaitForWindow("Choose Folder", kWait, setup.Process().Id(), "TBrowseFolder");
    ASSERT_TRUE(chooser);
    ExpectNoPlantedDllLoaded("in the folder chooser");
    setup.Press(chooser, "Network...");
    std::vector<std::string> modules;
    automation::WaitUntil(
        [&] {
            modules = LoadedModules(setup.Process().Id());
            return std::find(modules.begin(), modules.end(), SystemFolder() + "MPR.DLL") != modules.end() ||
                   std::find(modules.begin(), modules.end(), "C:\\WINDOWS\\SYSTEM32\\MPR.DLL") != modules.end();
        },
        kWait);
    for (const std::string& module : modules)
        EXPECT_TRUE(!module.ends_with(".DLL") || module.find("VORNAMEDIA") == std::string::npos)
            << "loaded from the medium: " << module;
    ExpectNoPlantedDllLoaded("after Network...");
    // Whatever Network... showed, the chooser goes back with Cancel.
    for (const automation::Window& other : automation::TopLevelWindows(setup.Process().Id()))
        if (other.handle != chooser.handle && other.handle != window.handle && other.className != "TBackgroundForm")
            automation::RequestClose(other.handle);
    setup.Press(chooser, "Cancel");
    ASSERT_TRUE(automation::WaitUntil([&] { return !::IsWindowVisible(chooser.handle); }, kWait));
    ASSERT_NO_FATAL_FAILURE(InstallToTheEnd(setup, window, kDefaultFolder, true));
    ExpectNoPlantedDllLoaded("during the install");
    ExpectInstalled(kDefaultFolder, payload);
}

// The same user, unelevated, plants read-only files where the install unpacks. Run as root,
// Wine ignores the read-only attribute, so this runs again as an unprivileged Unix user with a
// Wine prefix of that user's own.
TEST_F(HijackTest, ReadOnlyFilesPlantedInTheExtractionFolderAreNeverInstalled) {
    // Run by an ordinary user, Wine enforces the attribute and the case runs right here.
    const std::string probe = std::string(kMediumFolder) + "probe.txt";
    ::CreateDirectoryA(kMediumFolder, nullptr);
    WriteFileBytes(probe, "x");
    ::SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_READONLY);
    const bool enforced = !platform::ScopedFile(
        ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ::SetFileAttributesA(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!enforced && !std::getenv("VORNA_UNPRIVILEGED")) {
        const std::string bin = std::getenv("VORNA_BIN");
        const char* display = std::getenv("DISPLAY");
        const std::string home = "/tmp/vorna-unprivileged." + std::to_string(::GetCurrentProcessId());
        // The loader this run's Wine was started with, when chosen (the x86_64 flavour starts
        // Wine's 64-bit loader directly), else Debian's launcher.
        const char* loader = std::getenv("WINELOADER");
        const std::string wine = loader && *loader ? std::string(loader) + " " : "wine ";
        const std::string as = "setpriv --reuid=65534 --regid=65534 --clear-groups env -i PATH=/usr/bin:/bin HOME=" +
                               home + " WINEPREFIX=" + home + "/prefix WINEDEBUG=-all DISPLAY=" +
                               (display ? display : "") + (loader && *loader ? " WINELOADER=" + std::string(loader) : "") +
                               " VORNA_BIN=" + home + "/bin VORNA_UNPRIVILEGED=1 ";
        AtEnd(as + "wineserver -k; rm -rf " + home);
        // What the user runs is copied into the user's own folder: the build folder may lie below
        // one that only root may enter (a clone below a "mktemp -d" folder).
        const std::string ownBin = home + "/bin";
        std::string copies = "mkdir -p " + ownBin + " && cp";
        for (const char* file : {"e2e_install_tests.exe", "Setup.exe", "smtp.exe", "pop3.exe", "control.exe"})
            copies += " " + bin + "/" + file;
        copies += " " + ownBin + "/ && chown -R 65534:65534 " + home;
        ASSERT_EQ(RunUnix("mkdir -p " + home + " && " + copies + " && " + as + wine +
                          "wineboot.exe -i >/dev/null 2>&1 && " + as + "wineserver -w"),
                  0u)
            << "cannot make a Wine prefix for the unprivileged user (setpriv, user 65534)";
        const std::string log = home + "/test.log";
        DWORD code = RunUnix(as + wine + ownBin +
                             "/e2e_install_tests.exe --gtest_filter=HijackTest.ReadOnlyFilesPlantedInTheExtractionFolderAreNeverInstalled >" +
                             log + " 2>&1");
        std::string output = ReadFileBytes(testing_support::WindowsPathOf(log));
        EXPECT_EQ(code, 0u) << output;
        EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
        return;
    }
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    const std::string folder = ExtractFolder();
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    for (const char* name : {"smtp.exe", "vorna.rtf"}) {
        WriteFileBytes(folder + name, "planted");
        ASSERT_TRUE(::SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_READONLY));
    }
    // Proof that the attribute holds for this user: the file cannot be written.
    ASSERT_FALSE(platform::ScopedFile(::CreateFileA((folder + "smtp.exe").c_str(), GENERIC_WRITE, 0, nullptr,
                                                    OPEN_EXISTING, 0, nullptr)))
        << "read-only is not enforced: this must run as an unprivileged user";
    InstallFromTheMedium(payload);
    EXPECT_EQ(ReadFileBytes(std::string(kDefaultFolder) + "smtp.exe"), payload.Data("smtp.exe"));
    EXPECT_EQ(ReadFileBytes(std::string(kDefaultFolder) + "vorna.rtf"), payload.Data("vorna.rtf"));
}

// A file that the extraction cannot remove (another process keeps it open) refuses the install
// before anything is stopped: the running installation stays as it was.
TEST_F(HijackTest, PlantedFileThatCannotBeRemovedRefusesTheInstallAndLeavesTheRunningOneAlone) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    std::vector<DWORD> servers = InstallFromTheMedium(payload);
    ASSERT_EQ(servers.size(), 3u);
    const std::string folder = ExtractFolder();
    ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
    WriteFileBytes(folder + "smtp.exe", "planted");
    platform::ScopedFile held(
        ::CreateFileA((folder + "smtp.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    Payload newer = payload;
    newer.Set("readme.txt", "second edition");
    newer.WriteTo(std::string(kMediumFolder) + "Setup.Dat");
    ASSERT_NO_FATAL_FAILURE(ExpectExtractionRefused());
    for (DWORD server : servers) EXPECT_TRUE(ProcessRunning(server)) << "a running server was stopped";
    for (const char* name : {"smtp.exe", "readme.txt"})
        EXPECT_EQ(ReadFileBytes(std::string(kDefaultFolder) + name), payload.Data(name)) << name;
}

// Another process keeps trying to replace or rewrite the unpacked smtp.exe during the whole
// install (through the pause while the servers stop, too): it never gets its bytes installed.
TEST_F(HijackTest, FileSwappedDuringTheInstallIsNeverInstalled) {
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    std::vector<DWORD> first = InstallFromTheMedium(payload);
    const std::string target = ExtractFolder() + "smtp.exe";
    std::atomic<bool> stop{false};
    std::thread swapper([&] {
        while (!stop) {
            HANDLE file = ::CreateFileA(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE && ::DeleteFileA(target.c_str()))
                file = ::CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            DWORD written = 0;
            ::WriteFile(file, "swapped", 7, &written, nullptr);
            ::CloseHandle(file);
        }
    });
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    bool refused = false;
    if (window) {
        setup.StartInstall(window);
        Watched watched = WatchUntilBox(window, setup.Process().Id());
        refused = watched.box.caption == "Error";
        if (watched.box) setup.Press(watched.box, "OK");
        setup.ExpectEndsWithCodeZero();
    }
    stop = true;
    swapper.join();
    ASSERT_TRUE(window);
    // Refused (a swap got in before the file was held) or installed: never the swapped bytes.
    EXPECT_EQ(ReadFileBytes(std::string(kDefaultFolder) + "smtp.exe"), payload.Data("smtp.exe"));
    if (refused) {
        for (DWORD server : first) EXPECT_TRUE(ProcessRunning(server)) << "refused, but a running server was stopped";
    } else {
        ExpectServicesRunning(kDefaultFolder);
    }
}

// TEMP on a volume with too little room: the full disk surfaces as the extraction error, with
// nothing installed and no truncated member left behind. The same volume as the destination:
// the copy that does not fit ends the install with the system's reason and leaves no half file.
TEST_F(HijackTest, NearlyFullVolumeRefusesTheInstallAndLeavesNoPartialFile) {
    const std::string mount = MountVolumeAsT("300k");
    if (mount.empty()) return;
    Payload payload = Payload::Full();
    payload.Set("vorna.hlp", std::string(400 * 1024, 'h'));  // more than the volume holds
    MakeMedium(kMediumFolder, payload);
    {
        ScopedVariable smallTemp("TEMP", "T:\\");
        ASSERT_NO_FATAL_FAILURE(ExpectExtractionRefused());
    }
    EXPECT_FALSE(FolderExists(kDefaultFolder));
    EXPECT_FALSE(ServiceExists("VORNASMTP"));
    int unpacked = 0;
    WIN32_FIND_DATAA entry{};
    platform::ScopedFind find(::FindFirstFileA("T:\\VORNAInstall\\*.*", &entry));
    if (find) {
        do {
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            ++unpacked;
            EXPECT_EQ(ReadFileBytes(std::string("T:\\VORNAInstall\\") + entry.cFileName), payload.Data(entry.cFileName))
                << "a partial member stays: " << entry.cFileName;
        } while (::FindNextFileA(find.Get(), &entry));
    }
    EXPECT_GT(unpacked, 0) << "nothing was unpacked on the small volume: the error had another cause";

    ASSERT_EQ(RunUnix("rm -rf " + mount + "/VORNAInstall"), 0u);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.ChooseFolder(window, "T:\\Vorna");
    ASSERT_NO_FATAL_FAILURE(InstallUntilTheDiskIsFull(setup, window));
    EXPECT_TRUE(FolderExists("T:\\Vorna\\html\\images\\"));
    EXPECT_FALSE(FileExists("T:\\Vorna\\smtp.exe")) << "a half-written copy stays";  // larger than the volume
}

// Two runs from the same medium within moments: the second one runs nothing and ends. An object
// of the lock's name made beforehand by another (unprivileged) process blocks neither.
TEST_F(HijackTest, SecondSetupWhileOneRunsEndsAtOnceAndASquattedNameBlocksNothing) {
    platform::ScopedKernelHandle squatter(::CreateMutexA(nullptr, TRUE, "Global\\VORNAMailServerSetup"));
    ASSERT_TRUE(squatter);
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    SetupDriver first;
    automation::Window window = first.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window) << "a name squatted by another process stopped the install";
    for (const char* arguments : {"", "/UNINSTALL"}) {
        SetupDriver second;
        second.Start(arguments, std::string(kMediumFolder) + "Setup.exe");
        bool showed = false;
        automation::WaitUntil(
            [&] {
                showed = showed || !automation::TopLevelWindows(second.Process().Id()).empty();
                return !second.Process().Running();
            },
            kWait);
        EXPECT_FALSE(showed) << "the second run showed a window (" << arguments << ")";
        second.ExpectEndsWithCodeZero();
    }
    ASSERT_NO_FATAL_FAILURE(InstallToTheEnd(first, window, kDefaultFolder, true));
    ExpectInstalled(kDefaultFolder, payload);
    EXPECT_EQ(ExpectServicesRunning(kDefaultFolder).size(), 3u);
}

// The extraction folder planted as a link to another folder: nothing there is ever touched.
TEST_F(HijackTest, ExtractionFolderPlantedAsALinkLeavesItsTargetAlone) {
    const std::string target = "/tmp/vorna-link-target." + std::to_string(::GetCurrentProcessId());
    const std::string link = UnixPath(ExtractFolder().substr(0, ExtractFolder().size() - 1));
    ASSERT_FALSE(link.empty());
    AtEnd("rm -f '" + link + "'; rm -rf " + target);
    ASSERT_EQ(RunUnix("mkdir -p " + target + " && echo canary > " + target + "/canary.txt && ln -sfn " + target + " '" +
                      link + "'"),
              0u);
    Payload payload = Payload::Full();
    payload.Set("canary.txt", "overwritten");
    MakeMedium(kMediumFolder, payload);
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    Watched watched = WatchUntilBox(window, setup.Process().Id());
    ASSERT_TRUE(watched.box);
    setup.Press(watched.box, "OK");
    setup.ExpectEndsWithCodeZero();
    const std::string canary = testing_support::WindowsPathOf(target + "/canary.txt");
    EXPECT_EQ(ReadFileBytes(canary), "canary\n");
    std::vector<std::string> there;
    WIN32_FIND_DATAA entry{};
    platform::ScopedFind find(::FindFirstFileA(testing_support::WindowsPathOf(target + "/*").c_str(), &entry));
    if (find)
        do there.push_back(entry.cFileName);
        while (::FindNextFileA(find.Get(), &entry));
    std::sort(there.begin(), there.end());
    EXPECT_EQ(there, (std::vector<std::string>{".", "..", "canary.txt"})) << "the install wrote into the link's target";
}

