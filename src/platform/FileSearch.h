#pragma once
// File search with an attribute filter: the entries of a folder that match a pattern, in the
// order the file system lists them, keeping only those whose special attributes the mask admits.
#include <windows.h>

#include <functional>
#include <string>

namespace platform {

// Read-only (1), hidden (2), system (4) and archive (32): files of any attributes, no folders
// and no volume labels.
constexpr DWORD kAnyFileMask = 39;

// True when an entry with these attributes passes the mask. Only the hidden, system,
// volume-label and folder attributes exclude an entry; each must be admitted by the mask.
bool MatchesAttributeMask(DWORD attributes, DWORD mask);

// Calls visit(entry) for each entry of folder + pattern, folders included but "." and "..", in
// the order the file system lists them. folder ends in a backslash. visit may throw (the
// search is closed on the way out).
void ForEachEntry(const std::string& folder, const std::string& pattern,
                  const std::function<void(const WIN32_FIND_DATAA& entry)>& visit);

// Calls visit(name) for each entry of folder + pattern that passes the mask. folder ends in a
// backslash. visit may throw (the search is closed on the way out).
void ForEachFile(const std::string& folder, const std::string& pattern, DWORD mask,
                 const std::function<void(const std::string& name)>& visit);

}  // namespace platform
