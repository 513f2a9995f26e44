#include "setup/InstallContext.h"

#include "platform/Paths.h"
#include "setup/Shortcuts.h"

namespace setup {

InstallContext::InstallContext() {
    const platform::AnsiPath program = platform::OwnProgramPath();
    ProgramFolder = platform::FolderOf(program.path);
    ProgramFileName = platform::FileNameOf(program.path);
    ProgramFolderForm = program.form;
    AimAtShellFolders(AdvancedRegistry);
    AimAtUninstallEntry(AdvancedRegistryInstall);
    AimAtInstallPath(PathRegistry);
}

}  // namespace setup
