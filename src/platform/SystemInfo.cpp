#include "platform/SystemInfo.h"

#include <shlobj.h>

#include <cctype>
#include <cstring>
#include <vector>

namespace platform {

std::string CutToShortText(std::string text) {
    if (text.size() > kShortTextMax) text.resize(kShortTextMax);
    return text;
}

std::string UpperCaseAscii(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

bool IsWindowsNT() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info)) return false;
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::string SystemErrorMessage(DWORD code) {
    char buffer[256] = {};
    DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                    code, 0, buffer, 255, nullptr);
    if (length > 255) length = 255;
    std::string text(buffer, length);
    while (!text.empty()) {
        unsigned char last = static_cast<unsigned char>(text.back());
        if (last > 32 && last != '.') break;
        text.pop_back();
    }
    return text;
}

std::string LastErrorMessage() {
    DWORD code = ::GetLastError();
    return SystemErrorMessage(code);
}

std::string ModulePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD length = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(buffer.size() * 2);  // cut short: ask again with more room
    }
}

std::string FolderOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string FileNameOf(const std::string& path) {
    size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ModuleFolder() { return FolderOf(ModulePath()); }
std::string ModuleFileName() { return FileNameOf(ModulePath()); }

std::string WithTrailingBackslash(std::string folder) {
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

bool IsFullPath(const std::string& path) {
    bool drive = path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' &&
                 path[2] == '\\';
    bool network = path.size() >= 3 && path[0] == '\\' && path[1] == '\\' && path[2] != '\\';
    return drive || network;
}

bool FolderExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ShellProgramsFolder() {
    char buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, buffer)))
        return {};
    return std::string(buffer, ::strnlen(buffer, MAX_PATH - 1));
}

}  // namespace platform
