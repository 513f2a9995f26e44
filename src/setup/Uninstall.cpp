#include "setup/Uninstall.h"

#include "archive/DataUnit.h"
#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "platform/SystemPaths.h"
#include "platform/SystemUi.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/RunLog.h"
#include "setup/ServiceControl.h"
#include "setup/Shortcuts.h"
#include "setup/Upgrade.h"

namespace setup {
namespace {

const char kRemovedMessage[] =
    "The program has been removed. The uninstall process will be finished the next time Windows restart.";

bool IsSectionHeader(const std::string& line) {
    size_t first = line.find_first_not_of(" \t");
    return first != std::string::npos && line[first] == '[';
}

bool IsRenameHeader(const std::string& line) {
    // A header opens its line; a value that merely holds "[Rename]" (a path, say) is no header.
    if (!IsSectionHeader(line)) return false;
    size_t open = line.find('[');
    size_t close = line.find(']');
    if (close == std::string::npos || close < open) return false;
    std::string name = line.substr(open + 1, close - open - 1);
    return _stricmp(name.c_str(), "Rename") == 0;
}

// The whole file; false when it exists but cannot be read (a missing file reads as empty).
bool ReadWholeFile(const std::string& path, std::string& content) {
    content.clear();
    platform::ScopedFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr)) return false;
        if (got == 0) return true;
        content.append(buffer, got);
    }
}

// Creates or replaces the file with exactly text; false when it could not be written in full.
bool WriteWholeFile(const std::string& path, const std::string& text) {
    platform::ScopedFile file(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && platform::WriteAll(file.Get(), text.data(), text.size());
}

}  // namespace

std::string WithRenameEntry(const std::string& wininit, const std::string& path) {
    std::string entry = "NUL=" + path + "\r\n";
    // Split into lines, keeping each line's own ending.
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < wininit.size()) {
        size_t end = wininit.find('\n', start);
        end = end == std::string::npos ? wininit.size() : end + 1;
        lines.push_back(wininit.substr(start, end - start));
        start = end;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        if (!IsRenameHeader(lines[i])) continue;
        size_t insertAt = i + 1;
        while (insertAt < lines.size() && !IsSectionHeader(lines[insertAt])) ++insertAt;
        // Behind the section's last entry, not behind blank lines that close it.
        while (insertAt > i + 1 && lines[insertAt - 1].find_first_not_of(" \t\r\n") == std::string::npos) --insertAt;
        if (insertAt > 0 && !lines[insertAt - 1].empty() && lines[insertAt - 1].back() != '\n')
            lines[insertAt - 1] += "\r\n";
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
        std::string result;
        for (const std::string& line : lines) result += line;
        return result;
    }
    std::string result = wininit;
    if (!result.empty() && result.back() != '\n') result += "\r\n";
    return result + "[Rename]\r\n" + entry;
}

bool ScheduleDeletionAtRestart(const std::string& path) {
    if (platform::IsWindowsNT()) return ::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
    const platform::AnsiPath windowsFolder = platform::WindowsFolderPath();
    if (windowsFolder.path.empty() || windowsFolder.path.size() >= 255 || windowsFolder.form == platform::PathForm::Lost)
        return false;
    std::string wininit = platform::WithTrailingBackslash(windowsFolder.path) + "wininit.ini";
    // The profile API would replace another program's pending "NUL=" entry; the file allows
    // the key many times, so the own entry is added beside the others instead. The new text
    // goes to a side file first so that a failed write never leaves a half file behind.
    // A file that is there but cannot be read is not replaced: its entries would be lost.
    std::string existing;
    if (!ReadWholeFile(wininit, existing)) return false;
    std::string text = WithRenameEntry(existing, path);
    std::string side = wininit + ".new";
    if (WriteWholeFile(side, text) && ::MoveFileExA(side.c_str(), wininit.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    ::DeleteFileA(side.c_str());
    return false;
}

void DeleteImages(const std::string& folder) {
    std::string images = folder + kHtmlFolder + kImagesFolder;
    ForEachImage(images, [&](const std::string& name) {
        ::DeleteFileA((images + name).c_str());  // a read-only image stays
    });
}

void DeleteShortcuts(registry::TAdvancedRegistry& shellFolders) {
    const std::string group = FindGroupFolder(shellFolders);
    if (group.empty()) return;
    for (const char* name : ShortcutNames) ::DeleteFileA((group + name + ".lnk").c_str());
    ::RemoveDirectoryA(group.c_str());  // only when nothing else is left in it
}

namespace {

// The installed files, looked for in the folder of the running program, and the applet. A file
// that is there but cannot be deleted is logged, and scheduled when atRestart says so.
void DeleteFiles(const std::string& programFolder, const std::string& systemFolder, bool atRestart) {
    int removed = 0;
    auto remove = [&](const std::string& path) {
        if (::DeleteFileA(path.c_str())) {
            ++removed;
            return;
        }
        std::string reason = platform::LastErrorMessage();
        if (!platform::FileExists(path)) return;
        Log().Line("Not removed: " + path + ": " + reason);
        if (atRestart && ScheduleDeletionAtRestart(path)) {
            Log().Line("Removed at the next restart: " + path);
            Log().AwaitRestart();
        }
    };
    for (const char* name : ProgramFiles) remove(programFolder + name);
    for (const char* name : HtmlFiles) remove(programFolder + kHtmlFolder + name);
    DeleteImages(programFolder);
    remove(systemFolder + kAppletName);
    Log().Line("Files removed: " + std::to_string(removed));
}

}  // namespace

StepResult RemoveInstallation(InstallContext& context) {
    // Only a service error stops the uninstall; every removal after it is silent.
    auto silently = [](auto work) {
        return [work] {
            work();
            return Done();
        };
    };
    return RunSteps({
        // A version an upgrade cut short replaced is put back first, so that it is what goes.
        {"RecoverKilledUpgrade", silently([&] { RecoverKilledUpgrade(context); })},
        // The servers hold their programs open, so they go first.
        {"StopAndClearServices", [] { return StopAndClearServices(); }},
        {"DeleteFiles", silently([&] {
             DeleteFiles(context.ProgramFolder, context.SystemFolder, context.RemoveStayingFilesAtRestart);
         })},
        // The running program cannot delete its own file; the next restart does.
        {"ScheduleDeletionAtRestart",
         silently([&] { ScheduleDeletionAtRestart(context.ProgramFolder + context.ProgramFileName); })},
        // What a killed install left unpacked.
        {"RemoveUnpackedPayload", silently([] { archive::RemoveFolder(ChooseExtractFolder()); })},
        // The way to run the uninstall again goes last: an uninstall cut short before this point
        // is still listed and still has its shortcuts, and a second run finishes it.
        {"DeleteShortcuts", silently([&] { DeleteShortcuts(context.AdvancedRegistry); })},
        {"DeleteUninstallEntry", silently([&] {
             registry::TAdvancedRegistry& entry = context.AdvancedRegistryInstall;
             entry.DeleteKey(entry.RegistryArea + "\\" + entry.RegistrySection);
         })},
    });
}

void Uninstall(InstallContext& context) {
    EndSetup(RemoveInstallation(context), {kRemovedMessage, "Information", platform::kInformationBox});
}

}  // namespace setup
