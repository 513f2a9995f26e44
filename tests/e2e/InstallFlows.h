#pragma once
// Driving whole installs and checking what they leave, shared by the end-to-end suites:
// the suite's servers and shortcuts, installs to the closing box, the uninstall through its
// stored command, the trust-boundary fixture that runs Unix commands, the silent runs.
#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "InstallSupport.h"
#include "SetupDriver.h"
#include "TestPaths.h"
#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

namespace e2e {


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
inline bool SetupIs32Bit() {
    DWORD type = 0;
    std::string setup = testing_support::BinFolder() + "Setup.exe";
    EXPECT_TRUE(::GetBinaryTypeA(setup.c_str(), &type)) << setup;
    return type == SCS_32BIT_BINARY;
}

// Where a 64-bit tool finds a key that the setup wrote under HKLM\Software: a 32-bit program's
// writes go to the 32-bit view, Wow6432Node to a 64-bit tool.
inline std::string NativeKey(const std::string& softwareKey) {
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
inline void ExpectWhere64BitWindowsKeepsIt(const std::string& destination, const Payload& payload) {
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
inline void InstallToTheEnd(SetupDriver& setup, const automation::Window& window, const std::string& destination,
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
inline void InstallFromTheMedium(const std::string& destination, const char* proposed = nullptr) {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    if (proposed) {
        ASSERT_TRUE(setup.Label(window, destination)) << proposed;
    }
    InstallToTheEnd(setup, window, destination, true);
}

// Everything an install leaves apart from the servers.
inline void ExpectInstalled(const std::string& destination, const Payload& payload) {
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
inline std::vector<DWORD> ExpectServicesRunning(const std::string& destination) {
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
inline std::vector<HWND> ExpectServerWindows(const std::string& destination) {
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
inline void StartFrom64BitProcess(SetupDriver& setup, const std::string& command) {
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
inline void UninstallThroughUninstallString(SetupDriver& setup, const std::string& destination) {
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
inline void ExpectUninstalled(const std::string& destination, bool groupHoldsOtherFiles = false) {
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
inline void ExpectExtractionRefused() {
    SetupDriver setup;
    automation::Window window = setup.StartInstallWindow(std::string(kMediumFolder) + "Setup.exe");
    ASSERT_TRUE(window);
    setup.StartInstall(window);
    automation::Window box = setup.ExpectBox("Error", "Extracting files error: data file error", IDI_ERROR, {"OK"});
    EXPECT_EQ(StatusText(window), "Extracting Files...");
    setup.Press(box, "OK");
    setup.ExpectEndsWithCodeZero();
}



// Runs a Unix shell command from inside Wine (drive Z: is the Unix root); its exit status.
// Wine gives no usable handle of a Unix process, so the status comes back through a file.
inline DWORD RunUnix(const std::string& command, DWORD timeoutMs = 300000) {
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
inline std::string UnixPath(const std::string& windowsPath) {
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
inline std::string Marker(const char* dll) { return std::string("C:\\vorna-planted-") + dll + ".txt"; }

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
inline std::vector<std::string> LoadedModules(DWORD processId) {
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



constexpr DWORD kNoExit = 0xFFFFFFFF;

// Waits for the end of a run that must show nothing, failing when a window of it shows on the
// way; its exit code, or kNoExit when it did not end in time. (A box would stay until answered,
// so it cannot slip between two looks.)
inline DWORD ExitWithoutAWindow(automation::Process& process) {
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

inline DWORD RunSilently(const std::string& arguments, const std::string& program = std::string(kMediumFolder) + "Setup.exe") {
    automation::Process setup;
    if (!setup.Start("\"" + program + "\" " + arguments)) {
        ADD_FAILURE() << "cannot start " << program;
        return kNoExit;
    }
    return ExitWithoutAWindow(setup);
}

// The log's lines, each without the time before it.
inline std::vector<std::string> LogLines(const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFileBytes(path));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool stamped = line.size() >= 14 && line[2] == ':' && line[5] == ':' && line[8] == '.';
        lines.push_back(stamped ? line.substr(14) : line);
    }
    return lines;
}

inline bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

inline std::optional<DWORD> UninstallDword(const char* name) {
    std::optional<testing_support::RegistryValue> value =
        testing_support::GetRegistryValue(HKEY_LOCAL_MACHINE, kUninstallKey, name);
    if (!value || value->type != REG_DWORD || value->data.size() != sizeof(DWORD)) return std::nullopt;
    DWORD number = 0;
    std::copy(value->data.begin(), value->data.end(), reinterpret_cast<char*>(&number));
    return number;
}

// What the uninstall entry tells deployment tools about an installation in destination.
inline void ExpectDeploymentValues(const std::string& destination, const Payload& payload) {
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


}  // namespace e2e
