#include "platform/FileSearch.h"

#include <cstring>

#include "platform/ScopedHandle.h"

namespace platform {

namespace {
constexpr DWORD kVolumeLabel = 8;
constexpr DWORD kExclusiveAttributes =
    FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | kVolumeLabel | FILE_ATTRIBUTE_DIRECTORY;
}  // namespace

bool MatchesAttributeMask(DWORD attributes, DWORD mask) {
    return (attributes & kExclusiveAttributes & ~mask) == 0;
}

void ForEachEntry(const std::string& folder, const std::string& pattern,
                  const std::function<void(const WIN32_FIND_DATAA& entry)>& visit) {
    WIN32_FIND_DATAA entry{};
    ScopedFind find(::FindFirstFileA((folder + pattern).c_str(), &entry));
    if (!find) return;
    do {
        if (std::strcmp(entry.cFileName, ".") != 0 && std::strcmp(entry.cFileName, "..") != 0) visit(entry);
    } while (::FindNextFileA(find.Get(), &entry));
}

void ForEachFile(const std::string& folder, const std::string& pattern, DWORD mask,
                 const std::function<void(const std::string& name)>& visit) {
    ForEachEntry(folder, pattern, [&](const WIN32_FIND_DATAA& entry) {
        if (MatchesAttributeMask(entry.dwFileAttributes, mask)) visit(entry.cFileName);
    });
}

}  // namespace platform
