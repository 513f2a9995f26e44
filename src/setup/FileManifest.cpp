#include "setup/FileManifest.h"

#include <windows.h>

#include "platform/FileSearch.h"
#include "platform/SystemInfo.h"
#include "platform/SystemUi.h"
#include "setup/ProgramState.h"

namespace setup {

namespace {

void CreateFolderIfMissing(const std::string& folder) {
    if (platform::FolderExists(folder)) return;
    if (!::CreateDirectoryA(folder.c_str(), nullptr)) ReportDirectoryError();
}

}  // namespace

void ReportDirectoryError() {
    std::string reason = platform::LastErrorMessage();
    platform::ShowMessage("Directory could not be created: " + reason, "Error", platform::kErrorBox);
    platform::EndProgram(0);
}

void CreateFolders() {
    CreateFolderIfMissing(DestinationFolder);
    CreateFolderIfMissing(DestinationFolder + kHtmlFolder);
    CreateFolderIfMissing(DestinationFolder + kHtmlFolder + kImagesFolder);
}

void CopyOneFile(ProgressReport& progress, const std::string& name, const std::string& sourceFolder,
                 const std::string& destinationFolder) {
    std::string destination = destinationFolder + name;
    progress.ShowProgress("Copying File '" + destination + "'" + "...");
    if (::CopyFileA((sourceFolder + name).c_str(), destination.c_str(), FALSE)) return;
    std::string reason = platform::LastErrorMessage();
    platform::ShowMessage("File copy error: " + reason, "Error", platform::kErrorBox);
    platform::EndProgram(0);
}

void CopyImages(ProgressReport& progress, const std::string& extractFolder) {
    std::string imagesFolder = DestinationFolder + kHtmlFolder + kImagesFolder;
    platform::ForEachFile(extractFolder, kImagePattern, platform::kAnyFileMask, [&](const std::string& name) {
        CopyOneFile(progress, name, extractFolder, imagesFolder);
    });
}

void CopyAllFiles(ProgressReport& progress, const std::string& extractFolder) {
    for (const char* name : ProgramFiles) CopyOneFile(progress, name, extractFolder, DestinationFolder);
    for (const char* name : HtmlFiles) CopyOneFile(progress, name, extractFolder, DestinationFolder + kHtmlFolder);
    CopyImages(progress, extractFolder);
    // The copy that the uninstall entry starts with "/UNINSTALL".
    CopyOneFile(progress, platform::ModuleFileName(), platform::ModuleFolder(), DestinationFolder);
    CopyOneFile(progress, kAppletName, extractFolder, SystemFolder);
}

}  // namespace setup
