#pragma once
// Plain file copies that read from a file this process holds open, so that no path lookup
// stands between what was checked and what is copied.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "platform/BlockingCall.h"

namespace platform {

// Called after each block of a long read or copy, so that a caller with windows can let them
// answer in the middle of a large file. It may throw to stop the work: what was half-written is
// then removed before the exception goes on.
using BetweenBlocks = std::function<void()>;

// From this size on, closing or deleting a file may hold the caller for long (the system gives
// back its blocks, or writes it back first), so such calls go through a caller's runner.
constexpr uint64_t kLargeFileBytes = 8ull * 1024 * 1024;

// True for a path on a network share (\\server\share, or a drive the system maps to one): each
// of its blocks may take as long as the network does. A drive's kind is asked once a run.
bool IsNetworkPath(const std::string& path);

// Writes all of data; false (with the system's last error) when the file takes less.
bool WriteAll(HANDLE file, const char* data, size_t size);

// Copies the whole of source, read from its start through the handle, over destination as the
// system's plain copy does: an existing file is replaced (a read-only, hidden or busy one is
// refused), the copy gets the source's attributes and (where the file system keeps it) time
// of last change, and a copy that fails part-way is removed. False with the system's last
// error when it fails. Through blocking go the calls that may hold the caller for long: the
// closing of a large copy, and on a network destination its opening and every block written.
bool CopyOpenFile(HANDLE source, const std::string& destination, const BetweenBlocks& between = {},
                  const CallRunner& blocking = {});

}  // namespace platform
