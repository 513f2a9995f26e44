#pragma once
// Small questions asked of the system: the platform, folders, the own path, error texts.
#include <windows.h>
#include <string>

#include "platform/Paths.h"

namespace platform {

// True when the version query reports the NT platform (2). Asked anew at every call.
bool IsWindowsNT();

// The system's message for an error code (default language, at most 255 characters), with
// every trailing space, control character and full stop removed.
std::string SystemErrorMessage(DWORD code);
// The same for the calling thread's last error code, taken before anything else.
std::string LastErrorMessage();

// The running program's full path in the ANSI code page (its short form where the code page
// cannot write it: OwnProgramPath tells), its folder (with the trailing backslash) and its
// file name.
std::string ModulePath();
std::string ModuleFolder();
std::string ModuleFileName();

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

// The current user's Start-menu "Programs" folder as the shell knows it, without a trailing
// backslash; empty when the shell cannot say.
std::string ShellProgramsFolder();

}  // namespace platform
