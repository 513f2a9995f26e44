// The payload the install benchmark installs, its archive, and file helpers.
#include "InstallBench.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "Automation.h"
#include "BenchCommon.h"
#include "archive/DataUnit.h"
#include "archive/PayloadDigest.h"
#include "platform/FileSearch.h"
#include "platform/ScopedHandle.h"
#include "platform/SystemInfo.h"
#include "platform/Forms.h"
#include "platform/SystemUi.h"
#include "setup/FileManifest.h"
#include "setup/Main.h"
#include "setup/InstallContext.h"
#include "setup/Upgrade.h"


namespace installbench {

using bench::Check;
using bench::kMB;
using bench::Now;
using bench::RunChild;

void MakeFolder(const std::string& folder) {
    if (!platform::FolderExists(folder)) Check(::CreateDirectoryA(folder.c_str(), nullptr), "create " + folder);
}

void DeleteTree(const std::string& folder) {
    platform::ForEachEntry(folder, "*", [&](const WIN32_FIND_DATAA& entry) {
        const std::string path = folder + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteTree(path + "\\");
        } else {
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(path.c_str());
        }
    });
    ::RemoveDirectoryA(folder.c_str());
}

void FillBlock(std::vector<char>& block, size_t size, uint64_t& state) {
    for (size_t i = 0; i + 8 <= size; i += 8) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::memcpy(&block[i], &state, 8);
    }
}

void WriteWhole(HANDLE file, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        Check(::WriteFile(file, data, static_cast<DWORD>(std::min<size_t>(size, 1 << 30)), &written, nullptr) &&
                  written > 0,
              "write");
        data += written;
        size -= written;
    }
}

void WriteRandomFile(const std::string& path, uint64_t size, uint64_t& state, std::vector<char>& block) {
    platform::ScopedFile out(
        ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    Check(out.IsValid(), "create " + path);
    for (uint64_t left = size; left > 0;) {
        size_t chunk = static_cast<size_t>(std::min<uint64_t>(left, block.size()));
        FillBlock(block, chunk, state);
        WriteWhole(out.Get(), block.data(), chunk);
        left -= chunk;
    }
}

uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    Check(::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data), "size of " + path);
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}


Place PlaceOf(const std::string& name) {
    for (const char* program : setup::ProgramFiles)
        if (name == program) return Place::Program;
    for (const char* html : setup::HtmlFiles)
        if (name == html) return Place::Html;
    return name == setup::kAppletName ? Place::Applet : Place::Image;
}

// The payload as packed, listed again from its folder (in a child run).
Payload ListPayload(const std::string& folder) {
    Payload payload;
    payload.folder = folder;
    platform::ForEachFile(folder, "*", platform::kAnyFileMask, [&](const std::string& name) {
        payload.files.push_back({name, PlaceOf(name)});
        payload.bytes += FileSize(folder + name);
    });
    return payload;
}

// The manifest's files (the servers are the stand-ins beside this program), the applet, the
// small images and a few large files: vorna.hlp, vorna.rtf and users.exe, which the setup
// never runs, and one large image.
Payload MakePayload(const std::string& folder, int smallImages, uint64_t largeTotal) {
    Payload payload;
    payload.folder = folder;
    MakeFolder(folder);
    std::vector<char> block(1 << 20);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    const std::map<std::string, uint64_t> largeShare = {
        {"vorna.hlp", 40}, {"vorna.rtf", 25}, {"users.exe", 20}, {"backdrop.gif", 15}};
    std::string bin = platform::ModuleFolder();
    for (const char* name : setup::ProgramFiles) {
        std::string target = folder + name;
        std::string server = bin + name;
        bool isServer = std::strcmp(name, "smtp.exe") == 0 || std::strcmp(name, "pop3.exe") == 0 ||
                        std::strcmp(name, "control.exe") == 0;
        if (isServer) {
            Check(::CopyFileA(server.c_str(), target.c_str(), FALSE), "copy the stand-in " + server);
        } else if (largeShare.count(name)) {
            WriteRandomFile(target, largeTotal * largeShare.at(name) / 100, state, block);
            ++payload.large;
        } else {
            WriteRandomFile(target, 2048 + state % 30000, state, block);
        }
        payload.files.push_back({name, Place::Program});
    }
    for (const char* name : setup::HtmlFiles) {
        WriteRandomFile(folder + name, 1024 + state % 8192, state, block);
        payload.files.push_back({name, Place::Html});
    }
    for (int i = 0; i < smallImages; ++i) {
        std::string name = "image" + std::to_string(i) + ".gif";
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        WriteRandomFile(folder + name, 1024 + state % (31 * 1024), state, block);
        payload.files.push_back({name, Place::Image});
        ++payload.images;
    }
    WriteRandomFile(folder + "backdrop.gif", largeTotal * largeShare.at("backdrop.gif") / 100, state, block);
    payload.files.push_back({"backdrop.gif", Place::Image});
    ++payload.images;
    ++payload.large;
    WriteRandomFile(folder + setup::kAppletName, 40000, state, block);
    payload.files.push_back({setup::kAppletName, Place::Applet});
    for (const PayloadFile& file : payload.files) payload.bytes += FileSize(folder + file.name);
    return payload;
}

// Setup.Dat: each member a 260-byte header (name length, name field, 32-bit size) and its bytes.
void PackArchive(const Payload& payload, const std::string& archivePath) {
    platform::ScopedFile out(
        ::CreateFileA(archivePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    Check(out.IsValid(), "create " + archivePath);
    std::vector<char> buffer(1 << 20);
    for (const PayloadFile& file : payload.files) {
        uint64_t size = FileSize(payload.folder + file.name);
        char header[archive::kHeaderSize] = {};
        header[0] = static_cast<char>(file.name.size());
        std::memcpy(header + 1, file.name.data(), file.name.size());
        for (int i = 0; i < 4; ++i) header[256 + i] = static_cast<char>((size >> (8 * i)) & 0xFF);
        WriteWhole(out.Get(), header, sizeof(header));
        platform::ScopedFile in(::CreateFileA((payload.folder + file.name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                              nullptr, OPEN_EXISTING, 0, nullptr));
        Check(in.IsValid(), "open " + file.name);
        for (;;) {
            DWORD read = 0;
            Check(::ReadFile(in.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr), "read");
            if (read == 0) break;
            WriteWhole(out.Get(), buffer.data(), read);
        }
    }
}

int CountFiles(const std::string& folder) {
    int count = 0;
    platform::ForEachFile(folder, "*", platform::kAnyFileMask, [&](const std::string&) { ++count; });
    return count;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace installbench
