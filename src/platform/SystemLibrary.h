#pragma once
// Where DLLs come from. A DLL that is not one of the system's KnownDLLs is looked for in the
// program's own folder first, so a file planted beside Setup.exe (a Downloads folder, a shared
// medium) would run with the administrator rights the program asked for. The program therefore
// imports only kernel32 directly, confines the search to the system folder before anything
// else, and loads what it needs only at need, by full path from the system folder.
#include <windows.h>

namespace platform {

// Confines this process's DLL search to the system folder (SetDefaultDllDirectories where the
// system has it) and takes the current folder out of it (SetDllDirectory). Call it first.
void RestrictDllSearchToSystemFolder();

// A function of a DLL of the system folder, loaded from there by full path at the first call;
// nullptr when the DLL or the function is missing. The DLL stays loaded until the end.
void (*SystemFunction(const char* dllName, const char* functionName))();

template <class Function>
Function SystemFunctionAs(const char* dllName, const char* functionName) {
    return reinterpret_cast<Function>(SystemFunction(dllName, functionName));
}

}  // namespace platform
