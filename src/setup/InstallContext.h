#pragma once
// What the install and uninstall steps work on, handed to each step instead of shared by all.
// The setup window keeps one for the whole process; tests make their own.
#include <string>

#include "archive/DataUnit.h"
#include "platform/SystemPaths.h"
#include "registry/AdvancedRegistry.h"

namespace setup {

class UpgradeKeeper;

struct InstallContext {
    // Aims the three registry components at their keys and takes the running program's folder
    // and file name; the folders below are the caller's to fill.
    InstallContext();

    // The installation folder, with its trailing backslash once the install has started.
    std::string DestinationFolder;
    // The Windows system folder with its trailing backslash, or empty when the lookup failed.
    std::string SystemFolder;
    // The folder Setup.Dat is unpacked into, the source of every copy.
    std::string ExtractFolder;
    // The unpacked files, held from the extraction until they are in place. While set, the
    // copies from ExtractFolder read these handles and install nothing else of that folder;
    // unset, they copy ExtractFolder's files by name.
    const archive::ExtractedFiles* Unpacked = nullptr;
    // While set, every file the copies replace is kept aside first, for the way back of an
    // upgrade.
    UpgradeKeeper* Keeper = nullptr;
    // The running setup program's folder (with its trailing backslash) and file name: the
    // archive lies beside it, the install copies it, the uninstall removes from its folder.
    std::string ProgramFolder;
    std::string ProgramFileName;
    // How ProgramFolder was written in the code page: a lost one names no folder.
    platform::PathForm ProgramFolderForm = platform::PathForm::Exact;

    // The uninstall has a suite file it cannot delete removed at the next restart: a run
    // without a person, which leaves no one to do it by hand. (The own file always is.)
    bool RemoveStayingFilesAtRestart = false;

    // The user's "Shell Folders", where the Start menu's "Programs" folder is named.
    registry::TAdvancedRegistry AdvancedRegistry;
    // The suite's entry in the list of removable programs.
    registry::TAdvancedRegistry AdvancedRegistryInstall;
    // "\Software\VORNA", which holds "InstallDir".
    registry::TAdvancedRegistry PathRegistry;
};

}  // namespace setup
