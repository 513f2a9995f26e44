#include "setup/FileManifest.h"

#include <windows.h>

#include <functional>

#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/Paths.h"
#include "platform/Security.h"
#include "platform/SystemInfo.h"
#include "setup/RunLog.h"
#include "setup/Upgrade.h"

namespace setup {

namespace {

StepResult CreateFolderIfMissing(const std::string& folder) {
    if (platform::FolderExists(folder) || ::CreateDirectoryA(folder.c_str(), nullptr)) return Done();
    return ReportDirectoryError();
}

// The folder and every missing folder above it, the outermost first ("D:\Apps\Vorna\" when
// "D:\Apps" is missing too). The walk up ends at the first folder that is there, or at a root.
// The folder itself gets the given security; the ones above it what their parents pass on.
StepResult CreateFolderAndParents(const std::string& folder, SECURITY_ATTRIBUTES* security) {
    if (platform::FolderExists(folder)) return Done();
    std::string parent = platform::ParentFolder(folder);
    if (!parent.empty() && parent.size() < folder.size())
        if (StepResult made = CreateFolderAndParents(parent, nullptr); !made.done) return made;
    if (::CreateDirectoryA(folder.c_str(), security)) return Done();
    return ReportDirectoryError();
}

// Reports the copy into destination, makes it with copy, and turns a failure into the copy error
// with the system's reason.
StepResult ReportedCopy(ProgressReport& progress, const std::string& destination, const std::function<bool()>& copy) {
    progress.ShowProgress("Copying File '" + destination + "'" + "...");
    if (copy()) {
        Log().CountCopy();
        return Done();
    }
    std::string reason = platform::LastErrorMessage();
    Log().Line("Not copied: " + destination + ": " + reason);
    return Failed("File copy error: " + reason);
}

// Keeps what stands at path aside first where the context keeps an upgrade's way back.
StepResult KeepPrevious(const InstallContext& context, const std::string& path) {
    return context.Keeper ? context.Keeper->KeepAside(path) : Done();
}

}  // namespace

void ForEachImage(const std::string& folder, const std::function<void(const std::string& name)>& visit) {
    platform::ForEachFile(folder, kImagePattern, platform::kAnyFileMask, [&](const std::string& name) {
        if (platform::HasExtension(name, ".gif")) visit(name);
    });
}

DWORD InstalledSizeKb(ProgressReport& progress, const InstallContext& context) {
    const std::string& destination = context.DestinationFolder;
    unsigned long long bytes = 0;
    // Thousands of images take a while to look up: the windows answer meanwhile.
    auto add = [&bytes, &progress](const std::string& path) {
        progress.KeepAlive();
        WIN32_FILE_ATTRIBUTE_DATA data{};
        if (::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
            bytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    };
    for (const char* name : ProgramFiles) add(destination + name);
    for (const char* name : HtmlFiles) add(destination + kHtmlFolder + name);
    const std::string images = destination + kHtmlFolder + kImagesFolder;
    ForEachImage(images, [&](const std::string& name) { add(images + name); });
    add(destination + context.ProgramFileName);
    if (!context.SystemFolder.empty()) add(context.SystemFolder + kAppletName);
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

StepResult ReportDirectoryError() { return Failed("Directory could not be created: " + platform::LastErrorMessage()); }

StepResult CreateFolders(const InstallContext& context) {
    const std::string& destination = context.DestinationFolder;
    // A folder that is there keeps its access list: it may be one the user chose for a reason.
    platform::SecurityAttributes security(platform::kInstallationFolder);
    StepResult result = CreateFolderAndParents(destination, security.Get());
    if (result.done) result = CreateFolderIfMissing(destination + kHtmlFolder);
    if (result.done) result = CreateFolderIfMissing(destination + kHtmlFolder + kImagesFolder);
    return result;
}

StepResult CopyOneFile(ProgressReport& progress, const std::string& name, const std::string& sourceFolder,
                       const std::string& destinationFolder) {
    const std::string destination = destinationFolder + name;
    const std::string source = sourceFolder + name;
    // From or to a network share each block may take as long as the network does.
    const bool remote = platform::IsNetworkPath(source) || platform::IsNetworkPath(destination);
    return ReportedCopy(progress, destination, [&] {
        return platform::RunCall(remote ? progress.Runner() : platform::CallRunner(), "CopyFile " + source,
                                 [&] { return ::CopyFileA(source.c_str(), destination.c_str(), FALSE) != 0; });
    });
}

StepResult CopyUnpackedFile(ProgressReport& progress, const InstallContext& context, const std::string& name,
                            const std::string& destinationFolder) {
    if (StepResult kept = KeepPrevious(context, destinationFolder + name); !kept.done) return kept;
    if (!context.Unpacked) return CopyOneFile(progress, name, context.ExtractFolder, destinationFolder);
    const std::string destination = destinationFolder + name;
    return ReportedCopy(progress, destination, [&] {
        HANDLE source = context.Unpacked->Find(name);
        if (source)
            return platform::CopyOpenFile(source, destination, [&progress] { progress.KeepAlive(); },
                                          progress.Runner());
        ::SetLastError(ERROR_FILE_NOT_FOUND);  // as a copy of a file the archive lacked says
        return false;
    });
}

StepResult CopyImages(ProgressReport& progress, const InstallContext& context) {
    std::string imagesFolder = context.DestinationFolder + kHtmlFolder + kImagesFolder;
    StepResult result = Done();
    ForEachImage(context.ExtractFolder, [&](const std::string& name) {
        // An image put into the folder beside the unpacked ones did not come from the archive.
        if (context.Unpacked && !context.Unpacked->Find(name)) return;
        if (result.done) result = CopyUnpackedFile(progress, context, name, imagesFolder);
    });
    return result;
}

StepResult CopyAllFiles(ProgressReport& progress, const InstallContext& context) {
    const std::string& destination = context.DestinationFolder;
    // After the first failure nothing more is copied.
    StepResult result = Done();
    auto copy = [&](const std::string& name, const std::string& to) {
        if (result.done) result = CopyUnpackedFile(progress, context, name, to);
    };
    for (const char* name : ProgramFiles) copy(name, destination);
    for (const char* name : HtmlFiles) copy(name, destination + kHtmlFolder);
    if (result.done) result = CopyImages(progress, context);
    // The running program is not moved away from under itself: copying it onto itself fails.
    const std::string ownCopy = destination + context.ProgramFileName;
    if (result.done && _stricmp(ownCopy.c_str(), (context.ProgramFolder + context.ProgramFileName).c_str()) != 0)
        result = KeepPrevious(context, ownCopy);
    // The copy that the uninstall entry starts with "/UNINSTALL".
    if (result.done) result = CopyOneFile(progress, context.ProgramFileName, context.ProgramFolder, destination);
    copy(kAppletName, context.SystemFolder);
    return result;
}

}  // namespace setup
