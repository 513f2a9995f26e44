#include "ScratchFolder.h"

#include <windows.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/FileSearch.h"

namespace testing_support {

ScratchFolder::ScratchFolder(const std::string& hint) {
    static std::atomic<unsigned> counter{0};
    char temp[MAX_PATH] = {};
    DWORD length = ::GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no TEMP folder");
    std::ostringstream name;
    name << temp << "vorna-" << hint << '-' << ::GetCurrentProcessId() << '-' << counter++ << '\\';
    path_ = name.str();
    DeleteTree(path_);
    if (!::CreateDirectoryA(path_.c_str(), nullptr)) throw std::runtime_error("cannot create " + path_);
}

ScratchFolder::~ScratchFolder() { DeleteTree(path_); }

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void DeleteTree(const std::string& folder) {
    std::string base = folder;
    if (!base.empty() && base.back() != '\\') base += '\\';
    platform::ForEachEntry(base, "*", [&](const WIN32_FIND_DATAA& entry) {
        std::string full = base + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(full);
        } else {
            ::SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(full.c_str());
        }
    });
    ::RemoveDirectoryA(base.c_str());
}

}  // namespace testing_support
