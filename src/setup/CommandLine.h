#pragma once
// The switches Setup.exe takes: none (install), "/UNINSTALL", and for runs without a person
// "/SILENT", "/DIR=<folder>" and "/LOG=<file>". Switch names are compared upper-cased, in any
// order; a value may stand in quotation marks.
#include <optional>
#include <string>
#include <vector>

namespace setup {

inline constexpr char kUninstallSwitch[] = "/UNINSTALL";
inline constexpr char kSilentSwitch[] = "/SILENT";

struct CommandLine {
    bool uninstall = false;
    bool silent = false;
    std::optional<std::string> folder;  // /DIR
    std::optional<std::string> log;     // /LOG
    // A run with a person: the first argument is no switch of the setup's, and the program ends
    // at once, showing nothing.
    bool unknownFirst = false;
    // A silent run: why the command line cannot be run (empty when it can).
    std::string error;
};

// The arguments of a whole command line after the program's name. Arguments are parted by
// blanks outside quotation marks, which are dropped; a backslash is always a character of its
// own, so that "/DIR="C:\Program Files\Vorna\"" keeps its last backslash.
std::vector<std::string> SplitArguments(const std::string& commandLine);

CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// A folder the setup can install into: a full path with no "?", which is what the conversion
// into the code page leaves of a character it cannot write (such a path names no folder).
bool IsDestinationPath(const std::string& folder);

}  // namespace setup
