#include "setup/Shortcuts.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "setup/CommandLine.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/ServiceControl.h"

namespace setup {

void AimAtShellFolders(registry::TAdvancedRegistry& component) {
    component.SetRegistryRootKey(registry::hkCURRENT_USER);
    component.RegistryArea = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    component.RegistrySection = "Shell Folders";
}

void AimAtUninstallEntry(registry::TAdvancedRegistry& component) {
    component.SetRegistryRootKey(registry::hkLOCAL_MACHINE);
    component.RegistryArea = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    component.RegistrySection = kUninstallKeyName;
}

void AimAtInstallPath(registry::TAdvancedRegistry& component) {
    component.SetRegistryRootKey(registry::hkLOCAL_MACHINE);
    component.RegistryArea = "\\Software";
    component.RegistrySection = "VORNA";
}

std::string GroupFolderFor(const std::string& programsFolder) {
    return programsFolder + "\\" + kGroupName + "\\";
}

std::string FindGroupFolder(registry::TAdvancedRegistry& shellFolders) {
    std::string programs = shellFolders.ReadString("Programs");
    // Without the value the bare group name would be a folder at the root of the current drive.
    if (programs.empty()) programs = platform::ShellProgramsFolder();
    return programs.empty() ? std::string() : GroupFolderFor(programs);
}

std::string UninstallCommand(const std::string& destinationFolder, const std::string& setupFileName) {
    return "\"" + destinationFolder + setupFileName + "\" /UNINSTALL";
}

void CreateShortcut(const std::string& target, const std::string& linkFile, const std::string& text) {
    // Initialised for this thread before every shortcut and never undone; a second call is harmless.
    HRESULT initialised = ::CoInitialize(nullptr);
    (void)initialised;

    // The link file's name must fit MAX_PATH UTF-16 units with its terminator; a longer one is
    // skipped like any other shortcut that cannot be made.
    wchar_t wideLinkFile[MAX_PATH] = {};
    if (::MultiByteToWideChar(CP_ACP, 0, linkFile.c_str(), -1, wideLinkFile, MAX_PATH) == 0) return;

    platform::ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.ReceiveVoid())))
        return;
    link->SetPath(target.c_str());
    link->SetDescription(text.c_str());
    platform::ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.ReceiveVoid()))) return;
    file->Save(wideLinkFile, TRUE);
}

StepResult CreateIcons(ProgressReport& progress, InstallContext& context) {
    progress.ShowProgress("Creating Icons...");
    const std::string& destination = context.DestinationFolder;
    // Without a group folder the shortcuts are missing, as a shortcut that cannot be made is.
    if (std::string group = FindGroupFolder(context.AdvancedRegistry); !group.empty()) {
        ::CreateDirectoryA(group.c_str(), nullptr);  // an existing or uncreatable folder does not stop the step
        for (size_t i = 0; i < ShortcutNames.size(); ++i)
            CreateShortcut(destination + ShortcutTargets[i], group + ShortcutNames[i] + ".lnk", "VORNA");
    }

    try {
        registry::TAdvancedRegistry& entry = context.AdvancedRegistryInstall;
        entry.WriteString("DisplayName", kProductName);
        const std::string uninstall = UninstallCommand(destination, context.ProgramFileName);
        entry.WriteString("UninstallString", uninstall);
        // What deployment tools and the list of programs read: the version installed, the
        // command that removes it without a person, where it lies and what it takes.
        entry.WriteString("DisplayVersion", kVersion);
        entry.WriteString("Publisher", kPublisher);
        entry.WriteString("QuietUninstallString", uninstall + " " + kSilentSwitch);
        entry.WriteString("InstallLocation", destination);
        entry.WriteString("DisplayIcon", destination + context.ProgramFileName);
        entry.WriteInteger("EstimatedSize", InstalledSizeKb(progress, context));
        entry.WriteInteger("NoModify", 1);
        entry.WriteInteger("NoRepair", 1);
        context.PathRegistry.WriteString("InstallDir", destination);
    } catch (const registry::ERegistryException& error) {
        return Failed(std::string("Registry error: ") + error.what() + "\r\n" + kAdministratorAdvice);
    }
    return Done();
}

}  // namespace setup
