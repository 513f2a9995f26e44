// What the setup window's three buttons do: Install runs the whole installation in one go,
// Browse lets the user choose the destination folder, Cancel ends the program.
#include "archive/DataUnit.h"
#include "platform/Paths.h"
#include "platform/ScopeExit.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"
#include "platform/SystemUi.h"
#include "setup/CommandLine.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/ProgramEnd.h"
#include "setup/RunLog.h"
#include "setup/ServiceControl.h"
#include "setup/Shortcuts.h"
#include "setup/Steps.h"
#include "setup/Upgrade.h"
#include "setup/VersionOrder.h"

namespace setup {
namespace {

const char kLicenceQuestion[] =
    "By installing this software you agree with the software license agreement. Do you wish to continue?";
const char kNoFolderMessage[] = "Please choose a destination folder for the installation.";
const char kUnspellableFolderMessage[] =
    "The setup cannot read its files from this folder: the folder's name has letters that the language of "
    "Windows cannot write. Copy the setup files into a folder with a plain name, such as C:\\VornaSetup, and "
    "start the setup from there.";
const char kCancelQuestion[] = "Do you wish to cancel this installation?";
const EndBox kCompleteBox{"The setup is complete. You may run the installed program now.", "Information",
                          platform::kInformationBox};

// The folder the fallback extraction folder lies in, when this run had to make it (it then goes
// again at the end); empty otherwise.
std::string MakeMissingFallbackParent(const InstallContext& context) {
    std::string parent = platform::ParentFolder(context.ExtractFolder);
    bool made = parent == context.ProgramFolder + "Temp\\" && !platform::FolderExists(parent) &&
                ::CreateDirectoryA(parent.c_str(), nullptr);
    return made ? parent : std::string();
}

// Unpacks Setup.Dat from beside the program into ExtractFolder; the files stay held in extracted.
StepResult ExtractPayload(ProgressReport& progress, const InstallContext& context,
                          archive::ExtractedFiles& extracted) {
    // Setup.Dat is there, but the code page cannot write the way to it.
    if (context.ProgramFolderForm == platform::PathForm::Lost) return Failed(kUnspellableFolderMessage);
    std::string archivePath = platform::CutToShortText(context.ProgramFolder + "Setup.Dat");
    if (archive::ExtractArchive(archivePath, context.ExtractFolder, extracted, archive::kCopyBufferSize,
                                [&progress] { progress.KeepAlive(); }, progress.Runner()))
        return Done();
    return Failed("Extracting files error: data file error");
}

// An installation newer than this setup stays as it is: a fleet tool re-running an old package
// must not put it over a later version. A version that cannot be read is no reason to refuse.
StepResult RefuseDowngrade(InstallContext& context) {
    const std::string installed = context.AdvancedRegistryInstall.ReadString("DisplayVersion");
    if (installed.empty()) return Done();
    std::optional<int> order = CompareVersions(installed, kVersion);
    if (!order) {
        Log().Line("Installed version \"" + installed + "\" is not a version; installing");
        return Done();
    }
    Log().Line("Installed version: " + installed);
    if (*order <= 0) return Done();
    StepResult refused = Failed(std::string("A newer version of ") + kProductName + " is installed: " + installed +
                                ". This setup installs version " + kVersion + ". Nothing was changed.");
    refused.exitCode = kExitNewerInstalled;
    return refused;
}

}  // namespace

std::string ChooseExtractFolder() {
    // A TEMP that is no short text, or that the code page cannot write even in its short form
    // (it would name no folder), is passed over like a missing one.
    const platform::AnsiPath temp = platform::TempVariable();
    if (!temp.path.empty() && temp.path.size() < platform::kShortTextMax && temp.form != platform::PathForm::Lost) {
        Log().Line("TEMP: " + temp.path + platform::PathFormNote(temp.form));
        return platform::CutToShortText(temp.path + "\\VORNAInstall\\");
    }
    if (!temp.path.empty()) Log().Line("TEMP passed over: " + temp.path + platform::PathFormNote(temp.form));
    // A folder of the program's own below "Temp\": the "Temp" folder beside the program (the
    // root of a stick, say) may hold the user's files, and the extraction folder is emptied.
    return platform::CutToShortText(platform::ModuleFolder() + "Temp\\VORNAInstall\\");
}

StepResult InstallSuite(InstallContext& context, ProgressReport& progress,
                        const std::function<void()>& servicesStarted) {
    Log().Line("Destination folder: " + context.DestinationFolder);
    progress.ShowProgress("Extracting Files...");
    context.ExtractFolder = ChooseExtractFolder();
    Log().Line("Extraction folder: " + context.ExtractFolder);
    // Until the files are copied into place, no other process can change or replace them.
    archive::ExtractedFiles extracted;
    context.Unpacked = &extracted;
    platform::ScopeExit forget([&context] { context.Unpacked = nullptr; });
    // Over an existing installation, what is replaced is kept until the new version runs; any
    // failure or cancel on the way puts it back before the program ends.
    UpgradeKeeper keeper(context, progress.Runner());
    platform::ScopeExit wayBack([&keeper] { keeper.RollBack(); });
    context.Keeper = &keeper;
    platform::ScopeExit forgetKeeper([&context] { context.Keeper = nullptr; });
    std::string madeParent;
    return RunSteps({
        // Before anything is changed, also before a killed run's previous version is put back.
        {"RefuseDowngrade", [&] { return RefuseDowngrade(context); }},
        {"RecoverKilledUpgrade",
         [&] {
             RecoverKilledUpgrade(context, progress.Runner());
             return Done();
         }},
        // Nothing is stopped or replaced before the whole archive is unpacked and held.
        {"ExtractArchive",
         [&] {
             madeParent = MakeMissingFallbackParent(context);
             return ExtractPayload(progress, context, extracted);
         }},
        {"RecordPrevious", [&] { return keeper.RecordPrevious(); }},
        // The running servers hold their programs open: they stop before the files are replaced.
        {"CheckRunningServices", [&] { return CheckRunningServices(progress); }},
        {"CreateFolders", [&] { return CreateFolders(context); }},
        {"CopyAllFiles",
         [&] {
             StepResult copied = CopyAllFiles(progress, context);
             Log().Line("Files copied: " + std::to_string(Log().FilesCopied()));
             if (copied.done) extracted.Release(progress.Runner());  // in place now: the unpacked files may go
             return copied;
         }},
        // The shortcuts and the uninstall entry point at the copied files.
        {"CreateIcons", [&] { return CreateIcons(progress, context); }},
        {"InstallAndStartServices",
         [&] {
             StepResult started = InstallAndStartServices(progress, context);
             if (started.done && servicesStarted) servicesStarted();
             return started;
         }},
        {"DiscardKeptFiles",
         [&] {
             keeper.Discard();
             return Done();
         }},
        {"RemoveFolder",
         [&] {
             archive::RemoveFolder(context.ExtractFolder, {}, progress.Runner());
             progress.KeepAlive();
             if (!madeParent.empty()) ::RemoveDirectoryA(madeParent.c_str());
             return Done();
         }},
    });
}

void InstallUnattended(InstallContext& context, const std::optional<std::string>& folder) {
    std::string destination = folder ? *folder : StoredInstallFolder(context);
    if (destination.empty()) destination = windows::kDefaultFolder;
    // A stored folder that is no full path would install relative to wherever the run started.
    if (!IsDestinationPath(destination)) EndSetup(Failed(kNoFolderMessage), kCompleteBox);
    context.DestinationFolder = platform::WithTrailingBackslash(destination);
    // Nothing to show: the log has the steps.
    NoProgress unseen;
    EndSetup(InstallSuite(context, unseen, {}), kCompleteBox);
}

void TMainForm::InstallButonClick() {
    // A click served while the sequence reports its progress starts nothing.
    if (installing_) return;
    try {
        installing_ = true;
        platform::ScopeExit running([this] { installing_ = false; });
        RunInstall();
    } catch (const SetupCancelled&) {
        // What was being written is removed by now.
    }
    if (cancelled_) EndSetup();
}

void TMainForm::RunInstall() {
    if (platform::ShowMessage(kLicenceQuestion, kSetupCaption, platform::kQuestionBox) != IDYES) return;
    std::string destination = PathEdit->Caption();
    if (!IsDestinationPath(destination)) {
        platform::ShowMessage(kNoFolderMessage, kSetupCaption, MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL);
        return;
    }
    Context.DestinationFolder = platform::WithTrailingBackslash(destination);
    EndSetup(InstallSuite(Context, *this,
                          [] {
                              RunForm->AllowClose = true;
                              RunForm->Close();
                          }),
             kCompleteBox);
}

void TMainForm::BrowseButtonClick() {
    BrowseFolder->PathEdit->SetText(PathEdit->Caption());
    if (BrowseFolder->ShowModal() == platform::mrOk) PathEdit->SetCaption(BrowseFolder->PathEdit->Text());
}

void TMainForm::CloseButtonClick() {
    if (platform::ShowMessage(kCancelQuestion, "Exit Setup", platform::kQuestionBox) != IDYES) return;
    // During the install the click is answered from inside its work: the install stops at its
    // next pause, so that the file it is writing is removed before the program ends.
    if (installing_) {
        cancelled_ = true;
        return;
    }
    EndSetup();
}

}  // namespace setup
