#pragma once
// The Start-menu group with its six shortcuts, the uninstall entry and the "InstallDir" value.
#include <array>
#include <string>

#include "registry/AdvancedRegistry.h"
#include "setup/InstallContext.h"
#include "setup/Progress.h"
#include "setup/Steps.h"

namespace setup {

inline constexpr std::array<const char*, 6> ShortcutNames = {
    "VORNA Configuration", "VORNA Readme", "VORNA Help", "DNS Query Tool", "VORNA Mail Notification", "Update Notes",
};
inline constexpr std::array<const char*, 6> ShortcutTargets = {
    "config.exe", "readme.txt", "vorna.hlp", "dnsquery.exe", "notify.exe", "update.txt",
};
inline constexpr char kGroupName[] = "VORNA Mail Server";
inline constexpr char kProductName[] = "VORNA Mail Server";
inline constexpr char kPublisher[] = "VORNA";
// The uninstall entry's key name, which deployment tools take for the product's code.
inline constexpr char kUninstallKeyName[] = "Vorna";

// Where the three registry components point: the user's "Shell Folders" (the Start menu's
// "Programs" folder), the suite's uninstall entry, and "\Software\VORNA" (its "InstallDir").
void AimAtShellFolders(registry::TAdvancedRegistry& component);
void AimAtUninstallEntry(registry::TAdvancedRegistry& component);
void AimAtInstallPath(registry::TAdvancedRegistry& component);

// The group folder below the user's Start-menu "Programs" folder, with its trailing backslash.
std::string GroupFolderFor(const std::string& programsFolder);

// The group folder of the user's Start-menu "Programs" folder: shellFolders' "Programs" value
// or, where that is missing, the folder the shell reports. Empty when neither knows one: the
// group then has no place, and install and uninstall leave the shortcuts out.
std::string FindGroupFolder(registry::TAdvancedRegistry& shellFolders);

// The command the list of removable programs runs: the installed setup program, in quotation
// marks so that a folder with spaces cannot be mistaken for a shorter program path.
std::string UninstallCommand(const std::string& destinationFolder, const std::string& setupFileName);

// Makes a shell link at linkFile pointing at target, with text as its description. Failures
// are silent: that shortcut is simply missing.
void CreateShortcut(const std::string& target, const std::string& linkFile, const std::string& text);

// Shortcuts in the group FindGroupFolder names (none when it names none), then the uninstall
// entry and "InstallDir". A value that cannot be written fails the step with "Registry error: ".
StepResult CreateIcons(ProgressReport& progress, InstallContext& context);

}  // namespace setup
