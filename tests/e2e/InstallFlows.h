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
bool SetupIs32Bit();

// Where a 64-bit tool finds a key that the setup wrote under HKLM\Software: a 32-bit program's
// writes go to the 32-bit view, Wow6432Node to a 64-bit tool.
std::string NativeKey(const std::string& softwareKey);

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
void ExpectWhere64BitWindowsKeepsIt(const std::string& destination, const Payload& payload);

// Presses Install, accepts the licence and follows the sequence to the closing box, which
// it dismisses; checks the progress on the way and the end of the program.
void InstallToTheEnd(SetupDriver& setup, const automation::Window& window, const std::string& destination,
                     bool windowsNT);

// Installs from the medium into destination (NT) to the closing box; where proposed says why,
// the setup window must propose destination itself.
void InstallFromTheMedium(const std::string& destination, const char* proposed = nullptr);

// Everything an install leaves apart from the servers.
void ExpectInstalled(const std::string& destination, const Payload& payload);

// The three services as created, each running; their process ids.
std::vector<DWORD> ExpectServicesRunning(const std::string& destination);

// 95/98: the three servers run as programs of the destination, each with its window, and
// no service exists; their windows.
std::vector<HWND> ExpectServerWindows(const std::string& destination);

// Starts a command from a 64-bit process and takes the started process on as the setup's.
void StartFrom64BitProcess(SetupDriver& setup, const std::string& command);

// Runs the stored uninstall command as 64-bit Windows' list of removable programs would (read
// from where a 64-bit program finds it, started by a 64-bit process) and answers Yes.
void UninstallThroughUninstallString(SetupDriver& setup, const std::string& destination);

// What every uninstall removes from an installation in destination, and what it keeps.
void ExpectUninstalled(const std::string& destination, bool groupHoldsOtherFiles = false);



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
void ExpectExtractionRefused();



// Runs a Unix shell command from inside Wine (drive Z: is the Unix root); its exit status.
// Wine gives no usable handle of a Unix process, so the status comes back through a file.
DWORD RunUnix(const std::string& command, DWORD timeoutMs = 300000);

// The Unix path of a Windows path, as Wine maps it.
std::string UnixPath(const std::string& windowsPath);

const char* const kPlantedDlls[] = {"version", "uxtheme", "mpr"};
std::string Marker(const char* dll);

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
std::vector<std::string> LoadedModules(DWORD processId);



constexpr DWORD kNoExit = 0xFFFFFFFF;

// Waits for the end of a run that must show nothing, failing when a window of it shows on the
// way; its exit code, or kNoExit when it did not end in time. (A box would stay until answered,
// so it cannot slip between two looks.)
DWORD ExitWithoutAWindow(automation::Process& process);

DWORD RunSilently(const std::string& arguments, const std::string& program = std::string(kMediumFolder) + "Setup.exe");

// The log's lines, each without the time before it.
std::vector<std::string> LogLines(const std::string& path);

bool Has(const std::vector<std::string>& lines, const std::string& line);

std::optional<DWORD> UninstallDword(const char* name);

// What the uninstall entry tells deployment tools about an installation in destination.
void ExpectDeploymentValues(const std::string& destination, const Payload& payload);


}  // namespace e2e
