#include "platform/SystemInfo.h"

#include <shlobj.h>

#include <cstring>

#include "platform/SystemPaths.h"

namespace platform {

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

std::string ModulePath() { return OwnProgramPath().path; }
std::string ModuleFolder() { return FolderOf(ModulePath()); }
std::string ModuleFileName() { return FileNameOf(ModulePath()); }

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
