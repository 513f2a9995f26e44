#include "archive/DataUnit.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"

namespace archive {

namespace {

// The system maps these names to devices whatever the folder, and ignores an extension and
// spaces before it ("nul .txt" is the null device too).
bool IsDeviceName(const std::string& name) {
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
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
    ArchiveReader(HANDLE file, size_t bufferSize) : file_(file), buffer_(bufferSize) {}

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

private:
    void Refill() {
        begin_ = end_ = 0;
        DWORD got = 0;
        if (::ReadFile(file_, buffer_.data(), static_cast<DWORD>(buffer_.size()), &got, nullptr)) end_ = got;
    }

    HANDLE file_;
    std::vector<char> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

bool WriteAll(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) || written == 0) return false;
        data += written;
        size -= written;
    }
    return true;
}

// Unpacks the member at the archive's read position. False when it could not be written in
// full: unpacking stops there. A header that is cut short, carries a negative size or an unsafe
// name, or whose path would not fit a short text writes nothing at all.
// On success the member's whole length is added to position.
bool ExtractMember(ArchiveReader& reader, const std::string& targetFolder, int64_t& position) {
    char header[kHeaderSize];
    if (!reader.ReadExactly(header, kHeaderSize)) return false;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(header);
    std::string name(header + 1, bytes[0]);
    int32_t size = static_cast<int32_t>(static_cast<uint32_t>(bytes[256]) | static_cast<uint32_t>(bytes[257]) << 8 |
                                        static_cast<uint32_t>(bytes[258]) << 16 |
                                        static_cast<uint32_t>(bytes[259]) << 24);
    if (size < 0 || !IsSafeMemberName(name)) return false;
    // A cut path would write a file of another name, possibly an earlier member's.
    std::string path = targetFolder + name;
    if (path.size() > platform::kShortTextMax) return false;

    platform::ScopedFile member(::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!member) return false;
    size_t remaining = static_cast<size_t>(size);
    while (remaining > 0) {
        auto [data, count] = reader.Peek(remaining);
        if (count == 0) return false;  // the archive ended inside the member
        if (!WriteAll(member.Get(), data, count)) return false;
        reader.Consume(count);
        remaining -= count;
    }
    position += static_cast<int64_t>(kHeaderSize) + size;
    return true;
}

}  // namespace

bool IsSafeMemberName(const std::string& name) {
    if (name.empty() || name.size() > kNameFieldSize) return false;
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 32 || std::strchr("\\/:*?\"<>|", c) != nullptr) return false;
    }
    // Also rules out "." and "..".
    if (name.back() == '.' || name.back() == ' ') return false;
    return !IsDeviceName(name);
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder) {
    return ExtractArchive(archivePath, targetFolder, kCopyBufferSize);
}

bool ExtractArchive(const std::string& archivePath, const std::string& targetFolder, size_t copyBufferSize) {
    // Paths are short texts. Cutting a longer one would open another file, or lose the folder's
    // backslash so that members land beside the folder: such paths are refused instead.
    if (archivePath.size() > platform::kShortTextMax || targetFolder.size() > platform::kShortTextMax)
        return false;
    if (targetFolder.empty() || targetFolder.back() != '\\') return false;
    if (!platform::FolderExists(targetFolder) && !::CreateDirectoryA(targetFolder.c_str(), nullptr)) return false;

    platform::ScopedFile archive(::CreateFileA(archivePath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!archive) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(archive.Get(), &size)) return false;

    ArchiveReader reader(archive.Get(), std::clamp<size_t>(copyBufferSize, 4096, 64 * 1024 * 1024));
    int64_t position = 0;
    while (position < size.QuadPart) {
        if (!ExtractMember(reader, targetFolder, position)) break;
    }
    return true;
}

void RemoveFolder(const std::string& folder) {
    // An empty or cut text would clear the current folder or another one.
    if (folder.empty() || folder.size() > platform::kShortTextMax || folder.back() != '\\') return;
    platform::ForEachFile(folder, "*.*", platform::kAnyFileMask,
                          [&](const std::string& name) { ::DeleteFileA((folder + name).c_str()); });
    ::RemoveDirectoryA(folder.c_str());
}

}  // namespace archive
