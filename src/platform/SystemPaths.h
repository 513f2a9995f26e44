#pragma once
// The folders the setup asks the system for, in the ANSI code page. The "A" calls give a "?"
// for each character the code page has no form of (a profile named "Иван" on a Western
// Windows): such a path names nothing. So they are read through the "W" calls and converted;
// where the conversion is not exact, the short 8.3 form (plain ASCII) stands in.
#include <windows.h>

#include <string>

namespace platform {

enum class PathForm {
    Exact,  // the path as it is
    Short,  // its short 8.3 form: the code page cannot write the path itself
    Lost,   // neither: the text holds "?" and names nothing
};

struct AnsiPath {
    std::string path;
    PathForm form = PathForm::Exact;
};

// What the log says of a form: "" for an exact one.
const char* PathFormNote(PathForm form);

// A path of the system's in the ANSI code page: exact, else its short form where the file or
// folder exists and has one.
AnsiPath ToAnsiPath(const std::wstring& path);

// The running program's full path.
AnsiPath OwnProgramPath();
// The value of TEMP (without a trailing backslash); an empty path when it is not set.
AnsiPath TempVariable();
// The Windows folder and the system folder, without a trailing backslash; empty when the
// system cannot say.
AnsiPath WindowsFolderPath();
AnsiPath SystemFolderPath();

}  // namespace platform
