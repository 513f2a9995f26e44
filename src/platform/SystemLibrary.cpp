#include "platform/SystemLibrary.h"

#include <string>

namespace platform {

namespace {

// Functions that older systems lack are looked up rather than imported, so that the program
// still starts there.
template <class Function>
Function Kernel32Function(const char* name) {
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    return kernel ? reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(kernel, name))) : nullptr;
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);
    if (auto setDefault = Kernel32Function<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories"))
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (auto setDirectory = Kernel32Function<SetDllDirectoryFunction>("SetDllDirectoryA")) setDirectory("");
}

void (*SystemFunction(const char* dllName, const char* functionName))() {
    char folder[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    std::string path = std::string(folder, length) + "\\" + dllName;
    // By full path; the altered search makes the DLL's own imports come from its folder too.
    HMODULE module = ::GetModuleHandleA(path.c_str());
    if (!module) module = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module) return nullptr;
    return reinterpret_cast<void (*)()>(::GetProcAddress(module, functionName));
}

}  // namespace platform
