// What the setup window's three buttons do: Install runs the whole installation in one go,
// Browse lets the user choose the destination folder, Cancel ends the program.
#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/ScopeExit.h"
#include "platform/SystemInfo.h"
#include "platform/SystemUi.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/ProgramState.h"
#include "setup/ServiceControl.h"
#include "setup/Shortcuts.h"

namespace setup {
namespace {

const char kLicenceQuestion[] =
    "By installing this software you agree with the software license agreement. Do you wish to continue?";
const char kNoFolderMessage[] = "Please choose a destination folder for the installation.";
const char kCancelQuestion[] = "Do you wish to cancel this installation?";

}  // namespace

std::string ChooseExtractFolder() {
    char temp[255] = {};
    DWORD length = ::GetEnvironmentVariableA("TEMP", temp, 255);
    // A count that does not fit is the room the value needs, not what the buffer holds: such
    // a TEMP is passed over like a missing one.
    if (length != 0 && length < 255) return platform::CutToShortText(std::string(temp, length) + "\\VORNAInstall\\");
    // A folder of the program's own below "Temp\": the "Temp" folder beside the program (the
    // root of a stick, say) may hold the user's files, and the extraction folder is emptied.
    return platform::CutToShortText(platform::ModuleFolder() + "Temp\\VORNAInstall\\");
}

void TMainForm::InstallButonClick() {
    // A click served while the sequence reports its progress starts nothing.
    if (installing_) return;
    installing_ = true;
    platform::ScopeExit running([this] { installing_ = false; });

    if (platform::ShowMessage(kLicenceQuestion, kSetupCaption, platform::kQuestionBox) != IDYES) return;
    std::string destination = PathEdit->Caption();
    if (!platform::IsFullPath(destination)) {
        platform::ShowMessage(kNoFolderMessage, kSetupCaption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        return;
    }
    DestinationFolder = platform::WithTrailingBackslash(destination);

    ShowProgress("Extracting Files...");
    ExtractFolder = ChooseExtractFolder();
    std::string archivePath = platform::CutToShortText(platform::ModuleFolder() + "Setup.Dat");
    // The fallback folder's parent may be missing; made for this run, it goes again at the end.
    std::string parent = platform::FolderOf(ExtractFolder.substr(0, ExtractFolder.size() - 1));
    bool parentMade = parent == platform::ModuleFolder() + "Temp\\" && !platform::FolderExists(parent) &&
                      ::CreateDirectoryA(parent.c_str(), nullptr);
    // Until the files are copied into place, no other process can change or replace them.
    archive::ExtractedFiles extracted;
    if (!archive::ArchiveMatchesEmbeddedDigest(archivePath) ||
        !archive::ExtractArchive(archivePath, ExtractFolder, extracted)) {
        platform::ShowMessage("Extracting files error: data file error", "Error", platform::kErrorBox);
        platform::EndProgram(0);
    }
    CheckRunningServices(*this);
    CreateFolders();
    CopyAllFiles(*this, ExtractFolder);
    extracted.Release();
    CreateIcons(*this, AdvancedRegistry, AdvancedRegistryInstall, PathRegistry);
    InstallAndStartServices(*this);
    RunForm->AllowClose = true;
    RunForm->Close();
    archive::RemoveFolder(ExtractFolder);
    if (parentMade) ::RemoveDirectoryA(parent.c_str());
    platform::ShowMessage("The setup is complete. You may run the installed program now.", "Information",
                          platform::kInformationBox);
    platform::EndProgram(0);
}

void TMainForm::BrowseButtonClick() {
    BrowseFolder->PathEdit->SetText(PathEdit->Caption());
    if (BrowseFolder->ShowModal() == platform::mrOk) PathEdit->SetCaption(BrowseFolder->PathEdit->Text());
}

void TMainForm::CloseButtonClick() {
    if (platform::ShowMessage(kCancelQuestion, "Exit Setup", platform::kQuestionBox) == IDYES) platform::EndProgram(0);
}

}  // namespace setup
