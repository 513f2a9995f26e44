#pragma once
// A fresh folder under the Wine prefix's TEMP for one test, removed with everything in it.
#include <string>

namespace testing_support {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& hint = "t");
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder, with its trailing backslash.
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

// Writes bytes to a file (replacing it); reads a whole file (empty if missing).
void WriteFileBytes(const std::string& path, const std::string& bytes);
std::string ReadFileBytes(const std::string& path);
// Deletes a folder tree (files and subfolders); missing folders are fine.
void DeleteTree(const std::string& folder);

}  // namespace testing_support
