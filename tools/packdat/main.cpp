// packdat <output Setup.Dat> <folder | file...>
// packdat --names
// packdat --texts
// packdat --embed-digest <Setup.exe> <Setup.Dat>
//
// Builds the setup's payload archive. Given one folder, it packs every file directly in it,
// sorted by name; given files, it packs each under its bare file name, in the order given.
// It refuses, before writing anything, a name the setup could not unpack under that very name
// (longer than 255 bytes, a folder part, a device name, ...), two files of the same name
// (the later would silently replace the earlier; names are compared as the file system folds
// case, Latin-1 letters too), a name that is another's short 8.3 alias (the two would be one
// file once unpacked: BACK~RO4.GIF beside BACKGROUND-IMAGE.GIF under Wine, BACKGR~1.GIF on
// Windows), subfolders of a packed folder, files over
// 2,147,483,647 bytes, and an output that would be packed into itself. The archive is written
// beside the output under a temporary name and renamed at the end, so a refusal or an error
// never leaves a partial output behind; an existing output is then left as it was.
//
// --names prints every file name the setup copies by name, one a line (the images go by
// "*.gif"), so that a release can check its payload folder against the setup's own tables.
// --texts prints what a release describes the product with, from the setup's own texts: one
// "name<TAB>value" a line (DisplayName, Publisher, DisplayVersion, ProductCode, Copyright, a
// Server line per server, a License line per line of the licence agreement).
// --embed-digest writes the SHA-256 of the archive into the program's digest block, in place:
// the program then unpacks that archive only. A release does this before signing.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/FileSearch.h"
#include "platform/Paths.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/ServiceControl.h"
#include "setup/Shortcuts.h"
#include "windows/LicenseText.h"

namespace {

constexpr int kRefused = 1;
constexpr int kUsage = 2;
constexpr int64_t kLargestMember = 2147483647;
constexpr DWORD kBufferSize = 1024 * 1024;

struct Input {
    std::string path;
    std::string name;
    int64_t size = 0;
};

struct Refusal {
    std::string message;
};

std::string FoldCase(std::string text) {
    ::CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

std::string FullPath(const std::string& path) {
    char buffer[MAX_PATH * 4];
    DWORD length = ::GetFullPathNameA(path.c_str(), sizeof(buffer), buffer, nullptr);
    if (length == 0 || length >= sizeof(buffer)) return path;
    return std::string(buffer, length);
}

// What follows the last backslash or slash, by character: the second byte of a double-byte
// character may be a backslash's.
std::string BareName(const std::string& path) {
    std::string name;
    platform::ForEachCharacter(path, [&](std::string_view character) {
        if (character == "\\" || character == "/")
            name.clear();
        else
            name += character;
    });
    return name;
}

int64_t FileSizeOf(const std::string& path) {
    platform::ScopedFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size))
        throw Refusal{"'" + path + "': " + platform::LastErrorMessage()};
    return size.QuadPart;
}

void CheckName(const Input& input) {
    if (input.name.size() > archive::kNameFieldSize)
        throw Refusal{"'" + input.path + "': the name is " + std::to_string(input.name.size()) +
                      " bytes long; a member name holds at most 255"};
    if (!archive::IsSafeMemberName(input.name))
        throw Refusal{"'" + input.path + "': '" + input.name +
                      "' is not a bare file name the setup can unpack (empty, a folder part, a drive or "
                      "stream, a device name, or a trailing dot or space)"};
}

// Characters no 8.3 name holds; in an alias they become '_'.
bool IsInvalidShortChar(wchar_t c) {
    return c < 0x20 || c > 0x7f || std::wstring_view(L"*?<>|\"+=,;[] ~.:\\/").find(c) != std::wstring_view::npos;
}

// A name that is its own 8.3 name: up to eight characters, optionally a dot and one to three more.
bool IsShortName(const std::wstring& name) {
    size_t dot = name.find(L'.');
    std::wstring base = name.substr(0, dot);
    std::wstring extension = dot == std::wstring::npos ? L"" : name.substr(dot + 1);
    if (base.empty() || base.size() > 8 || extension.size() > 3 || (dot != std::wstring::npos && extension.empty()))
        return false;
    // '~' stands in 8.3 names (the aliases have it) though an alias made of a long name replaces it.
    auto valid = [](const std::wstring& part) {
        return std::none_of(part.begin(), part.end(), [](wchar_t c) { return c != L'~' && IsInvalidShortChar(c); });
    };
    return valid(base) && valid(extension);
}

wchar_t ShortChar(wchar_t c) { return IsInvalidShortChar(c) ? L'_' : static_cast<wchar_t>(::towupper(c)); }

// The 8.3 aliases the file systems give a name that is not an 8.3 name itself, upper-cased:
// Wine's (four characters, '~' and three of a hash of the whole name) and the first four
// Windows gives (six characters and ~1 to ~4, which one depending on what the folder holds).
std::vector<std::string> ShortAliases(const std::string& name) {
    int length = ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, name.data(), static_cast<int>(name.size()), wide.data(), length);
    if (wide.empty() || IsShortName(wide)) return {};
    // The extension follows the last dot that is neither the first nor the last character.
    size_t dot = wide.find_last_of(L'.', wide.size() - 2);
    if (dot == 0) dot = std::wstring::npos;
    std::wstring extension;
    if (dot != std::wstring::npos)
        for (size_t i = dot + 1; i < wide.size() && extension.size() < 3; ++i) extension += ShortChar(wide[i]);
    std::wstring suffix = extension.empty() ? L"" : L"." + extension;

    std::wstring lower = wide;
    ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    uint16_t hash = 0xbeef;
    for (size_t i = 0; i + 1 < lower.size(); ++i)
        hash = static_cast<uint16_t>((hash << 3) ^ (hash >> 5) ^ lower[i] ^ (lower[i + 1] << 8));
    hash = static_cast<uint16_t>((hash << 3) ^ (hash >> 5) ^ lower.back());
    const wchar_t hashChars[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345";
    std::wstring wine;
    for (size_t i = 0; i < 4 && i < wide.size() && i != dot; ++i) wine += ShortChar(wide[i]);
    wine.append(5 - wine.size(), L'~');
    wine += {hashChars[(hash >> 10) & 0x1f], hashChars[(hash >> 5) & 0x1f], hashChars[hash & 0x1f]};
    std::vector<std::wstring> aliases{wine + suffix};

    std::wstring stem;
    for (size_t i = 0; i < wide.size() && i != dot && stem.size() < 6; ++i)
        if (wide[i] != L'.' && wide[i] != L' ') stem += ShortChar(wide[i]);
    for (wchar_t n = L'1'; n <= L'4'; ++n) aliases.push_back(stem + L'~' + n + suffix);

    std::vector<std::string> narrow;
    for (const std::wstring& alias : aliases) narrow.emplace_back(alias.begin(), alias.end());  // all ASCII
    return narrow;
}

std::vector<Input> FolderInputs(const std::string& folder) {
    std::string base = platform::WithTrailingBackslash(folder);
    std::vector<Input> inputs;
    platform::ForEachEntry(base, "*", [&](const WIN32_FIND_DATAA& entry) {
        std::string name = entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            throw Refusal{"'" + base + name + "' is a folder; the archive holds files only"};
        inputs.push_back({base + name, name, 0});
    });
    std::sort(inputs.begin(), inputs.end(), [](const Input& a, const Input& b) { return a.name < b.name; });
    return inputs;
}

std::vector<Input> CollectInputs(const std::string& output, int count, char** arguments) {
    std::vector<Input> inputs;
    std::string packedFolder;
    if (count == 1 && platform::FolderExists(arguments[0])) {
        packedFolder = platform::WithTrailingBackslash(FullPath(arguments[0]));
        inputs = FolderInputs(arguments[0]);
    } else {
        for (int i = 0; i < count; ++i) {
            std::string path = arguments[i];
            if (platform::FolderExists(path))
                throw Refusal{"'" + path + "' is a folder; give one folder alone, or a list of files"};
            inputs.push_back({path, BareName(path), 0});
        }
    }
    std::string outputFull = FoldCase(FullPath(output));
    if (!packedFolder.empty() && FoldCase(platform::FolderOf(outputFull)) == FoldCase(packedFolder))
        throw Refusal{"'" + output + "' lies in the folder being packed"};
    // Each name as the file system compares it, and the 8.3 aliases of the long ones, with the
    // member's own name: a member that meets another's name or alias would be the same file.
    std::map<std::string, std::string> names, aliases;
    auto aliasOf = [](const std::string& alias, const std::string& longName) {
        return Refusal{"'" + alias + "' is the short 8.3 name of '" + longName +
                       "'; unpacked, the two would be one file"};
    };
    for (Input& input : inputs) {
        CheckName(input);
        std::string folded = FoldCase(input.name);
        if (auto earlier = names.find(folded); earlier != names.end())
            throw Refusal{"'" + earlier->second + "' and '" + input.name +
                          "' are the same name to the file system; the later would replace the earlier"};
        if (auto earlier = aliases.find(folded); earlier != aliases.end()) throw aliasOf(input.name, earlier->second);
        names.emplace(folded, input.name);
        for (const std::string& alias : ShortAliases(input.name)) {
            if (auto earlier = names.find(alias); earlier != names.end()) throw aliasOf(earlier->second, input.name);
            aliases.emplace(alias, input.name);
        }
        if (FoldCase(FullPath(input.path)) == outputFull)
            throw Refusal{"'" + input.path + "' is the output file itself"};
        input.size = FileSizeOf(input.path);
        if (input.size > kLargestMember)
            throw Refusal{"'" + input.path + "' has " + std::to_string(input.size) +
                          " bytes; a member holds at most 2,147,483,647"};
    }
    return inputs;
}

void WriteAll(HANDLE file, const char* data, DWORD size, const std::string& what) {
    while (size > 0) {
        DWORD written = 0;
        if (!::WriteFile(file, data, size, &written, nullptr) || written == 0)
            throw Refusal{"cannot write '" + what + "': " + platform::LastErrorMessage()};
        data += written;
        size -= written;
    }
}

void AppendMember(HANDLE out, const std::string& outName, const Input& input, std::vector<char>& buffer) {
    char header[archive::kHeaderSize] = {};
    header[0] = static_cast<char>(input.name.size());
    std::copy(input.name.begin(), input.name.end(), header + 1);
    uint32_t size = static_cast<uint32_t>(input.size);
    for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
    WriteAll(out, header, sizeof(header), outName);

    platform::ScopedFile in(::CreateFileA(input.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!in) throw Refusal{"'" + input.path + "': " + platform::LastErrorMessage()};
    uint32_t remaining = size;
    while (remaining > 0) {
        DWORD chunk = std::min<DWORD>(remaining, static_cast<DWORD>(buffer.size()));
        DWORD got = 0;
        if (!::ReadFile(in.Get(), buffer.data(), chunk, &got, nullptr))
            throw Refusal{"cannot read '" + input.path + "': " + platform::LastErrorMessage()};
        if (got == 0) throw Refusal{"'" + input.path + "' became shorter while it was packed"};
        WriteAll(out, buffer.data(), got, outName);
        remaining -= got;
    }
}

// The partial output is deleted unless the archive was completed and renamed into place.
class PartialOutput {
public:
    explicit PartialOutput(std::string path) : path_(std::move(path)) {
        file_.Reset(::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file_) throw Refusal{"cannot create '" + path_ + "': " + platform::LastErrorMessage()};
    }
    ~PartialOutput() {
        file_.Close();
        if (!kept_) ::DeleteFileA(path_.c_str());
    }
    HANDLE Get() const { return file_.Get(); }
    void MoveTo(const std::string& output) {
        file_.Close();
        if (!::MoveFileExA(path_.c_str(), output.c_str(), MOVEFILE_REPLACE_EXISTING))
            throw Refusal{"cannot write '" + output + "': " + platform::LastErrorMessage()};
        kept_ = true;
    }

private:
    std::string path_;
    platform::ScopedFile file_;
    bool kept_ = false;
};

int ListNames() {
    for (const char* name : setup::ProgramFiles) std::printf("%s\n", name);
    for (const char* name : setup::HtmlFiles) std::printf("%s\n", name);
    std::printf("%s\n", setup::kAppletName);
    return 0;
}

int ListTexts() {
    std::printf("DisplayName\t%s\nPublisher\t%s\nDisplayVersion\t%s\nProductCode\t%s\nCopyright\t%s\n",
                setup::kProductName, setup::kPublisher, setup::kVersion, setup::kUninstallKeyName,
                windows::kCopyrightLine);
    for (const setup::ServerRow& server : setup::ServerTable) std::printf("Server\t%s\n", server.displayName);
    for (const std::string& line : windows::LicenseLines()) std::printf("License\t%s\n", line.c_str());
    return 0;
}

int EmbedDigest(const std::string& program, const std::string& archivePath) {
    archive::Digest digest{};
    std::string failure = archive::EmbedArchiveDigest(program, archivePath, digest);
    if (!failure.empty()) throw Refusal{failure};
    for (uint8_t byte : digest) std::printf("%02x", byte);
    std::printf("  %s\n", archivePath.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--names") return ListNames();
    if (argc == 2 && std::string(argv[1]) == "--texts") return ListTexts();
    bool embed = argc == 4 && std::string(argv[1]) == "--embed-digest";
    if (argc < 3 || (!embed && argv[1][0] == '-' && argv[1][1] == '-')) {
        std::fprintf(stderr,
                     "usage: packdat <output Setup.Dat> <folder | file...>\n"
                     "       packdat --names\n"
                     "       packdat --texts\n"
                     "       packdat --embed-digest <Setup.exe> <Setup.Dat>\n"
                     "  Packs every file directly in the folder (sorted by name), or the listed files\n"
                     "  under their bare file names, into the setup's payload archive; lists the file\n"
                     "  names the setup installs or the texts a release describes it with; or binds a Setup.exe to its archive.\n");
        return kUsage;
    }
    std::string output = argv[1];
    try {
        if (embed) return EmbedDigest(argv[2], argv[3]);
        std::vector<Input> inputs = CollectInputs(output, argc - 2, argv + 2);
        std::vector<char> buffer(kBufferSize);
        int64_t total = 0;
        {
            PartialOutput partial(output + ".partial");
            for (const Input& input : inputs) {
                AppendMember(partial.Get(), output, input, buffer);
                total += input.size;
            }
            partial.MoveTo(output);
        }
        for (const Input& input : inputs)
            std::printf("packed %s (%lld bytes)\n", input.name.c_str(), static_cast<long long>(input.size));
        std::printf("%s: %zu files, %lld bytes of data\n", output.c_str(), inputs.size(),
                    static_cast<long long>(total));
        return 0;
    } catch (const Refusal& refusal) {
        std::fprintf(stderr, "packdat: %s\n", refusal.message.c_str());
        return kRefused;
    }
}
