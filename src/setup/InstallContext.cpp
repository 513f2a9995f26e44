#include "setup/InstallContext.h"

#include "platform/SystemInfo.h"
#include "setup/Shortcuts.h"

namespace setup {

InstallContext::InstallContext()
    : ProgramFolder(platform::ModuleFolder()), ProgramFileName(platform::ModuleFileName()) {
    AimAtShellFolders(AdvancedRegistry);
    AimAtUninstallEntry(AdvancedRegistryInstall);
    AimAtInstallPath(PathRegistry);
}

}  // namespace setup
