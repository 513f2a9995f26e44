#include "platform/FileCopy.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <vector>

#include "platform/ScopeExit.h"
#include "platform/ScopedHandle.h"

namespace platform {

namespace {

// The same bound as the extraction's: large files move in few calls, small ones allocate only
// their own size.
constexpr DWORD kCopyBlock = 1024 * 1024;

constexpr DWORD kCopiedAttributes =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;

bool CopyData(HANDLE source, HANDLE target, DWORD sizeHint, const BetweenBlocks& between, const CallRunner& writes) {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(source, start, nullptr, FILE_BEGIN)) return false;
    std::vector<char> block(std::clamp<DWORD>(sizeHint, 1, kCopyBlock));
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(source, block.data(), static_cast<DWORD>(block.size()), &got, nullptr)) return false;
        if (got == 0) return true;
        if (!RunCall(writes, "WriteFile", [&] { return WriteAll(target, block.data(), got); })) return false;
        if (between) between();
    }
}

}  // namespace

bool IsNetworkPath(const std::string& path) {
    auto slash = [&](size_t at) { return at < path.size() && (path[at] == '\\' || path[at] == '/'); };
    if (slash(0) && slash(1)) {
        // \\?\C:\ and \\.\ name local things; \\?\UNC\ is a share again.
        bool prefixed = path.size() >= 4 && (path[2] == '?' || path[2] == '.') && slash(3);
        return !prefixed || _strnicmp(path.c_str() + 4, "UNC", 3) == 0;
    }
    if (path.size() < 2 || path[1] != ':') return false;
    const char letter = static_cast<char>(path[0] & ~0x20);
    if (letter < 'A' || letter > 'Z') return false;
    // GetDriveTypeA takes half a millisecond under Wine, and this is asked for every file the
    // install copies; a drive letter does not change its kind while the setup copies.
    static std::array<std::atomic<unsigned char>, 26> kinds{};  // 0 not asked, 1 local, 2 remote
    std::atomic<unsigned char>& kind = kinds[static_cast<size_t>(letter - 'A')];
    if (kind.load() == 0) {
        const char root[] = {letter, ':', '\\', '\0'};
        kind.store(::GetDriveTypeA(root) == DRIVE_REMOTE ? 2 : 1);
    }
    return kind.load() == 2;
}

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, static_cast<DWORD>(std::min<size_t>(size, kCopyBlock)), &written, nullptr))
            return false;
        if (written == 0) {
            ::SetLastError(ERROR_WRITE_FAULT);
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

bool CopyOpenFile(HANDLE source, const std::string& destination, const BetweenBlocks& between,
                  const CallRunner& blocking) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(source, &info)) return false;
    DWORD attributes = info.dwFileAttributes & kCopiedAttributes;
    const DWORD flags = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
    // Made as a new file where none stands: a file replaced by truncation is written back whole
    // when it is closed on some file systems (ext4 under Wine: about 0.4 s per GB, with nothing
    // answered meanwhile). An existing one is replaced as the plain copy replaces it.
    const CallRunner remote = IsNetworkPath(destination) ? blocking : CallRunner();
    ScopedFile target;
    RunCall(remote, "CreateFile " + destination, [&] {
        target.Reset(::CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, flags, nullptr));
        if (!target && ::GetLastError() == ERROR_FILE_EXISTS)
            target.Reset(::CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, flags, nullptr));
        return target.IsValid();
    });
    if (!target) return false;
    // A half-written file must not stand in for the one it replaced, whether the copy failed or
    // was stopped; the copy's error is the one reported.
    bool whole = false;
    ScopeExit removeHalfWritten([&] {
        if (whole) return;
        const DWORD error = ::GetLastError();
        target.Close();
        ::DeleteFileA(destination.c_str());
        ::SetLastError(error);
    });
    DWORD sizeHint = info.nFileSizeHigh != 0 ? kCopyBlock : info.nFileSizeLow;
    if (!CopyData(source, target.Get(), sizeHint, between, remote)) return false;
    // A file system that keeps no such time (or refuses it) still gets the whole file.
    ::SetFileTime(target.Get(), nullptr, nullptr, &info.ftLastWriteTime);
    whole = true;
    const uint64_t size = static_cast<uint64_t>(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
    if (remote || size >= kLargeFileBytes) {
        // The copy is whole; a close that reports a late write error still fails it (and removes it).
        whole = RunCall(blocking, "CloseHandle " + destination, [&] { return ::CloseHandle(target.Release()) != 0; });
        return whole;
    }
    return true;
}

}  // namespace platform
