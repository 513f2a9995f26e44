#pragma once
// What the install and uninstall tests share: payload archives made in the test, the
// installation medium, a clean machine before and after each test, and read-backs of what
// an install leaves (files, shortcuts, registry values, services, pending deletions).
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Automation.h"
#include "ScratchFolder.h"
#include "ScratchRegistry.h"
#include "SuiteState.h"
#include "platform/SystemInfo.h"

namespace e2e {

// Read-backs shared with the other machine-touching tests.
using platform::FileExists;
using platform::FolderExists;
using testing_support::EndProgramsIn;
using testing_support::ReadFileBytes;
using testing_support::ReadServiceConfig;
using testing_support::RegistryKeyExists;
using testing_support::RegistryString;
using testing_support::RemoveSuiteServices;
using testing_support::ServiceConfig;
using testing_support::ServiceExists;
using testing_support::WaitForServiceState;
using testing_support::WriteFileBytes;

inline constexpr char kDefaultFolder[] = "C:\\Program Files\\Vorna\\";
inline constexpr char kMediumFolder[] = "C:\\VornaMedia\\";
inline constexpr char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorna";
inline constexpr char kVornaKey[] = "Software\\VORNA";
inline constexpr char kLicenceQuestion[] =
    "By installing this software you agree with the software license agreement. Do you wish to continue?";
inline constexpr char kUninstallQuestion[] =
    "Are you sure to completely remove all files and components of this program?";
inline constexpr char kSetupComplete[] = "The setup is complete. You may run the installed program now.";
inline constexpr char kRemoved[] =
    "The program has been removed. The uninstall process will be finished the next time Windows restart.";
inline constexpr DWORD kInstallTimeout = 120000;

// The suite's files, written out here rather than taken from the program so that a wrong
// table in the program shows up.
inline constexpr const char* kProgramFiles[] = {
    "smtp.exe",  "pop3.exe",  "control.exe", "config.exe",   "readme.txt", "update.txt", "default.ini",
    "vorna.hlp", "vorna.cnt", "vorna.rtf",   "dnsquery.exe", "users.exe",  "notify.exe"};
inline constexpr const char* kHtmlFiles[] = {
    "about.html",    "accountlist.html", "accounts.html",   "delivery.html",  "domainadd.html", "domainedit.html",
    "execadd.html",  "execedit.html",    "failure.html",    "logs.html",      "mailadd.html",   "mailedit.html",
    "options.html",  "remoteadd.html",   "remoteedit.html", "security.html",  "self.html",      "smsadd.html",
    "smsedit.html",  "success.html",     "system.html",     "useradd.html",   "useredit.html",  "outgoing.html",
    "userbox.html",  "script.js",        "styles.css"};

// The members of a Setup.Dat: every manifest file, four images and the applet; the three
// servers are the build's stand-ins.
class Payload {
public:
    static Payload Full();
    void Set(const std::string& name, const std::string& data) { members_[name] = data; }
    void Remove(const std::string& name) { members_.erase(name); }
    const std::string& Data(const std::string& name) const { return members_.at(name); }
    std::vector<std::string> Images() const;
    void WriteTo(const std::string& archivePath) const;

private:
    std::map<std::string, std::string> members_;
};

// An installation medium: a copy of the built Setup.exe, with Setup.Dat beside it unless
// no payload is given.
void MakeMedium(const std::string& folder, const std::optional<Payload>& payload);

// Leaves the machine without any trace of the suite before and after each test: services,
// server processes, the listed folders, registry keys, the Start-menu group, the applet,
// the temporary folder, the 95/98 setting; pending deletions and wininit.ini as they were.
class CleanMachine : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A folder the test installs into or makes; removed (with its programs ended) at the end.
    std::string Managed(const std::string& folder);
    // Makes Setup.exe see Windows 98 from its next start on (undone by TearDown).
    void UseWin98Mode();

private:
    void Clean();
    std::vector<std::string> folders_;
    std::optional<std::string> pendingBefore_;
    std::optional<std::string> wininitBefore_;
};

// ---- read-backs ----
// C:\windows\system32\ (with its backslash) and TEMP + "\VORNAInstall\".
std::string SystemFolder();
std::string WindowsFolder();
std::string ExtractFolder();
// The user's Start-menu "Programs" folder from the registry, and the suite's group in it.
std::string ProgramsFolder();
std::string GroupFolder();
// The target path stored in a shell link, read through IShellLinkA; empty if unreadable.
std::string LinkTarget(const std::string& linkFile);
bool ProcessRunning(DWORD processId);

// The sources of HKLM ... Session Manager "PendingFileRenameOperations" whose target is
// empty (deletions), as stored ("\??\C:\...").
std::vector<std::string> PendingDeletions();
// The lines of a section of an ini text, in order.
std::vector<std::string> IniSectionLines(const std::string& text, const std::string& section);

// ---- driving ----

// The texts the setup window's status bar showed while a sequence ran, until a message box
// of the process appeared (returned) or the process ended.
struct Watched {
    std::vector<std::string> statusTexts;
    automation::Window box;
    bool progressWindowShownAtBox = false;
};
Watched WatchUntilBox(const automation::Window& setupWindow, DWORD processId, DWORD timeoutMs = kInstallTimeout);
std::string StatusText(const automation::Window& setupWindow);

// The progress texts of a whole install into destination, in order; every image copy is
// the one entry kImageCopy.
inline constexpr char kImageCopy[] = "<image copy>";
std::vector<std::string> ExpectedProgress(const std::string& destination, bool windowsNT);
// Fails unless the texts seen (images folded into kImageCopy) appear in this order.
void ExpectInOrder(const std::vector<std::string>& seen, const std::vector<std::string>& expected,
                   const std::string& destination);

}  // namespace e2e
