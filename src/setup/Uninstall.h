#pragma once
// The uninstall: puts back a version that a killed upgrade replaced, stops and removes the
// services, the installed files and the applet, has the own file deleted at the next restart,
// removes a payload a killed install left unpacked, and last the shortcuts, their group and the
// uninstall entry, so that one cut short can be run again.
#include <string>

#include "registry/AdvancedRegistry.h"
#include "setup/InstallContext.h"
#include "setup/Steps.h"

namespace setup {

// Runs the whole uninstall, shows the closing message (or the failure's) and ends the program.
[[noreturn]] void Uninstall(InstallContext& context);

// Every step but the closing message. The installed files are looked for in ProgramFolder, and
// the program there is scheduled for deletion. Stops only at a service error. A file of the
// suite that cannot be deleted (in use, say) stays; where the context says so, it is scheduled
// for deletion at the restart as well.
StepResult RemoveInstallation(InstallContext& context);

// Deletes the six shortcuts from the group folder, found as the install found it, and the
// group itself when nothing else is left in it.
void DeleteShortcuts(registry::TAdvancedRegistry& shellFolders);

// Deletes every image (of any attributes, never folders) in folder + "html\images\".
void DeleteImages(const std::string& folder);

// Has the file deleted at the next restart: a pending move on NT; on 95/98 a "NUL=" line in the
// [Rename] section of the Windows folder's wininit.ini, beside any entries already there.
// False when it could not be arranged.
bool ScheduleDeletionAtRestart(const std::string& path);

// The wininit.ini text with "NUL=<path>" added at the end of its [Rename] section (made when
// missing); every line already there stays.
std::string WithRenameEntry(const std::string& wininit, const std::string& path);

}  // namespace setup
