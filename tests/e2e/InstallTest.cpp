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

#include "InstallSupport.h"
#include "SetupDriver.h"
#include "TestPaths.h"
#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

using namespace e2e;

namespace {

struct Server {
    const char* service;
    const char* displayName;
    const char* executable;
    const char* windowClass;
    const char* caption;
};
const Server kServers[] = {
    {"VORNASMTP", "VORNA SMTP Server", "smtp.exe", "TSMTPForm", "SMTP"},
    {"VORNAPOP3", "VORNA POP3 Server", "pop3.exe", "TPOP3Form", "POP3"},
    {"VORNAControl", "VORNA Control Server", "control.exe", "TControlForm", "Control"},
};
const char* const kShortcuts[][2] = {
    {"VORNA Configuration", "config.exe"}, {"VORNA Readme", "readme.txt"},
    {"VORNA Help", "vorna.hlp"},           {"DNS Query Tool", "dnsquery.exe"},
    {"VORNA Mail Notification", "notify.exe"}, {"Update Notes", "update.txt"},
};

class InstallTest : public CleanMachine {};

// The setup under test is the 32-bit program (the shipped one, under WoW64) or the x86_64 one
// built from the same sources; what 64-bit Windows shows of its install follows its bitness.
bool SetupIs32Bit() {
    DWORD type = 0;
    std::string setup = testing_support::BinFolder() + "Setup.exe";
    EXPECT_TRUE(::GetBinaryTypeA(setup.c_str(), &type)) << setup;
    return type == SCS_32BIT_BINARY;
}

// Where a 64-bit tool finds a key that the setup wrote under HKLM\Software: a 32-bit program's
// writes go to the 32-bit view, Wow6432Node to a 64-bit tool.
std::string NativeKey(const std::string& softwareKey) {
    if (!SetupIs32Bit()) return softwareKey;
    return "Software\\Wow6432Node" + softwareKey.substr(std::string("Software").size());
}

// While it lives, this test sees files as a 64-bit program does: system32 is the 64-bit system
// folder even when the test is a 32-bit program.
class NativeFileSystem {
public:
    NativeFileSystem() {
        BOOL wow64 = FALSE;
        off_ = ::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64 &&
               ::Wow64DisableWow64FsRedirection(&redirection_);
    }
    ~NativeFileSystem() {
        if (off_) ::Wow64RevertWow64FsRedirection(redirection_);
    }
    NativeFileSystem(const NativeFileSystem&) = delete;
    NativeFileSystem& operator=(const NativeFileSystem&) = delete;

private:
    PVOID redirection_ = nullptr;
    bool off_ = false;
};

// What 64-bit Windows shows of the setup's install: the values in the registry view of its
// bitness (for the 32-bit setup Wow6432Node to a 64-bit tool) and nothing in the other view, the
// applet in the system folder of its bitness (syswow64 on disk for the 32-bit setup) and not in
// the other one.
void ExpectWhere64BitWindowsKeepsIt(const std::string& destination, const Payload& payload) {
    bool setup32 = SetupIs32Bit();
    if (setup32) {
        BOOL wow64 = FALSE;
        ASSERT_TRUE(::IsWow64Process(::GetCurrentProcess(), &wow64) && wow64)
            << "the 32-bit setup must run under WoW64 (a prefix with wine32)";
    }
    const REGSAM own = setup32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    const REGSAM other = setup32 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir", own), destination);
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kVornaKey), "InstallDir", KEY_WOW64_64KEY), destination);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kVornaKey, other)) << "in the other view";
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kUninstallKey), "DisplayName", KEY_WOW64_64KEY),
              "VORNA Mail Server");
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey, other)) << "in the other view";
    const std::string ownSystem = WindowsFolder() + (setup32 ? "syswow64\\" : "system32\\");
    const std::string otherSystem = WindowsFolder() + (setup32 ? "system32\\" : "syswow64\\");
    NativeFileSystem native;
    EXPECT_EQ(ReadFileBytes(ownSystem + "VORNA.CPL"), payload.Data("VORNA.CPL")) << ownSystem;
    EXPECT_FALSE(FileExists(otherSystem + "VORNA.CPL")) << "the applet in " << otherSystem;
}

// Presses Install, accepts the licence and follows the sequence to the closing box, which
// it dismisses; checks the progress on the way and the end of the program.
void InstallToTheEnd(SetupDriver& setup, const automation::Window& window, const std::string& destination,
                     bool windowsNT) {
    setup.StartInstall(window);
    Watched watched = WatchUntilBox(window, setup.Process().Id());
    ASSERT_TRUE(watched.box) << "the install showed no closing box";
    EXPECT_EQ(StatusText(window), "Installation Complete");
    EXPECT_FALSE(watched.progressWindowShownAtBox) << "the progress window is still showing";
    ExpectInOrder(watched.statusTexts, ExpectedProgress(destination, windowsNT), destination);
    automation::Window done = setup.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
}

// Installs from the medium into destination (NT) to the closing box; where proposed says why,
// the setup window must propose destination itself.
void InstallFromTheMedium(const std::string& destination, const char* proposed = nullptr) {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    if (proposed) {
        ASSERT_TRUE(setup.Label(window, destination)) << proposed;
    }
    InstallToTheEnd(setup, window, destination, true);
}

// Everything an install leaves apart from the servers.
void ExpectInstalled(const std::string& destination, const Payload& payload) {
    for (const char* name : kProgramFiles)
        EXPECT_EQ(ReadFileBytes(destination + name), payload.Data(name)) << destination << name;
    for (const char* name : kHtmlFiles)
        EXPECT_EQ(ReadFileBytes(destination + "html\\" + name), payload.Data(name)) << destination << "html\\" << name;
    for (const std::string& image : payload.Images())
        EXPECT_EQ(ReadFileBytes(destination + "html\\images\\" + image), payload.Data(image)) << image;
    EXPECT_EQ(ReadFileBytes(destination + "Setup.exe"), ReadFileBytes(testing_support::BinFolder() + "Setup.exe"))
        << "the copy of the setup program";
    EXPECT_EQ(ReadFileBytes(SystemFolder() + "VORNA.CPL"), payload.Data("VORNA.CPL"));

    for (const auto& shortcut : kShortcuts) {
        std::string link = GroupFolder() + shortcut[0] + ".lnk";
        EXPECT_TRUE(FileExists(link)) << link;
        EXPECT_STRCASEEQ(LinkTarget(link).c_str(), (destination + shortcut[1]).c_str()) << link;
    }
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName"), "VORNA Mail Server");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString"),
              "\"" + destination + "Setup.exe\" /UNINSTALL");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), destination);
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the temporary folder stays";
    ExpectWhere64BitWindowsKeepsIt(destination, payload);
}

// The three services as created, each running; their process ids.
std::vector<DWORD> ExpectServicesRunning(const std::string& destination) {
    std::vector<DWORD> processes;
    for (const Server& server : kServers) {
        SCOPED_TRACE(server.service);
        std::optional<ServiceConfig> config = ReadServiceConfig(server.service);
        if (!config) {
            ADD_FAILURE() << "no service";
            continue;
        }
        std::string path = destination + server.executable;
        if (path.find(' ') != std::string::npos) path = "\"" + path + "\"";
        EXPECT_EQ(config->serviceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
        EXPECT_EQ(config->startType, static_cast<DWORD>(SERVICE_AUTO_START));
        EXPECT_EQ(config->errorControl, static_cast<DWORD>(SERVICE_ERROR_NORMAL));
        EXPECT_EQ(config->binaryPath, path);
        EXPECT_EQ(config->displayName, server.displayName);
        EXPECT_EQ(config->account, "LocalSystem");
        std::optional<DWORD> process = WaitForServiceState(server.service, SERVICE_RUNNING);
        EXPECT_TRUE(process) << "not running";
        if (process) processes.push_back(*process);
    }
    return processes;
}

// 95/98: the three servers run as programs of the destination, each with its window, and
// no service exists; their windows.
std::vector<HWND> ExpectServerWindows(const std::string& destination) {
    std::vector<HWND> windows;
    for (const Server& server : kServers) {
        SCOPED_TRACE(server.caption);
        EXPECT_FALSE(ServiceExists(server.service)) << "a service on 95/98";
        HWND found = nullptr;
        // The report is a child the server makes just after its window: wait for both.
        EXPECT_TRUE(automation::WaitUntil(
            [&] {
                found = ::FindWindowA(server.windowClass, server.caption);
                return found && ::FindWindowExA(found, nullptr, "Static", nullptr);
            },
            15000))
            << "the server program does not run";
        if (!found) continue;
        windows.push_back(found);
        std::string report = automation::WindowText(::FindWindowExA(found, nullptr, "Static", nullptr));
        EXPECT_NE(report.find("\r\nProgram: " + destination + server.executable + "\r\n"), std::string::npos) << report;
        // The working folder as the system reports it: without its trailing backslash.
        std::string folder = "\r\nWorking folder: " + destination.substr(0, destination.size() - 1);
        EXPECT_TRUE(report.ends_with(folder) || report.find(folder + "\r\n") != std::string::npos) << report;
    }
    return windows;
}

// Starts a command from a 64-bit process and takes the started process on as the setup's.
void StartFrom64BitProcess(SetupDriver& setup, const std::string& command) {
    automation::Process launcher;
    std::string line(1, '"');
    line += testing_support::BinFolder();
    line += "launch64.exe\" ";
    line += command;
    ASSERT_TRUE(launcher.Start(line));
    std::optional<DWORD> startedId = launcher.WaitForExit(kWait);
    ASSERT_TRUE(startedId && *startedId != 0) << "launch64 could not start " << command;
    BOOL wow64 = TRUE;
    EXPECT_TRUE(::IsWow64Process(launcher.Handle(), &wow64) && !wow64) << "launch64 ran as a 32-bit program";
    ASSERT_TRUE(setup.Process().Attach(*startedId));
}

// Runs the stored uninstall command as 64-bit Windows' list of removable programs would (read
// from where a 64-bit program finds it, started by a 64-bit process) and answers Yes.
void UninstallThroughUninstallString(SetupDriver& setup, const std::string& destination) {
    std::optional<std::string> command =
        RegistryString(HKEY_LOCAL_MACHINE, NativeKey(kUninstallKey), "UninstallString", KEY_WOW64_64KEY);
    ASSERT_TRUE(command);
    // Read as Windows reads a command line: the quoted program, then the argument.
    ASSERT_EQ(command->front(), '"');
    size_t close = command->find('"', 1);
    ASSERT_NE(close, std::string::npos);
    EXPECT_EQ(command->substr(1, close - 1), destination + "Setup.exe");
    EXPECT_EQ(command->substr(close + 1), " /UNINSTALL");
    ASSERT_NO_FATAL_FAILURE(StartFrom64BitProcess(setup, *command));
    automation::Window question = setup.ExpectBox(kSetupCaption, kUninstallQuestion, IDI_QUESTION, {"Yes", "No"});
    setup.Press(question, "Yes");
    automation::Window done = setup.ExpectBox("Information", kRemoved, IDI_INFORMATION, {"OK"});
    // The entry is gone before the closing message.
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    setup.Press(done, "OK");
    setup.ExpectEndsWithCodeZero();
}

// What every uninstall removes from an installation in destination, and what it keeps.
void ExpectUninstalled(const std::string& destination, bool groupHoldsOtherFiles = false) {
    for (const char* name : kProgramFiles) EXPECT_FALSE(FileExists(destination + name)) << name;
    for (const char* name : kHtmlFiles) EXPECT_FALSE(FileExists(destination + "html\\" + name)) << name;
    for (const auto& shortcut : kShortcuts) EXPECT_FALSE(FileExists(GroupFolder() + shortcut[0] + ".lnk"));
    EXPECT_EQ(FolderExists(GroupFolder()), groupHoldsOtherFiles);
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
    EXPECT_FALSE(FileExists(SystemFolder() + "VORNA.CPL"));
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kVornaKey, "InstallDir"), destination);
    EXPECT_TRUE(FileExists(destination + "Setup.exe")) << "the running program's own file waits for the restart";
    EXPECT_TRUE(FolderExists(destination + "html\\images\\"));
}

}  // namespace

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

namespace {

// Sets an environment variable of this process (which programs it starts inherit) for a scope.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
        char old[MAX_PATH] = {};
        DWORD length = ::GetEnvironmentVariableA(name, old, MAX_PATH);
        if (length > 0 && length < MAX_PATH) saved_ = std::string(old, length);
        ::SetEnvironmentVariableA(name, value);
    }
    ~ScopedVariable() { ::SetEnvironmentVariableA(name_, saved_ ? saved_->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> saved_;
};

// Runs an install from the medium that must end with the extraction error.
void ExpectExtractionRefused() {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox("Error", "Extracting files error: data file error", IDI_ERROR, {"OK"});
    EXPECT_EQ(StatusText(window), "Extracting Files...");
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
}

}  // namespace

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

// Appends a member of size bytes to an archive, written a block at a time: a later member of the
// same name replaces an earlier one, and a test holds no such file in memory.
void AppendLargeMember(const std::string& archivePath, const std::string& name, uint32_t size) {
    platform::ScopedFile archive(::CreateFileA(archivePath.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(archive);
    char header[1 + 255 + 4] = {};
    header[0] = static_cast<char>(name.size());
    std::copy(name.begin(), name.end(), header + 1);
    for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    std::string block(1024 * 1024, '\0');
    for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 % 251);
    ASSERT_TRUE(platform::WriteAll(archive.Get(), header, sizeof(header)));
    for (uint32_t left = size; left > 0;) {
        uint32_t count = std::min<uint32_t>(left, static_cast<uint32_t>(block.size()));
        ASSERT_TRUE(platform::WriteAll(archive.Get(), block.data(), count));
        left -= count;
    }
}

// The share of the window's pixels on the screen that are pure black (a window not yet painted).
double BlackShare(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    HDC screen = ::GetDC(nullptr);
    int black = 0, all = 0;
    for (int y = rect.top; y < rect.bottom; y += 2) {
        for (int x = rect.left; x < rect.right; x += 2, ++all) black += ::GetPixel(screen, x, y) == RGB(0, 0, 0);
    }
    ::ReleaseDC(nullptr, screen);
    return all == 0 ? 1.0 : static_cast<double>(black) / all;
}

// A file far larger than a copy block: the windows answer all through its unpacking and its copy,
// the progress window is whole on the screen from its first text, and a Cancel in the middle of
// the file's copy leaves no part of it. Then the whole install, asked to its closing box: after
// "Installation Complete" the unpacked member is closed and deleted, which may take long.
TEST_F(InstallTest, ALargeFileKeepsTheWindowsAnsweringAndACancelInItsCopyLeavesNoPartOfIt) {
    constexpr uint32_t kLarge = 768u * 1024 * 1024;
    Payload payload = Payload::Full();
    MakeMedium(kMediumFolder, payload);
    ASSERT_NO_FATAL_FAILURE(AppendLargeMember(std::string(kMediumFolder) + "Setup.Dat", "vorna.hlp", kLarge));
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    HWND bar = automation::Children(window.handle, STATUSCLASSNAMEA).front();
    setup.StartInstall(window);

    const std::string large = std::string("Copying File '") + kDefaultFolder + "vorna.hlp'...";
    const std::string copy = std::string(kDefaultFolder) + "vorna.hlp";
    // The size of the copy as the directory shows it, without opening the file (-1: none).
    auto copiedSize = [&copy]() -> int64_t {
        WIN32_FIND_DATAA found{};
        HANDLE find = ::FindFirstFileA(copy.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return -1;
        ::FindClose(find);
        return static_cast<int64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow;
    };
    DWORD longest = 0;
    double blackAfterFirstText = -1;
    bool pressed = false;
    // Asks for the status bar's text every 50 ms, as a person's clicks and the system's checks do.
    for (DWORD start = ::GetTickCount(); !pressed && ::GetTickCount() - start < kInstallTimeout; ::Sleep(50)) {
        char text[1024] = {};
        DWORD_PTR copied = 0;
        DWORD asked = ::GetTickCount();
        bool answered = ::SendMessageTimeoutA(bar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                              SMTO_NORMAL, 5000, &copied);
        longest = std::max(longest, ::GetTickCount() - asked);
        if (!answered) break;
        HWND progress = ::FindWindowA("TRunForm", "Processing...");
        if (blackAfterFirstText < 0 && progress && std::string(text) == "Extracting Files...") {
            ::Sleep(300);
            blackAfterFirstText = BlackShare(progress);
        }
        // Pressed early in the copy, so that the click is taken while the copy still runs.
        const int64_t size = copiedSize();
        if (size > 0 && size < kLarge / 2) {
            setup.Press(window, "Cancel");
            pressed = true;
        }
    }
    ASSERT_TRUE(pressed) << "the copy of the large file was not seen";
    automation::Window question =
        setup.ExpectBox("Exit Setup", "Do you wish to cancel this installation?", IDI_QUESTION, {"Yes", "No"});
    EXPECT_EQ(StatusText(window), large) << "the question came after the large file's copy";
    EXPECT_LT(copiedSize(), int64_t{kLarge}) << "the question came after the large file's copy";
    setup.Press(question, "Yes");
    setup.ExpectEndsWithCodeZero();
    EXPECT_LE(longest, 250u) << "the windows did not answer for " << longest << " ms";
    EXPECT_GE(blackAfterFirstText, 0) << "the progress window was not seen with its first text";
    EXPECT_LT(blackAfterFirstText, 0.2) << "the progress window is not painted while the files are unpacked";
    EXPECT_FALSE(FileExists(std::string(kDefaultFolder) + "vorna.hlp")) << "a part of the large file was left";
    EXPECT_TRUE(FileExists(std::string(kDefaultFolder) + "smtp.exe")) << "the files before it were not copied";

    SetupDriver whole;
    automation::Window second = whole.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(second);
    HWND secondBar = automation::Children(second.handle, STATUSCLASSNAMEA).front();
    whole.StartInstall(second);
    DWORD longestToTheEnd = 0;
    std::string longestAt;
    bool boxSeen = false;
    for (DWORD start = ::GetTickCount(); ::GetTickCount() - start < kInstallTimeout; ::Sleep(50)) {
        if ((boxSeen = automation::WaitForMessageBox("Information", 0, whole.Process().Id()).handle != nullptr)) break;
        char text[1024] = {};
        DWORD_PTR copied = 0;
        DWORD asked = ::GetTickCount();
        bool answered = ::SendMessageTimeoutA(secondBar, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text),
                                              SMTO_NORMAL, 5000, &copied);
        if (::GetTickCount() - asked > longestToTheEnd) {
            longestToTheEnd = ::GetTickCount() - asked;
            longestAt = text;
        }
        if (!answered) break;
    }
    ASSERT_TRUE(boxSeen) << "no closing box; the windows did not answer for " << longestToTheEnd << " ms at \""
                         << longestAt << "\"";
    automation::Window done = whole.ExpectBox("Information", kSetupComplete, IDI_INFORMATION, {"OK"});
    whole.Press(done, "OK");
    whole.ExpectEndsWithCodeZero();
    EXPECT_LE(longestToTheEnd, 250u) << "the windows did not answer for " << longestToTheEnd << " ms, after \""
                                     << longestAt << "\"";
    WIN32_FILE_ATTRIBUTE_DATA installed{};
    ASSERT_TRUE(::GetFileAttributesExA(copy.c_str(), GetFileExInfoStandard, &installed));
    EXPECT_EQ(installed.nFileSizeLow, kLarge) << "the large file was not installed whole";
    EXPECT_FALSE(FolderExists(ExtractFolder())) << "the unpacked files were not removed";
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

// ---- The program tried as an attacker (or an unlucky user) would ----

namespace {

// Runs a Unix shell command from inside Wine (drive Z: is the Unix root); its exit status.
// Wine gives no usable handle of a Unix process, so the status comes back through a file.
DWORD RunUnix(const std::string& command, DWORD timeoutMs = 300000) {
    static int runs = 0;
    const std::string status =
        "/tmp/vorna-unix." + std::to_string(::GetCurrentProcessId()) + "." + std::to_string(++runs) + ".status";
    const std::string statusFile = testing_support::WindowsPathOf(status);
    automation::Process shell;
    if (!shell.Start("Z:\\bin\\sh -c \"(" + command + "); echo $? >" + status + ".part; mv " + status + ".part " +
                     status + "\""))
        return ~0u;
    if (!automation::WaitUntil([&] { return FileExists(statusFile); }, timeoutMs)) return ~0u;
    std::string text = ReadFileBytes(statusFile);
    ::DeleteFileA(statusFile.c_str());
    return static_cast<DWORD>(std::strtoul(text.c_str(), nullptr, 10));
}

// The Unix path of a Windows path, as Wine maps it.
std::string UnixPath(const std::string& windowsPath) {
    using Convert = char*(CDECL*)(LPCWSTR);
    auto convert = reinterpret_cast<Convert>(
        reinterpret_cast<void (*)()>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    wchar_t wide[MAX_PATH] = {};
    if (!convert || !::MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH)) return {};
    char* unix = convert(wide);
    if (!unix) return {};
    std::string path = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return path;
}

const char* const kPlantedDlls[] = {"version", "uxtheme", "mpr"};
std::string Marker(const char* dll) { return std::string("C:\\vorna-planted-") + dll + ".txt"; }

class HijackTest : public CleanMachine {
protected:
    void SetUp() override {
        CleanMachine::SetUp();
        for (const char* dll : kPlantedDlls) ::DeleteFileA(Marker(dll).c_str());
    }
    void TearDown() override {
        for (const std::string& command : cleanups_) RunUnix(command);
        CleanMachine::TearDown();
    }
    // A Unix command that undoes what the test set up outside Wine.
    void AtEnd(const std::string& command) { cleanups_.push_back(command); }

    // Presses Install and expects the copy to end with the full-disk error, then the program.
    static void InstallUntilTheDiskIsFull(SetupDriver& setup, const automation::Window& window) {
        setup.StartInstall(window);
        automation::Window box = automation::WaitForMessageBox("Error", kInstallTimeout, setup.Process().Id());
        ASSERT_TRUE(box) << "no error box";
        EXPECT_EQ(automation::MessageBoxText(box.handle),
                  "File copy error: " + platform::SystemErrorMessage(ERROR_DISK_FULL));
        setup.Press(box, "OK");
        setup.ExpectEndsWithCodeZero();
    }

    // A small volume (a tmpfs of mount's size text) as drive T: until the end of the test; its
    // Unix folder. Empty when none could be mounted (the test is then skipped) or linked (failed).
    std::string MountVolumeAsT(const std::string& size) {
        const char* prefix = std::getenv("WINEPREFIX");
        if (!prefix) {
            ADD_FAILURE() << "WINEPREFIX is not set";
            return {};
        }
        const std::string mount = "/tmp/vorna-small." + std::to_string(::GetCurrentProcessId());
        const std::string drive = std::string(prefix) + "/dosdevices/t:";
        if (RunUnix("mkdir -p " + mount + " && mount -t tmpfs -o size=" + size + " tmpfs " + mount) != 0) {
            RunUnix("rmdir " + mount);
            [] { GTEST_SKIP() << "cannot mount a small tmpfs volume here (needs root and mount rights)"; }();
            return {};
        }
        AtEnd("rm -f " + drive + "; umount " + mount + "; rmdir " + mount);
        if (RunUnix("ln -sfn " + mount + " " + drive) == 0) return mount;
        ADD_FAILURE() << "cannot link " << drive;
        return {};
    }

    void ExpectNoPlantedDllLoaded(const std::string& when) {
        for (const char* dll : kPlantedDlls)
            EXPECT_FALSE(FileExists(Marker(dll))) << "the planted " << dll << ".dll ran " << when;
    }

    // Installs the full payload from the medium to the end; the servers' process ids.
    std::vector<DWORD> InstallFromTheMedium(const Payload& payload) {
        SetupDriver setup;
        automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
        EXPECT_TRUE(window);
        if (!window) return {};
        InstallToTheEnd(setup, window, kDefaultFolder, true);
        ExpectInstalled(kDefaultFolder, payload);
        return ExpectServicesRunning(kDefaultFolder);
    }

private:
    std::vector<std::string> cleanups_;
};

// The module paths Setup.exe has loaded, upper-cased.
std::vector<std::string> LoadedModules(DWORD processId) {
    std::vector<std::string> modules;
    platform::ScopedKernelHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId));
    MODULEENTRY32 entry{};
    entry.dwSize = sizeof entry;
    if (!snapshot || !::Module32First(snapshot.Get(), &entry)) return modules;
    do {
        std::string path = entry.szExePath;
        for (char& c : path) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        modules.push_back(path);
    } while (::Module32Next(snapshot.Get(), &entry));
    return modules;
}

}  // namespace

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
                               " VORNA_BIN=" + bin + " VORNA_UNPRIVILEGED=1 ";
        AtEnd(as + "wineserver -k; rm -rf " + home);
        ASSERT_EQ(RunUnix("mkdir -p " + home + " && chown 65534:65534 " + home + " && " + as + wine +
                          "wineboot.exe -i >/dev/null 2>&1 && " + as + "wineserver -w"),
                  0u)
            << "cannot make a Wine prefix for the unprivileged user (setpriv, user 65534)";
        const std::string log = home + "/test.log";
        DWORD code = RunUnix(as + wine + bin +
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

// ---- Without a person: the command lines deployment tools run ----

namespace {

constexpr DWORD kNoExit = 0xFFFFFFFF;

// Waits for the end of a run that must show nothing, failing when a window of it shows on the
// way; its exit code, or kNoExit when it did not end in time. (A box would stay until answered,
// so it cannot slip between two looks.)
DWORD ExitWithoutAWindow(automation::Process& process) {
    std::string shown;
    std::optional<DWORD> code;
    automation::WaitUntil(
        [&] {
            for (const automation::Window& window : automation::TopLevelWindows(process.Id()))
                if (shown.empty()) shown = window.className + " \"" + window.caption + "\"";
            return (code = process.WaitForExit(0)).has_value();
        },
        kInstallTimeout);
    EXPECT_EQ(shown, "") << "a window of the silent run showed";
    EXPECT_TRUE(code) << "the run did not end";
    return code.value_or(kNoExit);
}

DWORD RunSilently(const std::string& arguments, const std::string& program = std::string(kMediumFolder) + "Setup.exe") {
    automation::Process setup;
    if (!setup.Start("\"" + program + "\" " + arguments)) {
        ADD_FAILURE() << "cannot start " << program;
        return kNoExit;
    }
    return ExitWithoutAWindow(setup);
}

// The log's lines, each without the time before it.
std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool stamped = line.size() >= 14 && line[2] == ':' && line[5] == ':' && line[8] == '.';
        lines.push_back(stamped ? line.substr(14) : line);
    }
    return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::optional<DWORD> UninstallDword(const char* name) {
    std::optional<testing_support::RegistryValue> value =
        testing_support::GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::copy(value->data.begin(), value->data.end(), reinterpret_cast<char*>(&number));
    return number;
}

// What the uninstall entry tells deployment tools about an installation in destination.
void ExpectDeploymentValues(const std::string& destination, const Payload& payload) {
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayVersion"), "2.10.255");
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "InstallLocation"), destination);
    EXPECT_EQ(RegistryString(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayIcon"), destination + "Setup.exe");
    size_t bytes = ReadFileBytes(testing_support::BinFolder() + "Setup.exe").size() + payload.Data("VORNA.CPL").size();
    for (const char* name : kProgramFiles) bytes += payload.Data(name).size();
    for (const char* name : kHtmlFiles) bytes += payload.Data(name).size();
    for (const std::string& image : payload.Images()) bytes += payload.Data(image).size();
    EXPECT_EQ(UninstallDword("EstimatedSize"), static_cast<DWORD>((bytes + 1023) / 1024));
    EXPECT_EQ(UninstallDword("NoModify"), 1u);
    EXPECT_EQ(UninstallDword("NoRepair"), 1u);
}

}  // namespace

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
