#include "archive/DataUnit.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "archive/PayloadDigest.h"
#include "platform/FileCopy.h"
#include "platform/FileSearch.h"
#include "platform/Paths.h"
#include "platform/ScopeExit.h"
#include "platform/ScopedHandle.h"
#include "platform/Security.h"
#include "platform/SystemInfo.h"

namespace archive {

namespace {

// The system maps these names to devices whatever the folder, and ignores an extension and
// spaces before it ("nul .txt" is the null device too).
bool IsDeviceName(const std::string& name) {
    std::string base;
    bool ended = false;
    platform::ForEachCharacter(name, [&](std::string_view character) {
        ended = ended || character == ".";
        if (!ended) base += character;
    });
    while (platform::LastCharacter(base) == " ") base.pop_back();
    base = platform::UpperCaseAscii(base);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    if (base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0)) {
        unsigned char digit = static_cast<unsigned char>(base[3]);
        // Superscript one, two and three of the ANSI code page count as digits here.
        return (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    }
    return false;
}

// Reads the archive through one bounded buffer. Small members are served from the buffer
// (one read of the archive covers many of them); data is written to member files straight
// from the buffer, without a second copy.
class ArchiveReader {
public:
    ArchiveReader(HANDLE file, size_t bufferSize, const platform::CallRunner& reads)
        : file_(file), buffer_(bufferSize), reads_(reads) {}

    // Up to maxBytes of the next bytes, refilling the buffer when it is used up; an empty
    // result means the archive has ended (or cannot be read further).
    std::pair<const char*, size_t> Peek(size_t maxBytes) {
        if (begin_ == end_) Refill();
        return {buffer_.data() + begin_, std::min(maxBytes, end_ - begin_)};
    }
    void Consume(size_t count) { begin_ += count; }

    // Copies exactly size bytes into target; false when the archive ends first.
    bool ReadExactly(char* target, size_t size) {
        while (size > 0) {
            auto [data, count] = Peek(size);
            if (count == 0) return false;
            std::memcpy(target, data, count);
            Consume(count);
            target += count;
            size -= count;
        }
        return true;
    }

    // The offset in the archive of the next byte.
    int64_t Position() const { return bufferStart_ + static_cast<int64_t>(begin_); }
private:
    void Refill() {
        bufferStart_ += static_cast<int64_t>(end_);
        begin_ = end_ = 0;
        DWORD got = 0;
        if (platform::RunCall(reads_, "ReadFile Setup.Dat", [&] {
                return ::ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr) != 0;
            }))
            end_ = got;
    }

    HANDLE file_;
    std::vector<char> buffer_;
    const platform::CallRunner& reads_;
    int64_t bufferStart_ = 0;  // the archive offset of buffer_[0]
    size_t begin_ = 0;
    size_t end_ = 0;
};

// A junction or symbolic link (Wine shows a Unix symbolic link to a folder so, when the path
// has no trailing backslash).
bool IsLink(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Opens a folder (a link itself, not its target, where the system can) without sharing the
// right to delete: while this is open, the folder can be neither renamed nor removed, so its
// path keeps naming it.
platform::ScopedFile PinFolder(const std::string& path) {
    return platform::ScopedFile(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                              nullptr));
}

// Removes what is directly in folder: files, read-only ones too, and links (as links).
// Subfolders stay, so the folder cannot then be removed.
void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA entry{};
    platform::ScopedFind find(::FindFirstFileA((folder + "*").c_str(), &entry));
    if (!find) return;
    do {
        std::string name = entry.cFileName;
        if (name == "." || name == "..") continue;
        std::string path = folder + name;
        bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            directory ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str());
        } else if (!directory && !::DeleteFileA(path.c_str()) && (entry.dwFileAttributes & FILE_ATTRIBUTE_READONLY)) {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    } while (::FindNextFileA(find.Get(), &entry));
}

}  // namespace

// One run of ExtractArchive.
class Extraction {
public:
    Extraction(const std::string& targetFolder, ExtractedFiles& held, const platform::BetweenBlocks& between)
        : folder_(targetFolder), held_(held), between_(between) {}

    // Makes the folder anew: what stood at its path (a link, a folder left by an earlier run
    // or planted) goes first, and the new folder is pinned and checked to be no link.
    bool ProvideFolder() {
        const std::string path = platform::WithoutTrailingBackslash(folder_);
        DWORD attributes = ::GetFileAttributesA(path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            bool directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // The link only; where the system cannot remove it, the extraction fails.
                if (!(directory ? ::RemoveDirectoryA(path.c_str()) : ::DeleteFileA(path.c_str()))) return false;
            } else if (!directory) {
                return false;  // a file of that name is not this run's to delete
            } else {
                {
                    platform::ScopedFile old = PinFolder(path);
                    if (!old || IsLink(path)) return false;
                    EmptyFolder(folder_);
                }
                if (!::RemoveDirectoryA(path.c_str())) return false;
            }
        }
        platform::SecurityAttributes security(platform::kAdministratorsOnlyFolder);
        if (!::CreateDirectoryA(path.c_str(), security.Get())) return false;
        held_.folder_ = PinFolder(path);
        return held_.folder_ && !IsLink(path);
    }

    // Unpacks the member at the archive's read position and holds its file. False when it
    // could not be read or written whole. A header that is cut short, carries a negative size or
    // an unsafe name, or whose path would not fit a short text writes nothing at all.
    bool ExtractMember(ArchiveReader& reader) {
        char header[kHeaderSize];
        if (!reader.ReadExactly(header, kHeaderSize)) return false;
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(header);
        std::string name(header + 1, bytes[0]);
        int32_t size = static_cast<int32_t>(static_cast<uint32_t>(bytes[256]) | static_cast<uint32_t>(bytes[257]) << 8 |
                                            static_cast<uint32_t>(bytes[258]) << 16 |
                                            static_cast<uint32_t>(bytes[259]) << 24);
        if (size < 0 || !IsSafeMemberName(name)) return false;
        // A cut path would write a file of another name, possibly an earlier member's.
        std::string path = folder_ + name;
        if (path.size() > platform::kShortTextMax) return false;

        // A later member of the same name replaces the earlier one.
        std::string key = platform::UpperCaseAscii(name);
        if (held_.files_.erase(key) != 0) ::DeleteFileA(path.c_str());
        // Made new, for reading and writing, and shared with no one until released: nothing
        // else can open it between its first byte and its copy into place. Whatever already
        // has its name in this run's folder was put there by someone else and is refused.
        platform::ScopedFile file(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) return false;
        // A member that is not written whole, or whose writing is stopped, leaves no file.
        platform::ScopeExit removePartial([&] {
            if (!file) return;
            file.Close();
            ::DeleteFileA(path.c_str());
        });
        if (!WriteMember(reader, file.Get(), static_cast<size_t>(size))) return false;
        held_.files_.emplace(key, std::move(file));
        return true;
    }

private:
    bool WriteMember(ArchiveReader& reader, HANDLE member, size_t size) {
        while (size > 0) {
            auto [data, count] = reader.Peek(size);
            if (count == 0) return false;  // the archive ended inside the member
            if (!platform::WriteAll(member, data, count)) return false;
            reader.Consume(count);
            size -= count;
            if (between_) between_();
        }
        return true;
    }

    std::string folder_;
    ExtractedFiles& held_;
    const platform::BetweenBlocks& between_;
};

bool IsSafeMemberName(const std::string& name) {
    if (name.empty() || name.size() > kNameFieldSize) return false;
    // By character: the second byte of a double-byte one may be a backslash's or a bar's.
    bool plain = true;
    platform::ForEachCharacter(name, [&](std::string_view character) {
        const unsigned char c = static_cast<unsigned char>(character[0]);
        if (character.size() == 1 && (c < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr)) plain = false;
    });
    // Also rules out "." and "..".
    const std::string_view last = platform::LastCharacter(name);
    if (!plain || last == "." || last == " ") return false;
    return !IsDeviceName(name);
}

HANDLE ExtractedFiles::Find(const std::string& name) const {
    auto held = files_.find(platform::UpperCaseAscii(name));
    return held == files_.end() ? nullptr : held->second.Get();
}

void ExtractedFiles::Release(const platform::CallRunner& blocking) {
    platform::RunCall(blocking, "CloseHandle of the unpacked files", [this] {
        files_.clear();
        folder_.Close();
        return true;
    });
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder) {
    ExtractedFiles held;
    return ExtractArchive(archivePath, targetFolder, held);
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, ExtractedFiles& held,
                    size_t copyBufferSize, const platform::BetweenBlocks& between,
                    const platform::CallRunner& blocking) {
    held.Release();
    // Paths are short texts. Cutting a longer one would open another file, or lose the folder's
    // backslash so that members land beside the folder: such paths are refused instead.
    if (archivePath.size() > platform::kShortTextMax || targetFolder.size() > platform::kShortTextMax)
        return false;
    if (targetFolder.size() < 2 || !platform::EndsInBackslash(targetFolder)) return false;
    // Opened unshared before anything is written: a release's archive is checked on the very
    // handle its members are then read from, and one that is not the released archive leaves
    // no folder behind.
    const platform::CallRunner reads = platform::IsNetworkPath(archivePath) ? blocking : platform::CallRunner();
    platform::ScopedFile archive;
    platform::RunCall(reads, "CreateFile " + archivePath, [&] {
        archive.Reset(::CreateFileA(archivePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return archive.IsValid();
    });
    if (archive && !ArchiveMatchesEmbeddedDigest(archive.Get(), between, reads)) return false;
    Extraction extraction(targetFolder, held, between);
    if (!extraction.ProvideFolder()) return false;
    if (!archive) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(archive.Get(), &size)) return false;

    ArchiveReader reader(archive.Get(), std::clamp<size_t>(copyBufferSize, 4096, 64 * 1024 * 1024), reads);
    while (reader.Position() < size.QuadPart) {
        if (!extraction.ExtractMember(reader)) return false;
    }
    return true;
}

void RemoveFolder(const std::string& folder, const platform::BetweenBlocks& between,
                  const platform::CallRunner& blocking) {
    // An empty or cut text would clear the current folder or another one.
    if (folder.size() < 2 || folder.size() > platform::kShortTextMax || !platform::EndsInBackslash(folder)) return;
    const std::string path = platform::WithoutTrailingBackslash(folder);
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        ::RemoveDirectoryA(path.c_str());  // the link, never what it points at
        return;
    }
    {
        platform::ScopedFile pinned = PinFolder(path);
        if (!pinned || IsLink(path)) return;
        auto deleteFiles = [&](const platform::BetweenBlocks& afterEach) {
            platform::ForEachFile(folder, "*.*", platform::kAnyFileMask, [&](const std::string& name) {
                ::DeleteFileA((folder + name).c_str());
                if (afterEach) afterEach();
            });
            return true;
        };
        if (blocking)
            blocking("DeleteFile of the files in " + folder, [&] { return deleteFiles({}); });
        else
            deleteFiles(between);
    }
    ::RemoveDirectoryA(path.c_str());
}

}  // namespace archive
