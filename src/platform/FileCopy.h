#pragma once
// Plain file copies that read from a file this process holds open, so that no path lookup
// stands between what was checked and what is copied.
#include <windows.h>

#include <functional>
#include <string>

namespace platform {

// Called after each block of a long read or copy, so that a caller with windows can let them
// answer in the middle of a large file. It may throw to stop the work: what was half-written is
// then removed before the exception goes on.
using BetweenBlocks = std::function<void()>;

// Writes all of data; false (with the system's last error) when the file takes less.
bool WriteAll(HANDLE file, const char* data, size_t size);

// Copies the whole of source, read from its start through the handle, over destination as the
// system's plain copy does: an existing file is replaced (a read-only, hidden or busy one is
// refused), the copy gets the source's attributes and (where the file system keeps it) time
// of last change, and a copy that fails part-way is removed. False with the system's last
// error when it fails.
bool CopyOpenFile(HANDLE source, const std::string& destination, const BetweenBlocks& between = {});

}  // namespace platform
