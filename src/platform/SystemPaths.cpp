#include "platform/SystemPaths.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace platform {

namespace {

// The ANSI text of a wide one; exact tells whether every character had its own form.
std::string ToCodePage(const std::wstring& wide, bool& exact) {
    exact = true;
    if (wide.empty()) return {};
    // Under the UTF-8 code page every character converts, and the call refuses the question.
    const bool utf8 = ::GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* askDefault = utf8 ? nullptr : &usedDefault;
    const int count = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(CP_ACP, flags, wide.data(), count, nullptr, 0, nullptr, askDefault);
    if (size <= 0) {
        exact = false;
        return {};
    }
    std::string text(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, flags, wide.data(), count, text.data(), size, nullptr, askDefault);
    exact = !usedDefault;
    return text;
}

// Reads a wide text through fill(buffer, room) -> length (the length needed when it does
// not fit, 0 on failure); fallback(buffer, room) is the ANSI call of Windows 95/98, where the
// wide calls do nothing but fail (their file system is in the code page already).
AnsiPath ReadPath(const std::function<DWORD(wchar_t*, DWORD)>& fill, const std::function<DWORD(char*, DWORD)>& fallback) {
    std::vector<wchar_t> wide(MAX_PATH + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ::SetLastError(ERROR_SUCCESS);
        const DWORD length = fill(wide.data(), static_cast<DWORD>(wide.size()));
        if (length == 0 && ::GetLastError() == ERROR_CALL_NOT_IMPLEMENTED) break;
        if (length == 0) return {};
        if (length < wide.size()) return ToAnsiPath(std::wstring(wide.data(), length));
        // Some calls answer the room given when the text did not fit, not the room needed.
        wide.resize(std::max(static_cast<size_t>(length) + 1, wide.size() * 2));
    }
    std::vector<char> narrow(MAX_PATH + 1);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const DWORD length = fallback(narrow.data(), static_cast<DWORD>(narrow.size()));
        if (length == 0) return {};
        if (length < narrow.size()) return {std::string(narrow.data(), length), PathForm::Exact};
        narrow.resize(std::max(static_cast<size_t>(length) + 1, narrow.size() * 2));
    }
    return {};
}

}  // namespace

const char* PathFormNote(PathForm form) {
    switch (form) {
    case PathForm::Exact: return "";
    case PathForm::Short: return " (its short 8.3 form: the system's code page cannot write its name)";
    default: return " (the system's code page cannot write its name, and it has no short 8.3 form)";
    }
}

AnsiPath ToAnsiPath(const std::wstring& path) {
    bool exact = false;
    std::string text = ToCodePage(path, exact);
    if (exact) return {text, PathForm::Exact};
    const DWORD size = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size != 0) {
        std::wstring shortPath(size, L'\0');
        const DWORD length = ::GetShortPathNameW(path.c_str(), shortPath.data(), size);
        if (length != 0 && length < size) {
            shortPath.resize(length);
            bool shortExact = false;
            std::string shortText = ToCodePage(shortPath, shortExact);
            if (shortExact) return {shortText, PathForm::Short};
        }
    }
    return {text, PathForm::Lost};
}

AnsiPath OwnProgramPath() {
    // GetModuleFileName returns the room it had when the path did not fit.
    return ReadPath(
        [](wchar_t* buffer, DWORD room) {
            const DWORD length = ::GetModuleFileNameW(nullptr, buffer, room);
            return length >= room ? room + MAX_PATH : length;
        },
        [](char* buffer, DWORD room) {
            const DWORD length = ::GetModuleFileNameA(nullptr, buffer, room);
            return length >= room ? room + MAX_PATH : length;
        });
}

AnsiPath TempVariable() {
    return ReadPath([](wchar_t* buffer, DWORD room) { return ::GetEnvironmentVariableW(L"TEMP", buffer, room); },
                    [](char* buffer, DWORD room) { return ::GetEnvironmentVariableA("TEMP", buffer, room); });
}

AnsiPath WindowsFolderPath() {
    return ReadPath([](wchar_t* buffer, DWORD room) { return ::GetWindowsDirectoryW(buffer, room); },
                    [](char* buffer, DWORD room) { return ::GetWindowsDirectoryA(buffer, room); });
}

AnsiPath SystemFolderPath() {
    return ReadPath([](wchar_t* buffer, DWORD room) { return ::GetSystemDirectoryW(buffer, room); },
                    [](char* buffer, DWORD room) { return ::GetSystemDirectoryA(buffer, room); });
}

}  // namespace platform
