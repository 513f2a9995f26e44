#pragma once
// Helpers shared by the install-side tests: a progress recorder, the machine's pending-rename
// list kept safe across a test, files of a folder, and shell links read back.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "RecordingProgress.h"
#include "platform/ScopedHandle.h"

namespace install_tests {

using testing_support::RecordingProgress;

// Snapshots HKLM "...\Session Manager" "PendingFileRenameOperations" through a handle opened
// at construction (so a later registry redirection does not hide the real key) and puts the
// value back as it was when destroyed. Create it before any ScratchRegistry.
class PendingRenamesGuard {
public:
    PendingRenamesGuard();
    ~PendingRenamesGuard();
    PendingRenamesGuard(const PendingRenamesGuard&) = delete;
    PendingRenamesGuard& operator=(const PendingRenamesGuard&) = delete;

    // The value's raw bytes now, or nothing when it is missing.
    std::optional<std::string> Current() const;

private:
    platform::ScopedRegKey key_;
    std::optional<std::string> saved_;
};

// Names of the entries directly in a folder (files and subfolders, not "." and ".."), sorted.
std::vector<std::string> FolderEntries(const std::string& folder);

// Keeps a file's bytes (or its absence) and puts them back when destroyed.
class FileRestorer {
public:
    explicit FileRestorer(std::string path);
    ~FileRestorer();
    FileRestorer(const FileRestorer&) = delete;
    FileRestorer& operator=(const FileRestorer&) = delete;

private:
    std::string path_;
    std::optional<std::string> saved_;
};

struct LinkInfo {
    std::string target;
    std::string description;
};
// Loads a .lnk file through the shell's link object; nothing when it cannot be loaded.
std::optional<LinkInfo> ReadShortcut(const std::string& linkFile);

}  // namespace install_tests
