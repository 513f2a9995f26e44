#pragma once
// Small questions asked of the system: the platform, folders, the own path, error texts.
#include <windows.h>
#include <string>

namespace platform {

// Short texts hold at most 255 characters; a longer result is cut.
constexpr size_t kShortTextMax = 255;
std::string CutToShortText(std::string text);

// Upper-cases the letters a to z only, whatever the code page makes of the other bytes.
std::string UpperCaseAscii(std::string text);

// True when the version query reports the NT platform (2). Asked anew at every call.
bool IsWindowsNT();

// The system's message for an error code (default language, at most 255 characters), with
// every trailing space, control character and full stop removed.
std::string SystemErrorMessage(DWORD code);
// The same for the calling thread's last error code, taken before anything else.
std::string LastErrorMessage();

// The running program's full path as the system reports it, its folder (with the trailing
// backslash) and its file name.
std::string ModulePath();
std::string ModuleFolder();
std::string ModuleFileName();

// The part of a path up to and including its last backslash; the part after it.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// A drive path ("C:\...") or a network path ("\\server\share..."): never a path that depends
// on the current folder or the current drive.
bool IsFullPath(const std::string& path);

// Appends a backslash unless the text is empty or already ends in one.
std::string WithTrailingBackslash(std::string folder);

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

// The current user's Start-menu "Programs" folder as the shell knows it, without a trailing
// backslash; empty when the shell cannot say.
std::string ShellProgramsFolder();

}  // namespace platform
